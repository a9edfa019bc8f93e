#pragma once

#include <QAbstractButton>

namespace lumo::app {

// A button drawn from a picture. Lumo's pictures are simple vector glyphs in
// the skin's colours, with a lighter variant while the mouse is over them.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Glyph { Play, Pause, Stop, Back, Forward, Volume, Fullscreen, Queue, OpenFile, DropDown, Close };

    PictureButton(Glyph glyph, QWidget* parent);

    Glyph CurrentGlyph() const { return glyph_; }
    void SetGlyph(Glyph glyph);
    // The play button's caption names its pair: "播放" or "暂停".
    void SetGlyphForCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Glyph glyph_;
    bool hover_ = false;
};

}  // namespace lumo::app

#pragma once

#include <QPushButton>

#include <cstdint>

namespace lumo::app {

// A flat button drawn in its own text and background colours (Windows
// colour values), which navigation changes to show what is selected.
class SkinnedButton : public QPushButton {
    Q_OBJECT
public:
    SkinnedButton(const QString& caption, QWidget* parent, uint32_t textColor, uint32_t backColor);

    uint32_t TextColor() const { return textColor_; }
    uint32_t BackColor() const { return backColor_; }
    void SetTextColor(uint32_t bgr);
    void SetBackColor(uint32_t bgr);
    void SetColors(uint32_t text, uint32_t back);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t textColor_;
    uint32_t backColor_;
};

}  // namespace lumo::app

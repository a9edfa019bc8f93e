#pragma once

#include <QWidget>

class QLineEdit;
class QSlider;

namespace lumo::app {

class SkinnedButton;

// SUBTITLE: the player's subtitle panel, 263 × 152 and frameless, loaded on
// first use without an owner and afterwards only hidden and shown, so its
// delay text and slider position last between openings. Like a drop-down it
// goes away when it loses activation (the wiring hides it).
class SubtitleWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 263;
    static constexpr int kHeight = 152;
    static constexpr int kPositionStart = 90;
    // With the online results below the settings.
    static constexpr int kExpandedHeight = 302;

    SubtitleWindow();

    QLineEdit* DelayBox() const { return delay_; }
    QSlider* PositionSlider() const { return position_; }
    // Shows the online results part, growing upwards so the panel still
    // ends on the control bar.
    void Expand();

signals:
    void Activated();
    void Deactivated();

protected:
    bool event(QEvent* event) override;

private:
    QLineEdit* delay_;
    QSlider* position_;
};

}  // namespace lumo::app

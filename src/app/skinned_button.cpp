#include "app/skinned_button.h"

#include <QPainter>

#include "app/win_color.h"

namespace lumo::app {

SkinnedButton::SkinnedButton(const QString& caption, QWidget* parent, uint32_t textColor, uint32_t backColor)
    : QPushButton(caption, parent), textColor_(textColor), backColor_(backColor) {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void SkinnedButton::SetTextColor(uint32_t bgr) {
    textColor_ = bgr;
    update();
}

void SkinnedButton::SetBackColor(uint32_t bgr) {
    backColor_ = bgr;
    update();
}

void SkinnedButton::SetColors(uint32_t text, uint32_t back) {
    textColor_ = text;
    backColor_ = back;
    update();
}

void SkinnedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor back = WinColor(backColor_);
    if (isDown()) {
        back = back.darker(125);
    } else if (underMouse()) {
        back = back.lighter(125);
    }
    painter.fillRect(rect(), back);
    painter.setPen(WinColor(textColor_));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

}  // namespace lumo::app

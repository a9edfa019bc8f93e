#include "app/window_frame.h"

#include <QWidget>

#include "app/win_color.h"

namespace lumo::app {

QWidget* AddWindowFrame(QWidget* window, uint32_t background) {
    auto* frame = new QWidget(window);
    frame->setObjectName(QStringLiteral("外形框1"));
    frame->setGeometry(0, 0, window->width(), window->height());
    frame->setAutoFillBackground(true);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, WinColor(background));
    frame->setPalette(palette);
    return frame;
}

}  // namespace lumo::app

#include "app/window_frame.h"

#include <QLabel>
#include <QWidget>

#include "app/skinned_button.h"

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

QLabel* FrameLabel(QWidget* parent, const char* name, const char* text, const QRect& geometry) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

SkinnedButton* FrameButton(QWidget* parent, const char* name, const char* caption, const QRect& geometry) {
    auto* button =
        new SkinnedButton(QString::fromUtf8(caption), parent, colors::kViewSelectedText, colors::kNavNormalBack);
    button->setObjectName(QString::fromUtf8(name));
    button->setGeometry(geometry);
    return button;
}

}  // namespace lumo::app

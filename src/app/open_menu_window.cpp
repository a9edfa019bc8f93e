#include "app/open_menu_window.h"

#include <QEvent>

#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/window_frame.h"

namespace lumo::app {

namespace {

SkinnedButton* Item(QWidget* parent, const char* name, const char* caption, int top) {
    auto* button = new SkinnedButton(QString::fromUtf8(caption), parent, colors::kNavNormalText, colors::kNavColumnBack);
    button->setObjectName(QString::fromUtf8(name));
    // The items are as wide as the window: a wider item would have its
    // centred caption cut by the window's edge.
    button->setGeometry(0, top, OpenMenuWindow::kWidth, OpenMenuWindow::kHeight / 2);
    return button;
}

}  // namespace

OpenMenuWindow::OpenMenuWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("OPENMENU"));
    setWindowTitle(QStringLiteral("打开文件夹等窗口"));
    setFixedSize(kWidth, kHeight);

    QWidget* frame = AddWindowFrame(this, colors::kNavColumnBack);

    openTorrent_ = Item(frame, "打开BT文件按钮", "打开种子文件", 0);
    openAddress_ = Item(frame, "打开连接按钮", "打开链接", kHeight / 2);
}

bool OpenMenuWindow::event(QEvent* event) {
    // A click anywhere else, or a window it opened, takes the menu away.
    if (event->type() == QEvent::WindowDeactivate) hide();
    return QWidget::event(event);
}

}  // namespace lumo::app

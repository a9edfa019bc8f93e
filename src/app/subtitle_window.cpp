#include "app/subtitle_window.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app/list_view.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/window_frame.h"

namespace lumo::app {

SubtitleWindow::SubtitleWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("SUBTITLE"));
    setWindowTitle(QStringLiteral("字幕调节"));
    setFixedSize(kWidth, kHeight);

    QWidget* frame = AddWindowFrame(this, colors::kWindowBack);

    FrameLabel(frame, "透明标签1", "加载字幕：", QRect(10, 12, 66, 20));
    FrameButton(frame, "超级按钮手动载入字幕", "手动载入", QRect(78, 10, 70, 24));
    FrameButton(frame, "超级按钮_解析种子1", "搜索字幕", QRect(154, 10, 70, 24));
    FrameButton(frame, "超级按钮结束", "×", QRect(kWidth - 26, 4, 22, 22));

    FrameButton(frame, "超级按钮在线字幕", "站内搜索", QRect(8, 40, 64, 24));
    FrameButton(frame, "超级按钮隐藏字幕", "隐藏字幕", QRect(78, 40, 70, 24));
    FrameButton(frame, "超级按钮隐藏字幕1", "显示字幕", QRect(154, 40, 70, 24));

    FrameLabel(frame, "透明标签3", "字幕同步：", QRect(10, 72, 66, 20));
    FrameButton(frame, "超级按钮字幕调节0", "-0.1", QRect(78, 70, 34, 24));
    delay_ = new QLineEdit(frame);
    delay_->setObjectName(QStringLiteral("编辑框调节字幕同步"));
    delay_->setGeometry(114, 70, 52, 24);
    // Kept for its name; the panel has no use for it.
    auto* unused = new QLineEdit(frame);
    unused->setObjectName(QStringLiteral("编辑框2"));
    unused->hide();
    FrameButton(frame, "超级按钮字幕调节1", "+0.1", QRect(168, 70, 34, 24));
    FrameButton(frame, "超级按钮字幕同步默认", "默认", QRect(206, 70, 44, 24));

    FrameLabel(frame, "透明标签4", "字幕位置：", QRect(10, 108, 66, 20));
    FrameLabel(frame, "透明标签顶部", "顶部", QRect(78, 108, 28, 20));
    position_ = new QSlider(Qt::Horizontal, frame);
    position_->setObjectName(QStringLiteral("滑块条字幕位置"));
    position_->setRange(1, 100);
    position_->setValue(kPositionStart);
    position_->setGeometry(106, 108, 116, 20);
    FrameLabel(frame, "透明标签底部", "底部", QRect(224, 108, 28, 20));

    // The online part, shown by Expand.
    auto* list = new ListView(QStringLiteral("超级列表框字幕"),
                              {{QStringLiteral("字幕  [双击载入]"), 180}, {QStringLiteral("类型"), 60}}, frame);
    list->setGeometry(8, kHeight + 4, kWidth - 16, 118);
    list->hide();
    auto* status = FrameLabel(frame, "透明标签字幕状态", "", QRect(8, kHeight + 126, kWidth - 16, 20));
    status->hide();

    setStyleSheet(QStringLiteral("QLabel { color: #c0c0c0; }"
                                 "QLineEdit { background: white; border: 1px solid #50586a; padding: 1px 3px; }"));
}

void SubtitleWindow::Expand() {
    if (height() == kExpandedHeight) return;
    const int bottom = y() + height();
    setFixedSize(kWidth, kExpandedHeight);
    if (QWidget* frame = findChild<QWidget*>(QStringLiteral("外形框1"))) frame->resize(kWidth, kExpandedHeight);
    for (QWidget* part : {findChild<QWidget*>(QStringLiteral("超级列表框字幕")),
                          findChild<QWidget*>(QStringLiteral("透明标签字幕状态"))}) {
        if (part != nullptr) part->show();
    }
    move(x(), bottom - kExpandedHeight);
}

bool SubtitleWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) emit Activated();
    if (event->type() == QEvent::WindowDeactivate) emit Deactivated();
    return QWidget::event(event);
}

}  // namespace lumo::app

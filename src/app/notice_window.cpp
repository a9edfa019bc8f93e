#include "app/notice_window.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/window_frame.h"
#include "app/window_dragger.h"

namespace lumo::app {

NoticeWindow::NoticeWindow(QWidget* owner, const QString& text)
    : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("NOTICE"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kWidth, kHeight);

    QWidget* frame = AddWindowFrame(this, colors::kNavColumnBack);
    auto* dragger = new WindowDragger(this);
    dragger->Watch(frame);

    auto* title = new QLabel(QStringLiteral("公告："), frame);
    title->setObjectName(QStringLiteral("透明标签1"));
    title->setGeometry(6, 4, 200, 20);
    title->setAttribute(Qt::WA_TranslucentBackground);
    title->setStyleSheet(QStringLiteral("color: #c0c0c0;"));

    auto* body = new QPlainTextEdit(text, frame);
    body->setObjectName(QStringLiteral("编辑框1"));
    body->setReadOnly(true);
    body->setGeometry(4, 28, 372, 216);

    auto* close = new SkinnedButton(QStringLiteral("×"), frame, colors::kNavNormalText, colors::kNavColumnBack);
    close->setObjectName(QStringLiteral("超级按钮结束"));
    close->setGeometry(kWidth - 22, 2, 20, 20);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    if (owner != nullptr) {
        move(owner->x() + (owner->width() - kWidth) / 2, owner->y() + (owner->height() - kHeight) / 2);
    }
}

}  // namespace lumo::app

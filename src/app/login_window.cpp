#include "app/login_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include "app/picture_button.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/window_dragger.h"
#include "app/window_frame.h"

namespace lumo::app {

namespace {

QLineEdit* Edit(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setGeometry(geometry);
    return edit;
}

}  // namespace

LoginWindow::LoginWindow(QWidget* owner) : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("LOGIN"));
    setFixedSize(kWidth, kHeight);

    QWidget* frame = AddWindowFrame(this, colors::kWindowBack);
    auto* dragger = new WindowDragger(this);
    dragger->Watch(frame);

    FrameLabel(frame, "标签1", "Lumo登录", QRect(10, 4, 200, 20));
    FrameLabel(frame, "透明标签1", "用户账号:", QRect(14, 34, 64, 24));
    account_ = Edit(frame, "编辑框_账号", QRect(80, 34, 186, 24));
    FrameLabel(frame, "透明标签2", "用户密码:", QRect(14, 64, 64, 24));
    password_ = Edit(frame, "编辑框_密码", QRect(80, 64, 186, 24));
    password_->setEchoMode(QLineEdit::Password);

    auto* remember = new QCheckBox(QStringLiteral("记住密码"), frame);
    remember->setObjectName(QStringLiteral("选择框1"));
    remember->setGeometry(14, 94, 90, 22);
    register_ = FrameLabel(frame, "透明标签3", "注册账号", QRect(150, 94, 56, 22));
    forgot_ = FrameLabel(frame, "透明标签4", "忘记密码", QRect(212, 94, 56, 22));
    for (QLabel* link : {register_, forgot_}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    login_ = new SkinnedButton(QStringLiteral("登录"), frame, colors::kViewSelectedText, colors::kNavNormalBack);
    login_->setObjectName(QStringLiteral("超级按钮_登录"));
    login_->setGeometry(14, 122, 100, 28);
    FrameLabel(frame, "透明标签提示", "", QRect(120, 126, 110, 20));

    auto* loading = new QWidget(frame);
    loading->setObjectName(QStringLiteral("外形框加载中"));
    loading->setGeometry(236, 122, 30, 30);
    FrameLabel(loading, "图片框2", "…", QRect(0, 0, 30, 30))->setAlignment(Qt::AlignCenter);
    loading->hide();

    close_ = new PictureButton(PictureButton::Glyph::Close, frame);
    close_->setObjectName(QStringLiteral("关闭按钮"));
    close_->setGeometry(kWidth - 24, 2, 22, 22);

    setStyleSheet(QStringLiteral("QLabel, QCheckBox { color: #c0c0c0; }"
                                 "QLabel#透明标签3, QLabel#透明标签4 { color: #6fa8ff; text-decoration: underline; }"
                                 "QLineEdit { background: white; border: 1px solid #50586a; padding: 1px 4px; }"));

    if (owner != nullptr) {
        move(owner->x() + (owner->width() - kWidth) / 2, owner->y() + (owner->height() - kHeight) / 2);
    }
}

bool LoginWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == register_) emit RegisterClicked();
        if (watched == forgot_) emit ForgotClicked();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace lumo::app

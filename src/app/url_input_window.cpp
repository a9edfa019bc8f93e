#include "app/url_input_window.h"

#include <QLabel>
#include <QLineEdit>

#include "app/picture_button.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/window_frame.h"
#include "app/window_dragger.h"

namespace lumo::app {

UrlInputWindow::UrlInputWindow(QWidget* owner) : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("URLINPUT"));
    setFixedSize(kWidth, kHeight);

    QWidget* frame = AddWindowFrame(this, colors::kWindowBack);
    auto* dragger = new WindowDragger(this);
    dragger->Watch(frame);

    FrameLabel(frame, "透明标签1", "输入网络上您要播放的媒体文件的URL或路径", QRect(20, 28, 360, 20));
    input_ = new QLineEdit(frame);
    input_->setObjectName(QStringLiteral("编辑框1"));
    input_->setGeometry(20, 54, 360, 28);
    FrameLabel(frame, "透明标签2", "协议支持：http,rtsp,ftp,ed2k,mms,lihd", QRect(20, 90, 360, 18));
    FrameLabel(frame, "透明标签3", "例如：http://example.com/film.mp4", QRect(20, 110, 360, 18));

    auto* strip = new QWidget(frame);
    strip->setObjectName(QStringLiteral("图片框1"));
    strip->setGeometry(0, kHeight - 44, kWidth, 44);
    strip->setAutoFillBackground(true);
    QPalette stripPalette = strip->palette();
    stripPalette.setColor(QPalette::Window, WinColor(colors::kNavColumnBack));
    strip->setPalette(stripPalette);
    SkinnedButton* ok = FrameButton(strip, "确定按钮", "确定", QRect(200, 8, 88, 28));
    SkinnedButton* cancel = FrameButton(strip, "取消按钮", "取消", QRect(296, 8, 88, 28));

    auto* close = new PictureButton(PictureButton::Glyph::Close, frame);
    close->setObjectName(QStringLiteral("关闭按钮"));
    close->setGeometry(kWidth - 24, 2, 22, 22);

    setStyleSheet(QStringLiteral("QLabel { color: #c0c0c0; }"
                                 "QLineEdit { background: white; border: 1px solid #50586a; padding: 2px 4px; }"));

    connect(ok, &QAbstractButton::clicked, this, &UrlInputWindow::Accept);
    connect(input_, &QLineEdit::returnPressed, this, &UrlInputWindow::Accept);
    connect(cancel, &QAbstractButton::clicked, this, &QObject::deleteLater);
    connect(close, &QAbstractButton::clicked, this, &QObject::deleteLater);

    if (owner != nullptr) {
        move(owner->x() + (owner->width() - kWidth) / 2, owner->y() + (owner->height() - kHeight) / 2);
    }
    input_->setFocus();
}

void UrlInputWindow::Accept() {
    // An empty box would only make the engine fail on nothing and the typing
    // be lost with the window: it stays, waiting for an address.
    if (input_->text().trimmed().isEmpty()) {
        input_->setFocus();
        return;
    }
    // The text goes as typed: paths and every protocol the hint names.
    emit OpenRequested(input_->text());
    hide();
    deleteLater();
}

}  // namespace lumo::app

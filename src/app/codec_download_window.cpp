#include "app/codec_download_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace lumo::app {

namespace {

QLabel* Label(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    return label;
}

}  // namespace

CodecDownloadWindow::CodecDownloadWindow(QWidget* owner, bool modal) : QWidget(owner, Qt::Dialog) {
    setObjectName(QStringLiteral("CODECDL"));
    setWindowTitle(QStringLiteral("解码器下载"));
    setFixedSize(kWidth, kHeight);
    if (modal) setWindowModality(Qt::ApplicationModal);

    QLabel* headline = Label(this, "透明标签1", "正在为初次运行.下载解码器请稍后...");
    headline->setGeometry(14, 10, kWidth - 28, 22);
    auto* progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("进度条1"));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    progress->setGeometry(14, 38, kWidth - 28, 20);
    Label(this, "透明标签2", "如果自动下载不成功请点击→")->setGeometry(120, 66, 170, 20);
    manual_ = Label(this, "透明标签3", "手动下载");
    manual_->setGeometry(290, 66, 56, 20);
    manual_->setCursor(Qt::PointingHandCursor);
    manual_->setStyleSheet(QStringLiteral("color: #1060d0; text-decoration: underline;"));
    manual_->installEventFilter(this);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("状态条1"));
    status->setSizeGripEnabled(false);
    status->setGeometry(0, kHeight - 26, kWidth, 26);
    for (int n = 0; n < 4; ++n) {
        auto* part = new QLabel(status);
        part->setObjectName(QStringLiteral("状态条1_%1").arg(n));
        part->setMinimumWidth(kWidth / 4 - 8);
        status->addWidget(part, 1);
    }

    if (owner != nullptr) {
        move(owner->x() + (owner->width() - kWidth) / 2, owner->y() + (owner->height() - kHeight) / 2);
    }
}

void CodecDownloadWindow::closeEvent(QCloseEvent* event) {
    // During the download there is nothing to close to: it runs until it
    // ends. After a failure the user may go.
    if (mayClose_ && mayClose_()) {
        event->accept();
        deleteLater();
    } else {
        event->ignore();
    }
}

bool CodecDownloadWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == manual_ && event->type() == QEvent::MouseButtonPress) {
        emit ManualDownloadRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace lumo::app

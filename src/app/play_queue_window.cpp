#include "app/play_queue_window.h"

#include <QMenu>

#include "app/list_view.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/window_frame.h"
#include "app/window_dragger.h"

namespace lumo::app {

PlayQueueWindow::PlayQueueWindow(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("PLAYQUEUE"));
    setFixedSize(kWidth, kHeight);
    setWindowOpacity(kOpacity);

    QWidget* frame = AddWindowFrame(this, colors::kListBack);

    title_ = new SkinnedButton(QStringLiteral("播放队列"), frame, colors::kViewSelectedText, colors::kNavNormalBack);
    title_->setObjectName(QStringLiteral("超级按钮_下一页2"));
    title_->setGeometry(0, 0, kWidth, 25);
    auto* dragger = new WindowDragger(this);
    dragger->Watch(title_);

    list_ = new ListView(QStringLiteral("超级列表框1"),
                         {{QStringLiteral("0"), 0},
                          {QString(), 23},
                          {QStringLiteral("名称"), 224},
                          {QStringLiteral("大小"), 0},
                          {QStringLiteral("sha1"), 0},
                          {QStringLiteral("hash"), 0},
                          {QStringLiteral("上次播放的位置"), 0}},
                         frame);
    list_->setGeometry(0, 25, kWidth, kHeight - 25);
    list_->SetRowHeight(kRowHeight);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);

    menu_ = new QMenu(QStringLiteral("菜单"), this);
    menu_->setObjectName(QStringLiteral("菜单"));
    for (const char* item : {"播放", "下载", "复制磁力链", "删除"}) menu_->addAction(QString::fromUtf8(item));
}

}  // namespace lumo::app

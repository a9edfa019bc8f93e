#include "app/magnet_window.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include "app/list_view.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/window_frame.h"
#include "app/window_dragger.h"

namespace lumo::app {

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

SkinnedButton* Button(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = new SkinnedButton(U(caption), parent, colors::kNavNormalText, colors::kNavNormalBack);
    button->setObjectName(U(name));
    button->setGeometry(geometry);
    return button;
}

}  // namespace

MagnetWindow::MagnetWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("MAGNETWIN"));
    setWindowTitle(U("Lumo解析"));
    setFixedSize(kWidth, kHeight);

    QWidget* frame = AddWindowFrame(this, colors::kWindowBack);

    auto* title = new QLabel(U("Lumo解析"), frame);
    title->setObjectName(U("透明标签2"));
    title->setGeometry(10, 4, 200, 22);
    auto* dragger = new WindowDragger(this);
    dragger->Watch(title);
    dragger->Watch(frame);

    SkinnedButton* minimise = Button(frame, "超级按钮_开通会员2", "最小化", QRect(288, 4, 52, 22));
    SkinnedButton* close = Button(frame, "超级按钮_开通会员1", "关闭", QRect(344, 4, 52, 22));
    connect(minimise, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    input_ = new QLineEdit(frame);
    input_->setObjectName(U("编辑框_解析"));
    input_->setGeometry(10, 34, 380, 30);
    input_->installEventFilter(this);
    ShowHint(true);

    parse_ = Button(frame, "超级按钮_解析磁力", "解析", QRect(10, 70, 185, 30));
    openTorrent_ = Button(frame, "超级按钮_开通会员3", "打开种子", QRect(205, 70, 185, 30));

    list_ = new ListView(U("超级列表框1"),
                         {{QString(), 30},
                          {U("片名  [双击播放种子]"), 275},
                          {U("大小"), 60},
                          {U("sha"), 0},
                          {U("ID"), 0},
                          {U("size"), 0}},
                         frame);
    list_->setGeometry(10, 108, 380, 352);
    list_->SetRowHeight(kRowHeight);
    setStyleSheet(QStringLiteral("QLabel { color: #c0c0c0; }"
                                 "QLineEdit { background: white; border: 1px solid #50586a; padding: 2px 4px; }"
                                 "QTreeWidget { background: %1; color: %2; border: none; outline: 0; }"
                                 "QTreeWidget::item:selected { background: #3d5a8a; color: white; }")
                      .arg(WinColor(colors::kListBack).name(), WinColor(colors::kListText).name()));
    parse_->setFocus();
}

void MagnetWindow::ShowHint(bool shown) {
    QPalette palette = input_->palette();
    palette.setColor(QPalette::Text, WinColor(shown ? colors::kHintText : 0u));
    input_->setPalette(palette);
    if (shown) input_->setText(U(kHint));
}

bool MagnetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == input_) {
        // The hint is the box's own text: it goes when the user comes in and
        // comes back only into an empty box.
        if (event->type() == QEvent::FocusIn && input_->text() == U(kHint)) {
            input_->clear();
            ShowHint(false);
        } else if (event->type() == QEvent::FocusOut && input_->text().isEmpty()) {
            ShowHint(true);
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace lumo::app

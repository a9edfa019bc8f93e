// The controls of MAIN, under the names the rest of Lumo finds them by.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "app/list_view.h"
#include "app/main_window.h"
#include "app/picture_button.h"
#include "app/seek_slider.h"
#include "app/skinned_button.h"
#include "app/web_browser.h"
#include "app/win_color.h"
#include "app/window_dragger.h"
#include "flow/app_state.h"

namespace lumo::app {

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

QString Css(uint32_t bgr) { return WinColor(bgr).name(); }

QWidget* Panel(QWidget* parent, const char* name, QRect geometry, uint32_t back) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(U(name));
    panel->setGeometry(geometry);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, WinColor(back));
    panel->setPalette(palette);
    return panel;
}

SkinnedButton* Button(QWidget* parent, const char* name, const char* caption, QRect geometry,
                      uint32_t text = colors::kNavNormalText, uint32_t back = colors::kNavNormalBack) {
    auto* button = new SkinnedButton(U(caption), parent, text, back);
    button->setObjectName(U(name));
    button->setGeometry(geometry);
    return button;
}

PictureButton* Picture(QWidget* parent, const char* name, PictureButton::Glyph glyph, QRect geometry) {
    auto* button = new PictureButton(glyph, parent);
    button->setObjectName(U(name));
    button->setGeometry(geometry);
    return button;
}

QLabel* Label(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* label = new QLabel(U(text), parent);
    label->setObjectName(U(name));
    label->setGeometry(geometry);
    return label;
}

QLineEdit* Edit(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* edit = new QLineEdit(U(text), parent);
    edit->setObjectName(U(name));
    edit->setGeometry(geometry);
    return edit;
}

ListView* List(QWidget* parent, const char* name, std::vector<ListColumn> columns, QRect geometry) {
    auto* list = new ListView(U(name), columns, parent);
    list->setGeometry(geometry);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    return list;
}

ListColumn Col(const char* caption, int width = 0, bool right = false) { return {U(caption), width, right}; }

// A tab control whose pages are switched by number from the program, so its
// own tab row stays hidden.
QTabWidget* Pages(QWidget* parent, const char* name, QRect geometry, std::initializer_list<const char*> captions) {
    auto* tabs = new QTabWidget(parent);
    tabs->setObjectName(U(name));
    tabs->setGeometry(geometry);
    tabs->tabBar()->hide();
    tabs->setDocumentMode(true);
    int index = 0;
    for (const char* caption : captions) {
        auto* page = new QWidget;
        page->setObjectName(U(name) + U("_页") + QString::number(index++));
        tabs->addTab(page, U(caption));
    }
    return tabs;
}

QPixmap LogoPicture(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 132, 255));
    p.drawRoundedRect(QRectF(2, 2, side - 4, side - 4), 7, 7);
    p.setBrush(Qt::white);
    const qreal s = side;
    p.drawPolygon(QPolygonF({QPointF(s * 0.38, s * 0.28), QPointF(s * 0.38, s * 0.72), QPointF(s * 0.74, s * 0.5)}));
    return pixmap;
}

QLabel* IdlePicture(QWidget* parent, const char* name, QRect geometry, bool big) {
    auto* label = new QLabel(parent);
    label->setObjectName(U(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    if (big) {
        label->setPixmap(LogoPicture(96));
    } else {
        label->setText(U("Lumo云播"));
        label->setStyleSheet(QStringLiteral("color: #8a8f9c; font-size: 18px;"));
    }
    return label;
}

}  // namespace

QString MainWindow::DarkStyle() {
    return QStringLiteral(
               "QTreeWidget { background: %1; color: %2; border: none; outline: 0; }"
               "QTreeWidget::item:selected { background: #3d5a8a; color: white; }"
               "QHeaderView::section { background: #2b2f38; color: #c0c0c0; border: none;"
               " border-right: 1px solid #22252c; padding-left: 4px; height: 24px; }"
               "QLabel, QCheckBox { color: #c0c0c0; }"
               "QLineEdit { background: white; border: 1px solid #50586a; padding: 2px 4px; }"
               "QComboBox { background: white; border: 1px solid #50586a; padding: 2px 4px; }"
               "QTabWidget::pane { border: none; }"
               "QPushButton#按钮获取VIP资源 { background: #424e68; color: #ffffff; border: none; }"
               "QSlider::groove:horizontal { height: 4px; background: #3a3f4b; border-radius: 2px; }"
               "QSlider::sub-page:horizontal { background: #2684ff; border-radius: 2px; }"
               "QSlider::handle:horizontal { background: #e6e6e6; width: 10px; margin: -4px 0;"
               " border-radius: 5px; }"
               "QSlider#进度滑块条1::groove:horizontal, QSlider#进度滑块条1::sub-page:horizontal"
               " { background: transparent; }"
               // The seek bar is an invisible layer over the progress bar;
               // its handle shows only while it is dragged.
               "QSlider#进度滑块条1::handle:horizontal { background: transparent; }"
               "QSlider#进度滑块条1::handle:horizontal:pressed { background: #e6e6e6; }")
        .arg(Css(colors::kListBack), Css(colors::kListText));
}

void MainWindow::BuildControls() {
    QWidget* back = Panel(this, "外形框3", QRect(0, 0, kWidth, kHeight), colors::kWindowBack);
    // The dark style goes on the panel, not on MAIN: message boxes and file
    // dialogs owned by MAIN would inherit it, light grey on light grey.
    back->setStyleSheet(DarkStyle());
    dragger_ = new WindowDragger(this);
    dragger_->Watch(back);

    viewTabs_ = Pages(back, "选择夹1", QRect(1, 35, 852, 571),
                      {"磁力解析 ", "搜索", "VIP资源", "免费资源", "我的收藏", "播放器", "缓存目录", "最新电影"});
    BuildTitleStrip(back);
    BuildLibraryView();
    BuildPlayerView();
    BuildOtherPages();
    BuildMenus();
    BuildTimers();
}

QWidget* MainWindow::BuildTitleStrip(QWidget* back) {
    auto* logo = new QLabel(back);
    logo->setObjectName(U("图片框logo"));
    logo->setGeometry(4, 2, 33, 33);
    logo->setPixmap(LogoPicture(33));
    dragger_->Watch(logo);

    playerButton_ = Button(back, "超级按钮播放器", "播放器", QRect(41, 7, 60, 28), colors::kViewOtherText,
                           colors::kViewOtherBack);
    libraryButton_ = Button(back, "超级按钮片库", "片库", QRect(102, 7, 60, 28), colors::kViewSelectedText,
                            colors::kViewSelectedBack);
    connect(playerButton_, &QPushButton::clicked, this, &MainWindow::ShowPlayerView);
    connect(libraryButton_, &QPushButton::clicked, this, &MainWindow::ShowLibraryView);

    QLabel* topStatus = Label(back, "标签_顶部状态", "", QRect(177, 11, 215, 20));
    dragger_->Watch(topStatus);
    Button(back, "超级按钮论坛", "论坛", QRect(645, -99, 60, 28));

    SkinnedButton* minimise =
        Button(back, "超级按钮最小化", "－", QRect(810, 1, 20, 20), colors::kNavNormalText, colors::kWindowBack);
    connect(minimise, &QPushButton::clicked, this, &QWidget::showMinimized);
    SkinnedButton* close =
        Button(back, "超级按钮结束", "×", QRect(833, 1, 20, 20), colors::kNavNormalText, colors::kWindowBack);
    connect(close, &QPushButton::clicked, this, [this] { ConfirmExit(ExitForm::CloseButton); });
    return back;
}

QWidget* MainWindow::BuildLibraryView() {
    QWidget* page = viewTabs_->widget(kLibraryPage);
    QWidget* nav = Panel(page, "外形框2", QRect(0, 1, 160, 550), colors::kNavColumnBack);
    // The film page and the second resource list are pages of 选择夹1 that
    // nothing else leads to; their entries follow the library's own.
    const char* const names[kNavButtons] = {"左边首页", "左边磁力搜索", "左边磁力解析", "左边VIP资源",
                                            "左边收藏", "超级按钮登录", "左边最新电影", "左边更多资源"};
    const char* const captions[kNavButtons] = {"首页", "磁力搜索", "磁力解析", "VIP资源",
                                               "我的收藏", "用户登录", "最新电影", "更多资源"};
    for (int i = 0; i < kNavButtons; ++i) {
        int top = i < 5 ? 24 + i * 52 : i == 5 ? 480 : 24 + (i - 1) * 52;
        navButtons_[i] = Button(nav, names[i], captions[i], QRect(0, top, 160, 44));
        connect(navButtons_[i], &QPushButton::clicked, this, [this, i] { HighlightNavButton(navButtons_[i]); });
    }

    libraryTabs_ = Pages(page, "高级选择夹", QRect(160, 1, 692, 550),
                         {"首页", "磁力搜索", "高清电影", "VIP资源", "我的收藏", "个人中心"});
    // The navigation buttons that only switch pages.
    const std::pair<int, int> pageOfButton[] = {{0, 0}, {1, 1}, {3, 3}, {4, 4}};
    // Captured by copy: clang 14 (the sanitizer builds) cannot capture a structured binding.
    for (auto [button, index] : pageOfButton) {
        connect(navButtons_[button], &QPushButton::clicked, this,
                [this, page = index] { libraryTabs_->setCurrentIndex(page); });
    }
    connect(navButtons_[6], &QPushButton::clicked, this, [this] { viewTabs_->setCurrentIndex(7); });
    connect(navButtons_[7], &QPushButton::clicked, this, [this] { viewTabs_->setCurrentIndex(2); });

    // Home page: the browser and its four channel buttons.
    QWidget* home = libraryTabs_->widget(0);
    auto* browser = new WebBrowser(home);
    browser->setObjectName(U("互联网浏览器1"));
    browser->setGeometry(0, 0, 692, 508);
    const char* const channels[4][2] = {
        {"超级按钮推荐", "最新大片"}, {"超级按钮电影", "电影"}, {"超级按钮电视剧", "电视剧"}, {"超级按钮其他", "其他"}};
    for (int i = 0; i < 4; ++i) {
        Button(home, channels[i][0], channels[i][1], QRect(10 + i * 90, 514, 84, 30),
               i == 0 ? colors::kChannelSelectedText : colors::kChannelOtherText, colors::kWindowBack);
    }

    // Magnet search.
    QWidget* search = libraryTabs_->widget(1);
    QLineEdit* searchBox = Edit(search, "编辑框_搜索", "输入你需要搜索的关键字,然后点击搜索→", QRect(10, 8, 420, 30));
    QPalette hint = searchBox->palette();
    hint.setColor(QPalette::Text, WinColor(colors::kHintText));
    searchBox->setPalette(hint);
    auto* engines = new QComboBox(search);
    engines->setObjectName(U("组合框1"));
    engines->setGeometry(438, 8, 120, 30);
    engines->addItems({U("<全网引擎1>"), U("<全网引擎2>")});
    Button(search, "左边磁力搜索_搜索", "搜索", QRect(566, 8, 116, 30), colors::kViewSelectedText,
           colors::kNavNormalBack);
    List(search, "超级列表框搜索",
         {Col("", 30), Col("序", 30), Col("片名    [↓双击播放种子↓右键收藏种子]", 515), Col("大小", 95, true),
          Col("链"), Col("ID"), Col("sha1"), Col("size"), Col("多个sha1")},
         QRect(10, 46, 672, 456));
    Button(search, "左边磁力搜索_上一页", "上一页", QRect(10, 512, 80, 30));
    Edit(search, "编辑框_搜索页数", "1", QRect(96, 512, 50, 30));
    Button(search, "左边磁力搜索_下一页1", "下一页", QRect(152, 512, 80, 30));
    Button(search, "左边磁力搜索_番号", "番号库", QRect(486, 512, 95, 30));
    Button(search, "左边磁力搜索_关键词库", "关键词库", QRect(587, 512, 95, 30));
    Button(search, "超级按钮_上一页1", "上一页", QRect(-300, -300, 80, 30));

    QWidget* words = Panel(search, "外形框番号", QRect(559, 30, 123, 470), colors::kWindowBack);
    words->hide();
    List(words, "超级列表框关键词库", {Col("0"), Col("搜索词库", 102)}, QRect(0, 24, 123, 420));
    List(words, "超级列表框词库", {Col("0"), Col("搜索词库", 102)}, QRect(0, 24, 123, 420));
    Button(words, "左边磁力搜索_下一页5", "↓双击搜索↓", QRect(0, 0, 100, 24));
    auto* closeWords = Picture(words, "关闭按钮1", PictureButton::Glyph::Close, QRect(100, 0, 23, 24));
    connect(closeWords, &QAbstractButton::clicked, words, &QWidget::hide);

    QWidget* searching = Panel(search, "外形框加载中", QRect(286, 200, 120, 110), colors::kWindowBack);
    searching->hide();
    Label(searching, "图片框2", "", QRect(44, 12, 32, 32));
    Button(searching, "超级按钮_下一页2", "取消", QRect(20, 70, 80, 28));

    // Shared resource list.
    QWidget* resources = libraryTabs_->widget(3);
    List(resources, "超级列表框资源",
         {Col("0", 30), Col("序列", 36), Col("片名    [↓双击播放种子↓右键收藏种子]", 605), Col("链"), Col("sha1"),
          Col("ID"), Col("多个sha1"), Col("大小")},
         QRect(10, 8, 672, 494));
    Button(resources, "超级按钮_上一页3", "上一页", QRect(10, 512, 80, 30));
    Edit(resources, "编辑框_页数", "1", QRect(96, 512, 50, 30));
    Label(resources, "编辑框2", "/80页", QRect(150, 512, 50, 30));
    Button(resources, "超级按钮_搜索4", "跳到", QRect(204, 512, 70, 30));
    Button(resources, "超级按钮_下一页", "下一页", QRect(280, 512, 80, 30));

    favourites_ = List(libraryTabs_->widget(4), "超级列表框收藏",
                       {Col("0", 0), Col("序列", 50), Col("种子名称    (收藏)[↓双击解析种子↓]", 635),
                        Col("种子磁力链", 0, true)},
                       QRect(0, 8, 692, 540));

    auto* centre = new WebBrowser(libraryTabs_->widget(5));
    centre->setObjectName(U("互联网浏览器个人中心"));
    centre->setGeometry(0, 0, 692, 550);
    return page;
}

QWidget* MainWindow::BuildPlayerView() {
    QWidget* page = viewTabs_->widget(kPlayerPage);

    // The engine draws into a native child of the video area (made after
    // MAIN's first paint).
    videoArea_ = Panel(page, "图片框1", QRect(0, 1, 852, 512), Rgb(0, 0, 0));
    videoArea_->setFocusPolicy(Qt::StrongFocus);
    IdlePicture(videoArea_, "图片框3", QRect(378, 130, 96, 96), true);
    IdlePicture(videoArea_, "图片框4", QRect(326, 330, 200, 30), false);

    QWidget* loading = Panel(page, "外形框加载中播放", QRect(387, 180, 102, 109), colors::kBarBack);
    loading->hide();
    Label(loading, "图片框5", "", QRect(35, 12, 32, 32));
    QLabel* loadingText = Label(loading, "标签2", "加载中...", QRect(0, 48, 102, 20));
    loadingText->setAlignment(Qt::AlignCenter);
    Button(loading, "超级按钮_下一页6", "取消", QRect(16, 76, 70, 26));

    Picture(page, "打开文件按钮", PictureButton::Glyph::OpenFile, QRect(331, 269, 165, 38));
    Picture(page, "打开文件右边下拉按钮", PictureButton::Glyph::DropDown, QRect(496, 269, 38, 38));
    controlBar_ = Panel(page, "外形框_操作", QRect(0, 513, 852, 60), colors::kBarBack);
    // These sit over the native video area (the control bar in full screen),
    // so they get windows of their own stacked above it.
    overVideo_ = {loading, page->findChild<QWidget*>(U("打开文件按钮")), page->findChild<QWidget*>(U("打开文件右边下拉按钮")),
                  controlBar_};
    for (QWidget* over : overVideo_) over->raise();
    auto* shown = new QSlider(Qt::Horizontal, controlBar_);
    shown->setObjectName(U("进度滑块条2"));
    shown->setGeometry(2, 3, 846, 15);
    shown->setRange(0, 0);
    shown->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* seek = new SeekSlider(controlBar_);
    seek->setObjectName(U("进度滑块条1"));
    seek->setGeometry(2, 3, 846, 15);
    seek->setRange(0, 0);

    Label(controlBar_, "标签底部状态", "准备就绪...", QRect(9, 22, 200, 18));
    Label(controlBar_, "标签进度时间", "00:00:00/00:00:00", QRect(8, 41, 200, 16));
    Picture(controlBar_, "图形按钮停止", PictureButton::Glyph::Stop, QRect(250, 24, 28, 28));
    Picture(controlBar_, "下一个按钮1", PictureButton::Glyph::Back, QRect(286, 24, 28, 28));
    Picture(controlBar_, "图形按钮播放", PictureButton::Glyph::Play, QRect(322, 20, 36, 36));
    Picture(controlBar_, "下一个按钮", PictureButton::Glyph::Forward, QRect(366, 24, 28, 28));
    Picture(controlBar_, "音量按钮", PictureButton::Glyph::Volume, QRect(410, 26, 24, 24));
    volumeBar_ = new QSlider(Qt::Horizontal, controlBar_);
    volumeBar_->setObjectName(U("多功能条音量"));
    volumeBar_->setGeometry(436, 31, 80, 14);
    volumeBar_->setRange(0, 100);
    volumeBar_->setValue(50);
    Button(controlBar_, "超级按钮字幕1", "收藏", QRect(530, 26, 44, 24));
    Button(controlBar_, "超级按钮字幕", "字幕调节", QRect(580, 26, 64, 24));
    auto* cache = new QCheckBox(controlBar_);
    cache->setObjectName(U("选择框缓存"));
    cache->setGeometry(652, 29, 18, 18);
    Label(controlBar_, "标签完成率", "开启边看边下载", QRect(670, 28, 100, 20));
    Picture(controlBar_, "图形按钮全屏1", PictureButton::Glyph::Queue, QRect(778, 26, 26, 26));
    Picture(controlBar_, "图形按钮全屏", PictureButton::Glyph::Fullscreen, QRect(812, 26, 26, 26));
    // The player's keys stay with the video area while the bar is used.
    for (QWidget* control : controlBar_->findChildren<QWidget*>()) control->setFocusPolicy(Qt::NoFocus);
    return page;
}

void MainWindow::BuildOtherPages() {
    QWidget* vip = viewTabs_->widget(2);
    List(vip, "超级列表框VIP资源",
         {Col("0", 0), Col("序列", 36), Col("片名    [↓双击解析种子↓右键收藏种子]", 790), Col("链")},
         QRect(0, 0, 852, 530));
    auto* fetch = new QPushButton(U("获取VIP资源"), vip);
    fetch->setObjectName(U("按钮获取VIP资源"));
    fetch->setGeometry(10, 536, 120, 30);

    // The login notice stands over the resource list, where the user pages
    // when it is needed.
    QWidget* notice =
        Panel(libraryTabs_->widget(3), "外形框1", QRect(196, 180, 300, 150), colors::kNavColumnBack);
    notice->hide();
    Label(notice, "透明标签1", "Lumo提示:", QRect(10, 6, 200, 20));
    QLabel* text = Label(notice, "透明标签_提示", "你还没有登录,登录后才允许翻更多内容！", QRect(10, 40, 280, 40));
    text->setWordWrap(true);
    Button(notice, "超级按钮_解析种子2", "确定", QRect(110, 104, 80, 28));
    Picture(notice, "关闭按钮", PictureButton::Glyph::Close, QRect(276, 4, 20, 20));

    QWidget* cachePage = viewTabs_->widget(6);
    auto* cacheMain = new QCheckBox(cachePage);
    cacheMain->setObjectName(U("选择框缓存主"));
    cacheMain->setGeometry(20, 20, 18, 18);
    Label(cachePage, "透明标签2", "开启影片边看边缓存", QRect(42, 18, 200, 22));

    QWidget* films = viewTabs_->widget(7);
    auto* filmTabs = new QTabWidget(films);
    filmTabs->setObjectName(U("高级选择夹1"));
    filmTabs->setGeometry(0, 0, 260, 571);
    ListView* latest = List(nullptr, "超级列表框高清影片",
                            {Col("", 30), Col("序", 30), Col("(最新)[↓单击获取片源↓]", 214), Col("链")}, QRect());
    ListView* found = List(nullptr, "超级列表框搜索电影",
                           {Col("", 30), Col("序", 30), Col("(搜索)[↓单击获取片源↓]", 214), Col("链")}, QRect());
    filmTabs->addTab(latest, U("       最新电影       "));
    filmTabs->addTab(found, U("       搜索电影        "));

    Edit(films, "编辑框高清电影搜索", "搜索你想看的电影", QRect(270, 6, 250, 28));
    Button(films, "超级按钮_搜索6", "搜索", QRect(526, 6, 60, 28));
    Button(films, "超级按钮_刷新获取", "获取/刷新", QRect(592, 6, 80, 28));
    Button(films, "超级按钮_电影下一页", "下一页", QRect(678, 6, 60, 28));
    Edit(films, "编辑框_高清电影页数", "1", QRect(744, 6, 40, 28));
    Button(films, "超级按钮_跳到", "跳到", QRect(790, 6, 56, 28));
    auto* poster = new QLabel(films);
    poster->setObjectName(U("图片框电影图片"));
    poster->setGeometry(270, 44, 150, 210);
    const char* const facts[6][2] = {{"标签片名", "片名："}, {"标签地区", "地区："}, {"标签类型", "类型："},
                                     {"标签导演", "导演："}, {"标签编剧", "编剧："}, {"标签主演", "主演："}};
    for (int i = 0; i < 6; ++i) Label(films, facts[i][0], facts[i][1], QRect(430, 44 + i * 32, 410, 28));
    Edit(films, "编辑框页数", "", QRect(-300, -300, 40, 28));
    Button(films, "超级按钮_搜索2", "字幕下载", QRect(430, 236, 80, 28));
    List(films, "超级列表框高清详细",
         {Col("", 30), Col("0", 0, true), Col("所有片源 [↓双击解析此影片↓]       (√为能播放 ×为不能播放)", 433),
          Col("大小", 68), Col("链"), Col("imdb:"), Col("sha1"), Col("siez"), Col("ID"), Col("hash"),
          Col("多个sha1")},
         QRect(270, 272, 576, 294));
}

void MainWindow::BuildMenus() {
    auto* listMenu = new QMenu(U("菜单"), this);
    listMenu->setObjectName(U("菜单"));
    for (const char* item : {"在线播放", "收藏", "删除", "复制磁力链接", "使用迅雷下载"}) {
        listMenu->addAction(U(item))->setObjectName(U(item));
    }
    // The named downloader does not exist here: the link goes to whatever the
    // desktop opens magnet links with.
    listMenu->actions().back()->setText(U("用系统的下载工具下载"));

    // Every item and submenu of the player menu is found by its first caption.
    auto named = [](QAction* action) {
        action->setObjectName(action->text());
        return action;
    };
    auto* playerMenu = new QMenu(U("播放器"), this);
    playerMenu->setObjectName(U("播放器"));
    QMenu* open = playerMenu->addMenu(U("打开"));
    named(open->menuAction());
    for (const char* item : {"打开文件", "打开种子", "打开链接"}) named(open->addAction(U(item)));
    named(playerMenu->addAction(U("全屏")));
    QMenu* sound = playerMenu->addMenu(U("声音"));
    named(sound->menuAction());
    QMenu* tracks = sound->addMenu(U("音轨"));
    named(tracks->menuAction());
    for (int k = 1; k <= 5; ++k) {
        QAction* track = named(tracks->addAction(U("音轨") + QString::number(k)));
        track->setCheckable(true);
        track->setVisible(false);
    }
    QMenu* channels = sound->addMenu(U("声道"));
    named(channels->menuAction());
    for (const char* item : {"立体声", "左声道", "右声道", "左右混合"}) named(channels->addAction(U(item)))->setCheckable(true);
    named(sound->addAction(U("手动载入音轨")));
    for (const char* item : {"画质增强", "开启3D模式", "开启硬件加速", "手动载入字幕"}) named(playerMenu->addAction(U(item)));
}

void MainWindow::BuildTimers() {
    auto timer = [this](const char* name, int interval) {
        auto* t = new QTimer(this);
        t->setObjectName(U(name));
        t->setInterval(interval);
        return t;
    };
    // No embedded page here raises script-error dialogs, so the sweep that
    // closes them is never started.
    timer("时钟2", 100);
    codecCheckTimer_ = timer("时钟验证解码器", 0);
    connect(codecCheckTimer_, &QTimer::timeout, this, [this] {
        codecCheckTimer_->stop();
        CheckCodecFolders();
    });
}

}  // namespace lumo::app

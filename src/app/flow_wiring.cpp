#include "app/flow_wiring.h"

#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QTemporaryFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTreeWidgetItem>

#include <vector>

#include "account/login_controller.h"
#include "app/login_window.h"
#include "app/magnet_window.h"
#include "app/list_view.h"
#include "app/main_window.h"
#include "app/open_menu_window.h"
#include "app/picture_button.h"
#include "app/play_queue_window.h"
#include "app/player_wiring.h"
#include "app/skinned_button.h"
#include "app/url_input_window.h"
#include "app/web_browser.h"
#include "app/widget_flow_ui.h"
#include "app/win_color.h"
#include "flow/app_state.h"
#include "flow/list_model.h"
#include "flow/prompter.h"
#include "playback/playback_controller.h"
#include "remote/address_list_loader.h"
#include "remote/update_checker.h"
#include "resolve/off_gui_thread.h"
#include "resolve/resolution.h"
#include "net/http_request.h"
#include "resolve/ui_names.h"
#include "sources/source_names.h"
#include "sources/sources.h"
#include "store/data_directory.h"
#include "store/history.h"

namespace lumo::app {

namespace {

constexpr int kUserCentreTop = -224;

QString U(const char* text) { return QString::fromUtf8(text); }

using resolve::PlayFlows;

// Columns of the play queue's list.
constexpr int kQueueTitle = 2;
constexpr int kQueueSize = 3;
constexpr int kQueueSha1 = 4;
constexpr int kQueueHash = 5;

}  // namespace

FlowWiring::FlowWiring(MainWindow& main, flow::AppState& state, remote::ServiceHosts hosts)
    : main_(main), state_(state), hosts_(std::move(hosts)) {
    ui_ = std::make_unique<WidgetFlowUi>(main_);
    ui_->SetNoticeText([this] { return remote::AddressListLoader::AnnouncementText(state_, hosts_); });
    resolution_ = std::make_unique<resolve::Resolution>(state_, *ui_, hosts_);
    sources_ = std::make_unique<sources::Sources>(state_, *ui_, resolution_->Checker(), hosts_);
    updates_ = std::make_unique<remote::UpdateChecker>(state_, *ui_, hosts_);
    addressList_ = std::make_unique<remote::AddressListLoader>(state_, *ui_, hosts_);
    addressList_->SetHooks({
        [this] { updates_->CheckForUpdate(); },
        [this] { sources_->Libraries().LoadCodeLibrary(); },
        [this] { sources_->Libraries().LoadKeywordLibrary(); },
    });

    player_ = std::make_unique<PlayerWiring>(main_, state_, *ui_, hosts_);
    login_ = std::make_unique<account::LoginController>(state_, *ui_, hosts_, store::ConfigIniPath());
    login_->SetLeaveFullscreen([this] { player_->Controller().ToggleFullscreen(); });

    BindLists();
    ConnectLibraryView();
    connect(ui_.get(), &WidgetFlowUi::RowClicked, this, &FlowWiring::OnRowClicked);
    connect(ui_.get(), &WidgetFlowUi::RowDoubleClicked, this, &FlowWiring::OnRowDoubleClicked);
    connect(ui_.get(), &WidgetFlowUi::WindowLoaded, this, [this](flow::WindowCode code, QWidget* window) {
        if (code == flow::WindowCode::MAGNETWIN) ConnectMagnetWindow(window);
        if (code == flow::WindowCode::OPENMENU) ConnectOpenMenu(window);
        if (code == flow::WindowCode::URLINPUT) ConnectUrlInput(window);
        if (code == flow::WindowCode::LOGIN) ConnectLoginWindow(window);
    });
    ConnectOpenControls();
    ConnectPlayQueue();
    ConnectListMenu();
    ConnectLogin();
    ConnectHomePage();
}

// The workers of the flows keep only channels, so the flows may go first;
// the windows' port goes last because every flow holds on to it.
FlowWiring::~FlowWiring() {
    login_.reset();
    player_.reset();
    addressList_.reset();
    updates_.reset();
    sources_.reset();
    resolution_.reset();
    ui_.reset();
}

void FlowWiring::StartAddressList() { addressList_->LoadRemoteAddresses(); }

void FlowWiring::BindLists() {
    // Binding now takes in the rows read at start-up (queue, favourites) and
    // lets clicks reach the flows before any flow has asked for the list.
    for (const char* name :
         {resolve::kSearchList, resolve::kResourceList, resolve::kFilmSourceList, resolve::kFavouriteList,
          resolve::kExtraResourceList, resolve::kPlayQueueList, sources::kFilmSearchList, sources::kNewestFilmList,
          sources::kCodeLibraryList, sources::kKeywordLibraryList}) {
        ui_->List(name);
    }
}

void FlowWiring::ConnectLibraryView() {
    auto onClick = [this](const char* button, auto action) {
        if (auto* widget = main_.Control<QAbstractButton>(button)) connect(widget, &QAbstractButton::clicked, this, action);
    };
    sources::SearchController& search = sources_->Search();
    onClick("左边磁力搜索_搜索", [&search] { search.StartSearch(); });
    onClick("左边磁力搜索_下一页1", [&search] { search.NextSearchPage(); });
    onClick("左边磁力搜索_上一页", [&search] { search.PreviousSearchPage(); });
    onClick("左边磁力搜索_番号", [this] { sources_->Libraries().ShowCodeLibrary(); });
    onClick("左边磁力搜索_关键词库", [this] { sources_->Libraries().ShowKeywordLibrary(); });
    onClick("左边磁力解析", [this] { ui_->ShowWindow(flow::WindowCode::MAGNETWIN); });
    onClick("左边VIP资源", [this] { OpenSharedResources(); });
    onClick("超级按钮_上一页3", [this] { sources_->Resources().PreviousResourcePage(); });
    onClick("超级按钮_下一页", [this] { sources_->Resources().NextResourcePage(); });
    onClick("超级按钮_搜索4", [this] { sources_->Resources().JumpToResourcePage(); });
    onClick("按钮获取VIP资源", [this] { sources_->Resources().LoadExtraResourceList(); });

    searchBox_ = main_.Control<QLineEdit>(sources::kSearchBox);
    if (searchBox_ != nullptr) {
        connect(searchBox_, &QLineEdit::returnPressed, this, [&search] { search.StartSearch(); });
        searchBox_->installEventFilter(this);
    }
    if (auto* films = main_.Control<QLineEdit>(sources::kFilmSearchBox)) {
        connect(films, &QLineEdit::returnPressed, this, [this] { sources_->Films().SearchFilms(); });
    }
}

void FlowWiring::ConnectMagnetWindow(QWidget* window) {
    auto* magnet = qobject_cast<MagnetWindow*>(window);
    if (magnet == nullptr) return;
    connect(magnet->ParseButton(), &QAbstractButton::clicked, this,
            [this] { resolution_->Magnet().ParseMagnetInput(); });
    connect(magnet->Input(), &QLineEdit::returnPressed, this, [this] { resolution_->Magnet().ParseMagnetInput(); });
    connect(magnet->OpenTorrentButton(), &QAbstractButton::clicked, this, [this, magnet] { OpenTorrentFile(magnet); });
}

void FlowWiring::OpenTorrentFile(QWidget* dialogOwner) {
    QPointer<FlowWiring> self(this);
    const QString chosen =
        QFileDialog::getOpenFileName(dialogOwner, U("打开种子"), QString(), U("种子文件（*.torrent）(*.torrent)"));
    // The dialog runs its own event loop, in which Lumo may have ended.
    if (self.isNull()) return;
    resolution_->Magnet().OpenTorrentFile(QFile::encodeName(chosen).toStdString());
}

void FlowWiring::ConnectOpenControls() {
    if (auto* dropDown = main_.Control<QAbstractButton>("打开文件右边下拉按钮")) {
        connect(dropDown, &QAbstractButton::clicked, this, &FlowWiring::ShowOpenMenu);
    }
    if (auto* openAddress = main_.findChild<QAction*>(U("打开链接"))) {
        connect(openAddress, &QAction::triggered, this, [this] { ui_->ShowWindow(flow::WindowCode::URLINPUT); });
    }
    if (auto* openTorrent = main_.findChild<QAction*>(U("打开种子"))) {
        connect(openTorrent, &QAction::triggered, this, [this] { OpenTorrentFile(&main_); });
    }
}

void FlowWiring::ShowOpenMenu() {
    // Right under the open button; the 1 and 35 are where its page sits in MAIN.
    auto place = [this] {
        QWidget* menu = main_.LoadedWindow(flow::WindowCode::OPENMENU);
        auto* open = main_.Control<QWidget>("打开文件按钮");
        if (menu == nullptr || open == nullptr) return;
        menu->move(main_.x() + open->x() + 1, main_.y() + open->y() + open->height() + 35);
    };
    place();
    ui_->ShowWindow(flow::WindowCode::OPENMENU);
    place();
}

void FlowWiring::ConnectOpenMenu(QWidget* window) {
    auto* menu = qobject_cast<OpenMenuWindow*>(window);
    if (menu == nullptr) return;
    // An item chosen closes the menu like any menu, whatever the window
    // manager does about activation.
    connect(menu->OpenTorrentButton(), &QAbstractButton::clicked, this, [this, menu] {
        menu->hide();
        OpenTorrentFile(&main_);
    });
    connect(menu->OpenAddressButton(), &QAbstractButton::clicked, this, [this, menu] {
        menu->hide();
        ui_->ShowWindow(flow::WindowCode::URLINPUT);
    });
}

void FlowWiring::ConnectUrlInput(QWidget* window) {
    auto* input = qobject_cast<UrlInputWindow*>(window);
    if (input == nullptr) return;
    connect(input, &UrlInputWindow::OpenRequested, this,
            [this](const QString& address) { player_->Controller().OpenMedia(address.toStdString()); });
}

void FlowWiring::ConnectPlayQueue() {
    PlayQueueWindow* queue = main_.PlayQueue();
    if (queue == nullptr) return;
    ListView* list = queue->List();
    QMenu* menu = queue->Menu();
    connect(list, &QWidget::customContextMenuRequested, this,
            [list, menu](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
    for (QAction* action : menu->actions()) {
        const QString item = action->text();
        if (item == U("播放")) {
            connect(action, &QAction::triggered, this, [this] { resolution_->Flows().PlayQueueRow(); });
        } else if (item == U("复制磁力链")) {
            connect(action, &QAction::triggered, this, &FlowWiring::CopyQueueHash);
        } else if (item == U("删除")) {
            connect(action, &QAction::triggered, this, &FlowWiring::DeleteQueueRow);
        }
    }
}

void FlowWiring::CopyQueueHash() {
    flow::ListModel* queue = ui_->List(resolve::kPlayQueueList);
    // Without a row there is nothing to copy: the clipboard keeps what the
    // user had there, and no success is claimed.
    if (queue == nullptr || queue->SelectedRow() < 0) {
        main_.Ask().Inform(main_.PlayQueue(), U(resolve::kNothingCopied), U("Lumo提示："));
        return;
    }
    ui_->SetClipboardText(queue->SelectedCell(kQueueHash));
    main_.Ask().Inform(main_.PlayQueue(), U("复制成功"), U("Lumo提示："));
}

void FlowWiring::DeleteQueueRow() {
    flow::ListModel* queue = ui_->List(resolve::kPlayQueueList);
    if (queue == nullptr || queue->SelectedRow() < 0) return;
    const std::string name = queue->SelectedCell(kQueueTitle);
    queue->RemoveRow(queue->SelectedRow());
    // The history file follows the list, so a deleted row stays deleted
    // after the next start.
    std::vector<store::HistoryRow> rows;
    rows.reserve(static_cast<size_t>(queue->RowCount()));
    for (int r = 0; r < queue->RowCount(); ++r) {
        rows.push_back({queue->Cell(r, kQueueTitle), queue->Cell(r, kQueueSize), queue->Cell(r, kQueueSha1),
                        queue->Cell(r, kQueueHash)});
    }
    store::RemoveFromHistory(store::IniFile(store::HistoryIniPath()), name, rows);
}

// ---- the list menu ------------------------------------------------------------

namespace {

// Which of "在线播放", "收藏" and "删除" a list's menu offers; the copy and
// download items are always there.
struct ListMenuItems {
    const char* list;
    bool play;
    bool favourite;
    bool remove;
    int linkColumn;  // the column holding the row's link or info-hash
};

constexpr ListMenuItems kListMenus[] = {
    {resolve::kResourceList, true, true, false, 3},
    {resolve::kSearchList, true, true, false, 4},
    {resolve::kExtraResourceList, false, true, false, 3},
    {resolve::kFilmSourceList, false, true, false, 9},
    {resolve::kFavouriteList, false, false, true, 3},
};

const ListMenuItems* MenuItemsOf(const std::string& list) {
    for (const ListMenuItems& items : kListMenus) {
        if (list == items.list) return &items;
    }
    return nullptr;
}

// A whole magnet link for a cell holding one or a bare info-hash; empty for
// anything else.
QString MagnetLinkOf(const QString& cell) {
    const QString value = cell.trimmed();
    if (value.startsWith(QStringLiteral("magnet:"), Qt::CaseInsensitive)) return value;
    static const QRegularExpression hash(QStringLiteral("^([0-9A-Fa-f]{40}|[A-Za-z2-7]{32})$"));
    if (hash.match(value).hasMatch()) return QStringLiteral("magnet:?xt=urn:btih:") + value;
    return {};
}

}  // namespace

void FlowWiring::ConnectListMenu() {
    for (const ListMenuItems& items : kListMenus) {
        const char* name = items.list;
        if (auto* view = main_.Control<ListView>(name)) {
            connect(view, &QWidget::customContextMenuRequested, this,
                    [this, name](const QPoint& at) { ShowListMenu(name, at); });
        }
    }
    // A right-click on a film shows it, as a left click does.
    for (const char* name : {sources::kNewestFilmList, sources::kFilmSearchList}) {
        auto* view = main_.Control<ListView>(name);
        if (view == nullptr) continue;
        connect(view, &QWidget::customContextMenuRequested, this, [this, view, name](const QPoint& at) {
            QTreeWidgetItem* item = view->itemAt(at);
            if (item == nullptr) return;
            view->setCurrentItem(item);
            sources_->Films().FilmRowClicked(name);
        });
    }

    auto onItem = [this](const char* item, auto action) {
        if (QAction* found = ui_->FindAction(item)) connect(found, &QAction::triggered, this, action);
    };
    onItem("在线播放", [this] { resolution_->Flows().PlayOnline(); });
    onItem("收藏", [this] { player_->Controller().AddFavouriteFromList(); });
    onItem("删除", [this] { DeleteFavouriteRow(); });
    onItem("复制磁力链接", [this] { resolution_->Magnet().CopyMagnetLink(); });
    onItem("使用迅雷下载", [this] { DownloadWithDesktop(); });
}

void FlowWiring::ShowListMenu(const char* list, const QPoint& at) {
    auto* view = main_.Control<ListView>(list);
    auto* menu = main_.findChild<QMenu*>(U("菜单"));
    const ListMenuItems* items = MenuItemsOf(list);
    if (view == nullptr || menu == nullptr || items == nullptr) return;
    // The items act on the row under the cursor.
    if (QTreeWidgetItem* item = view->itemAt(at)) view->setCurrentItem(item);
    menuList_ = list;
    ui_->FindAction("在线播放")->setVisible(items->play);
    ui_->FindAction("收藏")->setVisible(items->favourite);
    ui_->FindAction("删除")->setVisible(items->remove);
    menu->popup(view->viewport()->mapToGlobal(at));
}

void FlowWiring::DeleteFavouriteRow() {
    // Only the list loses the row; config.ini keeps the favourite, which
    // comes back at the next start.
    flow::ListModel* favourites = ui_->List(resolve::kFavouriteList);
    if (favourites == nullptr || favourites->SelectedRow() < 0) return;
    favourites->RemoveRow(favourites->SelectedRow());
}

void FlowWiring::DownloadWithDesktop() {
    const ListMenuItems* items = MenuItemsOf(menuList_);
    flow::ListModel* list = items != nullptr ? ui_->List(items->list) : nullptr;
    const QString link =
        list != nullptr ? MagnetLinkOf(QString::fromStdString(list->SelectedCell(items->linkColumn))) : QString();
    if (link.isEmpty()) {
        ui_->Inform("没有选中可下载的磁力链接", "Lumo提示：");
        return;
    }
    QString handler;
    if (magnetHandlerQuery_) {
        handler = magnetHandlerQuery_();
    } else {
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                 QStringLiteral("x-scheme-handler/magnet")});
        if (query.waitForFinished(3000)) handler = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    }
    // Lumo plays links, it does not download them: handing the link back to
    // itself would only open it again here.
    if (handler.isEmpty() || handler.contains(QStringLiteral("lumo"), Qt::CaseInsensitive)) {
        ui_->Inform("系统里没有打开磁力链接的下载工具", "Lumo提示：");
        return;
    }
    QDesktopServices::openUrl(QUrl(link));
}

// ---- login ----------------------------------------------------------------------

void FlowWiring::ConnectLogin() {
    connect(login_.get(), &account::LoginController::LoginFinished, this, [this](bool succeeded) {
        if (succeeded) ShowUserCentre();
    });
    if (auto* button = main_.Control<QAbstractButton>("超级按钮登录")) {
        connect(button, &QAbstractButton::clicked, this, [this] { login_->MainLoginButtonClicked(); });
    }
    // The login notice of the resource list: its close button offers the
    // login, modal, since paging on needs it.
    if (QWidget* notice = main_.Control<QWidget>(sources::kLoginNotice)) {
        if (auto* close = notice->findChild<QAbstractButton*>(U("关闭按钮"))) {
            connect(close, &QAbstractButton::clicked, this, [this, notice] {
                notice->hide();
                const bool loaded = ui_->IsWindowLoaded(flow::WindowCode::LOGIN);
                if (!loaded) {
                    auto* window = new LoginWindow(nullptr);
                    window->setWindowModality(Qt::ApplicationModal);
                    main_.RegisterWindow(flow::WindowCode::LOGIN, window);
                    ConnectLoginWindow(window);
                }
                ui_->ShowWindow(flow::WindowCode::LOGIN);
            });
        }
    }
}

// The user centre shows the forum's page of the user with the session the
// login opened: its cookies go into the web view, and the page is loaded
// again with them.
void FlowWiring::ShowUserCentre() {
    auto* centre = main_.Control<WebBrowser>("互联网浏览器个人中心");
    if (centre == nullptr) return;
    centre->SetCookies(QUrl(QString::fromStdString(hosts_.ProfileBase())),
                       QString::fromStdString(login_->SessionCookies()));
    centre->Navigate(centre->Address());
}

void FlowWiring::ConnectLoginWindow(QWidget* window) {
    auto* login = qobject_cast<LoginWindow*>(window);
    if (login == nullptr) return;
    account::LoginController* controller = login_.get();
    connect(login->LoginButton(), &QAbstractButton::clicked, controller, &account::LoginController::StartLogin);
    // Enter logs in from the password box only.
    connect(login->Password(), &QLineEdit::returnPressed, controller, [controller] { controller->PasswordKeyDown(13); });
    connect(login->CloseButton(), &QAbstractButton::clicked, controller,
            &account::LoginController::CloseLoginWindow);
    connect(login, &LoginWindow::RegisterClicked, controller, &account::LoginController::OpenRegistrationPage);
    connect(login, &LoginWindow::ForgotClicked, controller, &account::LoginController::OpenForgotPasswordPage);
    controller->PrefillLogin();
}

// ---- home page -------------------------------------------------------------------

void FlowWiring::ConnectHomePage() {
    auto* home = main_.Control<WebBrowser>("互联网浏览器1");
    if (home == nullptr) return;
    connect(home, &WebBrowser::PageLoaded, this, [this](const QString& address) {
        state_.homeBrowserAddress = address.toStdString();
    });
    const std::pair<const char*, const char*> channels[] = {
        {"超级按钮推荐", "TJDZ"}, {"超级按钮电影", "dydz"}, {"超级按钮电视剧", "DSJDZ"}, {"超级按钮其他", "QTDZ"}};
    std::vector<SkinnedButton*> buttons;
    for (const auto& [name, key] : channels) buttons.push_back(main_.Control<SkinnedButton>(name));
    for (size_t i = 0; i < buttons.size(); ++i) {
        SkinnedButton* button = buttons[i];
        if (button == nullptr) continue;
        const std::string key = channels[i].second;
        connect(button, &QAbstractButton::clicked, this, [this, home, button, buttons, key] {
            home->Navigate(QString::fromStdString(state_.RemoteAddress(key)));
            for (SkinnedButton* other : buttons) {
                if (other != nullptr) other->SetTextColor(other == button ? colors::kChannelSelectedText
                                                                          : colors::kChannelOtherText);
            }
        });
    }
    // The home button loads the first channel once, when nothing was loaded.
    if (auto* homeButton = main_.Control<QAbstractButton>("左边首页")) {
        connect(homeButton, &QAbstractButton::clicked, this, [this, buttons] {
            if (state_.homeBrowserAddress.empty() && buttons[0] != nullptr) buttons[0]->click();
        });
    }
    for (const char* name : {"互联网浏览器1", "互联网浏览器个人中心"}) {
        if (auto* browser = main_.Control<WebBrowser>(name)) {
            connect(browser, &WebBrowser::TorrentLinkClicked, this, &FlowWiring::OpenTorrentLink);
        }
    }
    if (auto* centre = main_.Control<WebBrowser>("互联网浏览器个人中心")) {
        // The forum's own header stands above the profile: a loaded page is
        // shown from 224 pixels down, and the control still reaches the
        // bottom of its page so no band is left empty.
        connect(centre, &WebBrowser::PageLoaded, this, [centre] {
            const QRect place = centre->geometry();
            if (place.y() != kUserCentreTop) {
                centre->setGeometry(place.x(), kUserCentreTop, place.width(), place.y() + place.height() - kUserCentreTop);
            }
        });
    }
}

void FlowWiring::OpenTorrentLink(const QUrl& link) {
    if (link.scheme().compare(QStringLiteral("magnet"), Qt::CaseInsensitive) == 0) {
        ui_->ShowWindow(flow::WindowCode::MAGNETWIN);
        ui_->SetText(resolve::kMagnetInputBox, link.toString().toStdString());
        resolution_->Magnet().ParseMagnetInput();
        return;
    }
    // A torrent file is fetched and opened as one chosen from the disk.
    const std::string address = link.toString().toStdString();
    QPointer<FlowWiring> self(this);
    // The raw body: a torrent is binary, which the page text (decoded, cut
    // at the first zero byte) would mangle.
    const std::optional<std::string> bytes = resolve::RunOffGuiThread([address] {
        net::HttpRequestArgs args;
        args.url = address;
        net::HttpResult result = net::HttpRequest(args);
        return result.failure == 0 && result.status.rfind("2", 0) == 0 ? std::move(result.body) : std::string();
    });
    if (self.isNull()) return;
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/lumo-XXXXXX.torrent"));
    if (!bytes || bytes->empty() || !file.open()) {
        // Nothing fetched reads like a file that is no torrent: the user is
        // told the parse failed.
        resolution_->Magnet().OpenTorrentFile(QFile::encodeName(QDir::tempPath() + QStringLiteral("/.")).toStdString());
        return;
    }
    file.write(bytes->data(), static_cast<qint64>(bytes->size()));
    file.flush();
    resolution_->Magnet().OpenTorrentFile(QFile::encodeName(file.fileName()).toStdString());
}

void FlowWiring::OpenSharedResources() {
    ui_->SetCurrentPage(resolve::kLibraryTabs, 3);
    flow::ListModel* list = ui_->List(resolve::kResourceList);
    // A list with a fourth title counts as loaded.
    if (list != nullptr && !list->Cell(3, 2).empty()) return;
    const std::string page = std::to_string(state_.resourcePage);
    sources_->Resources().LoadSharedResourcePage(page);
    ui_->SetText(sources::kResourcePageBox, page);
}

void FlowWiring::OnRowClicked(const std::string& list, int row) {
    (void)row;
    if (list == resolve::kPlayQueueList) {
        resolution_->Flows().PlayQueueRow();
    } else if (list == resolve::kSearchList) {
        ui_->SetVisible(sources::kLibraryPanel, false);
    } else if (list == sources::kFilmSearchList || list == sources::kNewestFilmList) {
        sources_->Films().FilmRowClicked(list);
    }
}

void FlowWiring::OnRowDoubleClicked(const std::string& list, int row) {
    (void)row;
    PlayFlows& flows = resolution_->Flows();
    if (list == resolve::kSearchList) {
        flows.PlayFromList(PlayFlows::TorrentList::Search, 2);
    } else if (list == resolve::kResourceList) {
        flows.PlayFromList(PlayFlows::TorrentList::Resource, 2);
    } else if (list == resolve::kFilmSourceList) {
        flows.PlayFilmSource();
    } else if (list == resolve::kMagnetFileList) {
        flows.PlayFile();
    } else if (list == resolve::kFavouriteList) {
        // An open MAGNETWIN comes back to the middle of MAIN for the favourite.
        if (QWidget* magnet = main_.LoadedWindow(flow::WindowCode::MAGNETWIN)) {
            const QRect frame = main_.geometry();
            magnet->showNormal();
            magnet->move(frame.x() + (frame.width() - magnet->width()) / 2,
                         frame.y() + (frame.height() - magnet->height()) / 2);
        }
        flows.ParseFavourite();
    } else if (list == resolve::kExtraResourceList) {
        flows.OpenExtraResourceRow();
    } else if (list == sources::kCodeLibraryList || list == sources::kKeywordLibraryList) {
        sources_->Libraries().OpenLibraryEntry(list);
    }
}

bool FlowWiring::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchBox_) {
        // The hint is the box's own text: it goes when the user comes in and
        // comes back only into an empty box.
        const QString hint = U(sources::kSearchHint);
        if (event->type() == QEvent::FocusIn && searchBox_->text() == hint) {
            searchBox_->clear();
            QPalette palette = searchBox_->palette();
            palette.setColor(QPalette::Text, WinColor(0));
            searchBox_->setPalette(palette);
        } else if (event->type() == QEvent::FocusOut && searchBox_->text().isEmpty()) {
            searchBox_->setText(hint);
            QPalette palette = searchBox_->palette();
            palette.setColor(QPalette::Text, WinColor(colors::kHintText));
            searchBox_->setPalette(palette);
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace lumo::app

// The library view as a user works it: the list menu on a right-click of
// each list, favourites added and removed from there, the login window with
// its caption and logout, the resource list's pages behind the login, the
// magnet link handed to the desktop's downloader, and closing Lumo while a
// favourite still waits for its file list.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QUrl>

#include "app/list_view.h"
#include "app/login_window.h"
#include "app/main_job_fixture.h"
#include "app/row_clicks.h"
#include "app/picture_button.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "flow/list_model.h"
#include "sim/fault.h"
#include "store/data_directory.h"
#include "store/ini_file.h"

using namespace lumo::app;
using namespace lumo::app::testing;
namespace flow = lumo::flow;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Collects what the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

class LibraryViewTest : public MainJobTest {
protected:
    QMenu* ListMenu() { return main->findChild<QMenu*>(U("菜单")); }
    QAction* Item(const char* name) { return main->Flows()->Ui().FindAction(name); }

    // Chooses an item of the open list menu with the mouse.
    void Choose(const char* name) {
        QMenu* menu = ListMenu();
        ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); })) << "the list menu did not open";
        QAction* action = Item(name);
        ASSERT_NE(action, nullptr) << name;
        ASSERT_TRUE(action->isVisible()) << name;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        EXPECT_TRUE(WaitFor([&] { return !menu->isVisible(); }));
    }

    LoginWindow* Login() { return qobject_cast<LoginWindow*>(main->LoadedWindow(flow::WindowCode::LOGIN)); }

    // Fills the login window the user has open and logs in the way `enter`
    // says: Enter in the password box or the button.
    void LogIn(const char* account, const char* password, bool remember, bool enter) {
        LoginWindow* login = Login();
        ASSERT_NE(login, nullptr);
        ASSERT_TRUE(login->isVisible());
        login->Account()->setText(U(account));
        login->Password()->setText(U(password));
        login->findChild<QCheckBox*>(U("选择框1"))->setChecked(remember);
        if (enter) {
            QTest::keyClick(login->Password(), Qt::Key_Return);
        } else {
            login->LoginButton()->click();
        }
        ASSERT_TRUE(WaitFor([&] { return state.loggedIn == 1; })) << "the login did not succeed";
        EXPECT_TRUE(WaitFor([&] { return main->LoadedWindow(flow::WindowCode::LOGIN) == nullptr; }));
    }

    bool Told(const char* text) const {
        for (const auto& asked : prompter.History()) {
            if (asked.text == U(text)) return true;
        }
        return false;
    }

    // Types a title into the search box and waits for its playable row.
    int SearchFor(const std::string& title) {
        auto* box = main->Control<QLineEdit>("编辑框_搜索");
        box->setText(QString::fromStdString(title));
        QTest::keyClick(box, Qt::Key_Return);
        auto* results = main->Control<ListView>("超级列表框搜索");
        int found = -1;
        WaitFor([&] {
            for (int row = 0; row < results->RowCount(); ++row) {
                if (results->StateValue(row) == 0 && results->Cell(row, 2).toStdString().find(title) != std::string::npos) {
                    found = row;
                    return true;
                }
            }
            return false;
        });
        return found;
    }
};

TEST_F(LibraryViewTest, EachListsMenuOffersItsOwnItems) {
    Start();
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.data()));
    WidgetFlowUi& ui = Ui();
    struct Case {
        const char* list;
        int viewPage;     // of 选择夹1
        int libraryPage;  // of 高级选择夹
        bool play, favourite, remove;
    };
    const Case cases[] = {
        {"超级列表框资源", 0, 3, true, true, false},   {"超级列表框搜索", 0, 1, true, true, false},
        {"超级列表框VIP资源", 2, 0, false, true, false}, {"超级列表框高清详细", 7, 0, false, true, false},
        {"超级列表框收藏", 0, 4, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        flow::ListModel* model = ui.List(c.list);
        ASSERT_NE(model, nullptr);
        if (model->RowCount() == 0) {
            model->AppendRow(std::vector<std::string>(static_cast<size_t>(model->ColumnCount()), "x"));
            model->AppendRow(std::vector<std::string>(static_cast<size_t>(model->ColumnCount()), "y"));
        }
        ui.SetCurrentPage("选择夹1", c.viewPage);
        ui.SetCurrentPage("高级选择夹", c.libraryPage);
        auto* view = main->Control<ListView>(c.list);
        ASSERT_TRUE(view->isVisible());
        RightClickRow(*view, 1);
        ASSERT_TRUE(WaitFor([&] { return ListMenu()->isVisible(); }));
        EXPECT_EQ(model->SelectedRow(), 1) << "the items act on the row under the cursor";
        EXPECT_EQ(Item("在线播放")->isVisible(), c.play);
        EXPECT_EQ(Item("收藏")->isVisible(), c.favourite);
        EXPECT_EQ(Item("删除")->isVisible(), c.remove);
        EXPECT_TRUE(Item("复制磁力链接")->isVisible());
        EXPECT_TRUE(Item("使用迅雷下载")->isVisible());
        EXPECT_EQ(Item("使用迅雷下载")->text(), U("用系统的下载工具下载"));
        ListMenu()->hide();
    }

    // On the favourites: the link is copied whole; "删除" takes the row off
    // the list and leaves config.ini alone.
    ui.SetCurrentPage("选择夹1", 0);
    ui.SetCurrentPage("高级选择夹", 4);
    auto* favourites = main->Control<ListView>("超级列表框收藏");
    const QString second = favourites->Cell(1, 2);
    RightClickRow(*favourites, 0);
    Choose("复制磁力链接");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), U("magnet:?xt=urn:btih:C658B772345BADF59296A16CE4AA930459F253CF"));

    const std::string config = lumo::store::IniFile(lumo::store::ConfigIniPath()).ReadText();
    const int rows = favourites->RowCount();
    RightClickRow(*favourites, 0);
    Choose("删除");
    ASSERT_EQ(favourites->RowCount(), rows - 1);
    EXPECT_EQ(favourites->Cell(0, 2), second);
    EXPECT_EQ(lumo::store::IniFile(lumo::store::ConfigIniPath()).ReadText(), config);

    // With no row selected nothing is copied, and the user is told so.
    QGuiApplication::clipboard()->setText(U("kept"));
    favourites->clearSelection();
    favourites->setCurrentItem(nullptr);
    RightClick(*favourites, QPoint(20, favourites->viewport()->height() - 5));
    Choose("复制磁力链接");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), U("kept"));
    EXPECT_TRUE(Told("没有选中任何一行,没有复制任何内容"));
    EXPECT_FALSE(Told("复制成功"));
}

TEST_F(LibraryViewTest, TheDownloadItemHandsTheLinkToTheDesktopAndNeverToLumo) {
    Start();
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.data()));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("magnet"), &catcher, "Open");
    QString handler = QStringLiteral("downloader.desktop");
    main->Flows()->SetMagnetHandlerQuery([&handler] { return handler; });
    Ui().SetCurrentPage("高级选择夹", 4);
    auto* favourites = main->Control<ListView>("超级列表框收藏");

    RightClickRow(*favourites, 1);  // a favourite stored as a bare hash
    Choose("使用迅雷下载");
    ASSERT_EQ(catcher.opened.size(), 1u);
    EXPECT_EQ(catcher.opened[0].toString(), U("magnet:?xt=urn:btih:70CEB4531C5A72390DECC2C3A9A084C204689B36"));

    handler = QStringLiteral("lumo.desktop");
    RightClickRow(*favourites, 0);
    Choose("使用迅雷下载");
    EXPECT_EQ(catcher.opened.size(), 1u) << "Lumo itself is no downloader";
    EXPECT_TRUE(Told("系统里没有打开磁力链接的下载工具"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("magnet"));
}

TEST_F(LibraryViewTest, AFavouriteNeedsTheLoginThenSurvivesARestart) {
    StartRead();
    const std::string title = ShortFilm().title;
    const int row = SearchFor(title);
    ASSERT_GE(row, 0) << "no playable row for " << title;
    auto* results = main->Control<ListView>("超级列表框搜索");

    RightClickRow(*results, row);
    Choose("收藏");
    EXPECT_TRUE(Told("你尚未登录,不能使用此功能！"));
    EXPECT_EQ(main->LoadedWindow(flow::WindowCode::LOGIN), nullptr) << "no login window from the list";

    // The password holds what a form server would cut or change.
    main->Control<QAbstractButton>("超级按钮登录")->click();
    LogIn("中文", "密码&+%", /*remember=*/true, /*enter=*/true);
    EXPECT_TRUE(Told("登录成功,欢迎您:中文"));
    EXPECT_EQ(main->Control<QAbstractButton>("超级按钮登录")->text(), U("(中文)退出登录"));
    EXPECT_EQ(Ui().CurrentPage("高级选择夹"), 5) << "the user centre shows";
    lumo::store::IniFile config(lumo::store::ConfigIniPath());
    EXPECT_EQ(config.Read("配置", "帐号"), "中文");
    EXPECT_EQ(config.Read("配置", "密码"), "密码&+%");

    main->Control<QAbstractButton>("左边磁力搜索")->click();
    const std::string hash = results->Cell(row, 4).toStdString();
    const QString name = results->Cell(row, 2);
    auto* favourites = main->Control<ListView>("超级列表框收藏");
    const int before = favourites->RowCount();
    RightClickRow(*results, row);
    Choose("收藏");
    EXPECT_TRUE(Told("收藏成功"));
    ASSERT_EQ(favourites->RowCount(), before + 1);
    EXPECT_EQ(favourites->Cell(before, 2), name);
    EXPECT_EQ(favourites->Cell(before, 3), QString::fromStdString("magnet:?xt=urn:btih:" + hash));

    // A second time is a duplicate.
    RightClickRow(*results, row);
    Choose("收藏");
    EXPECT_TRUE(Told("收藏失败，你的收藏里已经有此影片了！"));
    EXPECT_EQ(favourites->RowCount(), before + 1);

    // A new window reads it back from config.ini, and the login window
    // offers the remembered account.
    delete main.data();
    QApplication::processEvents();
    Start();
    main->show();
    auto* again = main->Control<ListView>("超级列表框收藏");
    ASSERT_EQ(again->RowCount(), before + 1);
    EXPECT_EQ(again->Cell(before, 2), name);
    main->Control<QAbstractButton>("超级按钮登录")->click();
    ASSERT_NE(Login(), nullptr);
    EXPECT_EQ(Login()->Account()->text(), U("中文"));
    EXPECT_EQ(Login()->Password()->text(), U("密码&+%"));
    Login()->CloseButton()->click();
    EXPECT_TRUE(WaitFor([&] { return Login() == nullptr; }));
}

TEST_F(LibraryViewTest, LaterPagesOfTheSharedListNeedTheLoginAndLogoutDropsIt) {
    StartRead();
    main->Control<QAbstractButton>("左边VIP资源")->click();
    auto* resources = main->Control<ListView>("超级列表框资源");
    ASSERT_TRUE(WaitFor([&] { return resources->RowCount() > 3; }));
    const QString firstOfPage1 = resources->Cell(0, 2);

    // Logged out, the notice comes up over the list the user is paging.
    main->Control<QAbstractButton>("超级按钮_下一页")->click();
    auto* notice = main->Control<QWidget>("外形框1");
    EXPECT_TRUE(notice->isVisible()) << "the notice must be on screen";
    EXPECT_EQ(Ui().Text("编辑框_页数"), "1");
    notice->findChild<QAbstractButton*>(U("关闭按钮"))->click();
    EXPECT_FALSE(notice->isVisible());
    ASSERT_NE(Login(), nullptr);
    EXPECT_TRUE(Login()->isModal());
    LogIn("lumo", "lumo2016", /*remember=*/false, /*enter=*/false);
    EXPECT_EQ(lumo::store::IniFile(lumo::store::ConfigIniPath()).Read("配置", "帐号"), "")
        << "not remembered unless asked";

    main->Control<QAbstractButton>("左边VIP资源")->click();
    main->Control<QAbstractButton>("超级按钮_下一页")->click();
    EXPECT_EQ(Ui().Text("编辑框_页数"), "2");
    EXPECT_TRUE(WaitFor([&] { return resources->RowCount() > 0 && resources->Cell(0, 2) != firstOfPage1; }))
        << "page 2 never came";
    EXPECT_FALSE(notice->isVisible());

    // A film of page 2 goes into the favourites from the list's menu.
    auto* favourites = main->Control<ListView>("超级列表框收藏");
    const int before = favourites->RowCount();
    const QString name = resources->Cell(1, 2);
    RightClickRow(*resources, 1);
    Choose("收藏");
    EXPECT_TRUE(Told("收藏成功"));
    ASSERT_EQ(favourites->RowCount(), before + 1);
    EXPECT_EQ(favourites->Cell(before, 2), name);

    // The button now offers the logout; a click logs out and offers the login.
    auto* button = main->Control<QAbstractButton>("超级按钮登录");
    EXPECT_EQ(button->text(), U("(lumo)退出登录"));
    button->click();
    EXPECT_EQ(state.loggedIn, 0);
    EXPECT_EQ(state.userLabel, "");
    EXPECT_EQ(button->text(), U("用户登录"));
    ASSERT_NE(Login(), nullptr);
    EXPECT_TRUE(Login()->isVisible());
}

TEST_F(LibraryViewTest, PlayOnlineFromTheMenuOpensTheFilmInThePlayer) {
    StartRead();
    const std::string title = ShortFilm().title;
    const int row = SearchFor(title);
    ASSERT_GE(row, 0) << "no playable row for " << title;
    auto* results = main->Control<ListView>("超级列表框搜索");
    RightClickRow(*results, row);
    Choose("在线播放");
    ASSERT_TRUE(WaitFor([&] { return engine.Calls("OpenA") > 0; })) << engine.Log();
    // The engine is handed a download host's address for the film's file.
    EXPECT_NE(engine.Log().find("http://127.0.0.1:"), std::string::npos) << engine.Log();
    EXPECT_EQ(state.currentTitle, results->Cell(row, 2).toStdString());
}

TEST_F(LibraryViewTest, ClosingLumoWhileAFavouriteWaitsForItsFileListEndsCleanly) {
    StartRead();
    lumo::sim::Fault slow;
    slow.kind = lumo::sim::FaultKind::Delay;
    slow.ms = 3000;
    sim_->SetFault(lumo::sim::Service::FileList, slow);
    main->Control<QAbstractButton>("左边收藏")->click();
    auto* favourites = main->Control<ListView>("超级列表框收藏");
    // The close button is confirmed while the double-click still waits.
    prompter.AnswerNext(true);
    auto* close = main->Control<QAbstractButton>("超级按钮结束");
    QTimer::singleShot(400, close, [close] { close->click(); });
    // MAIN may go only once the double-click's handler has returned: its
    // list view is still running under the wait.
    bool inDoubleClick = true;
    bool destroyedUnderTheClick = false;
    QObject::connect(main.data(), &QObject::destroyed, [&] { destroyedUnderTheClick = inDoubleClick; });
    DoubleClickRow(*favourites, 0);
    inDoubleClick = false;
    EXPECT_FALSE(destroyedUnderTheClick);
    EXPECT_TRUE(WaitFor([&] { return endCodes == std::vector<int>{0}; }));
    EXPECT_TRUE(WaitFor([&] { return main.isNull(); })) << "MAIN was never destroyed";
    sim_->ClearFault(lumo::sim::Service::FileList);
}

TEST_F(LibraryViewTest, ARightClickOnAFilmShowsItsDetails) {
    StartRead();
    Ui().SetCurrentPage("选择夹1", 7);
    auto* box = main->Control<QLineEdit>("编辑框高清电影搜索");
    box->setText(QStringLiteral("Birds"));  // the film site's catalogue has such films
    QTest::keyClick(box, Qt::Key_Return);
    auto* found = main->Control<ListView>("超级列表框搜索电影");
    main->Control<QTabWidget>("高级选择夹1")->setCurrentIndex(1);
    ASSERT_TRUE(WaitFor([&] { return found->RowCount() > 0; })) << "the film search found nothing";
    auto* title = main->Control<QLabel>("标签片名");
    const QString before = title->text();
    RightClickRow(*found, 0);
    EXPECT_TRUE(WaitFor([&] { return title->text() != before; })) << "no details after the right-click";
    EXPECT_FALSE(ListMenu()->isVisible()) << "films have no list menu";
}

TEST_F(LibraryViewTest, TheFilmPageAndTheSecondResourceListHaveNavigationEntries) {
    Start();
    main->show();
    auto* films = main->Control<SkinnedButton>("左边最新电影");
    auto* more = main->Control<SkinnedButton>("左边更多资源");
    ASSERT_NE(films, nullptr);
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(films->isVisible());
    EXPECT_TRUE(more->isVisible());
    films->click();
    EXPECT_TRUE(main->Control<QWidget>("编辑框高清电影搜索")->isVisible());
    EXPECT_EQ(films->BackColor(), lumo::app::Rgb(0, 0, 0)) << "highlighted like the others";
    EXPECT_EQ(main->Control<SkinnedButton>("左边磁力搜索")->BackColor(), lumo::app::Rgb(66, 78, 104));
    main->Control<QAbstractButton>("超级按钮片库")->click();
    more->click();
    EXPECT_TRUE(main->Control<QWidget>("超级列表框VIP资源")->isVisible());
    EXPECT_TRUE(main->Control<QWidget>("按钮获取VIP资源")->isVisible());
}

TEST_F(LibraryViewTest, AFavouriteBringsAnOpenMagnetWindowBackToTheMiddle) {
    Start();
    main->move(100, 80);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.data()));
    main->Control<QAbstractButton>("左边磁力解析")->click();
    QWidget* magnet = main->LoadedWindow(flow::WindowCode::MAGNETWIN);
    ASSERT_NE(magnet, nullptr);
    magnet->move(0, 0);
    main->Control<QAbstractButton>("左边收藏")->click();
    DoubleClickRow(*main->Control<ListView>("超级列表框收藏"), 0);
    EXPECT_TRUE(magnet->isVisible());
    EXPECT_EQ(magnet->pos(), QPoint(main->x() + (main->width() - magnet->width()) / 2,
                                    main->y() + (main->height() - magnet->height()) / 2));
}

TEST_F(LibraryViewTest, TheAnnouncementHasItsTitleAndSize) {
    Start();
    Ui().ShowWindow(flow::WindowCode::NOTICE);
    QWidget* notice = main->LoadedWindow(flow::WindowCode::NOTICE);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->size(), QSize(380, 250));
    auto* title = notice->findChild<QLabel*>(U("透明标签1"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), U("公告："));
    EXPECT_EQ(notice->findChild<QWidget*>(U("编辑框1"))->size(), QSize(372, 216));
}

TEST_F(LibraryViewTest, MessageBoxesOfMainAreDrawnInTheReadableStyle) {
    Start();
    QMessageBox box(QMessageBox::Information, U("Lumo提示："), U("收藏成功"), QMessageBox::Ok, main.data());
    box.show();
    QLabel* text = nullptr;
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text() == U("收藏成功")) text = label;
    }
    ASSERT_NE(text, nullptr);
    text->ensurePolished();
    EXPECT_NE(text->palette().color(QPalette::WindowText), QColor(0xc0, 0xc0, 0xc0))
        << "MAIN's light text would stand on the box's light background";
    EXPECT_EQ(text->palette().color(QPalette::WindowText), QApplication::palette(text).color(QPalette::WindowText));
    box.hide();
}

}  // namespace

#include "library_view_test.moc"

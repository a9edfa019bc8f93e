// The journeys a user makes, each through MAIN and its windows on a private X
// server, with the real engine and the service simulator in-process. Every
// journey first meets a fault on the service it cannot do without and must
// end in the message or state Lumo shows for it, within a bounded wait; then
// it is walked again on healthy services to the film playing in the engine.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/flow_wiring.h"
#include "app/list_view.h"
#include "app/login_window.h"
#include "app/magnet_window.h"
#include "app/main_window.h"
#include "app/play_queue_window.h"
#include "app/scripted_prompter.h"
#include "app/sim_session.h"
#include "app/skinned_button.h"
#include "app/widget_flow_ui.h"
#include "app/row_clicks.h"
#include "app/x_session.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "player/player_engine.h"
#include "remote/address_list_loader.h"
#include "resolve/resolve_endpoints.h"
#include "sim/fault.h"
#include "sim/simulator.h"

using namespace lumo::app;
using namespace lumo::app::testing;
namespace flow = lumo::flow;
namespace sim = lumo::sim;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

constexpr int kWaitMs = 20000;
constexpr int kPlayMs = 30000;

sim::Fault Failing(sim::FaultKind kind, const char* path = "") {
    sim::Fault fault;
    fault.kind = kind;
    fault.status = 503;
    fault.pathPrefix = path;
    return fault;
}

class E2eJourney : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        std::string error;
        if (!StartXSession(server, home, &error)) GTEST_SKIP() << "no X server: " << error;
        simulator = StartSimulatorFor(home.path(), &error);
        ASSERT_NE(simulator, nullptr) << error;
    }

    void TearDown() override {
        Quit();
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
        simulator.reset();
        qunsetenv("LUMO_SERVICES");
    }

    // Starts Lumo the way the desktop does: the real engine beside the
    // program, the address list read from the simulator.
    void Launch() {
        state = std::make_unique<flow::AppState>();
        MainWindowOptions options;
        options.prompter = &prompter;
        options.endProcess = [this](int code) { endCodes.push_back(code); };
        main = new MainWindow(*state, options);
        main->move(40, 40);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        ASSERT_TRUE(state->player.HasLibrary()) << "liblumo-engine.so beside the test program";
    }

    // Launch, then the user closes the announcement that follows the list.
    void LaunchAndCloseNotice() {
        Launch();
        ASSERT_TRUE(QTest::qWaitFor([&] { return main->LoadedWindow(flow::WindowCode::NOTICE) != nullptr; }, kWaitMs))
            << "no announcement: the address list was never read";
        main->LoadedWindow(flow::WindowCode::NOTICE)->findChild<QAbstractButton*>(U("超级按钮结束"))->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return main->LoadedWindow(flow::WindowCode::NOTICE) == nullptr; }, kWaitMs));
    }

    void Quit() {
        if (!main) return;
        state->player.Destroy();
        delete main.data();
        QApplication::processEvents();
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    }

    void Restart() {
        Quit();
        LaunchAndCloseNotice();
    }

    bool Playing(int ms = kPlayMs) {
        return QTest::qWaitFor([&] { return state->player.GetState() == lumo::player::kStatePlaying; }, ms);
    }

    // Whether a message box with exactly `text` came up since `from`.
    bool Told(const QString& text, size_t from = 0) const {
        const auto& history = prompter.History();
        for (size_t i = from; i < history.size(); ++i)
            if (history[i].text == text) return true;
        return false;
    }
    bool WaitTold(const char* text, size_t from = 0) {
        return QTest::qWaitFor([&] { return Told(U(text), from); }, kWaitMs);
    }
    QString AllTold() const {
        QString all;
        for (const auto& asked : prompter.History()) all += asked.text + U(" | ");
        return all;
    }

    QString Label(const char* name) const { return main->Control<QLabel>(name)->text(); }
    ListView* List(const char* name) const { return main->Control<ListView>(name); }

    // The row of `view` whose title column holds `title` and that is checked
    // playable; -1 when none comes within the wait.
    int WaitPlayableRow(ListView& view, int titleColumn, const std::string& title) {
        int found = -1;
        (void)QTest::qWaitFor(
            [&] {
                for (int row = 0; row < view.RowCount(); ++row)
                    if (view.StateValue(row) == 0 &&
                        view.Cell(row, titleColumn).toStdString().find(title) != std::string::npos) {
                        found = row;
                        return true;
                    }
                return false;
            },
            kWaitMs);
        return found;
    }

    void Search(const char* engine, const std::string& keyword) {
        main->Control<QAbstractButton>("左边磁力搜索")->click();
        auto* engines = main->Control<QComboBox>("组合框1");
        engines->setCurrentIndex(engines->findText(U(engine)));
        ASSERT_EQ(engines->currentText(), U(engine));
        auto* box = main->Control<QLineEdit>("编辑框_搜索");
        box->setText(QString::fromStdString(keyword));
        QTest::keyClick(box, Qt::Key_Return);
    }

    MagnetWindow* Magnet() const {
        return qobject_cast<MagnetWindow*>(main->LoadedWindow(flow::WindowCode::MAGNETWIN));
    }
    LoginWindow* Login() const { return qobject_cast<LoginWindow*>(main->LoadedWindow(flow::WindowCode::LOGIN)); }

    void FillLogin(const char* account, const char* password) {
        LoginWindow* login = Login();
        ASSERT_NE(login, nullptr);
        ASSERT_TRUE(login->isVisible());
        login->Account()->setText(U(account));
        login->Password()->setText(U(password));
        login->LoginButton()->click();
    }

    // The list menu's favourite item, chosen with the mouse after a
    // right-click on the row.
    void KeepAsFavourite(ListView& view, int row) {
        QTreeWidgetItem* item = view.topLevelItem(row);
        ASSERT_NE(item, nullptr);
        view.scrollToItem(item);
        const QPoint at = view.visualItemRect(item).center();
        QTest::mousePress(view.viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        QMenu* menu = main->findChild<QMenu*>(U("菜单"));
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, kWaitMs)) << "the list menu did not open";
        QAction* action = main->Flows()->Ui().FindAction("收藏");
        ASSERT_NE(action, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, kWaitMs));
    }

    const sim::CatalogueEntry& ShortFilm() const { return *simulator->catalogue().EntryById(3); }

    XvfbServer server;
    QTemporaryDir home;
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<flow::AppState> state;
    ScriptedPrompter prompter;
    std::vector<int> endCodes;
    QPointer<MainWindow> main;
};

}  // namespace

// Start-up: the address list, then the update check, the keyword libraries
// and the announcement. Without the operators' website Lumo says how to reach
// them and ends.
TEST_F(E2eJourney, StartUpChainAndTheWebsiteDown) {
    simulator->SetFault(sim::Service::Website, Failing(sim::FaultKind::Status, "/dizihuoqu.htm"));
    Launch();
    // Eleven attempts; the pause between them is not what is tested here.
    main->Flows()->AddressList().SetRetryPause(std::chrono::milliseconds(20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !endCodes.empty(); }, kWaitMs)) << "Lumo never gave up; told " << AllTold().toStdString();
    EXPECT_TRUE(AllTold().startsWith(U("连接服务器失败,无法获取Lumo云播的服务地址。"))) << AllTold().toStdString();
    EXPECT_EQ(main->LoadedWindow(flow::WindowCode::NOTICE), nullptr);
    EXPECT_EQ(simulator->Counters(sim::Service::Words).requests, 0u) << "no libraries without the list";
    simulator->ClearFaults();
    Quit();

    // Healthy: release 1.6 is told of 1.7 and the user declines.
    simulator->SetUpdateStatus("1");
    const size_t before = prompter.History().size();
    endCodes.clear();
    prompter.AnswerNext(false);
    LaunchAndCloseNotice();
    EXPECT_TRUE(Told(U("Lumo云播已更新到v1.7，是否打开下载页面进行更新？"), before)) << AllTold().toStdString();
    EXPECT_FALSE(state->RemoteAddress(lumo::resolve::ResolveEndpoints::kFileListKey).empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return List("超级列表框关键词库")->RowCount() > 0; }, kWaitMs))
        << "the keyword library never came";
    EXPECT_TRUE(QTest::qWaitFor([&] { return List("超级列表框词库")->RowCount() > 0; }, kWaitMs))
        << "the code library never came";
    EXPECT_TRUE(endCodes.empty());
}

// A magnet link pasted into MAGNETWIN, its files listed, one played.
TEST_F(E2eJourney, MagnetLinkToPlaying) {
    LaunchAndCloseNotice();
    const sim::CatalogueEntry& film = ShortFilm();
    main->Control<QAbstractButton>("左边磁力解析")->click();
    MagnetWindow* magnet = Magnet();
    ASSERT_NE(magnet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(magnet));
    magnet->Input()->setText(QString::fromStdString("magnet:?xt=urn:btih:" + film.infoHash));

    simulator->SetFault(sim::Service::FileList, Failing(sim::FaultKind::Drop));
    magnet->ParseButton()->click();
    EXPECT_TRUE(WaitTold("未能成功解析！")) << AllTold().toStdString();
    EXPECT_EQ(magnet->List()->RowCount(), 0);
    simulator->ClearFaults();

    magnet->ParseButton()->click();
    const int row = WaitPlayableRow(*magnet->List(), 1, "");
    ASSERT_GE(row, 0) << magnet->List()->RowCount() << " rows, none playable";
    DoubleClickRow(*magnet->List(), row);
    ASSERT_TRUE(Playing()) << "state " << state->player.GetState() << "; told " << AllTold().toStdString();
    EXPECT_EQ(main->Control<QTabWidget>("选择夹1")->currentIndex(), MainWindow::kPlayerPage);
}

// Both search engines find the film and play it; with either search service
// down the status line says the search found nothing.
TEST_F(E2eJourney, SearchOnBothEnginesToPlaying) {
    LaunchAndCloseNotice();
    const std::string title = ShortFilm().title;

    simulator->SetFault(sim::Service::Api, Failing(sim::FaultKind::Status));
    Search("<全网引擎1>", title);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Label("标签_顶部状态") == U("搜索失败或搜不到你想搜索的内容"); }, kWaitMs))
        << Label("标签_顶部状态").toStdString();
    EXPECT_EQ(List("超级列表框搜索")->RowCount(), 0);
    // The torrent site's error page matches nothing.
    simulator->SetFault(sim::Service::Search, Failing(sim::FaultKind::Status));
    Search("<全网引擎2>", title);
    const QString nothing = U("找不到关于 ") + QString::fromStdString(title) + U(" 的内容");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Label("标签_顶部状态") == nothing; }, kWaitMs))
        << Label("标签_顶部状态").toStdString();
    EXPECT_EQ(List("超级列表框搜索")->RowCount(), 0);
    simulator->ClearFaults();

    for (const char* engine : {"<全网引擎1>", "<全网引擎2>"}) {
        SCOPED_TRACE(engine);
        main->Control<QAbstractButton>("超级按钮片库")->click();
        Search(engine, title);
        ListView* results = List("超级列表框搜索");
        const int row = WaitPlayableRow(*results, 2, title);
        ASSERT_GE(row, 0) << "no playable row among " << results->RowCount();
        DoubleClickRow(*results, row);
        ASSERT_TRUE(Playing()) << "state " << state->player.GetState() << "; told " << AllTold().toStdString();
        EXPECT_EQ(state->currentTitle, results->Cell(row, 2).toStdString());
        state->player.Close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return state->player.GetState() != lumo::player::kStatePlaying; }, kWaitMs));
    }
}

// A film found on the film site, its details with the sources, one source
// played. Without the detail page the film shows no title and no source.
TEST_F(E2eJourney, FilmSiteDetailsSourceToPlaying) {
    const sim::Catalogue& catalogue = simulator->catalogue();
    const sim::Film* chosen = nullptr;
    for (const sim::Film& film : catalogue.films()) {
        if (film.entries.empty()) continue;
        const sim::CatalogueEntry& first = catalogue.entries()[static_cast<size_t>(film.entries.front())];
        if (first.kind == sim::EntryKind::Playable && !film.englishTitle.empty()) {
            chosen = &film;
            break;
        }
    }
    ASSERT_NE(chosen, nullptr) << "no film whose best source plays";

    LaunchAndCloseNotice();
    main->Control<QAbstractButton>("左边最新电影")->click();
    auto* box = main->Control<QLineEdit>("编辑框高清电影搜索");
    box->setText(QString::fromStdString(chosen->englishTitle));
    QTest::keyClick(box, Qt::Key_Return);
    ListView* found = List("超级列表框搜索电影");
    int filmRow = -1;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (int row = 0; row < found->RowCount(); ++row)
                if (found->Cell(row, 3).endsWith(QString::fromStdString("/subject/" + std::to_string(chosen->id) + ".html"))) {
                    filmRow = row;
                    return true;
                }
            return false;
        },
        kWaitMs))
        << "the film search did not list film " << chosen->id << " among " << found->RowCount();

    ListView* sources = List("超级列表框高清详细");
    simulator->SetFault(sim::Service::Films, Failing(sim::FaultKind::Drop, "/subject/"));
    const uint64_t asked = simulator->Counters(sim::Service::Films).requests;
    ClickRow(*found, filmRow);
    ASSERT_TRUE(QTest::qWaitFor([&] { return simulator->Counters(sim::Service::Films).requests > asked; }, kWaitMs))
        << "the detail page was never asked for";
    QTest::qWait(500);
    EXPECT_EQ(Label("标签片名"), U("片名: "));
    EXPECT_EQ(sources->RowCount(), 0);
    simulator->ClearFaults();

    ClickRow(*found, filmRow);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Label("标签片名") != U("片名: "); }, kWaitMs)) << "no details";
    EXPECT_EQ(Label("标签片名").toStdString(), "片名: " + chosen->DisplayTitle());
    const int row = WaitPlayableRow(*sources, 2, "");
    ASSERT_GE(row, 0) << sources->RowCount() << " sources, none checked playable";
    DoubleClickRow(*sources, row);
    ASSERT_TRUE(Playing()) << "state " << state->player.GetState() << "; told " << AllTold().toStdString();
    EXPECT_EQ(state->currentTitle, sources->Cell(row, 2).toStdString());
}

// A film kept among the favourites after a login, Lumo restarted, the
// favourite parsed and played. Without the file-list service the favourite
// cannot be parsed.
TEST_F(E2eJourney, FavouriteSurvivesARestartAndPlays) {
    LaunchAndCloseNotice();
    const std::string title = ShortFilm().title;
    main->Control<QAbstractButton>("超级按钮登录")->click();
    FillLogin("lumo", "lumo2016");
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->loggedIn == 1; }, kWaitMs)) << AllTold().toStdString();

    Search("<全网引擎2>", title);
    ListView* results = List("超级列表框搜索");
    const int row = WaitPlayableRow(*results, 2, title);
    ASSERT_GE(row, 0);
    const QString name = results->Cell(row, 2);
    KeepAsFavourite(*results, row);
    ASSERT_TRUE(Told(U("收藏成功"))) << AllTold().toStdString();

    Restart();
    main->Control<QAbstractButton>("左边收藏")->click();
    ListView* favourites = List("超级列表框收藏");
    int kept = -1;
    for (int i = 0; i < favourites->RowCount(); ++i)
        if (favourites->Cell(i, 2) == name) kept = i;
    ASSERT_GE(kept, 0) << "the favourite was lost by the restart";

    const size_t before = prompter.History().size();
    simulator->SetFault(sim::Service::FileList, Failing(sim::FaultKind::Status));
    DoubleClickRow(*favourites, kept);
    EXPECT_TRUE(WaitTold("未能成功解析！", before)) << AllTold().toStdString();
    simulator->ClearFaults();

    DoubleClickRow(*favourites, kept);
    ASSERT_NE(Magnet(), nullptr);
    const int file = WaitPlayableRow(*Magnet()->List(), 1, "");
    ASSERT_GE(file, 0) << Magnet()->List()->RowCount() << " files, none playable";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Magnet()));
    DoubleClickRow(*Magnet()->List(), file);
    ASSERT_TRUE(Playing()) << "state " << state->player.GetState() << "; told " << AllTold().toStdString();
}

// A film played, Lumo restarted, the film played again from the play
// queue. Without the offline service no play address is found and Lumo
// says so.
TEST_F(E2eJourney, HistoryReplaysAfterARestart) {
    LaunchAndCloseNotice();
    const std::string title = ShortFilm().title;
    Search("<全网引擎2>", title);
    ListView* results = List("超级列表框搜索");
    const int row = WaitPlayableRow(*results, 2, title);
    ASSERT_GE(row, 0);
    DoubleClickRow(*results, row);
    ASSERT_TRUE(Playing()) << "state " << state->player.GetState();
    const std::string played = state->currentTitle;

    Restart();
    ListView* queue = main->PlayQueue()->findChild<ListView*>(U("超级列表框1"));
    ASSERT_NE(queue, nullptr);
    int kept = -1;
    for (int i = 0; i < queue->RowCount(); ++i)
        if (queue->Cell(i, 2).toStdString() == played) kept = i;
    ASSERT_GE(kept, 0) << "the played film is not in the queue after a restart";
    main->Control<QAbstractButton>("图形按钮全屏1")->click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(queue->window()));

    const size_t before = prompter.History().size();
    simulator->SetFault(sim::Service::Offline, Failing(sim::FaultKind::Drop));
    ClickRow(*queue, kept);
    // No answer is no "not held" either: the download hosts are tried
    // and none has the file.
    EXPECT_TRUE(WaitTold("获取云播放地址失败,请换一个啦！", before)) << AllTold().toStdString();
    EXPECT_EQ(Label("标签_顶部状态"), U("获取云播地址失败.."));
    EXPECT_NE(state->player.GetState(), lumo::player::kStatePlaying);
    simulator->ClearFaults();

    ClickRow(*queue, kept);
    ASSERT_TRUE(Playing()) << "state " << state->player.GetState() << "; told " << AllTold().toStdString();
    EXPECT_EQ(state->currentTitle, played);
}

// The shared resource list: page 2 needs the login. With the forum down the
// login fails and says so; after it succeeds page 2 comes.
TEST_F(E2eJourney, LoginThenPageTwoOfTheResourceList) {
    LaunchAndCloseNotice();
    main->Control<QAbstractButton>("左边VIP资源")->click();
    ListView* resources = List("超级列表框资源");
    ASSERT_TRUE(QTest::qWaitFor([&] { return resources->RowCount() > 3; }, kWaitMs)) << "page 1 never came";
    const QString firstOfPage1 = resources->Cell(0, 2);

    // Logged out, a notice comes over the list; closing it offers the login.
    main->Control<QAbstractButton>("超级按钮_下一页")->click();
    QWidget* notice = main->Control<QWidget>("外形框1");
    ASSERT_TRUE(notice->isVisible());
    notice->findChild<QAbstractButton*>(U("关闭按钮"))->click();
    ASSERT_NE(Login(), nullptr) << "page 2 asks for the login";

    simulator->SetFault(sim::Service::Forum, Failing(sim::FaultKind::Drop, "/member.php"));
    FillLogin("lumo", "lumo2016");
    EXPECT_TRUE(WaitTold("登录失败,请从新登录！")) << AllTold().toStdString();
    EXPECT_EQ(state->loggedIn, 0);
    ASSERT_NE(Login(), nullptr) << "the login window stays for another try";
    simulator->ClearFaults();

    FillLogin("lumo", "lumo2016");
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->loggedIn == 1; }, kWaitMs)) << AllTold().toStdString();
    EXPECT_TRUE(Told(U("登录成功,欢迎您:lumo")));
    main->Control<QAbstractButton>("左边VIP资源")->click();
    main->Control<QAbstractButton>("超级按钮_下一页")->click();
    EXPECT_EQ(main->Flows()->Ui().Text("编辑框_页数"), "2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return resources->RowCount() > 0 && resources->Cell(0, 2) != firstOfPage1; },
                                kWaitMs))
        << "page 2 never came";
}

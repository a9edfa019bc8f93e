// The main job on a real X server with the real engine: a keyword typed
// into the search page of the window, a double-click on the playable
// result, and the film from the simulated download host on the screen.
#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>


#include "app/list_view.h"
#include "app/main_window.h"
#include "app/scripted_prompter.h"
#include "app/screen_probe.h"
#include "app/sim_session.h"
#include "app/test_application.h"
#include "app/x_session.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "player/player_engine.h"
#include "sim/simulator.h"

using namespace lumo::app;
namespace flow = lumo::flow;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

class MainJobScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        std::string error;
        if (!StartXSession(server, home, &error)) GTEST_SKIP() << "no X server: " << error;

        sim = StartSimulatorFor(home.path(), &error);
        ASSERT_NE(sim, nullptr) << error;
    }

    void TearDown() override {
        if (main) {
            state.player.Destroy();
            delete main.data();
        }
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
        sim.reset();
        qunsetenv("LUMO_SERVICES");
    }

    QImage GrabVideo() { return GrabArea(main->Control("图片框1")); }

    XvfbServer server;
    QTemporaryDir home;
    flow::AppState state;
    ScriptedPrompter prompter;
    std::unique_ptr<lumo::sim::Simulator> sim;
    QPointer<MainWindow> main;
};

}  // namespace

TEST_F(MainJobScreenTest, ASearchedFilmPlaysInTheVideoArea) {
    MainWindowOptions options;
    options.prompter = &prompter;
    options.endProcess = [](int) {};
    main = new MainWindow(state, options);
    main->move(40, 40);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    ASSERT_TRUE(state.player.HasLibrary()) << "liblumo-engine.so beside the test program";

    // The announcement follows the address list; the user closes it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->LoadedWindow(flow::WindowCode::NOTICE) != nullptr; }, 20000));
    main->LoadedWindow(flow::WindowCode::NOTICE)->findChild<QAbstractButton*>(U("超级按钮结束"))->click();

    const std::string title = sim->catalogue().EntryById(3)->title;
    auto* box = main->Control<QLineEdit>("编辑框_搜索");
    box->setText(QString::fromStdString(title));
    main->Control<QAbstractButton>("左边磁力搜索_搜索")->click();

    auto* results = main->Control<ListView>("超级列表框搜索");
    int playable = -1;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (int row = 0; row < results->RowCount(); ++row)
                if (results->StateValue(row) == 0 && results->Cell(row, 2) == QString::fromStdString(title)) {
                    playable = row;
                    return true;
                }
            return false;
        },
        20000))
        << results->RowCount() << " rows";
    QTreeWidgetItem* item = results->topLevelItem(playable);
    results->scrollToItem(item);
    const QPoint centre = results->visualItemRect(item).center();
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, centre);

    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetState() == lumo::player::kStatePlaying; }, 30000))
        << "state " << state.player.GetState();
    EXPECT_EQ(main->Control<QTabWidget>("选择夹1")->currentIndex(), MainWindow::kPlayerPage);
    // Nothing of the idle or loading look stays over the film.
    EXPECT_TRUE(main->Control("外形框加载中播放")->isHidden());
    EXPECT_TRUE(main->Control("打开文件按钮")->isHidden());
    EXPECT_EQ(state.currentTitle, title);
    QImage shot;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            shot = GrabVideo();
            return DistinctColours(shot) > 40;
        },
        15000))
        << "the video area shows " << DistinctColours(shot) << " colours";
    QByteArray dir = qgetenv("LUMO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(dir) + "/main_job.png");
    }
}

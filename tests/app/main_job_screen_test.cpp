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

#include <filesystem>
#include <fstream>
#include <set>

#include "app/list_view.h"
#include "app/main_window.h"
#include "app/scripted_prompter.h"
#include "app/test_application.h"
#include "app/x_session.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "player/player_engine.h"
#include "sim/catalogue.h"
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

        lumo::sim::SimOptions options;
        lumo::sim::Catalogue::Options catalogue;
        catalogue.mediaDir = lumo::sim::Simulator::DefaultMediaDir();
        options.catalogue = lumo::sim::Catalogue::Build(catalogue, &error);
        ASSERT_NE(options.catalogue, nullptr) << error;
        options.servicesFile = std::filesystem::path();
        sim = std::make_unique<lumo::sim::Simulator>(options);
        ASSERT_TRUE(sim->Start(&error)) << error;
        const std::string services = home.filePath(QStringLiteral("services.ini")).toStdString();
        std::ofstream(services) << sim->ServicesFileText();
        qputenv("LUMO_SERVICES", QByteArray::fromStdString(services));
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

    QImage GrabVideo() {
        QWidget* video = main->Control("图片框1");
        QPoint at = video->mapToGlobal(QPoint(0, 0));
        QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), video->width(), video->height());
        return shot.toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The number of distinct colours in a coarse sample: a black or idle
    // video area has a handful, a film frame many.
    static int Colours(const QImage& image) {
        std::set<QRgb> seen;
        for (int y = 0; y < image.height(); y += 8)
            for (int x = 0; x < image.width(); x += 8) seen.insert(image.pixel(x, y) & 0xF0F0F0);
        return static_cast<int>(seen.size());
    }

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
            return Colours(shot) > 40;
        },
        15000))
        << "the video area shows " << Colours(shot) << " colours";
    QByteArray dir = qgetenv("LUMO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(dir) + "/main_job.png");
    }
}

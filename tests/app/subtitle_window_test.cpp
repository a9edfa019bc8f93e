// The subtitle panel on a private X server with the real engine: a user
// opens it from the control bar while the generated film plays, loads the
// subtitle file the simulator's subtitle site serves, and hides, moves and
// shifts what shows in the video.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include "app/sim_session.h"
#include "app/flow_wiring.h"
#include "app/main_on_screen.h"
#include "app/main_window.h"
#include "app/player_wiring.h"
#include "app/scripted_prompter.h"
#include "app/test_application.h"
#include "app/x_session.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "playback/playback_controller.h"
#include "player/player_engine.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"

#include <filesystem>
#include <fstream>

using namespace lumo::app;
namespace flow = lumo::flow;
namespace player = lumo::player;

// Stands in for the default browser.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void Open(const QUrl& url) { opened << url.toString(); }
};

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

class SubtitleWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        std::string error;
        if (!StartXSession(server, home, &error)) GTEST_SKIP() << "no X server: " << error;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "Open");
    }

    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        if (!main) return;
        state.player.Destroy();
        delete main.data();
        state.player = player::PlayerEngine();
        state.isFullscreen = 0;
    }

    // MAIN with the film playing, then paused 0.8 s in, inside the first cue.
    void OpenPaused() {
        main = lumo::app::testing::ShowMainWindow(state, prompter);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        ASSERT_TRUE(state.player.HasLibrary()) << "liblumo-engine.so beside the test program";
        prompter.ChooseNext(LUMO_TEST_TWO_TRACK_CLIP);
        Click("打开文件按钮");
        ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetState() == player::kStatePlaying; }, 20000));
        Click("图形按钮播放");
        ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetState() == player::kStatePaused; }, 5000));
        state.player.SetPosition(800);
        QTest::qWait(1200);
    }

    void Click(const char* name, QWidget* in = nullptr) {
        auto* button = (in ? in : main.data())->findChild<QAbstractButton*>(U(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QWidget* Panel() { return main->LoadedWindow(flow::WindowCode::SUBTITLE); }
    QLineEdit* DelayBox() { return Panel()->findChild<QLineEdit*>(U("编辑框调节字幕同步")); }
    QSlider* PositionSlider() { return Panel()->findChild<QSlider*>(U("滑块条字幕位置")); }

    // LUMO_SCREENSHOT_DIR keeps the whole screen at a step, for a look by eye.
    static void Keep(const char* name) {
        const QByteArray dir = qgetenv("LUMO_SCREENSHOT_DIR");
        if (!dir.isEmpty()) QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(dir) + "/" + name + ".png");
    }

    QImage GrabVideo() {
        QWidget* video = main->Control("图片框1");
        const QPoint at = video->mapToGlobal(QPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, at.x(), at.y(), video->width(), video->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    XvfbServer server;
    QTemporaryDir home;
    flow::AppState state;
    ScriptedPrompter prompter;
    BrowserRecorder browser;
    QPointer<MainWindow> main;
};

// Pixels of the upper or lower half of the video that differ from `plain`,
// left of where the panel sits over the picture's right edge.
int Changed(const QImage& plain, const QImage& now, bool lowerHalf) {
    const int width = plain.width() - 300;
    int count = 0;
    const int from = lowerHalf ? plain.height() / 2 : 0;
    const int to = lowerHalf ? plain.height() : plain.height() / 2;
    for (int y = from; y < to; y += 2) {
        for (int x = 0; x < width; x += 2) {
            const QRgb p = plain.pixel(x, y);
            const QRgb q = now.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 90) {
                ++count;
            }
        }
    }
    return count;
}

constexpr int kText = 150;   // a line of subtitle text changes far more pixels
constexpr int kNoise = 40;   // what scaling and compression leave different

}  // namespace

TEST_F(SubtitleWindowTest, TheSubtitleShowsInTheVideoHidesMovesAndShiftsInTime) {
    OpenPaused();
    if (HasFatalFailure()) return;
    const QImage plain = GrabVideo();

    // The control bar's "字幕调节" opens the panel; "手动载入" offers the
    // subtitle filter and the cue appears in the lower half of the picture.
    Click("超级按钮字幕");
    ASSERT_NE(Panel(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel()));
    prompter.ChooseNext(LUMO_TEST_SUBTITLE);
    Click("超级按钮手动载入字幕", Panel());
    EXPECT_TRUE(prompter.LastFilter().contains(U("*.srt *.sub *.ssa *.ass"))) << prompter.LastFilter().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Changed(plain, GrabVideo(), true) > kText; }, 8000))
        << Changed(plain, GrabVideo(), true);
    EXPECT_LT(Changed(plain, GrabVideo(), false), kNoise);
    Keep("subtitle_shown");

    // "隐藏字幕" takes it away, "显示字幕" brings it back.
    Click("超级按钮隐藏字幕", Panel());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Changed(plain, GrabVideo(), true) < kNoise; }, 5000));
    Click("超级按钮隐藏字幕1", Panel());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Changed(plain, GrabVideo(), true) > kText; }, 5000));

    // The slider towards "顶部" moves it into the upper half.
    PositionSlider()->setValue(15);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage now = GrabVideo();
            return Changed(plain, now, false) > kText && Changed(plain, now, true) < kNoise;
        },
        5000));
    PositionSlider()->setValue(90);

    // Five seconds later, the cue no longer covers 0.8 s; "默认" restores it.
    DelayBox()->setText(QStringLiteral("5"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Changed(plain, GrabVideo(), true) < kNoise; }, 5000));
    Click("超级按钮字幕同步默认", Panel());
    EXPECT_EQ(DelayBox()->text(), QStringLiteral("0"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Changed(plain, GrabVideo(), true) > kText; }, 5000));

    // Hidden again, a subtitle file dropped on the video area loads too.
    Click("超级按钮隐藏字幕", Panel());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Changed(plain, GrabVideo(), true) < kNoise; }, 5000));
    Click("超级按钮隐藏字幕1", Panel());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral(LUMO_TEST_SUBTITLE_ASS))});
    QWidget* video = main->Control("图片框1");
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(video, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(video, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.player.GetConfigA(503) == LUMO_TEST_SUBTITLE_ASS; }, 3000))
        << state.player.GetConfigA(503);
}

TEST_F(SubtitleWindowTest, ThePanelSitsOnTheBarKeepsItsValuesAndRefusesDelaysBeyond600) {
    OpenPaused();
    if (HasFatalFailure()) return;
    Click("超级按钮字幕");
    ASSERT_NE(Panel(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel()));
    QWidget* bar = main->Control("外形框_操作");
    const QRect frame = main->geometry();
    EXPECT_EQ(Panel()->x(), frame.x() + frame.width() - Panel()->width() - 6);
    EXPECT_EQ(Panel()->y(), frame.y() + bar->y() - Panel()->height() + 26);
    EXPECT_EQ(PositionSlider()->value(), 90);

    // Every delay goes to the engine, which reports it back; each step waits
    // for its own value so a late answer cannot pass for the next one.
    auto delay = [&] { return state.player.GetConfigA(509); };
    auto awaits = [&](const char* wanted) {
        return QTest::qWaitFor([&] { return delay() == wanted; }, 3000);
    };
    DelayBox()->setText(QStringLiteral("1.5"));
    EXPECT_TRUE(awaits("1500;1000;1000")) << delay();
    // 601 is refused: the box empties, the status says why, the delay is 0.
    DelayBox()->setText(QStringLiteral("601"));
    EXPECT_EQ(DelayBox()->text(), QString());
    EXPECT_EQ(main->Control<QLabel>("标签底部状态")->text(), U("最大输入为600"));
    EXPECT_TRUE(awaits("0;1000;1000")) << delay();
    // Its integer part is what counts: 600.5 passes.
    DelayBox()->setText(QStringLiteral("600.5"));
    EXPECT_TRUE(awaits("600500;1000;1000")) << delay();
    DelayBox()->setText(QStringLiteral("-601"));
    EXPECT_EQ(DelayBox()->text(), QString());
    EXPECT_TRUE(awaits("0;1000;1000")) << delay();
    // "-0.1" on the empty box, then three "+0.1" without float noise.
    Click("超级按钮字幕调节0", Panel());
    EXPECT_EQ(DelayBox()->text(), QStringLiteral("-0.1"));
    EXPECT_TRUE(awaits("-100;1000;1000")) << delay();
    for (int i = 0; i < 3; ++i) Click("超级按钮字幕调节1", Panel());
    EXPECT_EQ(DelayBox()->text(), QStringLiteral("0.2"));
    EXPECT_TRUE(awaits("200;1000;1000")) << delay();
    // Text that is no number counts as 0; "inf" is no number.
    DelayBox()->setText(QStringLiteral("inf"));
    EXPECT_TRUE(awaits("0;1000;1000")) << delay();
    DelayBox()->setText(QStringLiteral("2.5"));
    EXPECT_TRUE(awaits("2500;1000;1000")) << delay();
    PositionSlider()->setValue(40);

    // A click elsewhere hides it; reopened, it shows what it held.
    main->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Panel()->isVisible(); }, 3000));
    Click("超级按钮字幕");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Panel()->isVisible(); }, 3000));
    EXPECT_EQ(DelayBox()->text(), QStringLiteral("2.5"));
    EXPECT_EQ(PositionSlider()->value(), 40);

    // "搜索字幕" opens the search page with the last film's IMDb text as it is.
    state.subtitleSearchTerm = "tt0123456";
    Click("超级按钮_解析种子1", Panel());
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_TRUE(browser.opened[0].endsWith(U("/search?ad=1&q=tt0123456"))) << browser.opened[0].toStdString();
    Click("超级按钮结束", Panel());
    EXPECT_FALSE(Panel()->isVisible());

    // In full screen it sits 745 pixels left of MAIN's right edge, on the bar.
    Click("图形按钮全屏");
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.isFullscreen != 0; }, 3000));
    QTest::qWait(300);
    Click("超级按钮字幕");
    const QRect full = main->geometry();
    EXPECT_EQ(Panel()->x(), full.x() + full.width() - 745);
    EXPECT_EQ(Panel()->y(), full.y() + bar->y() - Panel()->height());
    // While it is open the full-screen bar stays.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Panel()->isActiveWindow(); }, 3000));
    EXPECT_FALSE(main->Flows()->Player().Controller().AutoHideTimer().isActive());

    // The player menu's "手动载入字幕" loads without the panel.
    QAction* item = nullptr;
    for (QAction* action : main->findChildren<QAction*>(U("手动载入字幕"))) item = action;
    ASSERT_NE(item, nullptr);
    prompter.ChooseNext(LUMO_TEST_SUBTITLE);
    item->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.player.GetConfigA(503) == LUMO_TEST_SUBTITLE; }, 3000))
        << state.player.GetConfigA(503);
}

TEST_F(SubtitleWindowTest, TheSiteIsSearchedFromThePanelAndADoubleClickLoadsTheSubtitle) {
    std::string error;
    const auto simulator = StartSimulatorFor(home.path(), &error);
    ASSERT_NE(simulator, nullptr) << error;
    lumo::sim::Simulator& sim = *simulator;

    MainWindowOptions windowOptions;
    windowOptions.prompter = &prompter;
    windowOptions.endProcess = [](int) {};
    windowOptions.loadRemoteAddresses = false;
    main = new MainWindow(state, windowOptions);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    qunsetenv("LUMO_SERVICES");
    Click("超级按钮字幕");
    ASSERT_NE(Panel(), nullptr);
    const int bottom = Panel()->geometry().bottom();
    auto* list = Panel()->findChild<QTreeWidget*>(U("超级列表框字幕"));
    auto* status = Panel()->findChild<QLabel*>(U("透明标签字幕状态"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(status, nullptr);
    auto search = [&] {
        Click("超级按钮在线字幕", Panel());
        return QTest::qWaitFor([&] { return !status->text().startsWith(U("正在")); }, 20000);
    };

    // The last film's IMDb text finds its subtitles; the panel grows upwards.
    const auto& film = sim.catalogue().films().front();
    state.subtitleSearchTerm = film.imdb;
    ASSERT_TRUE(search());
    EXPECT_EQ(Panel()->geometry().bottom(), bottom);
    EXPECT_TRUE(list->isVisible());
    EXPECT_TRUE(list->parentWidget()->rect().contains(list->geometry())) << "the results are cut off by the frame";
    ASSERT_EQ(list->topLevelItemCount(), 3) << status->text().toStdString();
    EXPECT_TRUE(list->topLevelItem(0)->text(0).endsWith(U(".chs.srt"))) << list->topLevelItem(0)->text(0).toStdString();

    // A double-click downloads into the data directory and loads it.
    QTreeWidgetItem* first = list->topLevelItem(0);
    const QPoint centre = list->visualItemRect(first).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith(U("已载入字幕")); }, 20000))
        << status->text().toStdString();
    const std::filesystem::path saved =
        std::filesystem::path(home.path().toStdString()) / "subtitles" / first->text(0).toStdString();
    EXPECT_TRUE(std::filesystem::exists(saved)) << saved;
    Keep("subtitle_search");
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.player.GetConfigA(503) == saved.string(); }, 3000))
        << state.player.GetConfigA(503);

    // A file that is no subtitle is not loaded.
    lumo::sim::Fault garbage;
    garbage.kind = lumo::sim::FaultKind::Garbage;
    garbage.pathPrefix = "/download/";
    sim.SetFault(lumo::sim::Service::Subtitles, garbage);
    const QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == U("下载的文件不是字幕文件"); }, 20000))
        << status->text().toStdString();
    EXPECT_EQ(state.player.GetConfigA(503), saved.string());

    // No title known and nothing found; then a site that answers 500.
    sim.ClearFaults();
    state.subtitleSearchTerm.clear();
    state.currentTitle = "zzqqxxnothing";
    ASSERT_TRUE(search());
    EXPECT_EQ(status->text(), U("没有找到字幕"));
    EXPECT_EQ(list->topLevelItemCount(), 0);
    lumo::sim::Fault down;
    down.kind = lumo::sim::FaultKind::Status;
    sim.SetFault(lumo::sim::Service::Subtitles, down);
    state.subtitleSearchTerm = film.imdb;
    ASSERT_TRUE(search());
    EXPECT_EQ(status->text(), U("字幕网站无法访问"));
    for (const auto& asked : prompter.History()) ADD_FAILURE() << "bad answers raise no box: " << asked.text.toStdString();
    state.player.Destroy();
    delete main.data();
    state.player = player::PlayerEngine();
}

#include "subtitle_window_test.moc"

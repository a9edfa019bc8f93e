// The player page on a private X server with the real engine: a user opens a
// generated two-track film from the open-file button and drives it with the
// control bar, the keys, the mouse and the menu, the way Lumo is used.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/flow_wiring.h"
#include "app/main_on_screen.h"
#include "app/main_window.h"
#include "app/player_wiring.h"
#include "app/scripted_prompter.h"
#include "app/screen_probe.h"
#include "app/test_application.h"
#include "app/x_session.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "playback/playback_controller.h"
#include "playback/player_options.h"
#include "player/player_engine.h"
#include "store/data_directory.h"
#include "store/ini_file.h"

using namespace lumo::app;
namespace flow = lumo::flow;
namespace player = lumo::player;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

class PlayerPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        std::string error;
        if (!StartXSession(server, home, &error)) GTEST_SKIP() << "no X server: " << error;
    }

    void TearDown() override { Close(); }

    MainWindow& Open() {
        main = lumo::app::testing::ShowMainWindow(state, prompter);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main));
        return *main;
    }

    void Close() {
        if (!main) return;
        state.player.Destroy();
        delete main.data();
        state.player = player::PlayerEngine();
        state.isFullscreen = 0;
    }

    lumo::playback::PlaybackController& Controller() { return main->Flows()->Player().Controller(); }
    QWidget* Video() { return main->Control("图片框1"); }
    QString Text(const char* name) { return main->Control<QLabel>(name)->text(); }
    bool Shown(const char* name) { return !main->Control(name)->isHidden(); }

    bool WaitState(int wanted, int ms = 20000) {
        return QTest::qWaitFor([&] { return state.player.GetState() == wanted; }, ms);
    }

    // LUMO_SCREENSHOT_DIR keeps the whole screen at a step, for a look by eye.
    static void Keep(const char* name) {
        const QByteArray dir = qgetenv("LUMO_SCREENSHOT_DIR");
        if (!dir.isEmpty()) QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(dir) + "/" + name + ".png");
    }

    QImage GrabVideo() { return GrabArea(Video()); }

    XvfbServer server;
    QTemporaryDir home;
    flow::AppState state;
    ScriptedPrompter prompter;
    QPointer<MainWindow> main;
};

}  // namespace

TEST_F(PlayerPageTest, AFilmFromTheOpenButtonIsDrivenByTheBarTheKeysTheMouseAndTheMenu) {
    MainWindow& window = Open();
    ASSERT_TRUE(state.player.HasLibrary()) << "liblumo-engine.so beside the test program";

    // Open file: the dialog offers the media filter and the film plays.
    prompter.ChooseNext(LUMO_TEST_TWO_TRACK_CLIP);
    QTest::mouseClick(main->Control<QAbstractButton>("打开文件按钮"), Qt::LeftButton);
    EXPECT_TRUE(prompter.LastFilter().contains(U("*.mkv"))) << prompter.LastFilter().toStdString();
    ASSERT_TRUE(WaitState(player::kStatePlaying)) << "state " << state.player.GetState();
    EXPECT_EQ(state.lastLocalMediaPath, LUMO_TEST_TWO_TRACK_CLIP);
    EXPECT_FALSE(Shown("外形框加载中播放"));
    EXPECT_FALSE(Shown("打开文件按钮"));
    EXPECT_FALSE(Shown("图片框3"));

    // The progress timer fills the time text and the sliders.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text("标签进度时间").endsWith(U("/0:0:40")); }, 5000))
        << Text("标签进度时间").toStdString();
    EXPECT_EQ(Controller().ProgressTimer().interval(), 1200);
    Keep("player_playing");
    EXPECT_EQ(main->Control<QSlider>("进度滑块条2")->maximum(), state.player.GetDuration());

    // Space pauses: the picture holds still and the status says so.
    QTest::keyClick(Video(), Qt::Key_Space);
    ASSERT_TRUE(WaitState(player::kStatePaused, 5000));
    EXPECT_EQ(Text("标签底部状态"), U("已暂停"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->Control<QAbstractButton>("图形按钮播放")->text() == U("播放"); }, 2000));
    Keep("player_paused");
    // Once the pause's on-screen text has gone, the picture holds still.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Controller().OverlayTimer().isActive(); }, 5000));
    QTest::qWait(300);
    const QImage still = GrabVideo();
    QTest::qWait(600);
    EXPECT_EQ(ChangedPixels(still, GrabVideo()), 0) << "the paused picture moves";

    // The play button resumes; Right seeks 10 s on, Left 10 s back.
    QTest::mouseClick(main->Control<QAbstractButton>("图形按钮播放"), Qt::LeftButton);
    ASSERT_TRUE(WaitState(player::kStatePlaying, 5000));
    const int before = state.player.GetPosition();
    QTest::keyClick(Video(), Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetPosition() >= before + 9000; }, 5000))
        << before << " -> " << state.player.GetPosition();
    const int ahead = state.player.GetPosition();
    QTest::keyClick(Video(), Qt::Key_Left);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetPosition() < ahead - 5000; }, 5000));

    // Up raises the volume by 5; it is shown and written to config.ini.
    QTest::keyClick(Video(), Qt::Key_Up);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->Control<QSlider>("多功能条音量")->value() == 85; }, 2000));
    EXPECT_EQ(Text("标签底部状态"), U("音量:85"));
    EXPECT_EQ(lumo::store::IniFile(lumo::store::ConfigIniPath()).Read("配置", "音量"), "85");

    // A double-click fills the screen with the video; Esc restores the window
    // exactly, even after the window was moved.
    main->move(60, 70);
    QTest::qWait(100);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QTest::mouseDClick(Video(), Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->geometry() == screen; }, 3000)) << "not full screen";
    EXPECT_EQ(state.isFullscreen, 1);
    EXPECT_EQ(Video()->size(), screen.size());
    QWidget* bar = main->Control("外形框_操作");
    EXPECT_EQ(bar->y() + bar->height(), screen.height());
    EXPECT_EQ(main->findChild<QAction*>(U("全屏"))->text(), U("退出全屏"));
    QTest::qWait(500);
    const QImage full = GrabVideo();
    EXPECT_EQ(full.size(), screen.size());
    Keep("player_fullscreen");
    QTest::keyClick(Video(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.isFullscreen == 0; }, 3000));
    const flow::SavedWindowGeometry& saved = state.savedWindowGeometry;
    EXPECT_EQ(main->geometry(), QRect(saved.left, saved.top, saved.width, saved.height));
    EXPECT_EQ(Video()->geometry(), QRect(0, 1, 852, 512));
    EXPECT_EQ(bar->geometry(), QRect(0, 513, 852, 60));

    // The menu lists the film's two audio tracks; picking the second one
    // switches the engine to it.
    auto* track1 = main->findChild<QAction*>(U("音轨1"));
    auto* track2 = main->findChild<QAction*>(U("音轨2"));
    main->Flows()->Player().Options().PrepareMenu(true);
    ASSERT_TRUE(track2->isVisible());
    EXPECT_FALSE(main->findChild<QAction*>(U("音轨3"))->isVisible());
    EXPECT_TRUE(track1->isChecked());
    track2->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetConfigA(403) == "1"; }, 5000));
    EXPECT_TRUE(track2->isChecked());
    EXPECT_FALSE(track1->isChecked());

    // Stop at 20 s: the idle view comes back and the place is kept.
    Controller().SeekTo(20000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetPosition() >= 20000; }, 5000));
    QTest::mouseClick(main->Control<QAbstractButton>("图形按钮停止"), Qt::LeftButton);
    ASSERT_TRUE(WaitState(player::kStateReady, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shown("打开文件按钮") && Shown("图片框3"); }, 2000));
    EXPECT_FALSE(Shown("外形框加载中播放"));

    // Played again, the film offers to continue there, and does.
    prompter.AnswerNext(true);
    prompter.ChooseNext(LUMO_TEST_TWO_TRACK_CLIP);
    QTest::mouseClick(main->Control<QAbstractButton>("打开文件按钮"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetPosition() >= 19000; }, 20000))
        << state.player.GetPosition();
    ASSERT_FALSE(prompter.History().empty());
    EXPECT_TRUE(prompter.History().back().text.startsWith(U("上次播放到 0:0:2"))) << prompter.History().back().text.toStdString();
    QTest::mouseClick(main->Control<QAbstractButton>("图形按钮停止"), Qt::LeftButton);
    ASSERT_TRUE(WaitState(player::kStateReady, 5000));

    // The volume is there again at the next start.
    Close();
    Open();
    EXPECT_EQ(main->Control<QSlider>("多功能条音量")->value(), 85);
    (void)window;
}

TEST_F(PlayerPageTest, WhatCannotBePlayedEndsInTheIdleViewWithAStatusText) {
    Open();
    ASSERT_TRUE(state.player.HasLibrary());
    QFile text(home.filePath("notes.mp4"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("these are notes, not a film\n");
    text.close();

    const std::string cases[] = {
        home.filePath("missing.mp4").toStdString(),  // no such file
        text.fileName().toStdString(),               // not media
        "http://127.0.0.1:9/film.mp4",               // nothing listens
        "garbage://::/%%%",                          // no address at all
    };
    for (const std::string& address : cases) {
        Controller().OpenMedia(address);
        // The open fails by itself, within the engine's own limits.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return state.player.GetState() == player::kStateReady && !Shown("外形框加载中播放"); }, 15000))
            << address;
        EXPECT_TRUE(Shown("打开文件按钮")) << address;
        EXPECT_TRUE(Shown("图片框3")) << address;
        EXPECT_FALSE(Text("标签底部状态").isEmpty()) << address;
        EXPECT_NE(Text("标签底部状态"), U("影片加载中,请稍后...")) << address;
    }
    // Full screen needs an open film.
    QTest::mouseDClick(Video(), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::qWait(200);
    EXPECT_EQ(state.isFullscreen, 0);
}

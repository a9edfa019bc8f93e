// The player page's rules on the real window, with the stand-in engine
// reporting the states a real one reports: failed and cancelled opens, the
// cache share per film, the menu's tracks and toggles, the cache box, the
// missing-decoder question, the play queue and the player bar's favourite.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/flow_wiring.h"
#include "app/list_view.h"
#include "app/main_window.h"
#include "app/play_queue_window.h"
#include "app/player_wiring.h"
#include "app/scripted_prompter.h"
#include "app/test_application.h"
#include "flow/app_state.h"
#include "playback/playback_controller.h"
#include "playback/player_options.h"
#include "player/test_engine_control.h"
#include "store/data_directory.h"
#include "store/favourites.h"
#include "store/ini_file.h"

using namespace lumo::app;
namespace flow = lumo::flow;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

class PlayerControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        ASSERT_TRUE(home.isValid());
        qputenv("LUMO_HOME", home.path().toUtf8());
        engine.Reset();
        MainWindowOptions options;
        options.engineLibraryPath = LUMO_TEST_ENGINE_FULL_PATH;
        options.prompter = &prompter;
        options.endProcess = [](int) {};
        options.loadRemoteAddresses = false;
        main = new MainWindow(state, options);
        main->show();
        // The engine starts after MAIN's first paint.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        ASSERT_TRUE(QTest::qWaitFor([&] { return engine.Calls("Create") == 1; }, 5000));
    }

    void TearDown() override {
        delete main.data();
        QApplication::processEvents();
    }

    // The engine moves to `state` and reports it through its callback.
    void EngineState(int value) {
        engine.SetState(value);
        engine.Fire(2, 0, value);
        // The callback comes from the engine's thread as a queued call.
        QTest::qWait(50);
    }

    lumo::playback::PlaybackController& Controller() { return main->Flows()->Player().Controller(); }
    QString Text(const char* name) { return main->Control<QLabel>(name)->text(); }
    bool Shown(const char* name) { return !main->Control(name)->isHidden(); }
    QAction* Item(const char* name) { return main->findChild<QAction*>(U(name)); }

    QTemporaryDir home;
    TestEngineControl engine{LUMO_TEST_ENGINE_FULL_PATH};
    flow::AppState state;
    ScriptedPrompter prompter;
    QPointer<MainWindow> main;
};

}  // namespace

TEST_F(PlayerControlsTest, AFailedOpenGivesTheIdleViewBackAndCancelEndsAnOpen) {
    EngineState(1);
    EXPECT_TRUE(Shown("外形框加载中播放"));
    EXPECT_FALSE(Shown("打开文件按钮"));
    EXPECT_EQ(Text("标签底部状态"), U("影片加载中,请稍后..."));
    EXPECT_EQ(Text("标签进度时间"), U("00:00:00/00:00:00"));

    // Straight back to ready: the open failed, and the user is told so.
    EngineState(0);
    EXPECT_FALSE(Shown("外形框加载中播放"));
    EXPECT_TRUE(Shown("打开文件按钮"));
    EXPECT_TRUE(Shown("图片框3"));
    EXPECT_EQ(Text("标签底部状态"), U("无法打开此文件或地址,请检查后再试"));

    // "取消" closes an open under way; that end is no failure.
    EngineState(1);
    main->Control<QAbstractButton>("超级按钮_下一页6")->click();
    EXPECT_EQ(engine.Calls("Close"), 1);
    EngineState(0);
    EXPECT_EQ(Text("标签底部状态"), U("已停止"));
    EXPECT_FALSE(Shown("外形框加载中播放"));
}

TEST_F(PlayerControlsTest, TheCacheShareIsCountedAgainstEachFilmsOwnBlocks) {
    main->Control<QCheckBox>("选择框缓存")->setChecked(true);

    engine.SetConfig(2203, "11110000");
    EngineState(1);
    EngineState(4);
    EngineState(5);
    // The progress timer's next tick shows the share.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text("标签完成率") == U("已完成：50%"); }, 3000))
        << Text("标签完成率").toStdString();
    EXPECT_EQ(state.cacheProgressText, "50%");

    // The next film has 40 blocks, 10 of them stored.
    EngineState(6);
    engine.SetConfig(2203, std::string(10, '1') + std::string(30, '0'));
    EngineState(1);
    EngineState(4);
    EngineState(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text("标签完成率") == U("已完成：25%"); }, 3000))
        << Text("标签完成率").toStdString();
    EXPECT_EQ(state.cacheBlockTotal, 40);
}

TEST_F(PlayerControlsTest, TheMenuFollowsTheFilmsTracksAndTheTogglesNameTheirNextStep) {
    lumo::playback::PlayerOptions& options = main->Flows()->Player().Options();
    // Nothing open: the items that need a film are off.
    options.PrepareMenu(false);
    EXPECT_FALSE(Item("声音")->isEnabled());
    EXPECT_FALSE(Item("全屏")->isEnabled());

    engine.SetState(5);
    engine.SetConfig(401, "1");
    engine.SetConfig(402, "国语;粤语;英语;评论");
    engine.SetConfig(403, "2");
    options.PrepareMenu(true);
    EXPECT_TRUE(Item("声音")->isEnabled());
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(Item(("音轨" + std::to_string(k)).c_str())->isVisible()) << k;
    EXPECT_FALSE(Item("音轨5")->isVisible());
    EXPECT_EQ(Item("音轨3")->text(), U("英语"));
    EXPECT_TRUE(Item("音轨3")->isChecked());
    EXPECT_FALSE(Item("音轨1")->isChecked());

    // A film with fewer tracks leaves no item for a track it lacks.
    engine.SetConfig(402, "国语;粤语");
    engine.SetConfig(403, "0");
    options.PrepareMenu(true);
    EXPECT_TRUE(Item("音轨2")->isVisible());
    EXPECT_FALSE(Item("音轨3")->isVisible());
    EXPECT_FALSE(Item("音轨4")->isVisible());
    EXPECT_TRUE(Item("音轨1")->isChecked());

    Item("音轨2")->trigger();
    EXPECT_NE(engine.Log().find("SetConfigA(403,1)"), std::string::npos);
    Item("右声道")->trigger();
    EXPECT_NE(engine.Log().find("SetConfigA(404,2)"), std::string::npos);
    EXPECT_TRUE(Item("右声道")->isChecked());
    EXPECT_FALSE(Item("立体声")->isChecked());

    // Toggles: the caption says what the next click does; 3D mode tells a
    // playing user it needs a replay.
    Item("画质增强")->trigger();
    EXPECT_EQ(Item("画质增强")->text(), U("关闭画质增强"));
    Item("画质增强")->trigger();
    EXPECT_EQ(Item("画质增强")->text(), U("画质增强"));
    EXPECT_NE(engine.Log().find("SetConfigA(305,1)"), std::string::npos);
    EXPECT_NE(engine.Log().find("SetConfigA(305,0)"), std::string::npos);
    Item("开启3D模式")->trigger();
    ASSERT_EQ(prompter.History().size(), 1u);
    EXPECT_EQ(prompter.History().back().text, U("开启成功,重新播放即可生效！"));
    engine.SetState(0);
    Item("开启3D模式")->trigger();
    EXPECT_EQ(prompter.History().size(), 1u) << "no message with nothing open";
    EXPECT_EQ(Item("开启3D模式")->text(), U("开启3D模式"));
}

TEST_F(PlayerControlsTest, BoxQuestionQueueAndFavouriteFromThePlayerBar) {
    // The cache box cannot be turned on while a film plays.
    engine.SetState(5);
    main->Control<QCheckBox>("选择框缓存")->click();
    EXPECT_FALSE(main->Control<QCheckBox>("选择框缓存")->isChecked());
    ASSERT_EQ(prompter.History().size(), 1u);
    EXPECT_EQ(prompter.History()[0].text, U("视频播放中将不能开启缓存,请停止播放后再开启！"));
    EXPECT_EQ(prompter.History()[0].owner, main.data());

    // A missing decoder asks whether to fetch the pack.
    prompter.AnswerNext(false);
    engine.Fire(7, 827611204);
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompter.History().size() == 2; }, 2000));
    EXPECT_EQ(prompter.History()[1].text, U("缺少解码器827611204--是否打开解码器下载工具进行下载？"));

    // The queue button docks PLAYQUEUE inside MAIN's right edge, 123 down.
    main->Control<QAbstractButton>("图形按钮全屏1")->click();
    PlayQueueWindow* queue = main->PlayQueue();
    ASSERT_TRUE(queue->isVisible());
    EXPECT_EQ(queue->x(), main->x() + main->width() - queue->width() - 1);
    EXPECT_EQ(queue->y(), main->y() + 123);
    main->Control<QAbstractButton>("图形按钮全屏1")->click();
    EXPECT_FALSE(queue->isVisible());

    // The player bar's "收藏": only for a logged-in user, once per film.
    main->Control<QAbstractButton>("超级按钮字幕1")->click();
    EXPECT_EQ(prompter.History().back().text, U("您尚未登录,不能使用此功能！"));
    state.loggedIn = 1;
    state.currentTitle = "测试影片";
    state.currentInfoHash = "0123456789ABCDEF0123456789ABCDEF01234567";
    ListView* favourites = main->Control<ListView>("超级列表框收藏");
    const int rows = favourites->RowCount();
    main->Control<QAbstractButton>("超级按钮字幕1")->click();
    EXPECT_EQ(prompter.History().back().text, U("收藏成功"));
    EXPECT_EQ(favourites->RowCount(), rows + 1);
    const auto stored = lumo::store::LoadFavourites(lumo::store::IniFile(lumo::store::ConfigIniPath()));
    EXPECT_EQ(stored.back().name, "测试影片");
    EXPECT_EQ(stored.back().link, "magnet:?xt=urn:btih:0123456789ABCDEF0123456789ABCDEF01234567");
    main->Control<QAbstractButton>("超级按钮字幕1")->click();
    EXPECT_EQ(prompter.History().back().text, U("收藏失败，你的收藏里已经有此影片了！"));
    EXPECT_EQ(favourites->RowCount(), rows + 1);
}

#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/test_application.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/list_view.h"
#include "app/play_queue_window.h"
#include "app/scripted_prompter.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/flow_wiring.h"
#include "app/player_wiring.h"
#include "playback/playback_controller.h"
#include "flow/app_state.h"
#include "player/test_engine_control.h"
#include "text/charset.h"

using namespace lumo::app;
namespace flow = lumo::flow;

namespace {

QApplication& App() { return TestApplication(); }

QString U(const char* text) { return QString::fromUtf8(text); }

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// GBK file text from UTF-8 lines, each ending in CR LF.
std::string GbkLines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return lumo::text::Utf8ToGbk(text);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(home.isValid());
        qputenv("LUMO_HOME", home.path().toUtf8());
        engine.Reset();
    }

    void TearDown() override {
        delete main.data();
        QApplication::processEvents();
    }

    std::filesystem::path HomeFile(const char* name) const {
        return std::filesystem::path(home.path().toStdString()) / name;
    }

    MainWindow& Start(std::string engineLibrary = LUMO_TEST_ENGINE_FULL_PATH) {
        MainWindowOptions options;
        options.engineLibraryPath = std::move(engineLibrary);
        options.prompter = &prompter;
        options.endProcess = [this](int code) { endCodes.push_back(code); };
        // No operators' list here: these tests see the windows alone.
        options.loadRemoteAddresses = false;
        main = new MainWindow(state, options);
        return *main;
    }

    ListView* Favourites() { return main->Control<ListView>("超级列表框收藏"); }

    // MAIN on the screen and the events after its first paint handled: the
    // engine has started by then.
    void OnScreen() {
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        QTest::qWait(50);
    }

    QTemporaryDir home;
    TestEngineControl engine{LUMO_TEST_ENGINE_FULL_PATH};
    flow::AppState state;
    ScriptedPrompter prompter;
    std::vector<int> endCodes;
    QPointer<MainWindow> main;
};

}  // namespace

// ---- start-up -------------------------------------------------------------------

TEST_F(MainWindowTest, FirstStartWritesTheDefaultSettingsAndShowsThem) {
    MainWindow& window = Start();

    const std::string expected = GbkLines({
        "[配置]",
        "音量=80",
        "[收藏]",
        "链-magnet:?xt=urn:btih:C658B772345BADF59296A16CE4AA930459F253CF-链=名-叶问3-名",
        "链-70CEB4531C5A72390DECC2C3A9A084C204689B36-链=名-恶棍天使-名",
        "链-magnet:?xt=urn:btih:C9C2A37448BD376CFDBE1C7DF5A9AC7385C9960A-链=名-卧虎藏龙：青冥宝剑-名",
        "链-magnet:?xt=urn:btih:1B66445126CD6C5F8085C8B39FC315F28208C079-链=名-寻龙诀-名",
        "链-magnet:?xt=urn:btih:7911B8A682C862F2A322296C4B860DA36CB720C9-链=名-万万没想到-名",
        "链-magnet:?xt=urn:btih:2af0bf166752d4ef9be127be2441104d813050c2-链=名-潮流教主-名",
    });
    EXPECT_EQ(expected.size(), 510u);
    EXPECT_EQ(ReadFile(HomeFile("config.ini")), expected);

    EXPECT_EQ(window.Control<QSlider>("多功能条音量")->value(), 80);
    ListView* favourites = Favourites();
    ASSERT_EQ(favourites->RowCount(), 6);
    EXPECT_EQ(favourites->Cell(0, 1), "1");
    EXPECT_EQ(favourites->Cell(0, 2), U("叶问3"));
    EXPECT_EQ(favourites->Cell(0, 3), "magnet:?xt=urn:btih:C658B772345BADF59296A16CE4AA930459F253CF");
    EXPECT_EQ(favourites->Cell(1, 3), "70CEB4531C5A72390DECC2C3A9A084C204689B36");
    EXPECT_EQ(favourites->Cell(2, 2), U("卧虎藏龙：青冥宝剑"));
    EXPECT_EQ(favourites->Cell(5, 1), "6");
    EXPECT_EQ(favourites->Cell(5, 3), "magnet:?xt=urn:btih:2af0bf166752d4ef9be127be2441104d813050c2");
    // No history yet: the play queue starts empty.
    EXPECT_EQ(window.PlayQueue()->List()->RowCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(HomeFile("lumojl.ini")));
}

TEST_F(MainWindowTest, StartUpDrivesTheEngineInItsOrder) {
    MainWindow& window = Start();
    // The window does not wait for the player's libraries, nor make the
    // video's native windows before it is first painted.
    EXPECT_EQ(engine.Log(), "");
    EXPECT_FALSE(window.Control("图片框1")->testAttribute(Qt::WA_NativeWindow));
    OnScreen();
    // Created inside the video area at its size, then configured, then the
    // start volume, then the saved volume from the settings.
    EXPECT_EQ(engine.Log(), "Create(0,0,852,512);GetWindow;SetConfigA(2207,1);SetCustomLogo(-1);SetVolume(50);"
                            "SetVolume(80)");
    QWidget* video = window.Control("图片框1");
    ASSERT_NE(video, nullptr);
    EXPECT_TRUE(video->testAttribute(Qt::WA_NativeWindow));
    EXPECT_EQ(engine.Parent(), static_cast<uintptr_t>(video->winId()));
    EXPECT_EQ(engine.FilledSlots(), (1 << 0) | (1 << 1) | (1 << 4) | (1 << 6));
    EXPECT_EQ(state.player.Handle(), 0x5150);
    EXPECT_EQ(state.playerVideoWindow, 0x77u);
}

TEST_F(MainWindowTest, StartUpEndsOnTheMagnetSearchPageOfTheLibrary) {
    MainWindow& window = Start();
    EXPECT_EQ(window.Control<QTabWidget>("选择夹1")->currentIndex(), 0);
    EXPECT_EQ(window.Control<QTabWidget>("高级选择夹")->currentIndex(), 1);

    auto* library = window.Control<SkinnedButton>("超级按钮片库");
    auto* player = window.Control<SkinnedButton>("超级按钮播放器");
    EXPECT_EQ(library->TextColor(), 0xFFFFFFu);
    EXPECT_EQ(library->BackColor(), Rgb(138, 138, 138));
    EXPECT_EQ(player->TextColor(), 0xC0C0C0u);
    EXPECT_EQ(player->BackColor(), Rgb(83, 83, 83));

    for (const char* name : {"左边首页", "左边磁力搜索", "左边磁力解析", "左边VIP资源", "左边收藏", "超级按钮登录"}) {
        auto* button = window.Control<SkinnedButton>(name);
        ASSERT_NE(button, nullptr) << name;
        bool highlighted = std::string(name) == "左边磁力搜索";
        EXPECT_EQ(button->BackColor(), highlighted ? Rgb(0, 0, 0) : Rgb(66, 78, 104)) << name;
        EXPECT_EQ(button->TextColor(), highlighted ? 0xFFFFFFu : 0xC0C0C0u) << name;
    }

    PlayQueueWindow* queue = window.PlayQueue();
    ASSERT_NE(queue, nullptr);
    EXPECT_FALSE(queue->isVisible());
    EXPECT_EQ(queue->parentWidget(), &window);
    EXPECT_EQ(state.resourcePage, 1);
    EXPECT_EQ(state.savedWindowGeometry.height, 608);
    EXPECT_EQ(state.savedWindowGeometry.width, 854);
    EXPECT_EQ(state.savedWindowGeometry.left, window.x());
    EXPECT_EQ(state.savedWindowGeometry.top, window.y());
    EXPECT_EQ(state.savedWindowGeometry.controlBarTop, 513);

    auto* codecCheck = window.Control<QTimer>("时钟验证解码器");
    ASSERT_NE(codecCheck, nullptr);
    EXPECT_TRUE(codecCheck->isActive());
    EXPECT_EQ(codecCheck->interval(), 3500);
    EXPECT_EQ(window.Control<QLabel>("标签底部状态")->text(), U("准备就绪..."));
}

TEST_F(MainWindowTest, SavedSettingsAndHistoryAreReadAndLeftAsTheyAre) {
    const std::string config = GbkLines({"[配置]", "音量=35", "帐号=someone", "[收藏]",
                                         "链-magnet:?xt=urn:btih:AAAABBBBCCCCDDDDEEEEFFFF0000111122223333-链=名-甲-名",
                                         "链-1111222233334444555566667777888899990000-链=名-乙 二-名"});
    WriteFile(HomeFile("config.ini"), config);
    const std::string history =
        GbkLines({"[播放记录]", "名第一部.mp4名=size1.5Gsize----shaABCDEFsha----hashC0FFEE01hash",
                  "名结尾是名名=size0.2Gsize----sha123456sha----hashC0FFEE02hash"});
    WriteFile(HomeFile("lumojl.ini"), history);

    MainWindow& window = Start();
    OnScreen();
    EXPECT_EQ(window.Control<QSlider>("多功能条音量")->value(), 35);
    EXPECT_NE(engine.Log().find("SetVolume(50);SetVolume(35)"), std::string::npos);
    ASSERT_EQ(Favourites()->RowCount(), 2);
    EXPECT_EQ(Favourites()->Cell(1, 2), U("乙 二"));
    EXPECT_EQ(Favourites()->Cell(1, 3), "1111222233334444555566667777888899990000");

    ListView* queue = window.PlayQueue()->List();
    ASSERT_EQ(queue->RowCount(), 2);
    EXPECT_EQ(queue->Cell(0, 2), U("第一部.mp4"));
    EXPECT_EQ(queue->Cell(0, 3), "1.5G");
    EXPECT_EQ(queue->Cell(0, 4), "ABCDEF");
    EXPECT_EQ(queue->Cell(0, 5), "C0FFEE01");
    EXPECT_EQ(queue->Cell(1, 2), U("结尾是名"));
    EXPECT_EQ(queue->Cell(1, 1), "");

    // Start-up reads; it does not rewrite what is there.
    EXPECT_EQ(ReadFile(HomeFile("config.ini")), config);
    EXPECT_EQ(ReadFile(HomeFile("lumojl.ini")), history);
}

TEST_F(MainWindowTest, ASavedVolumeEqualToTheBarsStartStillReachesTheEngine) {
    WriteFile(HomeFile("config.ini"), GbkLines({"[配置]", "音量=50"}));
    Start();
    OnScreen();
    EXPECT_EQ(engine.Log().substr(engine.Log().rfind("SetCustomLogo")), "SetCustomLogo(-1);SetVolume(50);SetVolume(50)");
}

TEST_F(MainWindowTest, AnUnreadableVolumeGivesZeroAndOutOfRangeValuesStopAtTheBarsEnds) {
    WriteFile(HomeFile("config.ini"), GbkLines({"[配置]", "音量=loud"}));
    Start();
    OnScreen();
    EXPECT_EQ(main->Control<QSlider>("多功能条音量")->value(), 0);
    EXPECT_NE(engine.Log().find("SetVolume(0)"), std::string::npos);
    delete main.data();

    engine.Reset();
    WriteFile(HomeFile("config.ini"), GbkLines({"[配置]", "音量=250"}));
    Start();
    OnScreen();
    EXPECT_EQ(main->Control<QSlider>("多功能条音量")->value(), 100);
    EXPECT_NE(engine.Log().find("SetVolume(100)"), std::string::npos);
}

TEST_F(MainWindowTest, WithoutTheEngineLibraryLumoStillStartsAndWorks) {
    MainWindow& window = Start("/nonexistent/liblumo-engine.so");
    EXPECT_EQ(state.player.Handle(), 0);
    EXPECT_EQ(state.playerVideoWindow, 0u);
    EXPECT_EQ(window.Control<QSlider>("多功能条音量")->value(), 80);
    EXPECT_EQ(Favourites()->RowCount(), 6);
    EXPECT_EQ(engine.Log(), "");
    // The player controls are there and inert.
    window.Control<SkinnedButton>("超级按钮播放器")->click();
    window.Control<QSlider>("多功能条音量")->setValue(20);
    EXPECT_EQ(state.player.GetState(), 0);
}

// ---- the window and its controls --------------------------------------------------

TEST_F(MainWindowTest, EveryControlIsFoundByItsName) {
    MainWindow& window = Start();
    EXPECT_EQ(window.size(), QSize(854, 608));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.windowTitle(), U("Lumo云播"));

    const char* const names[] = {
        "外形框3", "图片框logo", "超级按钮播放器", "超级按钮片库", "标签_顶部状态", "超级按钮论坛", "超级按钮最小化",
        "超级按钮结束", "选择夹1", "外形框2", "高级选择夹", "互联网浏览器1", "超级按钮推荐", "超级按钮电影",
        "超级按钮电视剧", "超级按钮其他", "编辑框_搜索", "组合框1", "左边磁力搜索_搜索", "超级列表框搜索",
        "左边磁力搜索_上一页", "左边磁力搜索_下一页1", "编辑框_搜索页数", "左边磁力搜索_番号", "左边磁力搜索_关键词库",
        "外形框番号", "超级列表框关键词库", "超级列表框词库", "左边磁力搜索_下一页5", "关闭按钮1", "外形框加载中",
        "超级列表框资源", "超级按钮_上一页3", "超级按钮_下一页", "超级按钮_搜索4", "编辑框_页数", "编辑框2",
        "超级列表框收藏", "互联网浏览器个人中心", "图片框1", "图片框3", "图片框4", "外形框加载中播放", "打开文件按钮",
        "打开文件右边下拉按钮", "外形框_操作", "进度滑块条1", "进度滑块条2", "标签底部状态", "标签进度时间",
        "图形按钮停止", "下一个按钮1", "图形按钮播放", "下一个按钮", "音量按钮", "多功能条音量", "超级按钮字幕1",
        "选择框缓存", "标签完成率", "超级按钮字幕", "图形按钮全屏1", "图形按钮全屏", "超级列表框VIP资源",
        "按钮获取VIP资源", "外形框1", "超级按钮_上一页1", "透明标签2", "选择框缓存主", "高级选择夹1",
        "超级列表框高清影片", "超级列表框搜索电影", "编辑框高清电影搜索", "超级列表框高清详细", "图片框电影图片",
        "标签片名", "标签主演", "超级按钮_搜索2",
    };
    for (const char* name : names) EXPECT_NE(window.Control(name), nullptr) << name;
    for (const char* name : {"时钟2", "时钟验证解码器"}) EXPECT_NE(window.Control<QTimer>(name), nullptr) << name;
    // The player's timers belong to its controller.
    lumo::playback::PlaybackController& player = window.Flows()->Player().Controller();
    EXPECT_EQ(player.ProgressTimer().objectName(), U("时钟1"));
    EXPECT_EQ(player.ProgressTimer().interval(), 1000);
    EXPECT_TRUE(player.ProgressTimer().isActive());
    EXPECT_FALSE(player.AutoHideTimer().isActive());

    // Places the player code computes with.
    EXPECT_EQ(window.Control("选择夹1")->geometry(), QRect(1, 35, 852, 571));
    EXPECT_EQ(window.Control("图片框1")->geometry(), QRect(0, 1, 852, 512));
    EXPECT_EQ(window.Control("外形框_操作")->geometry(), QRect(0, 513, 852, 60));
    EXPECT_EQ(window.Control("外形框加载中播放")->geometry(), QRect(387, 180, 102, 109));
    EXPECT_EQ(window.Control("打开文件按钮")->geometry(), QRect(331, 269, 165, 38));
    EXPECT_EQ(window.Control("标签进度时间")->property("text").toString(), "00:00:00/00:00:00");
    EXPECT_EQ(window.Control<QTabWidget>("选择夹1")->tabText(5), U("播放器"));
    EXPECT_EQ(window.Control<QTabWidget>("高级选择夹")->count(), 6);
    EXPECT_EQ(window.Control<QLabel>("标签完成率")->text(), U("开启边看边下载"));
}

TEST_F(MainWindowTest, NamesSharedWithThePlayQueueFindEachWindowsOwnControl) {
    MainWindow& window = Start();
    QWidget* mainFrame = window.Control("外形框1");
    ASSERT_NE(mainFrame, nullptr);
    EXPECT_EQ(mainFrame->window(), &window);
    QWidget* mainCancel = window.Control("超级按钮_下一页2");
    ASSERT_NE(mainCancel, nullptr);
    EXPECT_EQ(mainCancel->window(), &window);
    EXPECT_EQ(window.Control("超级列表框1"), nullptr);
}

TEST_F(MainWindowTest, ListsHaveTheirColumnsAndHiddenColumnsKeepData) {
    MainWindow& window = Start();
    ListView* favourites = Favourites();
    ASSERT_EQ(favourites->columnCount(), 4);
    EXPECT_EQ(favourites->headerItem()->text(2), U("种子名称    (收藏)[↓双击解析种子↓]"));
    EXPECT_TRUE(favourites->isColumnHidden(0));
    EXPECT_EQ(favourites->columnWidth(1), 50);
    EXPECT_EQ(favourites->columnWidth(2), 635);
    EXPECT_TRUE(favourites->isColumnHidden(3));
    EXPECT_EQ(favourites->RowHeight(), 25);

    auto* search = window.Control<ListView>("超级列表框搜索");
    ASSERT_EQ(search->columnCount(), 9);
    EXPECT_EQ(search->columnWidth(3), 95);
    EXPECT_EQ(search->headerItem()->textAlignment(3) & Qt::AlignRight, Qt::AlignRight);
    EXPECT_TRUE(search->isColumnHidden(6));
    EXPECT_EQ(search->RowHeight(), 30);
    EXPECT_EQ(window.Control<ListView>("超级列表框高清详细")->columnCount(), 11);
    EXPECT_EQ(window.Control<ListView>("超级列表框VIP资源")->RowHeight(), 25);

    ListView* queue = window.PlayQueue()->List();
    ASSERT_EQ(queue->objectName(), U("超级列表框1"));
    ASSERT_EQ(queue->columnCount(), 7);
    EXPECT_EQ(queue->headerItem()->text(6), U("上次播放的位置"));
    EXPECT_EQ(queue->columnWidth(1), 23);
    EXPECT_EQ(queue->columnWidth(2), 224);
    for (int hidden : {0, 3, 4, 5, 6}) EXPECT_TRUE(queue->isColumnHidden(hidden)) << hidden;
    EXPECT_EQ(queue->RowHeight(), 33);
    EXPECT_NEAR(window.PlayQueue()->windowOpacity(), 214.0 / 255.0, 0.01);
    EXPECT_EQ(window.PlayQueue()->size(), QSize(266, 422));
}

TEST_F(MainWindowTest, TheViewButtonsSwitchPagesAndTheLibraryHidesTheQueue) {
    MainWindow& window = Start();
    window.show();
    window.PlayQueue()->show();
    window.Control<SkinnedButton>("超级按钮播放器")->click();
    EXPECT_EQ(window.Control<QTabWidget>("选择夹1")->currentIndex(), 5);
    EXPECT_EQ(window.Control<SkinnedButton>("超级按钮播放器")->BackColor(), Rgb(138, 138, 138));
    EXPECT_EQ(window.Control<SkinnedButton>("超级按钮片库")->BackColor(), Rgb(83, 83, 83));
    EXPECT_TRUE(window.PlayQueue()->isVisible());

    window.Control<SkinnedButton>("超级按钮片库")->click();
    EXPECT_EQ(window.Control<QTabWidget>("选择夹1")->currentIndex(), 0);
    EXPECT_FALSE(window.PlayQueue()->isVisible());

    window.Control<SkinnedButton>("左边收藏")->click();
    EXPECT_EQ(window.Control<QTabWidget>("高级选择夹")->currentIndex(), 4);
    EXPECT_EQ(window.Control<SkinnedButton>("左边收藏")->BackColor(), Rgb(0, 0, 0));
    EXPECT_EQ(window.Control<SkinnedButton>("左边磁力搜索")->BackColor(), Rgb(66, 78, 104));
}

// ---- engine state on the status label --------------------------------------------

TEST_F(MainWindowTest, TheStatusLabelFollowsTheEngineFromItsOwnThread) {
    MainWindow& window = Start();
    OnScreen();
    auto* status = window.Control<QLabel>("标签底部状态");
    auto* views = window.Control<QTabWidget>("选择夹1");

    engine.Fire(2, 0, 1);
    EXPECT_EQ(status->text(), U("准备就绪..."));  // not before the GUI thread runs
    QApplication::processEvents();
    EXPECT_EQ(status->text(), U("影片加载中,请稍后..."));
    EXPECT_EQ(views->currentIndex(), 5);

    engine.Fire(5, 37);
    QApplication::processEvents();
    EXPECT_EQ(status->text(), U("缓冲 37 %"));
    engine.Fire(5, 100);
    QApplication::processEvents();
    EXPECT_EQ(status->text(), "");

    status->setText("x");
    engine.Fire(2, 1, 4);
    QApplication::processEvents();
    EXPECT_EQ(status->text(), "");
    status->setText("x");
    engine.Fire(2, 4, 5);
    QApplication::processEvents();
    EXPECT_EQ(status->text(), "");
    engine.Fire(2, 5, 3);
    QApplication::processEvents();
    EXPECT_EQ(status->text(), "");
    engine.Fire(2, 3, 6);
    QApplication::processEvents();
    EXPECT_EQ(status->text(), U("已停止"));
    engine.Fire(2, 6, 0);
    QApplication::processEvents();
    EXPECT_EQ(status->text(), U("准备就绪"));
}

TEST_F(MainWindowTest, TheEngineMayCallAfterTheWindowIsGone) {
    Start();
    engine.Fire(2, 0, 1);  // posted, not yet delivered
    delete main.data();
    QApplication::processEvents();
    engine.Fire(2, 1, 6);
    engine.Fire(5, 50);
    engine.Fire(7, 3);
    engine.Fire(1, 513, 1);
    QApplication::processEvents();
    SUCCEED();
}

// ---- docking and dragging ------------------------------------------------------------

TEST_F(MainWindowTest, TheQueueStaysDockedWhileVisibleAndStaysPutWhileHidden) {
    MainWindow& window = Start();
    window.show();
    PlayQueueWindow* queue = window.PlayQueue();
    queue->move(5, 5);
    queue->show();
    window.move(100, 50);
    QApplication::processEvents();
    EXPECT_EQ(window.pos(), QPoint(100, 50));
    EXPECT_EQ(queue->pos(), QPoint(100 + 854 - 266 - 1, 50 + 123));

    queue->hide();
    window.move(200, 80);
    QApplication::processEvents();
    EXPECT_EQ(queue->pos(), QPoint(100 + 854 - 266 - 1, 50 + 123));
}

TEST_F(MainWindowTest, TheTitleStripDragsTheWindowAndTheQueueFollows) {
    MainWindow& window = Start();
    window.move(100, 50);
    window.show();
    QApplication::processEvents();
    window.PlayQueue()->show();
    QWidget* strip = window.Control("外形框3");
    auto send = [strip](QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, local, strip->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(strip, &event);
    };
    const QPoint grab(300, 15);  // in the title strip, clear of its buttons
    const QPoint globalGrab = strip->mapToGlobal(grab);
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, grab + QPoint(40, 30), globalGrab + QPoint(40, 30), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    send(QEvent::MouseButtonRelease, grab + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
    EXPECT_EQ(window.pos(), QPoint(140, 80));
    EXPECT_EQ(window.PlayQueue()->pos(), QPoint(140 + 854 - 266 - 1, 80 + 123));

    // A move without the button held is no drag.
    QMouseEvent hover(QEvent::MouseMove, grab, globalGrab + QPoint(300, 300), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(strip, &hover);
    QApplication::processEvents();
    EXPECT_EQ(window.pos(), QPoint(140, 80));
}

// ---- exit --------------------------------------------------------------------------------

namespace {

// Loads stand-ins for the windows other parts of Lumo create and records
// the order in which all windows are destroyed.
struct DestructionLog {
    std::vector<std::string> order;
    int closeCallsAtFirstDestruction = -1;

    void Watch(QWidget* window, const std::string& code, TestEngineControl& engine) {
        QObject::connect(window, &QObject::destroyed, [this, code, &engine] {
            if (order.empty()) closeCallsAtFirstDestruction = engine.Calls("Close");
            order.push_back(code);
        });
    }
};

}  // namespace

TEST_F(MainWindowTest, AnsweringNoToEitherExitQuestionChangesNothing) {
    MainWindow& window = Start();
    window.show();
    window.PlayQueue()->show();
    const std::string config = ReadFile(HomeFile("config.ini"));

    prompter.AnswerNext(false);
    window.close();
    QApplication::processEvents();
    prompter.AnswerNext(false);
    window.Control<SkinnedButton>("超级按钮结束")->click();
    QApplication::processEvents();

    ASSERT_EQ(prompter.History().size(), 2u);
    for (const auto& asked : prompter.History()) {
        EXPECT_TRUE(asked.question);
        EXPECT_EQ(asked.text, U("播放器运行中,是否退出？"));
        EXPECT_EQ(asked.title, U("Lumo提示："));
    }
    EXPECT_EQ(prompter.History()[0].owner, nullptr);   // the system close asks without owner
    EXPECT_EQ(prompter.History()[1].owner, &window);  // the close button asks from MAIN
    ASSERT_FALSE(main.isNull());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.PlayQueue()->isVisible());
    EXPECT_TRUE(endCodes.empty());
    EXPECT_EQ(engine.Calls("Close"), 0);
    EXPECT_EQ(ReadFile(HomeFile("config.ini")), config);
}

TEST_F(MainWindowTest, YesToTheSystemCloseEndsAtOnceWithoutClosingTheEngine) {
    MainWindow& window = Start();
    window.show();
    prompter.AnswerNext(true);
    EXPECT_TRUE(window.close());
    QApplication::processEvents();
    EXPECT_EQ(endCodes, std::vector<int>{0});
    EXPECT_EQ(engine.Calls("Close"), 0);
    EXPECT_EQ(prompter.History().size(), 1u);
}

TEST_F(MainWindowTest, YesToTheCloseButtonClosesTheEngineThenDestroysTheWindowsInOrder) {
    MainWindow& window = Start();
    window.show();
    DestructionLog log;
    using flow::WindowCode;
    const std::pair<WindowCode, const char*> loaded[] = {
        {WindowCode::SUBTITLE, "SUBTITLE"}, {WindowCode::MAGNETWIN, "MAGNETWIN"}, {WindowCode::OPENMENU, "OPENMENU"},
        {WindowCode::LOGIN, "LOGIN"},       {WindowCode::URLINPUT, "URLINPUT"},
    };
    for (auto [code, name] : loaded) {
        auto* stand_in = new QWidget;  // loaded without owner
        stand_in->show();
        window.RegisterWindow(code, stand_in);
        log.Watch(stand_in, name, engine);
    }
    log.Watch(window.PlayQueue(), "PLAYQUEUE", engine);
    log.Watch(&window, "MAIN", engine);
    prompter.AnswerNext(true);
    window.Control<SkinnedButton>("超级按钮结束")->click();
    QApplication::processEvents();

    EXPECT_EQ(log.order, (std::vector<std::string>{"MAGNETWIN", "LOGIN", "URLINPUT", "OPENMENU", "SUBTITLE",
                                                   "PLAYQUEUE", "MAIN"}));
    EXPECT_EQ(log.closeCallsAtFirstDestruction, 1);
    EXPECT_TRUE(main.isNull());
    EXPECT_EQ(endCodes, std::vector<int>{0});
}

TEST_F(MainWindowTest, TheCloseButtonDestroysOnlyTheWindowsThatAreLoaded) {
    MainWindow& window = Start();
    DestructionLog log;
    auto* login = new QWidget(&window, Qt::Window);  // owned by MAIN
    window.RegisterWindow(flow::WindowCode::LOGIN, login);
    log.Watch(login, "LOGIN", engine);
    auto* gone = new QWidget;
    window.RegisterWindow(flow::WindowCode::MAGNETWIN, gone);
    delete gone;  // destroyed earlier by its own hand: no longer loaded
    log.Watch(window.PlayQueue(), "PLAYQUEUE", engine);
    log.Watch(&window, "MAIN", engine);
    prompter.AnswerNext(true);
    window.Control<SkinnedButton>("超级按钮结束")->click();
    QApplication::processEvents();
    EXPECT_EQ(log.order, (std::vector<std::string>{"LOGIN", "PLAYQUEUE", "MAIN"}));
    EXPECT_EQ(endCodes, std::vector<int>{0});
}

TEST_F(MainWindowTest, DestroyingMainTakesTheMagnetWindowAlong) {
    MainWindow& window = Start();
    QPointer<QWidget> magnet = new QWidget;
    window.RegisterWindow(flow::WindowCode::MAGNETWIN, magnet);
    QPointer<QWidget> subtitle = new QWidget;  // no owner, not taken along
    window.RegisterWindow(flow::WindowCode::SUBTITLE, subtitle);
    delete main.data();
    EXPECT_TRUE(magnet.isNull());
    EXPECT_FALSE(subtitle.isNull());
    delete subtitle.data();
}

// The ways into playback from the player view: the open menu under the open
// button, the address box it leads to, the torrent file dialog; and the play
// queue's own menu, whose deletions outlive a restart.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>
#include <functional>

#include "app/flow_wiring.h"
#include "app/list_view.h"
#include "app/main_window.h"
#include "app/play_queue_window.h"
#include "app/scripted_prompter.h"
#include "app/test_application.h"
#include "app/widget_flow_ui.h"
#include "flow/app_state.h"
#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "player/test_engine_control.h"
#include "store/history.h"

using namespace lumo::app;
namespace flow = lumo::flow;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(5);
    }
    return true;
}

// Answers the next file dialog with `path`, or cancels it when empty. The
// answer waits a little after the dialog shows up, so that it comes inside
// the dialog's own event loop and not while the dialog is still being shown.
void AnswerFileDialog(const QString& path) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        QTimer::singleShot(100, dialog, [dialog, path] {
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                // Typed into the name box, as a user would.
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(name, nullptr);
                name->setText(path);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
    });
    timer->start();
}

class OpenWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        ASSERT_TRUE(home.isValid());
        qputenv("LUMO_HOME", home.path().toUtf8());
        engine.Reset();
    }
    void TearDown() override {
        delete main.data();
        QApplication::processEvents();
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    }

    std::filesystem::path HomeFile(const char* name) const {
        return std::filesystem::path(home.path().toStdString()) / name;
    }

    MainWindow& Start() {
        MainWindowOptions options;
        options.engineLibraryPath = LUMO_TEST_ENGINE_FULL_PATH;
        options.prompter = &prompter;
        options.endProcess = [](int) {};
        options.loadRemoteAddresses = false;
        main = new MainWindow(state, options);
        return *main;
    }

    QWidget* Loaded(flow::WindowCode code) { return main->LoadedWindow(code); }

    template <typename T = QAbstractButton>
    T* In(QWidget* window, const char* name) {
        return window == nullptr ? nullptr : window->findChild<T*>(U(name));
    }

    // Lets destroyed-later windows go.
    static void Settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }

    QTemporaryDir home;
    TestEngineControl engine{LUMO_TEST_ENGINE_FULL_PATH};
    flow::AppState state;
    ScriptedPrompter prompter;
    QPointer<MainWindow> main;
};

// ---- OPENMENU ---------------------------------------------------------------------------

TEST_F(OpenWindowsTest, TheDropDownPutsTheOpenMenuUnderTheOpenButtonAndLeavingItHidesIt) {
    MainWindow& window = Start();
    window.move(100, 80);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.ShowPlayerView();
    auto* dropDown = window.Control<QAbstractButton>("打开文件右边下拉按钮");
    ASSERT_NE(dropDown, nullptr);
    EXPECT_EQ(Loaded(flow::WindowCode::OPENMENU), nullptr) << "loaded on demand only";

    dropDown->click();
    QPointer<QWidget> menu = Loaded(flow::WindowCode::OPENMENU);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->parentWidget(), nullptr) << "no owner";
    EXPECT_FALSE(menu->isModal());
    EXPECT_TRUE(menu->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(menu->size(), QSize(203, 74));
    EXPECT_EQ(menu->windowTitle(), U("打开文件夹等窗口"));
    // 打开文件按钮 stands at 331, 269 and is 38 high on the page at 1, 35.
    EXPECT_EQ(menu->pos(), QPoint(100 + 331 + 1, 80 + 269 + 38 + 35));
    ASSERT_NE(In(menu, "打开BT文件按钮"), nullptr);
    ASSERT_NE(In(menu, "打开连接按钮"), nullptr);

    // Another window taking the activation hides the menu; it is not destroyed.
    ASSERT_TRUE(QTest::qWaitForWindowActive(menu.data()));
    window.activateWindow();
    EXPECT_TRUE(WaitFor([&] { return menu->isHidden(); })) << "the menu stayed up after losing activation";
    EXPECT_EQ(Loaded(flow::WindowCode::OPENMENU), menu.data());

    // Shown again, the same menu follows where MAIN now is.
    window.move(40, 30);
    dropDown->click();
    EXPECT_EQ(Loaded(flow::WindowCode::OPENMENU), menu.data());
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), QPoint(40 + 331 + 1, 30 + 269 + 38 + 35));

    // Its address item closes it and brings up URLINPUT, owned by MAIN.
    In(menu, "打开连接按钮")->click();
    EXPECT_TRUE(menu->isHidden());
    QWidget* input = Loaded(flow::WindowCode::URLINPUT);
    ASSERT_NE(input, nullptr);
    EXPECT_TRUE(input->isVisible());
    EXPECT_EQ(input->parentWidget(), &window);
    EXPECT_FALSE(input->isModal());

    // OPENMENU has no owner, yet it goes with MAIN.
    delete main.data();
    EXPECT_TRUE(menu.isNull());
}

TEST_F(OpenWindowsTest, TorrentFilesOpenFromTheOpenMenuAndThePlayerMenu) {
    MainWindow& window = Start();
    window.show();
    const std::filesystem::path noInfo = HomeFile("no info.torrent");
    std::ofstream(noInfo, std::ios::binary) << "d8:announce9:localhost4:spam4:eggse";

    window.Control<QAbstractButton>("打开文件右边下拉按钮")->click();
    QWidget* menu = Loaded(flow::WindowCode::OPENMENU);
    ASSERT_NE(menu, nullptr);
    AnswerFileDialog(QString::fromStdString(noInfo.string()));
    In(menu, "打开BT文件按钮")->click();
    EXPECT_TRUE(menu->isHidden());
    ASSERT_EQ(prompter.History().size(), 1u);
    EXPECT_EQ(prompter.History()[0].text, U("解析种子失败！"));
    EXPECT_EQ(window.Control<QLabel>("标签_顶部状态")->text(), U("解析种子失败"));
    EXPECT_EQ(Loaded(flow::WindowCode::MAGNETWIN), nullptr) << "a file without info brings up nothing";

    // The player menu's item takes the same way; cancelling it does nothing.
    auto* openTorrent = window.findChild<QAction*>(U("打开种子"));
    ASSERT_NE(openTorrent, nullptr);
    AnswerFileDialog(QString());
    openTorrent->trigger();
    EXPECT_EQ(prompter.History().size(), 1u);
    AnswerFileDialog(QString::fromStdString(noInfo.string()));
    openTorrent->trigger();
    ASSERT_EQ(prompter.History().size(), 2u);
    EXPECT_EQ(prompter.History()[1].text, U("解析种子失败！"));
}

// ---- URLINPUT ---------------------------------------------------------------------------

TEST_F(OpenWindowsTest, TheAddressBoxOpensWhatIsTypedAndGoesAndOpensNothingOtherwise) {
    MainWindow& window = Start();
    window.show();
    auto* openAddress = window.findChild<QAction*>(U("打开链接"));
    ASSERT_NE(openAddress, nullptr);

    openAddress->trigger();
    QPointer<QWidget> input = Loaded(flow::WindowCode::URLINPUT);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->size(), QSize(400, 185));
    EXPECT_EQ(input->parentWidget(), &window);
    EXPECT_EQ(In<QLabel>(input, "透明标签1")->text(), U("输入网络上您要播放的媒体文件的URL或路径"));
    EXPECT_EQ(In<QLabel>(input, "透明标签2")->text(), U("协议支持：http,rtsp,ftp,ed2k,mms,lihd"));
    EXPECT_TRUE(In<QLabel>(input, "透明标签3")->text().startsWith(U("例如：")));
    ASSERT_NE(In<QWidget>(In<QWidget>(input, "图片框1"), "确定按钮"), nullptr) << "OK sits on the bottom strip";
    openAddress->trigger();
    EXPECT_EQ(Loaded(flow::WindowCode::URLINPUT), input.data()) << "one box at a time";

    // A blank address opens nothing; the box stays, ready for typing.
    auto* box = In<QLineEdit>(input, "编辑框1");
    ASSERT_TRUE(QTest::qWaitForWindowActive(input.data()));
    QTest::keyClicks(box, "   ");
    In(input, "确定按钮")->click();
    QTest::keyClick(box, Qt::Key_Return);
    Settle();
    ASSERT_FALSE(input.isNull()) << "a blank address destroyed the box";
    EXPECT_TRUE(input->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), box) << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "");
    EXPECT_EQ(engine.Calls("OpenA"), 0);

    // Enter opens the address as typed, then the box goes.
    box->clear();
    QTest::keyClicks(box, "http://example.com/film.mp4");
    QTest::keyClick(box, Qt::Key_Return);
    Settle();
    EXPECT_TRUE(input.isNull());
    EXPECT_EQ(Loaded(flow::WindowCode::URLINPUT), nullptr);
    EXPECT_EQ(engine.Calls("OpenA"), 1);
    EXPECT_NE(engine.Log().find("OpenA(http://example.com/film.mp4)"), std::string::npos) << engine.Log();

    // The OK button does the same with a local path, blanks and all.
    openAddress->trigger();
    input = Loaded(flow::WindowCode::URLINPUT);
    ASSERT_NE(input, nullptr);
    In<QLineEdit>(input, "编辑框1")->setText(U("/home/user/电影 1.mkv"));
    In(input, "确定按钮")->click();
    Settle();
    EXPECT_TRUE(input.isNull());
    EXPECT_EQ(engine.Calls("OpenA"), 2);
    EXPECT_NE(engine.Log().find("OpenA(/home/user/电影 1.mkv)"), std::string::npos) << engine.Log();

    // Cancel and close destroy the box without opening what it holds.
    for (const char* button : {"取消按钮", "关闭按钮"}) {
        openAddress->trigger();
        input = Loaded(flow::WindowCode::URLINPUT);
        ASSERT_NE(input, nullptr);
        In<QLineEdit>(input, "编辑框1")->setText(QStringLiteral("rtsp://example.com/live"));
        In(input, button)->click();
        Settle();
        EXPECT_TRUE(input.isNull()) << button;
        EXPECT_EQ(Loaded(flow::WindowCode::URLINPUT), nullptr) << button;
    }
    EXPECT_EQ(engine.Calls("OpenA"), 2);
}

// ---- PLAYQUEUE menu ---------------------------------------------------------------------

TEST_F(OpenWindowsTest, TheQueueMenuCopiesTheHashAndDeletedRowsStayDeletedAfterARestart) {
    using lumo::store::HistoryRow;
    const HistoryRow first{"甲.mp4", "1.5G", "AAAA", "C0FFEE01"};
    const HistoryRow third{"丙.avi", "2G", "CCCC", "C0FFEE03"};
    lumo::store::IniFile history(HomeFile("lumojl.ini"));
    ASSERT_TRUE(lumo::store::SaveHistory(history, {first, {"乙.mkv", "0.7G", "BBBB", "C0FFEE02"}, third}));
    MainWindow& window = Start();
    window.show();
    PlayQueueWindow* queue = window.PlayQueue();
    queue->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(queue));
    ListView* list = queue->List();
    ASSERT_EQ(list->RowCount(), 3);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("what the user had"));

    // A right-click selects the row under the cursor and pops the menu up there.
    QTreeWidgetItem* second = list->topLevelItem(1);
    const QPoint at = list->visualItemRect(second).center();
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
    const QPoint global = list->viewport()->mapToGlobal(at);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, global);
    QApplication::sendEvent(list->viewport(), &rightClick);
    QMenu* menu = queue->Menu();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), global);
    EXPECT_EQ(list->SelectedRow(), 1);
    menu->hide();
    auto item = [menu](const char* caption) {
        for (QAction* action : menu->actions())
            if (action->text() == U(caption)) return action;
        return static_cast<QAction*>(nullptr);
    };

    item("复制磁力链")->trigger();
    EXPECT_EQ(clipboard->text(), QStringLiteral("C0FFEE02"));
    ASSERT_EQ(prompter.History().size(), 1u);
    EXPECT_EQ(prompter.History()[0].text, U("复制成功"));
    EXPECT_EQ(prompter.History()[0].title, U("Lumo提示："));
    EXPECT_EQ(prompter.History()[0].owner, queue);

    item("下载")->trigger();
    EXPECT_EQ(list->RowCount(), 3);

    item("删除")->trigger();
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->Cell(0, 2), U("甲.mp4"));
    EXPECT_EQ(list->Cell(1, 2), U("丙.avi"));
    // Only the deleted row's line leaves the file; the others stay as they were.
    EXPECT_EQ(history.ReadText(), "[播放记录]\r\n"
                                  "名甲.mp4名=size1.5Gsize----shaAAAAsha----hashC0FFEE01hash\r\n"
                                  "名丙.avi名=size2Gsize----shaCCCCsha----hashC0FFEE03hash\r\n");

    // Without a selected row neither item acts, nor claims success: the
    // copy says that nothing was copied.
    list->clearSelection();
    ASSERT_EQ(list->SelectedRow(), -1);
    clipboard->setText(QStringLiteral("what the user had"));
    item("复制磁力链")->trigger();
    item("删除")->trigger();
    EXPECT_EQ(clipboard->text(), QStringLiteral("what the user had"));
    ASSERT_EQ(prompter.History().size(), 2u);
    EXPECT_EQ(prompter.History()[1].text, U("没有选中任何一行,没有复制任何内容"));
    EXPECT_EQ(prompter.History()[1].owner, queue);
    EXPECT_EQ(list->RowCount(), 2);

    // Restarted, the queue shows what it showed before.
    delete main.data();
    Settle();
    Start();
    EXPECT_EQ(lumo::store::LoadHistory(history), (std::vector<HistoryRow>{first, third}));
    EXPECT_EQ(main->PlayQueue()->List()->RowCount(), 2);
}

TEST_F(OpenWindowsTest, DeletingOneOfTwoRowsThatShareANameKeepsTheOthersLine) {
    lumo::store::IniFile history(HomeFile("lumojl.ini"));
    ASSERT_TRUE(lumo::store::SaveHistory(history, {{"同名.mp4", "1G", "FIRST", "C0FFEE01"}}));
    MainWindow& window = Start();
    ListView* list = window.PlayQueue()->List();
    // Another file of the same name joins the queue after it.
    flow::ListModel* model = window.Flows()->Ui().List("PLAYQUEUE.超级列表框1");
    ASSERT_NE(model, nullptr);
    model->AppendRow({"", "", "同名.mp4", "3G", "SECOND", "C0FFEE02"});
    QAction* remove = nullptr;
    for (QAction* action : window.PlayQueue()->Menu()->actions())
        if (action->text() == U("删除")) remove = action;
    ASSERT_NE(remove, nullptr);

    // The row the line was written from goes: the line now holds the other.
    list->setCurrentItem(list->topLevelItem(0));
    remove->trigger();
    auto rows = lumo::store::LoadHistory(history);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sha1, "SECOND");

    list->setCurrentItem(list->topLevelItem(0));
    remove->trigger();
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_TRUE(lumo::store::LoadHistory(history).empty());
}

}  // namespace

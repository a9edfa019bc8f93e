// The flows on the real windows: row models mirrored into list views and
// back, controls found by their names, MAGNETWIN loaded on demand, and a
// search typed into the main window that ends in the engine opening the
// film from the simulated services.
#include <QAbstractButton>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/flow_wiring.h"
#include "app/list_binder.h"
#include "app/list_view.h"
#include "app/magnet_window.h"
#include "app/main_job_fixture.h"
#include "app/row_clicks.h"
#include "app/main_window.h"
#include "app/scripted_prompter.h"
#include "app/skinned_button.h"
#include "app/test_application.h"
#include "app/widget_flow_ui.h"
#include "flow/app_state.h"
#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "player/test_engine_control.h"
#include "remote/address_list_loader.h"
#include "resolve/resolve_endpoints.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"

using namespace lumo::app;
using namespace lumo::app::testing;
namespace flow = lumo::flow;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }


// ---- ListBinder -------------------------------------------------------------------

class ListBinderTest : public ::testing::Test {
protected:
    ListBinderTest() : view(U("列表"), {{U("0"), 30}, {U("名"), 200}, {U("链"), 0}}, nullptr), model("列表", 3) {
        view.resize(300, 300);
    }
    // The application comes before any widget.
    QApplication& app = TestApplication();
    ListView view;
    flow::ListModel model;
};

TEST_F(ListBinderTest, EveryModelChangeShowsInTheView) {
    model.AppendRow({"", "first", "hash1"});
    ListBinder binder(model, view);
    ASSERT_EQ(view.RowCount(), 1);
    EXPECT_EQ(view.Cell(0, 1), U("first"));
    EXPECT_EQ(view.Cell(0, 2), U("hash1")) << "hidden columns carry their data too";

    model.AppendRow({"", "second", "hash2"});
    model.AppendRow({"", "third"});
    model.SetCell(2, 2, "hash3");
    model.SetState(1, flow::AvailabilityState::SeveralFiles);
    ASSERT_EQ(view.RowCount(), 3);
    EXPECT_EQ(view.Cell(2, 2), U("hash3"));
    EXPECT_EQ(view.StateValue(1), 2);
    EXPECT_EQ(view.StateValue(0), -1);
    EXPECT_FALSE(view.topLevelItem(1)->icon(0).isNull());

    model.SetSelectedRow(2);
    EXPECT_EQ(view.SelectedRow(), 2);
    model.RemoveRow(0);
    ASSERT_EQ(view.RowCount(), 2);
    EXPECT_EQ(view.Cell(0, 1), U("second"));
    EXPECT_EQ(view.StateValue(0), 2);
    EXPECT_EQ(model.SelectedRow(), 1);
    EXPECT_EQ(view.SelectedRow(), 1) << "the selection moves with the removed row";

    model.SetState(0, std::nullopt);
    EXPECT_EQ(view.StateValue(0), -1);
    EXPECT_TRUE(view.topLevelItem(0)->icon(0).isNull());

    model.Clear();
    EXPECT_EQ(view.RowCount(), 0);
    model.AppendRow({"", "after"});
    ASSERT_EQ(view.RowCount(), 1);
    EXPECT_EQ(view.Cell(0, 1), U("after"));
}

TEST_F(ListBinderTest, RowsTheViewHeldBeforeBindingBecomeTheModels) {
    view.AppendRow({QString(), U("从历史"), U("abc")});
    view.AppendRow({QString(), U("second")});
    view.SetStateValue(1, 0);
    ListBinder binder(model, view);
    ASSERT_EQ(model.RowCount(), 2);
    EXPECT_EQ(model.Cell(0, 1), "从历史");
    EXPECT_EQ(model.Cell(0, 2), "abc");
    EXPECT_EQ(model.State(1), flow::AvailabilityState::Playable);
    EXPECT_EQ(view.RowCount(), 2) << "taking the rows in must not double them";
}

TEST_F(ListBinderTest, TheUsersSelectionAndDoubleClickReachTheModel) {
    ListBinder binder(model, view);
    for (const char* name : {"a", "b", "c"}) model.AppendRow({"", name});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    view.setCurrentItem(view.topLevelItem(1));
    EXPECT_EQ(model.SelectedRow(), 1);
    view.clearSelection();
    EXPECT_EQ(model.SelectedRow(), -1);

    int announced = -1;
    int selectedWhenAnnounced = -2;
    QObject::connect(&binder, &ListBinder::RowDoubleClicked, [&](int row) {
        announced = row;
        selectedWhenAnnounced = model.SelectedRow();
    });
    DoubleClickRow(view, 2);
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(selectedWhenAnnounced, 2) << "the flow reads the row the user hit";
}

TEST_F(ListBinderTest, AModelOutlivingItsViewKeepsWorking) {
    auto* doomed = new ListView(U("列表"), {{U("0"), 30}, {U("名"), 200}}, nullptr);
    ListBinder binder(model, *doomed);
    delete doomed;
    EXPECT_EQ(binder.View(), nullptr);
    model.AppendRow({"", "still"});
    model.SetState(0, flow::AvailabilityState::Playable);
    model.SetSelectedRow(0);
    model.Clear();
    EXPECT_EQ(model.RowCount(), 0);
}

// ---- WidgetFlowUi on the main window ------------------------------------------------

TEST_F(WidgetFlowUiTest, ControlsAreReadAndWrittenByTheirNames) {
    MainWindow& window = Start();
    ASSERT_NE(window.Flows(), nullptr);
    WidgetFlowUi& ui = Ui();

    ui.SetText("标签_顶部状态", "正在搜索");
    EXPECT_EQ(window.Control<QLabel>("标签_顶部状态")->text(), U("正在搜索"));
    EXPECT_EQ(ui.Text("编辑框_搜索页数"), "1");
    ui.SetText("编辑框_搜索", "关键字");
    EXPECT_EQ(window.Control<QLineEdit>("编辑框_搜索")->text(), U("关键字"));
    EXPECT_EQ(ui.Text("组合框1"), "<全网引擎1>");
    ui.SetText("组合框1", "<全网引擎2>");
    EXPECT_EQ(ui.Text("组合框1"), "<全网引擎2>");
    ui.SetText("组合框1", "no such engine");
    EXPECT_EQ(ui.Text("组合框1"), "<全网引擎2>") << "a drop-down only takes one of its items";

    EXPECT_FALSE(ui.IsChecked("选择框缓存"));
    window.Control<QAbstractButton>("选择框缓存")->setChecked(true);
    EXPECT_TRUE(ui.IsChecked("选择框缓存"));

    ui.SetCurrentPage("高级选择夹", 3);
    EXPECT_EQ(ui.CurrentPage("高级选择夹"), 3);
    EXPECT_EQ(ui.CurrentPage("no such control"), -1);

    ui.SetVisible("外形框番号", true);
    EXPECT_FALSE(window.Control<QWidget>("外形框番号")->isHidden());
    ui.SetVisible("外形框番号", false);
    EXPECT_TRUE(window.Control<QWidget>("外形框番号")->isHidden());

    // Unknown names change nothing and read as empty.
    ui.SetText("no such control", "x");
    EXPECT_EQ(ui.Text("no such control"), "");
    EXPECT_EQ(ui.List("no such list"), nullptr);
}

TEST_F(WidgetFlowUiTest, PicturesAreShownAndBadBytesClearTheBox) {
    Start();
    WidgetFlowUi& ui = Ui();
    QImage image(40, 60, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    auto* poster = main->Control<QLabel>("图片框电影图片");
    ui.SetImage("图片框电影图片", png.toStdString());
    EXPECT_FALSE(poster->pixmap().isNull());
    ui.SetImage("图片框电影图片", "<html>not a picture</html>");
    EXPECT_TRUE(poster->pixmap().isNull());
}

TEST_F(WidgetFlowUiTest, ListsOfTwoWindowsAreToldApartByTheirCodes) {
    Start();
    WidgetFlowUi& ui = Ui();
    flow::ListModel* queue = ui.List("PLAYQUEUE.超级列表框1");
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->ColumnCount(), 7);
    EXPECT_EQ(ui.List("MAGNETWIN.超级列表框1"), nullptr) << "MAGNETWIN is not loaded yet";
    EXPECT_FALSE(ui.IsWindowLoaded(flow::WindowCode::MAGNETWIN));

    // The navigation button loads it, and its list gets a model of its own.
    main->Control<QAbstractButton>("左边磁力解析")->click();
    ASSERT_TRUE(ui.IsWindowLoaded(flow::WindowCode::MAGNETWIN));
    auto* magnet = qobject_cast<MagnetWindow*>(main->LoadedWindow(flow::WindowCode::MAGNETWIN));
    ASSERT_NE(magnet, nullptr);
    EXPECT_TRUE(magnet->isVisible());
    flow::ListModel* files = ui.List("MAGNETWIN.超级列表框1");
    ASSERT_NE(files, nullptr);
    EXPECT_NE(files, queue);
    EXPECT_EQ(files->ColumnCount(), 6);
    EXPECT_EQ(ui.Text("编辑框_解析"), MagnetWindow::kHint) << "a name only MAGNETWIN has needs no code";

    files->AppendRow({"", "episode.mkv", "0.5G"});
    EXPECT_EQ(magnet->List()->Cell(0, 1), U("episode.mkv"));
    EXPECT_EQ(queue->RowCount(), 0) << "the queue's list is another list";

    // Closing only hides it; the rows stay for the next time.
    ui.CloseWindow(flow::WindowCode::MAGNETWIN);
    EXPECT_TRUE(ui.IsWindowLoaded(flow::WindowCode::MAGNETWIN));
    EXPECT_FALSE(magnet->isVisible());
    ui.ShowWindow(flow::WindowCode::MAGNETWIN);
    EXPECT_TRUE(magnet->isVisible());
    EXPECT_EQ(magnet->List()->RowCount(), 1);

    // Loaded again after being destroyed, the new window shows the same model.
    delete magnet;
    EXPECT_FALSE(ui.IsWindowLoaded(flow::WindowCode::MAGNETWIN));
    ui.ShowWindow(flow::WindowCode::MAGNETWIN);
    auto* again = qobject_cast<MagnetWindow*>(main->LoadedWindow(flow::WindowCode::MAGNETWIN));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ui.List("MAGNETWIN.超级列表框1"), files);
    EXPECT_EQ(again->List()->RowCount(), 1);
}

TEST_F(WidgetFlowUiTest, MessageBoxesGoThroughThePrompterWithTheirOwner) {
    MainWindow& window = Start();
    prompter.AnswerNext(true);
    EXPECT_TRUE(Ui().AskYesNo("继续？", "Lumo提示：", false));
    Ui().Inform("完成", "", true);
    ASSERT_EQ(prompter.History().size(), 2u);
    EXPECT_EQ(prompter.History()[0].owner, nullptr);
    EXPECT_EQ(prompter.History()[0].title, U("Lumo提示："));
    EXPECT_EQ(prompter.History()[1].owner, &window);
    EXPECT_EQ(prompter.History()[1].title, window.windowTitle()) << "no title of its own: the program's";
}

TEST_F(WidgetFlowUiTest, AFlowEndingTheProgramEndsItWithoutAsking) {
    Start();
    Ui().EndProgram();
    EXPECT_EQ(endCodes, std::vector<int>{0});
    EXPECT_TRUE(prompter.History().empty());
}

// ---- the main job against the simulator ----------------------------------------------


TEST_F(MainJobTest, ASearchTypedIntoTheWindowEndsInTheEngineOpeningTheFilm) {
    StartRead();
    const std::string title = ShortFilm().title;
    auto* box = main->Control<QLineEdit>("编辑框_搜索");
    box->setText(QString::fromStdString(title));
    QTest::keyClick(box, Qt::Key_Return);

    auto* results = main->Control<ListView>("超级列表框搜索");
    int playable = -1;
    ASSERT_TRUE(WaitFor([&] {
        for (int row = 0; row < results->RowCount(); ++row) {
            if (results->StateValue(row) == 0 && results->Cell(row, 2).toStdString().find(title) != std::string::npos) {
                playable = row;
                return true;
            }
        }
        return false;
    })) << "no playable row for " << title << " among " << results->RowCount();

    DoubleClickRow(*results, playable);
    ASSERT_TRUE(WaitFor([&] { return engine.Calls("OpenA") > 0; })) << engine.Log();
    EXPECT_NE(engine.Log().find("OpenA"), std::string::npos);
    EXPECT_EQ(state.currentTitle, results->Cell(playable, 2).toStdString());
    // The played file joins the play queue's list.
    ListView* queue = main->findChild<QWidget*>(U("PLAYQUEUE"))->findChild<ListView*>(U("超级列表框1"));
    ASSERT_TRUE(WaitFor([&] { return queue->RowCount() == 1; }));

    // The queue button shows it, and a click on the row plays the film again.
    main->Control<QAbstractButton>("图形按钮全屏1")->click();
    ASSERT_TRUE(queue->window()->isVisible());
    const int opens = engine.Calls("OpenA");
    QTest::mouseClick(queue->viewport(), Qt::LeftButton, {}, queue->visualItemRect(queue->topLevelItem(0)).center());
    EXPECT_TRUE(WaitFor([&] { return engine.Calls("OpenA") > opens; })) << engine.Log();
}

TEST_F(MainJobTest, AMagnetLinkParsedInMagnetwinListsItsFilesAndPlaysOne) {
    StartRead();
    const auto& series = *sim_->catalogue().EntryById(2);
    main->Control<QAbstractButton>("左边磁力解析")->click();
    auto* magnet = qobject_cast<MagnetWindow*>(main->LoadedWindow(flow::WindowCode::MAGNETWIN));
    ASSERT_NE(magnet, nullptr);
    magnet->Input()->setText(QString::fromStdString("magnet:?xt=urn:btih:" + series.infoHash));
    magnet->ParseButton()->click();

    ListView* files = magnet->List();
    ASSERT_TRUE(WaitFor([&] {
        if (files->RowCount() != static_cast<int>(series.files.size())) return false;
        for (int row = 0; row < files->RowCount(); ++row)
            if (files->StateValue(row) < 0 || files->StateValue(row) == 3) return false;
        return true;
    })) << files->RowCount() << " rows";
    int playable = -1;
    for (int row = 0; row < files->RowCount() && playable < 0; ++row)
        if (files->StateValue(row) == 0) playable = row;
    ASSERT_GE(playable, 0);

    ASSERT_TRUE(QTest::qWaitForWindowExposed(magnet));
    DoubleClickRow(*files, playable);
    ASSERT_TRUE(WaitFor([&] { return engine.Calls("OpenA") > 0; })) << engine.Log();
    EXPECT_EQ(state.currentTitle, files->Cell(playable, 1).toStdString());
}

}  // namespace

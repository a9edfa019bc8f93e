#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/test_application.h"

#include "app/list_view.h"
#include "app/win_color.h"
#include "flow/timer_interval.h"

using namespace lumo::app;

namespace {

QApplication& App() { return TestApplication(); }

}  // namespace

TEST(WinColor, ReadsWindowsValuesWithRedInTheLowByte) {
    EXPECT_EQ(WinColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(WinColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(WinColor(0x80A080), QColor(128, 160, 128));
    EXPECT_EQ(WinColor(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(Rgb(66, 78, 104), 0x684E42u);
    EXPECT_EQ(WinColor(Rgb(66, 78, 104)), QColor(66, 78, 104));
}

TEST(TimerRule, TheSameIntervalLeavesTheCountdownRunning) {
    App();
    QTimer timer;
    // Coarse timers may shift their deadline; precise ones make the
    // countdown readable.
    timer.setTimerType(Qt::PreciseTimer);
    lumo::flow::SetTimerInterval(timer, 2000);
    ASSERT_TRUE(timer.isActive());
    QTest::qWait(120);
    const int left = timer.remainingTime();
    ASSERT_LT(left, 1950);
    lumo::flow::SetTimerInterval(timer, 2000);
    EXPECT_TRUE(timer.isActive());
    EXPECT_LE(timer.remainingTime(), left);

    // Another interval restarts it.
    lumo::flow::SetTimerInterval(timer, 3000);
    EXPECT_GT(timer.remainingTime(), 2900);
    lumo::flow::SetTimerInterval(timer, 0);
    EXPECT_FALSE(timer.isActive());
    lumo::flow::SetTimerInterval(timer, 3000);
    EXPECT_TRUE(timer.isActive());
    lumo::flow::SetTimerInterval(timer, -5);
    EXPECT_FALSE(timer.isActive());
}

TEST(TimerRule, AStoppedTimerWithTheSameIntervalStarts) {
    App();
    QTimer timer;
    timer.setInterval(500);
    lumo::flow::SetTimerInterval(timer, 500);
    EXPECT_TRUE(timer.isActive());
}

TEST(ListView, RowsKeepDataInHiddenColumnsAndAStatePerRow) {
    App();
    ListView list("列表", {{"", 30}, {"序", 30}, {"名", 200}, {"链", 0}, {"大小", 60, true}}, nullptr);
    EXPECT_TRUE(list.isColumnHidden(3));
    int first = list.AppendRow({"", "1", "甲", "magnet:?xt=urn:btih:AB", "1.5G"});
    int second = list.AppendRow();
    list.SetCell(second, 3, "CD");
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(first, 3), "magnet:?xt=urn:btih:AB");
    EXPECT_EQ(list.Cell(second, 3), "CD");
    EXPECT_EQ(list.topLevelItem(first)->textAlignment(4) & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(list.StateValue(first), -1);
    list.SetStateValue(first, 0);
    list.SetStateValue(second, 3);
    EXPECT_EQ(list.StateValue(first), 0);
    EXPECT_EQ(list.StateValue(second), 3);
    EXPECT_FALSE(list.topLevelItem(second)->icon(0).isNull());
    // Out-of-range rows read as empty and ignore writes.
    EXPECT_EQ(list.Cell(7, 1), "");
    list.SetCell(7, 1, "x");
    EXPECT_EQ(list.StateValue(7), -1);
    EXPECT_EQ(list.SelectedRow(), -1);
    list.topLevelItem(second)->setSelected(true);
    EXPECT_EQ(list.SelectedRow(), second);
    list.RemoveRow(first);
    EXPECT_EQ(list.Cell(0, 3), "CD");
}

TEST(ListView, RowsTakeTheListsHeight) {
    App();
    ListView list("列表", {{"", 30}, {"名", 200}}, nullptr);
    list.resize(300, 300);
    list.AppendRow({"", "一"});
    list.SetRowHeight(33);
    list.show();
    QApplication::processEvents();
    EXPECT_EQ(list.visualItemRect(list.topLevelItem(0)).height(), 33);
    list.SetRowHeight(25);
    QApplication::processEvents();
    EXPECT_EQ(list.visualItemRect(list.topLevelItem(0)).height(), 25);
}

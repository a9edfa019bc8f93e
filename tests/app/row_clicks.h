#pragma once

// Clicks on a row of a shown list the way a user makes them.
#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include "app/list_view.h"

namespace lumo::app::testing {

inline void ClickRow(ListView& view, int row) {
    QTreeWidgetItem* item = view.topLevelItem(row);
    ASSERT_NE(item, nullptr);
    view.scrollToItem(item);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualItemRect(item).center());
}

inline void DoubleClickRow(ListView& view, int row) {
    QTreeWidgetItem* item = view.topLevelItem(row);
    ASSERT_NE(item, nullptr);
    view.scrollToItem(item);
    const QPoint centre = view.visualItemRect(item).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, centre);
}

// A right-click where the platform puts it: the button press selects, the
// context-menu event asks for the menu.
inline void RightClick(ListView& view, QPoint at) {
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &event);
}

inline void RightClickRow(ListView& view, int row) {
    QTreeWidgetItem* item = view.topLevelItem(row);
    ASSERT_NE(item, nullptr);
    view.scrollToItem(item);
    RightClick(view, view.visualItemRect(item).center());
}

}  // namespace lumo::app::testing

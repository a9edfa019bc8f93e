#include "app/list_binder.h"

#include <QTreeWidgetItem>

#include <algorithm>

#include "app/list_view.h"
#include "flow/list_model.h"

namespace lumo::app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

int StateValue(std::optional<flow::AvailabilityState> state) { return state ? static_cast<int>(*state) : -1; }

std::optional<flow::AvailabilityState> StateOf(int value) {
    if (value < 0 || value > 3) return std::nullopt;
    return static_cast<flow::AvailabilityState>(value);
}

}  // namespace

ListBinder::ListBinder(flow::ListModel& model, ListView& view, QObject* parent)
    : QObject(parent), model_(model), view_(&view) {
    if (model_.RowCount() == 0 && view.RowCount() > 0) {
        // Rows read before the model existed become the model's rows.
        const int columns = std::min(model_.ColumnCount(), view.columnCount());
        for (int r = 0; r < view.RowCount(); ++r) {
            std::vector<std::string> cells;
            for (int c = 0; c < columns; ++c) cells.push_back(view.Cell(r, c).toStdString());
            const int row = model_.AppendRow(std::move(cells));
            model_.SetState(row, StateOf(view.StateValue(r)));
        }
        model_.SetSelectedRow(view.SelectedRow());
    } else {
        Refill();
    }

    connect(&model_, &flow::ListModel::Cleared, this, &ListBinder::Refill);
    connect(&model_, &flow::ListModel::RowAppended, this, &ListBinder::AppendToView);
    connect(&model_, &flow::ListModel::RowRemoved, this, [this](int row) {
        if (!view_) return;
        syncing_ = true;
        view_->RemoveRow(row);
        syncing_ = false;
        ShowSelection(model_.SelectedRow());
    });
    connect(&model_, &flow::ListModel::CellChanged, this, [this](int row, int column) {
        if (view_) view_->SetCell(row, column, Q(model_.Cell(row, column)));
    });
    connect(&model_, &flow::ListModel::StateChanged, this, &ListBinder::ShowState);
    connect(&model_, &flow::ListModel::SelectionChanged, this, &ListBinder::ShowSelection);
    connect(&model_, &flow::ListModel::ScrollRequested, this, [this](int row) {
        if (!view_) return;
        if (QTreeWidgetItem* item = view_->topLevelItem(row)) view_->scrollToItem(item);
    });

    connect(&view, &QTreeWidget::itemSelectionChanged, this, &ListBinder::TakeSelectionFromView);
    connect(&view, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (!view_) return;
        const int row = view_->indexOfTopLevelItem(item);
        if (row < 0) return;
        model_.SetSelectedRow(row);
        emit RowClicked(row);
    });
    connect(&view, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (!view_) return;
        const int row = view_->indexOfTopLevelItem(item);
        if (row < 0) return;
        model_.SetSelectedRow(row);
        emit RowDoubleClicked(row);
    });
}

void ListBinder::Refill() {
    if (!view_) return;
    syncing_ = true;
    view_->ClearRows();
    syncing_ = false;
    for (int r = 0; r < model_.RowCount(); ++r) AppendToView(r);
    ShowSelection(model_.SelectedRow());
}

void ListBinder::AppendToView(int row) {
    if (!view_) return;
    // The model appends at its end; a view that fell out of step is rebuilt.
    if (row != view_->RowCount()) {
        Refill();
        return;
    }
    QStringList cells;
    for (int c = 0; c < model_.ColumnCount(); ++c) cells << Q(model_.Cell(row, c));
    view_->AppendRow(cells);
    ShowState(row);
}

void ListBinder::ShowState(int row) {
    if (view_) view_->SetStateValue(row, StateValue(model_.State(row)));
}

void ListBinder::ShowSelection(int row) {
    if (!view_ || view_->SelectedRow() == row) return;
    syncing_ = true;
    if (QTreeWidgetItem* item = view_->topLevelItem(row)) {
        view_->setCurrentItem(item);
    } else {
        view_->clearSelection();
    }
    syncing_ = false;
}

void ListBinder::TakeSelectionFromView() {
    if (syncing_ || !view_) return;
    model_.SetSelectedRow(view_->SelectedRow());
}

}  // namespace lumo::app

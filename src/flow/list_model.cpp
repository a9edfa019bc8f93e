#include "flow/list_model.h"

#include <utility>

namespace lumo::flow {

ListModel::ListModel(std::string name, int columnCount, QObject* parent)
    : QObject(parent), name_(std::move(name)), columnCount_(columnCount) {}

int ListModel::AppendRow(std::vector<std::string> cells) {
    cells.resize(static_cast<size_t>(columnCount_));
    rows_.push_back(Row{std::move(cells), std::nullopt});
    const int row = RowCount() - 1;
    emit RowAppended(row);
    return row;
}

void ListModel::RemoveRow(int row) {
    if (!Valid(row)) return;
    rows_.erase(rows_.begin() + row);
    if (selectedRow_ == row) {
        selectedRow_ = -1;
    } else if (selectedRow_ > row) {
        --selectedRow_;
    }
    emit RowRemoved(row);
}

void ListModel::Clear() {
    rows_.clear();
    selectedRow_ = -1;
    ++generation_;
    emit Cleared();
}

std::string ListModel::Cell(int row, int column) const {
    if (!Valid(row) || column < 0 || column >= columnCount_) return {};
    return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

void ListModel::SetCell(int row, int column, std::string text) {
    if (!Valid(row) || column < 0 || column >= columnCount_) return;
    rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = std::move(text);
    emit CellChanged(row, column);
}

std::optional<AvailabilityState> ListModel::State(int row) const {
    if (!Valid(row)) return std::nullopt;
    return rows_[static_cast<size_t>(row)].state;
}

void ListModel::SetState(int row, std::optional<AvailabilityState> state) {
    if (!Valid(row)) return;
    rows_[static_cast<size_t>(row)].state = state;
    emit StateChanged(row);
}

void ListModel::SetSelectedRow(int row) {
    const int selected = Valid(row) ? row : -1;
    if (selected == selectedRow_) return;
    selectedRow_ = selected;
    emit SelectionChanged(selected);
}

std::string ListModel::SelectedCell(int column) const { return Cell(selectedRow_, column); }

}  // namespace lumo::flow

#pragma once

#include <QObject>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumo::flow {

// The state icon of a list row.
enum class AvailabilityState { Playable = 0, NotPlayable = 1, SeveralFiles = 2, Checking = 3 };

// The data of one list: rows of cell texts by column (column 0 is the lead
// column, columns of width 0 carry data the flows read back), a state icon or
// none per row, and the selected row. The flows write it and the list view
// shows it; it lives on the GUI thread, and workers reach it only through
// queued calls.
//
// Every refill (Clear) starts a new generation. Work started for a list
// remembers the generation it was started in and applies its result only
// while that generation is current, so a check of a list that has since been
// refilled writes nothing into the new rows.
class ListModel : public QObject {
    Q_OBJECT
public:
    ListModel(std::string name, int columnCount, QObject* parent = nullptr);

    const std::string& Name() const { return name_; }
    int ColumnCount() const { return columnCount_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    uint64_t Generation() const { return generation_; }

    // Appends a row filled from column 0 on (missing cells are empty) and
    // returns its index.
    int AppendRow(std::vector<std::string> cells = {});
    void RemoveRow(int row);
    // Removes every row and starts a new generation.
    void Clear();

    // Empty for a row or column out of range.
    std::string Cell(int row, int column) const;
    void SetCell(int row, int column, std::string text);

    std::optional<AvailabilityState> State(int row) const;
    void SetState(int row, std::optional<AvailabilityState> state);

    // -1 when no row is selected.
    int SelectedRow() const { return selectedRow_; }
    void SetSelectedRow(int row);
    // The cell of the selected row; empty when none is selected.
    std::string SelectedCell(int column) const;

    // Asks the view to scroll the row into sight.
    void ScrollTo(int row) {
        if (Valid(row)) emit ScrollRequested(row);
    }

signals:
    void Cleared();
    void RowAppended(int row);
    void RowRemoved(int row);
    void CellChanged(int row, int column);
    void StateChanged(int row);
    void SelectionChanged(int row);
    void ScrollRequested(int row);

private:
    struct Row {
        std::vector<std::string> cells;
        std::optional<AvailabilityState> state;
    };
    bool Valid(int row) const { return row >= 0 && row < RowCount(); }

    std::string name_;
    int columnCount_;
    std::vector<Row> rows_;
    int selectedRow_ = -1;
    uint64_t generation_ = 0;
};

}  // namespace lumo::flow

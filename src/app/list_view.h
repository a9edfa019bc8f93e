#pragma once

#include <QString>
#include <QTreeWidget>

#include <vector>

namespace lumo::app {

// One column of a list: caption, width in pixels (0 hides the column, which
// still carries its data) and alignment.
struct ListColumn {
    QString caption;
    int width = 0;
    bool rightAligned = false;
};

// A list view: numbered columns of cell texts and a state value per row,
// shown as the icon of column 0 (0 playable, 1 not playable, 2 several
// files, 3 checking; -1 for none).
class ListView : public QTreeWidget {
    Q_OBJECT
public:
    ListView(const QString& name, const std::vector<ListColumn>& columns, QWidget* parent);

    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int pixels);

    int RowCount() const { return topLevelItemCount(); }
    // Appends an empty row and returns its index.
    int AppendRow();
    // Appends a row filled from column 0 on.
    int AppendRow(const QStringList& cells);
    void RemoveRow(int row);
    void ClearRows();
    QString Cell(int row, int column) const;
    void SetCell(int row, int column, const QString& text);
    int StateValue(int row) const;
    void SetStateValue(int row, int value);
    // The selected row, -1 when none.
    int SelectedRow() const;

private:
    int rowHeight_ = 0;
    std::vector<bool> rightAligned_;
};

}  // namespace lumo::app

#include "app/list_view.h"

#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

#include "app/win_color.h"

namespace lumo::app {

namespace {

constexpr int kStateRole = Qt::UserRole + 1;

// Gives every row the list's fixed height.
class RowHeightDelegate : public QStyledItemDelegate {
public:
    RowHeightDelegate(const ListView* list) : QStyledItemDelegate(const_cast<ListView*>(list)), list_(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (list_->RowHeight() > 0) size.setHeight(list_->RowHeight());
        return size;
    }

private:
    const ListView* list_;
};

// Qt sizes a header section by its caption in bold, so the first list laid
// out loads the bold faces of both of Lumo's fonts, about 8 ms of start-up,
// for a width fixed columns never use. The regular faces have the same
// line height, which is all a header row takes from the caption.
class ListHeader : public QHeaderView {
public:
    explicit ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    QSize sectionSizeFromContents(int logical) const override {
        ensurePolished();
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logical;
        option.text = model()->headerData(logical, orientation(), Qt::DisplayRole).toString();
        option.fontMetrics = fontMetrics();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

QIcon StateIcon(int value) {
    static QIcon icons[4];
    if (value < 0 || value > 3) return {};
    if (icons[value].isNull()) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        switch (value) {
        case 0:  // playable: a green tick
            p.setPen(QPen(QColor(80, 200, 110), 2.5));
            p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
            break;
        case 1:  // not playable: a red cross
            p.setPen(QPen(QColor(220, 80, 70), 2.5));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case 2:  // several files: stacked sheets
            p.setPen(QPen(QColor(230, 190, 80), 1.5));
            p.drawRect(QRectF(3, 5, 8, 9));
            p.drawRect(QRectF(6, 2, 8, 9));
            break;
        case 3:  // checking: an open ring
            p.setPen(QPen(QColor(150, 170, 220), 2));
            p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 280 * 16);
            break;
        }
        icons[value] = QIcon(pixmap);
    }
    return icons[value];
}

}  // namespace

ListView::ListView(const QString& name, const std::vector<ListColumn>& columns, QWidget* parent)
    : QTreeWidget(parent) {
    setObjectName(name);
    // In place of the tree's own header, with its settings.
    auto* ownHeader = new ListHeader(this);
    ownHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ownHeader->setSectionsClickable(false);
    setHeader(ownHeader);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new RowHeightDelegate(this));
    setColumnCount(static_cast<int>(columns.size()));
    QStringList captions;
    for (const auto& column : columns) captions << column.caption;
    setHeaderLabels(captions);
    header()->setStretchLastSection(false);
    // Narrow lead columns (23 pixels in the play queue) keep their width.
    header()->setMinimumSectionSize(1);
    header()->setSectionsMovable(false);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        if (columns[i].width <= 0) {
            setColumnHidden(i, true);
        } else {
            setColumnWidth(i, columns[i].width);
        }
        if (columns[i].rightAligned) headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const auto& column : columns) rightAligned_.push_back(column.rightAligned);
}

void ListView::SetRowHeight(int pixels) {
    rowHeight_ = pixels;
    // Row sizes are cached by the view; make it ask again. An empty list
    // has none cached, and laying it out would only measure its header.
    if (topLevelItemCount() > 0) doItemsLayout();
}

int ListView::AppendRow() {
    auto* item = new QTreeWidgetItem(this);
    item->setData(0, kStateRole, -1);
    for (int i = 0; i < static_cast<int>(rightAligned_.size()); ++i) {
        if (rightAligned_[i]) item->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
    }
    return indexOfTopLevelItem(item);
}

int ListView::AppendRow(const QStringList& cells) {
    int row = AppendRow();
    for (int i = 0; i < cells.size(); ++i) SetCell(row, i, cells[i]);
    return row;
}

void ListView::RemoveRow(int row) { delete takeTopLevelItem(row); }

void ListView::ClearRows() { clear(); }

QString ListView::Cell(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

void ListView::SetCell(int row, int column, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(column, text);
}

int ListView::StateValue(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kStateRole).toInt() : -1;
}

void ListView::SetStateValue(int row, int value) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) return;
    item->setData(0, kStateRole, value);
    item->setIcon(0, StateIcon(value));
}

int ListView::SelectedRow() const {
    const auto selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

}  // namespace lumo::app

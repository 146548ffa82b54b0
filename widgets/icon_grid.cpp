#include "widgets/icon_grid.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace widgets {

namespace {

constexpr int kTextMargin_px = 2;

// Draws a cell as the grid wants it: the row colour, the icon at the top-left corner, the text
// after it; no selection highlight.
class IconCellDelegate final : public QStyledItemDelegate {
public:
    explicit IconCellDelegate(TIconGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QColor rowColour = grid_.ColorRow(index.row());
        painter->fillRect(option.rect,
                          rowColour.isValid() ? rowColour : option.palette.color(QPalette::Base));
        QRect textRect = option.rect;
        const QPixmap icon = index.data(Qt::DecorationRole).value<QPixmap>();
        if (!icon.isNull()) {
            painter->drawPixmap(option.rect.topLeft(), icon);
            textRect.setLeft(textRect.left() + icon.width());
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) {
            return;
        }
        textRect.adjust(kTextMargin_px, 0, -kTextMargin_px, 0);
        painter->save();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
        painter->restore();
    }

private:
    TIconGrid& grid_;
};

} // namespace

TIconGrid::TIconGrid(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new IconCellDelegate(*this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrap(false);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setRows(1);
}

void TIconGrid::setRows(int count) {
    count = qMax(1, count);
    setRowCount(count);
    rowColours_.resize(static_cast<std::size_t>(count));
}

QTableWidgetItem* TIconGrid::cellItem(int column, int row) {
    if (column < 0 || column >= columnCount() || row < 0 || row >= rowCount()) {
        return nullptr;
    }
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row, column, cell);
    }
    return cell;
}

QString TIconGrid::Cells(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void TIconGrid::setCells(int column, int row, const QString& text) {
    if (QTableWidgetItem* cell = cellItem(column, row)) {
        cell->setText(text);
    }
}

QColor TIconGrid::ColorRow(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rowColours_.size()) {
        return {};
    }
    return rowColours_[static_cast<std::size_t>(row)];
}

void TIconGrid::setColorRow(int row, const QColor& colour) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    rowColours_.resize(static_cast<std::size_t>(rowCount()));
    auto& stored = rowColours_[static_cast<std::size_t>(row)];
    if (stored == colour) {
        return;
    }
    stored = colour;
    viewport()->update(visualRect(model()->index(row, 0))
                           .united(visualRect(model()->index(row, columnCount() - 1))));
}

QPixmap TIconGrid::CellIcon(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->data(Qt::DecorationRole).value<QPixmap>() : QPixmap();
}

void TIconGrid::setCellIcon(int column, int row, const QPixmap& icon) {
    if (icon.isNull()) {
        if (QTableWidgetItem* cell = item(row, column)) {
            cell->setData(Qt::DecorationRole, QVariant());
        }
        return;
    }
    if (QTableWidgetItem* cell = cellItem(column, row)) {
        cell->setData(Qt::DecorationRole, icon);
    }
}

bool TIconGrid::CellIsEmpty(int column, int row) const {
    return Cells(column, row).isEmpty() && CellIcon(column, row).isNull();
}

void TIconGrid::ScrollRowIntoView(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    scrollToItem(cellItem(0, row), QAbstractItemView::EnsureVisible);
}

} // namespace widgets

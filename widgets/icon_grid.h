#pragma once

#include <QColor>
#include <QPixmap>
#include <QTableWidget>

#include <vector>

namespace widgets {

// A read-only text grid with a background colour per row and an optional icon per cell, drawn
// at the cell's top-left corner with the text after it. Cells are addressed as (column, row).
// Like a string grid it never has fewer than one row. The selection is not drawn in the
// highlight colour: the row colours show what matters.
class TIconGrid : public QTableWidget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)

public:
    explicit TIconGrid(QWidget* parent = nullptr);

    // Sets the number of rows; 0 leaves one row. New rows are empty, in the base colour.
    void setRows(int count);

    QString Cells(int column, int row) const;
    void setCells(int column, int row, const QString& text);

    // The row's background; an invalid colour stands for the base colour.
    QColor ColorRow(int row) const;
    void setColorRow(int row, const QColor& colour);

    // The icon of a cell; a null pixmap when it has none.
    QPixmap CellIcon(int column, int row) const;
    // Gives the cell a copy of `icon`; a null pixmap removes the icon.
    void setCellIcon(int column, int row, const QPixmap& icon);

    // True when the cell holds no text and no icon.
    bool CellIsEmpty(int column, int row) const;

    // A free value for the owner (the playlist keeps its current row here).
    int Tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // Scrolls so that `row` is in view, moving the top row as little as possible.
    void ScrollRowIntoView(int row);

private:
    QTableWidgetItem* cellItem(int column, int row);

    std::vector<QColor> rowColours_;
    int tag_ = 0;
};

} // namespace widgets

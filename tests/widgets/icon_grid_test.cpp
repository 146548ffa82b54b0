#include "widgets/icon_grid.h"

#include <QApplication>
#include <QHeaderView>

#include <gtest/gtest.h>

namespace {

using widgets::TIconGrid;

QPixmap solid(const QColor& colour, int width = 20, int height = 13) {
    QPixmap pixmap(width, height);
    pixmap.fill(colour);
    return pixmap;
}

class IconGridTest : public ::testing::Test {
protected:
    IconGridTest() {
        grid.setColumnCount(3);
        grid.horizontalHeader()->setMinimumSectionSize(20);
        grid.setColumnWidth(0, 20);
        grid.setColumnWidth(1, 60);
        grid.verticalHeader()->setDefaultSectionSize(16);
        grid.resize(300, 200);
    }
    TIconGrid grid;
};

TEST_F(IconGridTest, AGridKeepsOneRowAndItsCellsByColumnAndRow) {
    EXPECT_EQ(grid.rowCount(), 1);
    grid.setRows(0);
    EXPECT_EQ(grid.rowCount(), 1);
    grid.setRows(3);
    grid.setCells(2, 1, QStringLiteral("clip.avi"));
    EXPECT_EQ(grid.Cells(2, 1), QStringLiteral("clip.avi"));
    EXPECT_EQ(grid.item(1, 2)->text(), QStringLiteral("clip.avi"));
    EXPECT_TRUE(grid.Cells(1, 2).isEmpty());
    // Cells outside the grid hold nothing and take nothing.
    grid.setCells(5, 0, QStringLiteral("x"));
    grid.setCells(0, 9, QStringLiteral("x"));
    EXPECT_TRUE(grid.Cells(5, 0).isEmpty());
    EXPECT_TRUE(grid.CellIsEmpty(0, 9));
    // Rows taken away lose their colours; new rows come back in the base colour.
    grid.setColorRow(2, Qt::green);
    grid.setRows(2);
    grid.setRows(3);
    EXPECT_FALSE(grid.ColorRow(2).isValid());
}

TEST_F(IconGridTest, IconsAreCopiedAndCanBeRemoved) {
    QPixmap icon = solid(Qt::blue);
    grid.setCellIcon(0, 0, icon);
    icon.fill(Qt::yellow);
    EXPECT_EQ(grid.CellIcon(0, 0).toImage().pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_FALSE(grid.CellIsEmpty(0, 0));
    grid.setCellIcon(0, 0, QPixmap());
    EXPECT_TRUE(grid.CellIcon(0, 0).isNull());
    EXPECT_TRUE(grid.CellIsEmpty(0, 0));
}

TEST_F(IconGridTest, CellsShowTheRowColourAndTheIconAtTheirCorner) {
    grid.setRows(2);
    grid.setColorRow(0, QColor(192, 220, 192));
    grid.setCellIcon(0, 1, solid(Qt::blue, 6, 5));
    grid.setCells(1, 1, QStringLiteral("0:00:07"));
    grid.selectRow(1);
    grid.show();
    const QImage image = grid.viewport()->grab().toImage();

    const QRect row0 = grid.visualRect(grid.model()->index(0, 2));
    EXPECT_EQ(image.pixelColor(row0.center()), QColor(192, 220, 192));
    const QRect iconCell = grid.visualRect(grid.model()->index(1, 0));
    EXPECT_EQ(image.pixelColor(iconCell.topLeft() + QPoint(1, 1)), QColor(Qt::blue));
    // Beyond the icon the cell shows its row's colour; the selection is not highlighted.
    const QColor base = grid.palette().color(QPalette::Base);
    EXPECT_EQ(image.pixelColor(iconCell.topLeft() + QPoint(10, 1)), base);
    const QRect emptyCell = grid.visualRect(grid.model()->index(1, 2));
    EXPECT_EQ(image.pixelColor(emptyCell.center()), base);
}

TEST_F(IconGridTest, TheTagIsAFreeValue) {
    EXPECT_EQ(grid.Tag(), 0);
    EXPECT_TRUE(grid.setProperty("Tag", -1));
    EXPECT_EQ(grid.Tag(), -1);
}

} // namespace

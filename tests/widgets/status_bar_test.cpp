#include "widgets/status_bar.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

using widgets::TStatusBar;

class StatusBarTest : public ::testing::Test {
protected:
    StatusBarTest() {
        bar.setPanelWidths({75, 75, 40, 40});
        bar.resize(400, 24);
    }
    TStatusBar bar;
};

TEST_F(StatusBarTest, PanelsLieSideBySideInTheirWidths) {
    ASSERT_EQ(bar.PanelCount(), 4);
    int previousRight = -1;
    int left = 0;
    for (int i = 0; i < bar.PanelCount(); ++i) {
        const QRect rect = bar.PanelRect(i);
        EXPECT_GT(rect.left(), previousRight) << i;
        EXPECT_GE(rect.left(), left) << i;
        EXPECT_LT(rect.right(), left + bar.PanelWidth(i)) << i;
        EXPECT_FALSE(rect.isEmpty()) << i;
        previousRight = rect.right();
        left += bar.PanelWidth(i);
    }
    EXPECT_TRUE(bar.PanelRect(4).isNull());
}

TEST_F(StatusBarTest, TextsAreKeptPerPanelAndIndexesOutsideAreIgnored) {
    bar.setPanelText(1, QStringLiteral("0:01:05"));
    bar.setPanelText(7, QStringLiteral("lost"));
    bar.setPanelText(-1, QStringLiteral("lost"));
    EXPECT_EQ(bar.PanelText(1), QStringLiteral("0:01:05"));
    EXPECT_TRUE(bar.PanelText(0).isEmpty());
    EXPECT_TRUE(bar.PanelText(7).isEmpty());
    bar.setPanelWidths({10});
    EXPECT_EQ(bar.PanelCount(), 1);
    EXPECT_TRUE(bar.PanelText(0).isEmpty());
}

TEST_F(StatusBarTest, OwnerDrawnPanelsArePaintedByTheirOwner) {
    bar.setPanelOwnerDrawn(2, true);
    bar.setPanelText(2, QStringLiteral("never shown"));
    QList<int> drawn;
    QRect drawnRect;
    bar.OnDrawPanel = [&](TStatusBar* sender, int panel, QPainter& painter, const QRect& rect) {
        EXPECT_EQ(sender, &bar);
        drawn << panel;
        drawnRect = rect;
        painter.fillRect(rect, Qt::red);
    };
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(drawn, QList<int>{2});
    EXPECT_EQ(drawnRect, bar.PanelRect(2));
    EXPECT_EQ(image.pixelColor(drawnRect.center()), QColor(Qt::red));
    // Text panels are not handed to the owner.
    EXPECT_NE(image.pixelColor(bar.PanelRect(0).center()), QColor(Qt::red));
}

} // namespace

// The position displays of the main window: status-bar times, row colours and the current-file
// thumb following the all-files trackbar, the drags on both trackbars, the update interval,
// and the connection indicator. Items of long durations are the first clip's record with
// another length; the graph is built but mostly left stopped.
#include "tests/app/transport_fixture.h"
#include "tests/transport/slider_points.h"
#include "widgets/icon_grid.h"
#include "widgets/status_bar.h"

#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace transporttest;
using graph::TGraphState;
using transport::TimeText;
using transporttest::pointOfValue;

const QColor kCurrentRow(192, 220, 192);
const QColor kTargetRow(166, 202, 240);

class PositionDisplays : public TransportWindowTest {
protected:
    QColor windowColour() const { return grid().palette().color(QPalette::Base); }
    void setUpdateInterval(int step) { child<QSlider>("tbTrackBarUpdateInterval")->setValue(step); }
    // A position report of the all-files trackbar, as its poll raises it.
    void report(std::uint32_t current_ms, std::uint32_t stop_ms) {
        trackBar().OnTimer(&trackBar(), current_ms, stop_ms);
    }
};

TEST_F(PositionDisplays, DragAcrossItemsOfOneTwoAndAHalfMinutes) {
    open({});
    setUpdateInterval(7); // a thumb step per second
    openItems({60 * kSecond, 120 * kSecond, 30 * kSecond});
    EXPECT_EQ(panel(0), TimeText(210'000));
    EXPECT_EQ(panel(3), TimeText(60'000));
    tick();
    ASSERT_EQ(trackBar().maximum(), 210);

    // Held at 100 s: the target in panels 2 and 5, its row marked.
    const QPoint grip = pointOfValue(trackBar(), 100);
    QTest::mousePress(&trackBar(), Qt::LeftButton, {}, grip);
    ASSERT_EQ(trackBar().value(), 100);
    EXPECT_EQ(panel(2), TimeText(100'000));
    EXPECT_EQ(panel(5), TimeText(40'000));
    EXPECT_EQ(grid().ColorRow(0), kCurrentRow);
    EXPECT_EQ(grid().ColorRow(1), kTargetRow);
    EXPECT_EQ(grid().ColorRow(2), windowColour());

    // Released: the timeline is seeked and the report that follows makes row 1 current.
    QTest::mouseRelease(&trackBar(), Qt::LeftButton, {}, grip);
    EXPECT_EQ(trackBar().PinShift(), 100 * kSecond);
    EXPECT_EQ(panel(2), QString());
    EXPECT_EQ(panel(5), QString());
    EXPECT_EQ(grid().ColorRow(0), windowColour());
    EXPECT_EQ(grid().ColorRow(1), kCurrentRow);
    EXPECT_EQ(grid().Tag(), 1);
    EXPECT_EQ(panel(1), TimeText(100'000));
    EXPECT_EQ(panel(3), TimeText(120'000));
    EXPECT_EQ(panel(4), TimeText(40'000));
    EXPECT_EQ(curFile().value(), 3333);

    // Another button ends a drag without seeking.
    QTest::mouseClick(&trackBar(), Qt::RightButton, {}, pointOfValue(trackBar(), 20));
    EXPECT_EQ(trackBar().PinShift(), 100 * kSecond);
    EXPECT_EQ(panel(2), QString());

    // The start of an item belongs to it; the end of the timeline to item 0.
    report(180'000, 210'000);
    EXPECT_EQ(window->MainListItemIndex(), 2);
    EXPECT_EQ(panel(3), TimeText(30'000));
    EXPECT_EQ(curFile().value(), 0);
    report(210'000, 210'000);
    EXPECT_EQ(window->MainListItemIndex(), 0);
    EXPECT_EQ(panel(3), TimeText(60'000));
}

TEST_F(PositionDisplays, ATimelineOfMoreThanADayShowsTheDaysFirst) {
    open({});
    openItems({25 * 3600 * kSecond});
    EXPECT_EQ(panel(0), QStringLiteral("1.") + TimeText(3600'000));
    EXPECT_EQ(panel(3), panel(0));
    EXPECT_EQ(panel(1), TimeText(0));
}

TEST_F(PositionDisplays, DragOnTheCurrentFileSeeksInsideItsItem) {
    open({});
    openItems({3600 * kSecond, 600 * kSecond});
    const QRect row = grid().visualRect(grid().model()->index(1, 2));
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(window->MainListItemIndex(), 1);

    // The thumb dragged to the middle of the ten-minute item.
    const QPoint grip = pointOfValue(curFile(), 5000);
    QTest::mousePress(&curFile(), Qt::LeftButton, {}, grip);
    curFile().setValue(5000);
    EXPECT_EQ(panel(5), TimeText(300'000));
    EXPECT_EQ(panel(2), TimeText(3900'000));
    // Reports while it is held leave the thumb where the user has it.
    report(3600'000, 4200'000);
    EXPECT_EQ(curFile().value(), 5000);

    QTest::mouseRelease(&curFile(), Qt::LeftButton, {}, grip);
    EXPECT_EQ(panel(2), QString());
    EXPECT_EQ(panel(5), QString());
    EXPECT_EQ(trackBar().PinShift(), 3900 * kSecond);
    EXPECT_EQ(panel(4), TimeText(300'000));
    EXPECT_EQ(curFile().value(), 5000);
    EXPECT_EQ(window->MainListItemIndex(), 1);
}

TEST_F(PositionDisplays, TheUpdateIntervalIsTheTimeOfAThumbStep) {
    open({});
    const std::pair<int, std::uint32_t> steps[] = {{1, 20}, {7, 1000}, {5, 250}};
    for (const auto& [step, interval_ms] : steps) {
        setUpdateInterval(step);
        EXPECT_EQ(trackBar().TimerInterval(), interval_ms) << step;
    }
    openItems({600 * kSecond});
    auto* poll = trackBar().findChild<QObject*>(QStringLiteral("pollTimer"));
    click("buPlayNoSh");
    EXPECT_TRUE(poll->property("active").toBool());
    tick();
    EXPECT_EQ(trackBar().maximum(), 2400);
    for (int step = 1; step <= 2; ++step) {
        advance(250 * kMs);
        tick();
        EXPECT_EQ(trackBar().value(), step);
    }
    // Paused, the thumb and the displays stand still.
    click("buPause");
    EXPECT_FALSE(poll->property("active").toBool());
}

TEST_F(PositionDisplays, WithoutThumbStepsNothingSeeks) {
    open({});
    setUpdateInterval(7);
    openItems({500 * kMs, 400 * kMs});
    tick();
    ASSERT_EQ(trackBar().maximum(), 0);
    click("buNext");
    EXPECT_EQ(window->MainListItemIndex(), 1);
    QTest::mouseClick(&trackBar(), Qt::LeftButton);
    QTest::mouseClick(&curFile(), Qt::LeftButton);
    EXPECT_EQ(trackBar().PinShift(), 0);
    EXPECT_EQ(state(), TGraphState::Stopped);
}

TEST_F(PositionDisplays, AClockChangeRewindsTheOutput) {
    open(threeClips());
    click("buPlayNoSh");
    advance(kSecond);
    ASSERT_TRUE(waitForFrames(26));
    tick();
    click("buStop");
    // A graph given another clock starts again from the beginning.
    clock = std::make_shared<platform::ManualReferenceClock>();
    ASSERT_EQ(window->fgMain.query<platform::IMediaFilter>()->SetSyncSource(clock), platform::S_OK);
    pumpEvents();
    removeRecording();
    click("buPlayNoSh");
    ASSERT_TRUE(waitForFrames(1));
    EXPECT_EQ(recordedMark(0), markAt(0));
}

TEST_F(PositionDisplays, TheConnectionIndicatorShowsAFailedDeviceConnection) {
    open(threeClips());
    EXPECT_FALSE(window->ConnectionError());
    const QRect indicator = status().PanelRect(6);
    const QImage connected = status().grab().toImage();
    window->SetConnectionError(platform::E_FAIL);
    EXPECT_TRUE(window->ConnectionError());
    const QImage failed = status().grab().toImage();
    ASSERT_EQ(failed.size(), connected.size());
    bool changedInside = false;
    for (int y = 0; y < failed.height(); ++y) {
        for (int x = 0; x < failed.width(); ++x) {
            if (failed.pixel(x, y) != connected.pixel(x, y)) {
                EXPECT_TRUE(indicator.contains(x, y)) << x << "," << y;
                changedInside = true;
            }
        }
    }
    EXPECT_TRUE(changedInside);
    window->SetConnectionError(platform::S_OK);
    EXPECT_EQ(status().grab().toImage(), connected);
}

} // namespace

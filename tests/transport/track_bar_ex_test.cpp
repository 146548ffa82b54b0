// The current-file trackbar: when it counts as held by the user, and the end-of-change report
// after every release.
#include "transport/track_bar_ex.h"

#include "tests/transport/slider_points.h"

#include <QTest>

#include <gtest/gtest.h>

namespace transport {
namespace {

using transporttest::pointOfValue;

class TrackBarExTest : public ::testing::Test {
protected:
    TrackBarExTest() {
        bar.setMaximum(10000);
        bar.resize(400, 30);
        bar.show();
        bar.OnChange = [this](TTrackBarEx* sender) {
            EXPECT_EQ(sender, &bar);
            changes.push_back(bar.Tracking());
        };
        bar.OnEndOfChange = [this](TTrackBarEx* sender) {
            EXPECT_EQ(sender, &bar);
            ends.push_back(bar.Tracking());
        };
    }

    TTrackBarEx bar;
    std::vector<bool> changes; // Tracking at each OnChange
    std::vector<bool> ends;    // Tracking at each OnEndOfChange
};

TEST_F(TrackBarExTest, AssignmentsAreNotUserInput) {
    bar.setValue(1234);
    EXPECT_EQ(changes, std::vector<bool>{false});
    bar.setValue(1234);
    EXPECT_EQ(changes.size(), 1u) << "no change, no event";
    EXPECT_TRUE(ends.empty());
}

TEST_F(TrackBarExTest, LeftDragIsTrackedUntilTheRelease) {
    // A click on the groove puts the thumb there rather than paging towards it.
    const QPoint start = pointOfValue(bar, 7500);
    QTest::mousePress(&bar, Qt::LeftButton, {}, start);
    EXPECT_TRUE(bar.Tracking());
    EXPECT_GT(bar.value(), 7000);
    ASSERT_FALSE(changes.empty());
    EXPECT_TRUE(changes.back()) << "the jump of the press is already the user's";

    QTest::mouseMove(&bar, pointOfValue(bar, 2500));
    EXPECT_LT(bar.value(), 3000);
    EXPECT_TRUE(changes.back());

    // Inside the slider's own release handling the button is no longer held.
    bool trackingAtRelease = true;
    QObject::connect(&bar, &QSlider::sliderReleased, [&] { trackingAtRelease = bar.Tracking(); });
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, pointOfValue(bar, 2500));
    EXPECT_FALSE(trackingAtRelease);
    EXPECT_FALSE(bar.Tracking());
    EXPECT_EQ(ends, std::vector<bool>{false});
}

TEST_F(TrackBarExTest, OtherButtonsEndAChangeWithoutTracking) {
    bar.setValue(5000);
    changes.clear();
    QTest::mouseClick(&bar, Qt::RightButton, {}, pointOfValue(bar, 9000));
    EXPECT_FALSE(bar.Tracking());
    EXPECT_EQ(bar.value(), 5000);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(ends, std::vector<bool>{false});
}

TEST_F(TrackBarExTest, ReleasingAnotherButtonKeepsTheLeftHeld) {
    const QPoint p = pointOfValue(bar, 3000);
    QTest::mousePress(&bar, Qt::LeftButton, {}, p);
    QTest::mousePress(&bar, Qt::RightButton, {}, p);
    QTest::mouseRelease(&bar, Qt::RightButton, {}, p);
    EXPECT_TRUE(bar.Tracking());
    EXPECT_EQ(ends, std::vector<bool>{true});
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, p);
    EXPECT_FALSE(bar.Tracking());
    EXPECT_EQ(ends, (std::vector<bool>{true, false}));
}

} // namespace
} // namespace transport

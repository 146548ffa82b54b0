// The mapping between the whole-list timeline and its items, and what the position displays
// show for it.
#include "transport/position_map.h"

#include "render/file_info.h"
#include "render/media_item.h"

#include <QLocale>
#include <QTime>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace transport {
namespace {

constexpr REFERENCE_TIME kSecond = 10'000'000;
constexpr std::uint32_t kSecondMs = 1000;

// Items laid end to end, as the main list holds them.
std::vector<TItemSpan> laidOut(std::initializer_list<REFERENCE_TIME> durations) {
    std::vector<TItemSpan> items;
    REFERENCE_TIME start = 0;
    for (const REFERENCE_TIME d : durations) {
        items.push_back({start, d});
        start += d;
    }
    return items;
}

// The time of day as the locale shows it, without a zone.
QString timeOfDay(int h, int m, int s) {
    const QLocale locale = QLocale::system();
    return locale.toString(QTime(h, m, s),
                           render::TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

TEST(FindItemAt, ItemBoundariesAndTheEndOfTheTimeline) {
    const auto items = laidOut({60 * kSecond, 120 * kSecond, 30 * kSecond});
    EXPECT_EQ(FindItemAt(items, 0), (TItemAt{0, 0, 60 * kSecond}));
    EXPECT_EQ(FindItemAt(items, 60 * kSecondMs - 1).Index, 0);
    // The first millisecond of an item belongs to it, not to the one before.
    EXPECT_EQ(FindItemAt(items, 60 * kSecondMs), (TItemAt{1, 60 * kSecond, 120 * kSecond}));
    EXPECT_EQ(FindItemAt(items, 180 * kSecondMs), (TItemAt{2, 180 * kSecond, 30 * kSecond}));
    // At or beyond the end: item 0, with its own start and length.
    EXPECT_EQ(FindItemAt(items, 210 * kSecondMs), (TItemAt{0, 0, 60 * kSecond}));
    EXPECT_EQ(FindItemAt(items, std::numeric_limits<std::uint32_t>::max()).Index, 0);
}

TEST(FindItemAt, EmptyItemsNeverMatchAndAnEmptyListHasNoItem) {
    // An item of no length in the middle is skipped; the later item with the same start wins.
    const auto items = laidOut({10 * kSecond, 0, 10 * kSecond});
    EXPECT_EQ(FindItemAt(items, 10 * kSecondMs).Index, 2);
    EXPECT_EQ(FindItemAt(std::vector<TItemSpan>{}, 0), TItemAt{});
}

TEST(FindItemAt, WorksOnTheMediaRecordsThemselves) {
    std::vector<std::unique_ptr<render::TFileInfo>> records;
    for (const REFERENCE_TIME d : {5 * kSecond, 7 * kSecond}) {
        auto info = std::make_unique<render::TFileInfo>();
        info->Start = records.empty() ? 0 : records.back()->Start + records.back()->Duration;
        info->Duration = d;
        records.push_back(std::move(info));
    }
    const auto found = FindItemAt(records, 6 * kSecondMs,
                                  [](const auto& p) -> const render::TFileInfo& { return *p; });
    EXPECT_EQ(found, (TItemAt{1, 5 * kSecond, 7 * kSecond}));
}

TEST(PositionDisplay, DragAndTickAcrossThreeItems) {
    const auto items = laidOut({60 * kSecond, 120 * kSecond, 30 * kSecond});
    const std::uint32_t total = 210 * kSecondMs;

    // Dragging the all-files thumb to 100 s points at row 1, 40 s into it.
    const TItemAt target = FindItemAt(items, 100 * kSecondMs);
    EXPECT_EQ(target.Index, 1);
    const TDragDisplay drag = AllFilesDragDisplay(100 * kSecondMs, target);
    EXPECT_EQ(drag.PositionText, timeOfDay(0, 1, 40));
    EXPECT_EQ(drag.ItemPositionText, timeOfDay(0, 0, 40));

    // The next report after the seek shows that item and puts the current-file thumb at
    // 40 × 10000 ÷ 120, truncated.
    const TPositionDisplay shown = PositionDisplay(100 * kSecondMs, total, target, 10000);
    EXPECT_EQ(shown.TotalText, timeOfDay(0, 3, 30));
    EXPECT_EQ(shown.PositionText, timeOfDay(0, 1, 40));
    EXPECT_EQ(shown.ItemLengthText, timeOfDay(0, 2, 0));
    EXPECT_EQ(shown.ItemPositionText, timeOfDay(0, 0, 40));
    EXPECT_EQ(shown.Item.Index, 1);
    EXPECT_EQ(shown.CurFileThumb, 3333);

    // Past the end the display falls back to item 0 and the thumb stays inside its range.
    const TPositionDisplay past = PositionDisplay(total, total, FindItemAt(items, total), 10000);
    EXPECT_EQ(past.ItemLengthText, timeOfDay(0, 1, 0));
    EXPECT_EQ(past.CurFileThumb, 10000);
}

TEST(PositionDisplay, AnItemWithoutDurationLeavesTheCurrentFileThumb) {
    EXPECT_EQ(CurFileThumb(5 * kSecondMs, TItemAt{0, 0, 0}, 10000), std::nullopt);
    EXPECT_EQ(PositionDisplay(0, 0, TItemAt{0, 0, 0}, 10000).CurFileThumb, std::nullopt);
}

TEST(PositionDisplay, DaysComeFirstOnLongTimelines) {
    const std::uint32_t hour = 3600 * kSecondMs;
    EXPECT_EQ(TimeText(25 * hour), QStringLiteral("1.") + timeOfDay(1, 0, 0));
    EXPECT_EQ(TimeText(hour), timeOfDay(1, 0, 0));
    EXPECT_EQ(TimeText(0), timeOfDay(0, 0, 0));
    // The longest 32-bit time: 49 days 17:02:47.295.
    EXPECT_EQ(TimeText(std::numeric_limits<std::uint32_t>::max()),
              QStringLiteral("49.") + timeOfDay(17, 2, 47));
}

TEST(CurFileTarget, MiddleOfATenMinuteItemAtOneHour) {
    const TItemAt item{3, 3600 * kSecond, 600 * kSecond};
    const TCurFileTarget target = CurFileTarget(5000, 10000, item);
    EXPECT_EQ(target.Offset, 300 * kSecond);
    EXPECT_EQ(target.Position, 3900 * kSecond);
    EXPECT_EQ(target.Display.ItemPositionText, timeOfDay(0, 5, 0));
    EXPECT_EQ(target.Display.PositionText, timeOfDay(1, 5, 0));
    // And back: the report of that position puts the thumb where the drag left it.
    EXPECT_EQ(CurFileThumb(3900 * kSecondMs, item, 10000), 5000);
    // A trackbar without steps stands for the start of the item.
    EXPECT_EQ(CurFileTarget(5000, 0, item).Position, 3600 * kSecond);
}

TEST(AllFilesMapping, ThumbAndTimeBothWays) {
    const REFERENCE_TIME tenMinutes = 600 * kSecond;
    EXPECT_EQ(AllFilesTime(1200, tenMinutes, 2400), 300 * kSecond);
    EXPECT_EQ(AllFilesTime(1200, tenMinutes, 0), 0);
    EXPECT_EQ(AllFilesThumb(300 * kSecond, tenMinutes, 2400), 1200);
    EXPECT_EQ(AllFilesThumb(2 * tenMinutes, tenMinutes, 2400), 2400);
    EXPECT_EQ(AllFilesThumb(-kSecond, tenMinutes, 2400), 0);
    EXPECT_EQ(AllFilesThumb(kSecond, 0, 2400), std::nullopt);
}

TEST(AllFilesMapping, ProductsDoNotOverflowOnLongTimelines) {
    // 100 hours polled every 20 ms: 18,000,000 thumb steps, and a product beyond 64 bits.
    const REFERENCE_TIME hundredHours = 360'000 * kSecond;
    const std::int64_t steps = 18'000'000;
    EXPECT_EQ(AllFilesTime(steps, hundredHours, steps), hundredHours);
    EXPECT_EQ(AllFilesTime(steps / 2, hundredHours, steps), hundredHours / 2);
    EXPECT_EQ(AllFilesThumb(hundredHours / 4, hundredHours, steps), steps / 4);
    // Division truncates toward zero, as 64-bit division does.
    EXPECT_EQ(MulDiv(-7, 1, 2), -3);
    EXPECT_EQ(MulDiv(7, 1, 2), 3);
    EXPECT_EQ(MulDiv(std::numeric_limits<std::int64_t>::max(), 4, 2),
              std::numeric_limits<std::int64_t>::max());
}

TEST(ToMilliseconds, TruncatesAndStaysInsideThe32BitRange) {
    EXPECT_EQ(ToMilliseconds(19'999), 1u);
    EXPECT_EQ(ToMilliseconds(-10'000), 0u);
    EXPECT_EQ(ToMilliseconds(REFERENCE_TIME{1} << 50), std::numeric_limits<std::uint32_t>::max());
}

TEST(TopRowShowing, ScrollsOnlyWhenTheRowIsOutOfView) {
    // Rows 10..19 are visible.
    EXPECT_EQ(TopRowShowing(12, 10, 10), 10);
    EXPECT_EQ(TopRowShowing(19, 10, 10), 10);
    EXPECT_EQ(TopRowShowing(4, 10, 10), 4);
    // Below the view the row becomes the last visible one.
    EXPECT_EQ(TopRowShowing(20, 10, 10), 11);
    EXPECT_EQ(TopRowShowing(35, 10, 10), 26);
    // A grid too low for one row still brings the row to its top.
    EXPECT_EQ(TopRowShowing(35, 10, 0), 35);
}

} // namespace
} // namespace transport

#pragma once

// The mapping between the whole-list timeline and its items, and the texts and thumb positions
// the position displays show. Positions and durations are reference times (100 ns); the
// trackbar reports and time texts use milliseconds.
#include "platform/system/hresult.h"

#include <QRgb>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <ranges>

namespace transport {

using platform::REFERENCE_TIME;

inline constexpr REFERENCE_TIME kUnitsPerMs = 10'000;

// a × b ÷ c with the product held at full width, so no 64-bit operands overflow it; truncates
// toward zero and saturates at the 64-bit limits. 0 when c is 0.
std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c);

// A reference time in whole milliseconds (truncated), as the trackbar reports carry it:
// negative times give 0, times beyond the 32-bit range give its largest value.
std::uint32_t ToMilliseconds(REFERENCE_TIME time);

constexpr REFERENCE_TIME FromMilliseconds(std::uint32_t ms) {
    return static_cast<REFERENCE_TIME>(ms) * kUnitsPerMs;
}

// The display text of a time of `ms` milliseconds: the whole days and "." when there is at least
// one, then the time of day in the locale's long time format.
QString TimeText(std::uint32_t ms);

// Where one item of the main list lies on the timeline.
struct TItemSpan {
    REFERENCE_TIME Start = 0;
    REFERENCE_TIME Duration = 0;
};

// An item found on the timeline. Index -1 (and zero times) only for an empty list.
struct TItemAt {
    int Index = -1;
    REFERENCE_TIME Start = 0;
    REFERENCE_TIME Duration = 0;

    friend bool operator==(const TItemAt&, const TItemAt&) = default;
};

// The item that holds the all-files position `position_ms`: from the last item to the first,
// the first with Start ≤ position < Start + Duration. When none does (a position at or beyond
// the end), item 0. `items` is any random-access list whose elements, after `projection`, have
// `Start` and `Duration` (TItemSpan, the media records, ...).
template <std::ranges::random_access_range Items, typename Projection = std::identity>
TItemAt FindItemAt(const Items& items, std::uint32_t position_ms, Projection projection = {}) {
    const REFERENCE_TIME position = FromMilliseconds(position_ms);
    const auto count = std::ranges::ssize(items);
    for (auto i = count - 1; i >= 0; --i) {
        const auto& item = std::invoke(projection, std::ranges::begin(items)[i]);
        if (item.Start <= position && position < item.Start + item.Duration) {
            return {static_cast<int>(i), item.Start, item.Duration};
        }
    }
    if (count == 0) {
        return {};
    }
    const auto& first = std::invoke(projection, *std::ranges::begin(items));
    return {0, first.Start, first.Duration};
}

// Milliseconds from the start of `item` to the all-files position `position_ms` (0 before it).
std::uint32_t PositionInItemMs(std::uint32_t position_ms, const TItemAt& item);

// The current-file trackbar: thumb `thumb` of `max` steps stands for thumb × duration ÷ max
// inside the item (0 when max is 0).
REFERENCE_TIME CurFileOffset(std::int64_t thumb, REFERENCE_TIME duration, std::int64_t max);
// The thumb for the all-files position `position_ms` inside `item`, within 0..max; none for an
// item of no duration (the thumb stays where it is).
std::optional<int> CurFileThumb(std::uint32_t position_ms, const TItemAt& item, int max);

// The all-files trackbar: thumb `thumb` of `max` steps on a timeline of `total` stands for
// thumb × total ÷ max (0 when max is 0).
REFERENCE_TIME AllFilesTime(std::int64_t thumb, REFERENCE_TIME total, std::int64_t max);
// The thumb for timeline time `time`, within 0..max; none when the timeline is empty.
std::optional<std::int64_t> AllFilesThumb(REFERENCE_TIME time, REFERENCE_TIME total,
                                          std::int64_t max);

// The polling interval of the all-files trackbar for an update-interval step (1..7; steps
// outside are taken as the nearest one).
inline constexpr int kTrackBarIntervalSteps = 7;
std::uint32_t TrackBarIntervalMs(int step);

// The top row that brings `row` into view in a grid showing `visibleRows` rows from `topRow`:
// unchanged when the row is visible already.
int TopRowShowing(int row, int topRow, int visibleRows);

// Row colours of the playlist grid: the current item and the target of a drag.
inline constexpr QRgb clMoneyGreen = qRgb(192, 220, 192);
inline constexpr QRgb clSkyBlue = qRgb(166, 202, 240);

// What a position report of the all-files trackbar shows (current and stop position in ms).
struct TPositionDisplay {
    QString TotalText;        // length of the timeline
    QString PositionText;     // all-files position
    QString ItemLengthText;   // length of the current item
    QString ItemPositionText; // position inside the current item
    TItemAt Item;             // the item the position lies in
    // Where the current-file thumb goes; none when the item has no duration.
    std::optional<int> CurFileThumb;
};
TPositionDisplay PositionDisplay(std::uint32_t current_ms, std::uint32_t stop_ms,
                                 const TItemAt& item, int curFileMax);

// What a drag shows: the all-files position and the position inside the item it points at.
struct TDragDisplay {
    QString PositionText;
    QString ItemPositionText;
};
// A drag on the all-files trackbar to `position_ms`, which lies in `item`.
TDragDisplay AllFilesDragDisplay(std::uint32_t position_ms, const TItemAt& item);

// A drag on the current-file trackbar to `thumb` of `max` steps inside `item`.
struct TCurFileTarget {
    REFERENCE_TIME Offset = 0;   // inside the item
    REFERENCE_TIME Position = 0; // on the timeline: where the release seeks to
    TDragDisplay Display;
};
TCurFileTarget CurFileTarget(std::int64_t thumb, std::int64_t max, const TItemAt& item);

} // namespace transport

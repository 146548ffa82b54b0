#include "transport/position_map.h"

#include "render/media_item.h"

#include <algorithm>
#include <array>
#include <limits>

namespace transport {

namespace {
// Wide enough for the product of any two 64-bit values.
__extension__ typedef __int128 Wide;
} // namespace

std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) {
        return 0;
    }
    // Integer division of the wide type truncates toward zero, as 64-bit division does.
    const Wide quotient = static_cast<Wide>(a) * b / c;
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(std::clamp<Wide>(quotient, lowest, highest));
}

std::uint32_t ToMilliseconds(REFERENCE_TIME time) {
    const REFERENCE_TIME ms = time / kUnitsPerMs;
    return static_cast<std::uint32_t>(
        std::clamp<REFERENCE_TIME>(ms, 0, std::numeric_limits<std::uint32_t>::max()));
}

QString TimeText(std::uint32_t ms) {
    constexpr double msPerDay = 86'400'000.0;
    return render::DurationText(ms / msPerDay);
}

std::uint32_t PositionInItemMs(std::uint32_t position_ms, const TItemAt& item) {
    const REFERENCE_TIME startMs = item.Start / kUnitsPerMs;
    return static_cast<std::uint32_t>(std::max<REFERENCE_TIME>(position_ms - startMs, 0));
}

REFERENCE_TIME CurFileOffset(std::int64_t thumb, REFERENCE_TIME duration, std::int64_t max) {
    return MulDiv(thumb, duration, max);
}

std::optional<int> CurFileThumb(std::uint32_t position_ms, const TItemAt& item, int max) {
    if (item.Duration == 0) {
        return std::nullopt;
    }
    const std::int64_t thumb =
        MulDiv(FromMilliseconds(position_ms) - item.Start, max, item.Duration);
    return static_cast<int>(std::clamp<std::int64_t>(thumb, 0, std::max(max, 0)));
}

REFERENCE_TIME AllFilesTime(std::int64_t thumb, REFERENCE_TIME total, std::int64_t max) {
    return MulDiv(thumb, total, max);
}

std::optional<std::int64_t> AllFilesThumb(REFERENCE_TIME time, REFERENCE_TIME total,
                                          std::int64_t max) {
    if (total <= 0) {
        return std::nullopt;
    }
    return std::clamp<std::int64_t>(MulDiv(time, max, total), 0, std::max<std::int64_t>(max, 0));
}

std::uint32_t TrackBarIntervalMs(int step) {
    static constexpr std::array<std::uint32_t, kTrackBarIntervalSteps> intervals{20,  40,  70,  130,
                                                                                 250, 500, 1000};
    return intervals[static_cast<std::size_t>(std::clamp(step, 1, kTrackBarIntervalSteps) - 1)];
}

int TopRowShowing(int row, int topRow, int visibleRows) {
    if (row < topRow) {
        return row;
    }
    // A grid too small to show one whole row still shows the row at its top.
    const int visible = std::max(visibleRows, 1);
    if (row >= topRow + visible) {
        return row - visible + 1;
    }
    return topRow;
}

TPositionDisplay PositionDisplay(std::uint32_t current_ms, std::uint32_t stop_ms,
                                 const TItemAt& item, int curFileMax) {
    return {TimeText(stop_ms),
            TimeText(current_ms),
            TimeText(ToMilliseconds(item.Duration)),
            TimeText(PositionInItemMs(current_ms, item)),
            item,
            CurFileThumb(current_ms, item, curFileMax)};
}

TDragDisplay AllFilesDragDisplay(std::uint32_t position_ms, const TItemAt& item) {
    return {TimeText(position_ms), TimeText(PositionInItemMs(position_ms, item))};
}

TCurFileTarget CurFileTarget(std::int64_t thumb, std::int64_t max, const TItemAt& item) {
    const REFERENCE_TIME offset = CurFileOffset(thumb, item.Duration, max);
    const REFERENCE_TIME position = item.Start + offset;
    return {offset, position,
            TDragDisplay{TimeText(ToMilliseconds(position)), TimeText(ToMilliseconds(offset))}};
}

} // namespace transport

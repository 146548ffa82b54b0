// The contract every wipe code must keep, checked for each of the 134 codes on a small frame.

#include "platform/editing/smpte_wipe.h"

#include "tests/platform/editing/smpte_wipe_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using platform::buildWipeThresholdMap;
using platform::SmpteWipe;
using namespace smpte_wipe_test;

// Values in [0, 1] on any frame size; on a real frame starting near 0 and reaching near 1, so
// that neither end of the transition is spent on a still picture.
void expectMapSpansTheUnitRange(int code) {
    for (const auto& [w, h] : {std::pair{kSmallWidth, kSmallHeight}, std::pair{33, 17},
                               std::pair{1, 1}, std::pair{5, 2}}) {
        const auto map = buildWipeThresholdMap(code, w, h);
        ASSERT_EQ(map.size(), static_cast<std::size_t>(w * h));
        EXPECT_TRUE(std::all_of(map.begin(), map.end(),
                                [](float f) { return std::isfinite(f) && f >= 0.0f && f <= 1.0f; }))
            << w << "x" << h;
        if (w == kSmallWidth) {
            const auto [lo, hi] = std::minmax_element(map.begin(), map.end());
            EXPECT_LT(*lo, 0.1f);
            EXPECT_GT(*hi, 0.9f);
        }
    }
}

// Progress 0 (and below) gives exactly the outgoing frame, 1 (and above) the incoming one.
void expectExactEnds(int code) {
    for (const int softness : {0, 37, 500}) {
        const SmpteWipe wipe(code, softness, kSmallWidth, kSmallHeight);
        const RgbFrame from(kSmallWidth, kSmallHeight, 3, 1);
        const RgbFrame to(kSmallWidth, kSmallHeight, 3, 2);
        for (const double progress : {-0.5, 0.0, 1.0, 1.5}) {
            RgbFrame out(kSmallWidth, kSmallHeight, 3, 3);
            wipe.blendRgb24(progress, from.view(), to.view(), out.mutableView());
            const auto& expected = progress <= 0.0 ? from : to;
            int wrong_rows = 0;
            for (int j = 0; j < kSmallHeight; ++j) {
                const auto row = static_cast<std::ptrdiff_t>(j) * out.stride;
                wrong_rows +=
                    !std::equal(out.bytes.begin() + row, out.bytes.begin() + row + kSmallWidth * 3,
                                expected.bytes.begin() + row);
            }
            EXPECT_EQ(wrong_rows, 0) << "softness " << softness << " progress " << progress;
        }
        // With a soft border the ramp is still (or already) off the frame just inside the ends.
        if (softness > 0) {
            const auto start = weightsAt(wipe, 1e-7);
            EXPECT_LE(*std::max_element(start.begin(), start.end()), kFull / 8);
            const auto end = weightsAt(wipe, 1.0 - 1e-7);
            EXPECT_GE(*std::min_element(end.begin(), end.end()), kFull - kFull / 8);
        }
    }
}

// No pixel ever goes back toward the outgoing picture as the progress grows.
void expectIncomingAreaOnlyGrows(int code) {
    for (const int softness : {0, 120}) {
        const SmpteWipe wipe(code, softness, kSmallWidth, kSmallHeight);
        std::vector<std::uint16_t> previous(static_cast<std::size_t>(kSmallWidth) * kSmallHeight,
                                            0);
        std::uint64_t previous_total = 0;
        for (int step = 0; step <= 32; ++step) {
            const auto weights = weightsAt(wipe, step / 32.0);
            std::size_t shrunk = 0;
            std::uint64_t total = 0;
            for (std::size_t n = 0; n < weights.size(); ++n) {
                shrunk += weights[n] < previous[n] || weights[n] > kFull;
                total += weights[n];
            }
            ASSERT_EQ(shrunk, 0u) << "softness " << softness << " step " << step;
            EXPECT_GE(total, previous_total);
            if (step >= 4) {
                EXPECT_GT(total, 0u) << "softness " << softness << " step " << step;
            }
            previous = weights;
            previous_total = total;
        }
        EXPECT_EQ(previous_total, std::uint64_t{kFull} * previous.size());
    }
}

// Softness 0 cuts exactly along the pattern; the maximum softness leaves partial weights.
void expectHardEdgeFollowsThePatternAndSoftnessWidensIt(int code) {
    const auto map = buildWipeThresholdMap(code, kSmallWidth, kSmallHeight);
    const SmpteWipe hard(code, 0, kSmallWidth, kSmallHeight);
    const SmpteWipe soft(code, 500, kSmallWidth, kSmallHeight);
    EXPECT_EQ(hard.softness(), 0.0);
    EXPECT_GT(soft.softness(), 0.0);
    for (const double progress : {0.2, 0.5, 0.8}) {
        const auto weights = weightsAt(hard, progress);
        std::size_t partial = 0;
        std::size_t misplaced = 0;
        for (std::size_t n = 0; n < weights.size(); ++n) {
            partial += weights[n] != 0 && weights[n] != kFull;
            // Away from the edge (beyond the map's 16-bit rounding) the sides must agree.
            misplaced +=
                std::abs(map[n] - progress) > 1e-4 && (weights[n] == kFull) != (map[n] < progress);
        }
        EXPECT_EQ(partial, 0u) << progress;
        EXPECT_EQ(misplaced, 0u) << progress;
        const auto soft_weights = weightsAt(soft, progress);
        EXPECT_TRUE(std::any_of(soft_weights.begin(), soft_weights.end(), [](auto w) {
            return w > 0 && w < kFull;
        })) << progress;
    }
}

class EveryWipeCode : public ::testing::TestWithParam<int> {};

TEST_P(EveryWipeCode, KeepsTheWipeContract) {
    const int code = GetParam();
    {
        SCOPED_TRACE("map spans the unit range");
        expectMapSpansTheUnitRange(code);
    }
    {
        SCOPED_TRACE("exact ends");
        expectExactEnds(code);
    }
    {
        SCOPED_TRACE("incoming area only grows");
        expectIncomingAreaOnlyGrows(code);
    }
    {
        SCOPED_TRACE("hard and soft edges");
        expectHardEdgeFollowsThePatternAndSoftnessWidensIt(code);
    }
}

INSTANTIATE_TEST_SUITE_P(AllCodes, EveryWipeCode,
                         ::testing::ValuesIn(std::vector<int>(platform::smpteWipeCodes().begin(),
                                                              platform::smpteWipeCodes().end())),
                         [](const auto& param_info) { return codeName(param_info.param); });

} // namespace

#include "platform/editing/smpte_wipe_codes.h"
#include "platform/editing/smpte_wipe_pattern.h"

#include "tests/platform/editing/smpte_wipe_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

using platform::buildWipeThresholdMap;
using platform::isValidWipeCode;
using platform::smpteWipeCodes;
using platform::WipePatternOptions;
using namespace smpte_wipe_test;

float at(const std::vector<float>& map, int width, int i, int j) {
    return map[static_cast<std::size_t>(j) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(i)];
}

double incomingShare(const std::vector<float>& map, double progress) {
    const auto n = std::count_if(map.begin(), map.end(), [&](float f) { return f < progress; });
    return static_cast<double>(n) / static_cast<double>(map.size());
}

TEST(SmpteWipeCodes, ListHasTheEightGroupsInAscendingOrder) {
    const auto codes = smpteWipeCodes();
    ASSERT_EQ(codes.size(), 134u);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    const auto countIn = [&](int first, int last) {
        return std::count_if(codes.begin(), codes.end(),
                             [&](int c) { return c >= first && c <= last; });
    };
    EXPECT_EQ(countIn(1, 48), 22);
    EXPECT_EQ(countIn(61, 68), 8);
    EXPECT_EQ(countIn(71, 74), 4);
    EXPECT_EQ(countIn(101, 131), 26);
    EXPECT_EQ(countIn(201, 264), 39);
    EXPECT_EQ(countIn(301, 345), 30);
    EXPECT_EQ(countIn(350, 353), 4);
    EXPECT_EQ(countIn(409, 409), 1);
}

TEST(SmpteWipeCodes, GapsAndOutOfRangeValuesAreInvalid) {
    for (const int code : {-1,  0,   9,   20,  27,  49,  69,  75,  115, 118, 126, 132,
                           200, 208, 215, 265, 300, 307, 318, 330, 346, 354, 408, 410}) {
        EXPECT_FALSE(isValidWipeCode(code)) << code;
    }
    for (const int code : {1, 48, 114, 119, 127, 264, 345, 353, 409}) {
        EXPECT_TRUE(isValidWipeCode(code)) << code;
    }
}

TEST(SmpteWipePattern, RejectsUnknownCodesAndEmptyFrames) {
    EXPECT_THROW(buildWipeThresholdMap(126, 16, 16), std::invalid_argument);
    EXPECT_THROW(buildWipeThresholdMap(1, 0, 16), std::invalid_argument);
    EXPECT_THROW(buildWipeThresholdMap(1, 16, -2), std::invalid_argument);
    WipePatternOptions bad_aspect;
    bad_aspect.display_aspect = 0.0;
    EXPECT_THROW(buildWipeThresholdMap(119, 16, 16, bad_aspect), std::invalid_argument);
}

TEST(SmpteWipePattern, EveryCodeDrawsItsOwnPattern) {
    std::vector<std::vector<float>> maps;
    for (const int code : smpteWipeCodes()) {
        maps.push_back(buildWipeThresholdMap(code, kSmallWidth, kSmallHeight));
    }
    for (std::size_t a = 0; a < maps.size(); ++a) {
        for (std::size_t b = a + 1; b < maps.size(); ++b) {
            double difference = 0.0;
            for (std::size_t n = 0; n < maps[a].size(); ++n) {
                difference = std::max(difference, std::abs(double{maps[a][n]} - maps[b][n]));
            }
            EXPECT_GT(difference, 0.01)
                << smpteWipeCodes()[a] << " and " << smpteWipeCodes()[b] << " are the same";
        }
    }
}

// Pairs of codes whose maps are mirror images or half turns of each other on any frame.
enum class Relation { MirrorLeftRight, MirrorTopBottom, HalfTurn, QuarterTurnClockwise, Transpose };

struct RelatedPair {
    int first;
    int second;
    Relation relation;
};

std::vector<float> transformed(const std::vector<float>& map, int w, int h, Relation relation) {
    std::vector<float> out(map.size());
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            float value = 0.0f;
            switch (relation) {
            case Relation::MirrorLeftRight:
                value = at(map, w, w - 1 - i, j);
                break;
            case Relation::MirrorTopBottom:
                value = at(map, w, i, h - 1 - j);
                break;
            case Relation::HalfTurn:
                value = at(map, w, w - 1 - i, h - 1 - j);
                break;
            case Relation::QuarterTurnClockwise: // square frames only
                value = at(map, w, j, h - 1 - i);
                break;
            case Relation::Transpose: // square frames only
                value = at(map, w, j, i);
                break;
            }
            out[static_cast<std::size_t>(j * w + i)] = value;
        }
    }
    return out;
}

void expectRelated(const RelatedPair& pair, int w, int h, const WipePatternOptions& options) {
    const auto first = buildWipeThresholdMap(pair.first, w, h, options);
    const auto second = buildWipeThresholdMap(pair.second, w, h, options);
    const auto expected = transformed(first, w, h, pair.relation);
    int mismatches = 0;
    for (std::size_t n = 0; n < second.size(); ++n) {
        if (std::abs(second[n] - expected[n]) > 1e-5f) {
            ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0) << pair.first << " vs " << pair.second << " at " << w << "x" << h;
}

class MirroredWipePair : public ::testing::TestWithParam<RelatedPair> {};

TEST_P(MirroredWipePair, MapsAreMirrorImages) {
    expectRelated(GetParam(), 72, 56, {});
    expectRelated(GetParam(), 64, 48, {});
}

using R = Relation;
INSTANTIATE_TEST_SUITE_P(
    ReferencePairs, MirroredWipePair,
    ::testing::Values(
        RelatedPair{3, 4, R::MirrorLeftRight}, RelatedPair{4, 5, R::MirrorTopBottom},
        RelatedPair{5, 6, R::MirrorLeftRight}, RelatedPair{3, 5, R::HalfTurn},
        RelatedPair{23, 25, R::MirrorTopBottom}, RelatedPair{24, 26, R::MirrorLeftRight},
        RelatedPair{61, 63, R::MirrorTopBottom}, RelatedPair{62, 64, R::MirrorLeftRight},
        RelatedPair{65, 67, R::MirrorTopBottom}, RelatedPair{66, 68, R::MirrorLeftRight},
        RelatedPair{103, 105, R::MirrorTopBottom}, RelatedPair{104, 106, R::MirrorLeftRight},
        RelatedPair{107, 109, R::MirrorTopBottom}, RelatedPair{108, 110, R::MirrorLeftRight},
        RelatedPair{111, 112, R::MirrorTopBottom}, RelatedPair{201, 203, R::HalfTurn},
        RelatedPair{202, 204, R::HalfTurn}, RelatedPair{221, 223, R::HalfTurn},
        RelatedPair{222, 224, R::HalfTurn}, RelatedPair{231, 233, R::MirrorTopBottom},
        RelatedPair{232, 234, R::MirrorLeftRight}, RelatedPair{241, 243, R::HalfTurn},
        RelatedPair{242, 244, R::HalfTurn}, RelatedPair{251, 253, R::MirrorTopBottom},
        RelatedPair{252, 254, R::MirrorLeftRight}, RelatedPair{310, 312, R::HalfTurn},
        RelatedPair{311, 313, R::HalfTurn}, RelatedPair{320, 321, R::MirrorTopBottom},
        RelatedPair{324, 325, R::MirrorLeftRight}, RelatedPair{350, 351, R::MirrorLeftRight},
        RelatedPair{352, 353, R::MirrorLeftRight}),
    [](const auto& param_info) {
        return std::to_string(param_info.param.first) + "_" +
               std::to_string(param_info.param.second);
    });

// On a square frame shown with square pixels, the rotated and transposed variants are exact
// quarter turns of each other.
class SquareFrameWipePair : public ::testing::TestWithParam<RelatedPair> {};

TEST_P(SquareFrameWipePair, MapsAreQuarterTurnsOrTransposes) {
    WipePatternOptions square;
    square.display_aspect = 1.0;
    expectRelated(GetParam(), 64, 64, square);
}

INSTANTIATE_TEST_SUITE_P(
    RotatedVariants, SquareFrameWipePair,
    ::testing::Values(RelatedPair{1, 2, R::Transpose}, RelatedPair{21, 22, R::Transpose},
                      RelatedPair{301, 302, R::Transpose}, RelatedPair{350, 352, R::Transpose},
                      RelatedPair{201, 202, R::QuarterTurnClockwise},
                      RelatedPair{202, 203, R::QuarterTurnClockwise},
                      RelatedPair{310, 311, R::QuarterTurnClockwise},
                      RelatedPair{314, 315, R::QuarterTurnClockwise},
                      RelatedPair{103, 104, R::QuarterTurnClockwise},
                      RelatedPair{107, 108, R::QuarterTurnClockwise},
                      RelatedPair{120, 121, R::QuarterTurnClockwise},
                      RelatedPair{122, 123, R::QuarterTurnClockwise},
                      RelatedPair{124, 125, R::QuarterTurnClockwise},
                      RelatedPair{221, 222, R::QuarterTurnClockwise},
                      RelatedPair{340, 342, R::Transpose}, RelatedPair{344, 345, R::Transpose}),
    [](const auto& param_info) {
        return std::to_string(param_info.param.first) + "_" +
               std::to_string(param_info.param.second);
    });

// Incoming share of a PAL frame at progress 0.25 / 0.5 / 0.75.
struct ShareCase {
    int code;
    double at_quarter;
    double at_half;
    double at_three_quarters;
    double tolerance;
};

class WipeShareAtPal : public ::testing::TestWithParam<ShareCase> {};

TEST_P(WipeShareAtPal, MatchesReferenceShares) {
    const auto& c = GetParam();
    const auto map = buildWipeThresholdMap(c.code, kPalWidth, kPalHeight);
    EXPECT_NEAR(incomingShare(map, 0.25), c.at_quarter, c.tolerance);
    EXPECT_NEAR(incomingShare(map, 0.5), c.at_half, c.tolerance);
    EXPECT_NEAR(incomingShare(map, 0.75), c.at_three_quarters, c.tolerance);
}

constexpr double kExact = 1e-6;
constexpr double kClose = 0.002;

INSTANTIATE_TEST_SUITE_P(
    ReferenceShares, WipeShareAtPal,
    ::testing::Values(
        ShareCase{1, 0.25, 0.5, 0.75, kExact}, ShareCase{21, 0.25, 0.5, 0.75, kExact},
        ShareCase{201, 0.25, 0.5, 0.75, kExact}, ShareCase{261, 0.25, 0.5, 0.75, kExact},
        ShareCase{301, 0.25, 0.5, 0.75, kExact}, ShareCase{310, 0.25, 0.5, 0.75, kExact},
        ShareCase{320, 0.25, 0.5, 0.75, kExact}, ShareCase{340, 0.25, 0.5, 0.75, kExact},
        ShareCase{344, 0.25, 0.5, 0.75, kExact}, ShareCase{303, 0.25, 0.5, 0.75, kClose},
        ShareCase{328, 0.25, 0.5, 0.75, kClose}, ShareCase{3, 0.0625, 0.25, 0.5625, kClose},
        ShareCase{8, 0.0625, 0.25, 0.5625, kClose}, ShareCase{101, 0.0625, 0.25, 0.5625, kClose},
        ShareCase{43, 0.125, 0.5, 0.875, kClose}, ShareCase{102, 0.125, 0.5, 0.875, kClose},
        ShareCase{47, 0.4375, 0.75, 0.9375, kClose}, ShareCase{65, 0.4375, 0.75, 0.9375, kClose},
        ShareCase{71, 0.225, 0.5, 0.775, kClose}, ShareCase{73, 0.275, 0.55, 0.825, kClose},
        ShareCase{103, 0.1663, 0.6159, 0.9252, kClose},
        ShareCase{119, 0.1020, 0.4079, 0.8230, kClose},
        ShareCase{128, 0.1770, 0.5956, 0.8862, kClose},
        ShareCase{130, 0.2271, 0.7420, 0.9356, kClose},
        ShareCase{131, 0.4059, 0.6992, 0.9033, kClose}, ShareCase{205, 0.1875, 0.5, 0.8125, kClose},
        ShareCase{207, 0.2157, 0.5, 0.7843, kClose}, ShareCase{221, 0.1667, 0.5, 0.8333, kClose},
        ShareCase{227, 0.3125, 0.5, 0.6875, kClose}, ShareCase{241, 0.2761, 0.6250, 0.8447, kClose},
        ShareCase{245, 0.2164, 0.4444, 0.6986, kClose}, ShareCase{263, 0.0938, 0.5, 0.9062, kClose},
        ShareCase{350, 0.1406, 0.5, 0.8594, kClose}),
    [](const auto& param_info) { return codeName(param_info.param.code); });

TEST(SmpteWipePattern, ClockHandStartsAtTwelveAndTurnsClockwise) {
    const auto map = buildWipeThresholdMap(201, kPalWidth, kPalHeight);
    EXPECT_LT(at(map, kPalWidth, kPalWidth / 2, 0), 0.3f);
    EXPECT_GT(at(map, kPalWidth, kPalWidth / 2 - 1, 0), 0.3f);
    // Three o'clock is a quarter turn on.
    EXPECT_NEAR(at(map, kPalWidth, kPalWidth - 1, kPalHeight / 2), 0.25, 0.002);
}

TEST(SmpteWipePattern, VeeOpensFromItsLineFirst) {
    const auto map = buildWipeThresholdMap(65, kPalWidth, kPalHeight);
    // On the V through the top corners and the bottom-edge midpoint, (0.25, 0.5).
    EXPECT_LT(at(map, kPalWidth, kPalWidth / 4, kPalHeight / 2), 0.003f);
    EXPECT_GT(at(map, kPalWidth, kPalWidth / 2, 0), 0.99f);
}

TEST(SmpteWipePattern, SpiralCompletesTheOuterRingFirst) {
    const int w = kPalWidth;
    const int h = kPalHeight;
    const auto map = buildWipeThresholdMap(310, w, h);
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const int column = i * 8 / w;
            const int row = j * 8 / h;
            const bool outer_ring = column == 0 || column == 7 || row == 0 || row == 7;
            ASSERT_EQ(at(map, w, i, j) < 28.0f / 64.0f, outer_ring) << i << "," << j;
        }
    }
}

TEST(SmpteWipePattern, DoubleSpiralHasSixteenTilesPerHalfAtHalfway) {
    const int w = kPalWidth;
    const int h = kPalHeight;
    const auto map = buildWipeThresholdMap(340, w, h);
    const auto tileIncoming = [&](int column, int row) {
        return at(map, w, column * w / 8 + w / 16, row * h / 8 + h / 16) < 0.5f;
    };
    // Left half: down the left edge, along the bottom, then up the half's inner column.
    for (int row = 0; row < 8; ++row) {
        EXPECT_TRUE(tileIncoming(0, row));
        EXPECT_TRUE(tileIncoming(7, row));
    }
    EXPECT_TRUE(tileIncoming(2, 7));
    EXPECT_TRUE(tileIncoming(3, 2));
    EXPECT_TRUE(tileIncoming(4, 2));
    EXPECT_FALSE(tileIncoming(3, 1));
    EXPECT_FALSE(tileIncoming(1, 0));
    EXPECT_FALSE(tileIncoming(6, 0));
    EXPECT_NEAR(incomingShare(map, 0.5), 0.5, kExact);
}

TEST(SmpteWipePattern, RandomMaskDependsOnTheSeedOnly) {
    WipePatternOptions first;
    first.random_seed = 7;
    WipePatternOptions second;
    second.random_seed = 8;
    const auto a = buildWipeThresholdMap(409, kPalWidth, kPalHeight, first);
    EXPECT_EQ(a, buildWipeThresholdMap(409, kPalWidth, kPalHeight, first));
    EXPECT_NE(a, buildWipeThresholdMap(409, kPalWidth, kPalHeight, second));
    for (const double p : {0.1, 0.25, 0.5, 0.75, 0.9}) {
        EXPECT_NEAR(incomingShare(a, p), p, 0.005);
    }
}

TEST(SmpteWipePattern, AspectMakesTheCircleRoundOnTheDisplay) {
    // 4:3 display of a 720 x 576 raster: a pixel is 16/15 as wide as high, so the circle's
    // horizontal radius in pixels is 15/16 of its vertical one.
    const auto map = buildWipeThresholdMap(119, kPalWidth, kPalHeight);
    const float level = at(map, kPalWidth, kPalWidth / 2, kPalHeight / 2 + 150);
    int i = kPalWidth / 2;
    while (i < kPalWidth && at(map, kPalWidth, i, kPalHeight / 2) < level) {
        ++i;
    }
    EXPECT_NEAR(i - kPalWidth / 2, 150.0 * 15.0 / 16.0, 1.5);
}

// Nominal slopes (pixels per unit of progress) of the reference patterns at PAL size.
struct SlopeCase {
    int code;
    double pixels;
};

class WipeSlopeAtPal : public ::testing::TestWithParam<SlopeCase> {};

TEST_P(WipeSlopeAtPal, MatchesReferencePixelsPerUnit) {
    const auto map = buildWipeThresholdMap(GetParam().code, kPalWidth, kPalHeight);
    const double slope = platform::nominalThresholdGradient(map, kPalWidth, kPalHeight);
    EXPECT_NEAR(1.0 / slope, GetParam().pixels, GetParam().pixels * 0.002);
}

INSTANTIATE_TEST_SUITE_P(ReferenceSlopes, WipeSlopeAtPal,
                         ::testing::Values(SlopeCase{1, 720}, SlopeCase{2, 576}, SlopeCase{21, 360},
                                           SlopeCase{41, 900}, SlopeCase{101, 360},
                                           SlopeCase{119, 459}, SlopeCase{201, 1611},
                                           SlopeCase{221, 1139}, SlopeCase{241, 806},
                                           SlopeCase{301, 5760}, SlopeCase{310, 5760},
                                           SlopeCase{320, 2304}, SlopeCase{340, 2304},
                                           SlopeCase{350, 1080}),
                         [](const auto& param_info) { return codeName(param_info.param.code); });

} // namespace

#include "platform/editing/smpte_wipe.h"

#include "tests/platform/editing/smpte_wipe_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace {

using platform::ChromaSubsampling;
using platform::ConstImagePlane;
using platform::ConstYuvPlanes;
using platform::ImagePlane;
using platform::SmpteWipe;
using platform::SmpteWipeOptions;
using platform::YuvPlanes;
using namespace smpte_wipe_test;

// Planar frame; chroma planes sized as FFmpeg rounds them.
struct YuvFrame {
    YuvFrame(int width, int height, ChromaSubsampling chroma, unsigned seed)
        : luma_width(width), luma_height(height),
          chroma_width(chroma == ChromaSubsampling::Yuv420 ? (width + 1) / 2 : (width + 3) / 4),
          chroma_height(chroma == ChromaSubsampling::Yuv420 ? (height + 1) / 2 : height),
          y(noiseBytes(static_cast<std::size_t>(width) * height, seed)),
          u(noiseBytes(static_cast<std::size_t>(chroma_width) * chroma_height, seed + 1)),
          v(noiseBytes(static_cast<std::size_t>(chroma_width) * chroma_height, seed + 2)) {}
    ConstYuvPlanes view() const {
        return {{y.data(), luma_width}, {u.data(), chroma_width}, {v.data(), chroma_width}};
    }
    YuvPlanes mutableView() {
        return {{y.data(), luma_width}, {u.data(), chroma_width}, {v.data(), chroma_width}};
    }
    bool operator==(const YuvFrame& other) const {
        return y == other.y && u == other.u && v == other.v;
    }
    int luma_width;
    int luma_height;
    int chroma_width;
    int chroma_height;
    std::vector<std::uint8_t> y, u, v;
};

TEST(SmpteWipe, SoftnessCountsPixelsAcrossTheEdge) {
    const SmpteWipe wipe(1, 100, kPalWidth, kPalHeight);
    EXPECT_NEAR(wipe.softness(), 100.0 / kPalWidth, 1e-6);
    const auto weights = weightsAt(wipe, 0.5);
    const auto first_row = weights.begin();
    const auto partial =
        std::count_if(first_row, first_row + kPalWidth, [](auto w) { return w > 0 && w < kFull; });
    EXPECT_NEAR(partial, 100, 1);
    // Along the row the weight falls from incoming to outgoing.
    EXPECT_TRUE(std::is_sorted(first_row, first_row + kPalWidth, std::greater<>()));
    // Half the frame's weight is incoming at half time.
    std::uint64_t total = 0;
    for (int i = 0; i < kPalWidth; ++i) {
        total += first_row[i];
    }
    EXPECT_NEAR(static_cast<double>(total) / (kPalWidth * kFull), 0.5, 0.002);
}

TEST(SmpteWipe, SoftnessIsCappedAtAFrameWideRamp) {
    EXPECT_EQ(SmpteWipe(1, 5000, 72, 58).softness(), 1.0);
    EXPECT_EQ(SmpteWipe(409, 500, 72, 58).softness(), 1.0);
    EXPECT_NEAR(SmpteWipe(409, 100, 72, 58).softness(), 0.2, 1e-12);
}

TEST(SmpteWipe, AntialiasingGivesAOnePixelRampAtSoftnessZero) {
    SmpteWipeOptions options;
    options.antialias_hard_edge = true;
    const SmpteWipe wipe(1, 0, kPalWidth, kPalHeight, options);
    EXPECT_NEAR(wipe.softness(), 1.0 / kPalWidth, 1e-6);
    const auto weights = weightsAt(wipe, 0.3);
    EXPECT_LE(std::count_if(weights.begin(), weights.begin() + kPalWidth,
                            [](auto w) { return w > 0 && w < kFull; }),
              1);
}

TEST(SmpteWipe, PackedBlendMixesByTheWeights) {
    for (const int bytes_per_pixel : {3, 4}) {
        const SmpteWipe wipe(119, 60, kSmallWidth, kSmallHeight);
        const RgbFrame from(kSmallWidth, kSmallHeight, bytes_per_pixel, 11);
        const RgbFrame to(kSmallWidth, kSmallHeight, bytes_per_pixel, 12);
        RgbFrame out(kSmallWidth, kSmallHeight, bytes_per_pixel, 13);
        const double progress = 0.45;
        if (bytes_per_pixel == 3) {
            wipe.blendRgb24(progress, from.view(), to.view(), out.mutableView());
        } else {
            wipe.blendRgb32(progress, from.view(), to.view(), out.mutableView());
        }
        const auto weights = weightsAt(wipe, progress);
        int partial = 0;
        for (int j = 0; j < kSmallHeight; ++j) {
            for (int i = 0; i < kSmallWidth; ++i) {
                const int weight = weights[static_cast<std::size_t>(j * kSmallWidth + i)];
                partial += weight > 0 && weight < kFull;
                for (int c = 0; c < bytes_per_pixel; ++c) {
                    const auto n =
                        static_cast<std::size_t>(j * out.stride + i * bytes_per_pixel + c);
                    ASSERT_EQ(out.bytes[n], mixed(from.bytes[n], to.bytes[n], weight));
                }
            }
        }
        EXPECT_GT(partial, 0);
    }
}

TEST(SmpteWipe, BlendsBottomUpImagesAndInPlace) {
    const SmpteWipe wipe(310, 30, kSmallWidth, kSmallHeight);
    const RgbFrame from(kSmallWidth, kSmallHeight, 3, 21);
    const RgbFrame to(kSmallWidth, kSmallHeight, 3, 22);
    RgbFrame expected(kSmallWidth, kSmallHeight, 3, 23);
    wipe.blendRgb24(0.6, from.view(), to.view(), expected.mutableView());

    // Rows stored bottom-up, addressed through the last row and a negative stride.
    const auto last_row = static_cast<std::ptrdiff_t>(kSmallHeight - 1) * from.stride;
    RgbFrame flipped_out(kSmallWidth, kSmallHeight, 3, 24);
    std::vector<std::uint8_t> flipped_from(from.bytes.size());
    std::vector<std::uint8_t> flipped_to(to.bytes.size());
    for (int j = 0; j < kSmallHeight; ++j) {
        const auto src = static_cast<std::ptrdiff_t>(j) * from.stride;
        const auto dst = static_cast<std::ptrdiff_t>(kSmallHeight - 1 - j) * from.stride;
        std::copy_n(from.bytes.begin() + src, from.stride, flipped_from.begin() + dst);
        std::copy_n(to.bytes.begin() + src, to.stride, flipped_to.begin() + dst);
    }
    wipe.blendRgb24(0.6, {flipped_from.data() + last_row, -from.stride},
                    {flipped_to.data() + last_row, -to.stride},
                    {flipped_out.bytes.data() + last_row, -from.stride});
    for (int j = 0; j < kSmallHeight; ++j) {
        const auto row = static_cast<std::ptrdiff_t>(j) * from.stride;
        const auto flipped_row = static_cast<std::ptrdiff_t>(kSmallHeight - 1 - j) * from.stride;
        ASSERT_TRUE(std::equal(expected.bytes.begin() + row,
                               expected.bytes.begin() + row + kSmallWidth * 3,
                               flipped_out.bytes.begin() + flipped_row));
    }

    // The output may be the outgoing buffer itself.
    RgbFrame in_place = from;
    wipe.blendRgb24(0.6, in_place.view(), to.view(), in_place.mutableView());
    for (int j = 0; j < kSmallHeight; ++j) {
        const auto row = static_cast<std::ptrdiff_t>(j) * from.stride;
        ASSERT_TRUE(std::equal(expected.bytes.begin() + row,
                               expected.bytes.begin() + row + kSmallWidth * 3,
                               in_place.bytes.begin() + row));
    }
}

class YuvWipe : public ::testing::TestWithParam<ChromaSubsampling> {};

TEST_P(YuvWipe, ChromaFollowsTheSubsampledEdge) {
    // Left-to-right bar at half time: the edge falls between chroma samples.
    const ChromaSubsampling chroma = GetParam();
    const SmpteWipe wipe(1, 0, kSmallWidth, kSmallHeight);
    const YuvFrame from(kSmallWidth, kSmallHeight, chroma, 31);
    const YuvFrame to(kSmallWidth, kSmallHeight, chroma, 34);
    YuvFrame out(kSmallWidth, kSmallHeight, chroma, 37);
    wipe.blendYuv(0.5, chroma, from.view(), to.view(), out.mutableView());
    for (int j = 0; j < out.luma_height; ++j) {
        for (int i = 0; i < out.luma_width; ++i) {
            const auto n = static_cast<std::size_t>(j * out.luma_width + i);
            ASSERT_EQ(out.y[n], i < kSmallWidth / 2 ? to.y[n] : from.y[n]);
        }
    }
    for (int j = 0; j < out.chroma_height; ++j) {
        for (int i = 0; i < out.chroma_width; ++i) {
            const auto n = static_cast<std::size_t>(j * out.chroma_width + i);
            const bool incoming = i < out.chroma_width / 2;
            ASSERT_EQ(out.u[n], incoming ? to.u[n] : from.u[n]) << i << "," << j;
            ASSERT_EQ(out.v[n], incoming ? to.v[n] : from.v[n]) << i << "," << j;
        }
    }
}

TEST_P(YuvWipe, OddSizedFramesHaveExactEnds) {
    const ChromaSubsampling chroma = GetParam();
    for (const int code : {8, 128, 207, 317, 409}) {
        const SmpteWipe wipe(code, 200, 71, 57);
        const YuvFrame from(71, 57, chroma, 41);
        const YuvFrame to(71, 57, chroma, 44);
        YuvFrame out(71, 57, chroma, 47);
        wipe.blendYuv(0.0, chroma, from.view(), to.view(), out.mutableView());
        EXPECT_TRUE(out == from) << code;
        wipe.blendYuv(1.0, chroma, from.view(), to.view(), out.mutableView());
        EXPECT_TRUE(out == to) << code;
        wipe.blendYuv(0.5, chroma, from.view(), to.view(), out.mutableView());
        EXPECT_FALSE(out == from || out == to) << code;
    }
}

INSTANTIATE_TEST_SUITE_P(DvLayouts, YuvWipe,
                         ::testing::Values(ChromaSubsampling::Yuv420, ChromaSubsampling::Yuv411),
                         [](const auto& param_info) {
                             return param_info.param == ChromaSubsampling::Yuv420 ? "yuv420"
                                                                                  : "yuv411";
                         });

TEST(SmpteWipe, FullPalFrameBlendsWithinTheRangeOfBothInputs) {
    const SmpteWipe wipe(241, 100, kPalWidth, kPalHeight);
    const YuvFrame from(kPalWidth, kPalHeight, ChromaSubsampling::Yuv420, 51);
    const YuvFrame to(kPalWidth, kPalHeight, ChromaSubsampling::Yuv420, 54);
    YuvFrame out(kPalWidth, kPalHeight, ChromaSubsampling::Yuv420, 57);
    wipe.blendYuv(0.5, ChromaSubsampling::Yuv420, from.view(), to.view(), out.mutableView());
    std::size_t incoming = 0;
    std::size_t outgoing = 0;
    for (std::size_t n = 0; n < out.y.size(); ++n) {
        ASSERT_GE(out.y[n], std::min(from.y[n], to.y[n]));
        ASSERT_LE(out.y[n], std::max(from.y[n], to.y[n]));
        incoming += out.y[n] == to.y[n] && from.y[n] != to.y[n];
        outgoing += out.y[n] == from.y[n] && from.y[n] != to.y[n];
    }
    EXPECT_GT(incoming, out.y.size() / 4);
    EXPECT_GT(outgoing, out.y.size() / 8);
}

TEST(SmpteWipe, RejectsBadParametersAndBuffers) {
    EXPECT_THROW(SmpteWipe(0, 0, 72, 58), std::invalid_argument);
    EXPECT_THROW(SmpteWipe(1, -1, 72, 58), std::invalid_argument);
    EXPECT_THROW(SmpteWipe(1, 0, 0, 58), std::invalid_argument);

    const SmpteWipe wipe(1, 0, 8, 4);
    std::vector<std::uint8_t> frame(8 * 4 * 3);
    const ConstImagePlane good{frame.data(), 24};
    ImagePlane out{frame.data(), 24};
    EXPECT_THROW(wipe.blendRgb24(0.5, {nullptr, 24}, good, out), std::invalid_argument);
    EXPECT_THROW(wipe.blendRgb24(0.5, good, {frame.data(), 20}, out), std::invalid_argument);
    EXPECT_THROW(wipe.blendRgb32(0.5, good, good, out), std::invalid_argument);
    std::vector<std::uint16_t> too_few(8 * 4 - 1);
    EXPECT_THROW(wipe.weights(0.5, too_few), std::invalid_argument);
    const ConstYuvPlanes yuv{{frame.data(), 8}, {frame.data(), 4}, {nullptr, 4}};
    const YuvPlanes yuv_out{{frame.data(), 8}, {frame.data(), 4}, {frame.data(), 4}};
    EXPECT_THROW(wipe.blendYuv(0.5, ChromaSubsampling::Yuv420, yuv, yuv, yuv_out),
                 std::invalid_argument);
}

TEST(SmpteWipe, NotANumberProgressShowsTheOutgoingFrame) {
    const SmpteWipe wipe(201, 50, 16, 12);
    const auto weights = weightsAt(wipe, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::all_of(weights.begin(), weights.end(), [](auto w) { return w == 0; }));
}

} // namespace

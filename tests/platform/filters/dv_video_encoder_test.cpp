#include "platform/filters/dv_libdv_encoder.h"
#include "platform/filters/dv_video_encoder.h"
#include "tests/platform/filters/dv_test_support.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using platform::DvStandard;

struct StandardCase {
    DvStandard standard;
    std::size_t frame_bytes;
    int height;
    AVPixelFormat decoded_format;
};

class DvVideoEncoderStandards : public ::testing::TestWithParam<StandardCase> {};

// The frame is the consumer DV25 profile of the standard: size, sampling, field order, 4:3.
TEST_P(DvVideoEncoderStandards, EncodesTheConsumerProfileBottomFieldFirstAt4To3) {
    const StandardCase c = GetParam();
    QString error;
    auto encoder = platform::DvVideoEncoder::create(c.standard, &error);
    ASSERT_NE(encoder, nullptr) << error.toStdString();
    EXPECT_EQ(platform::dvFrameBytes(c.standard), c.frame_bytes);

    const dvtest::TestPicture input = dvtest::yuvPicture(c.standard, 1);
    std::vector<std::uint8_t> frame(c.frame_bytes);
    ASSERT_TRUE(encoder->encode(input.view(), frame, &error)) << error.toStdString();
    EXPECT_EQ(platform::dvStandardOfFrame(frame.data()), c.standard);

    const dvtest::DecodedVideo decoded = dvtest::decodeVideo(frame);
    EXPECT_EQ(decoded.width, 720);
    EXPECT_EQ(decoded.height, c.height);
    EXPECT_EQ(decoded.pixel_format, c.decoded_format);
    EXPECT_TRUE(decoded.interlaced);
    EXPECT_FALSE(decoded.top_field_first);
    EXPECT_NEAR(decoded.display_aspect, 4.0 / 3.0, 0.01);
    EXPECT_GT(dvtest::psnr(decoded.luma, input.planes[0]), 38.0);
}

// RGB input is converted with BT.601 into limited range; the picture comes back close.
TEST_P(DvVideoEncoderStandards, EncodesRgbCloseToTheBt601Luma) {
    const StandardCase c = GetParam();
    QString error;
    auto encoder = platform::DvVideoEncoder::create(c.standard, &error);
    ASSERT_NE(encoder, nullptr) << error.toStdString();
    for (const bool bgr_bottom_up : {false, true}) {
        const dvtest::TestPicture input = dvtest::rgbPicture(c.standard, 2, bgr_bottom_up);
        std::vector<std::uint8_t> frame(c.frame_bytes);
        ASSERT_TRUE(encoder->encode(input.view(), frame, &error)) << error.toStdString();
        const dvtest::DecodedVideo decoded = dvtest::decodeVideo(frame);
        EXPECT_GT(dvtest::psnr(decoded.luma, dvtest::expectedLuma(input)), 35.0)
            << "bgr bottom-up " << bgr_bottom_up;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Standards, DvVideoEncoderStandards,
    ::testing::Values(StandardCase{DvStandard::Pal, 144000, 576, AV_PIX_FMT_YUV420P},
                      StandardCase{DvStandard::Ntsc, 120000, 480, AV_PIX_FMT_YUV411P}),
    [](const auto& test_info) {
        return test_info.param.standard == DvStandard::Pal ? "Pal" : "Ntsc";
    });

// A picture in the other standard's native layout is converted, not misread.
TEST(DvVideoEncoder, AcceptsTheOtherPlanarLayout) {
    QString error;
    auto encoder = platform::DvVideoEncoder::create(DvStandard::Ntsc, &error);
    ASSERT_NE(encoder, nullptr);
    dvtest::TestPicture input = dvtest::yuvPicture(DvStandard::Pal, 3);
    // Crop the PAL picture to NTSC height: same planar 4:2:0 layout, 480 rows.
    input.height = 480;
    std::vector<std::uint8_t> frame(120000);
    ASSERT_TRUE(encoder->encode(input.view(), frame, &error)) << error.toStdString();
    const dvtest::DecodedVideo decoded = dvtest::decodeVideo(frame);
    const std::vector<std::uint8_t> expected(input.planes[0].begin(),
                                             input.planes[0].begin() + 720 * 480);
    EXPECT_GT(dvtest::psnr(decoded.luma, expected), 38.0);
}

TEST(DvVideoEncoder, RejectsMissingPlanesAndShortBuffers) {
    QString error;
    auto encoder = platform::DvVideoEncoder::create(DvStandard::Pal, &error);
    ASSERT_NE(encoder, nullptr);
    std::vector<std::uint8_t> frame(144000);
    platform::DvPicture empty;
    empty.layout = platform::DvPixelLayout::Yuv420p;
    EXPECT_FALSE(encoder->encode(empty, frame, &error));
    EXPECT_FALSE(error.isEmpty());
    std::vector<std::uint8_t> small(1000);
    error.clear();
    EXPECT_FALSE(encoder->encode(dvtest::yuvPicture(DvStandard::Pal, 1).view(), small, &error));
    EXPECT_FALSE(error.isEmpty());
}

// A still is encoded once; the same identity gives the very same bytes, a new one encodes anew.
TEST(DvStillFrameCache, EncodesAStillOnceAndReusesIt) {
    QString error;
    auto encoder = platform::DvVideoEncoder::create(DvStandard::Pal, &error);
    ASSERT_NE(encoder, nullptr);
    platform::DvStillFrameCache cache;
    const dvtest::TestPicture first = dvtest::yuvPicture(DvStandard::Pal, 4);
    const dvtest::TestPicture second = dvtest::yuvPicture(DvStandard::Pal, 5);
    const auto a = cache.frameFor(17, first.view(), *encoder, &error);
    const auto b = cache.frameFor(17, first.view(), *encoder, &error);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(cache.encodeCount(), 1u);
    const auto c = cache.frameFor(18, second.view(), *encoder, &error);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(cache.encodeCount(), 2u);
    EXPECT_NE(*a, *c);
    // The reused frame is what encoding the picture gives.
    std::vector<std::uint8_t> again(144000);
    ASSERT_TRUE(encoder->encode(first.view(), again, &error));
    EXPECT_EQ(again, *a);
}

TEST(DvLibdvEncoder, FailsCleanlyWhenTheLibraryIsMissing) {
    QString error;
    auto encoder =
        platform::DvLibdvEncoder::create(DvStandard::Pal, &error, "libdv-not-there.so.0");
    EXPECT_EQ(encoder, nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("not installed"))) << error.toStdString();
}

bool libdvInstalled() {
    void* handle = dlopen(platform::kLibdvLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
        dlclose(handle);
    }
    return handle != nullptr;
}

TEST(DvLibdvEncoder, EncodesDecodableFramesWhenInstalled) {
    if (!libdvInstalled()) {
        GTEST_SKIP() << "libdv is not installed";
    }
    for (const DvStandard standard : {DvStandard::Pal, DvStandard::Ntsc}) {
        QString error;
        auto encoder = platform::DvLibdvEncoder::create(standard, &error);
        ASSERT_NE(encoder, nullptr) << error.toStdString();
        const dvtest::TestPicture rgb = dvtest::rgbPicture(standard, 6);
        const dvtest::TestPicture yuv = dvtest::yuvPicture(standard, 6);
        std::vector<std::uint8_t> frame(platform::dvFrameBytes(standard));
        ASSERT_TRUE(encoder->encode(rgb.view(), frame, &error)) << error.toStdString();
        EXPECT_EQ(platform::dvStandardOfFrame(frame.data()), standard);
        dvtest::DecodedVideo decoded = dvtest::decodeVideo(frame);
        EXPECT_EQ(decoded.height, platform::dvHeight(standard));
        EXPECT_GT(dvtest::psnr(decoded.luma, dvtest::expectedLuma(rgb)), 28.0);
        ASSERT_TRUE(encoder->encode(yuv.view(), frame, &error)) << error.toStdString();
        decoded = dvtest::decodeVideo(frame);
        EXPECT_GT(dvtest::psnr(decoded.luma, yuv.planes[0]), 28.0);
    }
}

} // namespace

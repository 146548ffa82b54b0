#include "platform/editing/engine_frame_scaler.h"
#include "platform/editing/engine_orientation.h"
#include "platform/editing/timeline.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/display.h>
}

#include <array>

namespace {

using platform::EngineFitGeometry;
using platform::EnginePixelFormat;
using platform::EngineRect;
using platform::EngineVideoFormat;
using platform::fitGeometry;

const EngineVideoFormat kPal{720, 576, {25, 1}, EnginePixelFormat::Yuv420p};
const EngineVideoFormat kNtsc{720, 480, {30000, 1001}, EnginePixelFormat::Yuv411p};

TEST(EngineFitGeometry, LetterboxKeepsTheDisplayAspect) {
    using platform::RESIZEF_PRESERVEASPECTRATIO;
    // 16:9 in 4:3: 432 lines in PAL, 360 in NTSC.
    EXPECT_EQ(fitGeometry(RESIZEF_PRESERVEASPECTRATIO, 1920, 1080, {1, 1}, kPal).target,
              (EngineRect{0, 72, 720, 432}));
    EXPECT_EQ(fitGeometry(RESIZEF_PRESERVEASPECTRATIO, 1280, 720, {0, 1}, kNtsc).target,
              (EngineRect{0, 60, 720, 360}));
    // A 3:4 portrait picture is pillarboxed: 720 × (3/4) / (4/3) = 405, on the chroma grid.
    const EngineRect tall = fitGeometry(RESIZEF_PRESERVEASPECTRATIO, 480, 640, {1, 1}, kPal).target;
    EXPECT_EQ(tall.height, 576);
    EXPECT_NEAR(tall.width, 405, 2);
    EXPECT_EQ(tall.x % 2, 0);
    // DV with its own pixel aspect, and a frame-sized source of unknown aspect, fill the frame.
    EXPECT_EQ(fitGeometry(RESIZEF_PRESERVEASPECTRATIO, 720, 576, {16, 15}, kPal).target,
              (EngineRect{0, 0, 720, 576}));
    EXPECT_EQ(fitGeometry(RESIZEF_PRESERVEASPECTRATIO, 720, 576, {0, 1}, kPal).target,
              (EngineRect{0, 0, 720, 576}));
    // Wide DV (16:9 pixel aspect 64/45) is letterboxed like any 16:9 source.
    EXPECT_EQ(fitGeometry(RESIZEF_PRESERVEASPECTRATIO, 720, 576, {64, 45}, kPal).target,
              (EngineRect{0, 72, 720, 432}));
}

TEST(EngineFitGeometry, CropOriginalAndStretch) {
    const EngineFitGeometry crop =
        fitGeometry(platform::RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX, 1280, 720, {1, 1}, kPal);
    EXPECT_EQ(crop.target, (EngineRect{0, 0, 720, 576}));
    EXPECT_EQ(crop.source, (EngineRect{160, 0, 960, 720}));
    const EngineFitGeometry cropTall =
        fitGeometry(platform::RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX, 480, 640, {1, 1}, kPal);
    EXPECT_EQ(cropTall.source, (EngineRect{0, 140, 480, 360}));

    const EngineFitGeometry small = fitGeometry(platform::RESIZEF_CROP, 320, 240, {1, 1}, kPal);
    EXPECT_EQ(small.source, (EngineRect{0, 0, 320, 240}));
    EXPECT_EQ(small.target, (EngineRect{200, 168, 320, 240}));
    const EngineFitGeometry large = fitGeometry(platform::RESIZEF_CROP, 1920, 1080, {1, 1}, kPal);
    EXPECT_EQ(large.source, (EngineRect{600, 252, 720, 576}));
    EXPECT_EQ(large.target, (EngineRect{0, 0, 720, 576}));

    const EngineFitGeometry stretch =
        fitGeometry(platform::RESIZEF_STRETCH, 1280, 720, {1, 1}, kNtsc);
    EXPECT_EQ(stretch.source, (EngineRect{0, 0, 1280, 720}));
    EXPECT_EQ(stretch.target, (EngineRect{0, 0, 720, 480}));
}

// A flat high-definition frame of one Y'CbCr colour.
platform::ffmpeg::FramePtr flatFrame(AVColorSpace colourSpace, int y, int cb, int cr) {
    platform::ffmpeg::FramePtr frame(av_frame_alloc());
    frame->width = 1280;
    frame->height = 720;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->colorspace = colourSpace;
    frame->sample_aspect_ratio = {1, 1};
    EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    for (int row = 0; row < 720; ++row) {
        std::memset(frame->data[0] + row * frame->linesize[0], y, 1280);
    }
    for (int row = 0; row < 360; ++row) {
        std::memset(frame->data[1] + row * frame->linesize[1], cb, 640);
        std::memset(frame->data[2] + row * frame->linesize[2], cr, 640);
    }
    return frame;
}

TEST(EngineFrameScaler, HighDefinitionColoursBecomeStandardDefinitionColours) {
    platform::EngineFrameScaler toYuv(platform::RESIZEF_PRESERVEASPECTRATIO, kPal,
                                      platform::EngineScaleQuality::Video);
    // BT.709 red (63, 102, 240) is (81, 90, 240) in BT.601.
    const auto yuv = toYuv.scale(*flatFrame(AVCOL_SPC_BT709, 63, 102, 240));
    const AVFrame& out = yuv->av();
    EXPECT_NEAR(out.data[0][288 * out.linesize[0] + 360], 81, 2);
    EXPECT_NEAR(out.data[1][144 * out.linesize[1] + 180], 90, 2);
    EXPECT_NEAR(out.data[2][144 * out.linesize[2] + 180], 240, 2);
    // Letterbox bars are limited-range black.
    EXPECT_EQ(out.data[0][10 * out.linesize[0] + 360], 16);
    EXPECT_EQ(out.data[1][5 * out.linesize[1] + 180], 128);

    const EngineVideoFormat rgb{720, 576, {25, 1}, EnginePixelFormat::Bgr24};
    platform::EngineFrameScaler toRgb(platform::RESIZEF_STRETCH, rgb,
                                      platform::EngineScaleQuality::Video);
    const auto red = toRgb.scale(*flatFrame(AVCOL_SPC_BT709, 63, 102, 240));
    const std::uint8_t* pixel = red->av().data[0] + 288 * red->av().linesize[0] + 360 * 3;
    EXPECT_NEAR(pixel[2], 255, 3); // R
    EXPECT_NEAR(pixel[1], 0, 3);   // G
    EXPECT_NEAR(pixel[0], 0, 3);   // B
}

// The orientation of a display matrix made as FFmpeg's JPEG decoder makes it for the EXIF
// orientations: av_display_rotation_set (90 for EXIF 6), then mirroring.
platform::EngineOrientation orientationOf(double rotation_deg, bool hflip, bool vflip) {
    std::array<std::int32_t, 9> matrix{};
    av_display_rotation_set(matrix.data(), rotation_deg);
    av_display_matrix_flip(matrix.data(), hflip ? 1 : 0, vflip ? 1 : 0);
    return platform::orientationFromDisplayMatrix(matrix.data());
}

// A 3 x 2 plane with the pixel values 1 2 3 / 4 5 6, turned.
std::vector<std::uint8_t> turned(platform::EngineOrientation orientation) {
    const std::uint8_t plane[] = {1, 2, 3, 4, 5, 6};
    std::vector<std::uint8_t> out(6);
    const int outWidth = orientation.transpose ? 2 : 3;
    platform::orientPlane(plane, 3, 3, 2, 1, out.data(), outWidth, orientation);
    return out;
}

TEST(EngineOrientation, DisplayMatricesTurnPicturesUpright) {
    using O = platform::EngineOrientation;
    EXPECT_TRUE(orientationOf(0, false, false).isUpright());
    // A quarter turn to the right (EXIF 6, a phone held upright): 1 2 3 / 4 5 6 shows as
    // 4 1 / 5 2 / 6 3.
    EXPECT_EQ(orientationOf(90, false, false), (O{true, true, false}));
    EXPECT_EQ(turned(orientationOf(90, false, false)),
              (std::vector<std::uint8_t>{4, 1, 5, 2, 6, 3}));
    // A quarter turn to the left (EXIF 8): 3 6 / 2 5 / 1 4.
    EXPECT_EQ(turned(orientationOf(-90, false, false)),
              (std::vector<std::uint8_t>{3, 6, 2, 5, 1, 4}));
    // Upside down (EXIF 3): 6 5 4 / 3 2 1.
    EXPECT_EQ(turned(orientationOf(180, false, false)),
              (std::vector<std::uint8_t>{6, 5, 4, 3, 2, 1}));
    // Mirrored left-right (EXIF 2) and top-bottom (EXIF 4).
    EXPECT_EQ(turned(orientationOf(0, true, false)), (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(turned(orientationOf(0, false, true)), (std::vector<std::uint8_t>{4, 5, 6, 1, 2, 3}));
}

TEST(EngineFrameScaler, ATurnedPictureFillsItsAreaInEveryLayout) {
    // A 1280 x 720 frame stored on its side is a 9:16 portrait: pillarboxed in every layout.
    for (const auto& output :
         {kPal, kNtsc, EngineVideoFormat{720, 576, {25, 1}, EnginePixelFormat::Bgr24}}) {
        platform::EngineFrameScaler scaler(platform::RESIZEF_PRESERVEASPECTRATIO, output,
                                           platform::EngineScaleQuality::Video,
                                           platform::EngineOrientation{true, true, false});
        const auto frame = scaler.scale(*flatFrame(AVCOL_SPC_BT709, 200, 128, 128));
        const AVFrame& out = frame->av();
        const int bytes = output.pixelFormat == EnginePixelFormat::Bgr24 ? 3 : 1;
        const int middle = output.height / 2;
        // Bright in the middle, black bars at the sides.
        EXPECT_GT(out.data[0][middle * out.linesize[0] + 360 * bytes], 150);
        EXPECT_LT(out.data[0][middle * out.linesize[0] + 40 * bytes], 40);
    }
}

} // namespace

#include "tests/platform/editing/engine_test_support.h"

#include "platform/editing/engine_frame_scaler.h"
#include "platform/editing/engine_stream_decoder.h"

#include <QFileInfo>
#include <QTransform>

#include <set>

#include <condition_variable>
#include <mutex>

namespace {

using namespace enginetest;
using platform::EngineOptions;
using platform::EnginePixelFormat;
using render::fkPictureLast;
using render::fkPictureNext;
using testmedia::kClipDvPal;
using testmedia::kClipH264Aac;
using testmedia::kClipMpeg4Pcm;
using testmedia::kStillPictures;

constexpr int kStretch = render::smStretch;

std::vector<render::TFileInfo> threeClips() {
    return {clip("clip_h264_aac.mp4", 2.0, kStretch), clip("clip_mpeg4_pcm.avi", 2.0, kStretch),
            clip("clip_dv_pal.dv", 2.0, kStretch)};
}

TEST(EngineVideo, ClipsFollowEachOtherFrameByFrame) {
    const auto engine = renderPlayList(threeClips(), palSettings());
    auto* video = engine->videoGroup(0);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->frameCount(), 150);
    EXPECT_EQ(markOf(video->frame(0)), mark(kClipH264Aac, 0));
    EXPECT_EQ(markOf(video->frame(10)), mark(kClipH264Aac, 10));
    EXPECT_EQ(markOf(video->frame(49)), mark(kClipH264Aac, 49));
    EXPECT_EQ(markOf(video->frame(50)), mark(kClipMpeg4Pcm, 0));
    EXPECT_EQ(markOf(video->frame(61)), mark(kClipMpeg4Pcm, 11));
    EXPECT_EQ(markOf(video->frame(112)), mark(kClipDvPal, 12));
    EXPECT_EQ(markOf(video->frame(149)), mark(kClipDvPal, 49));
    // Past the end of the timeline: black.
    EXPECT_EQ(markOf(video->frame(150)), std::nullopt);
}

TEST(EngineVideo, SeekingRendersWhatSequentialRenderingShows) {
    std::vector<std::optional<testmedia::FrameMark>> sequential;
    {
        const auto engine = renderPlayList(threeClips(), palSettings());
        for (int n = 0; n < 150; ++n) {
            sequential.push_back(markOf(engine->videoGroup(0)->frame(n)));
        }
    }
    ASSERT_EQ(sequential[75], mark(kClipMpeg4Pcm, 25));
    const auto engine = renderPlayList(threeClips(), palSettings());
    for (const int n : {120, 37, 99, 3, 149, 0, 64, 63, 140, 80}) {
        EXPECT_EQ(markOf(engine->videoGroup(0)->frame(n)), sequential[static_cast<std::size_t>(n)])
            << "frame " << n;
    }
}

TEST(EngineVideo, PicturesHoldForTheirTimeAndAreDecodedOnce) {
    const std::vector<render::TFileInfo> playList = {
        picture("picture.jpg", fkPictureNext, kStretch),
        picture("picture.png", fkPictureLast, kStretch), clip("clip_h264_aac.mp4", 2.0, kStretch)};
    const auto engine = renderPlayList(playList, palSettings());
    auto* video = engine->videoGroup(0);
    const auto first = video->frame(0);
    EXPECT_EQ(markOf(first), mark(kStillPictures, testmedia::kPictureJpg));
    EXPECT_EQ(video->frame(24), first); // the same decoded and scaled picture
    EXPECT_EQ(markOf(video->frame(25)), mark(kStillPictures, testmedia::kPicturePng));
    EXPECT_EQ(markOf(video->frame(49)), mark(kStillPictures, testmedia::kPicturePng));
    EXPECT_EQ(markOf(video->frame(50)), mark(kClipH264Aac, 0));
}

TEST(EngineVideo, StretchModesPlaceAWidePicture) {
    const std::vector<render::TFileInfo> playList = {
        picture("wide.jpg", fkPictureNext, render::smLetterbox),
        picture("wide.jpg", fkPictureNext, render::smCrop),
        picture("picture.bmp", fkPictureLast, render::smOriginal)};
    const auto engine = renderPlayList(playList, palSettings());
    auto* video = engine->videoGroup(0);

    // Letterbox: 16:9 in a 4:3 frame is 432 lines high, centred, circles stay round.
    const QImage letterbox = toImage(*video->frame(0));
    EXPECT_TRUE(rowIsBlack(letterbox, 0));
    EXPECT_TRUE(rowIsBlack(letterbox, 71));
    EXPECT_FALSE(rowIsBlack(letterbox, 72));
    EXPECT_FALSE(rowIsBlack(letterbox, 503));
    EXPECT_TRUE(rowIsBlack(letterbox, 504));
    EXPECT_EQ(markOf(video->frame(0), QRect(0, 72, 720, 432)),
              mark(kStillPictures, testmedia::kPictureWide));

    // Crop: the frame is filled; the sides of the picture (and its mark's ends) are cut.
    const QImage crop = toImage(*video->frame(30));
    EXPECT_FALSE(rowIsBlack(crop, 0));
    EXPECT_FALSE(rowIsBlack(crop, 575));
    EXPECT_EQ(markOf(video->frame(30), QRect(-120, 0, 960, 576)), std::nullopt);
    EXPECT_GT(shareOfColour(video->frame(30), QColor(230, 160, 40)), 0.5);

    // Original: 320 x 240 pixels in the middle, black around.
    const QImage original = toImage(*video->frame(60));
    EXPECT_TRUE(rowIsBlack(original, 167));
    EXPECT_FALSE(rowIsBlack(original, 168));
    EXPECT_FALSE(rowIsBlack(original, 407));
    EXPECT_TRUE(rowIsBlack(original, 408));
    EXPECT_EQ(markOf(video->frame(60), QRect(200, 168, 320, 240)),
              mark(kStillPictures, testmedia::kPictureBmp));
}

TEST(EngineVideo, HighDefinitionClipIsLetterboxed) {
    const auto engine =
        renderPlayList({clip("clip_1080p.mp4", 1.0, render::smLetterbox)}, palSettings());
    const auto frame = engine->videoGroup(0)->frame(7);
    EXPECT_TRUE(rowIsBlack(toImage(*frame), 60));
    EXPECT_EQ(markOf(frame, QRect(0, 72, 720, 432)), mark(testmedia::kClip1080p, 7));
}

// The area a picture shown at `width` x `height` takes in a letterboxed PAL frame.
QRect letterboxArea(int width, int height) {
    const platform::EngineVideoFormat pal{720, 576, {25, 1}, EnginePixelFormat::Bgr24};
    const auto target =
        platform::fitGeometry(render::smLetterbox, width, height, {1, 1}, pal).target;
    return {target.x, target.y, target.width, target.height};
}

TEST(EngineVideo, RotatedClipsAndTurnedPhotosAreShownUpright) {
    const std::vector<render::TFileInfo> playList = {
        clip("real_world/portrait.mp4", 1.0, render::smLetterbox, true, false),
        picture("real_world/portrait_exif.jpg", fkPictureLast, render::smLetterbox)};
    const auto engine = renderPlayList(playList, palSettings());
    auto* video = engine->videoGroup(0);
    // Both are stored on their side; shown upright they are portraits between black bars.
    const auto clipFrame = video->frame(10);
    EXPECT_TRUE(rowIsBlack(toImage(*clipFrame).transformed(QTransform().rotate(90)), 10));
    EXPECT_EQ(markOf(clipFrame, letterboxArea(240, 320)), mark(testmedia::kClipPortrait, 10));
    EXPECT_EQ(markOf(video->frame(37), letterboxArea(480, 640)),
              mark(kStillPictures, testmedia::kPicturePortrait));
}

// Mean luma of the even and of the odd rows of a band of a planar frame.
std::pair<double, double> evenAndOddRows(const platform::EngineVideoFrame& frame, int firstRow,
                                         int lastRow) {
    const AVFrame& av = frame.av();
    double sums[2] = {0, 0};
    int counts[2] = {0, 0};
    for (int y = firstRow; y < lastRow; ++y) {
        for (int x = 100; x < 620; x += 4) {
            sums[y % 2] += av.data[0][y * av.linesize[0] + x];
            ++counts[y % 2];
        }
    }
    return {sums[0] / counts[0], sums[1] / counts[1]};
}

TEST(EngineVideo, InterlacedSourcesKeepTheirFieldsAndBecomeBottomFieldFirst) {
    EngineOptions options;
    options.pixelFormat = EnginePixelFormat::Yuv420p;
    // Light grey top fields, dark grey bottom fields (luma about 188 and 50), 16:9 into 432
    // lines: each field is scaled on its own, so no line is a mix of the two.
    const double light = 188;
    const double dark = 50;
    {
        const auto engine = renderPlayList(
            {clip("real_world/interlaced_bff.mpg", 0.96, render::smLetterbox, true, false)},
            palSettings(), options);
        const auto [even, odd] = evenAndOddRows(*engine->videoGroup(0)->frame(5), 76, 500);
        EXPECT_NEAR(even, light, 8);
        EXPECT_NEAR(odd, dark, 8);
    }
    {
        // Top field first: the earlier (top) field goes to the bottom field, which DV shows
        // first, one line lower.
        const auto engine = renderPlayList(
            {clip("real_world/interlaced_tff.mpg", 0.96, render::smLetterbox, true, false)},
            palSettings(), options);
        const auto [even, odd] = evenAndOddRows(*engine->videoGroup(0)->frame(5), 76, 500);
        EXPECT_NEAR(even, dark, 8);
        EXPECT_NEAR(odd, light, 8);
    }
}

TEST(EngineVideo, AHugePictureIsShown) {
    const auto engine = renderPlayList(
        {picture("real_world/huge.png", fkPictureLast, render::smStretch)}, palSettings());
    EXPECT_EQ(markOf(engine->videoGroup(0)->frame(0)),
              mark(kStillPictures, testmedia::kPictureHuge));
}

TEST(EngineStreamDecoder, LargePhotosAreDecodedAtAReducedSize) {
    const auto width = [](const char* name, int reducedSide) {
        QString error;
        const auto decoder = platform::EngineStreamDecoder::open(
            testsupport::testMedia(name), AVMEDIA_TYPE_VIDEO, 1, &error, reducedSide);
        EXPECT_TRUE(decoder) << error.toStdString();
        const auto frame = decoder ? decoder->next() : nullptr;
        return frame ? frame->width : 0;
    };
    EXPECT_EQ(width("wide.jpg", 0), 1280);
    EXPECT_EQ(width("wide.jpg", 300), 640); // 720 / 2 lines are still 300 or more
    EXPECT_EQ(width("wide.jpg", 720), 1280);
    EXPECT_EQ(width("picture.png", 100), 800); // PNG has no reduced decoding
}

TEST(EngineVideo, WipeIsHalfDoneAtTheMiddleOfItsTransition) {
    render::TBuildSettings settings = palSettings();
    settings.pictureTime_s = 2.0;
    settings.transitionsEnabled = true;
    settings.transitionTime_s = 1.0;
    settings.transitionSoftness = 0;
    settings.transitionTypesChecked = {true, false, false, false, false, false, false, false};
    const std::vector<render::TFileInfo> playList = {
        picture("picture.jpg", fkPictureNext, kStretch),
        picture("picture.png", fkPictureLast, kStretch)};
    const auto engine = renderPlayList(playList, settings);
    auto* video = engine->videoGroup(0);
    const QColor jpg(200, 60, 60);
    const QColor png(60, 160, 60);
    // The wipe runs from 1.5 s to 2.5 s, from the first picture to the second.
    EXPECT_GT(shareOfColour(video->frame(30), jpg), 0.7);
    EXPECT_LT(shareOfColour(video->frame(30), png), 0.01);
    const auto early = video->frame(40);
    EXPECT_GT(shareOfColour(early, jpg), shareOfColour(early, png));
    const auto middle = video->frame(50);
    EXPECT_NEAR(shareOfColour(middle, jpg), shareOfColour(middle, png), 0.25);
    EXPECT_GT(shareOfColour(middle, png), 0.2);
    const auto late = video->frame(60);
    EXPECT_GT(shareOfColour(late, png), shareOfColour(late, jpg));
    EXPECT_GT(shareOfColour(video->frame(70), png), 0.7);
    EXPECT_LT(shareOfColour(video->frame(70), jpg), 0.01);
}

TEST(EngineVideo, WipesLongerThanTheirPicturesOverlapTheLaterOverTheEarlier) {
    render::TBuildSettings settings = palSettings();
    settings.pictureTime_s = 1.0;
    settings.transitionsEnabled = true;
    settings.transitionTime_s = 1.5;
    settings.transitionSoftness = 0;
    settings.transitionTypesChecked = {true, false, false, false, false, false, false, false};
    const std::vector<render::TFileInfo> playList = {
        picture("picture.jpg", fkPictureNext, kStretch),
        picture("picture.png", fkPictureNext, kStretch),
        picture("picture.bmp", fkPictureLast, kStretch)};
    const auto engine = renderPlayList(playList, settings);
    auto* video = engine->videoGroup(0);
    const QColor png(60, 160, 60);
    const QColor bmp(60, 90, 200);
    // The second wipe runs from 1.25 s to 2.75 s over the first (0.25 s to 1.75 s). At 2.2 s
    // it alone is under way, from the second picture to the third.
    const auto secondAlone = video->frame(55);
    EXPECT_GT(shareOfColour(secondAlone, png), 0.05);
    EXPECT_GT(shareOfColour(secondAlone, bmp), 0.3);
    EXPECT_GT(shareOfColour(secondAlone, png) + shareOfColour(secondAlone, bmp), 0.6);
    // At 1.6 s both run: the first is nearly done, the second is laid over its result, so the
    // incoming picture shows at least as much as the first alone would show (90 %).
    const auto both = video->frame(40);
    EXPECT_GT(shareOfColour(both, bmp), 0.6);
    EXPECT_LT(shareOfColour(both, png), 0.2);
    // Masks are kept only while their wipes last.
    video->frame(90);
    EXPECT_GT(shareOfColour(video->frame(80), bmp), 0.7);
}

TEST(EngineVideo, UndecodableSourcesRenderBlack) {
    const std::vector<render::TFileInfo> playList = {
        clip("random.avi", 1.0, kStretch), clip("truncated.mp4", 1.0, kStretch),
        clip("empty.mp4", 1.0, kStretch), picture("text.jpg", fkPictureLast, kStretch),
        clip("clip_h264_aac.mp4", 2.0, kStretch)};
    const auto engine = renderPlayList(playList, palSettings());
    auto* video = engine->videoGroup(0);
    for (const int n : {0, 30, 60, 90}) {
        const QImage image = toImage(*video->frame(n));
        EXPECT_TRUE(rowIsBlack(image, 288)) << "frame " << n;
    }
    EXPECT_EQ(markOf(video->frame(100)), mark(kClipH264Aac, 0));
    auto* audio = engine->audioGroup(1);
    ASSERT_NE(audio, nullptr);
    EXPECT_TRUE(silentAt(*audio, 0.0, 48000));
    EXPECT_TRUE(silentAt(*audio, 2.5, 24000));
    EXPECT_EQ(toneAt(*audio, 4.3), kClipH264Aac);
}

TEST(EngineVideo, PlanarOutputCarriesTheSamePictures) {
    EngineOptions options;
    options.pixelFormat = EnginePixelFormat::Yuv420p;
    const auto pal = renderPlayList(threeClips(), palSettings(), options);
    EXPECT_EQ(markOf(pal->videoGroup(0)->frame(55)), mark(kClipMpeg4Pcm, 5));
    EXPECT_EQ(pal->videoGroup(0)->frame(55)->av().format, AV_PIX_FMT_YUV420P);

    render::TBuildSettings settings = palSettings();
    settings.ntsc = true;
    options.pixelFormat = EnginePixelFormat::Yuv411p;
    const auto ntsc = renderPlayList({clip("clip_h264_aac.mp4", 1.0, kStretch)}, settings, options);
    auto* video = ntsc->videoGroup(0);
    EXPECT_EQ(video->format().frameRate.num, 30000);
    EXPECT_EQ(video->frameCount(), 30);
    // NTSC frame 15 starts at 0.5005 s: the 25 fps clip shows its frame 12 (0.48 s) then.
    const auto frame = video->frame(15);
    EXPECT_EQ(frame->height(), 480);
    EXPECT_EQ(frame->av().format, AV_PIX_FMT_YUV411P);
    EXPECT_EQ(markOf(frame, QRect(0, 0, 720, 480)), mark(kClipH264Aac, 12));
    EXPECT_EQ(markOf(video->frame(29), QRect(0, 0, 720, 480)), mark(kClipH264Aac, 24));
}

// Counts open decoders through the engine's report, and waits for a count without sleeping.
class OpenDecoderWatch {
public:
    EngineOptions options(bool dynamicLoading) {
        EngineOptions result;
        result.dynamicLoading = dynamicLoading;
        result.preload = seconds(0.5);
        result.onDecoderOpenChanged = [this](const QString&, bool open) {
            const std::lock_guard lock(mutex_);
            open_ += open ? 1 : -1;
            peak_ = std::max(peak_, open_);
            changed_.notify_all();
        };
        return result;
    }
    void waitForOpen(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return open_ >= count; });
    }
    int peak() {
        const std::lock_guard lock(mutex_);
        return peak_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int open_ = 0;
    int peak_ = 0;
};

TEST(EngineVideo, BrieflyShownPicturesAreDecodedWellAhead) {
    render::TBuildSettings settings = palSettings();
    settings.audioOutIndex = 0;
    settings.pictureTime_s = 0.3;
    std::vector<render::TFileInfo> playList;
    for (const char* name :
         {"picture.jpg", "picture.png", "picture.bmp", "wide.jpg", "tall.png", "holiday.jpg"}) {
        playList.push_back(picture(name, fkPictureNext, kStretch));
    }
    playList.back().Kind = fkPictureLast;
    std::mutex mutex;
    std::condition_variable changed;
    std::set<QString> opened;
    EngineOptions options;
    options.preload = seconds(0.5);
    options.onDecoderOpenChanged = [&](const QString& path, bool open) {
        const std::lock_guard lock(mutex);
        if (open) {
            opened.insert(QFileInfo(path).fileName());
        }
        changed.notify_all();
    };
    const auto engine = renderPlayList(playList, settings, options);
    engine->videoGroup(0)->frame(0);
    // The first two pictures start within the preload time; the third (0.6 s) is decoded too,
    // as one of the next two; the fourth (0.9 s) waits.
    std::unique_lock lock(mutex);
    EXPECT_TRUE(
        changed.wait_for(lock, std::chrono::seconds(20), [&] { return opened.size() >= 3; }));
    EXPECT_EQ(opened, (std::set<QString>{"picture.jpg", "picture.png", "picture.bmp"}));
}

TEST(EngineVideo, DynamicLoadingOpensSourcesOnlyAroundTheirTime) {
    render::TBuildSettings settings = palSettings();
    settings.audioOutIndex = 0;
    const std::vector<render::TFileInfo> playList(8, clip("clip_mpeg4_pcm.avi", 2.0, kStretch));
    OpenDecoderWatch watch;
    {
        const auto engine = renderPlayList(playList, settings, watch.options(true));
        EXPECT_EQ(engine->openDecoderCount(), 0);
        for (int n = 0; n < 400; n += 5) {
            EXPECT_EQ(markOf(engine->videoGroup(0)->frame(n)), mark(kClipMpeg4Pcm, (n % 50)));
            EXPECT_LE(engine->openDecoderCount(), 2);
        }
        EXPECT_EQ(engine->decodersOpened(), 8);
    }
    EXPECT_LE(watch.peak(), 2);

    OpenDecoderWatch loadAll;
    const auto engine = renderPlayList(playList, settings, loadAll.options(false));
    loadAll.waitForOpen(8);
    EXPECT_EQ(markOf(engine->videoGroup(0)->frame(399)), mark(kClipMpeg4Pcm, 49));
    EXPECT_EQ(engine->openDecoderCount(), 8);
}

} // namespace

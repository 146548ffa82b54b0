// The generated test media: names, stream layout, marks in pictures and tones in sound.

#include "tests/support/test_media.h"
#include "tests/tools/media_probe.h"
#include "tools/make-test-media/frame_mark.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

namespace {

using testsupport::testMedia;

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(GeneratedMedia, FolderHoldsExactlyTheAgreedFiles) {
    const std::set<QString> expected = {"clip_h264_aac.mp4",
                                        "clip_mpeg4_pcm.avi",
                                        "clip_mpeg2_mp2.mpg",
                                        "clip_matroska.mkv",
                                        "clip_dv_pal.dv",
                                        "video_only.avi",
                                        "clip_1080p.mp4",
                                        "clip_576p.avi",
                                        "clip_ntsc.avi",
                                        "sound.wav",
                                        "sound.mp3",
                                        "SOUND.MP3",
                                        "sound_cover.mp3",
                                        "mono.wav",
                                        "picture.jpg",
                                        "picture.png",
                                        "picture.bmp",
                                        "wide.jpg",
                                        "tall.png",
                                        "holiday.jpg",
                                        "percent%d.jpg",
                                        "seq3/Image001.jpg",
                                        "seq3/Image002.jpg",
                                        "seq3/Image003.jpg",
                                        "seq9/Image9.jpg",
                                        "seq9/Image10.jpg",
                                        "single/Photo5.jpg",
                                        "empty.mp4",
                                        "truncated.mp4",
                                        "random.avi",
                                        "text.jpg",
                                        "real_world/late_sound.mp4",
                                        "real_world/late_sound.ts",
                                        "real_world/late_sound.mkv",
                                        "real_world/portrait.mp4",
                                        "real_world/portrait_exif.jpg",
                                        "real_world/interlaced_tff.mpg",
                                        "real_world/interlaced_bff.mpg",
                                        "real_world/huge.png"};
    const QDir folder(testsupport::testMediaDir());
    std::set<QString> found;
    QDirIterator files(folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString relative = folder.relativeFilePath(files.next());
        if (relative != QLatin1String(".stamp")) { // written by the build, not by the tool
            found.insert(relative);
        }
    }
    EXPECT_EQ(found, expected);
}

struct ClipExpectation {
    const char* file;
    int clipId;
    const char* videoCodecs; // accepted codec names, separated by '|'
    int width;
    int height;
    AVRational frameRate;
    double duration_s;
    const char* audioCodec; // nullptr: no audio stream
    int sampleRate;
    AVRational start_s{0, 1}; // the program stream muxer starts with its fixed decoder delay
};

void PrintTo(const ClipExpectation& clip, std::ostream* out) {
    *out << clip.file;
}

class GeneratedClip : public ::testing::TestWithParam<ClipExpectation> {};

TEST_P(GeneratedClip, HasTheExpectedStreams) {
    const ClipExpectation& clip = GetParam();
    const auto info = mediatest::probe(testMedia(clip.file));
    ASSERT_TRUE(info.has_value());
    ASSERT_EQ(info->count(AVMEDIA_TYPE_VIDEO), 1);
    const mediatest::StreamInfo& video = *info->first(AVMEDIA_TYPE_VIDEO);
    EXPECT_TRUE(QString::fromLatin1(clip.videoCodecs).split('|').contains(video.codec))
        << video.codec.toStdString();
    EXPECT_EQ(video.width, clip.width);
    EXPECT_EQ(video.height, clip.height);
    EXPECT_EQ(av_cmp_q(video.frameRate, clip.frameRate), 0)
        << video.frameRate.num << "/" << video.frameRate.den;
    EXPECT_NEAR(info->duration_s, clip.duration_s, 0.1);
    if (clip.audioCodec == nullptr) {
        EXPECT_EQ(info->count(AVMEDIA_TYPE_AUDIO), 0);
        return;
    }
    ASSERT_EQ(info->count(AVMEDIA_TYPE_AUDIO), 1);
    const mediatest::StreamInfo& audio = *info->first(AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(audio.codec, QLatin1String(clip.audioCodec));
    EXPECT_EQ(audio.sampleRate, clip.sampleRate);
    EXPECT_EQ(audio.channels, 2);
}

TEST_P(GeneratedClip, EveryFrameCarriesItsClipIdAndNumber) {
    const ClipExpectation& clip = GetParam();
    const std::vector<QImage> frames = mediatest::decodeVideo(testMedia(clip.file), 1000);
    const auto expectedFrames = std::lround(clip.duration_s * av_q2d(clip.frameRate));
    ASSERT_EQ(static_cast<long>(frames.size()), expectedFrames);
    for (size_t number = 0; number < frames.size(); ++number) {
        const auto mark = testmedia::readFrameMark(frames[number], frames[number].rect());
        ASSERT_TRUE(mark.has_value()) << "frame " << number;
        EXPECT_EQ(*mark, (testmedia::FrameMark{clip.clipId, static_cast<int>(number)}));
    }
}

// A player shows at each time the latest frame that starts at or before it: frame k must start
// exactly k frame durations after the stream's start, or a neighbour shows in its place.
TEST_P(GeneratedClip, FramesStartOnTheFrameGridAndShowTheirNumberWhenReadByTime) {
    const ClipExpectation& clip = GetParam();
    const auto info = mediatest::probe(testMedia(clip.file));
    ASSERT_TRUE(info.has_value());
    const mediatest::StreamInfo& stream = *info->first(AVMEDIA_TYPE_VIDEO);
    ASSERT_NE(stream.startTime, AV_NOPTS_VALUE);
    const AVRational start_s =
        av_mul_q(AVRational{static_cast<int>(stream.startTime), 1}, stream.timeBase);
    EXPECT_EQ(av_cmp_q(start_s, clip.start_s), 0) << start_s.num << "/" << start_s.den;

    const mediatest::TimedVideo video = mediatest::decodeTimedVideo(testMedia(clip.file), 1000);
    const auto expectedFrames = std::lround(clip.duration_s * av_q2d(clip.frameRate));
    ASSERT_EQ(static_cast<long>(video.frames.size()), expectedFrames);
    const AVRational frameDuration_s = av_inv_q(clip.frameRate);
    std::vector<std::pair<AVRational, QImage>> byTime;
    for (size_t index = 0; index < video.frames.size(); ++index) {
        const mediatest::TimedPicture& frame = video.frames[index];
        ASSERT_NE(frame.pts, AV_NOPTS_VALUE) << "frame " << index;
        const AVRational time_s =
            av_mul_q(AVRational{static_cast<int>(frame.pts), 1}, video.timeBase);
        const AVRational position = av_div_q(av_sub_q(time_s, clip.start_s), frameDuration_s);
        EXPECT_EQ(position.num, static_cast<int>(index)) << "frame " << index;
        EXPECT_EQ(position.den, 1) << "frame " << index;
        byTime.emplace_back(time_s, frame.picture);
    }
    std::stable_sort(byTime.begin(), byTime.end(), [](const auto& left, const auto& right) {
        return av_cmp_q(left.first, right.first) < 0;
    });
    for (int number = 0; number < expectedFrames; ++number) {
        const AVRational shown_s =
            av_add_q(clip.start_s, av_mul_q(AVRational{number, 1}, frameDuration_s));
        const auto after = std::upper_bound(byTime.begin(), byTime.end(), shown_s,
                                            [](const AVRational& time_s, const auto& frame) {
                                                return av_cmp_q(time_s, frame.first) < 0;
                                            });
        ASSERT_NE(after, byTime.begin()) << "no frame at frame time " << number;
        const QImage& picture = std::prev(after)->second;
        const auto mark = testmedia::readFrameMark(picture, picture.rect());
        ASSERT_TRUE(mark.has_value()) << "frame time " << number;
        EXPECT_EQ(*mark, (testmedia::FrameMark{clip.clipId, number})) << "frame time " << number;
    }
}

TEST_P(GeneratedClip, SoundIsTheClipToneWithABeepEachSecond) {
    const ClipExpectation& clip = GetParam();
    if (clip.audioCodec == nullptr) {
        EXPECT_THROW(mediatest::decodeAudio(testMedia(clip.file), 1.0), std::runtime_error);
        return;
    }
    const mediatest::DecodedAudio audio = mediatest::decodeAudio(testMedia(clip.file), 1.0);
    const int rate = audio.sampleRate;
    ASSERT_GE(static_cast<int>(audio.mono.size()), rate * 9 / 10);
    // 0.3 s to 0.4 s: tone only.
    const int16_t* tone = audio.mono.data() + rate * 3 / 10;
    EXPECT_EQ(testmedia::identifyTone(tone, rate / 10, rate), clip.clipId);
    // 25 ms to 45 ms lies inside the beep even with an encoder delay of up to 25 ms.
    const int16_t* beep = audio.mono.data() + rate / 40;
    EXPECT_TRUE(testmedia::isBeep(beep, rate / 50, rate));
}

const ClipExpectation kClips[] = {
    {"clip_h264_aac.mp4",
     testmedia::kClipH264Aac,
     "h264|mpeg4",
     320,
     240,
     {25, 1},
     2.0,
     "aac",
     48000},
    {"clip_mpeg4_pcm.avi",
     testmedia::kClipMpeg4Pcm,
     "mpeg4",
     320,
     240,
     {25, 1},
     2.0,
     "pcm_s16le",
     44100},
    {"clip_mpeg2_mp2.mpg",
     testmedia::kClipMpeg2Mp2,
     "mpeg2video",
     352,
     288,
     {25, 1},
     2.0,
     "mp2",
     48000,
     {1, 2}},
    {"clip_matroska.mkv", testmedia::kClipMatroska, "mpeg4", 320, 240, {25, 1}, 2.0, "flac", 48000},
    {"clip_dv_pal.dv",
     testmedia::kClipDvPal,
     "dvvideo",
     720,
     576,
     {25, 1},
     2.0,
     "pcm_s16le",
     48000},
    {"video_only.avi", testmedia::kClipVideoOnly, "mpeg4", 320, 240, {25, 1}, 2.0, nullptr, 0},
    {"clip_1080p.mp4", testmedia::kClip1080p, "h264|mpeg4", 1920, 1080, {25, 1}, 1.0, "aac", 48000},
    {"clip_576p.avi", testmedia::kClip576p, "mpeg4", 720, 576, {25, 1}, 1.0, "pcm_s16le", 48000},
    {"clip_ntsc.avi", testmedia::kClipNtsc, "mpeg4", 720, 480, {30000, 1001}, 1.0, "mp3", 48000},
};
INSTANTIATE_TEST_SUITE_P(TestSet, GeneratedClip, ::testing::ValuesIn(kClips));

// The average colour of a block of the background, clear of the text and the frame mark.
QColor backgroundColour(const QImage& picture) {
    int red = 0;
    int green = 0;
    int blue = 0;
    constexpr int kSide = 16;
    for (int y = 8; y < 8 + kSide; ++y) {
        for (int x = 8; x < 8 + kSide; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
        }
    }
    constexpr int kCount = kSide * kSide;
    return QColor(red / kCount, green / kCount, blue / kCount);
}

// HD video is BT.709 and SD video BT.601, both tagged where the container or codec can hold it.
// Decoding with the tagged matrix gives back the painted background colour; the matrices differ
// by about 5 levels for these colours.
TEST(GeneratedMedia, VideoIsTaggedWithItsColourMatrixAndDecodesToItsColours) {
    struct ColourExpectation {
        const char* file;
        AVColorSpace colorSpace; // AVCOL_SPC_UNSPECIFIED: the container cannot tell
        AVColorPrimaries colorPrimaries;
        QColor background;
    };
    const ColourExpectation clips[] = {
        {"clip_1080p.mp4", AVCOL_SPC_BT709, AVCOL_PRI_BT709, QColor(40, 90, 160)},
        {"clip_h264_aac.mp4", AVCOL_SPC_BT470BG, AVCOL_PRI_BT470BG, QColor(20, 40, 130)},
        {"clip_matroska.mkv", AVCOL_SPC_BT470BG, AVCOL_PRI_BT470BG, QColor(90, 40, 130)},
        {"clip_mpeg2_mp2.mpg", AVCOL_SPC_BT470BG, AVCOL_PRI_BT470BG, QColor(130, 30, 30)},
        {"clip_576p.avi", AVCOL_SPC_UNSPECIFIED, AVCOL_PRI_UNSPECIFIED, QColor(110, 110, 20)},
        {"clip_ntsc.avi", AVCOL_SPC_UNSPECIFIED, AVCOL_PRI_UNSPECIFIED, QColor(150, 30, 100)},
    };
    for (const ColourExpectation& clip : clips) {
        SCOPED_TRACE(clip.file);
        const auto info = mediatest::probe(testMedia(clip.file));
        ASSERT_TRUE(info.has_value());
        const mediatest::StreamInfo& video = *info->first(AVMEDIA_TYPE_VIDEO);
        EXPECT_EQ(video.colorSpace, clip.colorSpace);
        EXPECT_EQ(video.colorPrimaries, clip.colorPrimaries);
        if (clip.colorSpace == AVCOL_SPC_BT709) {
            EXPECT_EQ(video.colorTransfer, AVCOL_TRC_BT709);
            EXPECT_EQ(video.colorRange, AVCOL_RANGE_MPEG);
        }
        const std::vector<QImage> frames = mediatest::decodeVideo(testMedia(clip.file), 1);
        ASSERT_EQ(frames.size(), 1U);
        const QColor decoded = backgroundColour(frames[0]);
        EXPECT_NEAR(decoded.red(), clip.background.red(), 3);
        EXPECT_NEAR(decoded.green(), clip.background.green(), 3);
        EXPECT_NEAR(decoded.blue(), clip.background.blue(), 3);
    }
}

TEST(GeneratedMedia, DvClipIsConsumerPalDv) {
    const auto info = mediatest::probe(testMedia("clip_dv_pal.dv"));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->first(AVMEDIA_TYPE_VIDEO)->format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(QFileInfo(testMedia("clip_dv_pal.dv")).size(), 50 * 144000);
}

TEST(GeneratedMedia, SoundFilesHaveOneAudioStreamAndTheirTone) {
    struct SoundExpectation {
        const char* file;
        const char* codec;
        int channels;
        int clipId;
    };
    const SoundExpectation sounds[] = {
        {"sound.wav", "pcm_s16le", 2, testmedia::kSoundStereo},
        {"sound.mp3", "mp3", 2, testmedia::kSoundStereo},
        {"SOUND.MP3", "mp3", 2, testmedia::kSoundStereo},
        {"sound_cover.mp3", "mp3", 2, testmedia::kSoundStereo},
        {"mono.wav", "pcm_s16le", 1, testmedia::kSoundMono},
    };
    for (const SoundExpectation& sound : sounds) {
        SCOPED_TRACE(sound.file);
        const auto info = mediatest::probe(testMedia(sound.file));
        ASSERT_TRUE(info.has_value());
        ASSERT_EQ(info->count(AVMEDIA_TYPE_AUDIO), 1);
        const mediatest::StreamInfo& audio = *info->first(AVMEDIA_TYPE_AUDIO);
        EXPECT_EQ(audio.codec, QLatin1String(sound.codec));
        EXPECT_EQ(audio.sampleRate, 44100);
        EXPECT_EQ(audio.channels, sound.channels);
        EXPECT_NEAR(info->duration_s, 3.0, 0.1);
        const mediatest::DecodedAudio decoded = mediatest::decodeAudio(testMedia(sound.file), 1.0);
        ASSERT_GE(decoded.mono.size(), 44100U * 4 / 10);
        EXPECT_EQ(testmedia::identifyTone(decoded.mono.data() + 44100 * 3 / 10, 4410, 44100),
                  sound.clipId);
    }
    EXPECT_EQ(mediatest::probe(testMedia("sound.mp3"))->count(AVMEDIA_TYPE_VIDEO), 0);
    EXPECT_EQ(mediatest::probe(testMedia("mono.wav"))->count(AVMEDIA_TYPE_VIDEO), 0);
}

TEST(GeneratedMedia, UpperCaseMp3IsACopyAndCoverIsAnAttachedPicture) {
    const QByteArray lower = fileBytes(testMedia("sound.mp3"));
    EXPECT_FALSE(lower.isEmpty());
    EXPECT_EQ(fileBytes(testMedia("SOUND.MP3")), lower);

    const auto info = mediatest::probe(testMedia("sound_cover.mp3"));
    ASSERT_TRUE(info.has_value());
    ASSERT_EQ(info->count(AVMEDIA_TYPE_VIDEO), 1);
    const mediatest::StreamInfo& cover = *info->first(AVMEDIA_TYPE_VIDEO);
    EXPECT_TRUE(cover.attachedPicture);
    EXPECT_GT(cover.width, 0);
    const std::vector<QImage> pictures = mediatest::decodeVideo(testMedia("sound_cover.mp3"), 1);
    ASSERT_EQ(pictures.size(), 1U);
    EXPECT_EQ(pictures[0].size(), QSize(cover.width, cover.height));
}

TEST(GeneratedMedia, PicturesHaveTheirSizeDistinctColourAndMark) {
    struct PictureExpectation {
        const char* file;
        QSize size;
        int number;
    };
    const PictureExpectation pictures[] = {
        {"picture.jpg", {640, 480}, testmedia::kPictureJpg},
        {"picture.png", {800, 600}, testmedia::kPicturePng},
        {"picture.bmp", {320, 240}, testmedia::kPictureBmp},
        {"wide.jpg", {1280, 720}, testmedia::kPictureWide},
        {"tall.png", {480, 640}, testmedia::kPictureTall},
        {"holiday.jpg", {640, 480}, testmedia::kPictureHoliday},
        {"percent%d.jpg", {640, 480}, testmedia::kPicturePercent},
        {"seq3/Image001.jpg", {640, 480}, testmedia::kPictureSeq3First},
        {"seq3/Image002.jpg", {640, 480}, testmedia::kPictureSeq3First + 1},
        {"seq3/Image003.jpg", {640, 480}, testmedia::kPictureSeq3First + 2},
        {"seq9/Image9.jpg", {640, 480}, testmedia::kPictureSeq9First},
        {"seq9/Image10.jpg", {640, 480}, testmedia::kPictureSeq9First + 1},
        {"single/Photo5.jpg", {640, 480}, testmedia::kPictureSingle},
    };
    std::set<QRgb> colours;
    for (const PictureExpectation& expected : pictures) {
        SCOPED_TRACE(expected.file);
        const QImage picture(testMedia(expected.file));
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), expected.size);
        const QColor corner = picture.pixelColor(4, 4);
        // JPEG shifts colours slightly: compare them coarsely.
        colours.insert(qRgb(corner.red() / 16, corner.green() / 16, corner.blue() / 16));
        const auto mark = testmedia::readFrameMark(picture, picture.rect());
        ASSERT_TRUE(mark.has_value());
        EXPECT_EQ(*mark, (testmedia::FrameMark{testmedia::kStillPictures, expected.number}));
    }
    EXPECT_EQ(colours.size(), std::size(pictures));
    // A name with "%d" is a plain picture for FFmpeg too, when it is not taken as a pattern.
    EXPECT_TRUE(mediatest::decodesAsMedia(testMedia("holiday.jpg")));
}

TEST(GeneratedMedia, BadFilesDoNotOpenAsMedia) {
    for (const char* file : {"empty.mp4", "truncated.mp4", "random.avi", "text.jpg"}) {
        EXPECT_TRUE(QFileInfo::exists(testMedia(file))) << file;
        EXPECT_FALSE(mediatest::decodesAsMedia(testMedia(file))) << file;
    }
    EXPECT_EQ(QFileInfo(testMedia("empty.mp4")).size(), 0);
    const QByteArray truncated = fileBytes(testMedia("truncated.mp4"));
    EXPECT_EQ(truncated.size(), 3000);
    EXPECT_TRUE(fileBytes(testMedia("clip_h264_aac.mp4")).startsWith(truncated));
    EXPECT_FALSE(mediatest::probe(testMedia("truncated.mp4")).has_value());
    EXPECT_EQ(QFileInfo(testMedia("random.avi")).size(), 8192);
    EXPECT_TRUE(QImage(testMedia("text.jpg")).isNull());
}

} // namespace

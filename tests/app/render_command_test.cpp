#include "app/render_command.h"

#include "tests/support/temp_dir.h"
#include "tests/support/test_media.h"
#include "tests/tools/media_probe.h"
#include "tools/make-test-media/clip_ids.h"
#include "tools/make-test-media/frame_mark.h"
#include "tools/make-test-media/tone_mark.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using render::TFileInfo;

QStringList args(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* a : list) {
        result << QString::fromUtf8(a);
    }
    return result;
}

TEST(RenderArgumentsTest, OptionsAndRejections) {
    QString error;
    const auto options = app::parseRenderArguments(
        args({"out.dv", "--ntsc", "--audio-rate", "32000", "--mono", "--shift", "-500",
              "--picture-time", "2.5", "--transitions", "--seed", "7", "--stretch", "3",
              "--recompress", "dv", "a.avi", "b.jpg"}),
        &error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->outputPath, QStringLiteral("out.dv"));
    EXPECT_EQ(options->paths, args({"a.avi", "b.jpg"}));
    const auto& s = options->settings;
    EXPECT_TRUE(s.ntsc);
    EXPECT_EQ(s.audioRateIndex, 0);
    EXPECT_EQ(s.audioChannelsIndex, 1);
    EXPECT_EQ(s.audioShift_ms, -500);
    EXPECT_EQ(s.audioOutIndex, 1);
    EXPECT_TRUE(s.transitionsEnabled);
    EXPECT_EQ(options->seed, 7U);
    EXPECT_EQ(s.stretchMode, 3);
    EXPECT_EQ(options->probe.stretchMode, 3);
    EXPECT_DOUBLE_EQ(options->probe.pictureTime_s, 2.5);
    EXPECT_EQ(s.recompressMode, 1);
    EXPECT_EQ(app::parseRenderArguments(args({"o.dv", "--no-audio", "a"}), &error)
                  ->settings.audioOutIndex,
              0);

    for (const auto& bad :
         {args({}), args({"--pal", "o.dv", "a"}), args({"o.dv"}), args({"o.dv", "--bogus", "a"}),
          args({"o.dv", "--audio-rate", "22050", "a"}), args({"o.dv", "--stretch", "4", "a"}),
          args({"o.dv", "--shift", "60001", "a"}), args({"o.dv", "--picture-time", "0", "a"}),
          args({"o.dv", "--recompress", "some", "a"}), args({"o.dv", "a", "--seed"})}) {
        EXPECT_FALSE(app::parseRenderArguments(bad, &error)) << bad.join(' ').toStdString();
    }
}

TEST(RenderArgumentsTest, TimingOptions) {
    QString error;
    const auto options = app::parseRenderArguments(
        args({"o.dv", "--preview", "--real-time", "--strict-timing", "a"}), &error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->settings.processMode, 0);
    EXPECT_TRUE(options->realTime);
    EXPECT_TRUE(options->strictTiming);
    EXPECT_EQ(app::parseRenderArguments(args({"o.dv", "a"}), &error)->settings.processMode, 1);
    // Without a clock nothing can be late: strict timing alone is refused, not passed.
    EXPECT_FALSE(app::parseRenderArguments(args({"o.dv", "--strict-timing", "a"}), &error));
}

TEST(RenderTimingTest, DeviceCountsComeFirstAndRepeatsAddUp) {
    const platform::DvOutputStatistics device{
        .framesDelivered = 100, .framesRepeated = 2, .framesLate = 3};
    const platform::RenderEngineStatistics engine{
        .framesRendered = 90, .framesRepeated = 10, .framesLate = 7};
    const auto both = app::CombineOutputTiming(device, engine);
    EXPECT_EQ(both.framesLate, 3);
    EXPECT_EQ(both.framesRepeated, 12);
    const auto engineOnly = app::CombineOutputTiming(std::nullopt, engine);
    EXPECT_EQ(engineOnly.framesLate, 7);
    EXPECT_EQ(engineOnly.framesRepeated, 10);
    const auto none = app::CombineOutputTiming(std::nullopt, std::nullopt);
    EXPECT_EQ(none.framesLate + none.framesRepeated, 0);
}

TEST(RenderTimingTest, StrictTimingFailsOnAnyLateOrRepeatedFrame) {
    const auto report = [](std::int64_t late, std::int64_t repeated, bool strict, QString* text) {
        QTextStream err(text);
        return app::ReportOutputTiming({late, repeated}, strict, err);
    };
    QString text;
    EXPECT_EQ(report(0, 0, true, &text), 0);
    EXPECT_TRUE(text.contains(QStringLiteral("late frames: 0, repeated frames: 0")))
        << text.toStdString();
    text.clear();
    EXPECT_EQ(report(2, 0, false, &text), 0);
    EXPECT_TRUE(text.contains(QStringLiteral("late frames: 2"))) << text.toStdString();
    EXPECT_EQ(report(2, 0, true, &text), 3);
    EXPECT_EQ(report(0, 1, true, &text), 3);
}

TEST(ProbeFilesTest, RecordsComeInTheOrderOfThePaths) {
    QStringList paths;
    for (const char* name : {"clip_h264_aac.mp4", "picture.jpg", "random.avi", "sound.wav",
                             "clip_dv_pal.dv", "picture.png", "clip_ntsc.avi"}) {
        paths << testsupport::testMedia(QString::fromLatin1(name));
    }
    const auto infos = app::ProbeFiles(paths, {});
    ASSERT_EQ(infos.size(), static_cast<std::size_t>(paths.size()));
    for (std::size_t i = 0; i < infos.size(); ++i) {
        EXPECT_EQ(infos[i].FileName, paths.at(static_cast<qsizetype>(i)));
    }
    EXPECT_EQ(infos[1].Kind, render::fkPicture);
    EXPECT_EQ(infos[2].Kind, render::fkCantPlay);
    EXPECT_EQ(infos[3].VideoStream, -1);
    EXPECT_TRUE(app::ProbeFiles({}, {}).empty());
}

TEST(MainPlayListTest, PicturesAreRetaggedAndStartsAccumulate) {
    std::vector<TFileInfo> list(6);
    const render::TFileKind kinds[] = {render::fkPicture, render::fkPicture, render::fkPicture,
                                       render::fkMedia,   render::fkPicture, render::fkCantPlay};
    for (std::size_t i = 0; i < list.size(); ++i) {
        list[i].Kind = kinds[i];
        list[i].Duration = i == 5 ? 0 : 10;
    }
    EXPECT_EQ(app::PrepareMainPlayList(list), 50);
    const render::TFileKind expected[] = {render::fkPictureNext, render::fkPictureNext,
                                          render::fkPictureLast, render::fkMedia,
                                          render::fkPictureLast, render::fkCantPlay};
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].Kind, expected[i]) << i;
        EXPECT_EQ(list[i].Start,
                  static_cast<render::REFERENCE_TIME>(std::min<std::size_t>(i, 5) * 10));
    }
    // Frames that start before the end: 4 s is 100 PAL frames and 120 NTSC frames.
    EXPECT_EQ(app::TimelineFrameCount(40'000'000, false), 100);
    EXPECT_EQ(app::TimelineFrameCount(40'000'001, false), 101);
    EXPECT_EQ(app::TimelineFrameCount(40'000'000, true), 120);
}

struct RenderCase {
    bool ntsc;
    const char* rate;
    bool mono;
};

class RenderCommandTest : public testsupport::TempDirTest,
                          public ::testing::WithParamInterface<RenderCase> {
protected:
    int render(QStringList arguments) {
        arguments.prepend(out);
        QString error;
        const auto options = app::parseRenderArguments(arguments, &error);
        EXPECT_TRUE(options) << error.toStdString();
        if (!options) {
            return 2;
        }
        QString log;
        QTextStream err(&log);
        const int code = app::runRenderCommand(*options, err);
        err.flush();
        EXPECT_EQ(code, 0) << log.toStdString();
        return code;
    }
    static QString media(const char* name) { return testsupport::testMedia(name); }

    QString out = path(QStringLiteral("out.dv"));
};

// The beep onset nearest `around_s`, in seconds; -1 when none is found within a frame or two.
double beepOnset(const mediatest::DecodedAudio& audio, double around_s) {
    const int block = audio.sampleRate / 25;
    const int step = audio.sampleRate / 1000;
    const auto first = static_cast<int>((around_s - 0.1) * audio.sampleRate);
    const auto last = static_cast<int>((around_s + 0.1) * audio.sampleRate);
    for (int at = std::max(first, 0); at < last; at += step) {
        if (at + block > static_cast<int>(audio.mono.size())) {
            break;
        }
        if (testmedia::isBeep(audio.mono.data() + at, block, audio.sampleRate)) {
            return static_cast<double>(at) / audio.sampleRate;
        }
    }
    return -1.0;
}

TEST_P(RenderCommandTest, TwoClipsBecomeDvWithTheirPicturesAndSoundInStep) {
    const RenderCase c = GetParam();
    QStringList arguments{c.ntsc ? QStringLiteral("--ntsc") : QStringLiteral("--pal"),
                          QStringLiteral("--audio-rate"), QString::fromLatin1(c.rate)};
    if (c.mono) {
        arguments << QStringLiteral("--mono");
    }
    arguments << media("clip_h264_aac.mp4") << media("clip_mpeg4_pcm.avi");
    ASSERT_EQ(render(arguments), 0);

    const double fps = c.ntsc ? 30000.0 / 1001.0 : 25.0;
    const auto info = mediatest::probe(out);
    ASSERT_TRUE(info);
    const auto* video = info->first(AVMEDIA_TYPE_VIDEO);
    const auto* sound = info->first(AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(video && sound);
    EXPECT_EQ(video->codec, QStringLiteral("dvvideo"));
    EXPECT_EQ(video->width, 720);
    EXPECT_EQ(video->height, c.ntsc ? 480 : 576);
    // NTSC DV carries 48000 Hz: the multiplexer converts the lower group rates.
    EXPECT_EQ(sound->sampleRate, c.ntsc ? 48000 : QString::fromLatin1(c.rate).toInt());

    const auto frames = mediatest::decodeTimedVideo(out, 400).frames;
    const int expectedFrames = c.ntsc ? 120 : 100;
    ASSERT_EQ(static_cast<int>(frames.size()), expectedFrames);
    QFile file(out);
    EXPECT_EQ(file.size(), expectedFrames * (c.ntsc ? 120000 : 144000));

    // Each clip's pictures at their time; the cut falls on the first frame at or after 2 s.
    const auto markAt = [&](int n) {
        const QImage& picture = frames.at(static_cast<std::size_t>(n)).picture;
        return testmedia::readFrameMark(picture, picture.rect());
    };
    const int cut = static_cast<int>(std::ceil(2.0 * fps));
    for (const int n : {static_cast<int>(0.5 * fps), cut - 1}) {
        const auto mark = markAt(n);
        ASSERT_TRUE(mark) << n;
        EXPECT_EQ(mark->clipId, testmedia::kClipH264Aac) << n;
        EXPECT_NEAR(mark->frameNumber, n / fps * 25.0, 1.01) << n;
    }
    for (const int n : {cut, expectedFrames - 1}) {
        const auto mark = markAt(n);
        ASSERT_TRUE(mark) << n;
        EXPECT_EQ(mark->clipId, testmedia::kClipMpeg4Pcm) << n;
        EXPECT_NEAR(mark->frameNumber, (n / fps - 2.0) * 25.0, 1.01) << n;
    }

    // The sound: every frame's share of samples, each clip's tone and its beeps within a frame.
    const auto audio = mediatest::decodeAudio(out, 100.0);
    ASSERT_EQ(audio.sampleRate, sound->sampleRate);
    const double perFrame = audio.sampleRate / fps;
    EXPECT_NEAR(static_cast<double>(audio.mono.size()), expectedFrames * perFrame, 2.0);
    const int toneBlock = 2048;
    const auto toneAt = [&](double t) {
        return testmedia::identifyTone(audio.mono.data() +
                                           static_cast<std::ptrdiff_t>(t * audio.sampleRate),
                                       toneBlock, audio.sampleRate);
    };
    EXPECT_EQ(toneAt(0.5), std::optional<int>(testmedia::kClipH264Aac));
    EXPECT_EQ(toneAt(2.5), std::optional<int>(testmedia::kClipMpeg4Pcm));
    for (const double t : {1.0, 2.0, 3.0}) {
        EXPECT_NEAR(beepOnset(audio, t), t, 1.0 / fps) << t;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RenderCommandTest,
    ::testing::Values(RenderCase{false, "48000", false}, RenderCase{false, "44100", true},
                      RenderCase{false, "32000", true}, RenderCase{false, "32000", false},
                      RenderCase{true, "44100", false}, RenderCase{true, "32000", true},
                      RenderCase{true, "48000", true}),
    [](const auto& param) {
        return std::string(param.param.ntsc ? "Ntsc" : "Pal") + param.param.rate +
               (param.param.mono ? "Mono" : "Stereo");
    });

class RenderPassThroughTest : public RenderCommandTest {};

TEST_F(RenderPassThroughTest, SmartEngineKeepsDvVideoBitForBit) {
    ASSERT_EQ(
        render({QStringLiteral("--recompress"), QStringLiteral("dv"), media("clip_dv_pal.dv")}), 0);
    QFile source(media("clip_dv_pal.dv"));
    QFile result(out);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly) && result.open(QIODevice::ReadOnly));
    const QByteArray in = source.readAll();
    const QByteArray rendered = result.readAll();
    ASSERT_EQ(rendered.size(), 50 * 144000);
    ASSERT_GE(in.size(), rendered.size());
    // Video DIF blocks (section type 4) are the same; the sound blocks are the mux's.
    int videoBlocks = 0;
    for (qsizetype offset = 0; offset < rendered.size(); offset += 80) {
        if ((static_cast<unsigned char>(in[offset]) & 0xE0) != 0x80) {
            continue;
        }
        ++videoBlocks;
        ASSERT_EQ(rendered.mid(offset, 80), in.mid(offset, 80)) << "block at " << offset;
    }
    EXPECT_EQ(videoBlocks, 50 * 12 * 135);
}

TEST_F(RenderPassThroughTest, PicturesWithWipesRenderToTheirLength) {
    ASSERT_EQ(render({QStringLiteral("--transitions"), QStringLiteral("--picture-time"),
                      QStringLiteral("1"), QStringLiteral("--no-audio"), media("picture.jpg"),
                      media("picture.jpg")}),
              0);
    // The command itself checks one frame per timeline frame; the last picture's second half
    // reaches past the pictures' two seconds.
    const qint64 size = QFile(out).size();
    EXPECT_EQ(size % 144000, 0);
    EXPECT_GE(size, 50 * 144000);
}

} // namespace

#include "platform/filters/dv_file_sink.h"
#include "platform/filters/dv_muxer.h"
#include "tests/platform/filters/dv_test_support.h"
#include "tests/support/temp_dir.h"
#include "tools/make-test-media/tone_mark.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using platform::DvAudioFormat;
using platform::DvMuxer;
using platform::DvMuxerOptions;
using platform::DvStandard;

class DvMuxerTest : public testsupport::TempDirTest {
protected:
    // Muxes `frames` frames; before each, `feed` may push sound. Writes the stream to a file
    // and reads it back with FFmpeg's dv demuxer.
    template <typename Feed>
    dvtest::DemuxedStream muxAndRead(DvMuxer& muxer, int frames, Feed feed) {
        QString error;
        const QString file = path(QStringLiteral("out.dv"));
        auto sink = platform::DvFileSink::create({file, muxer.standard(), {}}, &error);
        EXPECT_NE(sink, nullptr) << error.toStdString();
        if (!sink) {
            return {};
        }
        const std::vector<std::uint8_t> video = dvtest::encodeFrame(muxer.standard(), 1);
        std::vector<std::uint8_t> out(platform::dvFrameBytes(muxer.standard()));
        for (int frame = 0; frame < frames; ++frame) {
            feed(frame);
            EXPECT_TRUE(muxer.muxFrame(video, out, &error)) << error.toStdString();
            EXPECT_TRUE(sink->pushFrame(out, &error)) << error.toStdString();
            last_frame = out;
        }
        EXPECT_TRUE(sink->close(&error)) << error.toStdString();
        return dvtest::demuxFile(file);
    }

    static std::unique_ptr<DvMuxer> makeMuxer(DvMuxerOptions options) {
        QString error;
        auto muxer = DvMuxer::create(options, &error);
        EXPECT_NE(muxer, nullptr) << error.toStdString();
        return muxer;
    }

    std::vector<std::uint8_t> last_frame;
};

struct AudioChoice {
    DvStandard standard;
    int rate_hz;
    int channels;
    int stream_rate_hz;
};

class DvMuxerAudioChoices : public DvMuxerTest,
                            public ::testing::WithParamInterface<AudioChoice> {};

// Every sound choice gives a valid stream with the exact per-frame sample counts of its rate.
TEST_P(DvMuxerAudioChoices, CarriesTheExactSamplesOfEveryFrame) {
    const AudioChoice c = GetParam();
    auto muxer = makeMuxer({c.standard, DvAudioFormat{c.rate_hz, c.channels}, {}, {}});
    ASSERT_NE(muxer, nullptr);
    EXPECT_EQ(muxer->streamSampleRateHz(), c.stream_rate_hz);
    EXPECT_EQ(muxer->convertsSampleRate(), c.rate_hz != c.stream_rate_hz);
    EXPECT_EQ(muxer->audioNote().isEmpty(), c.rate_hz == c.stream_rate_hz && c.channels == 2);

    constexpr int kFrames = 15;
    // Plenty of sound up front (in one piece), more than the frames need.
    const auto pcm =
        dvtest::tone(1000.0, c.rate_hz, c.channels, static_cast<std::size_t>(c.rate_hz), 0.3);
    QString error;
    ASSERT_TRUE(
        muxer->pushAudio(pcm.data(), pcm.size() / static_cast<std::size_t>(c.channels), &error));
    const dvtest::DemuxedStream stream = muxAndRead(*muxer, kFrames, [](int) {});
    EXPECT_EQ(stream.video_frames, kFrames);
    EXPECT_EQ(stream.sample_rate_hz, c.stream_rate_hz);
    EXPECT_EQ(stream.channels, 2);
    ASSERT_EQ(stream.samples_per_frame.size(), static_cast<std::size_t>(kFrames));
    for (int frame = 0; frame < kFrames; ++frame) {
        EXPECT_EQ(stream.samples_per_frame[static_cast<std::size_t>(frame)],
                  platform::dvSamplesInFrame(c.standard, c.stream_rate_hz, frame))
            << "frame " << frame;
    }
    EXPECT_EQ(muxer->silenceInsertedSampleFrames(), 0u);
    // The tone is in both channels of the stream, not silence.
    std::vector<std::int16_t> left;
    std::vector<std::int16_t> right;
    for (std::size_t i = 0; i + 1 < stream.interleaved.size(); i += 2) {
        left.push_back(stream.interleaved[i]);
        right.push_back(stream.interleaved[i + 1]);
    }
    const int sample_count = 4096;
    ASSERT_GT(left.size(), static_cast<std::size_t>(sample_count + 2000));
    EXPECT_EQ(testmedia::identifyTone(left.data() + 2000, sample_count, c.stream_rate_hz),
              std::optional<int>(7));
    EXPECT_EQ(testmedia::identifyTone(right.data() + 2000, sample_count, c.stream_rate_hz),
              std::optional<int>(7));
}

INSTANTIATE_TEST_SUITE_P(Choices, DvMuxerAudioChoices,
                         ::testing::Values(AudioChoice{DvStandard::Pal, 48000, 2, 48000},
                                           AudioChoice{DvStandard::Pal, 44100, 2, 44100},
                                           AudioChoice{DvStandard::Pal, 32000, 2, 32000},
                                           AudioChoice{DvStandard::Pal, 48000, 1, 48000},
                                           AudioChoice{DvStandard::Pal, 44100, 1, 44100},
                                           AudioChoice{DvStandard::Pal, 32000, 1, 32000},
                                           AudioChoice{DvStandard::Ntsc, 48000, 2, 48000},
                                           AudioChoice{DvStandard::Ntsc, 44100, 2, 48000},
                                           AudioChoice{DvStandard::Ntsc, 32000, 2, 48000},
                                           AudioChoice{DvStandard::Ntsc, 48000, 1, 48000},
                                           AudioChoice{DvStandard::Ntsc, 44100, 1, 48000},
                                           AudioChoice{DvStandard::Ntsc, 32000, 1, 48000}),
                         [](const auto& test_info) {
                             const AudioChoice& c = test_info.param;
                             return std::string(c.standard == DvStandard::Pal ? "Pal" : "Ntsc") +
                                    std::to_string(c.rate_hz) +
                                    (c.channels == 1 ? "Mono" : "Stereo");
                         });

// PAL 48 kHz stereo: what comes out of the demuxer is exactly what went in.
TEST_F(DvMuxerTest, SoundSurvivesBitExactInChunksOfOddSizes) {
    auto muxer = makeMuxer({DvStandard::Pal, DvAudioFormat{48000, 2}, {}, {}});
    ASSERT_NE(muxer, nullptr);
    constexpr int kFrames = 40;
    const auto pcm = dvtest::noise(1920 * kFrames, 2, 9);
    const std::size_t chunk_sizes[] = {1, 7, 333, 1601, 2999, 64};
    std::size_t pushed = 0;
    std::size_t chunk = 0;
    QString error;
    const auto stream = muxAndRead(*muxer, kFrames, [&](int frame) {
        // Push odd-sized chunks until this frame's share has arrived.
        const std::size_t wanted = static_cast<std::size_t>(frame + 1) * 1920;
        while (pushed < wanted) {
            const std::size_t n = std::min(chunk_sizes[chunk++ % 6], 1920 * kFrames - pushed);
            ASSERT_TRUE(muxer->pushAudio(pcm.data() + pushed * 2, n, &error));
            pushed += n;
        }
    });
    EXPECT_EQ(muxer->silenceInsertedSampleFrames(), 0u);
    ASSERT_EQ(stream.interleaved.size(), pcm.size());
    EXPECT_TRUE(stream.interleaved == dvtest::asCarriedByDv(pcm));
}

// NTSC over many frames: the 1600/1602 pattern, 8008 samples per five frames, no drift.
TEST_F(DvMuxerTest, NtscFollowsTheFiveFrameCadenceWithoutDrift) {
    auto muxer = makeMuxer({DvStandard::Ntsc, DvAudioFormat{48000, 2}, {}, {}});
    ASSERT_NE(muxer, nullptr);
    constexpr int kFrames = 150;
    const auto pcm = dvtest::noise(8008 * kFrames / 5, 2, 3);
    std::size_t pushed = 0;
    QString error;
    const auto stream = muxAndRead(*muxer, kFrames, [&](int frame) {
        EXPECT_EQ(muxer->samplesForNextFrame(), frame % 5 == 0 ? 1600 : 1602);
        // Sound arrives in steady 1001-sample chunks, independent of the cadence.
        while (muxer->bufferedSampleFrames() <
               static_cast<std::size_t>(muxer->samplesForNextFrame())) {
            const std::size_t n = std::min<std::size_t>(1001, pcm.size() / 2 - pushed);
            ASSERT_GT(n, 0u);
            ASSERT_TRUE(muxer->pushAudio(pcm.data() + pushed * 2, n, &error));
            pushed += n;
        }
    });
    ASSERT_EQ(stream.samples_per_frame.size(), static_cast<std::size_t>(kFrames));
    EXPECT_EQ(std::accumulate(stream.samples_per_frame.begin(), stream.samples_per_frame.end(), 0),
              8008 * kFrames / 5);
    for (int frame = 0; frame < kFrames; ++frame) {
        EXPECT_EQ(stream.samples_per_frame[static_cast<std::size_t>(frame)],
                  frame % 5 == 0 ? 1600 : 1602);
    }
    ASSERT_EQ(stream.interleaved.size(), pcm.size());
    EXPECT_TRUE(stream.interleaved == dvtest::asCarriedByDv(pcm));
}

TEST_F(DvMuxerTest, MonoGoesOutAsTwoEqualChannels) {
    auto muxer = makeMuxer({DvStandard::Pal, DvAudioFormat{48000, 1}, {}, {}});
    ASSERT_NE(muxer, nullptr);
    const auto pcm = dvtest::noise(1920 * 5, 1, 5);
    QString error;
    ASSERT_TRUE(muxer->pushAudio(pcm.data(), pcm.size(), &error));
    const auto stream = muxAndRead(*muxer, 5, [](int) {});
    ASSERT_EQ(stream.interleaved.size(), pcm.size() * 2);
    const auto expected = dvtest::asCarriedByDv(pcm);
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        ASSERT_EQ(stream.interleaved[2 * i], expected[i]) << i;
        ASSERT_EQ(stream.interleaved[2 * i + 1], expected[i]) << i;
    }
}

TEST_F(DvMuxerTest, CarriesSilenceWhenNoSoundIsConnected) {
    for (const DvStandard standard : {DvStandard::Pal, DvStandard::Ntsc}) {
        auto muxer = makeMuxer({standard, std::nullopt, {}, {}});
        ASSERT_NE(muxer, nullptr);
        QString error;
        const std::int16_t sample = 1;
        EXPECT_FALSE(muxer->pushAudio(&sample, 1, &error));
        const auto stream = muxAndRead(*muxer, 6, [](int) {});
        EXPECT_EQ(stream.sample_rate_hz, 48000);
        ASSERT_EQ(stream.samples_per_frame.size(), 6u);
        EXPECT_EQ(stream.samples_per_frame[1], standard == DvStandard::Pal ? 1920 : 1602);
        EXPECT_TRUE(std::all_of(stream.interleaved.begin(), stream.interleaved.end(),
                                [](std::int16_t s) { return s == 0; }));
        EXPECT_FALSE(muxer->audioNote().isEmpty());
    }
}

// Sound that is late is replaced by silence, and the same amount is dropped when it arrives,
// so the sound of later frames stays where it belongs.
TEST_F(DvMuxerTest, LateSoundIsReplacedBySilenceWithoutShiftingLaterSound) {
    auto muxer = makeMuxer({DvStandard::Pal, DvAudioFormat{48000, 2}, {}, {}});
    ASSERT_NE(muxer, nullptr);
    const auto pcm = dvtest::noise(1920 * 4, 2, 11);
    QString error;
    const auto stream = muxAndRead(*muxer, 4, [&](int frame) {
        if (frame == 1) {
            // Frame 0's sound arrives one frame late, together with frame 1's.
            ASSERT_TRUE(muxer->pushAudio(pcm.data(), 1920 * 2, &error));
        } else if (frame > 1) {
            ASSERT_TRUE(muxer->pushAudio(pcm.data() + static_cast<std::size_t>(frame) * 1920 * 2,
                                         1920, &error));
        }
    });
    EXPECT_EQ(muxer->silenceInsertedSampleFrames(), 1920u);
    ASSERT_EQ(stream.interleaved.size(), pcm.size());
    EXPECT_TRUE(std::all_of(stream.interleaved.begin(), stream.interleaved.begin() + 3840,
                            [](std::int16_t s) { return s == 0; }));
    const auto expected = dvtest::asCarriedByDv(pcm);
    EXPECT_TRUE(std::equal(stream.interleaved.begin() + 3840, stream.interleaved.end(),
                           expected.begin() + 3840));
}

// The VAUX recording-date pack (0x62) of the first DIF sequence: day, month, year in BCD.
struct PackDate {
    int day;
    int month;
    int year;
};

std::optional<PackDate> recordingDate(const std::vector<std::uint8_t>& frame) {
    for (int block = 3; block <= 5; ++block) {
        for (int pack = 0; pack < 15; ++pack) {
            const std::uint8_t* p = frame.data() + block * 80 + 3 + pack * 5;
            if (p[0] == 0x62) {
                const auto bcd = [](std::uint8_t v) { return (v >> 4) * 10 + (v & 0x0f); };
                return PackDate{bcd(p[2] & 0x3f), bcd(p[3] & 0x1f), bcd(p[4])};
            }
        }
    }
    return std::nullopt;
}

TEST_F(DvMuxerTest, WritesTheRecordingDate) {
    const QDateTime when(QDate(2023, 5, 17), QTime(13, 45, 10));
    auto muxer = makeMuxer({DvStandard::Pal, std::nullopt, when, {}});
    ASSERT_NE(muxer, nullptr);
    muxAndRead(*muxer, 1, [](int) {});
    const auto date = recordingDate(last_frame);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->day, 17);
    EXPECT_EQ(date->month, 5);
    EXPECT_EQ(date->year, 23);

    // Without a given time the stream is dated now, not 1970.
    auto now_muxer = makeMuxer({DvStandard::Ntsc, std::nullopt, {}, {}});
    ASSERT_NE(now_muxer, nullptr);
    muxAndRead(*now_muxer, 1, [](int) {});
    const auto now_date = recordingDate(last_frame);
    ASSERT_TRUE(now_date.has_value());
    EXPECT_EQ(now_date->year, QDate::currentDate().year() % 100);
}

TEST_F(DvMuxerTest, RefusesUnsupportedSoundAndForeignFrames) {
    QString error;
    EXPECT_EQ(DvMuxer::create({DvStandard::Pal, DvAudioFormat{22050, 2}, {}, {}}, &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(DvMuxer::create({DvStandard::Pal, DvAudioFormat{48000, 6}, {}, {}}, &error), nullptr);
    auto muxer = makeMuxer({DvStandard::Pal, std::nullopt, {}, {}});
    ASSERT_NE(muxer, nullptr);
    std::vector<std::uint8_t> out(144000);
    const auto ntsc = dvtest::encodeFrame(DvStandard::Ntsc, 1);
    EXPECT_FALSE(muxer->muxFrame(ntsc, out, &error));
    EXPECT_EQ(muxer->framesMuxed(), 0u);
}

} // namespace

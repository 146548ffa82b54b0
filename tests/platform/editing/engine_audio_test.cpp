#include "tests/platform/editing/engine_test_support.h"

#include <cmath>

namespace {

using namespace enginetest;
using testmedia::kClipH264Aac;
using testmedia::kClipMpeg4Pcm;

std::vector<render::TFileInfo> twoClips() {
    return {clip("clip_h264_aac.mp4", 2.0, render::smStretch),
            clip("clip_mpeg4_pcm.avi", 2.0, render::smStretch)};
}

std::unique_ptr<platform::EngineTimelineRenderer> withShift(int shift_ms) {
    render::TBuildSettings settings = palSettings();
    settings.audioShift_ms = shift_ms;
    return renderPlayList(twoClips(), settings);
}

TEST(EngineAudio, EachClipSoundsAtItsTime) {
    const auto engine = withShift(0);
    auto& audio = *engine->audioGroup(1);
    EXPECT_EQ(audio.format().sampleRate, 48000);
    EXPECT_EQ(audio.format().channels, 2);
    EXPECT_TRUE(beepAt(audio, 0.0));
    EXPECT_EQ(toneAt(audio, 0.5), kClipH264Aac);
    EXPECT_TRUE(beepAt(audio, 1.0));
    EXPECT_FALSE(beepAt(audio, 1.5));
    EXPECT_TRUE(beepAt(audio, 2.0));
    EXPECT_EQ(toneAt(audio, 2.5), kClipMpeg4Pcm);
    EXPECT_TRUE(beepAt(audio, 3.0));
    EXPECT_TRUE(silentAt(audio, 4.0, 4800));
}

TEST(EngineAudio, ShiftMovesEverySoundAgainstThePicture) {
    {
        // -500 ms: the first clip's sound starts 0.5 s into its media, the second at 1.5 s.
        const auto engine = withShift(-500);
        auto& audio = *engine->audioGroup(1);
        EXPECT_EQ(toneAt(audio, 0.1), kClipH264Aac);
        EXPECT_TRUE(beepAt(audio, 0.5));
        EXPECT_TRUE(beepAt(audio, 1.5));
        EXPECT_EQ(toneAt(audio, 1.7), kClipMpeg4Pcm);
        EXPECT_TRUE(beepAt(audio, 2.5));
        EXPECT_TRUE(silentAt(audio, 3.5, 4800));
    }
    {
        // +1000 ms: silence first, then every sound a second after its picture.
        const auto engine = withShift(1000);
        auto& audio = *engine->audioGroup(1);
        EXPECT_TRUE(silentAt(audio, 0.0, 48000));
        EXPECT_TRUE(beepAt(audio, 1.0));
        EXPECT_EQ(toneAt(audio, 1.5), kClipH264Aac);
        EXPECT_TRUE(beepAt(audio, 3.0));
        EXPECT_EQ(toneAt(audio, 4.5), kClipMpeg4Pcm);
        EXPECT_EQ(engine->audioGroup(1)->duration(), seconds(5.0));
    }
}

// Files whose sound starts a second after their picture, in three containers: the sound keeps
// its place against the picture (one time origin per file).
class EngineLateSound : public ::testing::TestWithParam<const char*> {};

TEST_P(EngineLateSound, SoundStartsWhereTheFileStartsIt) {
    const std::vector<render::TFileInfo> playList = {
        clip(QStringLiteral("real_world/late_sound.") + GetParam(), 3.0, render::smStretch)};
    const auto engine = renderPlayList(playList, palSettings());
    auto& audio = *engine->audioGroup(1);
    auto& video = *engine->videoGroup(0);
    EXPECT_TRUE(silentAt(audio, 0.2, 24000));
    EXPECT_TRUE(beepAt(audio, 1.0));
    EXPECT_EQ(toneAt(audio, 1.5), testmedia::kClipLateSound);
    EXPECT_TRUE(beepAt(audio, 2.0));
    EXPECT_EQ(toneAt(audio, 2.5), testmedia::kToneLateSoundSecond);
    EXPECT_EQ(markOf(video.frame(0)), mark(testmedia::kClipLateSound, 0));
    EXPECT_EQ(markOf(video.frame(50)), mark(testmedia::kClipLateSound, 50));
    // After a seek too.
    EXPECT_EQ(toneAt(audio, 2.6), testmedia::kToneLateSoundSecond);
    EXPECT_EQ(toneAt(audio, 1.2), testmedia::kClipLateSound);
    EXPECT_EQ(markOf(video.frame(30)), mark(testmedia::kClipLateSound, 30));
}

INSTANTIATE_TEST_SUITE_P(Containers, EngineLateSound, ::testing::Values("mp4", "ts", "mkv"));

TEST(EngineAudio, VideoOnlyClipAndGapsAreSilent) {
    const std::vector<render::TFileInfo> playList = {
        clip("video_only.avi", 2.0, render::smStretch, true, false),
        clip("clip_h264_aac.mp4", 2.0, render::smStretch)};
    const auto engine = renderPlayList(playList, palSettings());
    auto& audio = *engine->audioGroup(1);
    EXPECT_TRUE(silentAt(audio, 0.0, 96000));
    EXPECT_EQ(toneAt(audio, 2.5), kClipH264Aac);
}

TEST(EngineAudio, MonoSourceFillsBothChannelsAtFullLevel) {
    const std::vector<render::TFileInfo> playList = {
        clip("mono.wav", 3.0, render::smStretch, false, true)};
    const auto engine = renderPlayList(playList, palSettings());
    auto& audio = *engine->audioGroup(1);
    std::vector<std::int16_t> block(2 * 4800);
    audio.render(audio.format().sampleAt(seconds(0.3)), block);
    int peak = 0;
    for (std::size_t i = 0; i < block.size(); i += 2) {
        ASSERT_EQ(block[i], block[i + 1]);
        peak = std::max(peak, std::abs(static_cast<int>(block[i])));
    }
    EXPECT_NEAR(peak, testmedia::kToneLevel * 32767, 0.03 * 32767);
    EXPECT_EQ(toneAt(audio, 0.5), testmedia::kSoundMono);
}

TEST(EngineAudio, FrameTimesGiveExactSampleCounts) {
    const platform::EngineVideoFormat ntsc{720, 480, {30000, 1001}};
    const platform::EngineVideoFormat pal{720, 576, {25, 1}};
    const platform::EngineAudioFormat rate48{48000, 2};
    std::int64_t total = 0;
    for (std::int64_t n = 0; n < 3000; ++n) {
        const std::int64_t count =
            rate48.sampleAt(ntsc.frameTime(n + 1)) - rate48.sampleAt(ntsc.frameTime(n));
        EXPECT_TRUE(count == 1601 || count == 1602) << n;
        total += count;
        EXPECT_EQ(rate48.sampleAt(pal.frameTime(n + 1)) - rate48.sampleAt(pal.frameTime(n)), 1920);
        EXPECT_EQ(ntsc.frameAt(ntsc.frameTime(n)), n);
        EXPECT_EQ(ntsc.frameAt(ntsc.frameTime(n + 1) - 1), n);
    }
    EXPECT_EQ(total, 3000 * 8008 / 5); // 1001/30000 s × 48000 per frame, no drift
}

} // namespace

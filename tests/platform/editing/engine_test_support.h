#pragma once

#include "platform/editing/engine_timeline_renderer.h"
#include "render/build_settings.h"
#include "render/file_info.h"
#include "render/timeline_builder.h"
#include "render/transitions.h"
#include "tests/support/test_media.h"
#include "tools/make-test-media/frame_mark.h"
#include "tools/make-test-media/tone_mark.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

// Timelines of generated test media built by the application's timeline builder, rendered by
// the engine, and read back through the frame and tone marks.
namespace enginetest {

using platform::REFERENCE_TIME;
inline constexpr REFERENCE_TIME kSecond = platform::UNITS;

inline REFERENCE_TIME seconds(double s) {
    return static_cast<REFERENCE_TIME>(s * 10'000'000.0 + 0.5);
}

// A timed medium of the test set with its known length.
inline render::TFileInfo clip(const QString& name, double seconds_, int stretchMode,
                              bool video = true, bool audio = true) {
    render::TFileInfo info;
    info.FileName = testsupport::testMedia(name);
    info.Duration = seconds(seconds_);
    info.Kind = render::fkMedia;
    info.VideoStreamCount = video ? 1 : 0;
    info.AudioStreamCount = audio ? 1 : 0;
    info.VideoStream = video ? 0 : -1;
    info.AudioStream = audio ? 0 : -1;
    info.StretchMode = stretchMode;
    return info;
}

inline render::TFileInfo picture(const QString& name, render::TFileKind kind, int stretchMode) {
    render::TFileInfo info;
    info.FileName = testsupport::testMedia(name);
    info.Duration = seconds(1.0);
    info.Kind = kind;
    info.VideoStream = 0;
    info.AudioStream = -1;
    info.StretchMode = stretchMode;
    return info;
}

// Settings for a PAL build with the sound in the DV stream (audio group present).
inline render::TBuildSettings palSettings() {
    render::TBuildSettings settings;
    settings.videoOutIndex = 0;
    settings.audioOutIndex = 1;
    settings.audioRateIndex = 2;
    settings.pictureTime_s = 1.0;
    return settings;
}

inline std::unique_ptr<platform::EngineTimelineRenderer>
renderPlayList(const std::vector<render::TFileInfo>& playList,
               const render::TBuildSettings& settings, platform::EngineOptions options = {}) {
    render::TRandomGenerator random;
    const auto timeline = render::BuildTimeline(playList, settings, random);
    return std::make_unique<platform::EngineTimelineRenderer>(*timeline, std::move(options));
}

// The picture of an output frame: RGB from Bgr24, the luma plane as grey otherwise.
inline QImage toImage(const platform::EngineVideoFrame& frame) {
    const AVFrame& av = frame.av();
    if (frame.pixelFormat() == platform::EnginePixelFormat::Bgr24) {
        return QImage(av.data[0], av.width, av.height, av.linesize[0], QImage::Format_BGR888)
            .copy();
    }
    return QImage(av.data[0], av.width, av.height, av.linesize[0], QImage::Format_Grayscale8)
        .copy();
}

inline std::optional<testmedia::FrameMark> markOf(const platform::EngineFramePtr& frame,
                                                  QRect area = QRect(0, 0, 720, 576)) {
    if (!frame) {
        return std::nullopt;
    }
    return testmedia::readFrameMark(toImage(*frame), area);
}

inline testmedia::FrameMark mark(int clipId, int frameNumber) {
    return {clipId, frameNumber};
}

// Share of a frame's pixels within `tolerance` of a colour (RGB frames).
inline double shareOfColour(const platform::EngineFramePtr& frame, QColor colour,
                            int tolerance = 40) {
    const QImage image = toImage(*frame);
    int hits = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <=
                tolerance) {
                ++hits;
            }
        }
    }
    return static_cast<double>(hits) / ((image.height() / 4) * (image.width() / 4));
}

inline bool rowIsBlack(const QImage& image, int y) {
    for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) > 20) {
            return false;
        }
    }
    return true;
}

// Channel 0 of the group's sound from time t for `count` samples.
inline std::vector<std::int16_t> soundAt(platform::EngineAudioRenderer& audio, double t_s,
                                         int count) {
    const auto& format = audio.format();
    std::vector<std::int16_t> interleaved(static_cast<std::size_t>(count * format.channels));
    audio.render(format.sampleAt(seconds(t_s)), interleaved);
    std::vector<std::int16_t> mono(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        mono[static_cast<std::size_t>(i)] =
            interleaved[static_cast<std::size_t>(i * format.channels)];
    }
    return mono;
}

inline std::optional<int> toneAt(platform::EngineAudioRenderer& audio, double t_s) {
    const auto block = soundAt(audio, t_s, 2048);
    return testmedia::identifyTone(block.data(), 2048, audio.format().sampleRate);
}

// Whether the 40 ms from 5 ms after t hold the beep.
inline bool beepAt(platform::EngineAudioRenderer& audio, double t_s) {
    const int count = audio.format().sampleRate / 25;
    const auto block = soundAt(audio, t_s + 0.005, count);
    return testmedia::isBeep(block.data(), count, audio.format().sampleRate);
}

inline bool silentAt(platform::EngineAudioRenderer& audio, double t_s, int count) {
    for (const std::int16_t sample : soundAt(audio, t_s, count)) {
        if (sample != 0) {
            return false;
        }
    }
    return true;
}

} // namespace enginetest

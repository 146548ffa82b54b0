#pragma once

#include "platform/editing/ffmpeg_ptr.h"
#include "platform/streaming/media_type.h"
#include "platform/system/hresult.h"

#include <cstdint>
#include <memory>
#include <optional>

// Output formats of the render engine's groups and the frame/sample arithmetic on them.
namespace platform {

// Pixel layouts the engine renders video into. Bgr24 is the byte order of an RGB24 group
// (blue first), rows top-down; the planar layouts are what the DV encoder takes directly
// (4:2:0 for PAL, 4:1:1 for NTSC), limited range BT.601.
enum class EnginePixelFormat { Bgr24, Yuv420p, Yuv411p };

AVPixelFormat toAvPixelFormat(EnginePixelFormat format);

struct EngineVideoFormat {
    int width = 720;
    int height = 576;
    AVRational frameRate{25, 1};
    EnginePixelFormat pixelFormat = EnginePixelFormat::Bgr24;

    // Start of frame n on the timeline (exact rational, rounded to the nearest unit).
    REFERENCE_TIME frameTime(std::int64_t frame) const;
    // The frame showing at a time: the last frame starting at or before it.
    std::int64_t frameAt(REFERENCE_TIME time) const;
    // Display aspect of the whole frame (4:3 for DV frames).
    AVRational displayAspect() const { return {4, 3}; }
};

struct EngineAudioFormat {
    int sampleRate = 48000;
    int channels = 2;

    // The sample at a time: round(time × rate). Consecutive frame times give consecutive,
    // gap-free sample ranges, so per-frame counts never drift.
    std::int64_t sampleAt(REFERENCE_TIME time) const;
    REFERENCE_TIME sampleTime(std::int64_t sample) const;
};

// The video group's format from its media type (RGB24 video-info block) and output rate. The
// rate 29.97 is taken as 30000/1001. Nothing when the type is not uncompressed video.
std::optional<EngineVideoFormat> videoFormatFromGroup(const AM_MEDIA_TYPE& mediaType,
                                                      double framesPerSecond,
                                                      EnginePixelFormat pixelFormat);
// The audio group's format from its wave format; nothing when it is not 16-bit PCM.
std::optional<EngineAudioFormat> audioFormatFromGroup(const AM_MEDIA_TYPE& mediaType);

// One rendered video frame in an engine pixel format. Frames are shared read-only: a still
// picture or a black gap hands out the same frame again and again.
class EngineVideoFrame {
public:
    // A frame of the format's size and layout, filled with black unless `black` is false (the
    // caller then fills every pixel). Throws std::bad_alloc.
    explicit EngineVideoFrame(const EngineVideoFormat& format, bool black = true);

    const AVFrame& av() const { return *frame_; }
    AVFrame& av() { return *frame_; }
    int width() const { return frame_->width; }
    int height() const { return frame_->height; }
    EnginePixelFormat pixelFormat() const { return pixelFormat_; }

private:
    EnginePixelFormat pixelFormat_;
    ffmpeg::FramePtr frame_;
};

using EngineFramePtr = std::shared_ptr<const EngineVideoFrame>;

// Fills a frame with black of its pixel format.
void fillBlack(AVFrame& frame, EnginePixelFormat format);
// Fills a rectangle of a frame (on its chroma grid) with black of its pixel format.
void fillBlack(AVFrame& frame, EnginePixelFormat format, int x, int y, int width, int height);

} // namespace platform

#pragma once

#include "platform/editing/engine_format.h"
#include "platform/editing/ffmpeg_ptr.h"

#include <memory>

namespace platform {

struct EngineRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const EngineRect&) const = default;
};

// Where a source picture goes in the output frame: the part of the source that is shown and
// the area of the frame it is scaled into (the rest of the frame is black).
struct EngineFitGeometry {
    EngineRect source;
    EngineRect target;
    bool operator==(const EngineFitGeometry&) const = default;
};

// Fits a width × height source with the given sample aspect (0/1 = unknown) into the output
// frame by a stretch mode (RESIZEF_*):
//   STRETCH: the whole source fills the whole frame;
//   CROP ("Original"): the source at its own pixel size, centred, cut where it is larger;
//   PRESERVEASPECTRATIO: the whole source at its display aspect, centred, black bars;
//   PRESERVEASPECTRATIO_NOLETTERBOX: the frame filled at the source's display aspect, the
//   source cut at its sides or top and bottom.
// Display aspects count the output frame as 4:3. A source of unknown sample aspect counts as
// square-pixelled, except one of exactly the frame's size, which counts as a full frame. Areas
// are kept on the chroma grid of the output layout.
EngineFitGeometry fitGeometry(int stretchMode, int width, int height, AVRational sampleAspect,
                              const EngineVideoFormat& output);

enum class EngineScaleQuality { Video, Picture };

// Converts decoded frames into output frames: colour (BT.709 high-definition sources to
// BT.601, full range to limited range), size and placement by the stretch mode. One scaler per
// source; it keeps its scaling context while the source's frame size stays the same.
class EngineFrameScaler {
public:
    EngineFrameScaler(int stretchMode, const EngineVideoFormat& output, EngineScaleQuality quality);

    // A new output frame holding the decoded frame. Throws std::runtime_error when the frame
    // cannot be converted.
    std::shared_ptr<EngineVideoFrame> scale(const AVFrame& decoded);

private:
    int stretchMode_;
    EngineVideoFormat output_;
    int flags_;
    ffmpeg::SwsContextPtr context_;
    AVPixelFormat sourceFormat_ = AV_PIX_FMT_NONE;
    EngineFitGeometry geometry_;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int shownWidth_ = 0;
    int shownHeight_ = 0;
};

} // namespace platform

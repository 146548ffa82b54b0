#pragma once

#include "platform/editing/engine_format.h"
#include "platform/editing/engine_orientation.h"
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
// are kept on the chroma grid of the output layout, and for 4:2:0 on the grid of its fields
// (heights and rows in fours).
EngineFitGeometry fitGeometry(int stretchMode, int width, int height, AVRational sampleAspect,
                              const EngineVideoFormat& output);

enum class EngineScaleQuality { Video, Picture };

// Converts decoded frames into output frames: colour (BT.709 high-definition sources to
// BT.601, full range to limited range), orientation (a phone's rotated clip or an EXIF-turned
// photo is shown upright), size and placement by the stretch mode. Interlaced sources are
// scaled field by field so that their fields never mix, and a top-field-first source becomes
// bottom field first, the field order of DV. One scaler per source; it keeps its scaling
// contexts while the source's frame size and layout stay the same.
class EngineFrameScaler {
public:
    // `orientation` is the stream's; a frame's own (EXIF) orientation takes precedence.
    EngineFrameScaler(int stretchMode, const EngineVideoFormat& output, EngineScaleQuality quality,
                      EngineOrientation orientation = {});
    ~EngineFrameScaler();

    // A new output frame holding the decoded frame. Throws std::runtime_error when the frame
    // cannot be converted.
    std::shared_ptr<EngineVideoFrame> scale(const AVFrame& decoded);

private:
    struct Layout; // what the contexts were made for
    void configure(const AVFrame& decoded, AVPixelFormat sourceFormat, bool fullRange,
                   EngineOrientation orientation, bool interlaced);
    void scaleUpright(const AVFrame& shown, AVFrame& out);
    void scaleTurned(const AVFrame& shown, AVFrame& out);
    SwsContext* makeContext(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth,
                            int dstHeight, AVPixelFormat dstFormat, bool colourChange);

    const int stretchMode_;
    const EngineVideoFormat output_;
    const EngineScaleQuality quality_;
    const EngineOrientation streamOrientation_;
    std::unique_ptr<Layout> layout_;
};

} // namespace platform
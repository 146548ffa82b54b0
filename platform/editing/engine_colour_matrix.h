#pragma once

#include "platform/editing/engine_format.h"

#include <cstdint>

namespace platform {

struct EngineRect;

// Turns limited-range 8-bit Y'CbCr made with one colour matrix (BT.709 of high-definition
// sources, SMPTE 240M, BT.2020) into BT.601, the matrix of DV, in place. It is one pass over an
// already scaled picture: swscale would instead convert the whole source through 16-bit RGB.
// Grey stays grey, so luma changes only by the chroma of its pixel.
class EngineColourMatrixConverter {
public:
    // `sourceMatrix` is a SWS_CS_* value.
    explicit EngineColourMatrixConverter(int sourceMatrix);

    // False for BT.601 sources: nothing to do.
    bool changesColours() const { return changes_; }
    // Converts the area of a planar 4:2:0 or 4:1:1 frame (x, y and sizes on its chroma grid).
    void convert(AVFrame& frame, EnginePixelFormat format, const EngineRect& area) const;

private:
    bool changes_ = false;
    // What Cb and Cr (as offsets from 128) add to each component, in 1/16384 of a code.
    std::int32_t lumaFromCb_ = 0;
    std::int32_t lumaFromCr_ = 0;
    std::int32_t cbFromCb_ = 0;
    std::int32_t cbFromCr_ = 0;
    std::int32_t crFromCb_ = 0;
    std::int32_t crFromCr_ = 0;
};

} // namespace platform

#pragma once

#include "platform/editing/engine_format.h"

#include <array>
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
    // Contributions in 1/256 of a code value, indexed by the 8-bit Cb or Cr code.
    std::array<std::int32_t, 256> lumaFromCb_{};
    std::array<std::int32_t, 256> lumaFromCr_{};
    std::array<std::int32_t, 256> cbFromCb_{};
    std::array<std::int32_t, 256> cbFromCr_{};
    std::array<std::int32_t, 256> crFromCb_{};
    std::array<std::int32_t, 256> crFromCr_{};
};

} // namespace platform

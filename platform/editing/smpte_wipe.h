#pragma once

// SMPTE wipe transition between two video frames. The pattern ("MaskNum" code) and the soft
// border width are fixed per transition: the constructor precomputes a 16-bit threshold map for
// the frame size, and each frame is then one integer pass over the pixels.

#include "platform/editing/smpte_wipe_codes.h"
#include "platform/editing/smpte_wipe_pattern.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// One 8-bit image plane (or packed RGB image): first row and distance between rows in bytes.
// The stride may be negative for bottom-up images.
struct ConstImagePlane {
    const std::uint8_t* data = nullptr;
    std::ptrdiff_t stride_bytes = 0;
};
struct ImagePlane {
    std::uint8_t* data = nullptr;
    std::ptrdiff_t stride_bytes = 0;
};

// Planar 8-bit Y'CbCr frame.
struct ConstYuvPlanes {
    ConstImagePlane y, u, v;
};
struct YuvPlanes {
    ImagePlane y, u, v;
};

// Chroma layouts of DV: 4:2:0 (PAL, chroma half width and half height) and 4:1:1 (NTSC,
// chroma quarter width, full height). Chroma sizes round up, as FFmpeg's do.
enum class ChromaSubsampling { Yuv420, Yuv411 };

struct SmpteWipeOptions {
    WipePatternOptions pattern;
    // At softness 0, smooth the edge over about one pixel instead of cutting it hard.
    bool antialias_hard_edge = false;
};

namespace wipe_detail {

// Threshold levels (0..65535) at one sampling grid (luma or a chroma layout), with the level
// bounds of every fixed-length run of samples in a row, so that runs that are wholly outgoing or
// wholly incoming in a frame can be copied instead of blended.
struct LevelMap {
    int width = 0;
    int height = 0;
    int blocks_per_row = 0;
    std::vector<std::uint16_t> level;
    std::vector<std::uint16_t> block_min;
    std::vector<std::uint16_t> block_max;
};

// The ramp of one frame in level units, derived from the progress.
struct Ramp {
    enum class Kind { Outgoing, Incoming, Mixed } kind = Kind::Outgoing;
    std::int32_t position = 0; // levels below this have begun to turn incoming
    std::int32_t width = 1;    // levels over which a sample goes from outgoing to incoming
    std::int32_t gain = 0;     // full weight / width in 16.16 fixed point, rounded up
};

} // namespace wipe_detail

class SmpteWipe {
public:
    // Weight of the incoming picture in weights(): 0 = outgoing only, kFullWeight = incoming only.
    static constexpr int kFullWeight = 256;

    // Builds the wipe for `mask_num` (one of smpteWipeCodes()) with a soft border about
    // `border_softness` pixels wide across the edge, measured with the pattern's typical slope
    // (0 = hard edge; the user range is 0..500; no ramp grows beyond the whole transition). The
    // random mask (409) has no edge: its softness is a share of 500. Throws
    // std::invalid_argument for an unknown code, a negative softness or an unusable frame size.
    SmpteWipe(int mask_num, int border_softness, int width, int height,
              const SmpteWipeOptions& options = {});

    int maskNum() const { return mask_num_; }
    int borderSoftness() const { return border_softness_; }
    int width() const { return luma_.width; }
    int height() const { return luma_.height; }

    // Ramp width in threshold units: 0 for a hard edge, at most 1.
    double softness() const { return softness_; }

    // Incoming weight of every pixel at `progress` (0 = all outgoing, 1 = all incoming), rows
    // from the top. `weights_out` must hold width() * height() values.
    void weights(double progress, std::span<std::uint16_t> weights_out) const;

    // Blends packed 24-bit (3 bytes per pixel) or 32-bit (4 bytes per pixel) frames of
    // width() x height(). `output` may be the same buffer as either input.
    void blendRgb24(double progress, ConstImagePlane outgoing, ConstImagePlane incoming,
                    ImagePlane output) const;
    void blendRgb32(double progress, ConstImagePlane outgoing, ConstImagePlane incoming,
                    ImagePlane output) const;

    // Blends planar 8-bit Y'CbCr frames; chroma weights come from the subsampled map.
    void blendYuv(double progress, ChromaSubsampling chroma, const ConstYuvPlanes& outgoing,
                  const ConstYuvPlanes& incoming, const YuvPlanes& output) const;

private:
    wipe_detail::Ramp rampAt(double progress) const;
    void blendPacked(double progress, int bytes_per_pixel, ConstImagePlane outgoing,
                     ConstImagePlane incoming, ImagePlane output) const;

    int mask_num_;
    int border_softness_;
    double softness_ = 0.0;
    std::int32_t softness_levels_ = 0;
    wipe_detail::LevelMap luma_;
    wipe_detail::LevelMap chroma420_;
    wipe_detail::LevelMap chroma411_;
};

} // namespace platform

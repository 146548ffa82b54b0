#pragma once

#include "platform/filters/dv_format.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// What every DV video encoder offers: one uncompressed picture in, one complete DV25 frame out.
namespace platform {

// Pixel layouts a DV encoder accepts. Rgb24 is R,G,B byte order; Bgr24 is B,G,R (the Windows
// RGB24 layout, usually bottom-up: pass the last row and a negative stride). The planar YUV
// layouts are the two DV natives, limited range BT.601.
enum class DvPixelLayout { Rgb24, Bgr24, Yuv420p, Yuv411p };

// One picture of kDvWidth x dvHeight(standard) pixels; the caller keeps the memory alive for the
// call. Packed layouts use plane 0 only. Strides are in bytes and may be negative.
struct DvPicture {
    DvPixelLayout layout = DvPixelLayout::Rgb24;
    std::array<const std::uint8_t*, 3> planes = {};
    std::array<int, 3> strides_bytes = {};
};

// The native planar layout of a standard: 4:2:0 for PAL, 4:1:1 for NTSC.
inline constexpr DvPixelLayout dvNativeLayout(DvStandard standard) {
    return standard == DvStandard::Pal ? DvPixelLayout::Yuv420p : DvPixelLayout::Yuv411p;
}

class DvEncoder {
public:
    virtual ~DvEncoder() = default;

    virtual DvStandard standard() const = 0;
    // Encodes one picture into `frame`, which must hold dvFrameBytes(standard()) bytes. The
    // frame is 4:3, interlaced, bottom field first. Gives false and an error text on failure.
    virtual bool encode(const DvPicture& picture, std::span<std::uint8_t> frame,
                        QString* error) = 0;
};

using DvFrameBytes = std::vector<std::uint8_t>;

// Encodes a still picture once and hands out the same frame while the caller asks for the same
// picture identity again (a still, a picture shown for many frames). A new identity encodes anew.
class DvStillFrameCache {
public:
    // The frame of the picture named `identity`; nullptr and an error text on failure.
    std::shared_ptr<const DvFrameBytes> frameFor(std::uint64_t identity, const DvPicture& picture,
                                                 DvEncoder& encoder, QString* error);
    void clear();
    // How many frames were actually encoded (for statistics and tests).
    std::uint64_t encodeCount() const { return encode_count_; }

private:
    bool valid_ = false;
    std::uint64_t identity_ = 0;
    DvStandard standard_ = DvStandard::Pal;
    std::shared_ptr<const DvFrameBytes> frame_;
    std::uint64_t encode_count_ = 0;
};

} // namespace platform

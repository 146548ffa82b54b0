#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdint>

namespace platform {

// How a stored picture is turned to be shown upright: first transposed (rows become columns),
// then mirrored left-right and top-bottom. The eight combinations are the eight EXIF
// orientations; a quarter turn to the right is a transpose mirrored left-right.
struct EngineOrientation {
    bool transpose = false;
    bool mirrorX = false;
    bool mirrorY = false;

    bool isUpright() const { return !transpose && !mirrorX && !mirrorY; }
    bool operator==(const EngineOrientation&) const = default;
};

// The orientation a display matrix asks for (FFmpeg's layout: a stored point (x, y) is shown at
// (m[0] x + m[3] y, m[1] x + m[4] y)), to the nearest quarter turn.
EngineOrientation orientationFromDisplayMatrix(const std::int32_t* matrix);

// The orientation of a decoded picture: its own display matrix when it has one (a photo's EXIF
// orientation), else that of its stream.
EngineOrientation orientationOfFrame(const AVFrame& frame, EngineOrientation stream);

// Copies a `width` x `height` plane of pixels of `bytesPerPixel` bytes into `to`, turned: the
// result is `height` x `width` when transposed.
void orientPlane(const std::uint8_t* from, int fromStride, int width, int height, int bytesPerPixel,
                 std::uint8_t* to, int toStride, EngineOrientation orientation);

// Moves `rows` rows of `rowBytes` bytes down by one row; the first row stays as it was. Shifting
// every plane of an interlaced picture by one line swaps the parity of its fields.
void shiftRowsDown(std::uint8_t* plane, int stride, int rowBytes, int rows);

} // namespace platform

#include "platform/editing/engine_orientation.h"

#include <cstdlib>
#include <cstring>

namespace platform {

EngineOrientation orientationFromDisplayMatrix(const std::int32_t* matrix) {
    EngineOrientation orientation;
    if (matrix == nullptr) {
        return orientation;
    }
    const std::int64_t a = matrix[0];
    const std::int64_t b = matrix[1];
    const std::int64_t c = matrix[3];
    const std::int64_t d = matrix[4];
    orientation.transpose = std::llabs(b) > std::llabs(a);
    if (orientation.transpose) {
        // Shown x comes from stored y (factor c), shown y from stored x (factor b).
        orientation.mirrorX = c < 0;
        orientation.mirrorY = b < 0;
    } else {
        orientation.mirrorX = a < 0;
        orientation.mirrorY = d < 0;
    }
    return orientation;
}

EngineOrientation orientationOfFrame(const AVFrame& frame, EngineOrientation stream) {
    const AVFrameSideData* side = av_frame_get_side_data(&frame, AV_FRAME_DATA_DISPLAYMATRIX);
    if (side == nullptr || side->size < static_cast<int>(9 * sizeof(std::int32_t))) {
        return stream;
    }
    return orientationFromDisplayMatrix(reinterpret_cast<const std::int32_t*>(side->data));
}

namespace {

template <int BytesPerPixel>
void orientPixels(const std::uint8_t* from, int fromStride, int width, int height, std::uint8_t* to,
                  int toStride, EngineOrientation orientation) {
    const int shownWidth = orientation.transpose ? height : width;
    const int shownHeight = orientation.transpose ? width : height;
    for (int y = 0; y < shownHeight; ++y) {
        std::uint8_t* out = to + static_cast<std::ptrdiff_t>(y) * toStride;
        const int ty = orientation.mirrorY ? shownHeight - 1 - y : y;
        for (int x = 0; x < shownWidth; ++x) {
            const int tx = orientation.mirrorX ? shownWidth - 1 - x : x;
            // (tx, ty) of the transposed picture is (ty, tx) of the stored one.
            const int sx = orientation.transpose ? ty : tx;
            const int sy = orientation.transpose ? tx : ty;
            const std::uint8_t* in = from + static_cast<std::ptrdiff_t>(sy) * fromStride +
                                     static_cast<std::ptrdiff_t>(sx) * BytesPerPixel;
            for (int byte = 0; byte < BytesPerPixel; ++byte) {
                out[x * BytesPerPixel + byte] = in[byte];
            }
        }
    }
}

} // namespace

void orientPlane(const std::uint8_t* from, int fromStride, int width, int height, int bytesPerPixel,
                 std::uint8_t* to, int toStride, EngineOrientation orientation) {
    if (bytesPerPixel == 3) {
        orientPixels<3>(from, fromStride, width, height, to, toStride, orientation);
    } else {
        orientPixels<1>(from, fromStride, width, height, to, toStride, orientation);
    }
}

void shiftRowsDown(std::uint8_t* plane, int stride, int rowBytes, int rows) {
    for (int row = rows - 1; row > 0; --row) {
        std::memcpy(plane + static_cast<std::ptrdiff_t>(row) * stride,
                    plane + static_cast<std::ptrdiff_t>(row - 1) * stride,
                    static_cast<std::size_t>(rowBytes));
    }
}

} // namespace platform

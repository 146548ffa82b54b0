#include "platform/editing/engine_colour_matrix.h"

#include "platform/editing/engine_frame_scaler.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {
namespace {

struct LumaWeights {
    double red;
    double blue;
};

LumaWeights weightsOf(int matrix) {
    switch (matrix) {
    case SWS_CS_ITU709:
        return {0.2126, 0.0722};
    case SWS_CS_FCC:
        return {0.30, 0.11};
    case SWS_CS_SMPTE240M:
        return {0.212, 0.087};
    case SWS_CS_BT2020:
        return {0.2627, 0.0593};
    default:
        return {0.299, 0.114};
    }
}

struct Ycc {
    double y;
    double cb;
    double cr;
};

// Normalised Y'CbCr (Y 0..1, Cb and Cr -0.5..0.5) from one matrix to another, through R'G'B'.
Ycc convertYcc(const Ycc& in, LumaWeights from, LumaWeights to) {
    const double red = in.y + 2.0 * (1.0 - from.red) * in.cr;
    const double blue = in.y + 2.0 * (1.0 - from.blue) * in.cb;
    const double green = (in.y - from.red * red - from.blue * blue) / (1.0 - from.red - from.blue);
    Ycc out;
    out.y = to.red * red + (1.0 - to.red - to.blue) * green + to.blue * blue;
    out.cb = (blue - out.y) / (2.0 * (1.0 - to.blue));
    out.cr = (red - out.y) / (2.0 * (1.0 - to.red));
    return out;
}

constexpr int kShift = 14;
constexpr std::int32_t kHalf = 1 << (kShift - 1);

// codes[x] += change[x], kept within 0..255; written so that the compiler vectorises it.
void addClamped(std::uint8_t* __restrict codes, const std::int16_t* __restrict change, int count) {
    for (int x = 0; x < count; ++x) {
        const int value = codes[x] + change[x];
        codes[x] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
}

std::uint8_t clampCode(std::int32_t value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

} // namespace

EngineColourMatrixConverter::EngineColourMatrixConverter(int sourceMatrix) {
    const LumaWeights from = weightsOf(sourceMatrix);
    const LumaWeights to = weightsOf(SWS_CS_ITU601);
    changes_ = from.red != to.red || from.blue != to.blue;
    if (!changes_) {
        return;
    }
    const Ycc ofCb = convertYcc({0.0, 1.0, 0.0}, from, to);
    const Ycc ofCr = convertYcc({0.0, 0.0, 1.0}, from, to);
    // Limited range: luma spans 219 codes, chroma 224.
    constexpr double kLumaPerChroma = 219.0 / 224.0;
    const auto fixed = [](double factor) {
        return static_cast<std::int32_t>(std::lround(factor * (1 << kShift)));
    };
    lumaFromCb_ = fixed(kLumaPerChroma * ofCb.y);
    lumaFromCr_ = fixed(kLumaPerChroma * ofCr.y);
    cbFromCb_ = fixed(ofCb.cb);
    cbFromCr_ = fixed(ofCr.cb);
    crFromCb_ = fixed(ofCb.cr);
    crFromCr_ = fixed(ofCr.cr);
}

void EngineColourMatrixConverter::convert(AVFrame& frame, EnginePixelFormat format,
                                          const EngineRect& area) const {
    if (!changes_ || format == EnginePixelFormat::Bgr24) {
        return;
    }
    const bool yuv420 = format == EnginePixelFormat::Yuv420p;
    const int lumaPerChromaX = yuv420 ? 2 : 4;
    const int lumaPerChromaY = yuv420 ? 2 : 1;
    const int chromaX = area.x / lumaPerChromaX;
    const int chromaY = area.y / lumaPerChromaY;
    const int chromaWidth = area.width / lumaPerChromaX;
    const int chromaHeight = area.height / lumaPerChromaY;
    std::vector<std::int16_t> chromaChange(static_cast<std::size_t>(chromaWidth));
    std::vector<std::int16_t> lumaChange(static_cast<std::size_t>(area.width));
    for (int row = 0; row < chromaHeight; ++row) {
        std::uint8_t* __restrict cb =
            frame.data[1] + static_cast<std::ptrdiff_t>(chromaY + row) * frame.linesize[1] +
            chromaX;
        std::uint8_t* __restrict cr =
            frame.data[2] + static_cast<std::ptrdiff_t>(chromaY + row) * frame.linesize[2] +
            chromaX;
        std::int16_t* __restrict change = chromaChange.data();
        for (int i = 0; i < chromaWidth; ++i) {
            const std::int32_t b = cb[i] - 128;
            const std::int32_t r = cr[i] - 128;
            change[i] =
                static_cast<std::int16_t>((lumaFromCb_ * b + lumaFromCr_ * r + kHalf) >> kShift);
            cb[i] = clampCode(128 + ((cbFromCb_ * b + cbFromCr_ * r + kHalf) >> kShift));
            cr[i] = clampCode(128 + ((crFromCb_ * b + crFromCr_ * r + kHalf) >> kShift));
        }
        // The luma of a chroma sample changes with it.
        for (int i = 0; i < chromaWidth; ++i) {
            for (int p = 0; p < lumaPerChromaX; ++p) {
                lumaChange[static_cast<std::size_t>(i * lumaPerChromaX + p)] = change[i];
            }
        }
        for (int sub = 0; sub < lumaPerChromaY; ++sub) {
            std::uint8_t* luma = frame.data[0] +
                                 static_cast<std::ptrdiff_t>(area.y + row * lumaPerChromaY + sub) *
                                     frame.linesize[0] +
                                 area.x;
            addClamped(luma, lumaChange.data(), area.width);
        }
    }
}

} // namespace platform

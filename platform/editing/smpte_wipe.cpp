#include "platform/editing/smpte_wipe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace platform {

using wipe_detail::LevelMap;
using wipe_detail::Ramp;

namespace {

constexpr std::int32_t kMaxLevel = 65535;
// Samples per block whose level bounds are kept: wholly settled blocks are plain copies.
constexpr int kBlockPixels = 32;
constexpr int kFullWeight = SmpteWipe::kFullWeight;
// The user range of the border softness; the random mask ramps over its share of it.
constexpr double kSoftnessRange = 500.0;

std::size_t area(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

void computeBlockBounds(LevelMap& map) {
    map.blocks_per_row = (map.width + kBlockPixels - 1) / kBlockPixels;
    const std::size_t blocks = area(map.blocks_per_row, map.height);
    map.block_min.assign(blocks, 0);
    map.block_max.assign(blocks, 0);
    for (int j = 0; j < map.height; ++j) {
        const std::uint16_t* row = map.level.data() + area(map.width, j);
        for (int b = 0; b < map.blocks_per_row; ++b) {
            const int first = b * kBlockPixels;
            const int last = std::min(first + kBlockPixels, map.width);
            const auto [lo, hi] = std::minmax_element(row + first, row + last);
            map.block_min[area(map.blocks_per_row, j) + static_cast<std::size_t>(b)] = *lo;
            map.block_max[area(map.blocks_per_row, j) + static_cast<std::size_t>(b)] = *hi;
        }
    }
}

LevelMap quantise(const std::vector<float>& thresholds, int width, int height) {
    LevelMap map;
    map.width = width;
    map.height = height;
    map.level.resize(thresholds.size());
    std::transform(thresholds.begin(), thresholds.end(), map.level.begin(), [](float f) {
        const double clamped = std::clamp(static_cast<double>(f), 0.0, 1.0);
        return static_cast<std::uint16_t>(std::lround(clamped * kMaxLevel));
    });
    computeBlockBounds(map);
    return map;
}

// Chroma map: each chroma sample takes the mean level of the luma samples it covers.
LevelMap subsample(const LevelMap& luma, int horizontal_shift, int vertical_shift) {
    LevelMap map;
    const int sx = 1 << horizontal_shift;
    const int sy = 1 << vertical_shift;
    map.width = (luma.width + sx - 1) >> horizontal_shift;
    map.height = (luma.height + sy - 1) >> vertical_shift;
    map.level.resize(area(map.width, map.height));
    for (int j = 0; j < map.height; ++j) {
        for (int i = 0; i < map.width; ++i) {
            std::uint32_t sum = 0;
            std::uint32_t count = 0;
            for (int lj = j * sy; lj < std::min((j + 1) * sy, luma.height); ++lj) {
                for (int li = i * sx; li < std::min((i + 1) * sx, luma.width); ++li) {
                    sum += luma.level[area(luma.width, lj) + static_cast<std::size_t>(li)];
                    ++count;
                }
            }
            map.level[area(map.width, j) + static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>((sum + count / 2) / count);
        }
    }
    computeBlockBounds(map);
    return map;
}

void requirePlane(const void* data, std::ptrdiff_t stride_bytes, int row_bytes, const char* name) {
    if (data == nullptr) {
        throw std::invalid_argument(std::string("wipe frame plane '") + name + "' is null");
    }
    if (std::abs(stride_bytes) < row_bytes) {
        throw std::invalid_argument(std::string("wipe frame plane '") + name +
                                    "' has a stride shorter than its row");
    }
}

void copyBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count) {
    if (destination != source) {
        std::memmove(destination, source, count);
    }
}

// Blends one run of samples; all pointers are at the run's first sample. The weights are
// spread to one per byte first so that the byte loop is a plain vectorisable 16-bit blend
// (255 * 256 + 128 still fits 16 bits).
template <int Bpp>
void blendRun(const std::uint16_t* level, int count, const Ramp& ramp, const std::uint8_t* from,
              const std::uint8_t* to, std::uint8_t* out) {
    std::uint16_t weight[kBlockPixels];
    for (int k = 0; k < count; ++k) {
        const std::int32_t d = std::clamp(ramp.position - level[k], 0, ramp.width);
        weight[k] = static_cast<std::uint16_t>(std::min((d * ramp.gain) >> 16, kFullWeight));
    }
    std::uint16_t spread[Bpp == 1 ? 1 : kBlockPixels * Bpp];
    const std::uint16_t* byte_weight = weight;
    if constexpr (Bpp > 1) {
        for (int k = 0; k < count; ++k) {
            for (int c = 0; c < Bpp; ++c) {
                spread[k * Bpp + c] = weight[k];
            }
        }
        byte_weight = spread;
    }
    const int bytes = count * Bpp;
    for (int n = 0; n < bytes; ++n) {
        const std::uint16_t a = byte_weight[n];
        const auto mixed =
            static_cast<std::uint16_t>(from[n] * (kFullWeight - a) + to[n] * a + 128);
        out[n] = static_cast<std::uint8_t>(mixed >> 8);
    }
}

template <int Bpp>
void blendPlane(const LevelMap& map, const Ramp& ramp, ConstImagePlane from, ConstImagePlane to,
                ImagePlane out) {
    const std::size_t row_bytes = static_cast<std::size_t>(map.width) * Bpp;
    for (int j = 0; j < map.height; ++j) {
        const std::uint8_t* from_row = from.data + from.stride_bytes * j;
        const std::uint8_t* to_row = to.data + to.stride_bytes * j;
        std::uint8_t* out_row = out.data + out.stride_bytes * j;
        if (ramp.kind == Ramp::Kind::Outgoing) {
            copyBytes(out_row, from_row, row_bytes);
            continue;
        }
        if (ramp.kind == Ramp::Kind::Incoming) {
            copyBytes(out_row, to_row, row_bytes);
            continue;
        }
        const std::uint16_t* level_row = map.level.data() + area(map.width, j);
        const std::size_t bounds_row = area(map.blocks_per_row, j);
        for (int b = 0; b < map.blocks_per_row; ++b) {
            const int first = b * kBlockPixels;
            const int count = std::min(kBlockPixels, map.width - first);
            const std::size_t offset = static_cast<std::size_t>(first) * Bpp;
            const std::size_t bytes = static_cast<std::size_t>(count) * Bpp;
            if (map.block_min[bounds_row + static_cast<std::size_t>(b)] >= ramp.position) {
                copyBytes(out_row + offset, from_row + offset, bytes);
            } else if (ramp.position - map.block_max[bounds_row + static_cast<std::size_t>(b)] >=
                       ramp.width) {
                copyBytes(out_row + offset, to_row + offset, bytes);
            } else {
                blendRun<Bpp>(level_row + first, count, ramp, from_row + offset, to_row + offset,
                              out_row + offset);
            }
        }
    }
}

} // namespace

SmpteWipe::SmpteWipe(int mask_num, int border_softness, int width, int height,
                     const SmpteWipeOptions& options)
    : mask_num_(mask_num), border_softness_(border_softness) {
    if (border_softness < 0) {
        throw std::invalid_argument("negative wipe border softness " +
                                    std::to_string(border_softness));
    }
    const std::vector<float> thresholds =
        buildWipeThresholdMap(mask_num, width, height, options.pattern);
    if (mask_num == 409) {
        // A random mask has no edge to measure: the softness is a share of the frame-wide ramp.
        softness_ = std::min(border_softness / kSoftnessRange, 1.0);
    } else {
        // The softness counts pixels across the edge; convert with the pattern's typical slope.
        const double slope = nominalThresholdGradient(thresholds, width, height);
        const double pixels =
            (border_softness == 0 && options.antialias_hard_edge) ? 1.0 : border_softness;
        softness_ = std::min(pixels * slope, 1.0);
    }
    softness_levels_ = static_cast<std::int32_t>(std::lround(softness_ * kMaxLevel));
    luma_ = quantise(thresholds, width, height);
    chroma420_ = subsample(luma_, 1, 1);
    chroma411_ = subsample(luma_, 2, 0);
}

Ramp SmpteWipe::rampAt(double progress) const {
    Ramp ramp;
    if (!(progress > 0.0)) {
        ramp.kind = Ramp::Kind::Outgoing;
        return ramp;
    }
    if (progress >= 1.0) {
        ramp.kind = Ramp::Kind::Incoming;
        return ramp;
    }
    // The front runs from -softness to 1 so that the ramp is off the frame at both ends.
    ramp.kind = Ramp::Kind::Mixed;
    ramp.width = std::max<std::int32_t>(softness_levels_, 1);
    ramp.position = static_cast<std::int32_t>(
        std::ceil(progress * static_cast<double>(kMaxLevel + softness_levels_)));
    ramp.gain = ((std::int32_t{kFullWeight} << 16) + ramp.width - 1) / ramp.width;
    return ramp;
}

void SmpteWipe::weights(double progress, std::span<std::uint16_t> weights_out) const {
    if (weights_out.size() != luma_.level.size()) {
        throw std::invalid_argument("wipe weight buffer does not match the frame size");
    }
    const Ramp ramp = rampAt(progress);
    if (ramp.kind != Ramp::Kind::Mixed) {
        const std::uint16_t all = ramp.kind == Ramp::Kind::Incoming ? kFullWeight : 0;
        std::fill(weights_out.begin(), weights_out.end(), all);
        return;
    }
    std::transform(
        luma_.level.begin(), luma_.level.end(), weights_out.begin(), [&ramp](std::uint16_t level) {
            const std::int32_t d = std::clamp(ramp.position - level, 0, ramp.width);
            return static_cast<std::uint16_t>(std::min((d * ramp.gain) >> 16, kFullWeight));
        });
}

void SmpteWipe::blendPacked(double progress, int bytes_per_pixel, ConstImagePlane outgoing,
                            ConstImagePlane incoming, ImagePlane output) const {
    const int row_bytes = luma_.width * bytes_per_pixel;
    requirePlane(outgoing.data, outgoing.stride_bytes, row_bytes, "outgoing");
    requirePlane(incoming.data, incoming.stride_bytes, row_bytes, "incoming");
    requirePlane(output.data, output.stride_bytes, row_bytes, "output");
    const Ramp ramp = rampAt(progress);
    if (bytes_per_pixel == 3) {
        blendPlane<3>(luma_, ramp, outgoing, incoming, output);
    } else {
        blendPlane<4>(luma_, ramp, outgoing, incoming, output);
    }
}

void SmpteWipe::blendRgb24(double progress, ConstImagePlane outgoing, ConstImagePlane incoming,
                           ImagePlane output) const {
    blendPacked(progress, 3, outgoing, incoming, output);
}

void SmpteWipe::blendRgb32(double progress, ConstImagePlane outgoing, ConstImagePlane incoming,
                           ImagePlane output) const {
    blendPacked(progress, 4, outgoing, incoming, output);
}

void SmpteWipe::blendYuv(double progress, ChromaSubsampling chroma, const ConstYuvPlanes& outgoing,
                         const ConstYuvPlanes& incoming, const YuvPlanes& output) const {
    const LevelMap& chroma_map = chroma == ChromaSubsampling::Yuv420 ? chroma420_ : chroma411_;
    requirePlane(outgoing.y.data, outgoing.y.stride_bytes, luma_.width, "outgoing Y");
    requirePlane(incoming.y.data, incoming.y.stride_bytes, luma_.width, "incoming Y");
    requirePlane(output.y.data, output.y.stride_bytes, luma_.width, "output Y");
    const auto chroma_planes = {
        std::pair{outgoing.u, "outgoing U"}, std::pair{outgoing.v, "outgoing V"},
        std::pair{incoming.u, "incoming U"}, std::pair{incoming.v, "incoming V"}};
    for (const auto& [plane, name] : chroma_planes) {
        requirePlane(plane.data, plane.stride_bytes, chroma_map.width, name);
    }
    requirePlane(output.u.data, output.u.stride_bytes, chroma_map.width, "output U");
    requirePlane(output.v.data, output.v.stride_bytes, chroma_map.width, "output V");
    const Ramp ramp = rampAt(progress);
    blendPlane<1>(luma_, ramp, outgoing.y, incoming.y, output.y);
    blendPlane<1>(chroma_map, ramp, outgoing.u, incoming.u, output.u);
    blendPlane<1>(chroma_map, ramp, outgoing.v, incoming.v, output.v);
}

} // namespace platform

#include "platform/editing/smpte_wipe_pattern.h"

#include "platform/editing/smpte_wipe_codes.h"
#include "platform/editing/smpte_wipe_families.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace platform {
namespace {

// Sanity limit on frame dimensions; far above any video raster.
constexpr int kMaxDimension = 16384;

// Largest threshold step between neighbours that still counts as a slope, not a jump.
constexpr double kMaxSlopeStep = 0.05;

std::uint32_t mix32(std::uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

// Independent uniform threshold per pixel: a random dissolve.
void fillRandomMask(std::vector<float>& map, int width, int height, std::uint32_t seed) {
    const std::uint32_t seed_hash = mix32(seed ^ 0x9e3779b9U);
    std::size_t n = 0;
    for (int j = 0; j < height; ++j) {
        const std::uint32_t row_hash = mix32(static_cast<std::uint32_t>(j) + seed_hash);
        for (int i = 0; i < width; ++i) {
            const std::uint32_t h = mix32(static_cast<std::uint32_t>(i) ^ row_hash);
            map[n++] = static_cast<float>(static_cast<double>(h) / 4294967296.0);
        }
    }
}

void fillFromFunction(std::vector<float>& map, int width, int height,
                      const wipe_detail::ThresholdFn& fn, double scale) {
    std::size_t n = 0;
    for (int j = 0; j < height; ++j) {
        const double y = (j + 0.5) / height;
        for (int i = 0; i < width; ++i) {
            const double x = (i + 0.5) / width;
            map[n++] = static_cast<float>(std::clamp(fn(x, y) * scale, 0.0, 1.0));
        }
    }
}

// Largest gauge value over the pixel centres: the scale at which the figure covers the frame.
double gaugeMaximum(int width, int height, const wipe_detail::ThresholdFn& gauge) {
    double maximum = 0.0;
    for (int j = 0; j < height; ++j) {
        const double y = (j + 0.5) / height;
        for (int i = 0; i < width; ++i) {
            const double g = gauge((i + 0.5) / width, y);
            if (std::isfinite(g)) {
                maximum = std::max(maximum, g);
            }
        }
    }
    return maximum;
}

} // namespace

std::vector<float> buildWipeThresholdMap(int code, int width, int height,
                                         const WipePatternOptions& options) {
    if (!isValidWipeCode(code)) {
        throw std::invalid_argument("unknown SMPTE wipe code " + std::to_string(code));
    }
    if (width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension) {
        throw std::invalid_argument("invalid wipe frame size " + std::to_string(width) + "x" +
                                    std::to_string(height));
    }
    if (!(options.display_aspect > 0.0) || !std::isfinite(options.display_aspect)) {
        throw std::invalid_argument("invalid wipe display aspect");
    }
    std::vector<float> map(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (code == 409) {
        fillRandomMask(map, width, height, options.random_seed);
        return map;
    }
    if (auto fn = wipe_detail::edgeThreshold(code)) {
        fillFromFunction(map, width, height, fn, 1.0);
    } else if (auto figure = wipe_detail::figureGauge(code, options.display_aspect); figure.gauge) {
        double scale = 1.0;
        if (!figure.normalised) {
            const double maximum = gaugeMaximum(width, height, figure.gauge);
            scale = maximum > 0.0 ? 1.0 / maximum : 1.0;
        }
        fillFromFunction(map, width, height, figure.gauge, scale);
    } else if (auto radial = wipe_detail::radialThreshold(code, options.display_aspect)) {
        fillFromFunction(map, width, height, radial, 1.0);
    } else if (auto matrix = wipe_detail::matrixThreshold(code)) {
        fillFromFunction(map, width, height, matrix, 1.0);
    } else {
        throw std::logic_error("wipe code " + std::to_string(code) + " has no pattern");
    }
    return map;
}

double nominalThresholdGradient(std::span<const float> map, int width, int height) {
    const double fallback = width > 0 ? 1.0 / width : 1.0;
    if (width < 1 || height < 1 ||
        map.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return fallback;
    }
    std::vector<float> slopes;
    slopes.reserve(map.size());
    const auto at = [&](int i, int j) {
        return static_cast<double>(map[static_cast<std::size_t>(j) * width + i]);
    };
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            const bool has_dx = i + 1 < width;
            const bool has_dy = j + 1 < height;
            // Use full samples only; a frame one pixel wide or high has slopes in one axis.
            if ((!has_dx && width > 1) || (!has_dy && height > 1) || (!has_dx && !has_dy)) {
                continue;
            }
            const double dx = has_dx ? at(i + 1, j) - at(i, j) : 0.0;
            const double dy = has_dy ? at(i, j + 1) - at(i, j) : 0.0;
            if (std::abs(dx) > kMaxSlopeStep || std::abs(dy) > kMaxSlopeStep) {
                continue;
            }
            slopes.push_back(static_cast<float>(std::hypot(dx, dy)));
        }
    }
    if (slopes.empty()) {
        return fallback;
    }
    const auto middle = slopes.begin() + static_cast<std::ptrdiff_t>(slopes.size() / 2);
    std::nth_element(slopes.begin(), middle, slopes.end());
    return *middle > 0.0f ? static_cast<double>(*middle) : fallback;
}

} // namespace platform

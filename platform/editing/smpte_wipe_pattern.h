#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// Geometry settings of the wipe patterns.
struct WipePatternOptions {
    // Display aspect ratio (width / height as seen on screen). Figures and clock hands are drawn
    // in display space so that circles are round; 4:3 for both PAL and NTSC DV frames.
    double display_aspect = 4.0 / 3.0;
    // Seed of the random mask (code 409); keep it for all frames of one transition.
    std::uint32_t random_seed = 0;
};

// Threshold map of a wipe pattern: one value in [0, 1] per pixel, rows from the top. The
// incoming picture shows at a pixel once the progress exceeds its value. Throws
// std::invalid_argument for an unknown code or a frame size below 1 x 1.
std::vector<float> buildWipeThresholdMap(int code, int width, int height,
                                         const WipePatternOptions& options = {});

// Typical slope of a threshold map in 1/pixel: the median of the forward-difference gradient,
// ignoring jumps (tile and half boundaries). Returns 1/width when no sample qualifies.
double nominalThresholdGradient(std::span<const float> map, int width, int height);

} // namespace platform

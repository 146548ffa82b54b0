#pragma once

#include "platform/editing/smpte_wipe.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace smpte_wipe_test {

// Small frame for sweeps over every code; its height is not a multiple of the 8 x 8 tile grid.
inline constexpr int kSmallWidth = 72;
inline constexpr int kSmallHeight = 58;

inline constexpr int kPalWidth = 720;
inline constexpr int kPalHeight = 576;

inline constexpr int kFull = platform::SmpteWipe::kFullWeight;

// Bytes with a fixed pseudo-random content, different per seed.
inline std::vector<std::uint8_t> noiseBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(byte(generator));
    }
    return bytes;
}

// Packed RGB frame of noise with a padded stride.
struct RgbFrame {
    RgbFrame(int width, int height, int bytes_per_pixel, unsigned seed)
        : stride(width * bytes_per_pixel + 5),
          bytes(noiseBytes(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height),
                           seed)) {}
    platform::ConstImagePlane view() const { return {bytes.data(), stride}; }
    platform::ImagePlane mutableView() { return {bytes.data(), stride}; }
    int stride;
    std::vector<std::uint8_t> bytes;
};

// The blend of one byte at an incoming weight, as the wipe must compute it.
inline std::uint8_t mixed(std::uint8_t from, std::uint8_t to, int weight) {
    return static_cast<std::uint8_t>((from * (kFull - weight) + to * weight + 128) >> 8);
}

inline std::vector<std::uint16_t> weightsAt(const platform::SmpteWipe& wipe, double progress) {
    std::vector<std::uint16_t> weights(static_cast<std::size_t>(wipe.width()) *
                                       static_cast<std::size_t>(wipe.height()));
    wipe.weights(progress, weights);
    return weights;
}

inline std::string codeName(int code) {
    return "code" + std::to_string(code);
}

} // namespace smpte_wipe_test

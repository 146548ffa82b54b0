#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Constants of the two DV25 (IEC 61834) standards: picture size, frame size, frame rate, the
// isochronous packet count of a frame and the number of audio samples each frame carries.
namespace platform {

enum class DvStandard { Pal, Ntsc };

inline constexpr int kDvWidth = 720;
inline constexpr std::size_t kDvDifBlockBytes = 80;
// One isochronous data packet carries six DIF blocks.
inline constexpr std::size_t kDvPacketBytes = 6 * kDvDifBlockBytes;

inline constexpr int dvHeight(DvStandard standard) {
    return standard == DvStandard::Pal ? 576 : 480;
}

inline constexpr std::size_t dvFrameBytes(DvStandard standard) {
    return standard == DvStandard::Pal ? 144000 : 120000;
}

// Data packets per frame on the bus: 300 (PAL) or 250 (NTSC).
inline constexpr std::size_t dvPacketsPerFrame(DvStandard standard) {
    return dvFrameBytes(standard) / kDvPacketBytes;
}

struct DvFrameRate {
    int numerator;
    int denominator;
};

inline constexpr DvFrameRate dvFrameRate(DvStandard standard) {
    return standard == DvStandard::Pal ? DvFrameRate{25, 1} : DvFrameRate{30000, 1001};
}

// Length of one frame in 100 ns units, rounded down (NTSC: 333666.67).
inline constexpr std::int64_t dvFrameDuration100ns(DvStandard standard) {
    return standard == DvStandard::Pal ? 400000 : 333666;
}

// Start time of a frame in 100 ns units, exact to the unit (no drift over long runs).
inline constexpr std::int64_t dvFrameStart100ns(DvStandard standard, std::int64_t frame_index) {
    const DvFrameRate rate = dvFrameRate(standard);
    return frame_index * 10'000'000 * rate.denominator / rate.numerator;
}

// The sample rates a DV frame can carry; NTSC streams carry 48000 Hz only.
inline constexpr std::array<int, 3> kDvSampleRatesHz = {32000, 44100, 48000};

inline constexpr bool dvCarriesSampleRate(DvStandard standard, int sample_rate_hz) {
    if (standard == DvStandard::Ntsc) {
        return sample_rate_hz == 48000;
    }
    return sample_rate_hz == 48000 || sample_rate_hz == 44100 || sample_rate_hz == 32000;
}

// NTSC at 48 kHz: 8008 samples per five frames, 1600 in the first frame of each group.
inline constexpr std::array<int, 5> kDvNtscSamplesCadence = {1600, 1602, 1602, 1602, 1602};

// Audio samples (per channel) that frame `frame_index` carries at a rate the standard carries;
// 0 for a rate it does not carry. Frame 0 is the first frame of the stream.
inline constexpr int dvSamplesInFrame(DvStandard standard, int sample_rate_hz,
                                      std::int64_t frame_index) {
    if (!dvCarriesSampleRate(standard, sample_rate_hz)) {
        return 0;
    }
    if (standard == DvStandard::Ntsc) {
        return kDvNtscSamplesCadence[static_cast<std::size_t>(frame_index % 5)];
    }
    return sample_rate_hz / 25;
}

// PAL/NTSC from the first DIF block of a frame (the DSF bit of the header block).
inline constexpr DvStandard dvStandardOfFrame(const std::uint8_t* frame) {
    return (frame[3] & 0x80) != 0 ? DvStandard::Pal : DvStandard::Ntsc;
}

} // namespace platform

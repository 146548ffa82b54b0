#include "platform/filters/dv_device_silence.h"

#include "platform/filters/dv_format.h"

#include <algorithm>

namespace platform {

namespace {

// A DIF block: 3 bytes of ID (section type in the top three bits of the first), then for audio
// blocks a 5-byte pack and 72 bytes of samples.
constexpr std::uint8_t kAudioSection = 3;
constexpr std::size_t kAudioSamplesOffset = 8;

bool isAudioBlock(const std::uint8_t* block) {
    return (block[0] >> 5) == kAudioSection;
}

} // namespace

void silenceDvAudio(std::span<std::uint8_t> frame) {
    for (std::size_t offset = 0; offset + kDvDifBlockBytes <= frame.size();
         offset += kDvDifBlockBytes) {
        std::uint8_t* const block = frame.data() + offset;
        if (isAudioBlock(block)) {
            std::fill(block + kAudioSamplesOffset, block + kDvDifBlockBytes, std::uint8_t{0});
        }
    }
}

bool isDvAudioSilent(std::span<const std::uint8_t> frame) {
    for (std::size_t offset = 0; offset + kDvDifBlockBytes <= frame.size();
         offset += kDvDifBlockBytes) {
        const std::uint8_t* const block = frame.data() + offset;
        if (isAudioBlock(block) &&
            std::any_of(block + kAudioSamplesOffset, block + kDvDifBlockBytes,
                        [](std::uint8_t byte) { return byte != 0; })) {
            return false;
        }
    }
    return true;
}

} // namespace platform

#pragma once

#include <cstdint>
#include <span>

namespace platform {

// Silences the sound of a DV frame in place: the samples of every audio DIF block become 0,
// while the audio packs (sample rate, channels, locked mode) stay, so the device keeps its
// sound format. A frame sent again for lack of the next one carries silence, not its 40 ms of
// sound a second time.
void silenceDvAudio(std::span<std::uint8_t> frame);

// Whether every audio DIF block of the frame carries only zero samples.
bool isDvAudioSilent(std::span<const std::uint8_t> frame);

} // namespace platform

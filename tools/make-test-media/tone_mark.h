#pragma once

#include <cstdint>
#include <optional>

// The sound of every test clip: a sine tone whose pitch names the clip, interrupted at the start of
// every whole second by a beep.
//
// Beep pattern: during [k s, k s + kBeepDurationMs) for every whole second k (from 0), the tone
// is replaced by a sine of kBeepFrequencyHz at the same level. Both channels carry the same signal.

namespace testmedia {

inline constexpr double kBeepFrequencyHz = 3000.0;
inline constexpr int kBeepDurationMs = 50;
// Peak level of tone and beep, as a fraction of full scale.
inline constexpr double kToneLevel = 0.3;
inline constexpr int kMaxClipId = 15;

// Pitch of the tone of a clip: 300 Hz + 100 Hz per clip id (ids 1..15 give 400..1800 Hz).
double toneFrequencyHz(int clipId);

// The signal of a clip at a time, in -1..1 of full scale (tone or beep, see above).
double toneSample(int clipId, double time_s);

// Which clip's tone a block of mono samples holds, found with the Goertzel algorithm over a
// Hann-windowed block. Blocks of at least 40 ms (e.g. 2048 samples at 48 kHz) tell the tones apart
// reliably. Gives nothing for silence, beeps, noise or mixtures without one clearly dominant tone.
std::optional<int> identifyTone(const int16_t* samples, int count, int sampleRate);

// Whether a block of mono samples is dominated by the beep.
bool isBeep(const int16_t* samples, int count, int sampleRate);

} // namespace testmedia

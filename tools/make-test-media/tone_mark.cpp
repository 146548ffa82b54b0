#include "tools/make-test-media/tone_mark.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace testmedia {
namespace {

// Share of a block's energy that a single tone must hold, where a pure tone scores about 1.
constexpr double kMinToneShare = 0.4;
// How much stronger the winning tone must be than the next candidate.
constexpr double kMinDominance = 10.0;
// Blocks quieter than this RMS level (in sample units) count as silence.
constexpr double kSilenceRms = 100.0;

std::vector<double> hannWindowed(const int16_t* samples, int count) {
    std::vector<double> windowed(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) {
        const double weight =
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / std::max(1, count - 1));
        windowed[static_cast<size_t>(n)] = samples[n] * weight;
    }
    return windowed;
}

// Squared magnitude of the block's spectrum at one frequency.
double goertzelPower(const std::vector<double>& block, double frequency_hz, int sampleRate) {
    const double omega = 2.0 * std::numbers::pi * frequency_hz / sampleRate;
    const double coefficient = 2.0 * std::cos(omega);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (const double sample : block) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious -
           coefficient * previous * beforePrevious;
}

// Tone share of a frequency: 1 for a pure Hann-windowed sine centred on a bin (|X|^2 = N^2 A^2/16
// against an energy of 3 N A^2 / 16).
double toneShare(double power, double energy, int count) {
    return energy > 0.0 ? 3.0 * power / (count * energy) : 0.0;
}

struct BlockAnalysis {
    std::vector<double> block;
    double energy = 0.0;
    bool silent = true;
};

BlockAnalysis analyse(const int16_t* samples, int count) {
    BlockAnalysis analysis;
    if (samples == nullptr || count <= 0) {
        return analysis;
    }
    double rawEnergy = 0.0;
    for (int n = 0; n < count; ++n) {
        rawEnergy += static_cast<double>(samples[n]) * samples[n];
    }
    analysis.silent = std::sqrt(rawEnergy / count) < kSilenceRms;
    analysis.block = hannWindowed(samples, count);
    for (const double sample : analysis.block) {
        analysis.energy += sample * sample;
    }
    return analysis;
}

} // namespace

double toneFrequencyHz(int clipId) {
    if (clipId < 0 || clipId > kMaxClipId) {
        throw std::out_of_range("clip id out of range");
    }
    return 300.0 + 100.0 * clipId;
}

double toneSample(int clipId, double time_s) {
    const double withinSecond_s = time_s - std::floor(time_s);
    const double frequency_hz =
        withinSecond_s < kBeepDurationMs / 1000.0 ? kBeepFrequencyHz : toneFrequencyHz(clipId);
    return kToneLevel * std::sin(2.0 * std::numbers::pi * frequency_hz * time_s);
}

std::optional<int> identifyTone(const int16_t* samples, int count, int sampleRate) {
    const BlockAnalysis analysis = analyse(samples, count);
    if (analysis.silent || sampleRate <= 0) {
        return std::nullopt;
    }
    int bestId = 0;
    double bestPower = -1.0;
    double secondPower = 0.0;
    for (int clipId = 1; clipId <= kMaxClipId; ++clipId) {
        const double power = goertzelPower(analysis.block, toneFrequencyHz(clipId), sampleRate);
        if (power > bestPower) {
            secondPower = std::max(secondPower, bestPower);
            bestPower = power;
            bestId = clipId;
        } else {
            secondPower = std::max(secondPower, power);
        }
    }
    const double beepPower = goertzelPower(analysis.block, kBeepFrequencyHz, sampleRate);
    secondPower = std::max(secondPower, beepPower);
    if (toneShare(bestPower, analysis.energy, count) < kMinToneShare ||
        bestPower < kMinDominance * secondPower) {
        return std::nullopt;
    }
    return bestId;
}

bool isBeep(const int16_t* samples, int count, int sampleRate) {
    const BlockAnalysis analysis = analyse(samples, count);
    if (analysis.silent || sampleRate <= 0) {
        return false;
    }
    const double power = goertzelPower(analysis.block, kBeepFrequencyHz, sampleRate);
    return toneShare(power, analysis.energy, count) >= kMinToneShare;
}

} // namespace testmedia

#pragma once

#include "platform/system/hresult.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace render {

using platform::REFERENCE_TIME;

// Number of entries of the transition type list (the wipe categories).
inline constexpr std::size_t kWipeCategoryCount = 8;

// nearest(x): x rounded to the nearest integer, halves to the even neighbour.
inline std::int64_t Nearest(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

// The options a graph build reads, taken once when the build starts.
struct TBuildSettings {
    bool ntsc = false;                 // rbNTSC checked (else rbPAL)
    int processMode = 1;               // rgProcessMode: 0 "Preview", 1 "Full Process"
    int audioOutIndex = 0;             // cbAudioOut: 0 "- No audio -", 1 DV device, 2+ renderers
    int videoOutIndex = -1;            // cbVideoOut selection, -1 none
    int dvEncoderIndex = 0;            // cbDVEncoder
    int recompressMode = 0;            // rgRecompressMode: 0 "Recompress All", 1 "Do not ..."
    int filesLoadMode = 0;             // rgFilesLoadMode: 0 "Dynamic Loading", 1 "Load all ..."
    int audioRateIndex = 2;            // cbAudioRate: 0 "32000", 1 "44100", 2 "48000"
    int audioChannelsIndex = 0;        // cbAudioChannels: 0 "Stereo", 1 "Mono"
    int audioShift_ms = 0;             // udAudShift, positive makes the sound later
    double pictureTime_s = 7.0;        // udPicTime
    int stretchMode = 2;               // stretch-mode option (given to probed items)
    bool transitionsEnabled = false;   // cbTransEnable
    double transitionTime_s = 1.5;     // udTransTime
    double transitionSoftness = 100.0; // udTransSoft
    std::array<bool, kWipeCategoryCount> transitionTypesChecked{true, true, true, true,
                                                                true, true, true, true};

    bool audioWanted() const { return audioOutIndex >= 1; }
    bool smartRecompress() const { return recompressMode == 1; }
    bool previewMode() const { return processMode == 0; }

    // Picture lengths in 100 ns units: pic, halfPic and halfTrans.
    REFERENCE_TIME pictureUnits() const { return Nearest(pictureTime_s * 10'000'000.0); }
    REFERENCE_TIME halfPictureUnits() const { return Nearest(pictureTime_s * 10'000'000.0 / 2); }
    REFERENCE_TIME halfTransitionUnits() const {
        return Nearest(transitionTime_s * 10'000'000.0 / 2);
    }
    REFERENCE_TIME audioShiftUnits() const {
        return Nearest(static_cast<double>(audioShift_ms) * 10'000.0);
    }
    std::int64_t softness() const { return Nearest(transitionSoftness); }
};

} // namespace render

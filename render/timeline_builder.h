#pragma once

#include "platform/editing/property_setter.h"
#include "platform/editing/timeline.h"
#include "render/build_settings.h"
#include "render/file_info.h"
#include "render/transitions.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace render {

// Render state kept between builds by its owner (the main window).
struct TRenderState {
    // The part of the timeline the smart engine renders: set to 0 and the total duration when
    // the play list is rebuilt; the shift seek moves the start.
    REFERENCE_TIME RenderRangeStart = 0;
    REFERENCE_TIME RenderRangeStop = 0;
};

// The running state of one build while items are placed on the timeline.
struct TTimelinePlacement {
    const std::vector<TFileInfo>& playList;
    const TBuildSettings& settings;
    platform::IAMTimeline& timeline;
    std::shared_ptr<platform::IAMTimelineTrack> trackA; // priority 1: clips, second halves, wipes
    std::shared_ptr<platform::IAMTimelineTrack> trackB; // priority 0: first halves of pictures
    std::shared_ptr<platform::IAMTimelineTrack> audioTrack; // null without an audio group
    TRandomGenerator& random;
    TWipePool wipePool;
    std::shared_ptr<platform::IPropertySetter> lastPropertySetter;
    REFERENCE_TIME cur = 0;
};

// Reports how many play list entries a placement pass consumed (the build progress bar).
using StepBuildProgressFn = std::function<void(int steps)>;

// True when a build may start: the play list has an entry and a video-out device is selected.
bool BuildPreconditionsMet(const std::vector<TFileInfo>& playList, const TBuildSettings& settings);

// The video group's media type: RGB24, 720 × 576 at 25 fps (PAL) or 720 × 480 at 29.97 fps.
platform::AM_MEDIA_TYPE VideoGroupMediaType(bool ntsc);
// The audio group's media type: 16-bit PCM at 32000, 44100 or 48000 Hz (by list index, any
// other index 44100), stereo (0) or mono (1).
platform::AM_MEDIA_TYPE AudioGroupMediaType(int rateIndex, int channelsIndex);
// The smart engine's recompression format: one DV frame ("dvsd") for PAL or NTSC.
platform::SCompFmt0 SmartRecompressFormat(bool ntsc);
// Gives the video group (group 0) the smart recompression format.
platform::HRESULT ApplySmartRecompressFormat(platform::IAMTimeline& timeline, bool ntsc);

// Builds the timeline of a play list: the video group with tracks A and B, the audio group
// when audio is wanted, and every entry whose file exists placed end to end (pictures plainly
// or with wipes). The timeline half of the graph build; the render engine takes it from here.
std::shared_ptr<platform::IAMTimeline>
BuildTimeline(const std::vector<TFileInfo>& playList, const TBuildSettings& settings,
              TRandomGenerator& random, const StepBuildProgressFn& stepBuildProgress = {});

// Adds a source node from start to stop playing name's media times mediaStart..mediaStop;
// stretchMode absent leaves the source's default (audio).
void AddSourceNode(TTimelinePlacement& placement, platform::IAMTimelineTrack& track,
                   REFERENCE_TIME start, REFERENCE_TIME stop, REFERENCE_TIME mediaStart,
                   REFERENCE_TIME mediaStop, const QString& name, std::optional<int> stretchMode);

// True when the entry's file exists (a folder does not count).
bool EntryFileExists(const QString& fileName);

} // namespace render

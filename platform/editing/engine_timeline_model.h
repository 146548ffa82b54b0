#pragma once

#include "platform/editing/engine_format.h"
#include "platform/editing/timeline.h"

#include <QString>

#include <optional>
#include <vector>

namespace platform {

// A plain copy of what the renderer needs from a timeline, taken once when the engine is
// given the timeline, so that rendering threads never touch the timeline objects.

struct EngineSourceSpan {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    REFERENCE_TIME mediaStart = 0;
    REFERENCE_TIME mediaStop = 0;
    QString path;
    int stretchMode = RESIZEF_STRETCH;

    bool covers(REFERENCE_TIME time) const { return start <= time && time < stop; }
    // The media time shown at a timeline time (media times scale to the span's length).
    REFERENCE_TIME mediaTimeAt(REFERENCE_TIME time) const;
};

struct EngineTransitionSpan {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    bool swapInputs = false;
    int maskNum = 1;
    int borderSoftness = 0;

    bool covers(REFERENCE_TIME time) const { return start <= time && time < stop; }
    // 0 at the start, towards 1 at the stop.
    double progressAt(REFERENCE_TIME time) const;
};

// One track of a video group, in time order.
struct EngineLayer {
    std::vector<EngineSourceSpan> sources;
    std::vector<EngineTransitionSpan> transitions;
};

struct EngineGroupModel {
    std::optional<EngineVideoFormat> video; // set for a video group
    std::optional<EngineAudioFormat> audio; // set for an audio group
    bool previewMode = false;
    std::vector<EngineLayer> layers; // index = track priority, 0 = lowest layer
    REFERENCE_TIME duration = 0;     // latest stop in the group
};

struct EngineTimelineModel {
    std::vector<EngineGroupModel> groups;
    REFERENCE_TIME duration = 0;
};

// Reads every group of the timeline. A group of neither uncompressed video nor 16-bit PCM
// gets neither format and renders nothing. Wipes take "MaskNum" and "BorderSoftness" from
// their property setter at time 0 (code 1 and softness 0 when missing).
EngineTimelineModel readTimelineModel(const IAMTimeline& timeline, EnginePixelFormat pixelFormat);

} // namespace platform

#pragma once

#include "platform/editing/engine_audio_renderer.h"
#include "platform/editing/engine_context.h"
#include "platform/editing/engine_timeline_model.h"
#include "platform/editing/engine_video_renderer.h"

#include <memory>
#include <vector>

namespace platform {

// The media core of a render engine: renders every group of a timeline into its output
// format, pull-based and seekable. A video group gives frames by number, an audio group
// samples by index; each group is meant to be pulled by its own thread (its output pin),
// while one prefetch pool decodes ahead for all of them.
class EngineTimelineRenderer {
public:
    // Takes a snapshot of the timeline: later changes to it are not seen.
    EngineTimelineRenderer(const IAMTimeline& timeline, EngineOptions options);
    ~EngineTimelineRenderer();
    EngineTimelineRenderer(const EngineTimelineRenderer&) = delete;
    EngineTimelineRenderer& operator=(const EngineTimelineRenderer&) = delete;

    int groupCount() const { return static_cast<int>(groups_.size()); }
    // The renderer of a group, or null when the group is not of that kind (or out of range).
    EngineVideoRenderer* videoGroup(int group) const;
    EngineAudioRenderer* audioGroup(int group) const;
    REFERENCE_TIME duration() const { return duration_; }

    // Decoders open now, and opened in all (each opening is also reported to the options'
    // onDecoderOpenChanged).
    int openDecoderCount() const { return context_->registry->openCount(); }
    int decodersOpened() const { return context_->registry->totalOpened(); }

private:
    struct Group {
        std::unique_ptr<EngineVideoRenderer> video;
        std::unique_ptr<EngineAudioRenderer> audio;
    };

    std::unique_ptr<EngineContext> context_;
    std::vector<Group> groups_;
    REFERENCE_TIME duration_ = 0;
};

} // namespace platform

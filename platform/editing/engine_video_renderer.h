#pragma once

#include "platform/editing/engine_context.h"
#include "platform/editing/engine_timeline_model.h"
#include "platform/editing/engine_video_compositor.h"
#include "platform/editing/engine_video_source.h"

#include <map>
#include <memory>
#include <utility>

namespace platform {

// Renders the frames of one video group, by number, in any order: sequential pulls find their
// sources decoded ahead; any other frame makes the sources concerned seek. Sources are opened
// `preload` before their start (the next few short ones earlier still) and closed once the
// frame asked for is past them (or, when loading all, every clip is opened at once and kept).
// Call from one thread.
class EngineVideoRenderer {
public:
    EngineVideoRenderer(EngineContext& context, EngineGroupModel group);
    ~EngineVideoRenderer();
    EngineVideoRenderer(const EngineVideoRenderer&) = delete;
    EngineVideoRenderer& operator=(const EngineVideoRenderer&) = delete;

    const EngineVideoFormat& format() const { return format_; }
    bool previewMode() const { return group_.previewMode; }
    REFERENCE_TIME duration() const { return group_.duration; }
    // Frames up to the end of the last source (a partial last frame counts).
    std::int64_t frameCount() const;

    // Frame n: its start time is format().frameTime(n).
    EngineFramePtr frame(std::int64_t n);

private:
    using Key = std::pair<int, int>; // layer, source index

    // Whether a source should be open at a time: from `preload` before its start (a short one
    // earlier when it is one of the next few of its track) to its stop.
    bool wanted(const Key& key, REFERENCE_TIME time) const;
    void updateSources(REFERENCE_TIME time);
    std::shared_ptr<EngineVideoSource> openSource(const Key& key, bool decodeAhead);
    EngineFramePtr sourcePicture(int layer, int index, REFERENCE_TIME time);

    EngineContext& context_;
    const EngineGroupModel group_;
    const EngineVideoFormat format_;
    EngineVideoCompositor compositor_;
    std::map<Key, std::shared_ptr<EngineVideoSource>> sources_;
};

} // namespace platform

#pragma once

#include "platform/editing/engine_audio_source.h"
#include "platform/editing/engine_context.h"
#include "platform/editing/engine_timeline_model.h"

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <utility>

namespace platform {

// Renders the sound of one audio group by sample index, in any order: every source placed at
// its timeline times from its media start, mixed (with clipping) where sources overlap,
// silence in the gaps. Sample index i plays at time i / rate; a source occupies the samples
// from round(start × rate) to round(stop × rate). Call from one thread.
class EngineAudioRenderer {
public:
    EngineAudioRenderer(EngineContext& context, EngineGroupModel group);
    ~EngineAudioRenderer();
    EngineAudioRenderer(const EngineAudioRenderer&) = delete;
    EngineAudioRenderer& operator=(const EngineAudioRenderer&) = delete;

    const EngineAudioFormat& format() const { return format_; }
    REFERENCE_TIME duration() const { return group_.duration; }
    std::int64_t sampleCount() const { return format_.sampleAt(group_.duration); }

    // Fills out (interleaved, out.size() / channels samples) from sample `first` on.
    void render(std::int64_t first, std::span<std::int16_t> out);

private:
    using Key = std::pair<int, int>; // layer, source index

    void updateSources(std::int64_t first, std::int64_t end);

    EngineContext& context_;
    const EngineGroupModel group_;
    const EngineAudioFormat format_;
    std::map<Key, std::shared_ptr<EngineAudioSource>> sources_;
    std::vector<std::int32_t> mix_;
    std::vector<std::int16_t> scratch_;
};

} // namespace platform

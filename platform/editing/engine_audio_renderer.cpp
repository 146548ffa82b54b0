#include "platform/editing/engine_audio_renderer.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace platform {

EngineAudioRenderer::EngineAudioRenderer(EngineContext& context, EngineGroupModel group)
    : context_(context), group_(std::move(group)),
      format_(group_.audio ? *group_.audio : throw std::invalid_argument("not an audio group")) {
    if (!context_.options.dynamicLoading) {
        updateSources(0, std::numeric_limits<std::int64_t>::max());
    }
}

EngineAudioRenderer::~EngineAudioRenderer() {
    for (auto& [key, source] : sources_) {
        source->close();
    }
}

void EngineAudioRenderer::updateSources(std::int64_t first, std::int64_t end) {
    const std::int64_t preload = format_.sampleAt(context_.options.preload);
    const bool loadAll = !context_.options.dynamicLoading;
    for (std::size_t layer = 0; layer < group_.layers.size(); ++layer) {
        const auto& spans = group_.layers[layer].sources;
        for (std::size_t index = 0; index < spans.size(); ++index) {
            const EngineSourceSpan& span = spans[index];
            const std::int64_t spanFirst = format_.sampleAt(span.start);
            const std::int64_t spanEnd = format_.sampleAt(span.stop);
            const bool inWindow = spanFirst - preload < end && first < spanEnd;
            const Key key{static_cast<int>(layer), static_cast<int>(index)};
            auto found = sources_.find(key);
            if (inWindow || loadAll) {
                if (found == sources_.end()) {
                    auto source = std::make_shared<EngineAudioSource>(
                        context_, format_, span.path, format_.sampleAt(span.mediaStart));
                    found = sources_.emplace(key, std::move(source)).first;
                }
                found->second->start(inWindow);
            } else if (found != sources_.end()) {
                found->second->close();
                sources_.erase(found);
            }
        }
    }
}

void EngineAudioRenderer::render(std::int64_t first, std::span<std::int16_t> out) {
    const auto channels = static_cast<std::size_t>(format_.channels);
    const auto count = static_cast<std::int64_t>(out.size() / channels);
    const std::int64_t end = first + count;
    updateSources(first, end);
    mix_.assign(out.size(), 0);
    for (auto& [key, source] : sources_) {
        const EngineSourceSpan& span = group_.layers[static_cast<std::size_t>(key.first)]
                                           .sources[static_cast<std::size_t>(key.second)];
        const std::int64_t spanFirst = format_.sampleAt(span.start);
        const std::int64_t spanEnd = format_.sampleAt(span.stop);
        const std::int64_t from = std::max(first, spanFirst);
        const std::int64_t to = std::min(end, spanEnd);
        if (from >= to) {
            continue;
        }
        scratch_.resize(static_cast<std::size_t>(to - from) * channels);
        source->read(format_.sampleAt(span.mediaStart) + (from - spanFirst), scratch_);
        const auto offset = static_cast<std::size_t>(from - first) * channels;
        for (std::size_t i = 0; i < scratch_.size(); ++i) {
            mix_[offset + i] += scratch_[i];
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::int16_t>(std::clamp(mix_[i], -32768, 32767));
    }
}

} // namespace platform

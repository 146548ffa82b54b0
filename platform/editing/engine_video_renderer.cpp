#include "platform/editing/engine_video_renderer.h"

#include <stdexcept>

namespace platform {

EngineVideoRenderer::EngineVideoRenderer(EngineContext& context, EngineGroupModel group)
    : context_(context), group_(std::move(group)),
      format_(group_.video ? *group_.video : throw std::invalid_argument("not a video group")),
      compositor_(group_, format_) {
    if (!context_.options.dynamicLoading) {
        for (std::size_t layer = 0; layer < group_.layers.size(); ++layer) {
            for (std::size_t index = 0; index < group_.layers[layer].sources.size(); ++index) {
                openSource({static_cast<int>(layer), static_cast<int>(index)}, false);
            }
        }
    }
}

EngineVideoRenderer::~EngineVideoRenderer() {
    for (auto& [key, source] : sources_) {
        source->close();
    }
}

std::int64_t EngineVideoRenderer::frameCount() const {
    if (group_.duration <= 0) {
        return 0;
    }
    return format_.frameAt(group_.duration - 1) + 1;
}

std::shared_ptr<EngineVideoSource> EngineVideoRenderer::openSource(const Key& key,
                                                                   bool decodeAhead) {
    auto found = sources_.find(key);
    if (found == sources_.end()) {
        const EngineSourceSpan& span = group_.layers[static_cast<std::size_t>(key.first)]
                                           .sources[static_cast<std::size_t>(key.second)];
        auto source = std::make_shared<EngineVideoSource>(context_, format_, span.path,
                                                          span.stretchMode, span.mediaStart);
        found = sources_.emplace(key, std::move(source)).first;
    }
    found->second->start(decodeAhead);
    return found->second;
}

namespace {

// Besides what starts within the preload time, short sources (shorter than the preload time:
// pictures shown briefly) among the next few of their track are opened early, when they start
// within kLookahead, so that a run of briefly shown photos has each one decoded well before it
// shows. Longer sources (clips) are not: each would hold a decoder open.
constexpr std::size_t kSourcesAhead = 2;
constexpr REFERENCE_TIME kLookahead = 4 * UNITS;

} // namespace

bool EngineVideoRenderer::wanted(const Key& key, REFERENCE_TIME time) const {
    const auto& spans = group_.layers[static_cast<std::size_t>(key.first)].sources;
    const auto index = static_cast<std::size_t>(key.second);
    const EngineSourceSpan& span = spans[index];
    if (time >= span.stop || span.start - kLookahead > time) {
        return false;
    }
    if (span.start - context_.options.preload <= time) {
        return true;
    }
    if (span.stop - span.start >= context_.options.preload) {
        return false;
    }
    // Among the next few sources of its track still to start?
    const auto firstAhead = static_cast<std::size_t>(
        std::upper_bound(spans.begin(), spans.end(), time,
                         [](REFERENCE_TIME t, const EngineSourceSpan& s) { return t < s.start; }) -
        spans.begin());
    return index < firstAhead + kSourcesAhead;
}

void EngineVideoRenderer::updateSources(REFERENCE_TIME time) {
    // Close what is no longer wanted (when loading all, only pictures: clips stay open).
    for (auto it = sources_.begin(); it != sources_.end();) {
        if (!wanted(it->first, time) &&
            (context_.options.dynamicLoading || it->second->isStill())) {
            it->second->close();
            it = sources_.erase(it);
        } else {
            ++it;
        }
    }
    for (std::size_t layer = 0; layer < group_.layers.size(); ++layer) {
        const auto& spans = group_.layers[layer].sources;
        // Spans are time-ordered: start from the first that may still be running.
        auto first = std::upper_bound(
            spans.begin(), spans.end(), time,
            [](REFERENCE_TIME t, const EngineSourceSpan& span) { return t < span.start; });
        if (first != spans.begin()) {
            --first;
        }
        for (auto it = first; it != spans.end() && it->start - kLookahead <= time; ++it) {
            const Key key{static_cast<int>(layer), static_cast<int>(it - spans.begin())};
            if (wanted(key, time)) {
                openSource(key, true);
            }
        }
    }
}

EngineFramePtr EngineVideoRenderer::sourcePicture(int layer, int index, REFERENCE_TIME time) {
    const auto found = sources_.find({layer, index});
    if (found == sources_.end()) {
        return nullptr;
    }
    const EngineSourceSpan& span =
        group_.layers[static_cast<std::size_t>(layer)].sources[static_cast<std::size_t>(index)];
    return found->second->frameAt(span.mediaTimeAt(time));
}

EngineFramePtr EngineVideoRenderer::frame(std::int64_t n) {
    const REFERENCE_TIME time = format_.frameTime(std::max<std::int64_t>(0, n));
    updateSources(time);
    return compositor_.compose(time, [this](int layer, int index, REFERENCE_TIME t) {
        return sourcePicture(layer, index, t);
    });
}

} // namespace platform

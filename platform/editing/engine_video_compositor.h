#pragma once

#include "platform/editing/engine_timeline_model.h"
#include "platform/editing/smpte_wipe.h"

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

// Lays the tracks of a video group over each other at one time: the highest track that has a
// source there shows; a wipe on a track blends that track's source with what the tracks below
// show (from below to the track, or the other way round with swapped inputs); black where
// nothing covers the time. Wipes of one track may overlap in time: each later one is laid over
// the result of the earlier ones (it wipes from that result to its incoming picture). A wipe's
// mask is built on first use and kept while its transition lasts.
class EngineVideoCompositor {
public:
    // The picture of source `index` of layer `layer` at a timeline time.
    using SourcePicture = std::function<EngineFramePtr(int layer, int index, REFERENCE_TIME time)>;

    EngineVideoCompositor(const EngineGroupModel& group, const EngineVideoFormat& format);

    EngineFramePtr compose(REFERENCE_TIME time, const SourcePicture& sourcePicture);
    const EngineFramePtr& black() const { return black_; }
    // Wipe masks held now (those of transitions that covered the last time composed).
    std::size_t cachedWipes() const { return wipes_.size(); }

private:
    EngineFramePtr layerPicture(int layer, REFERENCE_TIME time, const SourcePicture& sourcePicture);
    EngineFramePtr blend(int layer, int transition, double progress, const EngineFramePtr& outgoing,
                         const EngineFramePtr& incoming);
    const SmpteWipe* wipeFor(int layer, int transition);
    // The transitions of a layer that cover a time, in start order.
    void transitionsAt(int layer, REFERENCE_TIME time, std::vector<int>& found) const;
    void forgetWipesNotAt(REFERENCE_TIME time);

    const EngineGroupModel& group_;
    const EngineVideoFormat format_;
    const EngineFramePtr black_;
    // Per layer: the latest stop of its transitions up to each index (they are in start order).
    std::vector<std::vector<REFERENCE_TIME>> transitionStopsSoFar_;
    std::map<std::pair<int, int>, std::unique_ptr<SmpteWipe>> wipes_;
};

// Index of the span covering a time in a time-ordered, non-overlapping list; -1 for none.
template <typename Span> int spanAt(const std::vector<Span>& spans, REFERENCE_TIME time) {
    auto after =
        std::upper_bound(spans.begin(), spans.end(), time,
                         [](REFERENCE_TIME t, const Span& span) { return t < span.start; });
    if (after == spans.begin()) {
        return -1;
    }
    --after;
    return after->covers(time) ? static_cast<int>(after - spans.begin()) : -1;
}

} // namespace platform

#include "platform/editing/engine_video_compositor.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace platform {
namespace {

ConstYuvPlanes constPlanes(const AVFrame& frame) {
    return {{frame.data[0], frame.linesize[0]},
            {frame.data[1], frame.linesize[1]},
            {frame.data[2], frame.linesize[2]}};
}

} // namespace

EngineVideoCompositor::EngineVideoCompositor(const EngineGroupModel& group,
                                             const EngineVideoFormat& format)
    : group_(group), format_(format), black_(std::make_shared<EngineVideoFrame>(format)) {
    for (const EngineLayer& layer : group_.layers) {
        std::vector<REFERENCE_TIME> stops;
        stops.reserve(layer.transitions.size());
        REFERENCE_TIME latest = std::numeric_limits<REFERENCE_TIME>::min();
        for (const EngineTransitionSpan& span : layer.transitions) {
            latest = std::max(latest, span.stop);
            stops.push_back(latest);
        }
        transitionStopsSoFar_.push_back(std::move(stops));
    }
}

EngineFramePtr EngineVideoCompositor::compose(REFERENCE_TIME time,
                                              const SourcePicture& sourcePicture) {
    EngineFramePtr picture =
        layerPicture(static_cast<int>(group_.layers.size()) - 1, time, sourcePicture);
    forgetWipesNotAt(time);
    return picture;
}

void EngineVideoCompositor::transitionsAt(int layer, REFERENCE_TIME time,
                                          std::vector<int>& found) const {
    found.clear();
    const auto& spans = group_.layers[static_cast<std::size_t>(layer)].transitions;
    const auto& stops = transitionStopsSoFar_[static_cast<std::size_t>(layer)];
    // Transitions starting after the time cannot cover it; walk back from the last one that
    // starts at or before it while any earlier one may still reach the time.
    auto index =
        static_cast<int>(std::upper_bound(spans.begin(), spans.end(), time,
                                          [](REFERENCE_TIME t, const EngineTransitionSpan& span) {
                                              return t < span.start;
                                          }) -
                         spans.begin());
    while (--index >= 0 && stops[static_cast<std::size_t>(index)] > time) {
        if (spans[static_cast<std::size_t>(index)].covers(time)) {
            found.push_back(index);
        }
    }
    std::reverse(found.begin(), found.end());
}

EngineFramePtr EngineVideoCompositor::layerPicture(int layer, REFERENCE_TIME time,
                                                   const SourcePicture& sourcePicture) {
    if (layer < 0) {
        return black_;
    }
    const EngineLayer& track = group_.layers[static_cast<std::size_t>(layer)];
    const int source = spanAt(track.sources, time);
    auto own = [&] {
        EngineFramePtr picture = source >= 0 ? sourcePicture(layer, source, time) : nullptr;
        return picture ? picture : black_;
    };
    std::vector<int> transitions;
    transitionsAt(layer, time, transitions);
    if (transitions.empty()) {
        return source >= 0 ? own() : layerPicture(layer - 1, time, sourcePicture);
    }
    const EngineFramePtr a = own();
    const EngineFramePtr b = layerPicture(layer - 1, time, sourcePicture);
    EngineFramePtr result;
    for (const int transition : transitions) {
        const EngineTransitionSpan& span = track.transitions[static_cast<std::size_t>(transition)];
        // With swapped inputs the wipe runs from this track to the tracks below.
        const EngineFramePtr& outgoing = result ? result : (span.swapInputs ? a : b);
        const EngineFramePtr& incoming = span.swapInputs ? b : a;
        result = blend(layer, transition, span.progressAt(time), outgoing, incoming);
    }
    return result;
}

void EngineVideoCompositor::forgetWipesNotAt(REFERENCE_TIME time) {
    std::erase_if(wipes_, [&](const auto& entry) {
        const auto [layer, transition] = entry.first;
        return !group_.layers[static_cast<std::size_t>(layer)]
                    .transitions[static_cast<std::size_t>(transition)]
                    .covers(time);
    });
}

const SmpteWipe* EngineVideoCompositor::wipeFor(int layer, int transition) {
    const auto key = std::make_pair(layer, transition);
    auto found = wipes_.find(key);
    if (found == wipes_.end()) {
        const EngineTransitionSpan& span = group_.layers[static_cast<std::size_t>(layer)]
                                               .transitions[static_cast<std::size_t>(transition)];
        std::unique_ptr<SmpteWipe> wipe;
        try {
            wipe = std::make_unique<SmpteWipe>(span.maskNum, span.borderSoftness, format_.width,
                                               format_.height);
        } catch (const std::invalid_argument&) {
            // An unknown code becomes a cut at the middle of the transition.
        }
        found = wipes_.emplace(key, std::move(wipe)).first;
    }
    return found->second.get();
}

EngineFramePtr EngineVideoCompositor::blend(int layer, int transition, double progress,
                                            const EngineFramePtr& outgoing,
                                            const EngineFramePtr& incoming) {
    if (outgoing == incoming) {
        return outgoing;
    }
    const SmpteWipe* wipe = wipeFor(layer, transition);
    if (!wipe) {
        return progress < 0.5 ? outgoing : incoming;
    }
    auto result = std::make_shared<EngineVideoFrame>(format_);
    AVFrame& out = result->av();
    const AVFrame& from = outgoing->av();
    const AVFrame& to = incoming->av();
    switch (format_.pixelFormat) {
    case EnginePixelFormat::Bgr24:
        wipe->blendRgb24(progress, {from.data[0], from.linesize[0]}, {to.data[0], to.linesize[0]},
                         {out.data[0], out.linesize[0]});
        break;
    case EnginePixelFormat::Yuv420p:
    case EnginePixelFormat::Yuv411p: {
        const ChromaSubsampling chroma = format_.pixelFormat == EnginePixelFormat::Yuv420p
                                             ? ChromaSubsampling::Yuv420
                                             : ChromaSubsampling::Yuv411;
        const YuvPlanes target{{out.data[0], out.linesize[0]},
                               {out.data[1], out.linesize[1]},
                               {out.data[2], out.linesize[2]}};
        wipe->blendYuv(progress, chroma, constPlanes(from), constPlanes(to), target);
        break;
    }
    }
    return result;
}

} // namespace platform

#include "platform/editing/engine_video_compositor.h"

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
    : group_(group), format_(format), black_(std::make_shared<EngineVideoFrame>(format)) {}

EngineFramePtr EngineVideoCompositor::compose(REFERENCE_TIME time,
                                              const SourcePicture& sourcePicture) {
    return layerPicture(static_cast<int>(group_.layers.size()) - 1, time, sourcePicture);
}

EngineFramePtr EngineVideoCompositor::layerPicture(int layer, REFERENCE_TIME time,
                                                   const SourcePicture& sourcePicture) {
    if (layer < 0) {
        return black_;
    }
    const EngineLayer& track = group_.layers[static_cast<std::size_t>(layer)];
    const int source = spanAt(track.sources, time);
    const int transition = spanAt(track.transitions, time);
    auto own = [&] {
        EngineFramePtr picture = sourcePicture(layer, source, time);
        return picture ? picture : black_;
    };
    if (transition >= 0) {
        const EngineTransitionSpan& span = track.transitions[static_cast<std::size_t>(transition)];
        const EngineFramePtr a = source >= 0 ? own() : black_;
        const EngineFramePtr b = layerPicture(layer - 1, time, sourcePicture);
        const double progress = span.progressAt(time);
        return span.swapInputs ? blend(layer, transition, progress, a, b)
                               : blend(layer, transition, progress, b, a);
    }
    if (source >= 0) {
        return own();
    }
    return layerPicture(layer - 1, time, sourcePicture);
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

#include "platform/editing/engine_timeline_model.h"

#include "platform/system/query.h"

#include <QVariant>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

int intProperty(const std::shared_ptr<IPropertySetter>& setter, const char* name, int fallback) {
    if (!setter) {
        return fallback;
    }
    QVariant value;
    if (setter->GetPropValue(QString::fromLatin1(name), 0, &value) != S_OK || !value.isValid()) {
        return fallback;
    }
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(number) ? static_cast<int>(std::lround(number)) : fallback;
}

EngineLayer readLayer(const std::shared_ptr<IAMTimelineObj>& trackNode) {
    EngineLayer layer;
    if (const auto track = query<IAMTimelineTrack>(trackNode)) {
        for (const auto& node : track->GetSources()) {
            const auto source = query<IAMTimelineSrc>(node);
            if (!source) {
                continue;
            }
            EngineSourceSpan span;
            node->GetStartStop(&span.start, &span.stop);
            source->GetMediaTimes(&span.mediaStart, &span.mediaStop);
            source->GetMediaName(&span.path);
            source->GetStretchMode(&span.stretchMode);
            if (span.stop > span.start) {
                layer.sources.push_back(std::move(span));
            }
        }
    }
    if (const auto transable = query<IAMTimelineTransable>(trackNode)) {
        for (const auto& node : transable->GetTransitions()) {
            EngineTransitionSpan span;
            node->GetStartStop(&span.start, &span.stop);
            if (const auto transition = query<IAMTimelineTrans>(node)) {
                transition->GetSwapInputs(&span.swapInputs);
            }
            std::shared_ptr<IPropertySetter> setter;
            node->GetPropertySetter(&setter);
            span.maskNum = intProperty(setter, "MaskNum", 1);
            span.borderSoftness = std::max(0, intProperty(setter, "BorderSoftness", 0));
            if (span.stop > span.start) {
                layer.transitions.push_back(span);
            }
        }
    }
    auto byStart = [](const auto& a, const auto& b) { return a.start < b.start; };
    std::sort(layer.sources.begin(), layer.sources.end(), byStart);
    std::sort(layer.transitions.begin(), layer.transitions.end(), byStart);
    return layer;
}

} // namespace

REFERENCE_TIME EngineSourceSpan::mediaTimeAt(REFERENCE_TIME time) const {
    const REFERENCE_TIME length = stop - start;
    if (length <= 0) {
        return mediaStart;
    }
    const REFERENCE_TIME offset = time - start;
    if (mediaStop - mediaStart == length) {
        return mediaStart + offset;
    }
    return mediaStart + av_rescale(offset, mediaStop - mediaStart, length);
}

double EngineTransitionSpan::progressAt(REFERENCE_TIME time) const {
    if (stop <= start) {
        return 1.0;
    }
    return std::clamp(static_cast<double>(time - start) / static_cast<double>(stop - start), 0.0,
                      1.0);
}

EngineTimelineModel readTimelineModel(const IAMTimeline& timeline, EnginePixelFormat pixelFormat) {
    EngineTimelineModel model;
    long groupCount = 0;
    timeline.GetGroupCount(&groupCount);
    for (long g = 0; g < groupCount; ++g) {
        std::shared_ptr<IAMTimelineObj> node;
        EngineGroupModel group;
        if (timeline.GetGroup(&node, g) == S_OK && node) {
            if (const auto timelineGroup = query<IAMTimelineGroup>(node)) {
                AM_MEDIA_TYPE mediaType;
                double fps = 0;
                timelineGroup->GetMediaType(&mediaType);
                timelineGroup->GetOutputFPS(&fps);
                timelineGroup->GetPreviewMode(&group.previewMode);
                group.video = videoFormatFromGroup(mediaType, fps, pixelFormat);
                group.audio = audioFormatFromGroup(mediaType);
            }
            if (const auto comp = query<IAMTimelineComp>(node)) {
                long trackCount = 0;
                comp->VTrackGetCount(&trackCount);
                for (long priority = 0; priority < trackCount; ++priority) {
                    std::shared_ptr<IAMTimelineObj> track;
                    comp->GetVTrack(&track, priority);
                    group.layers.push_back(track ? readLayer(track) : EngineLayer{});
                }
            }
        }
        for (const EngineLayer& layer : group.layers) {
            for (const auto& span : layer.sources) {
                group.duration = std::max(group.duration, span.stop);
            }
            for (const auto& span : layer.transitions) {
                group.duration = std::max(group.duration, span.stop);
            }
        }
        model.duration = std::max(model.duration, group.duration);
        model.groups.push_back(std::move(group));
    }
    return model;
}

} // namespace platform

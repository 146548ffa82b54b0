#include "platform/editing/render_engine_session.h"

#include "platform/editing/render_engine_membership.h"
#include "platform/system/query.h"

namespace platform {

namespace {

constexpr int kPacedVideoQueueFrames = 25;

void readTrack(const std::shared_ptr<IAMTimelineObj>& trackObject, long group, bool video,
               FrontEndLayout& layout) {
    if (const auto track = query<IAMTimelineTrack>(trackObject)) {
        for (const auto& sourceObject : track->GetSources()) {
            const auto node = query<IAMTimelineSrc>(sourceObject);
            if (!node) {
                continue;
            }
            FrontEndSource source;
            source.group = group;
            source.video = video;
            source.node = node;
            sourceObject->GetStartStop(&source.start, &source.stop);
            node->GetMediaTimes(&source.mediaStart, &source.mediaStop);
            node->GetMediaName(&source.path);
            node->GetStretchMode(&source.stretchMode);
            layout.sources.push_back(std::move(source));
        }
    }
    if (const auto transable = query<IAMTimelineTransable>(trackObject); transable && video) {
        for (const auto& transition : transable->GetTransitions()) {
            FrontEndSpan span;
            transition->GetStartStop(&span.start, &span.stop);
            layout.videoTransitions.push_back(span);
        }
    }
}

} // namespace

FrontEndLayout readFrontEndLayout(const IAMTimeline& timeline) {
    FrontEndLayout layout;
    long groups = 0;
    timeline.GetGroupCount(&groups);
    for (long g = 0; g < groups; ++g) {
        std::shared_ptr<IAMTimelineObj> groupObject;
        if (FAILED(timeline.GetGroup(&groupObject, g))) {
            continue;
        }
        const auto group = query<IAMTimelineGroup>(groupObject);
        const auto comp = query<IAMTimelineComp>(groupObject);
        if (!group || !comp) {
            continue;
        }
        AM_MEDIA_TYPE mediaType;
        group->GetMediaType(&mediaType);
        const bool video = mediaType.majortype == MEDIATYPE_Video;
        long tracks = 0;
        comp->VTrackGetCount(&tracks);
        for (long priority = 0; priority < tracks; ++priority) {
            std::shared_ptr<IAMTimelineObj> track;
            if (SUCCEEDED(comp->GetVTrack(&track, priority))) {
                readTrack(track, g, video, layout);
            }
        }
    }
    return layout;
}

EngineSession::EngineSession(Config config) : config_(std::move(config)) {}

void EngineSession::setPixelFormat(EnginePixelFormat format) {
    const std::lock_guard lock(mutex_);
    if (format != pixelFormat_) {
        pixelFormat_ = format;
        core_.reset();
    }
}

void EngineSession::setAudioSampleRate(long group, int sampleRate) {
    const std::lock_guard lock(mutex_);
    auto& rate = audioSampleRates_[static_cast<int>(group)];
    if (rate != sampleRate) {
        rate = sampleRate;
        core_.reset();
    }
}

EngineOptions EngineSession::options() const {
    EngineOptions options;
    options.dynamicLoading = config_.dynamicLoading;
    options.pixelFormat = pixelFormat_;
    options.audioSampleRates = audioSampleRates_;
    options.paced = paced_;
    if (paced_) {
        // Played out live, each clip keeps about a second decoded ahead: the decoder then
        // rides out the moments when other programs hold the processors.
        options.videoQueueFrames = kPacedVideoQueueFrames;
    }
    return options;
}

std::shared_ptr<EngineTimelineRenderer> EngineSession::core(bool paced) {
    const std::lock_guard lock(mutex_);
    if (!core_) {
        paced_ = paced;
        core_ = std::make_shared<EngineTimelineRenderer>(*config_.timeline, options());
    }
    return core_;
}

std::shared_ptr<EngineTimelineRenderer> EngineSession::freshCore() {
    const std::lock_guard lock(mutex_);
    return std::make_shared<EngineTimelineRenderer>(*config_.timeline, options());
}

void EngineSession::setStretchMode(const std::shared_ptr<IAMTimelineSrc>& node, int mode) {
    {
        const std::lock_guard lock(mutex_);
        if (FAILED(node->SetStretchMode(mode))) {
            return;
        }
    }
    ++stretchGeneration_;
}

void EngineSession::countRenderedFrame(bool late) {
    ++framesRendered_;
    if (late) {
        ++framesLate_;
    }
}

RenderEngineStatistics EngineSession::statistics() const {
    return {framesRendered_.load(), framesRepeated_.load(), framesLate_.load()};
}

void EngineSession::positionReached(bool video, REFERENCE_TIME time) {
    if (const auto membership = membership_.lock()) {
        membership->positionReached(video, time);
    }
}

} // namespace platform

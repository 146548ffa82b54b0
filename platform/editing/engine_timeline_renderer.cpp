#include "platform/editing/engine_timeline_renderer.h"

namespace platform {

EngineTimelineRenderer::EngineTimelineRenderer(const IAMTimeline& timeline, EngineOptions options)
    : context_(std::make_unique<EngineContext>(std::move(options))) {
    EngineTimelineModel model = readTimelineModel(timeline, context_->options.pixelFormat);
    duration_ = model.duration;
    for (EngineGroupModel& groupModel : model.groups) {
        Group group;
        const auto rate = context_->options.audioSampleRates.find(static_cast<int>(groups_.size()));
        if (groupModel.audio && rate != context_->options.audioSampleRates.end()) {
            groupModel.audio->sampleRate = rate->second;
        }
        if (groupModel.video) {
            group.video = std::make_unique<EngineVideoRenderer>(*context_, std::move(groupModel));
        } else if (groupModel.audio) {
            group.audio = std::make_unique<EngineAudioRenderer>(*context_, std::move(groupModel));
        }
        groups_.push_back(std::move(group));
    }
}

EngineTimelineRenderer::~EngineTimelineRenderer() {
    // Sources close before the pool that works for them stops.
    groups_.clear();
    context_.reset();
}

EngineVideoRenderer* EngineTimelineRenderer::videoGroup(int group) const {
    if (group < 0 || group >= groupCount()) {
        return nullptr;
    }
    return groups_[static_cast<std::size_t>(group)].video.get();
}

EngineAudioRenderer* EngineTimelineRenderer::audioGroup(int group) const {
    if (group < 0 || group >= groupCount()) {
        return nullptr;
    }
    return groups_[static_cast<std::size_t>(group)].audio.get();
}

} // namespace platform

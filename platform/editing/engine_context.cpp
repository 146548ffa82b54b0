#include "platform/editing/engine_context.h"

namespace platform {

void EngineDecoderRegistry::opened(const QString& path) {
    ++open_;
    ++totalOpened_;
    if (report_) {
        report_(path, true);
    }
}

void EngineDecoderRegistry::closed(const QString& path) {
    --open_;
    if (report_) {
        report_(path, false);
    }
}

EngineFramePtr EnginePictureCache::find(const QString& path, int stretchMode) const {
    const std::lock_guard lock(mutex_);
    const auto found = pictures_.find({path, stretchMode});
    return found == pictures_.end() ? EngineFramePtr() : found->second.lock();
}

void EnginePictureCache::insert(const QString& path, int stretchMode, const EngineFramePtr& frame) {
    const std::lock_guard lock(mutex_);
    // Forget pictures nobody holds any more, so the map stays as small as what is in use.
    std::erase_if(pictures_, [](const auto& entry) { return entry.second.expired(); });
    pictures_[{path, stretchMode}] = frame;
}

} // namespace platform

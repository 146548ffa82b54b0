#include "platform/editing/render_engine_membership.h"

namespace platform {

EngineMembership::EngineMembership(std::weak_ptr<IGraphBuilder> graph, std::vector<Entry> entries,
                                   bool dynamic, REFERENCE_TIME preload)
    : graph_(std::move(graph)), dynamic_(dynamic), preload_(preload), entries_(std::move(entries)),
      joined_(entries_.size(), false) {
    if (dynamic_) {
        thread_ = std::thread([this] { run(); });
    }
}

EngineMembership::~EngineMembership() {
    leaveAll();
}

void EngineMembership::applyNow(REFERENCE_TIME videoTime, REFERENCE_TIME audioTime) {
    {
        const std::lock_guard lock(mutex_);
        videoTime_ = videoTime;
        audioTime_ = audioTime;
    }
    apply(videoTime, audioTime);
}

void EngineMembership::positionReached(bool video, REFERENCE_TIME time) {
    if (!dynamic_) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        REFERENCE_TIME& current = video ? videoTime_ : audioTime_;
        if (current == time) {
            return;
        }
        current = time;
        pending_ = true;
    }
    changed_.notify_one();
}

void EngineMembership::leaveAll() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
    const auto graph = graph_.lock();
    const std::lock_guard lock(applyMutex_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (joined_[i] && graph) {
            setJoined(entries_[i], false, graph);
        }
        joined_[i] = false;
    }
}

void EngineMembership::run() {
    for (;;) {
        REFERENCE_TIME videoTime = 0;
        REFERENCE_TIME audioTime = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return pending_ || stopping_; });
            if (stopping_) {
                return;
            }
            pending_ = false;
            videoTime = videoTime_;
            audioTime = audioTime_;
        }
        apply(videoTime, audioTime);
    }
}

void EngineMembership::apply(REFERENCE_TIME videoTime, REFERENCE_TIME audioTime) {
    const auto graph = graph_.lock();
    if (!graph) {
        return;
    }
    const std::lock_guard lock(applyMutex_);
    // Leave first, so that the graph never holds more than the window needs.
    for (const bool joining : {false, true}) {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            Entry& entry = entries_[i];
            const REFERENCE_TIME time = entry.video ? videoTime : audioTime;
            const bool wanted = !dynamic_ || (entry.start - preload_ <= time && time < entry.stop);
            if (wanted == joining && joined_[i] != wanted) {
                setJoined(entry, wanted, graph);
                joined_[i] = wanted;
            }
        }
    }
}

void EngineMembership::setJoined(Entry& entry, bool joined,
                                 const std::shared_ptr<IGraphBuilder>& graph) {
    for (const auto& [filter, name] : entry.filters) {
        if (joined) {
            graph->AddFilter(filter, name);
        } else {
            graph->RemoveFilter(filter);
        }
    }
}

} // namespace platform

#pragma once

#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/graph_interfaces.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Puts the per-source stage filters of a front end into the graph and takes them out again.
// With dynamic loading a source's filters are in the graph from `preload` before its start
// until its stop, as the group streams report their positions; the graph changes happen on a
// thread of this object, never on a streaming thread (a graph that is stopping holds its lock
// while it waits for its streaming threads).
class EngineMembership {
public:
    struct Entry {
        bool video = false;
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        std::vector<std::pair<std::shared_ptr<IBaseFilter>, QString>> filters; // filter, name
    };

    EngineMembership(std::weak_ptr<IGraphBuilder> graph, std::vector<Entry> entries, bool dynamic,
                     REFERENCE_TIME preload);
    ~EngineMembership();
    EngineMembership(const EngineMembership&) = delete;
    EngineMembership& operator=(const EngineMembership&) = delete;

    // Joins what the positions call for now (everything when not dynamic), on this thread.
    void applyNow(REFERENCE_TIME videoTime, REFERENCE_TIME audioTime);
    // Called from streaming threads; the change follows on the membership thread.
    void positionReached(bool video, REFERENCE_TIME time);
    // Stops the thread and takes every filter out of the graph.
    void leaveAll();

private:
    void run();
    void apply(REFERENCE_TIME videoTime, REFERENCE_TIME audioTime);
    void setJoined(Entry& entry, bool joined, const std::shared_ptr<IGraphBuilder>& graph);

    const std::weak_ptr<IGraphBuilder> graph_;
    const bool dynamic_;
    const REFERENCE_TIME preload_;

    std::mutex applyMutex_; // the entries and what is joined
    std::vector<Entry> entries_;
    std::vector<bool> joined_;

    std::mutex mutex_; // the request
    std::condition_variable changed_;
    REFERENCE_TIME videoTime_ = 0;
    REFERENCE_TIME audioTime_ = 0;
    bool pending_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace platform

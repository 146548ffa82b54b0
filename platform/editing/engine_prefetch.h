#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Work that the prefetch pool does in small steps: open a file, seek, decode one frame or
// block of sound. A task is run by one worker at a time.
class EnginePrefetchTask {
public:
    virtual ~EnginePrefetchTask() = default;

    // Does one bounded step of work. True when there is more to do right away; false when the
    // task waits until someone schedules it again (queue full, end of stream, closed).
    virtual bool pump() = 0;

private:
    friend class EnginePrefetchPool;
    std::atomic<bool> queued_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> rescheduled_{false};
};

// A few worker threads that decode ahead for every open source, so that a pull for a frame
// finds it ready. Tasks are served round-robin, one step at a time.
class EnginePrefetchPool {
public:
    explicit EnginePrefetchPool(int threadCount);
    ~EnginePrefetchPool();
    EnginePrefetchPool(const EnginePrefetchPool&) = delete;
    EnginePrefetchPool& operator=(const EnginePrefetchPool&) = delete;

    // Makes sure the task gets a step soon (once, however often it is scheduled meanwhile).
    void schedule(const std::shared_ptr<EnginePrefetchTask>& task);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<EnginePrefetchTask>> ready_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace platform

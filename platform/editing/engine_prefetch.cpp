#include "platform/editing/engine_prefetch.h"

#include <algorithm>

#include <pthread.h>

namespace platform {

EnginePrefetchPool::EnginePrefetchPool(int threadCount) {
    const int count = std::max(1, threadCount);
    workers_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        workers_.emplace_back([this] {
            // Named for tools that show threads; the decoders' own threads inherit the name.
            pthread_setname_np(pthread_self(), "decode-ahead");
            run();
        });
    }
}

EnginePrefetchPool::~EnginePrefetchPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        ready_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void EnginePrefetchPool::schedule(const std::shared_ptr<EnginePrefetchTask>& task) {
    if (!task) {
        return;
    }
    const std::lock_guard lock(mutex_);
    if (stopping_) {
        return;
    }
    if (task->running_) {
        // The worker running it puts it back when its step ends.
        task->rescheduled_ = true;
        return;
    }
    if (!task->queued_.exchange(true)) {
        ready_.push_back(task);
        wake_.notify_one();
    }
}

void EnginePrefetchPool::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !ready_.empty(); });
        if (stopping_) {
            return;
        }
        std::shared_ptr<EnginePrefetchTask> task = std::move(ready_.front());
        ready_.pop_front();
        task->queued_ = false;
        task->running_ = true;
        task->rescheduled_ = false;
        lock.unlock();
        bool more = false;
        try {
            more = task->pump();
        } catch (...) {
            more = false; // a task reports its own failures; a stray exception ends its work
        }
        lock.lock();
        task->running_ = false;
        if ((more || task->rescheduled_) && !stopping_ && !task->queued_.exchange(true)) {
            ready_.push_back(std::move(task));
            wake_.notify_one();
        } else {
            // A task dropped by its owner closes its files here, outside the pool's lock.
            lock.unlock();
            task.reset();
            lock.lock();
        }
    }
}

} // namespace platform

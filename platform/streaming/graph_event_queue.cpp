#include "platform/streaming/graph_event_queue.h"

#include <chrono>

namespace platform {

void GraphEventQueue::push(long code, LONG_PTR param1, LONG_PTR param2,
                           std::vector<std::shared_ptr<IBaseFilter>> held) {
    std::function<void()> callback;
    {
        const std::lock_guard lock(mutex_);
        if ((flags_ & AM_MEDIAEVENT_NONOTIFY) != 0) {
            return;
        }
        queue_.push_back(Event{code, param1, param2, std::move(held)});
        callback = callback_;
    }
    arrived_.notify_all();
    if (callback) {
        callback();
    }
}

HRESULT GraphEventQueue::get(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeout_ms) {
    if (code == nullptr || param1 == nullptr || param2 == nullptr) {
        return E_POINTER;
    }
    std::unique_lock lock(mutex_);
    const auto any = [this] { return !queue_.empty(); };
    if (timeout_ms == INFINITE || timeout_ms < 0) {
        arrived_.wait(lock, any);
    } else if (!arrived_.wait_for(lock, std::chrono::milliseconds(timeout_ms), any)) {
        *code = 0;
        *param1 = 0;
        *param2 = 0;
        return E_ABORT;
    }
    Event event = std::move(queue_.front());
    queue_.pop_front();
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    if (!event.held.empty()) {
        taken_.push_back(std::move(event));
    }
    return S_OK;
}

HRESULT GraphEventQueue::freeParams(long code, LONG_PTR param1, LONG_PTR param2) {
    std::vector<std::shared_ptr<IBaseFilter>> released;
    {
        const std::lock_guard lock(mutex_);
        for (auto it = taken_.begin(); it != taken_.end(); ++it) {
            if (it->code == code && it->param1 == param1 && it->param2 == param2) {
                released = std::move(it->held);
                taken_.erase(it);
                break;
            }
        }
    }
    // `released` ends here, outside the lock: the last reference may destroy a filter.
    return S_OK;
}

void GraphEventQueue::setFlags(long flags) {
    std::deque<Event> dropped;
    const std::lock_guard lock(mutex_);
    flags_ = flags;
    if ((flags_ & AM_MEDIAEVENT_NONOTIFY) != 0) {
        dropped.swap(queue_);
    }
}

long GraphEventQueue::flags() const {
    const std::lock_guard lock(mutex_);
    return flags_;
}

void GraphEventQueue::setCallback(std::function<void()> callback) {
    const std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

} // namespace platform

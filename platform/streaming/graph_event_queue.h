#pragma once

#include "platform/streaming/filter_interfaces.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// The graph's queue of events for the application. Object parameters are held from the
// moment an event is queued until the application frees the event it took.
class GraphEventQueue {
public:
    void push(long code, LONG_PTR param1, LONG_PTR param2,
              std::vector<std::shared_ptr<IBaseFilter>> held = {});
    HRESULT get(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeout_ms);
    HRESULT freeParams(long code, LONG_PTR param1, LONG_PTR param2);
    void setFlags(long flags);
    long flags() const;
    void setCallback(std::function<void()> callback);

private:
    struct Event {
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        std::vector<std::shared_ptr<IBaseFilter>> held;
    };

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Event> queue_;
    std::vector<Event> taken_;
    long flags_ = 0;
    std::function<void()> callback_;
};

} // namespace platform

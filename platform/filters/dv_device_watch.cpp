#include "platform/filters/dv_device_watch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// Everything the watch thread touches: it owns a reference, so the thread may outlive the
// DvDeviceWatch that started it.
struct DvDeviceWatch::State {
    std::shared_ptr<Ieee1394Bus> bus;
    std::uint64_t guid = 0;
    DvDeviceWatchTiming timing;
    std::function<void(bool)> on_change;

    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    std::unique_ptr<Dv1394ResetNotices> notices;
    std::size_t scans = 0;
};

DvDeviceWatch::DvDeviceWatch(std::shared_ptr<Ieee1394Bus> bus, std::uint64_t guid,
                             bool initially_present, DvDeviceWatchTiming timing,
                             std::function<void(bool present)> on_change)
    : state_(std::make_shared<State>()) {
    state_->bus = std::move(bus);
    state_->guid = guid;
    state_->timing = timing;
    state_->timing.poll_interval_ms = std::max(state_->timing.poll_interval_ms, 1);
    state_->timing.retry_ms = std::max(state_->timing.retry_ms, 1);
    state_->on_change = [present = initially_present,
                         report = std::move(on_change)](bool now) mutable {
        if (now != present) {
            present = now;
            report(now);
        }
    };
    thread_ = std::thread([state = state_] { run(state); });
}

DvDeviceWatch::~DvDeviceWatch() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stop = true;
        if (state_->notices) {
            state_->notices->wake();
        }
    }
    state_->wake.notify_all();
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

std::size_t DvDeviceWatch::scans() const {
    const std::lock_guard lock(state_->mutex);
    return state_->scans;
}

void DvDeviceWatch::run(const std::shared_ptr<State>& state) {
    for (;;) {
        // The notices come before the scan: a reset between the two is then not missed. Without
        // a port there are none; each round tries again. Only this thread creates or drops the
        // notices object, so the pointer stays valid below.
        Dv1394ResetNotices* notices = nullptr;
        {
            std::unique_lock lock(state->mutex);
            if (!state->notices && !state->stop) {
                lock.unlock();
                auto created = state->bus->resetNotices();
                lock.lock();
                state->notices = std::move(created);
            }
            if (state->stop) {
                return;
            }
            notices = state->notices.get();
        }
        const std::optional<bool> present = state->bus->scan().presence(state->guid);
        {
            const std::lock_guard lock(state->mutex);
            ++state->scans;
            if (state->stop) {
                return;
            }
        }
        if (present.has_value()) {
            state->on_change(*present);
        }
        const int wait_ms =
            present.has_value() ? state->timing.poll_interval_ms : state->timing.retry_ms;
        if (notices != nullptr) {
            notices->wait(wait_ms);
        } else {
            std::unique_lock lock(state->mutex);
            state->wake.wait_for(lock, std::chrono::milliseconds(wait_ms),
                                 [&] { return state->stop; });
        }
    }
}

} // namespace platform

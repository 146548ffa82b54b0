#include "platform/streaming/reference_clocks.h"

#include <chrono>

namespace platform {

namespace {

REFERENCE_TIME steadyNow() {
    using Units = std::chrono::duration<REFERENCE_TIME, std::ratio<1, UNITS>>;
    return std::chrono::duration_cast<Units>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void runAll(const std::vector<std::function<void()>>& callbacks) {
    for (const auto& callback : callbacks) {
        if (callback) {
            callback();
        }
    }
}

} // namespace

SystemReferenceClock::SystemReferenceClock()
    : worker_([this](std::stop_token stop) { serve(std::move(stop)); }) {}

SystemReferenceClock::~SystemReferenceClock() {
    worker_.request_stop();
    worker_.join();
}

HRESULT SystemReferenceClock::GetTime(REFERENCE_TIME* time) {
    if (time == nullptr) {
        return E_POINTER;
    }
    *time = steadyNow();
    return S_OK;
}

HRESULT SystemReferenceClock::AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                                         std::function<void()> onDue, std::uint64_t* cookie) {
    if (cookie == nullptr || !onDue) {
        return E_POINTER;
    }
    {
        const std::lock_guard lock(mutex_);
        *cookie = advises_.add(baseTime + streamTime, std::move(onDue));
        ++generation_;
    }
    wake_.notify_all();
    return S_OK;
}

HRESULT SystemReferenceClock::Unadvise(std::uint64_t cookie) {
    const std::lock_guard lock(mutex_);
    advises_.remove(cookie);
    return S_OK;
}

void SystemReferenceClock::serve(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        const auto due = advises_.takeDue(steadyNow());
        if (!due.empty()) {
            lock.unlock();
            runAll(due);
            lock.lock();
            continue;
        }
        // Wakes at the earliest due time, or when an advise is added (it may be earlier).
        const std::uint64_t seen = generation_;
        const auto added = [this, seen] { return generation_ != seen; };
        if (const auto next = advises_.earliest()) {
            const auto wait = std::chrono::nanoseconds((*next - steadyNow()) * 100);
            wake_.wait_for(lock, stop, wait, added);
        } else {
            wake_.wait(lock, stop, added);
        }
    }
}

HRESULT ManualReferenceClock::GetTime(REFERENCE_TIME* time) {
    if (time == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    *time = now_;
    return S_OK;
}

HRESULT ManualReferenceClock::AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                                         std::function<void()> onDue, std::uint64_t* cookie) {
    if (cookie == nullptr || !onDue) {
        return E_POINTER;
    }
    std::vector<std::function<void()>> due;
    {
        const std::lock_guard lock(mutex_);
        *cookie = advises_.add(baseTime + streamTime, std::move(onDue));
        due = advises_.takeDue(now_);
    }
    advised_.notify_all();
    runAll(due);
    return S_OK;
}

HRESULT ManualReferenceClock::Unadvise(std::uint64_t cookie) {
    const std::lock_guard lock(mutex_);
    advises_.remove(cookie);
    return S_OK;
}

HRESULT ManualReferenceClock::Advance(REFERENCE_TIME delta) {
    if (delta < 0) {
        return E_INVALIDARG;
    }
    std::vector<std::function<void()>> due;
    {
        const std::lock_guard lock(mutex_);
        now_ += delta;
        due = advises_.takeDue(now_);
    }
    runAll(due);
    return S_OK;
}

HRESULT ManualReferenceClock::SetTime(REFERENCE_TIME time) {
    std::vector<std::function<void()>> due;
    {
        const std::lock_guard lock(mutex_);
        if (time < now_) {
            return E_INVALIDARG;
        }
        now_ = time;
        due = advises_.takeDue(now_);
    }
    runAll(due);
    return S_OK;
}

bool ManualReferenceClock::waitForPendingAdvise(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return advised_.wait_for(lock, timeout, [this] { return advises_.size() > 0; });
}

std::size_t ManualReferenceClock::pendingAdvises() {
    const std::lock_guard lock(mutex_);
    return advises_.size();
}

} // namespace platform

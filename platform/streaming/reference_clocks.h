#pragma once

#include "platform/streaming/clock_advise_list.h"
#include "platform/streaming/reference_clock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

// The system reference clock: monotonic time of the machine. Advise callbacks run on a worker
// thread of the clock.
class SystemReferenceClock final : public IReferenceClock {
public:
    SystemReferenceClock();
    ~SystemReferenceClock() override;
    SystemReferenceClock(const SystemReferenceClock&) = delete;
    SystemReferenceClock& operator=(const SystemReferenceClock&) = delete;

    HRESULT GetTime(REFERENCE_TIME* time) override;
    HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                       std::function<void()> onDue, std::uint64_t* cookie) override;
    HRESULT Unadvise(std::uint64_t cookie) override;

private:
    void serve(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any wake_;
    ClockAdviseList advises_;
    std::uint64_t generation_ = 0;
    std::jthread worker_;
};

// A clock that moves only when told to: deterministic timing for tests and offline work.
// Advise callbacks run in the thread that moves the clock.
class ManualReferenceClock final : public IReferenceClock {
public:
    explicit ManualReferenceClock(REFERENCE_TIME start = 0) : now_(start) {}

    HRESULT GetTime(REFERENCE_TIME* time) override;
    HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                       std::function<void()> onDue, std::uint64_t* cookie) override;
    HRESULT Unadvise(std::uint64_t cookie) override;

    // Moves the clock forward by `delta` (E_INVALIDARG when negative) and fires due advises.
    HRESULT Advance(REFERENCE_TIME delta);
    // Moves the clock to `time` (E_INVALIDARG when that is in the past).
    HRESULT SetTime(REFERENCE_TIME time);
    // Number of advise requests waiting (lets a test see that a renderer waits on the clock).
    std::size_t pendingAdvises();
    // Waits until at least one advise request is waiting; false after `timeout`.
    bool waitForPendingAdvise(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable advised_;
    REFERENCE_TIME now_;
    ClockAdviseList advises_;
};

} // namespace platform

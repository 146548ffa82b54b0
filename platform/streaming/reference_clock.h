#pragma once

#include "platform/system/hresult.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// A monotonic time source for presenting samples. Times are 100 ns units.
class IReferenceClock {
public:
    virtual ~IReferenceClock() = default;

    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
    // Calls `onDue` once, from any thread and with no lock of the clock held, when the clock
    // reaches baseTime + streamTime (at once if it already has). The call may still happen
    // shortly after Unadvise returns, so the callback must hold what it touches by shared_ptr.
    virtual HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                               std::function<void()> onDue, std::uint64_t* cookie) = 0;
    virtual HRESULT Unadvise(std::uint64_t cookie) = 0;
};

// Implemented by a filter that can supply the graph's reference clock (a device paced by its
// own hardware, for example). The clock is a separate object so the filter holds no cycle.
class IClockProvider {
public:
    virtual ~IClockProvider() = default;
    virtual std::shared_ptr<IReferenceClock> GetReferenceClock() = 0;
};

} // namespace platform

#pragma once

#include "platform/system/hresult.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

// The pending advise requests of a clock. Not thread-safe: the clock guards it.
class ClockAdviseList {
public:
    std::uint64_t add(REFERENCE_TIME due, std::function<void()> onDue);
    void remove(std::uint64_t cookie);
    // Removes and returns the callbacks due at `now`, earliest first.
    std::vector<std::function<void()>> takeDue(REFERENCE_TIME now);
    std::optional<REFERENCE_TIME> earliest() const;
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        REFERENCE_TIME due;
        std::uint64_t cookie;
        std::function<void()> onDue;
    };
    std::vector<Entry> entries_;
    std::uint64_t nextCookie_ = 1;
};

} // namespace platform

#pragma once

#include "platform/streaming/moniker.h"

#include <memory>
#include <vector>

namespace platform {

// Walks a fixed list of monikers.
class IEnumMoniker {
public:
    virtual ~IEnumMoniker() = default;
    // Hands out up to `count` monikers into `monikers` (an array of at least `count`);
    // S_FALSE when fewer were left.
    virtual HRESULT Next(unsigned long count, std::shared_ptr<IMoniker>* monikers,
                         unsigned long* fetched) = 0;
    // S_FALSE when fewer than `count` were left to skip.
    virtual HRESULT Skip(unsigned long count) = 0;
    virtual HRESULT Reset() = 0;
};

// The system device enumerator.
class ICreateDevEnum {
public:
    virtual ~ICreateDevEnum() = default;
    // The monikers of a category's devices as registered now, in enumeration order. An empty
    // category gives S_FALSE and no enumerator. `flags` is unused (0).
    virtual HRESULT CreateClassEnumerator(const GUID& category,
                                          std::shared_ptr<IEnumMoniker>* enumerator,
                                          unsigned long flags) = 0;
};

// A device enumerator over `registry`.
std::shared_ptr<ICreateDevEnum> CreateSystemDeviceEnum(std::shared_ptr<FilterRegistry> registry);
// The same over the process-wide registrations.
std::shared_ptr<ICreateDevEnum> CreateSystemDeviceEnum();

} // namespace platform

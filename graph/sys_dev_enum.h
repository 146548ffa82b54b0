#pragma once

#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/filter_registry.h"
#include "platform/system/guid.h"

#include <QString>

#include <memory>
#include <vector>

namespace graph {

// One filter listed by TSysDevEnum.
struct TDeviceEntry {
    // The "FriendlyName" property, at most 255 characters.
    QString FriendlyName;
    // The "CLSID" property; GUID_NULL when the device has none (or an unreadable one).
    platform::GUID CLSID;
};

// The filters registered under one category, in the order the system device enumerator gives
// them, and the creation of a filter by position or class identifier. The list is a snapshot:
// CreateFilter interprets a position against the devices present when it is called.
class TSysDevEnum {
public:
    // Lists `category` of `registry` (by default the system's registrations).
    explicit TSysDevEnum(
        const platform::GUID& category,
        std::shared_ptr<platform::FilterRegistry> registry = platform::platformFilterRegistry());

    // Discards the list and lists `category`.
    void SelectCategory(const platform::GUID& category);
    int FilterCount() const { return static_cast<int>(filters_.size()); }
    // A copy of entry `index`; an empty entry outside the list.
    TDeviceEntry Filters(int index) const;
    // A new instance of the device now at position `index` of the category; none when there is
    // no such position or the device cannot be created.
    std::shared_ptr<platform::IBaseFilter> CreateFilter(int index);
    // CreateFilter of the first listed entry whose CLSID is `clsid`; none when none matches.
    std::shared_ptr<platform::IBaseFilter> CreateFilterByCLSID(const platform::CLSID& clsid);

private:
    std::shared_ptr<platform::FilterRegistry> registry_;
    platform::GUID category_;
    std::vector<TDeviceEntry> filters_;
};

} // namespace graph

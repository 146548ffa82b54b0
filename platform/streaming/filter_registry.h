#pragma once

#include "platform/streaming/filter_interfaces.h"
#include "platform/system/guid.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// One filter registered under a category: what its moniker's property bag shows and how the
// filter is created.
struct DeviceRegistration {
    GUID category;
    // The part of the display name after the backslash ("DV Video Encoder", or a class
    // identifier in text form); unique within the category, compared case-insensitively.
    QString instanceName;
    // The "FriendlyName" property.
    QString friendlyName;
    // The "CLSID" property; none: the property bag has no "CLSID" value.
    std::optional<CLSID> clsid;
    // Enumeration order within the category: lower first, equal values in registration order.
    int order = 0;
    // Creates a new filter instance; null (or an exception) when it cannot be created.
    std::function<std::shared_ptr<IBaseFilter>()> create;
};

// A device whose instance name is its friendly name.
DeviceRegistration namedDevice(const GUID& category, const QString& friendlyName,
                               std::optional<CLSID> clsid,
                               std::function<std::shared_ptr<IBaseFilter>()> create);
// A filter class whose instance name is its class identifier in text form.
DeviceRegistration filterClass(const GUID& category, const CLSID& clsid,
                               const QString& friendlyName,
                               std::function<std::shared_ptr<IBaseFilter>()> create);

// "@device:sw:{category}\instance".
QString deviceDisplayName(const GUID& category, const QString& instanceName);
// Splits a display name of that form; none when it has another form.
struct DeviceName {
    GUID category;
    QString instanceName;
};
std::optional<DeviceName> parseDeviceDisplayName(const QString& displayName);

// The filters and devices that the system device enumerator lists, by category. Thread-safe.
class FilterRegistry {
public:
    // False (and nothing changes) when the category already holds that instance name.
    bool add(DeviceRegistration device);
    // False when there was no such device.
    bool remove(const GUID& category, const QString& instanceName);
    void clear();

    // The devices of a category in enumeration order.
    std::vector<DeviceRegistration> devices(const GUID& category) const;
    std::optional<DeviceRegistration> find(const GUID& category, const QString& instanceName) const;

private:
    struct Entry {
        DeviceRegistration device;
        std::uint64_t serial = 0;
    };
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextSerial_ = 0;
};

// The process-wide registrations that device and filter modules add themselves to (the stand-in
// for the system's filter registration).
std::shared_ptr<FilterRegistry> platformFilterRegistry();

} // namespace platform

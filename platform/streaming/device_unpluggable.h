#pragma once

#include "platform/streaming/filter_registry.h"

#include <memory>

namespace platform {

// A device that can be unplugged and plugged back on command, for tests of device loss.
// While plugged it is registered in its category; its filters have one input pin that accepts
// any media type. Unplugging removes the registration and makes every live filter of it send
// EC_DEVICE_LOST (filter, 0) to its graph; plugging back registers it again (last in the
// category) and sends EC_DEVICE_LOST (filter, 1). Filters not in a graph send nothing.
class UnpluggableDevice {
public:
    // Registers the device (plugged) under `friendlyName` as its instance name.
    UnpluggableDevice(std::shared_ptr<FilterRegistry> registry, const GUID& category,
                      const QString& friendlyName, std::optional<CLSID> clsid);
    // Removes the registration.
    ~UnpluggableDevice();
    UnpluggableDevice(const UnpluggableDevice&) = delete;
    UnpluggableDevice& operator=(const UnpluggableDevice&) = delete;

    void unplug();
    void plugIn();
    bool isPlugged() const;

private:
    struct State;
    void sendDeviceLost(LONG_PTR available);

    std::shared_ptr<FilterRegistry> registry_;
    DeviceRegistration registration_;
    std::shared_ptr<State> state_;
};

} // namespace platform

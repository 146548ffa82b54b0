#pragma once

#include "platform/filters/dv_1394_bus.h"
#include "platform/streaming/filter_registry.h"

#include <QString>

#include <memory>

// Registers the output devices with the filter registry, at start-up and again for "Update
// Devices". The video input device category lists the IEEE 1394 camcorders first (in bus order),
// then "DV Monitor", then "DV File Recorder"; the audio renderer category lists the sound
// outputs of Qt Multimedia (none without a sound server).
namespace platform {

struct DvDeviceRegistrationOptions {
    // How often a camcorder filter in a graph scans the bus for its device, besides the scans
    // that follow bus resets.
    int watch_interval_ms = 5000;
};

// Rescans the bus: camcorders no longer found are removed (unless the scan was incomplete), new
// ones added; the two virtual
// devices are added when missing. Gives false and the bus's error text when the bus cannot be
// scanned (no port, no permission); the virtual devices are registered regardless.
bool RegisterDvDevices(FilterRegistry& registry, std::shared_ptr<Ieee1394Bus> bus,
                       QString* error = nullptr, DvDeviceRegistrationOptions options = {});

// Replaces the audio renderers with the outputs Qt Multimedia lists now (friendly name
// QAudioDevice::description(), instance name QAudioDevice::id()); gives their number. Call on the
// user-interface thread.
int RegisterAudioRenderers(FilterRegistry& registry);

// The instance name of a camcorder's registration: stable for the same device.
QString dvCamcorderInstanceName(std::uint64_t guid);

} // namespace platform

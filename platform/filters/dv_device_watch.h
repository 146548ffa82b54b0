#pragma once

#include "platform/filters/dv_1394_bus.h"

#include <functional>
#include <memory>
#include <optional>
#include <thread>

// Watches one camcorder on the IEEE 1394 bus from a thread of its own. The bus is rescanned on
// every bus reset notice and, as a safety net for systems that give no notices (the card's own
// node file not readable), every poll interval. Only a complete scan without the GUID makes
// the device absent; a failed or incomplete scan (a reset storm, a device still busy after the
// reset) changes nothing and is retried shortly. Changes are reported once each.
namespace platform {

struct DvDeviceWatchTiming {
    int poll_interval_ms = 5000;
    // Pause before a scan that failed or was incomplete is tried again.
    int retry_ms = 100;
};

class DvDeviceWatch {
public:
    // Starts at once; `on_change(present)` runs on the watch thread when the device's presence
    // differs from the last state reported (at first `initially_present`).
    DvDeviceWatch(std::shared_ptr<Ieee1394Bus> bus, std::uint64_t guid, bool initially_present,
                  DvDeviceWatchTiming timing, std::function<void(bool present)> on_change);
    // Stops the thread and waits for it. Called on the watch thread itself (its callback let
    // go of the last reference to the owner), it lets the thread end on its own instead.
    ~DvDeviceWatch();
    DvDeviceWatch(const DvDeviceWatch&) = delete;
    DvDeviceWatch& operator=(const DvDeviceWatch&) = delete;

    // Scans made so far.
    std::size_t scans() const;

private:
    struct State;
    static void run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

} // namespace platform

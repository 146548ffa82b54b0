#pragma once

#include "platform/filters/dv_1394_bus.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// Watches one camcorder on the IEEE 1394 bus: a thread scans the bus every interval and reports
// whether the device (by GUID) is there. A missing port or a failed scan count as absent.
namespace platform {

class DvDeviceWatch {
public:
    // Starts at once; `on_scan` runs on the watch thread after every scan.
    DvDeviceWatch(std::shared_ptr<Ieee1394Bus> bus, std::uint64_t guid, int interval_ms,
                  std::function<void(bool present)> on_scan);
    // Stops the thread and waits for it.
    ~DvDeviceWatch();
    DvDeviceWatch(const DvDeviceWatch&) = delete;
    DvDeviceWatch& operator=(const DvDeviceWatch&) = delete;

    // Whether the device is on the bus now (one scan, on the calling thread).
    static bool devicePresent(Ieee1394Bus& bus, std::uint64_t guid);

private:
    void run(const std::stop_token& stop);

    std::shared_ptr<Ieee1394Bus> bus_;
    std::uint64_t guid_;
    int interval_ms_;
    std::function<void(bool)> on_scan_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread thread_;
};

} // namespace platform

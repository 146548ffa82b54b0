#include "platform/filters/dv_device_watch.h"

#include <algorithm>
#include <chrono>

namespace platform {

DvDeviceWatch::DvDeviceWatch(std::shared_ptr<Ieee1394Bus> bus, std::uint64_t guid, int interval_ms,
                             std::function<void(bool present)> on_scan)
    : bus_(std::move(bus)), guid_(guid), interval_ms_(std::max(interval_ms, 1)),
      on_scan_(std::move(on_scan)) {
    thread_ = std::jthread([this](const std::stop_token& stop) { run(stop); });
}

DvDeviceWatch::~DvDeviceWatch() {
    thread_.request_stop();
    thread_.join();
}

bool DvDeviceWatch::devicePresent(Ieee1394Bus& bus, std::uint64_t guid) {
    std::vector<Dv1394Node> nodes;
    QString error;
    if (!bus.scan(nodes, &error)) {
        return false;
    }
    return std::any_of(nodes.begin(), nodes.end(),
                       [guid](const Dv1394Node& node) { return node.guid == guid; });
}

void DvDeviceWatch::run(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        on_scan_(devicePresent(*bus_, guid_));
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, stop, std::chrono::milliseconds(interval_ms_), [] { return false; });
    }
}

} // namespace platform

#pragma once

#include "platform/filters/dv_1394_bus.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// Restores a transmission's point-to-point connection after bus resets, on a thread of its
// own: the I/O thread only reports the reset and goes on sending, while this thread rescans
// the bus (configuration ROM reads, AV/C queries) and reconnects to the device's new node id
// through a handle of its own. IEC 61883-1 keeps a connection for one second after a reset;
// inside that window a failed attempt is retried quickly, after it slowly, until it succeeds,
// the device is gone from a complete scan, or the transmission ends.
namespace platform {

struct Dv1394ReconnectTiming {
    int window_ms = 1000;
    // Pause between attempts inside the window; after it, attempts come once per window.
    int retry_ms = 100;
};

class Dv1394Reconnector {
public:
    // `on_presence` runs on the reconnecting thread when the device is found gone (false,
    // from a complete scan) or back and reconnected (true); only changes are reported. It must
    // not destroy the reconnector.
    Dv1394Reconnector(std::shared_ptr<Ieee1394Bus> bus, std::uint64_t guid,
                      Dv1394Transmit& transmit, Dv1394ReconnectTiming timing,
                      std::function<void(bool present)> on_presence);
    // Stops and joins the thread; the transmission must outlive the reconnector.
    ~Dv1394Reconnector();
    Dv1394Reconnector(const Dv1394Reconnector&) = delete;
    Dv1394Reconnector& operator=(const Dv1394Reconnector&) = delete;

    // A bus reset happened; returns at once (called on the I/O thread, inside the bus loop).
    void busReset();

    std::size_t reconnects() const;
    std::size_t failedAttempts() const;
    QString lastError() const;

private:
    void run(const std::stop_token& stop);
    void report(bool present);

    std::shared_ptr<Ieee1394Bus> bus_;
    const std::uint64_t guid_;
    Dv1394Transmit& transmit_;
    const Dv1394ReconnectTiming timing_;
    std::function<void(bool)> on_presence_;

    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::size_t resets_ = 0;
    std::size_t reconnects_ = 0;
    std::size_t failed_attempts_ = 0;
    QString last_error_;
    bool present_ = true;
    std::jthread thread_;
};

} // namespace platform

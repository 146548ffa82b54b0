#include "platform/filters/dv_1394_reconnect.h"

#include <chrono>

namespace platform {

Dv1394Reconnector::Dv1394Reconnector(std::shared_ptr<Ieee1394Bus> bus, std::uint64_t guid,
                                     Dv1394Transmit& transmit, Dv1394ReconnectTiming timing,
                                     std::function<void(bool present)> on_presence)
    : bus_(std::move(bus)), guid_(guid), transmit_(transmit), timing_(timing),
      on_presence_(std::move(on_presence)) {
    thread_ = std::jthread([this](const std::stop_token& stop) { run(stop); });
}

Dv1394Reconnector::~Dv1394Reconnector() {
    thread_.request_stop();
    thread_.join();
}

void Dv1394Reconnector::busReset() {
    {
        const std::lock_guard lock(mutex_);
        ++resets_;
    }
    wake_.notify_all();
}

std::size_t Dv1394Reconnector::reconnects() const {
    const std::lock_guard lock(mutex_);
    return reconnects_;
}

std::size_t Dv1394Reconnector::failedAttempts() const {
    const std::lock_guard lock(mutex_);
    return failed_attempts_;
}

QString Dv1394Reconnector::lastError() const {
    const std::lock_guard lock(mutex_);
    return last_error_;
}

void Dv1394Reconnector::report(bool present) {
    {
        const std::lock_guard lock(mutex_);
        if (present_ == present) {
            return;
        }
        present_ = present;
    }
    if (on_presence_) {
        on_presence_(present);
    }
}

void Dv1394Reconnector::run(const std::stop_token& stop) {
    using Clock = std::chrono::steady_clock;
    // A reset whose connection is not restored yet, and the end of its window.
    bool pending = false;
    Clock::time_point window_end;
    while (!stop.stop_requested()) {
        {
            std::unique_lock lock(mutex_);
            const auto reset = [this] { return resets_ > 0; };
            if (pending) {
                const int pause_ms =
                    Clock::now() < window_end ? timing_.retry_ms : timing_.window_ms;
                wake_.wait_for(lock, stop, std::chrono::milliseconds(pause_ms), reset);
            } else {
                wake_.wait(lock, stop, reset);
            }
            if (stop.stop_requested()) {
                return;
            }
            if (resets_ > 0) {
                resets_ = 0;
                pending = true;
                window_end = Clock::now() + std::chrono::milliseconds(timing_.window_ms);
            }
        }
        const Dv1394Scan scan = bus_->scan();
        const std::optional<bool> present = scan.presence(guid_);
        if (!present.has_value()) {
            // The bus could not be read completely: the device may be there; try again.
            const std::lock_guard lock(mutex_);
            ++failed_attempts_;
            last_error_ = scan.error;
            continue;
        }
        if (!*present) {
            // Gone for sure; its return is another reset.
            pending = false;
            report(false);
            continue;
        }
        QString error;
        if (transmit_.reconnect(scan.find(guid_)->node_id, &error)) {
            {
                const std::lock_guard lock(mutex_);
                ++reconnects_;
            }
            pending = false;
            report(true);
        } else {
            const std::lock_guard lock(mutex_);
            ++failed_attempts_;
            last_error_ = error;
        }
    }
}

} // namespace platform

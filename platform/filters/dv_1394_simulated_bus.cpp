#include "platform/filters/dv_1394_simulated_bus.h"

#include <algorithm>
#include <chrono>

namespace platform {

namespace {

constexpr int kBroadcastChannel = 63;
// Guards a test against an I/O thread that never comes; never reached when the output runs.
constexpr auto kServeDeadline = std::chrono::seconds(30);
// iPCR[0] of an offline plug that is otherwise idle: no connection, broadcast channel 63.
constexpr std::uint32_t kOfflinePlugRegister = 0x003f0000;

// The header block that begins every DV frame: section type 0, sequence 0, block 0.
bool isFrameStart(const std::uint8_t* packet) {
    return (packet[0] >> 5) == 0 && (packet[1] >> 4) == 0 && packet[2] == 0;
}

} // namespace

class DvSimulatedBus::Transmit final : public Dv1394Transmit {
public:
    Transmit(DvSimulatedBus& bus, Dv1394TransmitHandler& handler, int channel)
        : bus_(bus), handler_(handler), channel_(channel) {}
    ~Transmit() override { bus_.endTransmit(); }

    int channel() const override { return channel_; }
    bool pointToPoint() const override { return channel_ != kBroadcastChannel; }
    std::size_t ringPackets() const override { return kRingPackets; }
    std::size_t packetsBeforeFrameStart() const override {
        const std::lock_guard lock(bus_.mutex_);
        const std::size_t count = bus_.library_packet_num_;
        const std::size_t frame = bus_.packets_per_frame_;
        if (count == 0) {
            return 0;
        }
        return count >= frame ? 1 : frame - count;
    }
    bool start(QString* error) override {
        if (!bus_.startTransmit(handler_)) {
            *error = QStringLiteral("The DV transmission was aborted while the ring was filled.");
            return false;
        }
        return true;
    }
    bool iterate(int timeout_ms, QString* error) override {
        return bus_.serve(handler_, timeout_ms, error);
    }
    void wake() override {
        const std::lock_guard lock(bus_.mutex_);
        bus_.woken_ = true;
        bus_.changed_.notify_all();
    }
    bool reconnect(std::uint16_t node_id, QString* error) override {
        if (!pointToPoint()) {
            return true;
        }
        return bus_.reconnect(node_id, error);
    }

private:
    DvSimulatedBus& bus_;
    Dv1394TransmitHandler& handler_;
    const int channel_;
};

class DvSimulatedBus::Notices final : public Dv1394ResetNotices {
public:
    explicit Notices(DvSimulatedBus& bus) : bus_(bus), seen_(bus.generation_) {}

    bool wait(int timeout_ms) override {
        std::unique_lock lock(bus_.mutex_);
        bus_.changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                               [&] { return woken_ || bus_.generation_ != seen_; });
        woken_ = false;
        const bool reset = bus_.generation_ != seen_;
        seen_ = bus_.generation_;
        return reset;
    }
    void wake() override {
        const std::lock_guard lock(bus_.mutex_);
        woken_ = true;
        bus_.changed_.notify_all();
    }

private:
    DvSimulatedBus& bus_;
    std::uint64_t seen_;
    bool woken_ = false;
};

DvSimulatedBus::~DvSimulatedBus() {
    stopFreeRunning();
}

void DvSimulatedBus::setPortPresent(bool present) {
    const std::lock_guard lock(mutex_);
    port_present_ = present;
}

void DvSimulatedBus::setPermitted(bool permitted) {
    const std::lock_guard lock(mutex_);
    permitted_ = permitted;
}

void DvSimulatedBus::resetLocked() {
    ++generation_;
    // Connections survive a reset for one second, to be restored by their owner.
    for (Device& device : devices_) {
        if (device.channel >= 0 && device.reconnect_deadline == 0) {
            device.reconnect_deadline = cycle_ + kReconnectWindowCycles;
        }
    }
    if (transmit_ != nullptr && started_) {
        ++pending_resets_;
    }
    changed_.notify_all();
}

void DvSimulatedBus::plug(const DvSimulatedDevice& device) {
    const std::lock_guard lock(mutex_);
    devices_.push_back(Device{device});
    resetLocked();
}

void DvSimulatedBus::plug(std::uint64_t guid, const QString& label, bool has_tape_subunit,
                          bool plug_registers) {
    DvSimulatedDevice device;
    device.guid = guid;
    device.label = label;
    device.has_tape_subunit = has_tape_subunit;
    device.input_plugs = plug_registers ? 1 : 0;
    plug(device);
}

void DvSimulatedBus::unplug(std::uint64_t guid) {
    const std::lock_guard lock(mutex_);
    std::erase_if(devices_, [guid](const Device& device) { return device.config.guid == guid; });
    resetLocked();
}

void DvSimulatedBus::resetBus() {
    const std::lock_guard lock(mutex_);
    resetLocked();
}

void DvSimulatedBus::failConnects(int count) {
    const std::lock_guard lock(mutex_);
    fail_connects_ = count;
}

void DvSimulatedBus::failReconnects(int count) {
    const std::lock_guard lock(mutex_);
    fail_reconnects_ = count;
}

void DvSimulatedBus::failScans(int count) {
    const std::lock_guard lock(mutex_);
    fail_scans_ = count;
}

void DvSimulatedBus::holdScans(bool hold) {
    const std::lock_guard lock(mutex_);
    hold_scans_ = hold;
    changed_.notify_all();
}

void DvSimulatedBus::resetInNextBatch() {
    const std::lock_guard lock(mutex_);
    reset_in_batch_ = true;
}

void DvSimulatedBus::holdInterrupts(bool hold) {
    const std::lock_guard lock(mutex_);
    hold_interrupts_ = hold;
    changed_.notify_all();
}

std::uint16_t DvSimulatedBus::nodeIdLocked(std::size_t index) const {
    // Node 0 is the local node; the others move by one place on every reset.
    const auto place = 1 + (index + generation_) % 62;
    return static_cast<std::uint16_t>(0xffc0 | place);
}

DvSimulatedBus::Device* DvSimulatedBus::deviceLocked(std::uint64_t guid) {
    const auto found = std::find_if(devices_.begin(), devices_.end(),
                                    [guid](const Device& d) { return d.config.guid == guid; });
    return found == devices_.end() ? nullptr : &*found;
}

bool DvSimulatedBus::listensLocked(const Device& device, int channel) const {
    // An unconnected device listens on the broadcast channel.
    return channel == kBroadcastChannel ? device.channel < 0 : device.channel == channel;
}

Dv1394Scan DvSimulatedBus::scan() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !hold_scans_; });
    if (std::this_thread::get_id() == filling_thread_) {
        ++scans_inside_handler_;
    }
    Dv1394Scan scan;
    if (!port_present_) {
        scan.status = Dv1394ScanStatus::NoPort;
        scan.error = dv1394NoPortText();
        return scan;
    }
    if (!permitted_) {
        scan.status = Dv1394ScanStatus::NoAccess;
        scan.error = dv1394NoPermissionText();
        return scan;
    }
    if (fail_scans_ > 0) {
        --fail_scans_;
        scan.status = Dv1394ScanStatus::Incomplete;
        scan.error = QStringLiteral("The configuration ROMs could not be read.");
        return scan;
    }
    scan.status = Dv1394ScanStatus::Complete;
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        const DvSimulatedDevice& device = devices_[index].config;
        scan.nodes.push_back(
            Dv1394Node{device.guid, 0, nodeIdLocked(index), device.label, device.has_tape_subunit});
    }
    return scan;
}

std::unique_ptr<Dv1394Transmit> DvSimulatedBus::openTransmit(const Dv1394Node& node,
                                                             DvStandard standard,
                                                             Dv1394TransmitHandler& handler,
                                                             QString* error) {
    const std::lock_guard lock(mutex_);
    if (!port_present_) {
        *error = dv1394NoPortText();
        return nullptr;
    }
    if (transmit_ != nullptr) {
        *error = QStringLiteral("Only one DV transmission can run at a time.");
        return nullptr;
    }
    Device* const device = deviceLocked(node.guid);
    if (device == nullptr) {
        *error = dv1394NotConnectedText(node.guid);
        return nullptr;
    }
    if (device->config.input_plugs > 0 && !device->config.input_plug_online) {
        *error = dv1394RefusesDvText(device->config.label,
                                     dv1394InputPlugOfflineText(kOfflinePlugRegister));
        return nullptr;
    }
    int channel = kBroadcastChannel;
    if (device->config.input_plugs > 0) {
        if (fail_connects_ > 0) {
            --fail_connects_;
        } else {
            channel = 0;
            device->channel = channel;
            device->reconnect_deadline = 0;
        }
    }
    target_guid_ = node.guid;
    channel_ = channel;
    packets_per_frame_ = dvPacketsPerFrame(standard);
    cip_n_ = standard == DvStandard::Pal ? 1 : 68;
    cip_d_ = standard == DvStandard::Pal ? 16 : 1068;
    ring_.clear();
    since_interrupt_ = 0;
    interrupts_raised_ = 0;
    interrupts_served_ = 0;
    pending_resets_ = 0;
    pending_dropped_ = 0;
    woken_ = false;
    auto transmit = std::make_unique<Transmit>(*this, handler, channel);
    transmit_ = transmit.get();
    return transmit;
}

std::unique_ptr<Dv1394ResetNotices> DvSimulatedBus::resetNotices() {
    const std::lock_guard lock(mutex_);
    if (!port_present_) {
        return nullptr;
    }
    return std::make_unique<Notices>(*this);
}

bool DvSimulatedBus::fillPackets(Dv1394TransmitHandler& handler, std::size_t count) {
    std::unique_lock lock(mutex_);
    filling_thread_ = std::this_thread::get_id();
    const std::size_t reset_at = count / 2;
    bool ok = true;
    for (std::size_t i = 0; i < count && ok; ++i) {
        if (reset_in_batch_ && i == reset_at) {
            // The reset event is handled between two packets of the batch, on this thread.
            reset_in_batch_ = false;
            resetLocked();
            pending_resets_ = 0;
            ++resets_delivered_;
            lock.unlock();
            handler.busReset();
            lock.lock();
        }
        // The library's transmit handler: the stamp goes on the packet at frame count 0, and
        // its num/denom accumulator decides between data and empty packets.
        Slot slot;
        const bool stamp = library_packet_num_ == 0;
        if (library_cip_accum_ > cip_d_ - cip_n_) {
            library_cip_accum_ -= cip_d_ - cip_n_;
        } else {
            slot.data = true;
            library_cip_accum_ += cip_n_;
            if (++library_packet_num_ >= packets_per_frame_) {
                library_packet_num_ = 0;
            }
        }
        slot.frame_stamp = stamp && slot.data;
        const unsigned dropped = std::exchange(pending_dropped_, 0);
        lock.unlock();
        ok = handler.fillPacket(slot.bytes.data(), slot.data, dropped);
        lock.lock();
        if (ok && transmit_ != nullptr) {
            ring_.push_back(slot);
        }
    }
    filling_thread_ = {};
    return ok;
}

bool DvSimulatedBus::startTransmit(Dv1394TransmitHandler& handler) {
    if (!fillPackets(handler, kRingPackets)) {
        return false;
    }
    const std::lock_guard lock(mutex_);
    started_ = true;
    changed_.notify_all();
    return true;
}

bool DvSimulatedBus::serve(Dv1394TransmitHandler& handler, int timeout_ms, QString* error) {
    std::unique_lock lock(mutex_);
    const auto interrupted = [&] {
        return interrupts_raised_ != interrupts_served_ && !hold_interrupts_;
    };
    changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                      [&] { return woken_ || pending_resets_ > 0 || interrupted(); });
    woken_ = false;
    if (const std::size_t resets = std::exchange(pending_resets_, 0); resets > 0) {
        lock.unlock();
        for (std::size_t i = 0; i < resets; ++i) {
            handler.busReset();
        }
        lock.lock();
        resets_delivered_ += resets;
    }
    if (!interrupted()) {
        return true;
    }
    // One wake-up refills every free slot, however many interrupts came meanwhile.
    const std::uint64_t raised = interrupts_raised_;
    const std::size_t free_slots = kRingPackets - ring_.size();
    lock.unlock();
    const bool ok = fillPackets(handler, free_slots);
    lock.lock();
    interrupts_served_ = raised;
    changed_.notify_all();
    if (!ok) {
        *error = QStringLiteral("The DV transmission was aborted.");
    }
    return ok;
}

bool DvSimulatedBus::reconnect(std::uint16_t node_id, QString* error) {
    const std::lock_guard lock(mutex_);
    Device* device = nullptr;
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        if (nodeIdLocked(index) == node_id) {
            device = &devices_[index];
        }
    }
    if (device == nullptr || device->config.guid != target_guid_) {
        *error =
            QStringLiteral("No device of the transmission answers at node %1.").arg(node_id & 0x3f);
        return false;
    }
    if (fail_reconnects_ > 0) {
        --fail_reconnects_;
        *error = QStringLiteral("\"%1\" did not take the connection back on channel %2.")
                     .arg(device->config.label)
                     .arg(channel_);
        return false;
    }
    device->channel = channel_;
    device->reconnect_deadline = 0;
    ++reconnects_;
    return true;
}

void DvSimulatedBus::endTransmit() {
    const std::lock_guard lock(mutex_);
    // Closing disconnects; what is still in the ring never goes out.
    if (Device* const device = deviceLocked(target_guid_)) {
        device->channel = -1;
        device->reconnect_deadline = 0;
    }
    ring_.clear();
    transmit_ = nullptr;
    started_ = false;
    channel_ = -1;
    changed_.notify_all();
}

void DvSimulatedBus::deliverLocked(const Slot& slot) {
    if (!slot.data) {
        return;
    }
    ++wire_packets_;
    if (slot.frame_stamp != isFrameStart(slot.bytes.data())) {
        ++misaligned_;
    }
    const Device* const device = deviceLocked(target_guid_);
    if (device != nullptr && listensLocked(*device, channel_)) {
        received_.insert(received_.end(), slot.bytes.begin(), slot.bytes.end());
    }
}

bool DvSimulatedBus::runCyclesLocked(std::unique_lock<std::mutex>& lock, std::size_t cycles,
                                     std::size_t data_packets) {
    if (transmit_ == nullptr || !started_) {
        return false;
    }
    std::size_t cycles_run = 0;
    std::size_t data_sent = 0;
    // With interrupts held the ring may stay empty: a data packet count is then unreachable.
    const std::size_t cycle_limit = data_packets * 2 + 2 * kRingPackets;
    while (data_packets > 0 ? data_sent < data_packets : cycles_run < cycles) {
        if (transmit_ == nullptr || !started_ || (data_packets > 0 && cycles_run > cycle_limit)) {
            return false;
        }
        // Interrupts held earlier and released now: the I/O thread refills before the bus goes
        // on, as a thread that keeps up would have.
        if (!hold_interrupts_ && interrupts_served_ < interrupts_raised_) {
            const std::uint64_t raised = interrupts_raised_;
            if (!changed_.wait_for(lock, kServeDeadline, [&] {
                    return interrupts_served_ >= raised || transmit_ == nullptr || hold_interrupts_;
                })) {
                return false;
            }
            continue;
        }
        ++cycles_run;
        ++cycle_;
        for (Device& device : devices_) {
            if (device.reconnect_deadline != 0 && cycle_ > device.reconnect_deadline) {
                device.channel = -1;
                device.reconnect_deadline = 0;
                ++connections_expired_;
            }
        }
        if (ring_.empty()) {
            ++dropped_cycles_;
            ++pending_dropped_;
            continue;
        }
        const Slot slot = ring_.front();
        ring_.pop_front();
        deliverLocked(slot);
        data_sent += slot.data ? 1 : 0;
        if (++since_interrupt_ < kInterruptPackets) {
            continue;
        }
        since_interrupt_ = 0;
        const std::uint64_t raised = ++interrupts_raised_;
        changed_.notify_all();
        if (!hold_interrupts_ && !changed_.wait_for(lock, kServeDeadline, [&] {
                return interrupts_served_ >= raised || transmit_ == nullptr || hold_interrupts_;
            })) {
            return false;
        }
    }
    return true;
}

bool DvSimulatedBus::runCycles(std::size_t cycles) {
    std::unique_lock lock(mutex_);
    return runCyclesLocked(lock, cycles, 0);
}

bool DvSimulatedBus::runDataPackets(std::size_t packets) {
    std::unique_lock lock(mutex_);
    return runCyclesLocked(lock, 0, packets);
}

void DvSimulatedBus::startFreeRunning(int speedup) {
    std::unique_lock lock(mutex_);
    if (free_running_) {
        return;
    }
    free_running_ = true;
    // One interrupt's worth of cycles lasts 31.25 ms on a real bus.
    const auto pause =
        speedup > 0 ? std::chrono::microseconds(31250 / speedup) : std::chrono::microseconds(0);
    free_runner_ = std::thread([this, pause] {
        std::unique_lock run_lock(mutex_);
        while (free_running_) {
            if (transmit_ == nullptr || !started_) {
                changed_.wait(run_lock,
                              [&] { return !free_running_ || (transmit_ != nullptr && started_); });
                continue;
            }
            runCyclesLocked(run_lock, kInterruptPackets, 0);
            // Let other users of the bus in between two interrupts.
            changed_.wait_for(run_lock, pause, [&] { return !free_running_; });
        }
    });
}

void DvSimulatedBus::stopFreeRunning() {
    {
        const std::lock_guard lock(mutex_);
        if (!free_running_) {
            return;
        }
        free_running_ = false;
        changed_.notify_all();
    }
    free_runner_.join();
}

std::vector<std::uint8_t> DvSimulatedBus::takeReceived() {
    const std::lock_guard lock(mutex_);
    return std::exchange(received_, {});
}

std::size_t DvSimulatedBus::receivedBytes() const {
    const std::lock_guard lock(mutex_);
    return received_.size();
}

std::uint64_t DvSimulatedBus::wirePackets() const {
    const std::lock_guard lock(mutex_);
    return wire_packets_;
}

bool DvSimulatedBus::transmitting() const {
    const std::lock_guard lock(mutex_);
    return transmit_ != nullptr && started_;
}

int DvSimulatedBus::transmitChannel() const {
    const std::lock_guard lock(mutex_);
    return channel_;
}

std::size_t DvSimulatedBus::resetsDelivered() const {
    const std::lock_guard lock(mutex_);
    return resets_delivered_;
}

std::size_t DvSimulatedBus::misalignedPackets() const {
    const std::lock_guard lock(mutex_);
    return misaligned_;
}

std::uint64_t DvSimulatedBus::droppedCycles() const {
    const std::lock_guard lock(mutex_);
    return dropped_cycles_;
}

std::size_t DvSimulatedBus::reconnects() const {
    const std::lock_guard lock(mutex_);
    return reconnects_;
}

std::size_t DvSimulatedBus::connectionsExpired() const {
    const std::lock_guard lock(mutex_);
    return connections_expired_;
}

std::size_t DvSimulatedBus::scansInsideHandler() const {
    const std::lock_guard lock(mutex_);
    return scans_inside_handler_;
}

} // namespace platform

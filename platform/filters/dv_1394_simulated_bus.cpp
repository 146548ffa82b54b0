#include "platform/filters/dv_1394_simulated_bus.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace platform {

namespace {

constexpr int kBroadcastChannel = 63;
// Guards a test against a stopped I/O thread; never reached when the output runs.
constexpr auto kCommandDeadline = std::chrono::seconds(30);

// Empty packets per cycles: PAL 1 in 16; NTSC 68 in 1068 (29.9625 frames/s).
struct CyclePattern {
    int empty;
    int cycles;
};

CyclePattern cyclePattern(DvStandard standard) {
    return standard == DvStandard::Pal ? CyclePattern{1, 16} : CyclePattern{68, 1068};
}

} // namespace

class DvSimulatedBus::Transmit final : public Dv1394Transmit {
public:
    Transmit(DvSimulatedBus& bus, Dv1394TransmitHandler& handler, int channel)
        : bus_(bus), handler_(handler), channel_(channel) {}

    ~Transmit() override {
        const std::lock_guard lock(bus_.mutex_);
        bus_.transmit_ = nullptr;
        bus_.started_ = false;
        bus_.channel_ = -1;
        bus_.changed_.notify_all();
    }

    int channel() const override { return channel_; }
    bool pointToPoint() const override { return channel_ != kBroadcastChannel; }

    bool start(QString* /*error*/) override {
        const std::lock_guard lock(bus_.mutex_);
        bus_.started_ = true;
        bus_.changed_.notify_all();
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

    bool reconnect(std::uint16_t /*node_id*/, QString* /*error*/) override { return true; }

private:
    DvSimulatedBus& bus_;
    Dv1394TransmitHandler& handler_;
    int channel_;
};

DvSimulatedBus::~DvSimulatedBus() = default;

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
    if (transmit_ != nullptr && started_) {
        ++pending_resets_;
        changed_.notify_all();
    }
}

void DvSimulatedBus::plug(std::uint64_t guid, const QString& label, bool accepts_dv_input,
                          bool connectable) {
    {
        const std::lock_guard lock(mutex_);
        devices_.push_back(Device{guid, label, accepts_dv_input, connectable});
        resetLocked();
    }
    runCommand(Command{});
}

void DvSimulatedBus::unplug(std::uint64_t guid) {
    {
        const std::lock_guard lock(mutex_);
        std::erase_if(devices_, [guid](const Device& device) { return device.guid == guid; });
        resetLocked();
    }
    runCommand(Command{});
}

void DvSimulatedBus::resetBus() {
    {
        const std::lock_guard lock(mutex_);
        resetLocked();
    }
    runCommand(Command{});
}

std::uint16_t DvSimulatedBus::nodeIdLocked(std::size_t index) const {
    // Node 0 is the local node; the others move by one place on every reset.
    const auto place = 1 + (index + generation_) % 62;
    return static_cast<std::uint16_t>(0xffc0 | place);
}

bool DvSimulatedBus::scan(std::vector<Dv1394Node>& nodes, QString* error) {
    const std::lock_guard lock(mutex_);
    nodes.clear();
    if (!port_present_) {
        *error = dv1394NoPortText();
        return false;
    }
    if (!permitted_) {
        *error = dv1394NoPermissionText();
        return false;
    }
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        const Device& device = devices_[index];
        nodes.push_back(
            Dv1394Node{device.guid, 0, nodeIdLocked(index), device.label, device.accepts_dv_input});
    }
    return true;
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
    const auto device = std::find_if(devices_.begin(), devices_.end(),
                                     [&](const Device& d) { return d.guid == node.guid; });
    if (device == devices_.end()) {
        *error = dv1394NotConnectedText(node.guid);
        return nullptr;
    }
    channel_ = device->connectable ? 0 : kBroadcastChannel;
    standard_ = standard;
    cycle_accumulator_ = 0;
    auto transmit = std::make_unique<Transmit>(*this, handler, channel_);
    transmit_ = transmit.get();
    return transmit;
}

bool DvSimulatedBus::runCommand(Command command) {
    std::unique_lock lock(mutex_);
    if (transmit_ == nullptr || !started_) {
        return false;
    }
    command.id = next_command_id_++;
    commands_.push_back(command);
    changed_.notify_all();
    const bool done = changed_.wait_for(lock, kCommandDeadline, [&] {
        return done_command_id_ >= command.id || transmit_ == nullptr || !started_;
    });
    return done && done_command_id_ >= command.id;
}

bool DvSimulatedBus::runCycles(std::size_t cycles) {
    Command command;
    command.cycles = cycles;
    return runCommand(command);
}

bool DvSimulatedBus::runDataPackets(std::size_t packets) {
    Command command;
    command.data_packets = packets;
    return runCommand(command);
}

bool DvSimulatedBus::serve(Dv1394TransmitHandler& handler, int timeout_ms, QString* error) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                      [&] { return woken_ || pending_resets_ > 0 || !commands_.empty(); });
    woken_ = false;
    const std::size_t resets = std::exchange(pending_resets_, 0);
    if (resets > 0) {
        lock.unlock();
        for (std::size_t i = 0; i < resets; ++i) {
            handler.busReset();
        }
        lock.lock();
        resets_delivered_ += resets;
    }
    if (commands_.empty()) {
        return true;
    }
    const Command command = commands_.front();
    commands_.pop_front();
    const CyclePattern pattern = cyclePattern(standard_);
    int accumulator = cycle_accumulator_;
    lock.unlock();

    std::array<std::uint8_t, kDvPacketBytes> packet = {};
    std::vector<std::uint8_t> sent;
    std::size_t cycles = 0;
    std::size_t data_packets = 0;
    bool ok = true;
    while (ok && (command.data_packets > 0 ? data_packets < command.data_packets
                                           : cycles < command.cycles)) {
        accumulator += pattern.empty;
        const bool data = accumulator < pattern.cycles;
        if (!data) {
            accumulator -= pattern.cycles;
        }
        ok = handler.fillPacket(packet.data(), data);
        if (ok && data) {
            sent.insert(sent.end(), packet.begin(), packet.end());
            ++data_packets;
        }
        ++cycles;
    }

    lock.lock();
    cycle_accumulator_ = accumulator;
    received_.insert(received_.end(), sent.begin(), sent.end());
    done_command_id_ = command.id;
    changed_.notify_all();
    if (!ok) {
        *error = QStringLiteral("The DV transmission was aborted.");
        return false;
    }
    return true;
}

std::vector<std::uint8_t> DvSimulatedBus::takeReceived() {
    const std::lock_guard lock(mutex_);
    return std::exchange(received_, {});
}

std::size_t DvSimulatedBus::receivedBytes() const {
    const std::lock_guard lock(mutex_);
    return received_.size();
}

int DvSimulatedBus::transmitChannel() const {
    const std::lock_guard lock(mutex_);
    return channel_;
}

std::size_t DvSimulatedBus::resetsDelivered() const {
    const std::lock_guard lock(mutex_);
    return resets_delivered_;
}

} // namespace platform

#pragma once

#include "platform/filters/dv_1394_bus.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

// A simulated IEEE 1394 bus for tests: devices are plugged and unplugged on command (each a bus
// reset that renumbers the nodes, GUIDs stay), and the open transmission is driven cycle by
// cycle on command, with the real packet pattern (PAL: 15 data packets in 16 cycles, 300 per
// frame; NTSC: 1000 in 1068 cycles, 250 per frame). Packets are asked for on the thread that
// calls Dv1394Transmit::iterate, as on the real bus.
namespace platform {

class DvSimulatedBus final : public Ieee1394Bus {
public:
    DvSimulatedBus() = default;
    ~DvSimulatedBus() override;
    DvSimulatedBus(const DvSimulatedBus&) = delete;
    DvSimulatedBus& operator=(const DvSimulatedBus&) = delete;

    // Whether the machine has a port (default true).
    void setPortPresent(bool present);
    // Whether /dev/fw* can be opened (default true); false makes scans fail as for permissions.
    void setPermitted(bool permitted);
    // Plugs a device in (a bus reset). `connectable` false makes the point-to-point connection
    // fail, so that the transmission falls back to the broadcast channel.
    void plug(std::uint64_t guid, const QString& label, bool accepts_dv_input = true,
              bool connectable = true);
    // Unplugs a device (a bus reset).
    void unplug(std::uint64_t guid);
    // A bus reset without a change of devices; node ids still change.
    void resetBus();

    // Runs isochronous cycles on the started transmission and returns when the I/O thread has
    // handled them (and any pending bus reset). False when no transmission is running.
    bool runCycles(std::size_t cycles);
    // Runs cycles until `packets` data packets went out.
    bool runDataPackets(std::size_t packets);

    // What went over the bus, byte for byte, since the last takeReceived().
    std::vector<std::uint8_t> takeReceived();
    std::size_t receivedBytes() const;
    int transmitChannel() const;
    std::size_t resetsDelivered() const;

    bool scan(std::vector<Dv1394Node>& nodes, QString* error) override;
    std::unique_ptr<Dv1394Transmit> openTransmit(const Dv1394Node& node, DvStandard standard,
                                                 Dv1394TransmitHandler& handler,
                                                 QString* error) override;

private:
    class Transmit;
    friend class Transmit;
    struct Device {
        std::uint64_t guid;
        QString label;
        bool accepts_dv_input;
        bool connectable;
    };
    struct Command {
        std::size_t cycles = 0;
        std::size_t data_packets = 0;
        std::uint64_t id = 0;
    };

    void resetLocked();
    bool runCommand(Command command);
    std::uint16_t nodeIdLocked(std::size_t index) const;
    // Called by the transmission on its I/O thread.
    bool serve(Dv1394TransmitHandler& handler, int timeout_ms, QString* error);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool port_present_ = true;
    bool permitted_ = true;
    std::vector<Device> devices_;
    unsigned generation_ = 0;
    Transmit* transmit_ = nullptr;
    bool started_ = false;
    bool woken_ = false;
    DvStandard standard_ = DvStandard::Pal;
    int channel_ = -1;
    std::size_t pending_resets_ = 0;
    std::size_t resets_delivered_ = 0;
    std::deque<Command> commands_;
    std::uint64_t next_command_id_ = 1;
    std::uint64_t done_command_id_ = 0;
    // Running position in the cycle pattern.
    int cycle_accumulator_ = 0;
    std::vector<std::uint8_t> received_;
};

} // namespace platform

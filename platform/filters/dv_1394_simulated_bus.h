#pragma once

#include "platform/filters/dv_1394_bus.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

// A simulated IEEE 1394 bus for tests, modelled on what libraw1394 and libiec61883 do on a real
// one:
//   * devices are plugged and unplugged on command, each a bus reset that renumbers the nodes
//     (GUIDs stay); a reset clears point-to-point connections that are not restored within a
//     second (8000 cycles);
//   * the transmission has a ring of 1000 packets that start() fills at once (the prefill);
//     each cycle takes one packet from the ring to the wire, and after every 250 packets the
//     I/O thread is woken and asked for every free slot at once (interrupt batching); a cycle
//     that finds the ring empty is dropped and reported with the next packet;
//   * the library's packet pattern (PAL 15 data packets in 16 cycles, NTSC 1000 in 1068) and its
//     frame packet counter, which stamps the packet at count 0 as a frame start and carries over
//     from one transmission to the next as the library's static variables do;
//   * connections fall back to the broadcast channel when the device has no plug registers or
//     the resource manager has no room, and a device with its input plug offline refuses;
//   * failures on command: incomplete scans, failed reconnects, a reset delivered while the
//     handler fills packets.
// Cycles run when a test asks (runCycles) or continuously on a thread (startFreeRunning).
namespace platform {

struct DvSimulatedDevice {
    std::uint64_t guid = 0;
    QString label;
    bool has_tape_subunit = true;
    // Input plug registers; 0: none, the device listens on the broadcast channel.
    int input_plugs = 1;
    // An offline input plug: the device takes no stream (a camcorder in camera mode).
    bool input_plug_online = true;
};

class DvSimulatedBus final : public Ieee1394Bus {
public:
    static constexpr std::size_t kRingPackets = 1000;
    static constexpr std::size_t kInterruptPackets = 250;
    static constexpr std::uint64_t kReconnectWindowCycles = 8000;

    DvSimulatedBus() = default;
    ~DvSimulatedBus() override;
    DvSimulatedBus(const DvSimulatedBus&) = delete;
    DvSimulatedBus& operator=(const DvSimulatedBus&) = delete;

    // Whether the machine has a port (default true).
    void setPortPresent(bool present);
    // Whether /dev/fw* can be opened (default true); false makes scans fail for permissions.
    void setPermitted(bool permitted);
    // Plugs a device in (a bus reset).
    void plug(const DvSimulatedDevice& device);
    // Shorthand: `plug_registers` false leaves the device without input plugs.
    void plug(std::uint64_t guid, const QString& label, bool has_tape_subunit = true,
              bool plug_registers = true);
    // Unplugs a device (a bus reset).
    void unplug(std::uint64_t guid);
    // A bus reset without a change of devices; node ids still change.
    void resetBus();

    // The next `count` connections find no bandwidth at the resource manager.
    void failConnects(int count);
    // The next `count` reconnections after a reset fail.
    void failReconnects(int count);
    // The next `count` scans cannot read the configuration ROMs (incomplete, no devices).
    void failScans(int count);
    // While held, scans wait until released (a slow bus scan).
    void holdScans(bool hold);
    // The next reset arrives while the I/O thread is filling packets.
    void resetInNextBatch();
    // While held, the I/O thread is not woken: the ring runs dry and cycles are dropped.
    void holdInterrupts(bool hold);

    // Runs isochronous cycles; returns once the I/O thread has refilled the ring at each
    // interrupt (unless held). False when no transmission runs (or it ended meanwhile).
    bool runCycles(std::size_t cycles);
    // Runs cycles until `packets` data packets went out on the wire.
    bool runDataPackets(std::size_t packets);
    // Runs cycles on a thread of the bus until stopped, whenever a transmission runs, at
    // `speedup` times the speed of a real bus (0: as fast as the I/O thread keeps up).
    void startFreeRunning(int speedup = 32);
    void stopFreeRunning();

    // What the device of the transmission received, byte for byte, since the last call.
    std::vector<std::uint8_t> takeReceived();
    std::size_t receivedBytes() const;
    // Data packets on the wire in all (received or not).
    std::uint64_t wirePackets() const;
    bool transmitting() const;
    int transmitChannel() const;
    std::size_t resetsDelivered() const;
    // Data packets whose frame-start stamp did not match their content (a frame's first
    // packet without the stamp, or the stamp on another packet).
    std::size_t misalignedPackets() const;
    std::uint64_t droppedCycles() const;
    std::size_t reconnects() const;
    // Connections dropped because they were not restored within a second of a reset.
    std::size_t connectionsExpired() const;
    // Scans made from inside the packet handler (they hold up the transmission).
    std::size_t scansInsideHandler() const;

    Dv1394Scan scan() override;
    std::unique_ptr<Dv1394Transmit> openTransmit(const Dv1394Node& node, DvStandard standard,
                                                 Dv1394TransmitHandler& handler,
                                                 QString* error) override;
    std::unique_ptr<Dv1394ResetNotices> resetNotices() override;

private:
    class Transmit;
    class Notices;
    friend class Transmit;
    friend class Notices;

    struct Device {
        DvSimulatedDevice config;
        // The channel of its point-to-point connection, or -1 (it listens on broadcast).
        int channel = -1;
        // Cycle by which a connection must be restored after a reset, 0 when none pending.
        std::uint64_t reconnect_deadline = 0;
    };
    struct Slot {
        bool data = false;
        bool frame_stamp = false;
        std::array<std::uint8_t, kDvPacketBytes> bytes = {};
    };

    void resetLocked();
    std::uint16_t nodeIdLocked(std::size_t index) const;
    Device* deviceLocked(std::uint64_t guid);
    bool listensLocked(const Device& device, int channel) const;
    void deliverLocked(const Slot& slot);
    // Asks the handler for `count` packets (on the calling thread).
    bool fillPackets(Dv1394TransmitHandler& handler, std::size_t count);
    bool startTransmit(Dv1394TransmitHandler& handler);
    // The I/O thread's side of Dv1394Transmit::iterate.
    bool serve(Dv1394TransmitHandler& handler, int timeout_ms, QString* error);
    bool reconnect(std::uint16_t node_id, QString* error);
    void endTransmit();
    bool runCyclesLocked(std::unique_lock<std::mutex>& lock, std::size_t cycles,
                         std::size_t data_packets);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool port_present_ = true;
    bool permitted_ = true;
    std::vector<Device> devices_;
    std::uint64_t generation_ = 0;
    int fail_connects_ = 0;
    int fail_reconnects_ = 0;
    int fail_scans_ = 0;
    bool hold_scans_ = false;
    bool reset_in_batch_ = false;
    bool hold_interrupts_ = false;
    std::thread::id filling_thread_;
    std::size_t scans_inside_handler_ = 0;

    // The transmission.
    Transmit* transmit_ = nullptr;
    bool started_ = false;
    bool woken_ = false;
    std::uint64_t target_guid_ = 0;
    int channel_ = -1;
    std::size_t packets_per_frame_ = 300;
    int cip_n_ = 1;
    int cip_d_ = 16;
    std::deque<Slot> ring_;
    std::size_t since_interrupt_ = 0;
    std::uint64_t interrupts_raised_ = 0;
    std::uint64_t interrupts_served_ = 0;
    std::size_t pending_resets_ = 0;
    unsigned pending_dropped_ = 0;

    // The library's static counters: they outlive transmissions.
    std::size_t library_packet_num_ = 0;
    int library_cip_accum_ = 0;

    // What happened on the wire.
    std::uint64_t cycle_ = 0;
    std::uint64_t wire_packets_ = 0;
    std::vector<std::uint8_t> received_;
    std::size_t resets_delivered_ = 0;
    std::size_t misaligned_ = 0;
    std::uint64_t dropped_cycles_ = 0;
    std::size_t reconnects_ = 0;
    std::size_t connections_expired_ = 0;

    std::thread free_runner_;
    bool free_running_ = false;
};

} // namespace platform

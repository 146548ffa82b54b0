#pragma once

#include "platform/filters/dv_format.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The low-level IEEE 1394 services the DV camcorder output needs, behind one small interface:
// the real bus over libraw1394/librom1394/libavc1394/libiec61883, and a simulated bus for tests.
namespace platform {

// An AV/C device on the bus. The GUID is its identity; node ids change with every bus reset.
struct Dv1394Node {
    std::uint64_t guid = 0;
    int port = 0;
    std::uint16_t node_id = 0;
    // Friendly name from the configuration ROM's text leaves.
    QString label;
    // Whether the device reports a tape subunit (a camcorder in VCR mode, a deck). Devices
    // without one (a camcorder in camera mode, a DV-to-analogue bridge) are tried all the same.
    bool has_tape_subunit = false;
};

enum class Dv1394ScanStatus {
    // Every node of every port answered: a device that is not listed is not on the bus.
    Complete,
    // Some node could not be read (a reset during the scan, a busy device): a device that is
    // not listed may still be there.
    Incomplete,
    NoPort,
    NoAccess,
};

struct Dv1394Scan {
    Dv1394ScanStatus status = Dv1394ScanStatus::NoPort;
    std::vector<Dv1394Node> nodes;
    // The plain reason when the scan failed or is incomplete.
    QString error;

    bool succeeded() const {
        return status == Dv1394ScanStatus::Complete || status == Dv1394ScanStatus::Incomplete;
    }
    const Dv1394Node* find(std::uint64_t guid) const;
    // Whether the scan proves the device present (true) or absent (false); nothing when it
    // cannot tell. Without a port no device is present.
    std::optional<bool> presence(std::uint64_t guid) const;
};

// Called on the I/O thread from inside Dv1394Transmit::iterate (and on the thread that calls
// start, for the packets that fill the transmit ring).
class Dv1394TransmitHandler {
public:
    // One isochronous cycle: `data` takes kDvPacketBytes when `data_packet`, nothing otherwise.
    // `dropped_cycles` counts the cycles that went out empty since the last call because the
    // ring had run dry. Return false to abort the transmission.
    virtual bool fillPacket(std::uint8_t* data, bool data_packet, unsigned dropped_cycles) = 0;
    // The bus was reset (a device came or went); node ids may have changed and point-to-point
    // connections must be restored within a second. Called between two packets: return at once.
    virtual void busReset() = 0;

protected:
    ~Dv1394TransmitHandler() = default;
};

// One isochronous DV transmission to one device.
class Dv1394Transmit {
public:
    virtual ~Dv1394Transmit() = default;

    // The isochronous channel: the point-to-point connection's, or broadcast 63.
    virtual int channel() const = 0;
    virtual bool pointToPoint() const = 0;
    // Packets the transmit ring holds: a packet filled now is on the wire once the handler
    // has filled this many more.
    virtual std::size_t ringPackets() const = 0;
    // The IEEE 1394 library counts data packets per frame in process-wide variables that carry
    // over from one transmission to the next, and stamps the first packet of each frame by that
    // count. This is how many data packets must go out before its count is at a frame start.
    virtual std::size_t packetsBeforeFrameStart() const = 0;
    // Starts sending; the bus asks for the packets of the whole ring during this call.
    virtual bool start(QString* error) = 0;
    // Waits up to `timeout_ms` for the bus and lets it ask for packets and report resets.
    // Gives false and an error text when the transmission failed for good.
    virtual bool iterate(int timeout_ms, QString* error) = 0;
    // Makes a waiting iterate() return at once; callable from any thread.
    virtual void wake() = 0;
    // Restores the point-to-point connection after a bus reset, to the device's new node id.
    // Callable from any thread while the transmission runs (it uses a handle of its own).
    virtual bool reconnect(std::uint16_t node_id, QString* error) = 0;
};

// Notices of bus resets, for a thread that watches devices.
class Dv1394ResetNotices {
public:
    virtual ~Dv1394ResetNotices() = default;
    // Waits up to `timeout_ms`; true when the bus was reset since the last call.
    virtual bool wait(int timeout_ms) = 0;
    // Makes a waiting wait() return at once; callable from any thread.
    virtual void wake() = 0;
};

class Ieee1394Bus {
public:
    virtual ~Ieee1394Bus() = default;

    // The AV/C devices on all ports.
    virtual Dv1394Scan scan() = 0;
    // Connects to the device and prepares a transmission (not started). Only one transmission
    // can exist at a time in a process. Fails with the device's answer when it refuses DV
    // input; a device without plug registers is sent to on the broadcast channel.
    virtual std::unique_ptr<Dv1394Transmit> openTransmit(const Dv1394Node& node,
                                                         DvStandard standard,
                                                         Dv1394TransmitHandler& handler,
                                                         QString* error) = 0;
    // Bus reset notices, or null when there are none to be had (no port, or the node of the
    // card itself cannot be opened); callers then rescan now and then.
    virtual std::unique_ptr<Dv1394ResetNotices> resetNotices() = 0;
};

// The plain error texts of the IEEE 1394 output.
QString dv1394NoPortText();
QString dv1394NoPermissionText();
QString dv1394RefusesDvText(const QString& device_label, const QString& answer);
// The answer of a device whose every input plug is offline; `plug_register` is its iPCR[0].
QString dv1394InputPlugOfflineText(std::uint32_t plug_register);
QString dv1394NotConnectedText(std::uint64_t guid);

// The real bus over the system's IEEE 1394 libraries.
std::unique_ptr<Ieee1394Bus> createSystemIeee1394Bus();

} // namespace platform

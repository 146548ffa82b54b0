#pragma once

#include "platform/filters/dv_format.h"

#include <QString>

#include <cstdint>
#include <memory>
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
    // Whether the device has a tape subunit that records DV from the bus.
    bool accepts_dv_input = false;
};

// Called on the I/O thread from inside Dv1394Transmit::iterate (and start, for the first
// packets).
class Dv1394TransmitHandler {
public:
    // One isochronous cycle: `data` takes kDvPacketBytes when `data_packet`, nothing otherwise.
    // Return false to abort the transmission.
    virtual bool fillPacket(std::uint8_t* data, bool data_packet) = 0;
    // The bus was reset (a device came or went); node ids may have changed.
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
    // Starts sending; the bus asks for its first packets during this call.
    virtual bool start(QString* error) = 0;
    // Waits up to `timeout_ms` for the bus and lets it ask for packets and report resets.
    // Gives false and an error text when the transmission failed for good.
    virtual bool iterate(int timeout_ms, QString* error) = 0;
    // Makes a waiting iterate() return at once; callable from any thread.
    virtual void wake() = 0;
    // Restores the point-to-point connection after a bus reset, to the device's new node id.
    virtual bool reconnect(std::uint16_t node_id, QString* error) = 0;
};

class Ieee1394Bus {
public:
    virtual ~Ieee1394Bus() = default;

    // The AV/C devices on all ports. Gives false and a plain error text when there is no
    // IEEE 1394 port or no permission to use it.
    virtual bool scan(std::vector<Dv1394Node>& nodes, QString* error) = 0;
    // Connects to the device and prepares a transmission (not started). Only one transmission
    // can exist at a time in a process.
    virtual std::unique_ptr<Dv1394Transmit> openTransmit(const Dv1394Node& node,
                                                         DvStandard standard,
                                                         Dv1394TransmitHandler& handler,
                                                         QString* error) = 0;
};

// The plain error texts of the IEEE 1394 output.
QString dv1394NoPortText();
QString dv1394NoPermissionText();
QString dv1394RefusesDvText(const QString& device_label);
QString dv1394NotConnectedText(std::uint64_t guid);

// The real bus over the system's IEEE 1394 libraries.
std::unique_ptr<Ieee1394Bus> createSystemIeee1394Bus();

} // namespace platform

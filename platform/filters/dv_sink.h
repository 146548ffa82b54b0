#pragma once

#include "platform/filters/dv_format.h"

#include <QString>

#include <cstdint>
#include <span>

// Where complete DV frames go: a camcorder on the IEEE 1394 bus, a file, the monitor.
namespace platform {

enum class DvSinkPacing {
    // The device takes frames at its own rate: pushFrame waits while the device's queue is full.
    Device,
    // The caller presents frames on a reference clock (the sink waits through its pacer).
    ReferenceClock,
    // Frames are taken as fast as they come.
    AsFastAsPossible,
};

class DvSink {
public:
    virtual ~DvSink() = default;

    virtual DvStandard standard() const = 0;
    virtual DvSinkPacing pacing() const = 0;
    // Hands over one complete DV frame (dvFrameBytes(standard()) bytes). Gives false and an
    // error text when the frame is malformed or the sink has failed or stopped.
    virtual bool pushFrame(std::span<const std::uint8_t> frame, QString* error) = 0;
    // Frames put out so far (sent or written), repeated frames included.
    virtual std::uint64_t framesOut() const = 0;
};

// Checks that a buffer is one whole DV frame of a standard; sets an error text if not.
inline bool isWholeDvFrame(std::span<const std::uint8_t> frame, DvStandard standard,
                           QString* error) {
    if (frame.size() != dvFrameBytes(standard)) {
        *error = QStringLiteral("A DV frame of %1 bytes was expected, not %2.")
                     .arg(dvFrameBytes(standard))
                     .arg(frame.size());
        return false;
    }
    if (dvStandardOfFrame(frame.data()) != standard) {
        *error =
            QStringLiteral("The DV frame is %1, the output is %2.")
                .arg(standard == DvStandard::Pal ? QStringLiteral("NTSC") : QStringLiteral("PAL"),
                     standard == DvStandard::Pal ? QStringLiteral("PAL") : QStringLiteral("NTSC"));
        return false;
    }
    return true;
}

} // namespace platform

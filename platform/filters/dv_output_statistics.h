#pragma once

#include <cstdint>

namespace platform {

// What a DV output did with the frames it was given, counted since the output last started.
struct DvOutputStatistics {
    // Frames that reached the device, the window or the file, repeats included.
    std::int64_t framesDelivered = 0;
    // Slots filled with the previous picture because the next frame had not arrived in time.
    std::int64_t framesRepeated = 0;
    // Frames that arrived after the moment they should have been shown.
    std::int64_t framesLate = 0;
};

// Offered by the DV device filters (camcorder, DV Monitor, DV File Recorder); callable from
// any thread.
class IDvOutputStatistics {
public:
    virtual ~IDvOutputStatistics() = default;
    virtual DvOutputStatistics GetOutputStatistics() const = 0;
};

} // namespace platform

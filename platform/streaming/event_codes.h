#pragma once

#include <cstdint>

namespace platform {

// Parameter of a graph event: a number, or the identity of an object (an IBaseFilter*) that the
// event queue keeps alive until FreeEventParams.
using LONG_PTR = std::intptr_t;

// Event codes, with the values of the platform this one stands in for.
inline constexpr long EC_COMPLETE = 0x01;
inline constexpr long EC_USERABORT = 0x02;
inline constexpr long EC_ERRORABORT = 0x03;
inline constexpr long EC_TIME = 0x04;
inline constexpr long EC_REPAINT = 0x05;
inline constexpr long EC_STREAM_ERROR_STOPPED = 0x06;
inline constexpr long EC_STREAM_ERROR_STILLPLAYING = 0x07;
inline constexpr long EC_ERROR_STILLPLAYING = 0x08;
inline constexpr long EC_SHUTTING_DOWN = 0x0C;
inline constexpr long EC_CLOCK_CHANGED = 0x0D;
inline constexpr long EC_PAUSED = 0x0E;
inline constexpr long EC_STARVATION = 0x17;
inline constexpr long EC_END_OF_SEGMENT = 0x1C;
inline constexpr long EC_SEGMENT_STARTED = 0x1D;
inline constexpr long EC_LENGTH_CHANGED = 0x1E;
inline constexpr long EC_DEVICE_LOST = 0x1F;
inline constexpr long EC_GRAPH_CHANGED = 0x50;
inline constexpr long EC_CLOCK_UNSET = 0x51;

// SetNotifyFlags: no notifications, and no events are queued.
inline constexpr long AM_MEDIAEVENT_NONOTIFY = 0x01;

// Timeout that never expires.
inline constexpr long INFINITE = -1;

// True when parameter `index` (1 or 2) of an event with `code` is an object identity.
constexpr bool eventParamIsObject(long code, int index) {
    return (code == EC_COMPLETE && index == 2) || (code == EC_DEVICE_LOST && index == 1);
}

} // namespace platform

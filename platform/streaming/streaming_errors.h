#pragma once

#include "platform/system/hresult.h"

#include <QString>

namespace platform {

// Result codes of the streaming platform, with the values of the platform it stands in for.
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = makeHresult(0x80040204u);
inline constexpr HRESULT VFW_E_FILTER_ACTIVE = makeHresult(0x80040205u);
inline constexpr HRESULT VFW_E_NO_TYPES = makeHresult(0x80040206u);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = makeHresult(0x80040207u);
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = makeHresult(0x80040208u);
inline constexpr HRESULT VFW_E_RUNTIME_ERROR = makeHresult(0x8004020Bu);
inline constexpr HRESULT VFW_E_BUFFER_OVERFLOW = makeHresult(0x8004020Du);
inline constexpr HRESULT VFW_E_NO_CLOCK = makeHresult(0x80040213u);
inline constexpr HRESULT VFW_E_NO_SINK = makeHresult(0x80040214u);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = makeHresult(0x80040217u);
inline constexpr HRESULT VFW_E_NOT_STOPPED = makeHresult(0x80040224u);
inline constexpr HRESULT VFW_E_NOT_PAUSED = makeHresult(0x80040225u);
inline constexpr HRESULT VFW_E_NOT_RUNNING = makeHresult(0x80040226u);
inline constexpr HRESULT VFW_E_WRONG_STATE = makeHresult(0x80040227u);
inline constexpr HRESULT VFW_E_START_TIME_AFTER_END = makeHresult(0x80040228u);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = makeHresult(0x8004022Au);
inline constexpr HRESULT VFW_E_SAMPLE_REJECTED = makeHresult(0x8004022Bu);
inline constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = makeHresult(0x8004022Cu);
inline constexpr HRESULT VFW_E_DUPLICATE_NAME = makeHresult(0x8004022Du);
inline constexpr HRESULT VFW_S_DUPLICATE_NAME = makeHresult(0x0004022Du);
inline constexpr HRESULT VFW_E_TIMEOUT = makeHresult(0x8004022Eu);
inline constexpr HRESULT VFW_E_CIRCULAR_GRAPH = makeHresult(0x80040231u);
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = makeHresult(0x00040237u);
inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = makeHresult(0x80040249u);
inline constexpr HRESULT VFW_E_NOT_IN_GRAPH = makeHresult(0x8004025Fu);
inline constexpr HRESULT VFW_E_NO_TIME_FORMAT = makeHresult(0x80040262u);
inline constexpr HRESULT VFW_E_NO_TRANSPORT = makeHresult(0x80040267u);
inline constexpr HRESULT VFW_S_CANT_CUE = makeHresult(0x00040268u);

// Text of a result code, as shown in error messages; empty for a code it does not know.
QString AMGetErrorText(HRESULT hr);

} // namespace platform

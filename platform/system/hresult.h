#pragma once

#include <cstdint>

namespace platform {

// 32-bit result code of platform calls; negative values are failures.
using HRESULT = std::int32_t;

// 100-nanosecond units, 10,000,000 per second.
using REFERENCE_TIME = std::int64_t;
inline constexpr REFERENCE_TIME UNITS = 10'000'000;

constexpr HRESULT makeHresult(std::uint32_t code) {
    return static_cast<HRESULT>(code);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = makeHresult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = makeHresult(0x80004002u);
inline constexpr HRESULT E_POINTER = makeHresult(0x80004003u);
inline constexpr HRESULT E_ABORT = makeHresult(0x80004004u);
inline constexpr HRESULT E_FAIL = makeHresult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = makeHresult(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = makeHresult(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = makeHresult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = makeHresult(0x80070057u);
inline constexpr HRESULT STG_E_FILENOTFOUND = makeHresult(0x80030002u);
inline constexpr HRESULT VFW_E_INVALIDMEDIATYPE = makeHresult(0x80040200u);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = makeHresult(0x80040209u);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = makeHresult(0x80040240u);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = makeHresult(0x80040218u);
inline constexpr HRESULT VFW_E_NOT_FOUND = makeHresult(0x80040216u);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

} // namespace platform

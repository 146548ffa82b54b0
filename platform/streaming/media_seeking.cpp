#include "platform/streaming/media_seeking.h"

#include "platform/streaming/streaming_errors.h"

namespace platform {

std::optional<REFERENCE_TIME> resolveSeekPosition(const REFERENCE_TIME* value, unsigned long flags,
                                                  REFERENCE_TIME current, bool* invalid) {
    const unsigned long mode = flags & AM_SEEKING_PositioningBitsMask;
    if (mode == AM_SEEKING_NoPositioning) {
        return std::nullopt;
    }
    if (value == nullptr) {
        if (invalid != nullptr) {
            *invalid = true;
        }
        return std::nullopt;
    }
    if (mode == AM_SEEKING_AbsolutePositioning) {
        return *value;
    }
    return current + *value;
}

HRESULT MediaTimeSeeking::IsFormatSupported(const GUID& format) {
    return format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT MediaTimeSeeking::QueryPreferredFormat(GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT MediaTimeSeeking::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT MediaTimeSeeking::IsUsingTimeFormat(const GUID& format) {
    return format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT MediaTimeSeeking::SetTimeFormat(const GUID& format) {
    return format == TIME_FORMAT_MEDIA_TIME || format == TIME_FORMAT_NONE ? S_OK
                                                                          : VFW_E_NO_TIME_FORMAT;
}

HRESULT MediaTimeSeeking::CheckCapabilities(unsigned long* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    unsigned long have = 0;
    if (const HRESULT hr = GetCapabilities(&have); FAILED(hr)) {
        return hr;
    }
    const unsigned long wanted = *capabilities;
    *capabilities = wanted & have;
    if (*capabilities == wanted) {
        return S_OK;
    }
    return *capabilities != 0 ? S_FALSE : E_FAIL;
}

HRESULT MediaTimeSeeking::GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop) {
    if (current != nullptr) {
        if (const HRESULT hr = GetCurrentPosition(current); FAILED(hr)) {
            return hr;
        }
    }
    if (stop != nullptr) {
        return GetStopPosition(stop);
    }
    return S_OK;
}

HRESULT MediaTimeSeeking::GetAvailable(REFERENCE_TIME* earliest, REFERENCE_TIME* latest) {
    if (earliest != nullptr) {
        *earliest = 0;
    }
    if (latest != nullptr) {
        return GetDuration(latest);
    }
    return S_OK;
}

HRESULT MediaTimeSeeking::SetRate(double rate) {
    return rate == 1.0 ? S_OK : E_INVALIDARG;
}

HRESULT MediaTimeSeeking::GetRate(double* rate) {
    if (rate == nullptr) {
        return E_POINTER;
    }
    *rate = 1.0;
    return S_OK;
}

HRESULT MediaTimeSeeking::GetPreroll(REFERENCE_TIME* preroll) {
    if (preroll == nullptr) {
        return E_POINTER;
    }
    *preroll = 0;
    return S_OK;
}

} // namespace platform

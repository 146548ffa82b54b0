#include "platform/streaming/source_pin.h"

#include <algorithm>

namespace platform {

SourceOutputPin::SourceOutputPin(FilterBase& filter, QString name)
    : OutputPinBase(filter, std::move(name)) {}

HRESULT SourceOutputPin::GetCapabilities(unsigned long* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                    AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                    AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration | AM_SEEKING_Source;
    return S_OK;
}

HRESULT SourceOutputPin::GetDuration(REFERENCE_TIME* duration) {
    if (duration == nullptr) {
        return E_POINTER;
    }
    *duration = this->duration();
    return S_OK;
}

HRESULT SourceOutputPin::GetStopPosition(REFERENCE_TIME* stop) {
    if (stop == nullptr) {
        return E_POINTER;
    }
    *stop = segmentStop();
    return S_OK;
}

HRESULT SourceOutputPin::GetCurrentPosition(REFERENCE_TIME* current) {
    if (current == nullptr) {
        return E_POINTER;
    }
    *current = segmentStart();
    return S_OK;
}

HRESULT SourceOutputPin::SetPositions(REFERENCE_TIME* current, unsigned long currentFlags,
                                      REFERENCE_TIME* stop, unsigned long stopFlags) {
    bool invalid = false;
    std::optional<REFERENCE_TIME> newStart;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    {
        const std::lock_guard lock(positionMutex_);
        const REFERENCE_TIME oldStop = stop_.value_or(duration_);
        newStart = resolveSeekPosition(current, currentFlags, start_, &invalid);
        start = std::clamp<REFERENCE_TIME>(newStart.value_or(start_), 0, duration_);
        const bool incremental =
            (stopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_IncrementalPositioning;
        const auto newStop =
            resolveSeekPosition(stop, stopFlags, incremental ? start : oldStop, &invalid);
        if (invalid) {
            return E_INVALIDARG;
        }
        if (newStop) {
            stop_ = std::clamp<REFERENCE_TIME>(*newStop, 0, duration_);
        }
        end = stop_.value_or(duration_);
    }
    if (newStart) {
        {
            auto streaming = lockStreaming();
            {
                const std::lock_guard lock(positionMutex_);
                start_ = start;
            }
            onSeek(start, (currentFlags & AM_SEEKING_SeekToKeyFrame) != 0);
        }
        deliverNewSegment(start, end, 1.0);
    }
    if (current != nullptr && (currentFlags & AM_SEEKING_ReturnTime) != 0) {
        *current = start;
    }
    if (stop != nullptr && (stopFlags & AM_SEEKING_ReturnTime) != 0) {
        *stop = end;
    }
    return S_OK;
}

void SourceOutputPin::setDuration(REFERENCE_TIME duration) {
    const std::lock_guard lock(positionMutex_);
    duration_ = std::max<REFERENCE_TIME>(duration, 0);
    start_ = std::min(start_, duration_);
    if (stop_) {
        stop_ = std::min(*stop_, duration_);
    }
}

REFERENCE_TIME SourceOutputPin::duration() const {
    const std::lock_guard lock(positionMutex_);
    return duration_;
}

REFERENCE_TIME SourceOutputPin::segmentStart() const {
    const std::lock_guard lock(positionMutex_);
    return start_;
}

REFERENCE_TIME SourceOutputPin::segmentStop() const {
    const std::lock_guard lock(positionMutex_);
    return stop_.value_or(duration_);
}

} // namespace platform

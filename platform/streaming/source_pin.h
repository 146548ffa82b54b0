#pragma once

#include "platform/streaming/pin_base.h"

namespace platform {

// The output pin of a source: produces the media-time range [segmentStart, segmentStop) and
// seeks. Sample times it stamps are relative to segmentStart (stream time restarts at 0 after
// every seek). A seek waits for a produceSample under way, calls onSeek with the streaming
// held off, then tells downstream that a new segment starts.
class SourceOutputPin : public OutputPinBase, public MediaTimeSeeking {
public:
    SourceOutputPin(FilterBase& filter, QString name);

    HRESULT GetCapabilities(unsigned long* capabilities) override;
    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override;
    HRESULT SetPositions(REFERENCE_TIME* current, unsigned long currentFlags, REFERENCE_TIME* stop,
                         unsigned long stopFlags) override;

    void setDuration(REFERENCE_TIME duration);
    REFERENCE_TIME duration() const;
    REFERENCE_TIME segmentStart() const;
    REFERENCE_TIME segmentStop() const;

protected:
    // The next produceSample starts at media time `start`; `keyFrame` asks for the key frame
    // at or before it.
    virtual void onSeek(REFERENCE_TIME /*start*/, bool /*keyFrame*/) {}

private:
    mutable std::mutex positionMutex_;
    REFERENCE_TIME duration_ = 0;
    REFERENCE_TIME start_ = 0;
    std::optional<REFERENCE_TIME> stop_;
};

} // namespace platform

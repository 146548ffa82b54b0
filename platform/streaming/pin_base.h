#pragma once

#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/media_seeking.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class FilterBase;

// Common part of input and output pins: identity, connection state and the media type
// negotiation hooks. A pin is a member of its filter and lives exactly as long as it.
class PinBase : public IPin {
public:
    PinBase(FilterBase& filter, QString name, PIN_DIRECTION direction);
    PinBase(const PinBase&) = delete;
    PinBase& operator=(const PinBase&) = delete;

    HRESULT Disconnect() override;
    HRESULT ConnectedTo(std::shared_ptr<IPin>* pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(QString* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE& mediaType) override;
    std::vector<AM_MEDIA_TYPE> EnumMediaTypes() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    FilterBase& filter() const { return filter_; }
    const QString& name() const { return name_; }
    PIN_DIRECTION direction() const { return direction_; }
    bool isConnected() const;
    std::shared_ptr<IPin> connectedPin() const;
    AM_MEDIA_TYPE mediaType() const;
    std::shared_ptr<IPin> self();

    // Whether the pin accepts `mediaType` (S_OK) or not (a failure code).
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) = 0;
    // The types this pin proposes, preferred first.
    virtual std::vector<AM_MEDIA_TYPE> offeredMediaTypes() { return {}; }

protected:
    // Called once the connection is made; a failure undoes it.
    virtual HRESULT CompleteConnect(const std::shared_ptr<IPin>& /*peer*/) { return S_OK; }
    // Called when the connection is broken.
    virtual void BreakConnect() {}

    void setConnection(const std::shared_ptr<IPin>& peer, const AM_MEDIA_TYPE& mediaType);
    void clearConnection();
    bool filterStopped() const;

private:
    FilterBase& filter_;
    const QString name_;
    const PIN_DIRECTION direction_;
    mutable std::mutex mutex_;
    std::weak_ptr<IPin> peer_;
    AM_MEDIA_TYPE mediaType_;
    bool connected_ = false;
};

// An input pin that pulls its samples from the connected output pin.
class InputPinBase : public PinBase {
public:
    InputPinBase(FilterBase& filter, QString name);

    HRESULT Connect(const std::shared_ptr<IPin>& receivePin,
                    const AM_MEDIA_TYPE* mediaType) override;
    HRESULT ReceiveConnection(const std::shared_ptr<IPin>& connector,
                              const AM_MEDIA_TYPE& mediaType) override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // The pull side of the connected output pin, or null when not connected.
    std::shared_ptr<IPullPin> upstream() const;
    // The seeking of the connected output pin, or null.
    std::shared_ptr<IMediaSeeking> upstreamSeeking() const;
    // Pulls one sample from upstream: S_OK, S_FALSE at the end, VFW_E_NOT_CONNECTED, failures.
    HRESULT pull(std::shared_ptr<IMediaSample>* sample) const;
};

// An output pin that produces a sample when the pin downstream pulls. Derived classes
// implement produceSample; it runs on the puller's thread, one call at a time. When it can
// block, it must also return promptly once onBeginFlush has been called: isFlushing() is true
// before onBeginFlush runs, and onBeginFlush must take the producer's lock before it notifies,
// so that a producer about to wait cannot miss the wake-up.
class OutputPinBase : public PinBase, public IPullPin {
public:
    OutputPinBase(FilterBase& filter, QString name);

    HRESULT Connect(const std::shared_ptr<IPin>& receivePin,
                    const AM_MEDIA_TYPE* mediaType) override;
    HRESULT ReceiveConnection(const std::shared_ptr<IPin>& connector,
                              const AM_MEDIA_TYPE& mediaType) override;

    HRESULT PullSample(std::shared_ptr<IMediaSample>* sample) final;
    HRESULT BeginFlush() final;
    HRESULT EndFlush() final;

    bool isFlushing() const { return flushing_.load(); }
    // Tells the downstream pin that a new segment starts at `start`.
    void deliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    virtual HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) = 0;
    // Wakes a blocked produceSample; transforms pass the flush upstream.
    virtual void onBeginFlush() {}
    virtual void onEndFlush() {}
    // Holds off produceSample while a derived class repositions its stream.
    std::unique_lock<std::mutex> lockStreaming() { return std::unique_lock(streamMutex_); }

private:
    std::mutex streamMutex_;
    std::atomic<bool> flushing_{false};
};

// Seeking of an output pin that passes every request to the upstream pins of the filter's
// input pins (the first one answers queries; positions go to all).
class SeekingPassThrough : public MediaTimeSeeking {
public:
    explicit SeekingPassThrough(std::vector<InputPinBase*> inputs) : inputs_(std::move(inputs)) {}

    HRESULT GetCapabilities(unsigned long* capabilities) override;
    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override;
    HRESULT SetPositions(REFERENCE_TIME* current, unsigned long currentFlags, REFERENCE_TIME* stop,
                         unsigned long stopFlags) override;

private:
    std::vector<std::shared_ptr<IMediaSeeking>> upstream() const;
    std::vector<InputPinBase*> inputs_;
};

} // namespace platform

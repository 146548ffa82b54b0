#pragma once

#include "platform/streaming/event_codes.h"
#include "platform/streaming/media_sample.h"
#include "platform/streaming/media_type.h"
#include "platform/streaming/reference_clock.h"
#include "platform/system/guid.h"
#include "platform/system/hresult.h"

#include <QString>

#include <memory>
#include <vector>

namespace platform {

class IBaseFilter;
class IFilterGraph;

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

struct PIN_INFO {
    std::shared_ptr<IBaseFilter> pFilter;
    PIN_DIRECTION dir = PINDIR_INPUT;
    QString achName;
};

struct FILTER_INFO {
    QString achName;
    std::shared_ptr<IFilterGraph> pGraph;
};

// A connection point of a filter. Pins are owned by their filter; a pin handed out keeps its
// filter alive. Connected pins refer to each other weakly.
class IPin {
public:
    virtual ~IPin() = default;

    // Output pins: connects to `receivePin`, with `mediaType` (may be partial or null) as a
    // template for the type to agree on.
    virtual HRESULT Connect(const std::shared_ptr<IPin>& receivePin,
                            const AM_MEDIA_TYPE* mediaType) = 0;
    // Input pins: accepts a connection from `connector` with `mediaType`.
    virtual HRESULT ReceiveConnection(const std::shared_ptr<IPin>& connector,
                                      const AM_MEDIA_TYPE& mediaType) = 0;
    // Breaks this side of the connection (S_FALSE when not connected).
    virtual HRESULT Disconnect() = 0;
    // The connected pin, or VFW_E_NOT_CONNECTED.
    virtual HRESULT ConnectedTo(std::shared_ptr<IPin>* pin) = 0;
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT QueryId(QString* id) = 0;
    // S_OK when the pin would accept `mediaType`, S_FALSE otherwise.
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE& mediaType) = 0;
    // The media types this pin offers, preferred first.
    virtual std::vector<AM_MEDIA_TYPE> EnumMediaTypes() = 0;
    // Input pins: the samples that follow start a new segment at media time `start`.
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

// The pull side of an output pin: the pin downstream calls PullSample from its streaming
// thread. BeginFlush makes a blocked or later PullSample return at once with
// VFW_E_WRONG_STATE until EndFlush; both travel upstream.
class IPullPin {
public:
    virtual ~IPullPin() = default;

    // S_OK with a sample, S_FALSE at the end of the stream (no sample), or a failure code.
    virtual HRESULT PullSample(std::shared_ptr<IMediaSample>* sample) = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
};

class IMediaFilter {
public:
    virtual ~IMediaFilter() = default;

    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    // Runs with stream time 0 at reference time `tStart`.
    virtual HRESULT Run(REFERENCE_TIME tStart) = 0;
    // VFW_S_STATE_INTERMEDIATE when the last transition has not completed within `timeout_ms`
    // (INFINITE waits without limit).
    virtual HRESULT GetState(long timeout_ms, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(const std::shared_ptr<IReferenceClock>& clock) = 0;
    virtual HRESULT GetSyncSource(std::shared_ptr<IReferenceClock>* clock) = 0;
};

class IBaseFilter : public IMediaFilter {
public:
    // The filter's pins in their fixed enumeration order.
    virtual std::vector<std::shared_ptr<IPin>> EnumPins() = 0;
    virtual HRESULT FindPin(const QString& id, std::shared_ptr<IPin>* pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // Called by the graph when the filter is added (graph and name) or removed (null, empty).
    virtual HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                    const QString& name) = 0;
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

// Graph notifications raised by filters (EC_COMPLETE, EC_DEVICE_LOST, EC_ERRORABORT ...).
// An object parameter is passed as the identity of the filter (its IBaseFilter*).
class IMediaEventSink {
public:
    virtual ~IMediaEventSink() = default;
    virtual HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) = 0;
};

inline constexpr unsigned long AM_FILTER_MISC_FLAGS_IS_RENDERER = 0x1;
inline constexpr unsigned long AM_FILTER_MISC_FLAGS_IS_SOURCE = 0x2;

// Tells the graph that a filter is a renderer (it ends a stream and reports EC_COMPLETE).
class IAMFilterMiscFlags {
public:
    virtual ~IAMFilterMiscFlags() = default;
    virtual unsigned long GetMiscFlags() = 0;
};

// The property pages a filter offers, by class identifier.
struct CAUUID {
    std::vector<GUID> elems;
};
class ISpecifyPropertyPages {
public:
    virtual ~ISpecifyPropertyPages() = default;
    virtual HRESULT GetPages(CAUUID* pages) = 0;
};

// Identity of a filter as an event parameter.
inline LONG_PTR eventParamFromFilter(const IBaseFilter* filter) {
    return reinterpret_cast<LONG_PTR>(filter);
}
inline IBaseFilter* filterFromEventParam(LONG_PTR param) {
    return reinterpret_cast<IBaseFilter*>(param);
}

} // namespace platform

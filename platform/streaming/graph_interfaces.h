#pragma once

#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/media_seeking.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class IFilterGraph {
public:
    virtual ~IFilterGraph() = default;

    // Adds `filter` under `name`; a name in use gets the suffix " 0001", " 0002" ... and the
    // call returns VFW_S_DUPLICATE_NAME. An empty name takes the filter's own name.
    virtual HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter, const QString& name) = 0;
    // Stops the filter if the graph is active, disconnects all its pins and removes it.
    virtual HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) = 0;
    // The filters in the order they were added.
    virtual std::vector<std::shared_ptr<IBaseFilter>> EnumFilters() = 0;
    virtual HRESULT FindFilterByName(const QString& name, std::shared_ptr<IBaseFilter>* filter) = 0;
    // Connects two pins directly, with `mediaType` as an optional template.
    virtual HRESULT ConnectDirect(const std::shared_ptr<IPin>& output,
                                  const std::shared_ptr<IPin>& input,
                                  const AM_MEDIA_TYPE* mediaType) = 0;
    // Disconnects one pin (the other side stays connected until it is disconnected too).
    virtual HRESULT Disconnect(const std::shared_ptr<IPin>& pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;
};

class IGraphBuilder : public IFilterGraph {
public:
    // Connects two pins, inserting registered converter filters when they cannot connect
    // directly.
    virtual HRESULT Connect(const std::shared_ptr<IPin>& output,
                            const std::shared_ptr<IPin>& input) = 0;
};

class IFilterGraph2 : public IGraphBuilder {};

class IMediaControl {
public:
    virtual ~IMediaControl() = default;

    // S_OK when the graph is running with every renderer supplied, S_FALSE while renderers
    // are still waiting for their first sample.
    virtual HRESULT Run() = 0;
    // S_OK when every renderer holds its first sample, S_FALSE while that is under way; the
    // completion is announced by EC_PAUSED.
    virtual HRESULT Pause() = 0;
    // Ends all streaming; the position stays where the output was.
    virtual HRESULT Stop() = 0;
    // The target state; VFW_S_STATE_INTERMEDIATE while the transition is not complete after
    // `timeout_ms` (INFINITE: no limit).
    virtual HRESULT GetState(long timeout_ms, FILTER_STATE* state) = 0;
};

class IMediaEvent {
public:
    virtual ~IMediaEvent() = default;

    // Takes the next event; E_ABORT when none arrives within `timeout_ms`.
    virtual HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeout_ms) = 0;
    // Releases what an event taken with GetEvent holds (object parameters).
    virtual HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) = 0;
    // Waits until the running graph completes (EC_COMPLETE) and gives the code; E_ABORT on
    // time-out, VFW_E_WRONG_STATE when the graph is not running. Does not take queued events.
    virtual HRESULT WaitForCompletion(long timeout_ms, long* code) = 0;
};

class IMediaEventEx : public IMediaEvent {
public:
    // 0: notifications on; AM_MEDIAEVENT_NONOTIFY: no notification and no queued events.
    virtual HRESULT SetNotifyFlags(long flags) = 0;
    virtual HRESULT GetNotifyFlags(long* flags) = 0;
    // Called whenever an event is queued, from any thread, possibly from inside a call into
    // the graph: it must only post work elsewhere (it may call GetEvent, nothing else of the
    // graph), and must not release the graph.
    virtual HRESULT SetNotifyCallback(std::function<void()> callback) = 0;
};

// Creates converter filters that the graph's intelligent Connect may place between two pins.
class ConverterRegistry {
public:
    struct Entry {
        QString name;
        // Higher merit is tried first.
        int merit = 0;
        std::function<std::shared_ptr<IBaseFilter>()> create;
    };

    void add(Entry entry);
    // Entries by falling merit, equal merits in registration order.
    std::vector<Entry> entries() const;

private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

// The process-wide converter registrations that later filters add themselves to (the stand-in
// for the system's filter registration).
std::shared_ptr<ConverterRegistry> platformConverters();

// Creates a filter graph manager. The object implements IFilterGraph2, IMediaControl,
// IMediaEventEx, IMediaSeeking and IMediaFilter (SetSyncSource(nullptr): no clock, renderers
// present as fast as possible).
std::shared_ptr<IFilterGraph2> CreateFilterGraph();
std::shared_ptr<IFilterGraph2> CreateFilterGraph(std::shared_ptr<ConverterRegistry> converters);

// Implemented by a graph that reports changes of its filters and connections, so that a
// description of it (the running object table's) can be kept up to date.
class IGraphTopology {
public:
    virtual ~IGraphTopology() = default;
    // The observer is called after every successful change, on the changing thread, outside the
    // graph's locks; an empty function removes it.
    virtual void SetTopologyObserver(std::function<void()> observer) = 0;
};

} // namespace platform

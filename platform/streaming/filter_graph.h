#pragma once

#include "platform/streaming/graph_event_queue.h"
#include "platform/streaming/graph_interfaces.h"
#include "platform/streaming/streaming_site.h"

#include <atomic>
#include <optional>
#include <set>
#include <shared_mutex>

namespace platform {

class GraphSink;

// The filter graph manager. Control and topology calls are serialised by one mutex; streaming
// threads reach the graph only through its sink (events, readiness, new segments), which
// takes the progress mutex and never the control mutex, so a control call may join a
// streaming thread without deadlock. Lock order: control, progress, filters, event queue,
// renderer state.
//
// Positions: the reported position is reportBase + stream time, the media position of the
// upstream is mediaBase + stream time. A seek made by the graph sets both to the target; a
// seek made directly on a pin (a new segment the graph did not start) reports from 0 again.
class FilterGraph final : public IFilterGraph2,
                          public IMediaControl,
                          public IMediaEventEx,
                          public MediaTimeSeeking,
                          public IMediaFilter,
                          public IStreamingGraph,
                          public IGraphTopology,
                          public std::enable_shared_from_this<FilterGraph> {
public:
    explicit FilterGraph(std::shared_ptr<ConverterRegistry> converters);
    ~FilterGraph() override;
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    // IFilterGraph, IGraphBuilder
    HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter, const QString& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override;
    std::vector<std::shared_ptr<IBaseFilter>> EnumFilters() override;
    HRESULT FindFilterByName(const QString& name, std::shared_ptr<IBaseFilter>* filter) override;
    HRESULT ConnectDirect(const std::shared_ptr<IPin>& output, const std::shared_ptr<IPin>& input,
                          const AM_MEDIA_TYPE* mediaType) override;
    HRESULT Disconnect(const std::shared_ptr<IPin>& pin) override;
    HRESULT SetDefaultSyncSource() override;
    HRESULT Connect(const std::shared_ptr<IPin>& output,
                    const std::shared_ptr<IPin>& input) override;

    // IMediaControl, IMediaFilter
    HRESULT Run() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(long timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(const std::shared_ptr<IReferenceClock>& clock) override;
    HRESULT GetSyncSource(std::shared_ptr<IReferenceClock>* clock) override;

    // IMediaEventEx
    HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeout_ms) override;
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT WaitForCompletion(long timeout_ms, long* code) override;
    HRESULT SetNotifyFlags(long flags) override;
    HRESULT GetNotifyFlags(long* flags) override;
    HRESULT SetNotifyCallback(std::function<void()> callback) override;

    // IMediaSeeking
    HRESULT GetCapabilities(unsigned long* capabilities) override;
    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override;
    HRESULT SetPositions(REFERENCE_TIME* current, unsigned long currentFlags, REFERENCE_TIME* stop,
                         unsigned long stopFlags) override;

    std::shared_ptr<IMediaEventSink> streamingSink() override;

    // IGraphTopology
    void SetTopologyObserver(std::function<void()> observer) override;

    // Called through the sink, from any thread.
    void filterEvent(long code, LONG_PTR param1, LONG_PTR param2);
    void rendererReady();
    void segmentStarted(REFERENCE_TIME start);

private:
    // Runs a change of filters or connections under the control lock, then tells the topology
    // observer (outside the lock) when it succeeded.
    template <typename Change> HRESULT changeTopology(Change&& change) {
        HRESULT hr = E_FAIL;
        {
            const std::lock_guard lock(controlMutex_);
            hr = change();
        }
        if (SUCCEEDED(hr)) {
            topologyChanged();
        }
        return hr;
    }
    void topologyChanged();

    struct Member {
        std::shared_ptr<IBaseFilter> filter;
        QString name;
    };

    HRESULT addFilterLocked(const std::shared_ptr<IBaseFilter>& filter, const QString& name);
    HRESULT removeFilterLocked(const std::shared_ptr<IBaseFilter>& filter);
    HRESULT connectDirectLocked(const std::shared_ptr<IPin>& output,
                                const std::shared_ptr<IPin>& input, const AM_MEDIA_TYPE* mt);
    HRESULT connectThroughConverterLocked(const std::shared_ptr<IPin>& output,
                                          const std::shared_ptr<IPin>& input);
    bool containsLocked(const std::shared_ptr<IBaseFilter>& filter) const;
    std::vector<std::shared_ptr<IBaseFilter>> membersLocked() const;
    std::vector<std::shared_ptr<IBaseFilter>> renderersLocked(bool connectedOnly) const;
    std::vector<std::shared_ptr<IMediaSeeking>> seekersLocked() const;

    HRESULT pauseLocked();
    HRESULT runLocked(std::optional<REFERENCE_TIME> tStart);
    HRESULT stopLocked();
    HRESULT startStreamingLocked();
    void stopFiltersLocked();
    bool allRenderersReady();
    void chooseClockLocked();
    void setClockLocked(const std::shared_ptr<IReferenceClock>& clock);
    REFERENCE_TIME streamTimeLocked();
    // Media and reported positions of the output now.
    std::pair<REFERENCE_TIME, REFERENCE_TIME> positionsLocked();
    HRESULT seekUpstreamLocked(REFERENCE_TIME media, std::optional<REFERENCE_TIME> stop,
                               unsigned long extraFlags);

    std::shared_ptr<ConverterRegistry> converters_;
    std::shared_ptr<GraphSink> sink_;
    GraphEventQueue events_;

    std::mutex controlMutex_;
    std::mutex observerMutex_;
    std::function<void()> topologyObserver_;
    std::atomic<FILTER_STATE> state_{State_Stopped};
    std::shared_ptr<IReferenceClock> clock_;
    std::shared_ptr<IReferenceClock> systemClock_;
    bool clockExplicit_ = false;
    bool clockEverSet_ = false;
    REFERENCE_TIME tStart_ = 0;
    REFERENCE_TIME pausedStreamTime_ = 0;

    mutable std::mutex filtersMutex_;
    std::vector<Member> members_;

    std::mutex progressMutex_;
    std::condition_variable completed_;
    std::vector<std::shared_ptr<IBaseFilter>> activeRenderers_;
    std::set<IBaseFilter*> finished_;
    HRESULT completionResult_ = S_OK;
    std::optional<long> completionCode_;
    bool pausePending_ = false;
    bool ownSeek_ = false;
    REFERENCE_TIME reportBase_ = 0;
    REFERENCE_TIME mediaBase_ = 0;
};

// The object filters get as their event sink; it forwards to the graph while the graph lives.
class GraphSink final : public IMediaEventSink, public IStreamingSite {
public:
    explicit GraphSink(FilterGraph* graph) : graph_(graph) {}
    void detach();

    HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) override;
    void RendererReady(IBaseFilter* renderer) override;
    void SegmentStarted(IBaseFilter* renderer, REFERENCE_TIME start) override;

private:
    std::shared_mutex mutex_;
    FilterGraph* graph_;
};

} // namespace platform

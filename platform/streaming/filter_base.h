#pragma once

#include "platform/streaming/filter_interfaces.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class PinBase;

// Common part of every filter: name and graph membership, the state machine, the clock, the
// event sink and the pin list. Create filters with std::make_shared; pins are members of the
// derived class, registered with addPin in enumeration order, and handed out as shared_ptrs
// that share ownership of the filter.
//
// State changes arrive one at a time (the graph serialises them). Derived classes hook into
// them with onActivate (stopped -> paused), onRun, onPauseFromRunning and onDeactivate
// (-> stopped); a failure from onActivate or onRun leaves the state unchanged.
class FilterBase : public IBaseFilter, public std::enable_shared_from_this<FilterBase> {
public:
    explicit FilterBase(QString name, const CLSID& clsid = CLSID{});
    ~FilterBase() override = default;
    FilterBase(const FilterBase&) = delete;
    FilterBase& operator=(const FilterBase&) = delete;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(long timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(const std::shared_ptr<IReferenceClock>& clock) override;
    HRESULT GetSyncSource(std::shared_ptr<IReferenceClock>* clock) override;

    std::vector<std::shared_ptr<IPin>> EnumPins() override;
    HRESULT FindPin(const QString& id, std::shared_ptr<IPin>* pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                            const QString& name) override;
    HRESULT GetClassID(CLSID* clsid) override;

    FILTER_STATE state() const;
    REFERENCE_TIME startTime() const;
    std::shared_ptr<IReferenceClock> clock() const;
    QString name() const;
    // Sends an event to the graph the filter is in; nothing when it is in none.
    void notifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
    // The graph's streaming site, or null.
    std::shared_ptr<IMediaEventSink> eventSink() const;

    // A pin of this filter as a shared_ptr that keeps the filter alive.
    std::shared_ptr<IPin> pinPointer(PinBase& pin);
    // Called by an input pin when its upstream starts a new segment.
    virtual void onNewSegment(PinBase& input, REFERENCE_TIME start, REFERENCE_TIME stop,
                              double rate);

protected:
    void addPin(PinBase& pin);

    virtual HRESULT onActivate() { return S_OK; }
    virtual HRESULT onRun(REFERENCE_TIME /*tStart*/) { return S_OK; }
    virtual void onPauseFromRunning() {}
    virtual void onDeactivate() {}
    virtual void onClockChanged(const std::shared_ptr<IReferenceClock>& /*clock*/) {}

private:
    mutable std::mutex mutex_;
    QString name_;
    CLSID clsid_;
    FILTER_STATE state_ = State_Stopped;
    REFERENCE_TIME tStart_ = 0;
    std::shared_ptr<IReferenceClock> clock_;
    std::weak_ptr<IFilterGraph> graph_;
    std::shared_ptr<IMediaEventSink> sink_;
    std::vector<PinBase*> pins_;
};

} // namespace platform

#include "platform/streaming/filter_base.h"

#include "platform/streaming/graph_interfaces.h"
#include "platform/streaming/pin_base.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/streaming/streaming_site.h"
#include "platform/system/query.h"

namespace platform {

FilterBase::FilterBase(QString name, const CLSID& clsid) : name_(std::move(name)), clsid_(clsid) {}

HRESULT FilterBase::Stop() {
    if (state() == State_Stopped) {
        return S_OK;
    }
    onDeactivate();
    const std::lock_guard lock(mutex_);
    state_ = State_Stopped;
    return S_OK;
}

HRESULT FilterBase::Pause() {
    const FILTER_STATE old = state();
    if (old == State_Stopped) {
        if (const HRESULT hr = onActivate(); FAILED(hr)) {
            return hr;
        }
    }
    {
        const std::lock_guard lock(mutex_);
        state_ = State_Paused;
    }
    if (old == State_Running) {
        onPauseFromRunning();
    }
    return S_OK;
}

HRESULT FilterBase::Run(REFERENCE_TIME tStart) {
    if (state() == State_Stopped) {
        if (const HRESULT hr = Pause(); FAILED(hr)) {
            return hr;
        }
    }
    {
        const std::lock_guard lock(mutex_);
        tStart_ = tStart;
    }
    if (const HRESULT hr = onRun(tStart); FAILED(hr)) {
        return hr;
    }
    const std::lock_guard lock(mutex_);
    state_ = State_Running;
    return S_OK;
}

HRESULT FilterBase::GetState(long /*timeout_ms*/, FILTER_STATE* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = this->state();
    return S_OK;
}

HRESULT FilterBase::SetSyncSource(const std::shared_ptr<IReferenceClock>& clock) {
    {
        const std::lock_guard lock(mutex_);
        clock_ = clock;
    }
    onClockChanged(clock);
    return S_OK;
}

HRESULT FilterBase::GetSyncSource(std::shared_ptr<IReferenceClock>* clock) {
    if (clock == nullptr) {
        return E_POINTER;
    }
    *clock = this->clock();
    return S_OK;
}

std::vector<std::shared_ptr<IPin>> FilterBase::EnumPins() {
    std::vector<PinBase*> pins;
    {
        const std::lock_guard lock(mutex_);
        pins = pins_;
    }
    std::vector<std::shared_ptr<IPin>> result;
    result.reserve(pins.size());
    for (PinBase* pin : pins) {
        result.push_back(pinPointer(*pin));
    }
    return result;
}

HRESULT FilterBase::FindPin(const QString& id, std::shared_ptr<IPin>* pin) {
    if (pin == nullptr) {
        return E_POINTER;
    }
    *pin = nullptr;
    std::vector<PinBase*> pins;
    {
        const std::lock_guard lock(mutex_);
        pins = pins_;
    }
    for (PinBase* candidate : pins) {
        if (candidate->name() == id) {
            *pin = pinPointer(*candidate);
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterBase::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    info->achName = name_;
    info->pGraph = graph_.lock();
    return S_OK;
}

HRESULT FilterBase::JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                    const QString& name) {
    std::shared_ptr<IMediaEventSink> sink;
    if (const auto streaming = query<IStreamingGraph>(graph)) {
        sink = streaming->streamingSink();
    }
    const std::lock_guard lock(mutex_);
    graph_ = graph;
    sink_ = std::move(sink);
    if (graph) {
        name_ = name;
    }
    return S_OK;
}

HRESULT FilterBase::GetClassID(CLSID* clsid) {
    if (clsid == nullptr) {
        return E_POINTER;
    }
    *clsid = clsid_;
    return S_OK;
}

FILTER_STATE FilterBase::state() const {
    const std::lock_guard lock(mutex_);
    return state_;
}

REFERENCE_TIME FilterBase::startTime() const {
    const std::lock_guard lock(mutex_);
    return tStart_;
}

std::shared_ptr<IReferenceClock> FilterBase::clock() const {
    const std::lock_guard lock(mutex_);
    return clock_;
}

QString FilterBase::name() const {
    const std::lock_guard lock(mutex_);
    return name_;
}

std::shared_ptr<IMediaEventSink> FilterBase::eventSink() const {
    const std::lock_guard lock(mutex_);
    return sink_;
}

void FilterBase::notifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    if (const auto sink = eventSink()) {
        sink->NotifyEvent(code, param1, param2);
    }
}

std::shared_ptr<IPin> FilterBase::pinPointer(PinBase& pin) {
    // Aliasing: the pin shares the filter's ownership. A filter not owned by a shared_ptr
    // (never the case in a graph) hands out non-owning pointers.
    return std::shared_ptr<IPin>(weak_from_this().lock(), &pin);
}

void FilterBase::onNewSegment(PinBase& /*input*/, REFERENCE_TIME /*start*/, REFERENCE_TIME /*stop*/,
                              double /*rate*/) {}

void FilterBase::addPin(PinBase& pin) {
    const std::lock_guard lock(mutex_);
    pins_.push_back(&pin);
}

} // namespace platform

#include "graph/filter_graph.h"

#include "graph/directshow_exception.h"

#include <algorithm>
#include <mutex>

namespace graph {

using platform::HRESULT;
using platform::IBaseFilter;
using platform::LONG_PTR;

// Carries the graph's notify callback, which may come from any thread, to the wrapper's
// thread as a queued call. Detached before the wrapper lets go of the graph, so a callback
// still running on a streaming thread never reaches a wrapper that is gone.
class GraphNotifyRelay {
public:
    explicit GraphNotifyRelay(TFilterGraph* target) : target_(target) {}

    void post(const std::function<void(TFilterGraph*)>& call) {
        const std::lock_guard lock(mutex_);
        if (target_ != nullptr) {
            QMetaObject::invokeMethod(
                target_, [target = target_, call] { call(target); }, Qt::QueuedConnection);
        }
    }
    void detach() {
        const std::lock_guard lock(mutex_);
        target_ = nullptr;
    }

private:
    std::mutex mutex_;
    TFilterGraph* target_;
};

TFilterGraph::TFilterGraph(QObject* parent, GraphFactory createGraph)
    : QObject(parent), createGraph_(std::move(createGraph)) {
    if (!createGraph_) {
        createGraph_ = [] { return platform::CreateFilterGraph(); };
    }
}

TFilterGraph::~TFilterGraph() {
    setActive(false);
}

void TFilterGraph::setActive(bool active) {
    if (active == Active()) {
        return;
    }
    if (active) {
        activate();
    } else {
        deactivate();
    }
}

void TFilterGraph::setGraphEdit(bool graphEdit) {
    graphEdit_ = graphEdit;
    if (!Active()) {
        return;
    }
    if (graphEdit_) {
        registration_.registerGraph(graph_);
    } else {
        registration_.revoke();
    }
}

void TFilterGraph::Loaded() {
    if (autoCreate_) {
        setActive(true);
    }
}

void TFilterGraph::activate() {
    auto graph = createGraph_();
    if (!graph) {
        throw EDirectShowException(platform::E_FAIL);
    }
    graph_ = std::move(graph);
    events_ = platform::query<platform::IMediaEventEx>(graph_);
    if (events_) {
        relay_ = std::make_shared<GraphNotifyRelay>(this);
        events_->SetNotifyFlags(0);
        events_->SetNotifyCallback(
            [relay = relay_] { relay->post([](TFilterGraph* target) { target->pumpEvents(); }); });
    }
    if (graphEdit_) {
        registration_.registerGraph(graph_);
    }
    for (IGraphMember* member : std::vector(members_)) {
        insertMember(*member);
    }
    notifyListeners(TControlEvent::ControlActive, 1);
}

void TFilterGraph::deactivate() {
    notifyListeners(TControlEvent::ControlActive, 0);
    for (IGraphMember* member : std::vector(members_)) {
        removeMemberFilter(*member);
    }
    if (events_) {
        events_->SetNotifyFlags(platform::AM_MEDIAEVENT_NONOTIFY);
        events_->SetNotifyCallback({});
        relay_->detach();
        relay_.reset();
        events_.reset();
    }
    registration_.revoke();
    graph_.reset();
}

void TFilterGraph::insertMember(IGraphMember& member) {
    member.NotifyFilter(TFilterOperation::FilterAdding, 0);
    // A member without a filter (one that cannot be created) is simply not added.
    graph_->AddFilter(member.GetFilter(), member.GetName());
    member.NotifyFilter(TFilterOperation::FilterAdded, 0);
}

void TFilterGraph::removeMemberFilter(IGraphMember& member) {
    member.NotifyFilter(TFilterOperation::FilterRemoving, 0);
    if (const auto filter = member.GetFilter()) {
        graph_->RemoveFilter(filter);
    }
    member.NotifyFilter(TFilterOperation::FilterRemoved, 0);
}

void TFilterGraph::AddMember(IGraphMember* member) {
    if (member == nullptr || std::ranges::find(members_, member) != members_.end()) {
        return;
    }
    members_.push_back(member);
    if (Active()) {
        insertMember(*member);
    }
}

void TFilterGraph::RemoveMember(IGraphMember* member) {
    const auto it = std::ranges::find(members_, member);
    if (it == members_.end()) {
        return;
    }
    members_.erase(it);
    if (Active()) {
        removeMemberFilter(*member);
    }
}

void TFilterGraph::AddListener(IGraphListener* listener) {
    if (listener != nullptr && std::ranges::find(listeners_, listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void TFilterGraph::RemoveListener(IGraphListener* listener) {
    std::erase(listeners_, listener);
}

void TFilterGraph::notifyListeners(TControlEvent event, int parameter) {
    // A copy: a listener may detach itself while it is told.
    for (IGraphListener* listener : std::vector(listeners_)) {
        listener->ControlEvent(event, parameter);
    }
}

bool TFilterGraph::controlCommand(TControlEvent event,
                                  HRESULT (platform::IMediaControl::*request)(),
                                  bool acceptSFalse) {
    const auto control = query<platform::IMediaControl>();
    if (!control) {
        return false;
    }
    // Listeners first, so they react even when the graph then refuses.
    notifyListeners(event, 0);
    const HRESULT hr = CheckGraphResult(((*control).*request)());
    return hr == platform::S_OK || acceptSFalse;
}

bool TFilterGraph::Play() {
    const auto control = query<platform::IMediaControl>();
    if (!control) {
        return false;
    }
    notifyListeners(TControlEvent::ControlPlay, 0);
    // From a stop the sources still have to open and decode their first frames; the clock
    // starts only once the renderers hold them (or after a bounded wait), so that the output
    // does not begin with frames already late.
    platform::FILTER_STATE state = platform::State_Stopped;
    if (control->GetState(0, &state) == platform::S_OK && state == platform::State_Stopped &&
        platform::SUCCEEDED(control->Pause())) {
        control->GetState(kCueTimeout_ms, &state);
    }
    CheckGraphResult(control->Run());
    return true;
}

bool TFilterGraph::Pause() {
    return controlCommand(TControlEvent::ControlPause, &platform::IMediaControl::Pause, false);
}

bool TFilterGraph::Stop() {
    return controlCommand(TControlEvent::ControlStop, &platform::IMediaControl::Stop, false);
}

TGraphState TFilterGraph::GetGraphState() {
    const auto control = query<platform::IMediaControl>();
    if (!control) {
        return TGraphState::None;
    }
    // A state still in transition reports its target.
    platform::FILTER_STATE state = platform::State_Stopped;
    if (platform::FAILED(control->GetState(0, &state))) {
        return TGraphState::None;
    }
    switch (state) {
    case platform::State_Stopped:
        return TGraphState::Stopped;
    case platform::State_Paused:
        return TGraphState::Paused;
    case platform::State_Running:
        return TGraphState::Running;
    }
    return TGraphState::None;
}

void TFilterGraph::ClearFilters() {
    if (!graph_) {
        return;
    }
    Stop();
    // Holds the graph: a listener or handler cannot release it half-way through.
    const auto graph = graph_;
    auto filters = graph->EnumFilters();
    for (const auto& filter : filters) {
        for (const auto& pin : filter->EnumPins()) {
            CheckGraphResult(pin->Disconnect());
        }
    }
    for (IGraphMember* member : members_) {
        if (const auto kept = member->GetFilter()) {
            std::erase(filters, kept);
        }
    }
    for (const auto& filter : filters) {
        // Another party may have taken a filter out meanwhile (the render engine's own thread
        // moves its sources in and out); one that has gone already is no failure.
        const platform::HRESULT result = graph->RemoveFilter(filter);
        if (result != platform::VFW_E_NOT_FOUND) {
            CheckGraphResult(result);
        }
    }
}

void TFilterGraph::pumpEvents() {
    // The events of the graph active now; a handler may deactivate the wrapper meanwhile.
    const auto events = events_;
    if (!events) {
        return;
    }
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (events->GetEvent(&code, &param1, &param2, 0) == platform::S_OK) {
        try {
            dispatchEvent(code, param1, param2);
        } catch (...) {
            // Every queued event has its own queued call, so the events after this one are
            // taken by the calls still to come.
            events->FreeEventParams(code, param1, param2);
            throw;
        }
        events->FreeEventParams(code, param1, param2);
    }
}

std::shared_ptr<IBaseFilter> TFilterGraph::filterOfEventParam(LONG_PTR param) const {
    const auto graph = query<platform::IFilterGraph>();
    if (!graph || param == 0) {
        return nullptr;
    }
    for (const auto& filter : graph->EnumFilters()) {
        if (platform::eventParamFromFilter(filter.get()) == param) {
            return filter;
        }
    }
    return nullptr;
}

void TFilterGraph::dispatchEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    for (IGraphListener* listener : std::vector(listeners_)) {
        listener->GraphEvent(code, param1, param2);
    }
    switch (code) {
    case platform::EC_COMPLETE:
        if (OnGraphComplete) {
            OnGraphComplete(this, static_cast<HRESULT>(param1), filterOfEventParam(param2));
        }
        break;
    case platform::EC_PAUSED:
        if (OnGraphPaused) {
            OnGraphPaused(this, static_cast<HRESULT>(param1));
        }
        break;
    case platform::EC_DEVICE_LOST:
        if (OnGraphDeviceLost) {
            OnGraphDeviceLost(this, filterOfEventParam(param1), param2 == 1);
        }
        break;
    case platform::EC_GRAPH_CHANGED:
        if (OnGraphChanged) {
            OnGraphChanged(this);
        }
        break;
    default:
        break;
    }
}

} // namespace graph

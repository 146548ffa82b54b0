#include "platform/streaming/filter_graph.h"

#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"

#include <algorithm>

namespace platform {

namespace {

bool isRenderer(const std::shared_ptr<IBaseFilter>& filter) {
    const auto flags = query<IAMFilterMiscFlags>(filter);
    return flags && (flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER) != 0;
}

PIN_DIRECTION directionOf(const std::shared_ptr<IPin>& pin) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    pin->QueryDirection(&direction);
    return direction;
}

std::shared_ptr<IBaseFilter> filterOf(const std::shared_ptr<IPin>& pin) {
    PIN_INFO info;
    pin->QueryPinInfo(&info);
    return info.pFilter;
}

bool isConnected(const std::shared_ptr<IPin>& pin) {
    std::shared_ptr<IPin> peer;
    return pin->ConnectedTo(&peer) == S_OK;
}

} // namespace

void GraphSink::detach() {
    const std::unique_lock lock(mutex_);
    graph_ = nullptr;
}

HRESULT GraphSink::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    const std::shared_lock lock(mutex_);
    if (graph_ == nullptr) {
        return VFW_E_NOT_IN_GRAPH;
    }
    graph_->filterEvent(code, param1, param2);
    return S_OK;
}

void GraphSink::RendererReady(IBaseFilter*) {
    const std::shared_lock lock(mutex_);
    if (graph_ != nullptr) {
        graph_->rendererReady();
    }
}

void GraphSink::SegmentStarted(IBaseFilter*, REFERENCE_TIME start) {
    const std::shared_lock lock(mutex_);
    if (graph_ != nullptr) {
        graph_->segmentStarted(start);
    }
}

void ConverterRegistry::add(Entry entry) {
    const std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<ConverterRegistry::Entry> ConverterRegistry::entries() const {
    std::vector<Entry> result;
    {
        const std::lock_guard lock(mutex_);
        result = entries_;
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Entry& a, const Entry& b) { return a.merit > b.merit; });
    return result;
}

std::shared_ptr<ConverterRegistry> platformConverters() {
    static const auto registry = std::make_shared<ConverterRegistry>();
    return registry;
}

std::shared_ptr<IFilterGraph2> CreateFilterGraph() {
    return CreateFilterGraph(platformConverters());
}

std::shared_ptr<IFilterGraph2> CreateFilterGraph(std::shared_ptr<ConverterRegistry> converters) {
    return std::make_shared<FilterGraph>(std::move(converters));
}

FilterGraph::FilterGraph(std::shared_ptr<ConverterRegistry> converters)
    : converters_(converters ? std::move(converters) : std::make_shared<ConverterRegistry>()),
      sink_(std::make_shared<GraphSink>(this)) {}

FilterGraph::~FilterGraph() {
    sink_->detach();
    const std::lock_guard lock(controlMutex_);
    if (state_ != State_Stopped) {
        stopFiltersLocked();
        state_ = State_Stopped;
    }
    const auto members = membersLocked();
    for (const auto& filter : members) {
        for (const auto& pin : filter->EnumPins()) {
            pin->Disconnect();
        }
    }
    for (const auto& filter : members) {
        filter->SetSyncSource(nullptr);
        filter->JoinFilterGraph(nullptr, QString());
    }
}

std::shared_ptr<IMediaEventSink> FilterGraph::streamingSink() {
    return sink_;
}

HRESULT FilterGraph::AddFilter(const std::shared_ptr<IBaseFilter>& filter, const QString& name) {
    return changeTopology([&] { return addFilterLocked(filter, name); });
}

HRESULT FilterGraph::addFilterLocked(const std::shared_ptr<IBaseFilter>& filter,
                                     const QString& name) {
    if (!filter) {
        return E_POINTER;
    }
    if (containsLocked(filter)) {
        return E_INVALIDARG;
    }
    QString base = name;
    if (base.isEmpty()) {
        FILTER_INFO info;
        filter->QueryFilterInfo(&info);
        base = info.achName.isEmpty() ? QStringLiteral("Filter") : info.achName;
    }
    const auto inUse = [this](const QString& candidate) {
        const std::lock_guard lock(filtersMutex_);
        return std::any_of(members_.begin(), members_.end(),
                           [&](const Member& m) { return m.name == candidate; });
    };
    QString unique = base;
    HRESULT result = S_OK;
    if (inUse(unique)) {
        result = VFW_S_DUPLICATE_NAME;
        unique.clear();
        for (int n = 1; n <= 9999; ++n) {
            const QString candidate = base + QStringLiteral(" %1").arg(n, 4, 10, QLatin1Char('0'));
            if (!inUse(candidate)) {
                unique = candidate;
                break;
            }
        }
        if (unique.isEmpty()) {
            return VFW_E_DUPLICATE_NAME;
        }
    }
    if (const HRESULT hr = filter->JoinFilterGraph(shared_from_this(), unique); FAILED(hr)) {
        return hr;
    }
    {
        const std::lock_guard lock(filtersMutex_);
        members_.push_back(Member{filter, unique});
    }
    if (clock_) {
        filter->SetSyncSource(clock_);
    }
    if (state_ != State_Stopped) {
        events_.push(EC_GRAPH_CHANGED, 0, 0);
    }
    return result;
}

HRESULT FilterGraph::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    return changeTopology([&] { return removeFilterLocked(filter); });
}

HRESULT FilterGraph::removeFilterLocked(const std::shared_ptr<IBaseFilter>& filter) {
    if (!filter) {
        return E_POINTER;
    }
    if (!containsLocked(filter)) {
        return VFW_E_NOT_FOUND;
    }
    if (state_ != State_Stopped) {
        filter->Stop();
        std::shared_ptr<IBaseFilter> last;
        HRESULT result = S_OK;
        {
            const std::lock_guard lock(progressMutex_);
            const auto before = activeRenderers_.size();
            std::erase(activeRenderers_, filter);
            finished_.erase(filter.get());
            // The renderer left was the last one still streaming: the others are complete.
            if (activeRenderers_.size() < before && !activeRenderers_.empty() &&
                finished_.size() == activeRenderers_.size() && !completionCode_) {
                last = activeRenderers_.back();
                result = completionResult_;
                completionCode_ = EC_COMPLETE;
            }
        }
        if (last) {
            completed_.notify_all();
            events_.push(EC_COMPLETE, result, eventParamFromFilter(last.get()), {last});
        }
    }
    for (const auto& pin : filter->EnumPins()) {
        std::shared_ptr<IPin> peer;
        if (pin->ConnectedTo(&peer) == S_OK) {
            peer->Disconnect();
        }
        pin->Disconnect();
    }
    filter->SetSyncSource(nullptr);
    filter->JoinFilterGraph(nullptr, QString());
    {
        const std::lock_guard lock(filtersMutex_);
        std::erase_if(members_, [&](const Member& m) { return m.filter == filter; });
    }
    if (state_ != State_Stopped) {
        events_.push(EC_GRAPH_CHANGED, 0, 0);
    }
    return S_OK;
}

std::vector<std::shared_ptr<IBaseFilter>> FilterGraph::EnumFilters() {
    return membersLocked();
}

HRESULT FilterGraph::FindFilterByName(const QString& name, std::shared_ptr<IBaseFilter>* filter) {
    if (filter == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(filtersMutex_);
    for (const auto& m : members_) {
        if (m.name == name) {
            *filter = m.filter;
            return S_OK;
        }
    }
    *filter = nullptr;
    return VFW_E_NOT_FOUND;
}

bool FilterGraph::containsLocked(const std::shared_ptr<IBaseFilter>& filter) const {
    const std::lock_guard lock(filtersMutex_);
    return std::any_of(members_.begin(), members_.end(),
                       [&](const Member& m) { return m.filter == filter; });
}

std::vector<std::shared_ptr<IBaseFilter>> FilterGraph::membersLocked() const {
    const std::lock_guard lock(filtersMutex_);
    std::vector<std::shared_ptr<IBaseFilter>> result;
    result.reserve(members_.size());
    for (const auto& m : members_) {
        result.push_back(m.filter);
    }
    return result;
}

std::vector<std::shared_ptr<IBaseFilter>> FilterGraph::renderersLocked(bool connectedOnly) const {
    std::vector<std::shared_ptr<IBaseFilter>> result;
    for (const auto& filter : membersLocked()) {
        if (!isRenderer(filter)) {
            continue;
        }
        if (connectedOnly) {
            const auto pins = filter->EnumPins();
            if (std::none_of(pins.begin(), pins.end(), [](const auto& pin) {
                    return directionOf(pin) == PINDIR_INPUT && isConnected(pin);
                })) {
                continue;
            }
        }
        result.push_back(filter);
    }
    return result;
}

std::vector<std::shared_ptr<IMediaSeeking>> FilterGraph::seekersLocked() const {
    std::vector<std::shared_ptr<IMediaSeeking>> result;
    for (const auto& renderer : renderersLocked(true)) {
        for (const auto& pin : renderer->EnumPins()) {
            std::shared_ptr<IPin> peer;
            if (directionOf(pin) == PINDIR_INPUT && pin->ConnectedTo(&peer) == S_OK) {
                if (auto seeking = query<IMediaSeeking>(peer)) {
                    result.push_back(std::move(seeking));
                }
            }
        }
    }
    return result;
}

HRESULT FilterGraph::ConnectDirect(const std::shared_ptr<IPin>& output,
                                   const std::shared_ptr<IPin>& input,
                                   const AM_MEDIA_TYPE* mediaType) {
    return changeTopology([&] { return connectDirectLocked(output, input, mediaType); });
}

HRESULT FilterGraph::connectDirectLocked(const std::shared_ptr<IPin>& output,
                                         const std::shared_ptr<IPin>& input,
                                         const AM_MEDIA_TYPE* mt) {
    if (!output || !input) {
        return E_POINTER;
    }
    if (!containsLocked(filterOf(output)) || !containsLocked(filterOf(input))) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (directionOf(output) != PINDIR_OUTPUT || directionOf(input) != PINDIR_INPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    if (filterOf(output) == filterOf(input)) {
        return VFW_E_CIRCULAR_GRAPH;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    return output->Connect(input, mt);
}

HRESULT FilterGraph::Connect(const std::shared_ptr<IPin>& output,
                             const std::shared_ptr<IPin>& input) {
    return changeTopology([&] {
        const HRESULT direct = connectDirectLocked(output, input, nullptr);
        if (SUCCEEDED(direct) || direct == VFW_E_ALREADY_CONNECTED || direct == E_POINTER ||
            direct == VFW_E_NOT_IN_GRAPH || direct == VFW_E_INVALID_DIRECTION ||
            direct == VFW_E_NOT_STOPPED || direct == VFW_E_CIRCULAR_GRAPH) {
            return direct;
        }
        return connectThroughConverterLocked(output, input);
    });
}

// Tries each registered converter (highest merit first) between the two pins; a converter that
// does not fit is taken out of the graph again.
HRESULT FilterGraph::connectThroughConverterLocked(const std::shared_ptr<IPin>& output,
                                                   const std::shared_ptr<IPin>& input) {
    for (const auto& entry : converters_->entries()) {
        const auto converter = entry.create ? entry.create() : nullptr;
        if (!converter || FAILED(addFilterLocked(converter, entry.name))) {
            continue;
        }
        bool connected = false;
        for (const auto& convIn : converter->EnumPins()) {
            if (directionOf(convIn) != PINDIR_INPUT || isConnected(convIn)) {
                continue;
            }
            if (FAILED(output->Connect(convIn, nullptr))) {
                continue;
            }
            for (const auto& convOut : converter->EnumPins()) {
                if (directionOf(convOut) == PINDIR_OUTPUT && !isConnected(convOut) &&
                    SUCCEEDED(convOut->Connect(input, nullptr))) {
                    connected = true;
                    break;
                }
            }
            if (connected) {
                break;
            }
            output->Disconnect();
            convIn->Disconnect();
        }
        if (connected) {
            return S_OK;
        }
        removeFilterLocked(converter);
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::Disconnect(const std::shared_ptr<IPin>& pin) {
    if (!pin) {
        return E_POINTER;
    }
    return changeTopology([&] { return pin->Disconnect(); });
}

void FilterGraph::SetTopologyObserver(std::function<void()> observer) {
    const std::lock_guard lock(observerMutex_);
    topologyObserver_ = std::move(observer);
}

void FilterGraph::topologyChanged() {
    std::function<void()> observer;
    {
        const std::lock_guard lock(observerMutex_);
        observer = topologyObserver_;
    }
    if (observer) {
        observer();
    }
}

HRESULT FilterGraph::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeout_ms) {
    return events_.get(code, param1, param2, timeout_ms);
}

HRESULT FilterGraph::FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) {
    return events_.freeParams(code, param1, param2);
}

HRESULT FilterGraph::SetNotifyFlags(long flags) {
    if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY) {
        return E_INVALIDARG;
    }
    events_.setFlags(flags);
    return S_OK;
}

HRESULT FilterGraph::GetNotifyFlags(long* flags) {
    if (flags == nullptr) {
        return E_POINTER;
    }
    *flags = events_.flags();
    return S_OK;
}

HRESULT FilterGraph::SetNotifyCallback(std::function<void()> callback) {
    events_.setCallback(std::move(callback));
    return S_OK;
}

void FilterGraph::filterEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    if (code == EC_COMPLETE) {
        // Default handling: one EC_COMPLETE once every renderer that streams has finished,
        // carrying the first failure if a renderer ended by an error.
        std::shared_ptr<IBaseFilter> last;
        HRESULT result = S_OK;
        {
            const std::lock_guard lock(progressMutex_);
            const auto it = std::find_if(
                activeRenderers_.begin(), activeRenderers_.end(),
                [param2](const auto& r) { return eventParamFromFilter(r.get()) == param2; });
            if (it == activeRenderers_.end() || !finished_.insert(it->get()).second) {
                return;
            }
            if (FAILED(static_cast<HRESULT>(param1)) && SUCCEEDED(completionResult_)) {
                completionResult_ = static_cast<HRESULT>(param1);
            }
            if (finished_.size() < activeRenderers_.size()) {
                return;
            }
            last = *it;
            result = completionResult_;
            completionCode_ = EC_COMPLETE;
        }
        completed_.notify_all();
        events_.push(EC_COMPLETE, result, eventParamFromFilter(last.get()), {last});
        return;
    }
    std::vector<std::shared_ptr<IBaseFilter>> held;
    if (eventParamIsObject(code, 1) || eventParamIsObject(code, 2)) {
        const LONG_PTR identity = eventParamIsObject(code, 1) ? param1 : param2;
        const std::lock_guard lock(filtersMutex_);
        for (const auto& m : members_) {
            if (eventParamFromFilter(m.filter.get()) == identity) {
                held.push_back(m.filter);
            }
        }
    }
    events_.push(code, param1, param2, std::move(held));
}

} // namespace platform

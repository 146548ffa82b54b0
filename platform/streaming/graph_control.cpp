#include "platform/streaming/filter_graph.h"

#include "platform/streaming/reference_clocks.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"

#include <algorithm>
#include <chrono>

namespace platform {

namespace {

bool isRenderer(const std::shared_ptr<IBaseFilter>& filter) {
    const auto flags = query<IAMFilterMiscFlags>(filter);
    return flags && (flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER) != 0;
}

// Upstream filters first and renderers last when starting; the reverse when stopping, so a
// renderer never pulls from a stopped filter.
std::vector<std::shared_ptr<IBaseFilter>>
startOrder(std::vector<std::shared_ptr<IBaseFilter>> all) {
    std::stable_partition(all.begin(), all.end(), [](const auto& f) { return !isRenderer(f); });
    return all;
}

} // namespace

HRESULT FilterGraph::Run() {
    const std::lock_guard lock(controlMutex_);
    return runLocked(std::nullopt);
}

HRESULT FilterGraph::Run(REFERENCE_TIME tStart) {
    const std::lock_guard lock(controlMutex_);
    return runLocked(tStart);
}

HRESULT FilterGraph::Pause() {
    const std::lock_guard lock(controlMutex_);
    return pauseLocked();
}

HRESULT FilterGraph::Stop() {
    const std::lock_guard lock(controlMutex_);
    return stopLocked();
}

HRESULT FilterGraph::GetState(long timeout_ms, FILTER_STATE* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    std::vector<std::shared_ptr<IBaseFilter>> renderers;
    {
        const std::lock_guard lock(controlMutex_);
        *state = state_;
        if (*state == State_Stopped) {
            return S_OK;
        }
        const std::lock_guard progress(progressMutex_);
        renderers = activeRenderers_;
    }
    const bool unlimited = timeout_ms == INFINITE || timeout_ms < 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (const auto& renderer : renderers) {
        long remaining = INFINITE;
        if (!unlimited) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            remaining = static_cast<long>(std::max<std::int64_t>(left.count(), 0));
        }
        FILTER_STATE ignored = State_Stopped;
        if (renderer->GetState(remaining, &ignored) == VFW_S_STATE_INTERMEDIATE) {
            return VFW_S_STATE_INTERMEDIATE;
        }
    }
    return S_OK;
}

HRESULT FilterGraph::SetSyncSource(const std::shared_ptr<IReferenceClock>& clock) {
    const std::lock_guard lock(controlMutex_);
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    clockExplicit_ = true;
    setClockLocked(clock);
    clockEverSet_ = true;
    return S_OK;
}

HRESULT FilterGraph::GetSyncSource(std::shared_ptr<IReferenceClock>* clock) {
    if (clock == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(controlMutex_);
    *clock = clock_;
    return S_OK;
}

HRESULT FilterGraph::SetDefaultSyncSource() {
    const std::lock_guard lock(controlMutex_);
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    clockExplicit_ = false;
    chooseClockLocked();
    return S_OK;
}

// The clock of the first filter that provides one, else the system clock. Not when the
// application chose a clock (or none) itself.
void FilterGraph::chooseClockLocked() {
    if (clockExplicit_) {
        return;
    }
    std::shared_ptr<IReferenceClock> chosen;
    for (const auto& filter : membersLocked()) {
        if (const auto provider = query<IClockProvider>(filter)) {
            if ((chosen = provider->GetReferenceClock())) {
                break;
            }
        }
    }
    if (!chosen) {
        if (!systemClock_) {
            systemClock_ = std::make_shared<SystemReferenceClock>();
        }
        chosen = systemClock_;
    }
    setClockLocked(chosen);
    clockEverSet_ = true;
}

void FilterGraph::setClockLocked(const std::shared_ptr<IReferenceClock>& clock) {
    if (clock == clock_ && clockEverSet_) {
        return;
    }
    const bool announce = clockEverSet_ && clock != clock_;
    clock_ = clock;
    for (const auto& filter : membersLocked()) {
        filter->SetSyncSource(clock_);
    }
    if (announce) {
        events_.push(EC_CLOCK_CHANGED, 0, 0);
    }
}

HRESULT FilterGraph::startStreamingLocked() {
    chooseClockLocked();
    {
        const std::lock_guard lock(progressMutex_);
        activeRenderers_ = renderersLocked(true);
        finished_.clear();
        completionResult_ = S_OK;
        completionCode_.reset();
        pausePending_ = false;
    }
    pausedStreamTime_ = 0;
    std::vector<std::shared_ptr<IBaseFilter>> paused;
    for (const auto& filter : startOrder(membersLocked())) {
        if (const HRESULT hr = filter->Pause(); FAILED(hr)) {
            std::reverse(paused.begin(), paused.end());
            for (const auto& p : paused) {
                p->Stop();
            }
            const std::lock_guard lock(progressMutex_);
            activeRenderers_.clear();
            return hr;
        }
        paused.push_back(filter);
    }
    return S_OK;
}

void FilterGraph::stopFiltersLocked() {
    auto order = startOrder(membersLocked());
    std::reverse(order.begin(), order.end());
    for (const auto& filter : order) {
        filter->Stop();
    }
    const std::lock_guard lock(progressMutex_);
    activeRenderers_.clear();
    finished_.clear();
    pausePending_ = false;
}

bool FilterGraph::allRenderersReady() {
    for (const auto& renderer : activeRenderers_) {
        FILTER_STATE ignored = State_Stopped;
        if (renderer->GetState(0, &ignored) != S_OK) {
            return false;
        }
    }
    return true;
}

HRESULT FilterGraph::pauseLocked() {
    if (state_ == State_Stopped) {
        if (const HRESULT hr = startStreamingLocked(); FAILED(hr)) {
            return hr;
        }
    } else if (state_ == State_Running) {
        pausedStreamTime_ = std::max<REFERENCE_TIME>(streamTimeLocked(), 0);
        for (const auto& filter : membersLocked()) {
            filter->Pause();
        }
    }
    state_ = State_Paused;
    bool ready = false;
    {
        const std::lock_guard lock(progressMutex_);
        pausePending_ = true;
        ready = allRenderersReady();
        if (ready) {
            pausePending_ = false;
        }
    }
    if (ready) {
        events_.push(EC_PAUSED, S_OK, 0);
        return S_OK;
    }
    return S_FALSE;
}

void FilterGraph::rendererReady() {
    bool announce = false;
    {
        const std::lock_guard lock(progressMutex_);
        if (pausePending_ && allRenderersReady()) {
            pausePending_ = false;
            announce = true;
        }
    }
    if (announce) {
        events_.push(EC_PAUSED, S_OK, 0);
    }
}

HRESULT FilterGraph::runLocked(std::optional<REFERENCE_TIME> tStart) {
    if (state_ == State_Running) {
        return S_OK;
    }
    if (state_ == State_Stopped) {
        if (const HRESULT hr = startStreamingLocked(); FAILED(hr)) {
            return hr;
        }
        state_ = State_Paused;
    }
    {
        const std::lock_guard lock(progressMutex_);
        pausePending_ = false;
    }
    REFERENCE_TIME now = 0;
    if (clock_) {
        clock_->GetTime(&now);
    }
    tStart_ = tStart.value_or(clock_ ? now - pausedStreamTime_ : 0);
    for (const auto& filter : startOrder(membersLocked())) {
        if (const HRESULT hr = filter->Run(tStart_); FAILED(hr)) {
            stopFiltersLocked();
            state_ = State_Stopped;
            return hr;
        }
    }
    state_ = State_Running;
    const std::lock_guard lock(progressMutex_);
    return allRenderersReady() ? S_OK : S_FALSE;
}

HRESULT FilterGraph::stopLocked() {
    if (state_ == State_Stopped) {
        return S_OK;
    }
    const auto [media, reported] = positionsLocked();
    stopFiltersLocked();
    state_ = State_Stopped;
    // Keep the position: the next run resumes where the output stood.
    seekUpstreamLocked(media, std::nullopt, 0);
    const std::lock_guard lock(progressMutex_);
    mediaBase_ = media;
    reportBase_ = reported;
    return S_OK;
}

void FilterGraph::segmentStarted(REFERENCE_TIME start) {
    const std::lock_guard lock(progressMutex_);
    if (!ownSeek_) {
        mediaBase_ = start;
        reportBase_ = 0;
    }
}

HRESULT FilterGraph::WaitForCompletion(long timeout_ms, long* code) {
    if (code == nullptr) {
        return E_POINTER;
    }
    *code = 0;
    if (state_ != State_Running) {
        return VFW_E_WRONG_STATE;
    }
    std::unique_lock lock(progressMutex_);
    const auto done = [this] { return completionCode_.has_value(); };
    if (timeout_ms == INFINITE || timeout_ms < 0) {
        completed_.wait(lock, done);
    } else if (!completed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), done)) {
        return E_ABORT;
    }
    *code = *completionCode_;
    return S_OK;
}

REFERENCE_TIME FilterGraph::streamTimeLocked() {
    if (state_ == State_Stopped) {
        return 0;
    }
    if (clock_) {
        if (state_ == State_Paused) {
            return pausedStreamTime_;
        }
        REFERENCE_TIME now = 0;
        clock_->GetTime(&now);
        return std::max<REFERENCE_TIME>(now - tStart_, 0);
    }
    std::vector<std::shared_ptr<IBaseFilter>> renderers;
    {
        const std::lock_guard lock(progressMutex_);
        renderers = activeRenderers_;
    }
    REFERENCE_TIME progress = 0;
    for (const auto& renderer : renderers) {
        if (const auto streaming = query<IStreamingRenderer>(renderer)) {
            progress = std::max(progress, streaming->StreamProgress());
        }
    }
    return progress;
}

std::pair<REFERENCE_TIME, REFERENCE_TIME> FilterGraph::positionsLocked() {
    const REFERENCE_TIME stream = streamTimeLocked();
    REFERENCE_TIME mediaBase = 0;
    REFERENCE_TIME reportBase = 0;
    {
        const std::lock_guard lock(progressMutex_);
        mediaBase = mediaBase_;
        reportBase = reportBase_;
    }
    REFERENCE_TIME media = mediaBase + stream;
    const auto seekers = seekersLocked();
    if (!seekers.empty()) {
        REFERENCE_TIME stop = 0;
        if (SUCCEEDED(seekers.front()->GetStopPosition(&stop))) {
            media = std::clamp(media, std::min(mediaBase, stop), stop);
        }
    }
    return {media, media - mediaBase + reportBase};
}

HRESULT FilterGraph::seekUpstreamLocked(REFERENCE_TIME media, std::optional<REFERENCE_TIME> stop,
                                        unsigned long extraFlags) {
    const auto seekers = seekersLocked();
    if (seekers.empty()) {
        return E_NOTIMPL;
    }
    {
        const std::lock_guard lock(progressMutex_);
        ownSeek_ = true;
    }
    HRESULT result = S_OK;
    for (const auto& seeking : seekers) {
        REFERENCE_TIME current = media;
        REFERENCE_TIME end = stop.value_or(0);
        const HRESULT hr =
            seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning | extraFlags, &end,
                                  stop ? AM_SEEKING_AbsolutePositioning : AM_SEEKING_NoPositioning);
        if (FAILED(hr) && SUCCEEDED(result)) {
            result = hr;
        }
    }
    const std::lock_guard lock(progressMutex_);
    ownSeek_ = false;
    return result;
}

HRESULT FilterGraph::GetCapabilities(unsigned long* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(controlMutex_);
    const auto seekers = seekersLocked();
    if (seekers.empty()) {
        return E_NOTIMPL;
    }
    unsigned long all = ~0ul;
    for (const auto& s : seekers) {
        unsigned long caps = 0;
        if (FAILED(s->GetCapabilities(&caps))) {
            caps = 0;
        }
        all &= caps;
    }
    *capabilities = all & ~static_cast<unsigned long>(AM_SEEKING_Source);
    return S_OK;
}

HRESULT FilterGraph::GetDuration(REFERENCE_TIME* duration) {
    if (duration == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(controlMutex_);
    const auto seekers = seekersLocked();
    HRESULT result = E_NOTIMPL;
    REFERENCE_TIME longest = 0;
    for (const auto& s : seekers) {
        REFERENCE_TIME d = 0;
        if (SUCCEEDED(s->GetDuration(&d))) {
            longest = std::max(longest, d);
            result = S_OK;
        }
    }
    *duration = longest;
    return result;
}

HRESULT FilterGraph::GetStopPosition(REFERENCE_TIME* stop) {
    if (stop == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(controlMutex_);
    const auto seekers = seekersLocked();
    if (seekers.empty()) {
        return E_NOTIMPL;
    }
    return seekers.front()->GetStopPosition(stop);
}

HRESULT FilterGraph::GetCurrentPosition(REFERENCE_TIME* current) {
    if (current == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(controlMutex_);
    if (seekersLocked().empty()) {
        return E_NOTIMPL;
    }
    *current = positionsLocked().second;
    return S_OK;
}

// A new current position restarts streaming from there: the filters are stopped, the
// upstreams seeked, and the graph returns to its state (pre-rolling again; a running graph
// starts its stream time anew).
HRESULT FilterGraph::SetPositions(REFERENCE_TIME* current, unsigned long currentFlags,
                                  REFERENCE_TIME* stop, unsigned long stopFlags) {
    const std::lock_guard lock(controlMutex_);
    const auto seekers = seekersLocked();
    if (seekers.empty()) {
        return E_NOTIMPL;
    }
    const auto [media, reported] = positionsLocked();
    REFERENCE_TIME oldStop = 0;
    seekers.front()->GetStopPosition(&oldStop);
    bool invalid = false;
    const auto target = resolveSeekPosition(current, currentFlags, reported, &invalid);
    const bool incremental =
        (stopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_IncrementalPositioning;
    const auto newStop = resolveSeekPosition(
        stop, stopFlags, incremental ? target.value_or(reported) : oldStop, &invalid);
    if (invalid) {
        return E_INVALIDARG;
    }
    HRESULT result = S_OK;
    if (target) {
        const FILTER_STATE was = state_;
        if (was != State_Stopped) {
            stopFiltersLocked();
        }
        const REFERENCE_TIME position = std::max<REFERENCE_TIME>(*target, 0);
        result = seekUpstreamLocked(position, newStop, currentFlags & AM_SEEKING_SeekToKeyFrame);
        REFERENCE_TIME actual = position;
        seekers.front()->GetCurrentPosition(&actual);
        {
            const std::lock_guard progress(progressMutex_);
            mediaBase_ = actual;
            reportBase_ = actual;
        }
        if (was != State_Stopped) {
            state_ = State_Stopped;
            if (const HRESULT hr = startStreamingLocked(); FAILED(hr)) {
                return hr;
            }
            state_ = State_Paused;
            if (was == State_Running) {
                if (const HRESULT hr = runLocked(std::nullopt); FAILED(hr)) {
                    return hr;
                }
            }
        }
        if (current != nullptr && (currentFlags & AM_SEEKING_ReturnTime) != 0) {
            *current = actual;
        }
    } else if (newStop) {
        for (const auto& s : seekers) {
            REFERENCE_TIME end = *newStop;
            const HRESULT hr = s->SetPositions(nullptr, AM_SEEKING_NoPositioning, &end,
                                               AM_SEEKING_AbsolutePositioning);
            if (FAILED(hr) && SUCCEEDED(result)) {
                result = hr;
            }
        }
    }
    if (stop != nullptr && (stopFlags & AM_SEEKING_ReturnTime) != 0) {
        seekers.front()->GetStopPosition(stop);
    }
    return FAILED(result) ? result : S_OK;
}

} // namespace platform

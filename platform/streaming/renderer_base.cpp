#include "platform/streaming/renderer_base.h"

#include "platform/streaming/streaming_errors.h"
#include "platform/streaming/thread_priority.h"
#include "platform/system/query.h"

#include <chrono>
#include <exception>

namespace platform {

namespace {

// A subclass's step on the streaming thread: an exception becomes a failure code, since it must
// not end the thread unreported.
template <typename Step> HRESULT guarded(Step step) {
    try {
        return step();
    } catch (const std::exception&) {
        return E_FAIL;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace

RendererBase::RendererBase(QString name, const CLSID& clsid)
    : FilterBase(std::move(name), clsid), input_(*this), sync_(std::make_shared<Sync>()) {
    addPin(input_);
}

RendererBase::~RendererBase() {
    // Only reached without a Stop when the renderer was misused; end the thread regardless.
    if (thread_.joinable()) {
        changeState([](Sync& s) { s.stopRequested = true; });
        if (upstream_) {
            upstream_->BeginFlush();
        }
        thread_.join();
        if (upstream_) {
            upstream_->EndFlush();
        }
    }
}

RendererBase::Input::Input(RendererBase& owner)
    : InputPinBase(owner, QStringLiteral("In")), owner_(owner) {}

HRESULT RendererBase::Input::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    return owner_.CheckMediaType(mediaType);
}

HRESULT RendererBase::GetState(long timeout_ms, FILTER_STATE* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = this->state();
    if (*state == State_Stopped) {
        return S_OK;
    }
    std::unique_lock lock(sync_->mutex);
    const auto done = [this] { return sync_->ready || sync_->stopRequested; };
    if (timeout_ms == INFINITE || timeout_ms < 0) {
        sync_->changed.wait(lock, done);
    } else {
        sync_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), done);
    }
    return sync_->ready || sync_->stopRequested ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

REFERENCE_TIME RendererBase::StreamProgress() {
    const std::lock_guard lock(sync_->mutex);
    return sync_->progress;
}

void RendererBase::setClockSync(bool on) {
    changeState([on](Sync& s) { s.clockSync = on; });
}

void RendererBase::setDropLateSamples(bool on) {
    changeState([on](Sync& s) { s.dropLate = on; });
}

std::uint64_t RendererBase::samplesPresented() const {
    const std::lock_guard lock(sync_->mutex);
    return sync_->presented;
}

std::uint64_t RendererBase::samplesDropped() const {
    const std::lock_guard lock(sync_->mutex);
    return sync_->dropped;
}

void RendererBase::onNewSegment(PinBase&, REFERENCE_TIME start, REFERENCE_TIME, double) {
    if (const auto site = query<IStreamingSite>(eventSink())) {
        site->SegmentStarted(this, start);
    }
}

HRESULT RendererBase::onActivate() {
    upstream_ = input_.upstream();
    const auto clock = this->clock();
    changeState([&](Sync& s) {
        s.state = State_Paused;
        s.stopRequested = false;
        s.ready = !upstream_;
        s.progress = 0;
        s.clock = clock;
    });
    if (upstream_) {
        thread_ = std::thread([this, upstream = upstream_] { stream(upstream); });
    }
    return S_OK;
}

HRESULT RendererBase::onRun(REFERENCE_TIME tStart) {
    changeState([tStart](Sync& s) {
        s.tStart = tStart;
        s.state = State_Running;
    });
    return S_OK;
}

void RendererBase::onPauseFromRunning() {
    changeState([](Sync& s) { s.state = State_Paused; });
}

void RendererBase::onDeactivate() {
    changeState([](Sync& s) {
        s.stopRequested = true;
        s.state = State_Stopped;
    });
    if (thread_.joinable()) {
        upstream_->BeginFlush();
        thread_.join();
        upstream_->EndFlush();
    }
    upstream_.reset();
}

void RendererBase::onClockChanged(const std::shared_ptr<IReferenceClock>& clock) {
    changeState([&clock](Sync& s) { s.clock = clock; });
}

void RendererBase::changeState(const std::function<void(Sync&)>& change) {
    {
        const std::lock_guard lock(sync_->mutex);
        change(*sync_);
        ++sync_->wakes;
    }
    sync_->changed.notify_all();
}

bool RendererBase::stopRequested() {
    const std::lock_guard lock(sync_->mutex);
    return sync_->stopRequested;
}

bool RendererBase::pacedOutput() {
    if (wantsRealTimePriority()) {
        return true;
    }
    const std::lock_guard lock(sync_->mutex);
    return sync_->clock != nullptr && sync_->clockSync;
}

void RendererBase::stream(const std::shared_ptr<IPullPin>& upstream) {
    if (pacedOutput()) {
        useRealTimePriority(kOutputThreadPriority);
    }
    OnStartStreaming();
    for (;;) {
        std::shared_ptr<IMediaSample> sample;
        const HRESULT hr = upstream->PullSample(&sample);
        if (stopRequested()) {
            break;
        }
        if (FAILED(hr)) {
            abort(hr);
            break;
        }
        if (hr != S_OK) {
            endOfStream();
            break;
        }
        if (const HRESULT prepared = guarded([&] { return PrepareSample(*sample); });
            FAILED(prepared)) {
            abort(prepared);
            break;
        }
        markReady();
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
        const Timing timing =
            timed ? waitUntil(start, stop > start ? std::optional(stop) : std::nullopt)
                  : waitUntil(-1, std::nullopt);
        if (timing == Timing::Stop) {
            break;
        }
        if (timing == Timing::Drop) {
            const std::lock_guard lock(sync_->mutex);
            ++sync_->dropped;
            sync_->progress = stop;
            continue;
        }
        if (const HRESULT rendered = guarded([&] { return DoRenderSample(*sample); });
            FAILED(rendered)) {
            abort(rendered);
            break;
        }
        const std::lock_guard lock(sync_->mutex);
        ++sync_->presented;
        if (timed) {
            sync_->progress = stop;
        }
    }
    OnStopStreaming();
}

// Waits while paused and, when running with a clock, until the clock reaches the sample's
// stream time. A negative `streamTime` means "no time": only the paused state holds it.
RendererBase::Timing RendererBase::waitUntil(REFERENCE_TIME streamTime,
                                             std::optional<REFERENCE_TIME> dropAfter) {
    const auto sync = sync_;
    for (;;) {
        std::unique_lock lock(sync->mutex);
        sync->changed.wait(lock,
                           [&] { return sync->stopRequested || sync->state == State_Running; });
        if (sync->stopRequested) {
            return Timing::Stop;
        }
        const auto clock = sync->clock;
        if (!clock || !sync->clockSync || streamTime < 0) {
            return Timing::Present;
        }
        const REFERENCE_TIME tStart = sync->tStart;
        const bool dropLate = sync->dropLate;
        const std::uint64_t wakes = sync->wakes;
        lock.unlock();

        REFERENCE_TIME now = 0;
        if (FAILED(clock->GetTime(&now))) {
            return Timing::Present;
        }
        if (now >= tStart + streamTime) {
            if (dropLate && dropAfter && now >= tStart + *dropAfter) {
                return Timing::Drop;
            }
            return Timing::Present;
        }
        std::uint64_t cookie = 0;
        const HRESULT advised = clock->AdviseTime(
            tStart, streamTime,
            [sync] {
                {
                    const std::lock_guard wakeLock(sync->mutex);
                    ++sync->wakes;
                }
                sync->changed.notify_all();
            },
            &cookie);
        if (FAILED(advised)) {
            return Timing::Present;
        }
        lock.lock();
        sync->changed.wait(lock, [&] { return sync->wakes != wakes; });
        lock.unlock();
        clock->Unadvise(cookie);
    }
}

void RendererBase::markReady() {
    bool first = false;
    {
        const std::lock_guard lock(sync_->mutex);
        first = !sync_->ready;
        sync_->ready = true;
    }
    if (first) {
        sync_->changed.notify_all();
        if (const auto site = query<IStreamingSite>(eventSink())) {
            site->RendererReady(this);
        }
    }
}

void RendererBase::endOfStream() {
    OnEndOfStream();
    markReady();
    REFERENCE_TIME last = 0;
    {
        const std::lock_guard lock(sync_->mutex);
        last = sync_->progress;
    }
    // Report the end once running and once the last sample has been shown for its duration.
    if (waitUntil(last, std::nullopt) == Timing::Stop) {
        return;
    }
    notifyEvent(EC_COMPLETE, S_OK, eventParamFromFilter(this));
}

void RendererBase::abort(HRESULT hr) {
    markReady();
    notifyEvent(EC_ERRORABORT, hr, 0);
    notifyEvent(EC_COMPLETE, hr, eventParamFromFilter(this));
}

} // namespace platform

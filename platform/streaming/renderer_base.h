#pragma once

#include "platform/streaming/filter_base.h"
#include "platform/streaming/pin_base.h"
#include "platform/streaming/streaming_site.h"

#include <condition_variable>
#include <cstdint>
#include <thread>

namespace platform {

// A filter that ends a stream. While paused or running it owns one streaming thread that pulls
// samples from upstream and presents them:
//   paused  - the first sample is pulled (pre-roll, which completes the pause) and held;
//   running - each sample is presented when the reference clock reaches tStart + its start
//             time, or at once when the graph has no clock, the sample has no time or clock
//             sync is off (a device paced by its own hardware);
//   end     - at the end of the stream, once running and the last sample's stop time has
//             come, the renderer reports EC_COMPLETE;
//   failure - a failed pull or DoRenderSample reports EC_ERRORABORT with the code, then
//             EC_COMPLETE with it, and the thread ends.
// A renderer that keeps pace with a clock or a device asks for real-time priority for its
// streaming thread (SCHED_FIFO within RLIMIT_RTPRIO, silently normal otherwise); one that runs
// as fast as possible keeps normal priority, so that it cannot starve the decoding threads.
// Stop ends the thread: it flushes upstream so a blocked pull returns, and joins. A renderer
// must be stopped before it is released (the graph does this).
class RendererBase : public FilterBase, public IAMFilterMiscFlags, public IStreamingRenderer {
public:
    explicit RendererBase(QString name, const CLSID& clsid = CLSID{});
    ~RendererBase() override;

    HRESULT GetState(long timeout_ms, FILTER_STATE* state) override;
    unsigned long GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }
    REFERENCE_TIME StreamProgress() override;

    InputPinBase& inputPin() { return input_; }
    // Off: present without waiting for the clock.
    void setClockSync(bool on);
    // On: skip a sample whose stop time has already passed on the clock (preview).
    void setDropLateSamples(bool on);
    std::uint64_t samplesPresented() const;
    std::uint64_t samplesDropped() const;

    void onNewSegment(PinBase& input, REFERENCE_TIME start, REFERENCE_TIME stop,
                      double rate) override;

protected:
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) = 0;
    // Presents one sample, on the streaming thread.
    virtual HRESULT DoRenderSample(IMediaSample& sample) = 0;
    // On the streaming thread when a sample has been pulled, before it waits for its time (for
    // the first sample, before the pause completes): slow work such as opening a device goes
    // here, so that it does not make the sample late. A failure aborts the stream.
    virtual HRESULT PrepareSample(IMediaSample& /*sample*/) { return S_OK; }
    // On the streaming thread: before the first pull, and when the thread ends.
    virtual void OnStartStreaming() {}
    virtual void OnStopStreaming() {}
    // On the streaming thread when the upstream has no more samples. EC_COMPLETE follows once
    // this returns: a renderer that still holds samples in a device waits here until the
    // device has played them (Stop interrupts the wait through onDeactivate).
    virtual void OnEndOfStream() {}
    // Whether the streaming thread feeds a device that paces itself (besides a renderer that
    // presents on a clock): such threads ask for real-time priority.
    virtual bool wantsRealTimePriority() const { return false; }

    HRESULT onActivate() override;
    HRESULT onRun(REFERENCE_TIME tStart) override;
    void onPauseFromRunning() override;
    void onDeactivate() override;
    void onClockChanged(const std::shared_ptr<IReferenceClock>& clock) override;

private:
    class Input final : public InputPinBase {
    public:
        explicit Input(RendererBase& owner);
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;

    private:
        RendererBase& owner_;
    };

    // State shared with the streaming thread and with clock callbacks.
    struct Sync {
        std::mutex mutex;
        std::condition_variable changed;
        FILTER_STATE state = State_Stopped;
        REFERENCE_TIME tStart = 0;
        std::shared_ptr<IReferenceClock> clock;
        bool stopRequested = false;
        bool ready = false;
        REFERENCE_TIME progress = 0;
        std::uint64_t wakes = 0;
        std::uint64_t presented = 0;
        std::uint64_t dropped = 0;
        bool clockSync = true;
        bool dropLate = false;
    };
    enum class Timing { Present, Drop, Stop };

    void stream(const std::shared_ptr<IPullPin>& upstream);
    // A clock or a device sets the pace of this renderer's thread.
    bool pacedOutput();
    Timing waitUntil(REFERENCE_TIME streamTime, std::optional<REFERENCE_TIME> dropAfter);
    void markReady();
    void endOfStream();
    void abort(HRESULT hr);
    void changeState(const std::function<void(Sync&)>& change);
    bool stopRequested();

    Input input_;
    std::shared_ptr<Sync> sync_;
    std::shared_ptr<IPullPin> upstream_;
    std::thread thread_;
};

} // namespace platform

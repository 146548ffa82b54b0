#pragma once

#include "platform/filters/dv_device_renderer.h"

#include <memory>

// "DV Monitor": shows the DV stream as sent, in a window of its own, and plays its sound. Frames
// arrive on the streaming thread and are decoded there; the newest picture is handed to the
// window on the user-interface thread with a queued call (older ones not yet shown are
// skipped). The window is created on the user-interface thread when the graph first runs; a
// process without a QApplication gets no window.
//
// Counters (IDvOutputStatistics, also shown in the window): a frame is late when it is presented
// after its display time has ended on the graph's clock; each whole frame time it comes behind
// its start is a frame time in which the previous picture was shown again (a repeated frame).
namespace platform {

class DvMonitorWindow;

class DvMonitorFilter final : public DvDeviceRenderer, public ISpecifyPropertyPages {
public:
    DvMonitorFilter();
    ~DvMonitorFilter() override;

    HRESULT GetPages(CAUUID* pages) override;
    std::uint64_t lateFrames() const {
        return static_cast<std::uint64_t>(GetOutputStatistics().framesLate);
    }
    std::uint64_t repeatedFrames() const {
        return static_cast<std::uint64_t>(GetOutputStatistics().framesRepeated);
    }
    // The window, once created; use on the user-interface thread only.
    DvMonitorWindow* window() const;

    struct Channel;

private:
    HRESULT onRun(REFERENCE_TIME tStart) override;
    std::shared_ptr<DvSink> openSink(DvStandard standard, QString* error) override;
    bool framePushed(DvSink& sink, std::span<const std::uint8_t> frame, const IMediaSample& sample,
                     QString* error) override;

    std::shared_ptr<Channel> channel_;
};

} // namespace platform

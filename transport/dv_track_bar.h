#pragma once

#include "graph/filter_graph.h"
#include "graph/filter_graph_listener.h"
#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/media_seeking.h"

#include <QSlider>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

class QTimer;

namespace transport {

using platform::REFERENCE_TIME;

// Raised when the polling timer cannot be started.
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How a release of the thumb moves the output.
enum TtbMode : int {
    tbmStandart = 0, // seek the whole graph
    tbmDV = 1,       // seek the render engine's output pins while the graph is stopped
    tbmDVShift = 2,  // ask the owner to rebuild the graph from the thumb's position
};

// The trackbar over the whole timeline. It follows a filter-graph wrapper as its listener,
// polls the graph's position on its own timer while the output runs, reports the current and
// total time in milliseconds, reports the time under the thumb while the user drags it, and
// moves the output to the thumb when the user lets go.
//
// One thumb step stands for TimerInterval milliseconds: every poll sets Max to the timeline
// length divided by the interval.
class TDVTrackBar : public QSlider, public graph::IGraphListener {
    Q_OBJECT

public:
    explicit TDVTrackBar(QWidget* parent = nullptr);
    ~TDVTrackBar() override;
    TDVTrackBar(const TDVTrackBar&) = delete;
    TDVTrackBar& operator=(const TDVTrackBar&) = delete;

    // The video output pin seeked in tbmDV mode; setting it (also to none) zeroes PinShift.
    const std::shared_ptr<platform::IPin>& Pin() const { return pin_; }
    void setPin(std::shared_ptr<platform::IPin> pin);
    // The audio output pin seeked together with Pin, or none.
    const std::shared_ptr<platform::IPin>& Pin2() const { return pin2_; }
    void setPin2(std::shared_ptr<platform::IPin> pin);

    TtbMode Mode() const { return mode_; }
    void setMode(TtbMode mode) { mode_ = mode; }

    // The wrapper followed; the trackbar is its listener until set to another one or none, and
    // lets go of it by itself when the wrapper is destroyed.
    graph::TFilterGraph* FilterGraph() const { return filterGraph_; }
    void setFilterGraph(graph::TFilterGraph* filterGraph);

    // Polling period in milliseconds, and the media time one thumb step stands for; 0 stops
    // polling.
    std::uint32_t TimerInterval() const { return timerInterval_; }
    void setTimerInterval(std::uint32_t interval_ms);

    // True from a left-button press on the control until the next button release.
    bool Tracking() const { return tracking_; }
    // Target of the last pin seek, added to the graph's own position in tbmDV mode.
    REFERENCE_TIME PinShift() const { return pinShift_; }

    // Timeline time at which the current rendering started; set by the graph build in
    // tbmDVShift mode and added to the graph's positions.
    REFERENCE_TIME DVShift = 0;

    // Moves the output to the thumb's position, by Mode.
    void SeekToThumb();
    // Moves the output to `target` on a timeline of `length`, by Mode.
    void SeekTo(REFERENCE_TIME target, REFERENCE_TIME length);

    // Events; an unset one is skipped. The first argument is this trackbar; times are in ms.
    using TTimerEvent =
        std::function<void(TDVTrackBar* sender, std::uint32_t CurrentPos, std::uint32_t StopPos)>;
    // Every poll and after the seeks that move the thumb by program.
    TTimerEvent OnTimer;
    // While the user drags the thumb: the time under the thumb and the timeline length.
    TTimerEvent OnChanging;
    // After every mouse-button release over the control.
    std::function<void(TDVTrackBar* sender)> OnEndOfChange;
    // After a seek in tbmDV mode, with the new position (100 ns).
    std::function<void(TDVTrackBar* sender, REFERENCE_TIME STime)> OnDVSeekDone;
    // In tbmDVShift mode when the output must move; `GS` is the state the graph had.
    std::function<void(TDVTrackBar* sender, graph::TGraphState GS)> OnDVShiftSeekToPosition;
    // Every change of the thumb position, by the user or by program.
    std::function<void(TDVTrackBar* sender)> OnChange;

    // Listener calls of the wrapper.
    void GraphEvent(long code, platform::LONG_PTR param1, platform::LONG_PTR param2) override;
    void ControlEvent(graph::TControlEvent event, int parameter) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void rearmTimer();
    void setTimerEnabled(bool enabled);
    // One poll: refreshes the thumb scale and position from the graph and raises OnTimer.
    void tick();
    // Runs at every change of the thumb position and once at a left-button press.
    void changed();
    void restoreState(graph::TGraphState state);
    // tbmDV: with the graph stopped, seeks both pins to targetFor(the pins' stop position) and
    // returns the graph to `state`.
    void seekPins(graph::TGraphState state,
                  const std::function<REFERENCE_TIME(REFERENCE_TIME stop)>& targetFor);
    void releaseGraph();
    void raiseTimer(REFERENCE_TIME current, REFERENCE_TIME stop);

    std::shared_ptr<platform::IPin> pin_;
    std::shared_ptr<platform::IPin> pin2_;
    std::shared_ptr<platform::IMediaSeeking> pinSeeking_;
    std::shared_ptr<platform::IMediaSeeking> pin2Seeking_;
    std::shared_ptr<platform::IMediaSeeking> graphSeeking_;
    graph::TFilterGraph* filterGraph_ = nullptr;
    QMetaObject::Connection graphDestroyed_;
    TtbMode mode_ = tbmStandart;
    std::uint32_t timerInterval_ = 1000;
    REFERENCE_TIME pinShift_ = 0;
    bool tracking_ = false;
    bool timerEnabled_ = false;
    QTimer* timer_;
};

} // namespace transport

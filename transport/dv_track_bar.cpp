#include "transport/dv_track_bar.h"

#include "transport/click_to_position.h"
#include "transport/position_map.h"

#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace transport {

using graph::TControlEvent;
using graph::TGraphState;
using platform::AM_SEEKING_AbsolutePositioning;
using platform::AM_SEEKING_NoPositioning;
using platform::FAILED;
using platform::SUCCEEDED;

namespace {

// A thumb position or range end from a 32-bit count; the slider's range is a signed int.
int sliderValue(std::uint32_t steps) {
    return static_cast<int>(std::min<std::uint32_t>(steps, std::numeric_limits<int>::max()));
}

// Moves the current position to `target` and leaves the stop position as it is.
void seekCurrent(platform::IMediaSeeking& seeking, REFERENCE_TIME target, REFERENCE_TIME stop) {
    seeking.SetPositions(&target, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_NoPositioning);
}

} // namespace

TDVTrackBar::TDVTrackBar(QWidget* parent)
    : QSlider(Qt::Horizontal, parent), timer_(new QTimer(this)) {
    setMaximum(10000);
    setTickPosition(QSlider::NoTicks);
    SetClickToPosition(*this);
    timer_->setObjectName(QStringLiteral("pollTimer"));
    connect(timer_, &QTimer::timeout, this, &TDVTrackBar::tick);
    connect(this, &QAbstractSlider::valueChanged, this, &TDVTrackBar::changed);
}

TDVTrackBar::~TDVTrackBar() {
    timerEnabled_ = false;
    timer_->stop();
    setFilterGraph(nullptr);
    releaseGraph();
}

void TDVTrackBar::setPin(std::shared_ptr<platform::IPin> pin) {
    pinShift_ = 0;
    pin_ = std::move(pin);
    pinSeeking_ = platform::query<platform::IMediaSeeking>(pin_);
}

void TDVTrackBar::setPin2(std::shared_ptr<platform::IPin> pin) {
    pinShift_ = 0;
    pin2_ = std::move(pin);
    pin2Seeking_ = platform::query<platform::IMediaSeeking>(pin2_);
}

void TDVTrackBar::setFilterGraph(graph::TFilterGraph* filterGraph) {
    if (filterGraph == filterGraph_) {
        return;
    }
    if (filterGraph_ != nullptr) {
        filterGraph_->RemoveListener(this);
        disconnect(graphDestroyed_);
    }
    filterGraph_ = filterGraph;
    // The position comes from the graph followed now; a wrapper that is active already has
    // sent its activation notice before this trackbar listened.
    graphSeeking_ =
        filterGraph_ != nullptr ? filterGraph_->query<platform::IMediaSeeking>() : nullptr;
    if (filterGraph_ != nullptr) {
        filterGraph_->AddListener(this);
        // The wrapper has deactivated itself by the time this arrives; it cannot be called.
        graphDestroyed_ = connect(filterGraph_, &QObject::destroyed, this, [this] {
            filterGraph_ = nullptr;
            releaseGraph();
        });
    }
    pinShift_ = 0;
}

void TDVTrackBar::releaseGraph() {
    pin_.reset();
    pin2_.reset();
    pinSeeking_.reset();
    pin2Seeking_.reset();
    graphSeeking_.reset();
}

void TDVTrackBar::setTimerInterval(std::uint32_t interval_ms) {
    if (interval_ms == timerInterval_) {
        return;
    }
    timerInterval_ = interval_ms;
    rearmTimer();
}

void TDVTrackBar::setTimerEnabled(bool enabled) {
    if (enabled == timerEnabled_) {
        return;
    }
    timerEnabled_ = enabled;
    rearmTimer();
}

void TDVTrackBar::rearmTimer() {
    timer_->stop();
    if (timerInterval_ == 0 || !timerEnabled_) {
        return;
    }
    timer_->start(sliderValue(timerInterval_));
    if (!timer_->isActive()) {
        throw EOutOfResources("Not enough timers available");
    }
}

void TDVTrackBar::ControlEvent(TControlEvent event, int parameter) {
    switch (event) {
    case TControlEvent::ControlPlay:
        setTimerEnabled(isEnabled());
        break;
    case TControlEvent::ControlPause:
    case TControlEvent::ControlStop:
        setTimerEnabled(false);
        break;
    case TControlEvent::ControlActive:
        if (parameter == 1 && filterGraph_ != nullptr) {
            graphSeeking_ = filterGraph_->query<platform::IMediaSeeking>();
        } else if (parameter == 0) {
            graphSeeking_.reset();
        }
        break;
    }
}

void TDVTrackBar::GraphEvent(long code, platform::LONG_PTR, platform::LONG_PTR) {
    // A new reference clock rewinds the graph to its start.
    const auto seeking = graphSeeking_;
    if (code != platform::EC_CLOCK_CHANGED || !seeking) {
        return;
    }
    REFERENCE_TIME duration = 0;
    seeking->GetDuration(&duration);
    seekCurrent(*seeking, 0, duration);
}

void TDVTrackBar::raiseTimer(REFERENCE_TIME current, REFERENCE_TIME stop) {
    if (OnTimer) {
        OnTimer(this, ToMilliseconds(current), ToMilliseconds(stop));
    }
}

void TDVTrackBar::tick() {
    const auto seeking = graphSeeking_;
    if (!seeking) {
        return;
    }
    REFERENCE_TIME duration = 0;
    REFERENCE_TIME current = 0;
    if (FAILED(seeking->GetDuration(&duration)) || FAILED(seeking->GetCurrentPosition(&current))) {
        return;
    }
    switch (mode_) {
    case tbmStandart:
        break;
    case tbmDV:
        current += pinShift_;
        break;
    case tbmDVShift:
        // The rendered stream may end short of its nominal end; a thumb at the end stays there.
        if (value() == maximum()) {
            current = duration;
        }
        current += DVShift;
        duration += DVShift;
        break;
    }
    if (!tracking_ && timerInterval_ != 0) {
        setMinimum(0);
        setMaximum(sliderValue(ToMilliseconds(duration) / timerInterval_));
        setValue(sliderValue(ToMilliseconds(current) / timerInterval_));
    }
    raiseTimer(current, duration);
}

void TDVTrackBar::changed() {
    const auto seeking = graphSeeking_;
    REFERENCE_TIME duration = 0;
    if (seeking && tracking_ && SUCCEEDED(seeking->GetDuration(&duration)) && maximum() != 0) {
        if (mode_ == tbmDVShift) {
            duration += DVShift;
        }
        const REFERENCE_TIME target = MulDiv(duration, value(), maximum());
        if (OnChanging) {
            OnChanging(this, ToMilliseconds(target), ToMilliseconds(duration));
        }
    }
    if (OnChange) {
        OnChange(this);
    }
}

void TDVTrackBar::mousePressEvent(QMouseEvent* event) {
    QSlider::mousePressEvent(event);
    // Every press is taken, so that the release of any button comes back to this control.
    event->accept();
    if (event->button() == Qt::LeftButton) {
        tracking_ = true;
        changed();
    }
}

void TDVTrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    event->accept();
    const auto endChange = [this] {
        tracking_ = false;
        if (OnEndOfChange) {
            OnEndOfChange(this);
        }
    };
    if (event->button() == Qt::LeftButton) {
        try {
            SeekToThumb();
        } catch (...) {
            // A refused transport command still ends the drag; otherwise the thumb would stop
            // following the output.
            endChange();
            throw;
        }
    }
    endChange();
}

void TDVTrackBar::restoreState(TGraphState state) {
    if (filterGraph_ == nullptr) {
        return;
    }
    switch (state) {
    case TGraphState::Stopped:
        filterGraph_->Stop();
        break;
    case TGraphState::Paused:
        filterGraph_->Pause();
        break;
    case TGraphState::Running:
        filterGraph_->Play();
        break;
    case TGraphState::None:
        break;
    }
}

void TDVTrackBar::seekPins(TGraphState state,
                           const std::function<REFERENCE_TIME(REFERENCE_TIME stop)>& targetFor) {
    const auto seeking = pinSeeking_;
    const auto seeking2 = pin2Seeking_;
    if (!seeking || maximum() == 0) {
        return;
    }
    if (filterGraph_ != nullptr) {
        filterGraph_->Stop();
    }
    REFERENCE_TIME stop = 0;
    seeking->GetStopPosition(&stop);
    const REFERENCE_TIME target = targetFor(stop);
    pinShift_ = target;
    seekCurrent(*seeking, target, stop);
    if (seeking2) {
        seekCurrent(*seeking2, target, stop);
    }
    // The graph's own position starts again from zero; the poll adds the new shift.
    tick();
    if (OnDVSeekDone) {
        OnDVSeekDone(this, target);
    }
    restoreState(state);
}

void TDVTrackBar::SeekToThumb() {
    const TGraphState state =
        filterGraph_ != nullptr ? filterGraph_->GetGraphState() : TGraphState::None;
    switch (mode_) {
    case tbmStandart: {
        const auto seeking = graphSeeking_;
        if (!seeking || maximum() == 0) {
            return;
        }
        REFERENCE_TIME stop = 0;
        seeking->GetStopPosition(&stop);
        seekCurrent(*seeking, MulDiv(stop, value(), maximum()), stop);
        break;
    }
    case tbmDV:
        seekPins(state, [this](REFERENCE_TIME stop) { return MulDiv(stop, value(), maximum()); });
        break;
    case tbmDVShift: {
        const auto seeking = graphSeeking_;
        if (!seeking || maximum() == 0) {
            return;
        }
        REFERENCE_TIME duration = 0;
        seeking->GetDuration(&duration);
        duration += DVShift;
        raiseTimer(MulDiv(value(), duration, maximum()), duration);
        if (OnDVShiftSeekToPosition) {
            OnDVShiftSeekToPosition(this, state);
        }
        break;
    }
    }
}

void TDVTrackBar::SeekTo(REFERENCE_TIME target, REFERENCE_TIME length) {
    const TGraphState state =
        filterGraph_ != nullptr ? filterGraph_->GetGraphState() : TGraphState::None;
    switch (mode_) {
    case tbmStandart: {
        const auto seeking = graphSeeking_;
        if (!seeking || maximum() == 0) {
            return;
        }
        REFERENCE_TIME stop = 0;
        seeking->GetStopPosition(&stop);
        seekCurrent(*seeking, target, stop);
        break;
    }
    case tbmDV:
        seekPins(state, [target](REFERENCE_TIME) { return target; });
        break;
    case tbmDVShift: {
        if (!graphSeeking_ || maximum() == 0) {
            return;
        }
        if (filterGraph_ != nullptr) {
            filterGraph_->Stop();
        }
        // Without a timeline length the thumb stays where it is.
        if (const auto thumb = AllFilesThumb(target, length, maximum())) {
            setValue(static_cast<int>(std::clamp<std::int64_t>(*thumb, minimum(), maximum())));
        }
        raiseTimer(target, length);
        if (OnDVShiftSeekToPosition) {
            OnDVShiftSeekToPosition(this, state);
        }
        break;
    }
    }
}

} // namespace transport

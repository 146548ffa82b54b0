#include "platform/filters/dv_device_camcorder.h"

#include "platform/filters/dv_1394_output.h"
#include "platform/filters/dv_device_classes.h"
#include "platform/filters/dv_device_watch.h"
#include "platform/streaming/event_codes.h"

namespace platform {

namespace {

constexpr std::size_t kQueueFrames = 8;
constexpr std::size_t kStartFrames = 4;

DvCamcorderOutput& outputOf(DvSink& sink) {
    return static_cast<DvCamcorderOutput&>(sink);
}

} // namespace

DvCamcorderFilter::DvCamcorderFilter(DvCamcorderDevice device)
    : DvDeviceRenderer(device.label, CLSID_DvCamcorder), device_(std::move(device)) {
    // The bus takes frames at its own rate.
    setClockSync(false);
}

DvCamcorderFilter::~DvCamcorderFilter() {
    const std::lock_guard lock(watch_mutex_);
    watch_.reset();
}

HRESULT DvCamcorderFilter::JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                           const QString& name) {
    if (!graph) {
        // Stop watching before leaving, so that no event goes to the old graph afterwards.
        const std::lock_guard lock(watch_mutex_);
        watch_.reset();
        return DvDeviceRenderer::JoinFilterGraph(graph, name);
    }
    const HRESULT hr = DvDeviceRenderer::JoinFilterGraph(graph, name);
    if (FAILED(hr)) {
        return hr;
    }
    const std::lock_guard lock(watch_mutex_);
    if (!watch_) {
        // The state on joining is the starting point; only changes are reported.
        {
            const std::lock_guard presence(presence_mutex_);
            present_ = DvDeviceWatch::devicePresent(*device_.bus, device_.guid);
        }
        watch_ =
            std::make_unique<DvDeviceWatch>(device_.bus, device_.guid, device_.watch_interval_ms,
                                            [this](bool present) { reportPresence(present); });
    }
    return hr;
}

void DvCamcorderFilter::reportPresence(bool present) {
    const std::lock_guard lock(presence_mutex_);
    if (present_.load() == present) {
        return;
    }
    present_ = present;
    notifyEvent(EC_DEVICE_LOST, eventParamFromFilter(this), present ? 1 : 0);
}

std::uint64_t DvCamcorderFilter::framesRepeated() const {
    return repeated_before_.load();
}

std::shared_ptr<DvSink> DvCamcorderFilter::openSink(DvStandard standard, QString* error) {
    DvCamcorderOptions options;
    options.guid = device_.guid;
    options.standard = standard;
    options.queue_frames = kQueueFrames;
    options.start_frames = kStartFrames;
    options.on_device_event = [this](int event) { reportPresence(event == kDvDeviceBack); };
    last_frame_.clear();
    return DvCamcorderOutput::create(device_.bus, options, error);
}

bool DvCamcorderFilter::framePushed(DvSink& sink, std::span<const std::uint8_t> frame,
                                    const IMediaSample&, QString* error) {
    DvCamcorderOutput& output = outputOf(sink);
    if (output.running()) {
        return true;
    }
    last_frame_.assign(frame.begin(), frame.end());
    if (output.framesQueued() < kStartFrames) {
        return true;
    }
    last_frame_.clear();
    return output.start(error);
}

void DvCamcorderFilter::streamEnded(DvSink& sink) {
    DvCamcorderOutput& output = outputOf(sink);
    if (output.running() || last_frame_.empty()) {
        return;
    }
    // A stream shorter than the start queue: the last frame fills it, as the device would
    // repeat it anyway.
    QString error;
    while (output.framesQueued() < kStartFrames) {
        if (!output.pushFrame(last_frame_, &error)) {
            setLastError(error);
            return;
        }
    }
    last_frame_.clear();
    if (!output.start(&error)) {
        setLastError(error);
    }
}

void DvCamcorderFilter::interruptSink(DvSink& sink) {
    outputOf(sink).stop();
}

void DvCamcorderFilter::closeSink(DvSink& sink) {
    DvCamcorderOutput& output = outputOf(sink);
    output.stop();
    repeated_before_ += output.framesRepeated();
    last_frame_.clear();
}

} // namespace platform

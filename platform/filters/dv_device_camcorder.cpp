#include "platform/filters/dv_device_camcorder.h"

#include "platform/filters/dv_1394_output.h"
#include "platform/filters/dv_device_classes.h"
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
    std::unique_ptr<DvDeviceWatch> watch;
    {
        const std::lock_guard lock(watch_mutex_);
        watch = std::move(watch_);
    }
}

HRESULT DvCamcorderFilter::JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                           const QString& name) {
    if (!graph) {
        // Stop watching before leaving, so that no event goes to the old graph afterwards.
        std::unique_ptr<DvDeviceWatch> watch;
        {
            const std::lock_guard lock(watch_mutex_);
            watch = std::move(watch_);
        }
        watch.reset();
        return DvDeviceRenderer::JoinFilterGraph(graph, name);
    }
    const HRESULT hr = DvDeviceRenderer::JoinFilterGraph(graph, name);
    if (FAILED(hr)) {
        return hr;
    }
    const std::lock_guard lock(watch_mutex_);
    if (!watch_) {
        // The state on joining is the starting point; only changes are reported. A scan that
        // cannot tell leaves the device present, as it was when it was listed.
        present_ = device_.bus->scan().presence(device_.guid).value_or(true);
        DvDeviceWatchTiming timing;
        timing.poll_interval_ms = device_.watch_interval_ms;
        watch_ = std::make_unique<DvDeviceWatch>(device_.bus, device_.guid, present_.load(), timing,
                                                 [this](bool present) { reportPresence(present); });
    }
    return hr;
}

void DvCamcorderFilter::reportPresence(bool present) {
    present_ = present;
    notifyEvent(EC_DEVICE_LOST, eventParamFromFilter(this), present ? 1 : 0);
}

std::size_t DvCamcorderFilter::watchScans() const {
    const std::lock_guard lock(watch_mutex_);
    return watch_ ? watch_->scans() : 0;
}

DvOutputStatistics DvCamcorderFilter::GetOutputStatistics() const {
    if (const auto sink = currentSink()) {
        return outputOf(*sink).statistics();
    }
    const std::lock_guard lock(statistics_mutex_);
    return last_statistics_;
}

DvCamcorderStatus DvCamcorderFilter::status() const {
    DvCamcorderStatus status;
    status.label = device_.label;
    status.guid = device_.guid;
    status.present = present_.load();
    status.last_error = lastError();
    if (const auto sink = currentSink()) {
        const DvCamcorderOutput& output = outputOf(*sink);
        status.running = output.running();
        status.channel = output.channel();
        status.point_to_point = output.pointToPoint();
        status.dropped_cycles = output.droppedCycles();
    } else {
        const std::lock_guard lock(statistics_mutex_);
        status.dropped_cycles = last_dropped_cycles_;
    }
    return status;
}

HRESULT DvCamcorderFilter::GetPages(CAUUID* pages) {
    if (pages == nullptr) {
        return E_POINTER;
    }
    pages->elems = {CLSID_DvCamcorderPropertyPage};
    return S_OK;
}

std::shared_ptr<DvSink> DvCamcorderFilter::openSink(DvStandard standard, QString* error) {
    DvCamcorderOptions options;
    options.guid = device_.guid;
    options.standard = standard;
    options.queue_frames = kQueueFrames;
    options.start_frames = kStartFrames;
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
    if (!output.running() && !last_frame_.empty()) {
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
            return;
        }
    }
    // EC_COMPLETE only once the device has been sent the last frame.
    output.endOfStream();
    output.waitUntilSent();
}

void DvCamcorderFilter::interruptSink(DvSink& sink) {
    outputOf(sink).stop();
}

void DvCamcorderFilter::closeSink(DvSink& sink) {
    DvCamcorderOutput& output = outputOf(sink);
    output.stop();
    {
        const std::lock_guard lock(statistics_mutex_);
        last_statistics_ = output.statistics();
        last_dropped_cycles_ = output.droppedCycles();
    }
    if (!output.failure().isEmpty()) {
        setLastError(output.failure());
    }
    last_frame_.clear();
}

} // namespace platform

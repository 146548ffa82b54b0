#pragma once

#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_device_renderer.h"
#include "platform/filters/dv_device_watch.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// A DV camcorder on the IEEE 1394 bus as a renderer. The bus paces the stream: samples are
// presented without waiting for the graph's clock and the push blocks while the device's queue
// is full. At the end of the stream EC_COMPLETE waits until the last frame is on the bus. From
// the moment the filter joins a graph it watches its device, and reports its removal and
// return as EC_DEVICE_LOST (filter, 0) and (filter, 1), also in a graph that never runs.
namespace platform {

class DvCamcorderOutput;

struct DvCamcorderDevice {
    std::shared_ptr<Ieee1394Bus> bus;
    std::uint64_t guid = 0;
    QString label;
    // How often the bus is scanned while the filter is in a graph, besides the scans that
    // follow bus resets.
    int watch_interval_ms = 5000;
};

// What the camcorder's property page shows about the connection.
struct DvCamcorderStatus {
    QString label;
    std::uint64_t guid = 0;
    bool present = true;
    bool running = false;
    // The isochronous channel, -1 when not sending.
    int channel = -1;
    bool point_to_point = false;
    std::uint64_t dropped_cycles = 0;
    QString last_error;
};

class DvCamcorderFilter final : public DvDeviceRenderer, public ISpecifyPropertyPages {
public:
    explicit DvCamcorderFilter(DvCamcorderDevice device);
    ~DvCamcorderFilter() override;

    HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                            const QString& name) override;
    DvOutputStatistics GetOutputStatistics() const override;
    HRESULT GetPages(CAUUID* pages) override;

    std::uint64_t guid() const { return device_.guid; }
    bool devicePresent() const { return present_.load(); }
    DvCamcorderStatus status() const;
    // Bus scans of the device watch so far.
    std::size_t watchScans() const;

private:
    std::shared_ptr<DvSink> openSink(DvStandard standard, QString* error) override;
    bool framePushed(DvSink& sink, std::span<const std::uint8_t> frame, const IMediaSample& sample,
                     QString* error) override;
    void streamEnded(DvSink& sink) override;
    void interruptSink(DvSink& sink) override;
    void closeSink(DvSink& sink) override;
    bool wantsRealTimePriority() const override { return true; }
    // The device was found (true) or missed (false); sends EC_DEVICE_LOST on a change.
    void reportPresence(bool present);

    DvCamcorderDevice device_;
    std::atomic<bool> present_ = true;
    mutable std::mutex watch_mutex_;
    std::unique_ptr<DvDeviceWatch> watch_;
    // Until the output starts: the last frame, to fill the start queue of a short stream.
    std::vector<std::uint8_t> last_frame_;
    // The counts of the last run, once its output is closed.
    mutable std::mutex statistics_mutex_;
    DvOutputStatistics last_statistics_;
    std::uint64_t last_dropped_cycles_ = 0;
};

} // namespace platform

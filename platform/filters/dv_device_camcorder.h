#pragma once

#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_device_renderer.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// A DV camcorder on the IEEE 1394 bus as a renderer. The bus paces the stream: samples are
// presented without waiting for the graph's clock and the push blocks while the device's queue
// is full. From the moment the filter joins a graph it watches its device, and reports its
// removal and return as EC_DEVICE_LOST (filter, 0) and (filter, 1), also in a graph that never
// runs.
namespace platform {

class DvCamcorderOutput;
class DvDeviceWatch;

struct DvCamcorderDevice {
    std::shared_ptr<Ieee1394Bus> bus;
    std::uint64_t guid = 0;
    QString label;
    // How often the bus is scanned while the filter is in a graph.
    int watch_interval_ms = 1000;
};

class DvCamcorderFilter final : public DvDeviceRenderer {
public:
    explicit DvCamcorderFilter(DvCamcorderDevice device);
    ~DvCamcorderFilter() override;

    HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                            const QString& name) override;

    std::uint64_t guid() const { return device_.guid; }
    bool devicePresent() const { return present_.load(); }
    // Frames sent again because the queue ran dry (this run and the runs before).
    std::uint64_t framesRepeated() const;

private:
    std::shared_ptr<DvSink> openSink(DvStandard standard, QString* error) override;
    bool framePushed(DvSink& sink, std::span<const std::uint8_t> frame, const IMediaSample& sample,
                     QString* error) override;
    void streamEnded(DvSink& sink) override;
    void interruptSink(DvSink& sink) override;
    void closeSink(DvSink& sink) override;
    // The device was found (true) or missed (false); sends EC_DEVICE_LOST on a change.
    void reportPresence(bool present);

    DvCamcorderDevice device_;
    std::atomic<bool> present_ = true;
    std::mutex presence_mutex_;
    std::mutex watch_mutex_;
    std::unique_ptr<DvDeviceWatch> watch_;
    // Until the output starts: the last frame, to fill the start queue of a short stream.
    std::vector<std::uint8_t> last_frame_;
    std::atomic<std::uint64_t> repeated_before_ = 0;
};

} // namespace platform

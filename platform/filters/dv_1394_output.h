#pragma once

#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_sink.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A DV camcorder on the IEEE 1394 bus as a DV sink. The bus paces the stream: a dedicated I/O
// thread lets the bus ask for packets and hands out the queued frames 480 bytes at a time. When
// the queue runs dry the last frame goes out again and is counted. Bus resets are followed by a
// rescan: the same GUID is reconnected, otherwise the device is reported lost (0) and later back
// (1) through the event callback.
namespace platform {

using DvFrameBuffer = std::vector<std::uint8_t>;

inline constexpr int kDvDeviceLost = 0;
inline constexpr int kDvDeviceBack = 1;

struct DvCamcorderOptions {
    std::uint64_t guid = 0;
    DvStandard standard = DvStandard::Pal;
    // Frames the queue holds; pushFrame waits while it is full.
    std::size_t queue_frames = 8;
    // Frames that must be queued before start().
    std::size_t start_frames = 4;
    // Called on the I/O thread with kDvDeviceLost or kDvDeviceBack.
    std::function<void(int)> on_device_event;
    // How long the I/O thread waits for the bus before looking at its stop flag again.
    int poll_timeout_ms = 100;
};

class DvCamcorderOutput final : public DvSink, private Dv1394TransmitHandler {
public:
    // Finds the device by GUID on the bus; nullptr and a plain error text when there is no
    // port, no permission, no such device or a device that does not record DV.
    static std::unique_ptr<DvCamcorderOutput>
    create(std::shared_ptr<Ieee1394Bus> bus, const DvCamcorderOptions& options, QString* error);
    ~DvCamcorderOutput() override;
    DvCamcorderOutput(const DvCamcorderOutput&) = delete;
    DvCamcorderOutput& operator=(const DvCamcorderOutput&) = delete;

    QString deviceLabel() const { return node_.label; }
    DvStandard standard() const override { return options_.standard; }
    DvSinkPacing pacing() const override { return DvSinkPacing::Device; }
    // Queues a frame; waits while the queue is full. Fails once stopped or after a bus failure.
    bool pushFrame(std::span<const std::uint8_t> frame, QString* error) override;
    // Queues a frame if there is room; false (without an error) when the queue is full.
    bool tryPushFrame(std::span<const std::uint8_t> frame, QString* error);

    // Connects and starts sending; at least start_frames frames must be queued.
    bool start(QString* error);
    // Stops sending and ends the I/O thread; waiting pushes return false.
    void stop();

    std::uint64_t framesOut() const override { return frames_out_.load(); }
    std::uint64_t framesRepeated() const { return frames_repeated_.load(); }
    std::size_t framesQueued() const;
    bool deviceLost() const { return device_lost_.load(); }
    bool running() const { return running_.load(); }
    int channel() const;
    // The error that ended the transmission, if any.
    QString failure() const;

private:
    DvCamcorderOutput(std::shared_ptr<Ieee1394Bus> bus, const DvCamcorderOptions& options,
                      const Dv1394Node& node);
    bool queueFrame(std::span<const std::uint8_t> frame, bool wait, QString* error);
    bool fillPacket(std::uint8_t* data, bool data_packet) override;
    void busReset() override;
    void ioLoop();

    std::shared_ptr<Ieee1394Bus> bus_;
    DvCamcorderOptions options_;
    Dv1394Node node_;
    std::size_t frame_bytes_;

    std::mutex control_mutex_; // start() and stop()
    mutable std::mutex mutex_;
    std::condition_variable space_;
    std::deque<DvFrameBuffer> queue_;
    std::vector<DvFrameBuffer> spare_;
    bool stopping_ = false;
    QString failure_;

    // Owned by the I/O thread while running.
    DvFrameBuffer current_;
    std::size_t offset_ = 0;

    std::unique_ptr<Dv1394Transmit> transmit_;
    std::thread io_thread_;
    std::atomic<bool> running_ = false;
    std::atomic<bool> device_lost_ = false;
    std::atomic<std::uint64_t> frames_out_ = 0;
    std::atomic<std::uint64_t> frames_repeated_ = 0;
};

} // namespace platform

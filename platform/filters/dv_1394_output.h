#pragma once

#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_1394_reconnect.h"
#include "platform/filters/dv_output_statistics.h"
#include "platform/filters/dv_sink.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A DV camcorder on the IEEE 1394 bus as a DV sink. The bus paces the stream: a dedicated I/O
// thread lets the bus ask for packets and hands out the queued frames 480 bytes at a time.
//   * When the queue runs dry the last frame goes out again with its sound silenced; each such
//     frame is counted as repeated, and the frame that ends the gap as late.
//   * The library's frame packet counter carries over between transmissions in a process: a
//     new transmission first sends the tail of its first frame until that counter is at a
//     frame start, so every frame's first packet carries the frame stamp.
//   * Bus resets are reported by the I/O thread and handled by a reconnecting thread
//     (Dv1394Reconnector), so the transmission never waits for a bus scan.
//   * At the end of the stream, waitUntilSent() returns once the last frame has passed the
//     transmit ring and is on the wire.
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
    // Called on the reconnecting thread with kDvDeviceLost or kDvDeviceBack; it must not
    // destroy the output.
    std::function<void(int)> on_device_event;
    // How long the I/O thread waits for the bus before looking at its stop flag again.
    int poll_timeout_ms = 100;
    Dv1394ReconnectTiming reconnect;
};

class DvCamcorderOutput final : public DvSink, private Dv1394TransmitHandler {
public:
    // Finds the device by GUID on the bus; nullptr and a plain error text when there is no
    // port, no permission or no such device. Whether the device takes DV input is found out
    // by start(), from the device's own answer.
    static std::unique_ptr<DvCamcorderOutput>
    create(std::shared_ptr<Ieee1394Bus> bus, const DvCamcorderOptions& options, QString* error);
    ~DvCamcorderOutput() override;
    DvCamcorderOutput(const DvCamcorderOutput&) = delete;
    DvCamcorderOutput& operator=(const DvCamcorderOutput&) = delete;

    QString deviceLabel() const { return label_; }
    DvStandard standard() const override { return options_.standard; }
    DvSinkPacing pacing() const override { return DvSinkPacing::Device; }
    // Queues a frame; waits while the queue is full. Fails once stopped or after a bus failure.
    bool pushFrame(std::span<const std::uint8_t> frame, QString* error) override;
    // Queues a frame if there is room; false (without an error) when the queue is full.
    bool tryPushFrame(std::span<const std::uint8_t> frame, QString* error);

    // Connects and starts sending; at least start_frames frames must be queued.
    bool start(QString* error);
    // Stops sending and ends the threads; waiting pushes return false. Frames still queued are
    // dropped.
    void stop();
    // No more frames come: the last frame now fills the time until the device has them all,
    // and such repeats are not counted.
    void endOfStream();
    // Waits until every queued frame has gone through the transmit ring onto the wire; false
    // when the output stops, fails or is not running.
    bool waitUntilSent();

    std::uint64_t framesOut() const override;
    DvOutputStatistics statistics() const;
    std::uint64_t framesRepeated() const { return statistics().framesRepeated; }
    std::size_t framesQueued() const;
    std::uint64_t droppedCycles() const;
    std::size_t reconnects() const;
    bool deviceLost() const { return device_lost_.load(); }
    bool running() const { return running_.load(); }
    // The isochronous channel of the running transmission, -1 before it starts.
    int channel() const { return channel_.load(); }
    bool pointToPoint() const { return point_to_point_.load(); }
    // The error that ended the transmission, if any.
    QString failure() const;

private:
    DvCamcorderOutput(std::shared_ptr<Ieee1394Bus> bus, const DvCamcorderOptions& options,
                      const Dv1394Node& node);
    bool queueFrame(std::span<const std::uint8_t> frame, bool wait, QString* error);
    bool fillPacket(std::uint8_t* data, bool data_packet, unsigned dropped_cycles) override;
    void busReset() override;
    void takeNextFrameLocked();
    bool sentLocked() const;
    void ioLoop();
    void devicePresence(bool present);

    const std::shared_ptr<Ieee1394Bus> bus_;
    const DvCamcorderOptions options_;
    const std::uint64_t guid_;
    const QString label_;
    const std::size_t frame_bytes_;

    mutable std::mutex control_mutex_; // start() and stop()
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<DvFrameBuffer> queue_;
    std::vector<DvFrameBuffer> spare_;
    bool stopping_ = false;
    bool stream_ended_ = false;
    QString failure_;

    // Filled by the thread that runs the bus (start(), then the I/O thread), under mutex_.
    DvFrameBuffer current_;
    bool current_is_repeat_ = false;
    std::size_t offset_ = 0;
    std::size_t lead_in_packets_ = 0;
    bool underrun_ = false;
    std::uint64_t packets_filled_ = 0;
    std::uint64_t last_frame_end_ = 0;
    std::size_t ring_packets_ = 0;
    DvOutputStatistics statistics_;
    std::uint64_t dropped_cycles_ = 0;

    // Created by start() and destroyed by stop() once the threads that use them have ended.
    std::unique_ptr<Dv1394Transmit> transmit_;
    std::unique_ptr<Dv1394Reconnector> reconnector_;
    std::thread io_thread_;
    std::atomic<bool> running_ = false;
    std::atomic<bool> device_lost_ = false;
    std::atomic<int> channel_ = -1;
    std::atomic<bool> point_to_point_ = false;
};

} // namespace platform

#include "platform/filters/dv_1394_output.h"

#include "platform/filters/dv_device_silence.h"
#include "platform/streaming/thread_priority.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Fills a packet that is no part of any frame (its blocks have no valid section type).
void fillNoFrame(std::uint8_t* data) {
    std::memset(data, 0xff, kDvPacketBytes);
}

QString notFoundText(const Dv1394Scan& scan, std::uint64_t guid) {
    if (scan.status == Dv1394ScanStatus::Complete) {
        return dv1394NotConnectedText(guid);
    }
    return QStringLiteral("%1 %2").arg(dv1394NotConnectedText(guid), scan.error);
}

} // namespace

DvCamcorderOutput::DvCamcorderOutput(std::shared_ptr<Ieee1394Bus> bus,
                                     const DvCamcorderOptions& options, const Dv1394Node& node)
    : bus_(std::move(bus)), options_([&] {
          DvCamcorderOptions adjusted = options;
          adjusted.queue_frames = std::max(adjusted.queue_frames, adjusted.start_frames);
          adjusted.queue_frames = std::max<std::size_t>(adjusted.queue_frames, 1);
          return adjusted;
      }()),
      guid_(node.guid), label_(node.label), frame_bytes_(dvFrameBytes(options.standard)) {}

DvCamcorderOutput::~DvCamcorderOutput() {
    stop();
}

std::unique_ptr<DvCamcorderOutput> DvCamcorderOutput::create(std::shared_ptr<Ieee1394Bus> bus,
                                                             const DvCamcorderOptions& options,
                                                             QString* error) {
    const Dv1394Scan scan = bus->scan();
    if (!scan.succeeded()) {
        *error = scan.error;
        return nullptr;
    }
    const Dv1394Node* const node = scan.find(options.guid);
    if (node == nullptr) {
        *error = notFoundText(scan, options.guid);
        return nullptr;
    }
    return std::unique_ptr<DvCamcorderOutput>(
        new DvCamcorderOutput(std::move(bus), options, *node));
}

bool DvCamcorderOutput::pushFrame(std::span<const std::uint8_t> frame, QString* error) {
    return queueFrame(frame, true, error);
}

bool DvCamcorderOutput::tryPushFrame(std::span<const std::uint8_t> frame, QString* error) {
    return queueFrame(frame, false, error);
}

bool DvCamcorderOutput::queueFrame(std::span<const std::uint8_t> frame, bool wait, QString* error) {
    if (!isWholeDvFrame(frame, options_.standard, error)) {
        return false;
    }
    std::unique_lock lock(mutex_);
    if (wait && running_) {
        changed_.wait(lock, [&] {
            return stopping_ || !failure_.isEmpty() || queue_.size() < options_.queue_frames;
        });
    }
    if (!failure_.isEmpty()) {
        *error = failure_;
        return false;
    }
    if (stopping_) {
        *error = QStringLiteral("The DV output to \"%1\" has stopped.").arg(label_);
        return false;
    }
    if (queue_.size() >= options_.queue_frames) {
        if (wait) {
            *error = QStringLiteral("The DV output queue is full and the output is not running.");
        }
        return false;
    }
    DvFrameBuffer buffer;
    if (!spare_.empty()) {
        buffer = std::move(spare_.back());
        spare_.pop_back();
    }
    // The copy is made without the lock, which the I/O thread takes for every packet. Only
    // this thread adds to the queue, so the room taken above stays.
    lock.unlock();
    buffer.assign(frame.begin(), frame.end());
    lock.lock();
    queue_.push_back(std::move(buffer));
    return true;
}

bool DvCamcorderOutput::start(QString* error) {
    // Start and stop may come from different threads (the streaming thread starts the output
    // once enough frames are queued, Stop interrupts it): they take turns.
    const std::lock_guard control(control_mutex_);
    if (io_thread_.joinable()) {
        const std::lock_guard lock(mutex_);
        if (!failure_.isEmpty()) {
            *error = failure_;
            return false;
        }
        return true;
    }
    {
        const std::lock_guard lock(mutex_);
        // A stopped output stays stopped: a start that lost the race with Stop must not
        // begin a transmission that nobody will end.
        if (stopping_) {
            *error = QStringLiteral("The DV output to \"%1\" has stopped.").arg(label_);
            return false;
        }
        if (queue_.size() < options_.start_frames) {
            *error = QStringLiteral("The DV output needs %1 frames queued before it starts.")
                         .arg(options_.start_frames);
            return false;
        }
        failure_.clear();
    }
    // Node ids change with bus resets: look the device up again.
    const Dv1394Scan scan = bus_->scan();
    if (!scan.succeeded()) {
        *error = scan.error;
        return false;
    }
    const Dv1394Node* const node = scan.find(guid_);
    if (node == nullptr) {
        *error = notFoundText(scan, guid_);
        return false;
    }
    transmit_ = bus_->openTransmit(*node, options_.standard, *this, error);
    if (!transmit_) {
        return false;
    }
    {
        const std::lock_guard lock(mutex_);
        ring_packets_ = transmit_->ringPackets();
        lead_in_packets_ = transmit_->packetsBeforeFrameStart();
        offset_ = 0;
        packets_filled_ = 0;
        last_frame_end_ = 0;
    }
    channel_ = transmit_->channel();
    point_to_point_ = transmit_->pointToPoint();
    device_lost_ = false;
    // Resets may be reported from the first packet on.
    reconnector_ =
        std::make_unique<Dv1394Reconnector>(bus_, guid_, *transmit_, options_.reconnect,
                                            [this](bool present) { devicePresence(present); });
    // The bus asks for the packets of its whole ring inside start(), on this thread.
    if (!transmit_->start(error)) {
        reconnector_.reset();
        transmit_.reset();
        channel_ = -1;
        return false;
    }
    running_ = true;
    io_thread_ = std::thread([this] { ioLoop(); });
    return true;
}

void DvCamcorderOutput::stop() {
    const std::lock_guard control(control_mutex_);
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (transmit_) {
        transmit_->wake();
    }
    if (io_thread_.joinable()) {
        io_thread_.join();
    }
    // The reconnecting thread may be inside the transmission: it ends first.
    reconnector_.reset();
    transmit_.reset();
    running_ = false;
    changed_.notify_all();
}

void DvCamcorderOutput::endOfStream() {
    {
        const std::lock_guard lock(mutex_);
        stream_ended_ = true;
    }
    changed_.notify_all();
}

bool DvCamcorderOutput::sentLocked() const {
    return queue_.empty() && (offset_ == 0 || current_is_repeat_) &&
           packets_filled_ >= last_frame_end_ + ring_packets_;
}

bool DvCamcorderOutput::waitUntilSent() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return stopping_ || !failure_.isEmpty() || !running_ || sentLocked(); });
    return !stopping_ && failure_.isEmpty() && running_ && sentLocked();
}

void DvCamcorderOutput::ioLoop() {
    useRealTimePriority(kDeviceIoThreadPriority);
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (stopping_) {
                break;
            }
        }
        QString error;
        if (!transmit_->iterate(options_.poll_timeout_ms, &error)) {
            {
                const std::lock_guard lock(mutex_);
                failure_ = error;
            }
            changed_.notify_all();
            break;
        }
    }
    running_ = false;
    changed_.notify_all();
}

void DvCamcorderOutput::takeNextFrameLocked() {
    if (!queue_.empty()) {
        if (!current_.empty()) {
            spare_.push_back(std::move(current_));
        }
        current_ = std::move(queue_.front());
        queue_.pop_front();
        current_is_repeat_ = false;
        if (underrun_) {
            ++statistics_.framesLate;
            underrun_ = false;
        }
        changed_.notify_all();
        return;
    }
    if (current_.empty()) {
        return;
    }
    // The picture stays; its sound is not played twice.
    if (!current_is_repeat_) {
        silenceDvAudio(current_);
        current_is_repeat_ = true;
    }
    if (!stream_ended_) {
        ++statistics_.framesRepeated;
        underrun_ = true;
    }
}

bool DvCamcorderOutput::fillPacket(std::uint8_t* data, bool data_packet, unsigned dropped_cycles) {
    bool sent_now = false;
    {
        const std::lock_guard lock(mutex_);
        dropped_cycles_ += dropped_cycles;
        const bool sent_before = sentLocked();
        ++packets_filled_;
        if (!data_packet) {
            sent_now = !sent_before && sentLocked();
        } else if (lead_in_packets_ > 0) {
            // The tail of the first frame, so that the first whole frame starts where the
            // library stamps a frame start.
            const DvFrameBuffer& first = queue_.empty() ? current_ : queue_.front();
            if (first.size() == frame_bytes_) {
                std::memcpy(data, first.data() + frame_bytes_ - lead_in_packets_ * kDvPacketBytes,
                            kDvPacketBytes);
            } else {
                fillNoFrame(data);
            }
            --lead_in_packets_;
        } else {
            if (offset_ == 0) {
                takeNextFrameLocked();
            }
            if (current_.size() != frame_bytes_) {
                // Nothing was ever queued: keep the cycle filled without a frame.
                fillNoFrame(data);
            } else {
                std::memcpy(data, current_.data() + offset_, kDvPacketBytes);
                offset_ += kDvPacketBytes;
                if (offset_ == frame_bytes_) {
                    offset_ = 0;
                    ++statistics_.framesDelivered;
                    if (!current_is_repeat_) {
                        last_frame_end_ = packets_filled_;
                    }
                }
            }
            sent_now = !sent_before && sentLocked();
        }
    }
    if (sent_now) {
        changed_.notify_all();
    }
    return true;
}

void DvCamcorderOutput::busReset() {
    // Never scan or reconnect here: the bus waits for its packets.
    if (reconnector_) {
        reconnector_->busReset();
    }
}

void DvCamcorderOutput::devicePresence(bool present) {
    if (device_lost_.exchange(!present) == !present) {
        return;
    }
    if (options_.on_device_event) {
        options_.on_device_event(present ? kDvDeviceBack : kDvDeviceLost);
    }
}

std::uint64_t DvCamcorderOutput::framesOut() const {
    return static_cast<std::uint64_t>(statistics().framesDelivered);
}

DvOutputStatistics DvCamcorderOutput::statistics() const {
    const std::lock_guard lock(mutex_);
    return statistics_;
}

std::size_t DvCamcorderOutput::framesQueued() const {
    const std::lock_guard lock(mutex_);
    return queue_.size();
}

std::uint64_t DvCamcorderOutput::droppedCycles() const {
    const std::lock_guard lock(mutex_);
    return dropped_cycles_;
}

std::size_t DvCamcorderOutput::reconnects() const {
    const std::lock_guard control(control_mutex_);
    return reconnector_ ? reconnector_->reconnects() : 0;
}

QString DvCamcorderOutput::failure() const {
    const std::lock_guard lock(mutex_);
    return failure_;
}

} // namespace platform

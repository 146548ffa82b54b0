#include "platform/filters/dv_1394_output.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

const Dv1394Node* findNode(const std::vector<Dv1394Node>& nodes, std::uint64_t guid) {
    const auto found = std::find_if(nodes.begin(), nodes.end(),
                                    [guid](const Dv1394Node& node) { return node.guid == guid; });
    return found == nodes.end() ? nullptr : &*found;
}

} // namespace

DvCamcorderOutput::DvCamcorderOutput(std::shared_ptr<Ieee1394Bus> bus,
                                     const DvCamcorderOptions& options, const Dv1394Node& node)
    : bus_(std::move(bus)), options_(options), node_(node),
      frame_bytes_(dvFrameBytes(options.standard)) {
    options_.queue_frames = std::max(options_.queue_frames, options_.start_frames);
    options_.queue_frames = std::max<std::size_t>(options_.queue_frames, 1);
}

DvCamcorderOutput::~DvCamcorderOutput() {
    stop();
}

std::unique_ptr<DvCamcorderOutput> DvCamcorderOutput::create(std::shared_ptr<Ieee1394Bus> bus,
                                                             const DvCamcorderOptions& options,
                                                             QString* error) {
    std::vector<Dv1394Node> nodes;
    if (!bus->scan(nodes, error)) {
        return nullptr;
    }
    const Dv1394Node* const node = findNode(nodes, options.guid);
    if (node == nullptr) {
        *error = dv1394NotConnectedText(options.guid);
        return nullptr;
    }
    if (!node->accepts_dv_input) {
        *error = dv1394RefusesDvText(node->label);
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
        space_.wait(lock, [&] {
            return stopping_ || !failure_.isEmpty() || queue_.size() < options_.queue_frames;
        });
    }
    if (!failure_.isEmpty()) {
        *error = failure_;
        return false;
    }
    if (stopping_) {
        *error = QStringLiteral("The DV output to \"%1\" has stopped.").arg(node_.label);
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
    buffer.assign(frame.begin(), frame.end());
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
            *error = QStringLiteral("The DV output to \"%1\" has stopped.").arg(node_.label);
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
    std::vector<Dv1394Node> nodes;
    if (!bus_->scan(nodes, error)) {
        return false;
    }
    const Dv1394Node* const node = findNode(nodes, options_.guid);
    if (node == nullptr) {
        *error = dv1394NotConnectedText(options_.guid);
        return false;
    }
    node_.node_id = node->node_id;
    transmit_ = bus_->openTransmit(node_, options_.standard, *this, error);
    if (!transmit_) {
        return false;
    }
    offset_ = 0;
    device_lost_ = false;
    // The bus may ask for its first packets inside start(), on this thread.
    if (!transmit_->start(error)) {
        transmit_.reset();
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
        space_.notify_all();
    }
    if (transmit_) {
        transmit_->wake();
    }
    if (io_thread_.joinable()) {
        io_thread_.join();
    }
    transmit_.reset();
    running_ = false;
}

void DvCamcorderOutput::ioLoop() {
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (stopping_) {
                break;
            }
        }
        QString error;
        if (!transmit_->iterate(options_.poll_timeout_ms, &error)) {
            const std::lock_guard lock(mutex_);
            failure_ = error;
            space_.notify_all();
            break;
        }
    }
    running_ = false;
}

bool DvCamcorderOutput::fillPacket(std::uint8_t* data, bool data_packet) {
    if (!data_packet) {
        return true;
    }
    if (offset_ == 0) {
        const std::lock_guard lock(mutex_);
        if (!queue_.empty()) {
            if (!current_.empty()) {
                spare_.push_back(std::move(current_));
            }
            current_ = std::move(queue_.front());
            queue_.pop_front();
            space_.notify_all();
        } else if (!current_.empty()) {
            frames_repeated_.fetch_add(1);
        }
    }
    if (current_.size() != frame_bytes_) {
        // Nothing was ever queued: keep the cycle filled without data.
        std::memset(data, 0, kDvPacketBytes);
        return true;
    }
    std::memcpy(data, current_.data() + offset_, kDvPacketBytes);
    offset_ += kDvPacketBytes;
    if (offset_ == frame_bytes_) {
        offset_ = 0;
        frames_out_.fetch_add(1);
    }
    return true;
}

void DvCamcorderOutput::busReset() {
    std::vector<Dv1394Node> nodes;
    QString error;
    const Dv1394Node* node = nullptr;
    if (bus_->scan(nodes, &error)) {
        node = findNode(nodes, options_.guid);
    }
    bool present = false;
    if (node != nullptr) {
        node_.node_id = node->node_id;
        present = transmit_->reconnect(node->node_id, &error);
    }
    if (present) {
        if (device_lost_.exchange(false) && options_.on_device_event) {
            options_.on_device_event(kDvDeviceBack);
        }
    } else if (!device_lost_.exchange(true) && options_.on_device_event) {
        options_.on_device_event(kDvDeviceLost);
    }
}

std::size_t DvCamcorderOutput::framesQueued() const {
    const std::lock_guard lock(mutex_);
    return queue_.size();
}

int DvCamcorderOutput::channel() const {
    return transmit_ ? transmit_->channel() : -1;
}

QString DvCamcorderOutput::failure() const {
    const std::lock_guard lock(mutex_);
    return failure_;
}

} // namespace platform

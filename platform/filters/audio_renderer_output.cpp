#include "platform/filters/audio_renderer_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace platform {

namespace {
constexpr int kFeedIntervalMs = 10;
constexpr std::int64_t kSinkBufferUSecs = 200'000;
constexpr std::int64_t kQueueUSecs = 250'000;
// The device's position is interpolated between its reports: played means within this.
constexpr std::int64_t kPlayedToleranceUSecs = 20'000;
// How long past the sound's own length a drain waits for a device that stopped reporting.
constexpr std::int64_t kDrainMarginUSecs = 2'000'000;
} // namespace

AudioOutputThread::AudioOutputThread()
    : thread_(std::make_unique<QThread>()), context_(std::make_unique<QObject>()) {
    thread_->setObjectName(QStringLiteral("Audio output"));
    context_->moveToThread(thread_.get());
    thread_->start();
}

AudioOutputThread::~AudioOutputThread() {
    close();
    thread_->quit();
    thread_->wait();
}

void AudioOutputThread::runOnThread(const std::function<void()>& call) {
    QMetaObject::invokeMethod(context_.get(), call, Qt::BlockingQueuedConnection);
}

bool AudioOutputThread::open(const QByteArray& device_id, const QAudioFormat& format,
                             QString* error) {
    close();
    {
        const std::lock_guard lock(mutex_);
        queue_.clear();
        interrupted_ = false;
        failure_.clear();
        format_ = format;
        written_usecs_ = 0;
        draining_ = false;
        drained_ = false;
        frame_bytes_ = std::max(format.bytesPerFrame(), 1);
        capacity_bytes_ = std::max<qsizetype>(format.bytesForDuration(kQueueUSecs), frame_bytes_);
    }
    bool opened = false;
    runOnThread([&] {
        QAudioDevice device;
        for (const QAudioDevice& candidate : QMediaDevices::audioOutputs()) {
            if (candidate.id() == device_id) {
                device = candidate;
            }
        }
        if (device.isNull()) {
            *error = QStringLiteral("The audio output \"%1\" is not available.")
                         .arg(QString::fromUtf8(device_id));
            return;
        }
        if (!device.isFormatSupported(format)) {
            *error = QStringLiteral("The audio output \"%1\" cannot play %2 Hz, %3 channels.")
                         .arg(device.description())
                         .arg(format.sampleRate())
                         .arg(format.channelCount());
            return;
        }
        sink_ = std::make_unique<QAudioSink>(device, format);
        sink_->setBufferSize(format.bytesForDuration(kSinkBufferUSecs));
        io_ = sink_->start();
        if (io_ == nullptr || sink_->error() != QAudio::NoError) {
            *error = QStringLiteral("The audio output \"%1\" cannot be opened.")
                         .arg(device.description());
            io_ = nullptr;
            sink_.reset();
            return;
        }
        timer_ = std::make_unique<QTimer>();
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { feed(); });
        timer_->start(kFeedIntervalMs);
        opened = true;
    });
    return opened;
}

void AudioOutputThread::feed() {
    if (io_ == nullptr) {
        return;
    }
    if (sink_->error() != QAudio::NoError && sink_->error() != QAudio::UnderrunError) {
        {
            const std::lock_guard lock(mutex_);
            failure_ = QStringLiteral("The audio output failed.");
        }
        room_.notify_all();
        return;
    }
    qsizetype written = 0;
    bool drained = false;
    {
        const std::lock_guard lock(mutex_);
        const qsizetype room = sink_->bytesFree();
        const qsizetype count = std::min(room - room % frame_bytes_, queue_.size());
        if (count > 0) {
            written = io_->write(queue_.constData(), count);
            if (written > 0) {
                queue_.remove(0, written);
                written_usecs_ += format_.durationForBytes(static_cast<qint32>(written));
            }
        }
        if (draining_ && !drained_ && queue_.isEmpty() &&
            sink_->processedUSecs() + kPlayedToleranceUSecs >= written_usecs_) {
            drained_ = true;
            drained = true;
        }
    }
    if (written > 0 || drained) {
        room_.notify_all();
    }
}

bool AudioOutputThread::drain() {
    std::int64_t remaining_usecs = 0;
    {
        const std::lock_guard lock(mutex_);
        draining_ = true;
        drained_ = false;
        remaining_usecs = written_usecs_ + format_.durationForBytes(static_cast<qint32>(
                                               std::min<qsizetype>(queue_.size(), INT32_MAX)));
    }
    remaining_usecs = std::max<std::int64_t>(remaining_usecs - processedUSecs(), 0);
    std::unique_lock lock(mutex_);
    room_.wait_for(lock, std::chrono::microseconds(remaining_usecs + kDrainMarginUSecs),
                   [this] { return drained_ || interrupted_ || !failure_.isEmpty(); });
    draining_ = false;
    return drained_ && !interrupted_ && failure_.isEmpty();
}

bool AudioOutputThread::write(std::span<const std::uint8_t> pcm, QString* error) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] {
        return interrupted_ || !failure_.isEmpty() || queue_.size() < capacity_bytes_;
    });
    if (!failure_.isEmpty()) {
        *error = failure_;
        return false;
    }
    if (interrupted_) {
        *error = QStringLiteral("The audio output was stopped.");
        return false;
    }
    queue_.append(reinterpret_cast<const char*>(pcm.data()), static_cast<qsizetype>(pcm.size()));
    return true;
}

void AudioOutputThread::interrupt() {
    {
        const std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    room_.notify_all();
}

void AudioOutputThread::close() {
    interrupt();
    runOnThread([this] {
        timer_.reset();
        if (sink_) {
            sink_->stop();
        }
        io_ = nullptr;
        sink_.reset();
    });
    const std::lock_guard lock(mutex_);
    queue_.clear();
}

std::int64_t AudioOutputThread::processedUSecs() {
    std::int64_t processed = 0;
    runOnThread([&] {
        if (sink_) {
            processed = sink_->processedUSecs();
        }
    });
    return processed;
}

} // namespace platform

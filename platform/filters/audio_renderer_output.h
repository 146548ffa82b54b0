#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

class QAudioSink;
class QIODevice;
class QObject;
class QThread;
class QTimer;

// One Qt Multimedia audio output in push mode, driven from a thread of its own. QAudioSink needs
// an event loop and must be used from the thread that created it, and the renderer's streaming
// thread must be able to wait for room without blocking the user-interface thread (which may
// itself be waiting for that streaming thread in Stop). So a private QThread owns the sink: it
// creates it, feeds it from a short timer, asks it for its position and destroys it. Producers
// on other threads add PCM to a bounded queue and wait while it is full.
namespace platform {

class AudioOutputThread {
public:
    AudioOutputThread();
    // Closes the output and ends the thread.
    ~AudioOutputThread();
    AudioOutputThread(const AudioOutputThread&) = delete;
    AudioOutputThread& operator=(const AudioOutputThread&) = delete;

    // Opens the output whose QAudioDevice::id() is `device_id` and starts it in push mode;
    // false and an error text when the device is gone or refuses the format.
    bool open(const QByteArray& device_id, const QAudioFormat& format, QString* error);
    // Adds PCM (whole sample frames); waits while the queue is full. False when the output has
    // failed or was interrupted.
    bool write(std::span<const std::uint8_t> pcm, QString* error);
    // Waits until the device has played everything written so far; false when the output was
    // interrupted or failed first. A device that stops reporting progress ends the wait after
    // the time the sound needs plus a margin.
    bool drain();
    // Makes waiting writes (and a drain) return false until the next open.
    void interrupt();
    // Stops and destroys the sink.
    void close();

    // Microseconds of sound the device has played since open.
    std::int64_t processedUSecs();

private:
    struct Output;
    // Runs `call` on the output thread and waits for it.
    void runOnThread(const std::function<void()>& call);
    void feed();

    std::unique_ptr<QThread> thread_;
    std::unique_ptr<QObject> context_;
    // Touched on the output thread only.
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QTimer> timer_;
    QIODevice* io_ = nullptr;

    std::mutex mutex_;
    std::condition_variable room_;
    QByteArray queue_;
    qsizetype capacity_bytes_ = 0;
    qsizetype frame_bytes_ = 1;
    bool interrupted_ = false;
    QString failure_;
    QAudioFormat format_;
    // Sound handed to the sink since open, and whether all of it has been played.
    std::int64_t written_usecs_ = 0;
    bool draining_ = false;
    bool drained_ = false;
};

} // namespace platform

#pragma once

#include "platform/filters/dv_encoder_filter_frames.h"
#include "platform/streaming/media_sample.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

// Encodes DV frames several at a time on threads of its own, each with its own encoder, and
// hands the frames back in the order the pictures came: DV frames are independent of each
// other, so a render that need not keep pace with a clock uses every processor. A picture
// equal to the one before it is not encoded again.
namespace platform {

class DvEncodeQueue {
public:
    DvEncodeQueue(DvEncoderFactory factory, int threads);
    ~DvEncodeQueue();
    DvEncodeQueue(const DvEncodeQueue&) = delete;
    DvEncodeQueue& operator=(const DvEncodeQueue&) = delete;

    // Queues the picture of an input sample (held until its frame is taken).
    void push(std::shared_ptr<IMediaSample> input, DvInputFormat format);
    // Pictures queued and not yet taken.
    std::size_t pending() const;
    // The frame of the oldest queued picture (waits for it) and the sample it came from. False,
    // with the reason, when it could not be encoded.
    bool pop(std::span<std::uint8_t> frame, std::shared_ptr<IMediaSample>* input, QString* error);
    // Encodes the picture of an input sample at once, on the calling thread (live output,
    // where a frame is wanted as soon as it is asked for). Only while nothing is queued.
    bool encodeNow(const std::shared_ptr<IMediaSample>& input, DvInputFormat format,
                   std::span<std::uint8_t> frame, QString* error);
    // Forgets everything queued: waits for the work under way, keeps the encoders.
    void clear();

    std::uint64_t framesEncoded() const;
    std::uint64_t framesReused() const;

private:
    struct Job {
        std::shared_ptr<IMediaSample> input;
        DvInputFormat format{};
        bool sameAsBefore = false; // the previous picture again: its frame is reused
        bool started = false;
        bool done = false;
        bool ok = false;
        QString error;
        DvFrameBytes frame;
    };
    struct Worker {
        std::unique_ptr<DvEncoder> encoder;
        std::thread thread;
    };

    void startWorkers();
    void run(Worker& worker);
    // Whether `input` repeats the picture pushed or encoded before it; remembers it. Called
    // with mutex_ held.
    bool repeatsPrevious(const std::shared_ptr<IMediaSample>& input, DvInputFormat format);

    const DvEncoderFactory factory_;
    const int threads_;
    mutable std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::shared_ptr<IMediaSample> previousInput_;
    DvInputKind previousKind_ = DvInputKind::I420;
    DvFrameBytes lastFrame_; // the frame popped last (for pictures that repeat it)
    bool stopping_ = false;
    std::uint64_t encoded_ = 0;
    std::uint64_t reused_ = 0;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::unique_ptr<DvEncoder> callerEncoder_; // encodeNow's
};

} // namespace platform

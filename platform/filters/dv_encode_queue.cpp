#include "platform/filters/dv_encode_queue.h"

#include <algorithm>
#include <cstring>

#include <pthread.h>

namespace platform {

namespace {

bool samePictureBytes(const IMediaSample& a, const IMediaSample& b, std::size_t bytes) {
    return static_cast<std::size_t>(a.GetActualDataLength()) >= bytes &&
           static_cast<std::size_t>(b.GetActualDataLength()) >= bytes &&
           std::memcmp(a.GetPointer(), b.GetPointer(), bytes) == 0;
}

} // namespace

DvEncodeQueue::DvEncodeQueue(DvEncoderFactory factory, int threads)
    : factory_(std::move(factory)), threads_(std::max(1, threads)) {}

void DvEncodeQueue::startWorkers() {
    // Started with the first queued picture: an encoder that only encodes live needs none.
    while (static_cast<int>(workers_.size()) < threads_) {
        auto worker = std::make_unique<Worker>();
        Worker& self = *worker;
        worker->thread = std::thread([this, &self] {
            pthread_setname_np(pthread_self(), "dv-encode");
            run(self);
        });
        workers_.push_back(std::move(worker));
    }
}

DvEncodeQueue::~DvEncodeQueue() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    for (const auto& worker : workers_) {
        worker->thread.join();
    }
}

bool DvEncodeQueue::repeatsPrevious(const std::shared_ptr<IMediaSample>& input,
                                    DvInputFormat format) {
    const std::size_t bytes = dvInputSampleBytes(format.standard, format.kind);
    const bool same = previousInput_ && previousKind_ == format.kind &&
                      samePictureBytes(*previousInput_, *input, bytes);
    previousInput_ = input;
    previousKind_ = format.kind;
    return same;
}

bool DvEncodeQueue::encodeNow(const std::shared_ptr<IMediaSample>& input, DvInputFormat format,
                              std::span<std::uint8_t> frame, QString* error) {
    std::unique_lock lock(mutex_);
    if (!jobs_.empty()) {
        *error = QStringLiteral("Pictures are still queued for encoding.");
        return false;
    }
    if (frame.size() != dvFrameBytes(format.standard)) {
        *error = QStringLiteral("A DV frame buffer of %1 bytes was expected, not %2.")
                     .arg(dvFrameBytes(format.standard))
                     .arg(frame.size());
        return false;
    }
    if (repeatsPrevious(input, format) && lastFrame_.size() == frame.size()) {
        ++reused_;
        std::memcpy(frame.data(), lastFrame_.data(), frame.size());
        return true;
    }
    lock.unlock();
    if (static_cast<std::size_t>(input->GetActualDataLength()) <
        dvInputSampleBytes(format.standard, format.kind)) {
        *error = QStringLiteral("The picture is shorter than a %1 x %2 frame.")
                     .arg(kDvWidth)
                     .arg(dvHeight(format.standard));
        return false;
    }
    if (!callerEncoder_ || callerEncoder_->standard() != format.standard) {
        callerEncoder_ = factory_(format.standard, error);
        if (!callerEncoder_) {
            return false;
        }
    }
    const bool ok =
        callerEncoder_->encode(dvPictureFromBuffer(format, input->GetPointer()), frame, error);
    lock.lock();
    if (!ok) {
        // The next picture is not taken for a repeat of one that has no frame.
        previousInput_.reset();
        return false;
    }
    ++encoded_;
    lastFrame_.assign(frame.begin(), frame.end());
    return true;
}

void DvEncodeQueue::push(std::shared_ptr<IMediaSample> input, DvInputFormat format) {
    auto job = std::make_shared<Job>();
    job->format = format;
    {
        const std::lock_guard lock(mutex_);
        startWorkers();
        job->sameAsBefore = repeatsPrevious(input, format);
        job->input = std::move(input);
        if (job->sameAsBefore) {
            job->done = true;
            job->ok = true;
        }
        jobs_.push_back(std::move(job));
    }
    work_.notify_one();
}

std::size_t DvEncodeQueue::pending() const {
    const std::lock_guard lock(mutex_);
    return jobs_.size();
}

void DvEncodeQueue::run(Worker& worker) {
    std::unique_lock lock(mutex_);
    for (;;) {
        std::shared_ptr<Job> job;
        work_.wait(lock, [&] {
            if (stopping_) {
                return true;
            }
            const auto next = std::find_if(jobs_.begin(), jobs_.end(),
                                           [](const auto& j) { return !j->started && !j->done; });
            if (next != jobs_.end()) {
                job = *next;
                return true;
            }
            return false;
        });
        if (stopping_) {
            return;
        }
        job->started = true;
        lock.unlock();

        QString error;
        bool ok = false;
        const DvInputFormat format = job->format;
        if (static_cast<std::size_t>(job->input->GetActualDataLength()) <
            dvInputSampleBytes(format.standard, format.kind)) {
            error = QStringLiteral("The picture is shorter than a %1 x %2 frame.")
                        .arg(kDvWidth)
                        .arg(dvHeight(format.standard));
        } else {
            if (!worker.encoder || worker.encoder->standard() != format.standard) {
                worker.encoder = factory_(format.standard, &error);
            }
            if (worker.encoder) {
                job->frame.resize(dvFrameBytes(format.standard));
                ok = worker.encoder->encode(dvPictureFromBuffer(format, job->input->GetPointer()),
                                            job->frame, &error);
            }
        }

        lock.lock();
        job->ok = ok;
        job->error = error;
        job->done = true;
        finished_.notify_all();
    }
}

bool DvEncodeQueue::pop(std::span<std::uint8_t> frame, std::shared_ptr<IMediaSample>* input,
                        QString* error) {
    std::unique_lock lock(mutex_);
    if (jobs_.empty()) {
        *error = QStringLiteral("No picture is waiting to be encoded.");
        return false;
    }
    const std::shared_ptr<Job> job = jobs_.front();
    finished_.wait(lock, [&] { return job->done; });
    jobs_.pop_front();
    if (input != nullptr) {
        *input = job->input;
    }
    if (!job->ok) {
        *error = job->error;
        return false;
    }
    if (!job->sameAsBefore) {
        lastFrame_ = std::move(job->frame);
        ++encoded_;
    } else {
        ++reused_;
    }
    if (lastFrame_.size() != frame.size()) {
        *error = QStringLiteral("A DV frame buffer of %1 bytes was expected, not %2.")
                     .arg(lastFrame_.size())
                     .arg(frame.size());
        return false;
    }
    std::memcpy(frame.data(), lastFrame_.data(), frame.size());
    return true;
}

void DvEncodeQueue::clear() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] {
        return std::none_of(jobs_.begin(), jobs_.end(),
                            [](const auto& j) { return j->started && !j->done; });
    });
    jobs_.clear();
    previousInput_.reset();
    lastFrame_.clear();
}

std::uint64_t DvEncodeQueue::framesEncoded() const {
    const std::lock_guard lock(mutex_);
    return encoded_;
}

std::uint64_t DvEncodeQueue::framesReused() const {
    const std::lock_guard lock(mutex_);
    return reused_;
}

} // namespace platform

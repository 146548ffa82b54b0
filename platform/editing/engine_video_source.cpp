#include "platform/editing/engine_video_source.h"

#include "platform/editing/timeline.h"

#include <algorithm>
#include <stdexcept>

namespace platform {
namespace {

// Frame times within a millisecond of a media time count as at that time.
constexpr REFERENCE_TIME kTolerance = UNITS / 1000;
// A media time this far beyond the queue is reached faster by seeking than by decoding on.
constexpr REFERENCE_TIME kSeekAhead = 2 * UNITS;
// How often a seek that landed after its target (an inexact container index, or a decoder that
// waits for the next key frame) is repeated from further back, each time twice as far.
constexpr int kSeekRetries = 4;

} // namespace

EngineVideoSource::EngineVideoSource(EngineContext& context, const EngineVideoFormat& format,
                                     QString path, int stretchMode, REFERENCE_TIME mediaStart)
    : context_(context), format_(format), path_(std::move(path)), stretchMode_(stretchMode),
      capacity_(static_cast<std::size_t>(std::max(2, context.options.videoQueueFrames))) {
    validFrom_ = std::max<REFERENCE_TIME>(0, mediaStart);
    seekTarget_ = validFrom_;
    seekRequested_ = validFrom_ > 0;
}

EngineVideoSource::~EngineVideoSource() {
    closeDecoder();
}

void EngineVideoSource::start(bool decodeAhead) {
    {
        const std::lock_guard lock(mutex_);
        decodeAhead_ = decodeAhead_ || decodeAhead;
    }
    scheduleSelf();
}

void EngineVideoSource::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        queue_.clear();
    }
    changed_.notify_all();
}

bool EngineVideoSource::isStill() const {
    const std::lock_guard lock(mutex_);
    return still_ != nullptr;
}

void EngineVideoSource::scheduleSelf() {
    context_.pool.schedule(shared_from_this());
}

void EngineVideoSource::requestSeek(REFERENCE_TIME mediaTime) {
    queue_.clear();
    seekRequested_ = true;
    seekTarget_ = std::max<REFERENCE_TIME>(0, mediaTime);
    validFrom_ = seekTarget_;
    endOfStream_ = false;
    ++generation_;
}

EngineFramePtr EngineVideoSource::frameAt(REFERENCE_TIME mediaTime) {
    std::unique_lock lock(mutex_);
    bool wake = !decodeAhead_;
    decodeAhead_ = true;
    while (!closed_) {
        if (failed_) {
            return nullptr;
        }
        if (still_) {
            return still_;
        }
        if (opened_) {
            const bool behind = mediaTime + kTolerance < validFrom_;
            const bool farAhead =
                !endOfStream_ && !queue_.empty() && mediaTime > queue_.front().time + kSeekAhead;
            if (behind || farAhead) {
                requestSeek(mediaTime);
                wake = true;
            }
            bool dropped = false;
            while (queue_.size() >= 2 && queue_[1].time <= mediaTime + kTolerance) {
                queue_.pop_front();
                validFrom_ = queue_.front().time;
                dropped = true;
            }
            wake = wake || dropped;
            if (!queue_.empty() && (queue_.size() >= 2 || endOfStream_ ||
                                    queue_.front().time > mediaTime + kTolerance)) {
                lastShown_ = queue_.front().frame;
                break;
            }
            if (queue_.empty() && endOfStream_) {
                break; // nothing decodable from here on: keep what was shown last
            }
        }
        if (wake) {
            lock.unlock();
            scheduleSelf();
            lock.lock();
            wake = false;
            continue;
        }
        changed_.wait(lock);
        wake = true; // after every change make sure the pump runs on
    }
    const EngineFramePtr shown = lastShown_;
    lock.unlock();
    scheduleSelf(); // the queue has room again
    return shown;
}

bool EngineVideoSource::openDecoder() {
    if (EngineFramePtr cached = context_.pictures->find(path_, stretchMode_)) {
        const std::lock_guard lock(mutex_);
        still_ = std::move(cached);
        opened_ = true;
        changed_.notify_all();
        return false;
    }
    QString error;
    // "Original" shows a picture's own pixels: only the other modes may decode it smaller.
    const int reducedSide =
        stretchMode_ == RESIZEF_CROP ? 0 : std::max(format_.width, format_.height);
    decoder_ = EngineStreamDecoder::open(path_, AVMEDIA_TYPE_VIDEO, context_.options.decoderThreads,
                                         &error, reducedSide, context_.options.paced);
    if (!decoder_) {
        const std::lock_guard lock(mutex_);
        failed_ = true;
        opened_ = true;
        changed_.notify_all();
        return false;
    }
    context_.registry->opened(path_);
    const bool still = decoder_->isStill();
    scaler_.emplace(stretchMode_, format_,
                    still ? EngineScaleQuality::Picture : EngineScaleQuality::Video,
                    decoder_->orientation());
    if (still) {
        // Decoded and scaled once; the decoder is not needed after that.
        EngineFramePtr picture;
        if (const ffmpeg::FramePtr decoded = decoder_->next()) {
            try {
                picture = scaler_->scale(*decoded);
            } catch (const std::exception&) {
                picture.reset();
            }
        }
        closeDecoder();
        if (picture) {
            context_.pictures->insert(path_, stretchMode_, picture);
        }
        const std::lock_guard lock(mutex_);
        still_ = picture;
        failed_ = !picture;
        opened_ = true;
        changed_.notify_all();
        return false;
    }
    const std::lock_guard lock(mutex_);
    opened_ = true;
    changed_.notify_all();
    return true;
}

void EngineVideoSource::seekDecoder(REFERENCE_TIME target) {
    decoder_->seek(target);
    seekPoint_ = target;
    seekRetries_ = 0;
    preroll_ = true;
    pending_.reset();
}

void EngineVideoSource::closeDecoder() {
    if (decoder_) {
        decoder_.reset();
        context_.registry->closed(path_);
    }
}

void EngineVideoSource::push(std::uint64_t generation, REFERENCE_TIME time,
                             const AVFrame& decoded) {
    EngineFramePtr frame;
    try {
        frame = scaler_->scale(decoded);
    } catch (const std::exception&) {
        return; // a frame that cannot be converted is left out; its neighbours hold
    }
    const std::lock_guard lock(mutex_);
    if (generation == generation_ && !closed_) {
        queue_.push_back({time, std::move(frame)});
        changed_.notify_all();
    }
}

bool EngineVideoSource::pump() {
    {
        const std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
    }
    if (!openTried_) {
        openTried_ = true;
        return openDecoder();
    }
    if (!decoder_) {
        return false;
    }
    std::unique_lock lock(mutex_);
    if (seekRequested_) {
        const REFERENCE_TIME target = seekTarget_;
        seekRequested_ = false;
        lock.unlock();
        seekDecoder(target);
        return true;
    }
    if (!decodeAhead_ || endOfStream_ || queue_.size() >= capacity_) {
        return false;
    }
    const std::uint64_t generation = generation_;
    const REFERENCE_TIME from = validFrom_;
    lock.unlock();

    ffmpeg::FramePtr decoded = decoder_->next();
    if (!decoded) {
        if (pending_) {
            push(generation, pendingTime_, *pending_);
            pending_.reset();
        }
        const std::lock_guard endLock(mutex_);
        if (generation == generation_) {
            endOfStream_ = true;
            changed_.notify_all();
        }
        return false;
    }
    const REFERENCE_TIME time = decoder_->frameTime(*decoded);
    if (preroll_) {
        // After a seek only the last frame at or before the target matters: keep one
        // candidate unscaled until a later frame shows up.
        if (time <= from + kTolerance) {
            pending_ = std::move(decoded);
            pendingTime_ = time;
            return true;
        }
        if (!pending_ && seekPoint_ > 0 && seekRetries_ < kSeekRetries) {
            // Landed past the target: start again from further back.
            ++seekRetries_;
            const REFERENCE_TIME back = seekPoint_ - (UNITS << seekRetries_);
            decoder_->seek(std::max<REFERENCE_TIME>(0, back));
            seekPoint_ = std::max<REFERENCE_TIME>(0, back);
            return true;
        }
        preroll_ = false;
        if (pending_) {
            push(generation, pendingTime_, *pending_);
            pending_.reset();
        }
    }
    push(generation, time, *decoded);
    return true;
}

} // namespace platform

#include "platform/editing/engine_audio_source.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <vector>

namespace platform {
namespace {

// A position this far (in seconds) beyond the queue is reached by seeking.
constexpr int kSeekAhead_s = 2;
// Most silence put in front of a block that starts later than expected (a gap in the file).
constexpr int kMaxGap_s = 10;
// How often a seek that landed after its target is repeated from further back.
constexpr int kSeekRetries = 4;

} // namespace

EngineAudioSource::EngineAudioSource(EngineContext& context, const EngineAudioFormat& format,
                                     QString path, std::int64_t firstSample)
    : context_(context), format_(format), path_(std::move(path)),
      capacity_(std::max<std::int64_t>(4096, std::int64_t{format.sampleRate} *
                                                 context.options.audioQueue_ms / 1000)) {
    queueStart_ = std::max<std::int64_t>(0, firstSample);
    seekTarget_ = queueStart_;
    seekRequested_ = queueStart_ > 0;
}

EngineAudioSource::~EngineAudioSource() {
    closeDecoder();
    av_channel_layout_uninit(&resamplerLayout_);
}

void EngineAudioSource::start(bool decodeAhead) {
    {
        const std::lock_guard lock(mutex_);
        decodeAhead_ = decodeAhead_ || decodeAhead;
    }
    context_.pool.schedule(shared_from_this());
}

void EngineAudioSource::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        queue_.clear();
    }
    changed_.notify_all();
}

void EngineAudioSource::requestSeek(std::int64_t sample) {
    queue_.clear();
    queueStart_ = std::max<std::int64_t>(0, sample);
    seekTarget_ = queueStart_;
    seekRequested_ = true;
    endOfStream_ = false;
    ++generation_;
}

void EngineAudioSource::read(std::int64_t first, std::span<std::int16_t> out) {
    const auto channels = static_cast<std::size_t>(format_.channels);
    const auto count = static_cast<std::int64_t>(out.size() / channels);
    std::fill(out.begin(), out.end(), std::int16_t{0});
    std::unique_lock lock(mutex_);
    bool wake = !decodeAhead_;
    decodeAhead_ = true;
    while (!closed_ && !failed_) {
        const auto queued = static_cast<std::int64_t>(queue_.size() / channels);
        const std::int64_t end = queueStart_ + queued;
        if (first < queueStart_ || first > end + std::int64_t{format_.sampleRate} * kSeekAhead_s) {
            requestSeek(first);
            wake = true;
            continue;
        }
        if (first > queueStart_ && queued > 0) {
            const std::int64_t drop = std::min(first - queueStart_, queued);
            queue_.erase(queue_.begin(),
                         queue_.begin() + static_cast<std::ptrdiff_t>(drop * format_.channels));
            queueStart_ += drop;
            wake = true;
            continue;
        }
        const std::int64_t available = first == queueStart_ ? queued : 0;
        if (available >= count || endOfStream_) {
            const std::int64_t copied = std::min(available, count);
            const auto values = static_cast<std::ptrdiff_t>(copied * format_.channels);
            std::copy(queue_.begin(), queue_.begin() + values, out.begin());
            queue_.erase(queue_.begin(), queue_.begin() + values);
            queueStart_ += copied;
            wake = true;
            break;
        }
        if (wake) {
            lock.unlock();
            context_.pool.schedule(shared_from_this());
            lock.lock();
            wake = false;
            continue;
        }
        changed_.wait(lock);
        wake = true;
    }
    lock.unlock();
    if (wake) {
        context_.pool.schedule(shared_from_this());
    }
}

bool EngineAudioSource::openDecoder() {
    QString error;
    decoder_ = EngineStreamDecoder::open(path_, AVMEDIA_TYPE_AUDIO, 1, &error);
    if (!decoder_) {
        const std::lock_guard lock(mutex_);
        failed_ = true;
        changed_.notify_all();
        return false;
    }
    context_.registry->opened(path_);
    return true;
}

void EngineAudioSource::closeDecoder() {
    if (decoder_) {
        decoder_.reset();
        context_.registry->closed(path_);
    }
}

bool EngineAudioSource::configureResampler(const AVFrame& frame) {
    AVChannelLayout inLayout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels <= 0) {
        av_channel_layout_default(&inLayout, std::max(1, frame.ch_layout.nb_channels));
    } else if (av_channel_layout_copy(&inLayout, &frame.ch_layout) < 0) {
        return false;
    }
    if (resampler_ && resamplerRate_ == frame.sample_rate && resamplerFormat_ == frame.format &&
        av_channel_layout_compare(&inLayout, &resamplerLayout_) == 0) {
        av_channel_layout_uninit(&inLayout);
        return true;
    }
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, format_.channels);
    SwrContext* raw = nullptr;
    int result = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, format_.sampleRate,
                                     &inLayout, static_cast<AVSampleFormat>(frame.format),
                                     frame.sample_rate, 0, nullptr);
    ffmpeg::SwrContextPtr resampler(raw);
    if (result >= 0) {
        // Mono and stereo meet at unity gain (the default mix is 3 dB quieter).
        if (inLayout.nb_channels == 1 && format_.channels == 2) {
            const double matrix[2] = {1.0, 1.0};
            result = swr_set_matrix(resampler.get(), matrix, 1);
        } else if (inLayout.nb_channels == 2 && format_.channels == 1) {
            const double matrix[2] = {0.5, 0.5};
            result = swr_set_matrix(resampler.get(), matrix, 2);
        }
    }
    if (result >= 0) {
        result = swr_init(resampler.get());
    }
    av_channel_layout_uninit(&outLayout);
    if (result < 0) {
        av_channel_layout_uninit(&inLayout);
        return false;
    }
    av_channel_layout_uninit(&resamplerLayout_);
    resamplerLayout_ = inLayout;
    resamplerRate_ = frame.sample_rate;
    resamplerFormat_ = frame.format;
    resampler_ = std::move(resampler);
    return true;
}

void EngineAudioSource::append(std::uint64_t generation, std::int64_t position,
                               const std::int16_t* samples, std::int64_t count) {
    const std::lock_guard lock(mutex_);
    if (generation != generation_ || closed_ || count <= 0) {
        return;
    }
    const std::int64_t channels = format_.channels;
    const std::int64_t end = queueStart_ + static_cast<std::int64_t>(queue_.size()) / channels;
    std::int64_t skip = 0;
    if (position < end) {
        skip = std::min(end - position, count); // already there, or before the seek target
    } else if (position > end) {
        const std::int64_t gap =
            std::min(position - end, std::int64_t{format_.sampleRate} * kMaxGap_s);
        queue_.insert(queue_.end(), static_cast<std::size_t>(gap * channels), std::int16_t{0});
    }
    queue_.insert(queue_.end(), samples + skip * channels, samples + count * channels);
    changed_.notify_all();
}

bool EngineAudioSource::pump() {
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
        const std::int64_t target = seekTarget_;
        seekRequested_ = false;
        lock.unlock();
        seekPoint_ = target;
        seekRetries_ = 0;
        decoder_->seek(format_.sampleTime(target));
        resampler_.reset();
        positionKnown_ = false;
        return true;
    }
    const auto queued = static_cast<std::int64_t>(queue_.size()) / format_.channels;
    if (!decodeAhead_ || endOfStream_ || queued >= capacity_) {
        return false;
    }
    const std::uint64_t generation = generation_;
    lock.unlock();

    std::vector<std::int16_t> converted;
    const ffmpeg::FramePtr decoded = decoder_->next();
    if (decoded && !positionKnown_) {
        nextPosition_ = format_.sampleAt(decoder_->frameTime(*decoded));
        if (nextPosition_ > seekPoint_ + format_.sampleRate / 1000 && seekPoint_ > 0 &&
            seekRetries_ < kSeekRetries) {
            // Landed past the target: start again from further back.
            ++seekRetries_;
            seekPoint_ = std::max<std::int64_t>(
                0, seekPoint_ - (std::int64_t{format_.sampleRate} << seekRetries_));
            decoder_->seek(format_.sampleTime(seekPoint_));
            return true;
        }
        positionKnown_ = true;
    }
    if (decoded && !configureResampler(*decoded)) {
        return true; // a block in a format that cannot be converted is left out
    }
    if (resampler_) {
        const int inCount = decoded ? decoded->nb_samples : 0;
        const int capacity = swr_get_out_samples(resampler_.get(), inCount);
        if (capacity > 0) {
            converted.resize(static_cast<std::size_t>(capacity) *
                             static_cast<std::size_t>(format_.channels));
            auto* outData = reinterpret_cast<std::uint8_t*>(converted.data());
            const int produced = swr_convert(
                resampler_.get(), &outData, capacity,
                decoded ? const_cast<const std::uint8_t**>(decoded->extended_data) : nullptr,
                inCount);
            if (produced > 0) {
                append(generation, nextPosition_, converted.data(), produced);
                nextPosition_ += produced;
            }
        }
    }
    if (!decoded) {
        const std::lock_guard endLock(mutex_);
        if (generation == generation_) {
            endOfStream_ = true;
            changed_.notify_all();
        }
        return false;
    }
    return true;
}

} // namespace platform

#pragma once

#include "platform/editing/engine_context.h"
#include "platform/editing/engine_stream_decoder.h"
#include "platform/editing/ffmpeg_ptr.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>

namespace platform {

// The sound of one timeline source, decoded ahead on the prefetch pool and resampled to the
// group's rate and channels (mono and stereo meet at unity gain). Positions are sample
// indexes of the file's own time at the group's rate. One consumer thread calls read().
class EngineAudioSource final : public EnginePrefetchTask,
                                public std::enable_shared_from_this<EngineAudioSource> {
public:
    EngineAudioSource(EngineContext& context, const EngineAudioFormat& format, QString path,
                      std::int64_t firstSample);
    ~EngineAudioSource() override;

    // Opens the file on the pool; with decodeAhead also fills the queue from the first sample.
    void start(bool decodeAhead);
    // Writes samples [first, first + out.size() / channels) of the file, interleaved, into
    // out; silence where the file has none (before its start, after its end, or when it
    // cannot be decoded). Waits for the decoder; a position off the queue makes it seek.
    void read(std::int64_t first, std::span<std::int16_t> out);
    void close();

    bool pump() override;

private:
    bool openDecoder();
    void closeDecoder();
    bool configureResampler(const AVFrame& frame);
    void append(std::uint64_t generation, std::int64_t position, const std::int16_t* samples,
                std::int64_t count);
    void requestSeek(std::int64_t sample);

    EngineContext& context_;
    const EngineAudioFormat format_;
    const QString path_;
    const std::int64_t capacity_; // samples per channel

    // Used by the pump only.
    std::unique_ptr<EngineStreamDecoder> decoder_;
    ffmpeg::SwrContextPtr resampler_;
    AVChannelLayout resamplerLayout_{};
    int resamplerRate_ = 0;
    int resamplerFormat_ = -1;
    bool openTried_ = false;
    bool positionKnown_ = false;
    std::int64_t nextPosition_ = 0;
    std::int64_t seekPoint_ = 0; // where the decoder was last positioned, in samples
    int seekRetries_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::int16_t> queue_; // interleaved
    std::int64_t queueStart_ = 0;    // sample index of the queue's first sample
    bool decodeAhead_ = false;
    bool failed_ = false;
    bool endOfStream_ = false;
    bool closed_ = false;
    bool seekRequested_ = false;
    std::int64_t seekTarget_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace platform

#pragma once

#include "platform/editing/engine_context.h"
#include "platform/editing/engine_frame_scaler.h"
#include "platform/editing/engine_stream_decoder.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// The pictures of one timeline source: a clip decoded and scaled ahead on the prefetch pool
// into a bounded queue, or a still picture decoded and scaled once. Media times are the
// source file's own times. One consumer thread calls frameAt() and close().
class EngineVideoSource final : public EnginePrefetchTask,
                                public std::enable_shared_from_this<EngineVideoSource> {
public:
    EngineVideoSource(EngineContext& context, const EngineVideoFormat& format, QString path,
                      int stretchMode, REFERENCE_TIME mediaStart);
    ~EngineVideoSource() override;

    // Opens the file on the pool; with decodeAhead also fills the queue from the media start.
    void start(bool decodeAhead);
    // The picture at a media time: the last frame starting at or before it (the first frame
    // when the time is before it, the last one after the end). Waits for the decoder when the
    // frame is not ready; a time behind the queue or far ahead of it makes the source seek.
    // Null when the file cannot be decoded.
    EngineFramePtr frameAt(REFERENCE_TIME mediaTime);
    // Stops all work; the pool lets go of the source after its current step.
    void close();
    // A still picture, decoded and scaled once.
    bool isStill() const;

    bool pump() override;

private:
    struct QueuedFrame {
        REFERENCE_TIME time = 0;
        EngineFramePtr frame;
    };

    bool openDecoder();
    void closeDecoder();
    void seekDecoder(REFERENCE_TIME target);
    void push(std::uint64_t generation, REFERENCE_TIME time, const AVFrame& decoded);
    void requestSeek(REFERENCE_TIME mediaTime);
    void scheduleSelf();

    EngineContext& context_;
    const EngineVideoFormat format_;
    const QString path_;
    const int stretchMode_;
    const std::size_t capacity_;

    // Used by the pump only (one worker at a time).
    std::unique_ptr<EngineStreamDecoder> decoder_;
    std::optional<EngineFrameScaler> scaler_;
    bool openTried_ = false;
    bool preroll_ = true;
    REFERENCE_TIME seekPoint_ = 0; // where the decoder was last positioned
    int seekRetries_ = 0;
    ffmpeg::FramePtr pending_;
    REFERENCE_TIME pendingTime_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QueuedFrame> queue_;
    EngineFramePtr still_;
    EngineFramePtr lastShown_;
    bool decodeAhead_ = false;
    bool opened_ = false;
    bool failed_ = false;
    bool endOfStream_ = false;
    bool closed_ = false;
    bool seekRequested_ = false;
    REFERENCE_TIME seekTarget_ = 0;
    REFERENCE_TIME validFrom_ = 0; // the queue answers media times from here on
    std::uint64_t generation_ = 0;
};

} // namespace platform

#pragma once

#include "platform/editing/engine_orientation.h"
#include "platform/editing/ffmpeg_ptr.h"
#include "platform/system/hresult.h"

#include <QString>

#include <memory>

namespace platform {

// Decodes one stream (the best video or audio stream) of a media file, frame by frame, with
// seeking. Frame times are in 100 ns units from the file's start, one origin for all its
// streams (as players do), so that a sound stream that starts after the picture keeps its
// place. Not thread-safe: one user at a time (the prefetch pool runs one pump of a source at a
// time).
class EngineStreamDecoder {
public:
    // Opens the file and the decoder of its best stream of the type. Gives null (and the
    // reason in *error) when the file cannot be read or has no decodable stream of that type.
    // A still picture whose smaller side is at least twice `reducedSide` (when not 0) is decoded
    // at a half, a quarter or an eighth of its size, where its codec can (JPEG), keeping its
    // smaller side at least `reducedSide`: a camera's photo for a DV frame decodes far faster
    // and in a fraction of the memory. With `paced`, a video stream of at most 30 frames per
    // second decodes on one thread whatever `threadCount` allows.
    static std::unique_ptr<EngineStreamDecoder> open(const QString& path, AVMediaType type,
                                                     int threadCount, QString* error,
                                                     int reducedSide = 0, bool paced = false);

    // A still picture: one frame that holds for ever (image demuxers, one-frame GIFs).
    bool isStill() const { return still_; }
    // How the stream's pictures are turned to be shown upright (a phone's rotated clip).
    EngineOrientation orientation() const { return orientation_; }
    const AVCodecContext& codec() const { return *codec_; }
    const AVStream& stream() const { return *format_->streams[streamIndex_]; }

    // Positions the decoder on the key frame at or before the time. False when the container
    // cannot seek (the decoder then starts again from the beginning when it can).
    bool seek(REFERENCE_TIME time);
    // The next decoded frame, or null at the end of the stream (also after too many
    // consecutive damaged packets).
    ffmpeg::FramePtr next();
    // Time of a decoded frame from the file's start.
    REFERENCE_TIME frameTime(const AVFrame& frame);

    // Use open(); the key keeps the constructor to this class.
    struct ConstructionKey {
        explicit ConstructionKey() = default;
    };
    explicit EngineStreamDecoder(ConstructionKey) {}

private:
    bool readPacketIntoDecoder();

    ffmpeg::InputFormatPtr format_;
    ffmpeg::CodecContextPtr codec_;
    ffmpeg::PacketPtr packet_;
    int streamIndex_ = -1;
    // The file's start in the stream's time base: media time 0.
    std::int64_t origin_ = 0;
    bool still_ = false;
    EngineOrientation orientation_;
    bool inputEnded_ = false;
    REFERENCE_TIME lastTime_ = 0;
    REFERENCE_TIME lastDuration_ = 0;
};

} // namespace platform

#include "platform/editing/engine_stream_decoder.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

// Damaged packets in a row after which a stream counts as ended.
constexpr int kMaxConsecutiveErrors = 64;

// The start of the file in a stream's time base: the container's start time (the earliest of
// its streams), else the stream's own, else 0.
std::int64_t fileOrigin(const AVFormatContext& format, const AVStream& stream) {
    if (format.start_time != AV_NOPTS_VALUE) {
        return av_rescale_q(format.start_time, AV_TIME_BASE_Q, stream.time_base);
    }
    return stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
}

bool isStillPicture(const AVFormatContext& format, const AVStream& stream) {
    const char* name = format.iformat ? format.iformat->name : "";
    const std::size_t length = std::strlen(name);
    if (std::strcmp(name, "image2") == 0 ||
        (length > 5 && std::strcmp(name + length - 5, "_pipe") == 0)) {
        return true;
    }
    return std::strcmp(name, "gif") == 0 && stream.nb_frames <= 1;
}

} // namespace

std::unique_ptr<EngineStreamDecoder> EngineStreamDecoder::open(const QString& path,
                                                               AVMediaType type, int threadCount,
                                                               QString* error, int reducedSide,
                                                               bool paced) {
    auto fail = [error](const QString& reason) {
        if (error) {
            *error = reason;
        }
        return std::unique_ptr<EngineStreamDecoder>();
    };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        return fail(QStringLiteral("no such file"));
    }
    auto decoder = std::make_unique<EngineStreamDecoder>(ConstructionKey{});
    // The file protocol only, never an image-name pattern: the name is taken literally.
    const QByteArray url = "file:" + QFile::encodeName(info.absoluteFilePath());
    ffmpeg::Dictionary options;
    if (options.set("pattern_type", "none") < 0 || options.set("protocol_whitelist", "file") < 0) {
        return fail(QStringLiteral("out of memory"));
    }
    AVFormatContext* raw = nullptr;
    int result = avformat_open_input(&raw, url.constData(), nullptr, options.address());
    if (result < 0) {
        return fail(ffmpeg::errorText(result));
    }
    decoder->format_.reset(raw);
    result = avformat_find_stream_info(raw, nullptr);
    if (result < 0) {
        return fail(ffmpeg::errorText(result));
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(raw, type, -1, -1, &codec, 0);
    if (index < 0 || codec == nullptr) {
        return fail(ffmpeg::errorText(index < 0 ? index : AVERROR_DECODER_NOT_FOUND));
    }
    AVStream& stream = *raw->streams[index];
    if (type == AVMEDIA_TYPE_VIDEO && (stream.disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        return fail(QStringLiteral("only a cover picture"));
    }
    decoder->streamIndex_ = index;
    decoder->origin_ = fileOrigin(*raw, stream);
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        raw->streams[i]->discard = static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    decoder->still_ = type == AVMEDIA_TYPE_VIDEO && isStillPicture(*raw, stream);
    decoder->orientation_ = orientationFromDisplayMatrix(reinterpret_cast<const std::int32_t*>(
        av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr)));
    decoder->codec_.reset(avcodec_alloc_context3(codec));
    decoder->packet_.reset(av_packet_alloc());
    if (!decoder->codec_ || !decoder->packet_) {
        return fail(QStringLiteral("out of memory"));
    }
    result = avcodec_parameters_to_context(decoder->codec_.get(), stream.codecpar);
    if (result < 0) {
        return fail(ffmpeg::errorText(result));
    }
    decoder->codec_->pkt_timebase = stream.time_base;
    const double framesPerSecond = av_q2d(stream.avg_frame_rate);
    const bool oneThread =
        decoder->still_ || (paced && framesPerSecond > 0 && framesPerSecond <= 30.5);
    decoder->codec_->thread_count = oneThread ? 1 : threadCount;
    if (decoder->still_ && reducedSide > 0) {
        const int side = std::min(stream.codecpar->width, stream.codecpar->height);
        int lowres = 0;
        while (lowres < codec->max_lowres && (side >> (lowres + 1)) >= reducedSide) {
            ++lowres;
        }
        decoder->codec_->lowres = lowres;
    }
    result = avcodec_open2(decoder->codec_.get(), codec, nullptr);
    if (result < 0) {
        return fail(ffmpeg::errorText(result));
    }
    return decoder;
}

bool EngineStreamDecoder::seek(REFERENCE_TIME time) {
    const AVStream& s = stream();
    const std::int64_t target =
        origin_ + av_rescale_q(time, AVRational{1, static_cast<int>(UNITS)}, s.time_base);
    int result = av_seek_frame(format_.get(), streamIndex_, target, AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        // Before the first key frame or a container without an index: from the start.
        result = av_seek_frame(format_.get(), streamIndex_,
                               s.start_time != AV_NOPTS_VALUE ? s.start_time : origin_,
                               AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    }
    avcodec_flush_buffers(codec_.get());
    inputEnded_ = false;
    lastTime_ = 0;
    lastDuration_ = 0;
    return result >= 0;
}

bool EngineStreamDecoder::readPacketIntoDecoder() {
    while (true) {
        const int result = av_read_frame(format_.get(), packet_.get());
        if (result < 0) {
            inputEnded_ = true;
            return avcodec_send_packet(codec_.get(), nullptr) >= 0;
        }
        if (packet_->stream_index != streamIndex_) {
            av_packet_unref(packet_.get());
            continue;
        }
        const int sent = avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
        // A damaged packet is skipped; the caller counts the failures.
        return sent >= 0 || sent == AVERROR_INVALIDDATA;
    }
}

ffmpeg::FramePtr EngineStreamDecoder::next() {
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!frame) {
        return {};
    }
    int errors = 0;
    while (errors < kMaxConsecutiveErrors) {
        const int result = avcodec_receive_frame(codec_.get(), frame.get());
        if (result >= 0) {
            return frame;
        }
        if (result == AVERROR_EOF) {
            return {};
        }
        if (result != AVERROR(EAGAIN)) {
            ++errors; // a frame the decoder could not rebuild: try the next one
            continue;
        }
        if (inputEnded_) {
            return {};
        }
        if (!readPacketIntoDecoder()) {
            ++errors;
        }
    }
    return {};
}

REFERENCE_TIME EngineStreamDecoder::frameTime(const AVFrame& frame) {
    const AVStream& s = stream();
    const std::int64_t ts = frame.best_effort_timestamp;
    REFERENCE_TIME time = 0;
    if (ts == AV_NOPTS_VALUE) {
        time = lastTime_ + lastDuration_;
    } else {
        time = av_rescale_q(ts - origin_, s.time_base, AVRational{1, static_cast<int>(UNITS)});
    }
    if (frame.pkt_duration > 0) {
        lastDuration_ =
            av_rescale_q(frame.pkt_duration, s.time_base, AVRational{1, static_cast<int>(UNITS)});
    }
    lastTime_ = time;
    return time;
}

} // namespace platform

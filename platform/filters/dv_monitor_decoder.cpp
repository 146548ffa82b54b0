#include "platform/filters/dv_monitor_decoder.h"

#include "platform/filters/dv_sink.h"

extern "C" {
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Reads one frame from memory, then reports the end.
struct FrameReader {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
};

int readFrame(void* opaque, std::uint8_t* buffer, int size) {
    auto* reader = static_cast<FrameReader*>(opaque);
    const std::size_t left = reader->data.size() - reader->position;
    if (left == 0) {
        return AVERROR_EOF;
    }
    const std::size_t count = std::min(left, static_cast<std::size_t>(size));
    std::memcpy(buffer, reader->data.data() + reader->position, count);
    reader->position += count;
    return static_cast<int>(count);
}

struct AvioDeleter {
    void operator()(AVIOContext* context) const {
        av_freep(&context->buffer);
        avio_context_free(&context);
    }
};
using AvioPtr = std::unique_ptr<AVIOContext, AvioDeleter>;

constexpr int kAvioBufferBytes = 4096;

} // namespace

bool DvMonitorDecoder::decode(std::span<const std::uint8_t> frame, DvMonitorPicture* out,
                              QString* error) {
    if (frame.size() < kDvDifBlockBytes) {
        *error = QStringLiteral("A DV frame of %1 bytes is too short.").arg(frame.size());
        return false;
    }
    if (!isWholeDvFrame(frame, dvStandardOfFrame(frame.data()), error)) {
        return false;
    }
    return decodePicture(frame, &out->image, error) && demuxSound(frame, out, error);
}

bool DvMonitorDecoder::decodePicture(std::span<const std::uint8_t> frame, QImage* image,
                                     QString* error) {
    if (!video_) {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
        if (codec == nullptr) {
            *error = QStringLiteral("FFmpeg has no DV video decoder.");
            return false;
        }
        ffmpeg::CodecContextPtr context(avcodec_alloc_context3(codec));
        ffmpeg::FramePtr decoded(av_frame_alloc());
        ffmpeg::PacketPtr packet(av_packet_alloc());
        if (!context || !decoded || !packet) {
            *error = QStringLiteral("Out of memory for the DV decoder.");
            return false;
        }
        if (const int ret = avcodec_open2(context.get(), codec, nullptr); ret < 0) {
            *error =
                QStringLiteral("The DV decoder cannot be opened: %1").arg(ffmpeg::errorText(ret));
            return false;
        }
        video_ = std::move(context);
        frame_ = std::move(decoded);
        packet_ = std::move(packet);
    }
    // The packet borrows the frame's bytes; the decoder copies what it keeps.
    av_packet_unref(packet_.get());
    packet_->data = const_cast<std::uint8_t*>(frame.data());
    packet_->size = static_cast<int>(frame.size());
    int ret = avcodec_send_packet(video_.get(), packet_.get());
    packet_->data = nullptr;
    packet_->size = 0;
    if (ret >= 0) {
        ret = avcodec_receive_frame(video_.get(), frame_.get());
    }
    if (ret < 0) {
        *error = QStringLiteral("The DV frame cannot be decoded: %1").arg(ffmpeg::errorText(ret));
        return false;
    }
    const DvStandard standard = dvStandardOfFrame(frame.data());
    const int width = dvDisplayWidth(standard);
    const int height = dvHeight(standard);
    if (!scaler_ || scaler_width_ != frame_->width || scaler_height_ != frame_->height ||
        scaler_format_ != frame_->format) {
        scaler_.reset(sws_getContext(frame_->width, frame_->height,
                                     static_cast<AVPixelFormat>(frame_->format), width, height,
                                     AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!scaler_) {
            av_frame_unref(frame_.get());
            *error = QStringLiteral("The DV picture cannot be converted for display.");
            return false;
        }
        scaler_width_ = frame_->width;
        scaler_height_ = frame_->height;
        scaler_format_ = frame_->format;
    }
    QImage picture(width, height, QImage::Format_RGB32);
    std::uint8_t* const destination[4] = {picture.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(picture.bytesPerLine()), 0, 0, 0};
    ret = sws_scale(scaler_.get(), frame_->data, frame_->linesize, 0, frame_->height, destination,
                    strides);
    av_frame_unref(frame_.get());
    if (ret != height) {
        *error = QStringLiteral("The DV picture cannot be converted for display.");
        return false;
    }
    *image = std::move(picture);
    return true;
}

bool DvMonitorDecoder::demuxSound(std::span<const std::uint8_t> frame, DvMonitorPicture* out,
                                  QString* error) {
    out->pcm.clear();
    out->sample_rate_hz = 0;
    out->channels = 0;
    // A fresh demuxer per frame: it reads the one frame to its end and has no state to carry.
    FrameReader reader{frame, 0};
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kAvioBufferBytes));
    if (buffer == nullptr) {
        *error = QStringLiteral("Out of memory for the DV demuxer.");
        return false;
    }
    AvioPtr io(
        avio_alloc_context(buffer, kAvioBufferBytes, 0, &reader, readFrame, nullptr, nullptr));
    if (!io) {
        av_free(buffer);
        *error = QStringLiteral("Out of memory for the DV demuxer.");
        return false;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        *error = QStringLiteral("Out of memory for the DV demuxer.");
        return false;
    }
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    const AVInputFormat* format = av_find_input_format("dv");
    if (format == nullptr) {
        avformat_free_context(raw);
        *error = QStringLiteral("FFmpeg has no DV demuxer.");
        return false;
    }
    // avformat_open_input frees the context when it fails.
    if (const int ret = avformat_open_input(&raw, nullptr, format, nullptr); ret < 0) {
        *error = QStringLiteral("The DV frame cannot be read: %1").arg(ffmpeg::errorText(ret));
        return false;
    }
    const ffmpeg::InputFormatPtr input(raw);
    const ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!packet) {
        *error = QStringLiteral("Out of memory for the DV demuxer.");
        return false;
    }
    for (;;) {
        const int ret = av_read_frame(input.get(), packet.get());
        if (ret == AVERROR_EOF) {
            return true;
        }
        if (ret < 0) {
            *error = QStringLiteral("The DV frame cannot be read: %1").arg(ffmpeg::errorText(ret));
            return false;
        }
        const AVStream* stream = input->streams[packet->stream_index];
        const AVCodecParameters* codec = stream->codecpar;
        // The first pair of channels is what a monitor plays.
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO && codec->codec_id == AV_CODEC_ID_PCM_S16LE &&
            out->pcm.isEmpty()) {
            out->sample_rate_hz = codec->sample_rate;
            out->channels = codec->ch_layout.nb_channels;
            out->pcm = QByteArray(reinterpret_cast<const char*>(packet->data), packet->size);
        }
        av_packet_unref(packet.get());
    }
}

} // namespace platform

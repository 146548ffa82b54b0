#include "tests/tools/media_probe.h"

#include "tools/make-test-media/ffmpeg_ptr.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

using testmedia::checkAv;
using testmedia::checkNotNull;

namespace mediatest {
namespace {

testmedia::InputFormatPtr openInput(const QString& path) {
    AVFormatContext* raw = nullptr;
    const std::string name = path.toStdString();
    checkAv(avformat_open_input(&raw, name.c_str(), nullptr, nullptr), "opening " + name);
    testmedia::InputFormatPtr format(raw);
    checkAv(avformat_find_stream_info(format.get(), nullptr), "analysing " + name);
    return format;
}

testmedia::CodecContextPtr openDecoder(const AVStream* stream) {
    const AVCodec* codec =
        checkNotNull(avcodec_find_decoder(stream->codecpar->codec_id), "avcodec_find_decoder");
    testmedia::CodecContextPtr decoder(
        checkNotNull(avcodec_alloc_context3(codec), "avcodec_alloc_context3"));
    checkAv(avcodec_parameters_to_context(decoder.get(), stream->codecpar),
            "avcodec_parameters_to_context");
    decoder->thread_count = 1;
    checkAv(avcodec_open2(decoder.get(), codec, nullptr), "avcodec_open2");
    return decoder;
}

// Decodes one stream of a file, handing each frame to onFrame until it returns false.
void decodeStream(AVFormatContext* format, int streamIndex, AVCodecContext* decoder,
                  const std::function<bool(const AVFrame*)>& onFrame) {
    const testmedia::PacketPtr packet = testmedia::allocPacket();
    const testmedia::FramePtr frame = testmedia::allocFrame();
    const auto drain = [&]() {
        while (true) {
            const int result = avcodec_receive_frame(decoder, frame.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                return true;
            }
            checkAv(result, "avcodec_receive_frame");
            const bool more = onFrame(frame.get());
            av_frame_unref(frame.get());
            if (!more) {
                return false;
            }
        }
    };
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == streamIndex) {
            const int sent = avcodec_send_packet(decoder, packet.get());
            av_packet_unref(packet.get());
            checkAv(sent, "avcodec_send_packet");
            if (!drain()) {
                return;
            }
        } else {
            av_packet_unref(packet.get());
        }
    }
    checkAv(avcodec_send_packet(decoder, nullptr), "flushing the decoder");
    drain();
}

// Converts a decoded picture to RGB with the matrix it is tagged with (BT.601 when untagged).
QImage toImage(const AVFrame* frame) {
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    const testmedia::SwsContextPtr scaler(checkNotNull(
        sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                       frame->width, frame->height, AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr,
                       nullptr, nullptr),
        "sws_getContext"));
    if (frame->colorspace == AVCOL_SPC_BT709) {
        int* inverseTable = nullptr;
        int* table = nullptr;
        int sourceRange = 0;
        int targetRange = 0;
        int brightness = 0;
        int contrast = 0;
        int saturation = 0;
        checkAv(sws_getColorspaceDetails(scaler.get(), &inverseTable, &sourceRange, &table,
                                         &targetRange, &brightness, &contrast, &saturation),
                "sws_getColorspaceDetails");
        checkAv(sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_ITU709),
                                         sourceRange, table, targetRange, brightness, contrast,
                                         saturation),
                "sws_setColorspaceDetails");
    }
    uint8_t* target[] = {image.bits()};
    const int targetStride[] = {static_cast<int>(image.bytesPerLine())};
    checkAv(sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, target,
                      targetStride),
            "sws_scale");
    return image;
}

int16_t firstChannelSample(const AVFrame* frame, int index) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int channels = frame->ch_layout.nb_channels;
    const int position = av_sample_fmt_is_planar(format) != 0 ? index : index * channels;
    const uint8_t* data = frame->data[0];
    switch (format) {
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P: {
        int16_t value = 0;
        std::memcpy(&value, data + position * sizeof(value), sizeof(value));
        return value;
    }
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P: {
        int32_t value = 0;
        std::memcpy(&value, data + position * sizeof(value), sizeof(value));
        return static_cast<int16_t>(value >> 16);
    }
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP: {
        float value = 0;
        std::memcpy(&value, data + position * sizeof(value), sizeof(value));
        return static_cast<int16_t>(std::clamp(value, -1.0F, 1.0F) * 32767.0F);
    }
    default:
        throw std::runtime_error("unexpected sample format");
    }
}

} // namespace

int MediaInfo::count(AVMediaType type) const {
    return static_cast<int>(std::count_if(streams.begin(), streams.end(),
                                          [type](const StreamInfo& s) { return s.type == type; }));
}

const StreamInfo* MediaInfo::first(AVMediaType type) const {
    const auto found = std::find_if(streams.begin(), streams.end(),
                                    [type](const StreamInfo& s) { return s.type == type; });
    return found == streams.end() ? nullptr : &*found;
}

std::optional<MediaInfo> probe(const QString& path) {
    AVFormatContext* raw = nullptr;
    const std::string name = path.toStdString();
    if (avformat_open_input(&raw, name.c_str(), nullptr, nullptr) < 0) {
        return std::nullopt;
    }
    const testmedia::InputFormatPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) {
        return std::nullopt;
    }
    MediaInfo info;
    info.duration_s = format->duration == AV_NOPTS_VALUE
                          ? 0.0
                          : static_cast<double>(format->duration) / AV_TIME_BASE;
    for (unsigned index = 0; index < format->nb_streams; ++index) {
        const AVStream* stream = format->streams[index];
        const AVCodecParameters* parameters = stream->codecpar;
        StreamInfo streamInfo;
        streamInfo.type = parameters->codec_type;
        streamInfo.codec = QString::fromLatin1(avcodec_get_name(parameters->codec_id));
        streamInfo.width = parameters->width;
        streamInfo.height = parameters->height;
        streamInfo.format = parameters->format;
        streamInfo.frameRate = stream->avg_frame_rate;
        streamInfo.sampleRate = parameters->sample_rate;
        streamInfo.channels = parameters->ch_layout.nb_channels;
        streamInfo.attachedPicture = (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
        streamInfo.timeBase = stream->time_base;
        streamInfo.startTime = stream->start_time;
        streamInfo.colorSpace = parameters->color_space;
        streamInfo.colorPrimaries = parameters->color_primaries;
        streamInfo.colorTransfer = parameters->color_trc;
        streamInfo.colorRange = parameters->color_range;
        info.streams.push_back(streamInfo);
    }
    return info;
}

bool decodesAsMedia(const QString& path) {
    try {
        const testmedia::InputFormatPtr format = openInput(path);
        if (format->nb_streams == 0) {
            return false;
        }
        const testmedia::CodecContextPtr decoder = openDecoder(format->streams[0]);
        bool decoded = false;
        decodeStream(format.get(), 0, decoder.get(), [&decoded](const AVFrame*) {
            decoded = true;
            return false;
        });
        return decoded;
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<QImage> decodeVideo(const QString& path, int maxFrames) {
    std::vector<QImage> pictures;
    for (TimedPicture& frame : decodeTimedVideo(path, maxFrames).frames) {
        pictures.push_back(std::move(frame.picture));
    }
    return pictures;
}

TimedVideo decodeTimedVideo(const QString& path, int maxFrames) {
    const testmedia::InputFormatPtr format = openInput(path);
    const int index = checkAv(
        av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0), "video stream");
    const testmedia::CodecContextPtr decoder = openDecoder(format->streams[index]);
    TimedVideo video;
    video.timeBase = format->streams[index]->time_base;
    decodeStream(format.get(), index, decoder.get(), [&](const AVFrame* frame) {
        video.frames.push_back({frame->pts, toImage(frame)});
        return static_cast<int>(video.frames.size()) < maxFrames;
    });
    return video;
}

DecodedAudio decodeAudio(const QString& path, double seconds) {
    const testmedia::InputFormatPtr format = openInput(path);
    const int index = checkAv(
        av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0), "audio stream");
    const testmedia::CodecContextPtr decoder = openDecoder(format->streams[index]);
    DecodedAudio audio;
    audio.sampleRate = decoder->sample_rate;
    const auto wanted = static_cast<size_t>(seconds * decoder->sample_rate);
    decodeStream(format.get(), index, decoder.get(), [&](const AVFrame* frame) {
        for (int sample = 0; sample < frame->nb_samples && audio.mono.size() < wanted; ++sample) {
            audio.mono.push_back(firstChannelSample(frame, sample));
        }
        return audio.mono.size() < wanted;
    });
    return audio;
}

QImage dvRoundTrip(const QImage& picture) {
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    const AVCodec* encoderCodec =
        checkNotNull(avcodec_find_encoder(AV_CODEC_ID_DVVIDEO), "dvvideo encoder");
    const testmedia::CodecContextPtr encoder(
        checkNotNull(avcodec_alloc_context3(encoderCodec), "avcodec_alloc_context3"));
    encoder->width = 720;
    encoder->height = 576;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = AVRational{1, 25};
    encoder->thread_count = 1;
    checkAv(avcodec_open2(encoder.get(), encoderCodec, nullptr), "opening the DV encoder");

    const testmedia::FramePtr frame = testmedia::allocFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 720;
    frame->height = 576;
    checkAv(av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
    const testmedia::SwsContextPtr toYuv(
        checkNotNull(sws_getContext(source.width(), source.height(), AV_PIX_FMT_RGB32, 720, 576,
                                    AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr),
                     "sws_getContext"));
    const uint8_t* sourceData[] = {source.constBits()};
    const int sourceStride[] = {static_cast<int>(source.bytesPerLine())};
    checkAv(sws_scale(toYuv.get(), sourceData, sourceStride, 0, source.height(), frame->data,
                      frame->linesize),
            "sws_scale");
    frame->pts = 0;
    checkAv(avcodec_send_frame(encoder.get(), frame.get()), "encoding DV");
    const testmedia::PacketPtr packet = testmedia::allocPacket();
    checkAv(avcodec_receive_packet(encoder.get(), packet.get()), "receiving the DV frame");
    if (packet->size != 144000) {
        throw std::runtime_error("DV PAL frame of unexpected size");
    }

    const AVCodec* decoderCodec =
        checkNotNull(avcodec_find_decoder(AV_CODEC_ID_DVVIDEO), "dvvideo decoder");
    const testmedia::CodecContextPtr decoder(
        checkNotNull(avcodec_alloc_context3(decoderCodec), "avcodec_alloc_context3"));
    decoder->thread_count = 1;
    checkAv(avcodec_open2(decoder.get(), decoderCodec, nullptr), "opening the DV decoder");
    checkAv(avcodec_send_packet(decoder.get(), packet.get()), "decoding DV");
    const testmedia::FramePtr decoded = testmedia::allocFrame();
    checkAv(avcodec_receive_frame(decoder.get(), decoded.get()), "receiving the decoded frame");
    return toImage(decoded.get());
}

} // namespace mediatest

#include "tools/make-test-media/media_writer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

namespace testmedia {
namespace {

const AVCodec* findEncoder(AVCodecID codecId, const char* name) {
    if (name != nullptr) {
        if (const AVCodec* byName = avcodec_find_encoder_by_name(name)) {
            return byName;
        }
    }
    const AVCodec* codec = avcodec_find_encoder(codecId);
    if (codec == nullptr) {
        throw std::runtime_error(std::string("no encoder for codec ") + avcodec_get_name(codecId));
    }
    return codec;
}

CodecContextPtr allocContext(const AVCodec* codec) {
    CodecContextPtr context(checkNotNull(avcodec_alloc_context3(codec), "avcodec_alloc_context3"));
    // One thread and bit-exact output keep the bytes identical from run to run.
    context->thread_count = 1;
    context->flags |= AV_CODEC_FLAG_BITEXACT;
    return context;
}

void setOption(void* object, const char* name, const char* value) {
    checkAv(av_opt_set(object, name, value, 0), std::string("setting encoder option ") + name);
}

// A container that cannot store negative times makes the muxer shift all streams by the earliest
// start. That moves the video off its frame grid (AVI even stores an empty frame for the gap), so
// instead an audio stream starting early with its encoder's priming is moved to start at 0, and a
// video stream must not start early at all.
class StartAlignment {
public:
    StartAlignment(const AVFormatContext* format, bool mayDelay)
        : needed_((format->oformat->flags & AVFMT_TS_NEGATIVE) == 0), mayDelay_(mayDelay) {}

    void apply(AVPacket* packet) {
        if (!needed_ || packet->dts == AV_NOPTS_VALUE) {
            return;
        }
        if (!offset_) {
            offset_ = std::max<int64_t>(0, -packet->dts);
            if (*offset_ > 0 && !mayDelay_) {
                throw std::runtime_error("video would start before time 0");
            }
        }
        packet->dts += *offset_;
        if (packet->pts != AV_NOPTS_VALUE) {
            packet->pts += *offset_;
        }
    }

private:
    bool needed_;
    bool mayDelay_;
    std::optional<int64_t> offset_;
};

// Sends encoded packets from an encoder to the muxer until the encoder wants more input.
void drainPackets(AVFormatContext* format, AVCodecContext* encoder, AVStream* stream,
                  StartAlignment& alignment, AVPacket* packet) {
    while (true) {
        const int result = avcodec_receive_packet(encoder, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return;
        }
        checkAv(result, "avcodec_receive_packet");
        alignment.apply(packet);
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        checkAv(av_interleaved_write_frame(format, packet), "av_interleaved_write_frame");
    }
}

struct ColourTags {
    AVColorPrimaries primaries;
    AVColorTransferCharacteristic transfer;
    AVColorSpace matrix;
    int swsMatrix; // SWS_CS_*
};

ColourTags colourTagsOf(ColourSystem system) {
    switch (system) {
    case ColourSystem::Bt709:
        return {AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_SPC_BT709, SWS_CS_ITU709};
    case ColourSystem::Bt601Line525:
        return {AVCOL_PRI_SMPTE170M, AVCOL_TRC_SMPTE170M, AVCOL_SPC_SMPTE170M, SWS_CS_SMPTE170M};
    case ColourSystem::Bt601Line625:
        break;
    }
    return {AVCOL_PRI_BT470BG, AVCOL_TRC_SMPTE170M, AVCOL_SPC_BT470BG, SWS_CS_ITU601};
}

// An RGB to YUV converter with the given matrix, giving limited-range YUV.
SwsContextPtr makeRgbToYuv(const AVCodecContext* context, int swsMatrix) {
    SwsContextPtr scaler(checkNotNull(
        sws_getContext(context->width, context->height, AV_PIX_FMT_RGB24, context->width,
                       context->height, context->pix_fmt,
                       SWS_BILINEAR | SWS_BITEXACT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr),
        "sws_getContext"));
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
    checkAv(sws_setColorspaceDetails(scaler.get(), inverseTable, sourceRange,
                                     sws_getCoefficients(swsMatrix), 0, brightness, contrast,
                                     saturation),
            "sws_setColorspaceDetails");
    return scaler;
}

class VideoEncoder {
public:
    VideoEncoder(AVFormatContext* format, const VideoTrack& track)
        : track_(track), alignment_(format, false) {
        const AVCodec* codec = findEncoder(track.codecId, track.encoderName);
        stream_ = checkNotNull(avformat_new_stream(format, nullptr), "avformat_new_stream");
        context_ = allocContext(codec);
        AVCodecContext* context = context_.get();
        context->width = track.size.width();
        context->height = track.size.height();
        context->pix_fmt = track.pixelFormat;
        context->time_base = av_inv_q(track.frameRate);
        context->framerate = track.frameRate;
        context->gop_size = 12;
        context->max_b_frames = 0;
        const ColourTags colour = colourTagsOf(colourSystemOf(track));
        context->color_primaries = colour.primaries;
        context->color_trc = colour.transfer;
        context->colorspace = colour.matrix;
        context->color_range = AVCOL_RANGE_MPEG;
        if (codec->id == AV_CODEC_ID_MPEG2VIDEO) {
            // Without B-frames nothing is reordered: with low delay the decode times equal the
            // presentation times instead of starting one frame before 0.
            context->flags |= AV_CODEC_FLAG_LOW_DELAY;
        }
        if (codec->id == AV_CODEC_ID_H264) {
            setOption(context->priv_data, "preset", "ultrafast");
            setOption(context->priv_data, "crf", "26");
        } else if (codec->id != AV_CODEC_ID_DVVIDEO) {
            context->flags |= AV_CODEC_FLAG_QSCALE;
            context->global_quality = FF_QP2LAMBDA * 4;
            // With a fixed quantiser the bit rate is only declared; the program stream muxer
            // paces its clock by it, so it must not be below the real rate (DVD's maximum).
            context->bit_rate = 8000000;
        }
        if (track.interlaced) {
            context->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
            context->field_order = track.topFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
        }
        if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
            context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        checkAv(avcodec_open2(context, codec, nullptr),
                std::string("opening video encoder ") + codec->name);
        checkAv(avcodec_parameters_from_context(stream_->codecpar, context),
                "avcodec_parameters_from_context");
        stream_->time_base = context->time_base;
        stream_->avg_frame_rate = track.frameRate;
        if (track.displayRotation_deg != 0) {
            auto* matrix = reinterpret_cast<int32_t*>(checkNotNull(
                av_stream_new_side_data(stream_, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)),
                "av_stream_new_side_data"));
            av_display_rotation_set(matrix, track.displayRotation_deg);
        }

        frame_ = allocFrame();
        frame_->format = context->pix_fmt;
        frame_->width = context->width;
        frame_->height = context->height;
        checkAv(av_frame_get_buffer(frame_.get(), 0), "av_frame_get_buffer (video)");
        scaler_ = makeRgbToYuv(context, colour.swsMatrix);
    }

    bool done() const { return nextFrame_ >= track_.frameCount; }
    int64_t nextPts() const { return nextFrame_; }
    AVRational timeBase() const { return context_->time_base; }

    void encodeNext(AVFormatContext* format, AVPacket* packet) {
        const QImage picture = track_.paint(nextFrame_).convertToFormat(QImage::Format_RGB888);
        if (picture.size() != track_.size) {
            throw std::runtime_error("painted frame has the wrong size");
        }
        checkAv(av_frame_make_writable(frame_.get()), "av_frame_make_writable (video)");
        const uint8_t* source[] = {picture.constBits()};
        const int sourceStride[] = {static_cast<int>(picture.bytesPerLine())};
        checkAv(sws_scale(scaler_.get(), source, sourceStride, 0, picture.height(), frame_->data,
                          frame_->linesize),
                "sws_scale");
        frame_->pts = nextFrame_++;
        frame_->interlaced_frame = track_.interlaced ? 1 : 0;
        frame_->top_field_first = track_.interlaced && track_.topFieldFirst ? 1 : 0;
        checkAv(avcodec_send_frame(context_.get(), frame_.get()), "avcodec_send_frame (video)");
        drainPackets(format, context_.get(), stream_, alignment_, packet);
    }

    void flush(AVFormatContext* format, AVPacket* packet) {
        checkAv(avcodec_send_frame(context_.get(), nullptr), "flushing video encoder");
        drainPackets(format, context_.get(), stream_, alignment_, packet);
    }

private:
    const VideoTrack& track_;
    StartAlignment alignment_;
    AVStream* stream_ = nullptr;
    CodecContextPtr context_;
    FramePtr frame_;
    SwsContextPtr scaler_;
    int nextFrame_ = 0;
};

AVSampleFormat pickSampleFormat(const AVCodec* codec) {
    static constexpr AVSampleFormat kUsable[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P,
                                                 AV_SAMPLE_FMT_S32, AV_SAMPLE_FMT_S32P,
                                                 AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_FLTP};
    if (codec->sample_fmts == nullptr) {
        return AV_SAMPLE_FMT_S16;
    }
    for (const AVSampleFormat* format = codec->sample_fmts; *format != AV_SAMPLE_FMT_NONE;
         ++format) {
        if (std::find(std::begin(kUsable), std::end(kUsable), *format) != std::end(kUsable)) {
            return *format;
        }
    }
    throw std::runtime_error(std::string("no usable sample format for encoder ") + codec->name);
}

void checkSampleRate(const AVCodec* codec, int sampleRate) {
    if (codec->supported_samplerates == nullptr) {
        return;
    }
    for (const int* rate = codec->supported_samplerates; *rate != 0; ++rate) {
        if (*rate == sampleRate) {
            return;
        }
    }
    throw std::runtime_error(std::string("encoder ") + codec->name + " does not support " +
                             std::to_string(sampleRate) + " Hz");
}

void storeSample(AVFrame* frame, int index, int channel, int channelCount, double value) {
    value = std::clamp(value, -1.0, 1.0);
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    uint8_t* base = planar ? frame->data[channel] : frame->data[0];
    const int position = planar ? index : index * channelCount + channel;
    switch (format) {
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P: {
        const auto sample = static_cast<int16_t>(std::lround(value * 32767.0));
        std::memcpy(base + position * sizeof(sample), &sample, sizeof(sample));
        break;
    }
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P: {
        const auto sample = static_cast<int32_t>(std::lround(value * 2147483647.0));
        std::memcpy(base + position * sizeof(sample), &sample, sizeof(sample));
        break;
    }
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP: {
        const auto sample = static_cast<float>(value);
        std::memcpy(base + position * sizeof(sample), &sample, sizeof(sample));
        break;
    }
    default:
        throw std::runtime_error("unsupported sample format");
    }
}

class AudioEncoder {
public:
    AudioEncoder(AVFormatContext* format, const AudioTrack& track)
        : track_(track), alignment_(format, true) {
        const AVCodec* codec = findEncoder(track.codecId, track.encoderName);
        checkSampleRate(codec, track.sampleRate);
        stream_ = checkNotNull(avformat_new_stream(format, nullptr), "avformat_new_stream");
        context_ = allocContext(codec);
        AVCodecContext* context = context_.get();
        context->sample_fmt = pickSampleFormat(codec);
        context->sample_rate = track.sampleRate;
        av_channel_layout_default(&context->ch_layout, track.channelCount);
        context->time_base = AVRational{1, track.sampleRate};
        context->bit_rate = track.bitRate;
        if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
            context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        checkAv(avcodec_open2(context, codec, nullptr),
                std::string("opening audio encoder ") + codec->name);
        checkAv(avcodec_parameters_from_context(stream_->codecpar, context),
                "avcodec_parameters_from_context");
        stream_->time_base = context->time_base;

        const bool anySize = context->frame_size == 0 ||
                             (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
        frameSamples_ = anySize ? track.chunkSamples : context->frame_size;
        shortLastFrame_ = anySize || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
        frame_ = allocFrame();
        frame_->format = context->sample_fmt;
        frame_->sample_rate = context->sample_rate;
        frame_->nb_samples = frameSamples_;
        checkAv(av_channel_layout_copy(&frame_->ch_layout, &context->ch_layout),
                "av_channel_layout_copy");
        checkAv(av_frame_get_buffer(frame_.get(), 0), "av_frame_get_buffer (audio)");
    }

    bool done() const { return nextSample_ >= track_.sampleCount; }
    int64_t nextPts() const { return track_.startSample + nextSample_; }
    AVRational timeBase() const { return context_->time_base; }

    void encodeNext(AVFormatContext* format, AVPacket* packet) {
        checkAv(av_frame_make_writable(frame_.get()), "av_frame_make_writable (audio)");
        const int64_t remaining = track_.sampleCount - nextSample_;
        // Codecs with a fixed frame size get a last frame padded with silence.
        const int count = shortLastFrame_
                              ? static_cast<int>(std::min<int64_t>(frameSamples_, remaining))
                              : frameSamples_;
        frame_->nb_samples = count;
        for (int index = 0; index < count; ++index) {
            const int64_t sampleIndex = nextSample_ + index;
            for (int channel = 0; channel < track_.channelCount; ++channel) {
                const double value =
                    sampleIndex < track_.sampleCount ? track_.sample(sampleIndex, channel) : 0.0;
                storeSample(frame_.get(), index, channel, track_.channelCount, value);
            }
        }
        frame_->pts = track_.startSample + nextSample_;
        nextSample_ += count;
        checkAv(avcodec_send_frame(context_.get(), frame_.get()), "avcodec_send_frame (audio)");
        drainPackets(format, context_.get(), stream_, alignment_, packet);
    }

    void flush(AVFormatContext* format, AVPacket* packet) {
        checkAv(avcodec_send_frame(context_.get(), nullptr), "flushing audio encoder");
        drainPackets(format, context_.get(), stream_, alignment_, packet);
    }

private:
    const AudioTrack& track_;
    StartAlignment alignment_;
    AVStream* stream_ = nullptr;
    CodecContextPtr context_;
    FramePtr frame_;
    int frameSamples_ = 0;
    bool shortLastFrame_ = false;
    int64_t nextSample_ = 0;
};

AVStream* addCoverStream(AVFormatContext* format, const AttachedPicture& cover) {
    AVStream* stream = checkNotNull(avformat_new_stream(format, nullptr), "avformat_new_stream");
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_PNG;
    stream->codecpar->width = cover.size.width();
    stream->codecpar->height = cover.size.height();
    stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
    stream->time_base = AVRational{1, 90000};
    return stream;
}

void writeCover(AVFormatContext* format, AVStream* stream, const AttachedPicture& cover,
                AVPacket* packet) {
    checkAv(av_new_packet(packet, static_cast<int>(cover.png.size())), "av_new_packet");
    std::memcpy(packet->data, cover.png.constData(), static_cast<size_t>(cover.png.size()));
    packet->stream_index = stream->index;
    packet->flags |= AV_PKT_FLAG_KEY;
    packet->pts = 0;
    packet->dts = 0;
    checkAv(av_write_frame(format, packet), "writing the cover picture");
    av_packet_unref(packet);
}

void writeMediaFile(const MediaSpec& request) {
    const std::string path = request.path.toStdString();
    AVFormatContext* rawFormat = nullptr;
    checkAv(avformat_alloc_output_context2(&rawFormat, nullptr, request.muxer, path.c_str()),
            "avformat_alloc_output_context2");
    const OutputFormatPtr format(rawFormat);
    format->flags |= AVFMT_FLAG_BITEXACT;

    std::optional<VideoEncoder> video;
    std::optional<AudioEncoder> audio;
    if (request.video) {
        video.emplace(format.get(), *request.video);
    }
    if (request.audio) {
        audio.emplace(format.get(), *request.audio);
    }
    AVStream* coverStream = request.cover ? addCoverStream(format.get(), *request.cover) : nullptr;

    checkAv(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), "avio_open");
    checkAv(avformat_write_header(format.get(), nullptr), "avformat_write_header");
    const PacketPtr packet = allocPacket();
    if (coverStream != nullptr) {
        writeCover(format.get(), coverStream, *request.cover, packet.get());
    }
    // Feed both encoders in presentation order so that the muxer can interleave evenly.
    while ((video && !video->done()) || (audio && !audio->done())) {
        const bool videoNext = video && !video->done() &&
                               (!audio || audio->done() ||
                                av_compare_ts(video->nextPts(), video->timeBase(), audio->nextPts(),
                                              audio->timeBase()) <= 0);
        if (videoNext) {
            video->encodeNext(format.get(), packet.get());
        } else {
            audio->encodeNext(format.get(), packet.get());
        }
    }
    if (video) {
        video->flush(format.get(), packet.get());
    }
    if (audio) {
        audio->flush(format.get(), packet.get());
    }
    checkAv(av_write_trailer(format.get()), "av_write_trailer");
}

} // namespace

void writeMedia(const MediaSpec& request) {
    try {
        writeMediaFile(request);
    } catch (const std::exception& error) {
        throw std::runtime_error(request.path.toStdString() + ": " + error.what());
    }
}

ColourSystem colourSystemOf(const VideoTrack& track) {
    if (track.size.height() > 576) {
        return ColourSystem::Bt709;
    }
    // 525-line systems run at (about) 30 or 60 frames per second, 625-line ones at 25 or 50.
    return std::lround(av_q2d(track.frameRate)) % 30 == 0 ? ColourSystem::Bt601Line525
                                                          : ColourSystem::Bt601Line625;
}

bool hasEncoder(const char* name) {
    return avcodec_find_encoder_by_name(name) != nullptr;
}

} // namespace testmedia

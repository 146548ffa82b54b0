#include "platform/filters/dv_video_encoder.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstring>

namespace platform {

namespace {

void setBottomFieldFirst(AVFrame* frame) {
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(58, 7, 100)
    frame->flags |= AV_FRAME_FLAG_INTERLACED;
    frame->flags &= ~AV_FRAME_FLAG_TOP_FIELD_FIRST;
#else
    frame->interlaced_frame = 1;
    frame->top_field_first = 0;
#endif
}

void keepMemory(void*, std::uint8_t*) {}

// A frame over the planes of a picture in the codec's own layout; null when out of memory.
ffmpeg::FramePtr borrowPicture(const DvPicture& picture, const AVCodecContext& codec) {
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!frame) {
        return nullptr;
    }
    frame->format = codec.pix_fmt;
    frame->width = codec.width;
    frame->height = codec.height;
    frame->sample_aspect_ratio = codec.sample_aspect_ratio;
    for (std::size_t plane = 0; plane < 3; ++plane) {
        // The planes stay the caller's; the reference only counts who looks at them.
        frame->data[plane] = const_cast<std::uint8_t*>(picture.planes[plane]);
        frame->linesize[plane] = picture.strides_bytes[plane];
    }
    frame->buf[0] =
        av_buffer_create(frame->data[0], 1, keepMemory, nullptr, AV_BUFFER_FLAG_READONLY);
    if (frame->buf[0] == nullptr) {
        return nullptr;
    }
    return frame;
}

} // namespace

std::unique_ptr<DvVideoEncoder> DvVideoEncoder::create(DvStandard standard, QString* error,
                                                       int threads) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (codec == nullptr) {
        *error = QStringLiteral("The DV video codec is not available.");
        return nullptr;
    }
    std::unique_ptr<DvVideoEncoder> encoder(new DvVideoEncoder(standard));
    encoder->codec_.reset(avcodec_alloc_context3(codec));
    encoder->picture_.reset(av_frame_alloc());
    encoder->packet_.reset(av_packet_alloc());
    if (!encoder->codec_ || !encoder->picture_ || !encoder->packet_) {
        *error = QStringLiteral("Out of memory for the DV video encoder.");
        return nullptr;
    }
    AVCodecContext* const context = encoder->codec_.get();
    const bool pal = standard == DvStandard::Pal;
    context->width = kDvWidth;
    context->height = dvHeight(standard);
    context->pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    const DvFrameRate rate = dvFrameRate(standard);
    context->time_base = AVRational{rate.denominator, rate.numerator};
    context->framerate = AVRational{rate.numerator, rate.denominator};
    context->sample_aspect_ratio = pal ? AVRational{16, 15} : AVRational{8, 9};
    context->field_order = AV_FIELD_BB;
    context->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
    // Slice threads only: frame threads would hold back two frames.
    context->thread_type = FF_THREAD_SLICE;
    context->thread_count = threads < 1 ? 1 : threads;
    const int opened = avcodec_open2(context, codec, nullptr);
    if (opened < 0) {
        *error =
            QStringLiteral("Cannot open the DV video encoder: %1").arg(ffmpeg::errorText(opened));
        return nullptr;
    }
    AVFrame* const picture = encoder->picture_.get();
    picture->format = context->pix_fmt;
    picture->width = context->width;
    picture->height = context->height;
    const int allocated = av_frame_get_buffer(picture, 0);
    if (allocated < 0) {
        *error = QStringLiteral("Cannot allocate the DV encoder picture: %1")
                     .arg(ffmpeg::errorText(allocated));
        return nullptr;
    }
    picture->sample_aspect_ratio = context->sample_aspect_ratio;
    return encoder;
}

bool DvVideoEncoder::encode(const DvPicture& picture, std::span<std::uint8_t> frame,
                            QString* error) {
    const std::size_t frame_bytes = dvFrameBytes(standard_);
    if (frame.size() < frame_bytes) {
        *error = QStringLiteral("The DV frame buffer is too small.");
        return false;
    }
    AVFrame* input = picture_.get();
    ffmpeg::FramePtr borrowed;
    if (dvAvPixelFormat(picture.layout) == codec_->pix_fmt && picture.strides_bytes[0] > 0 &&
        picture.strides_bytes[1] > 0 && picture.strides_bytes[2] > 0) {
        // Already the encoder's layout: encoded where it lies, without a copy. The buffer
        // reference only lends the memory; the encoder lets go of it before encode returns.
        borrowed = borrowPicture(picture, *codec_);
        input = borrowed.get();
    }
    if (input == picture_.get()) {
        // The encoder may still reference the buffer of the previous picture.
        const int writable = av_frame_make_writable(input);
        if (writable < 0) {
            *error = QStringLiteral("Cannot reuse the DV encoder picture: %1")
                         .arg(ffmpeg::errorText(writable));
            return false;
        }
        if (!converter_.convert(picture, codec_->height, codec_->pix_fmt, input->data,
                                input->linesize, error)) {
            return false;
        }
    }
    if (input == nullptr) {
        *error = QStringLiteral("Out of memory for the DV encoder picture.");
        return false;
    }
    setBottomFieldFirst(input);
    input->pts = next_pts_++;
    const int sent = avcodec_send_frame(codec_.get(), input);
    if (sent < 0) {
        *error = QStringLiteral("DV encoding failed: %1").arg(ffmpeg::errorText(sent));
        return false;
    }
    const int received = avcodec_receive_packet(codec_.get(), packet_.get());
    if (received < 0) {
        *error =
            QStringLiteral("The DV encoder gave no frame: %1").arg(ffmpeg::errorText(received));
        return false;
    }
    const bool whole = static_cast<std::size_t>(packet_->size) == frame_bytes;
    if (whole) {
        std::memcpy(frame.data(), packet_->data, frame_bytes);
    }
    av_packet_unref(packet_.get());
    if (!whole) {
        *error = QStringLiteral("The DV encoder gave a frame of the wrong size.");
        return false;
    }
    return true;
}

} // namespace platform

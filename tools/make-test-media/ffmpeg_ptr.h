#pragma once

// Owning handles for FFmpeg objects and error checking for FFmpeg calls.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <stdexcept>
#include <string>

namespace testmedia {

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
// An output context owns its file: the file is closed before the context is freed.
struct OutputFormatDeleter {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0) {
            avio_closep(&context->pb);
        }
        avformat_free_context(context);
    }
};
struct InputFormatDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;

// FFmpeg's text for an error code.
inline std::string avErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(error, text, sizeof(text)) < 0) {
        return "unknown error " + std::to_string(error);
    }
    return text;
}

// Throws when an FFmpeg call returned a negative error code; returns the result otherwise.
inline int checkAv(int result, const std::string& what) {
    if (result < 0) {
        throw std::runtime_error(what + ": " + avErrorText(result));
    }
    return result;
}

// Throws when an FFmpeg allocation or lookup returned null.
template <typename T> T* checkNotNull(T* pointer, const std::string& what) {
    if (pointer == nullptr) {
        throw std::runtime_error(what + " failed");
    }
    return pointer;
}

inline FramePtr allocFrame() {
    return FramePtr(checkNotNull(av_frame_alloc(), "av_frame_alloc"));
}
inline PacketPtr allocPacket() {
    return PacketPtr(checkNotNull(av_packet_alloc(), "av_packet_alloc"));
}

} // namespace testmedia

#pragma once

// Owning handles for FFmpeg objects and error checking for FFmpeg calls.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include "platform/editing/ffmpeg_ptr.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace testmedia {

using platform::ffmpeg::CodecContextPtr;
using platform::ffmpeg::FramePtr;
using platform::ffmpeg::InputFormatPtr;
using platform::ffmpeg::OutputFormatPtr;
using platform::ffmpeg::PacketPtr;
using platform::ffmpeg::SwsContextPtr;

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

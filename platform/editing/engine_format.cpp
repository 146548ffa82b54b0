#include "platform/editing/engine_format.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <new>
#include <stdexcept>

namespace platform {
namespace {

// a × b / c rounded to the nearest integer (halves away from zero), without overflow for the
// magnitudes of timeline times and sample rates.
std::int64_t mulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
    return av_rescale_rnd(a, b, c, AV_ROUND_NEAR_INF);
}

} // namespace

AVPixelFormat toAvPixelFormat(EnginePixelFormat format) {
    switch (format) {
    case EnginePixelFormat::Yuv420p:
        return AV_PIX_FMT_YUV420P;
    case EnginePixelFormat::Yuv411p:
        return AV_PIX_FMT_YUV411P;
    case EnginePixelFormat::Bgr24:
        break;
    }
    return AV_PIX_FMT_BGR24;
}

REFERENCE_TIME EngineVideoFormat::frameTime(std::int64_t frame) const {
    return mulDivRound(frame, UNITS * frameRate.den, frameRate.num);
}

std::int64_t EngineVideoFormat::frameAt(REFERENCE_TIME time) const {
    // The last n with frameTime(n) <= time: start from the truncated quotient and correct for
    // the rounding of frame times.
    std::int64_t n = av_rescale_rnd(time, frameRate.num, UNITS * frameRate.den, AV_ROUND_DOWN);
    while (frameTime(n + 1) <= time) {
        ++n;
    }
    while (n > 0 && frameTime(n) > time) {
        --n;
    }
    return n;
}

std::int64_t EngineAudioFormat::sampleAt(REFERENCE_TIME time) const {
    return mulDivRound(time, sampleRate, UNITS);
}

REFERENCE_TIME EngineAudioFormat::sampleTime(std::int64_t sample) const {
    return mulDivRound(sample, UNITS, sampleRate);
}

std::optional<EngineVideoFormat> videoFormatFromGroup(const AM_MEDIA_TYPE& mediaType,
                                                      double framesPerSecond,
                                                      EnginePixelFormat pixelFormat) {
    if (mediaType.majortype != MEDIATYPE_Video || mediaType.formattype != FORMAT_VideoInfo) {
        return std::nullopt;
    }
    const auto info = mediaType.formatAs<VIDEOINFOHEADER>();
    if (!info || info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0) {
        return std::nullopt;
    }
    EngineVideoFormat format;
    format.width = info->bmiHeader.biWidth;
    format.height = std::abs(info->bmiHeader.biHeight);
    format.pixelFormat = pixelFormat;
    double fps = framesPerSecond;
    if (!(fps > 0) && info->AvgTimePerFrame > 0) {
        fps = static_cast<double>(UNITS) / static_cast<double>(info->AvgTimePerFrame);
    }
    if (!(fps > 0)) {
        return std::nullopt;
    }
    if (std::abs(fps - 30000.0 / 1001.0) < 0.005) {
        format.frameRate = {30000, 1001};
    } else {
        format.frameRate = av_d2q(fps, 100000);
    }
    return format;
}

std::optional<EngineAudioFormat> audioFormatFromGroup(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType.majortype != MEDIATYPE_Audio || mediaType.formattype != FORMAT_WaveFormatEx) {
        return std::nullopt;
    }
    const auto wave = mediaType.formatAs<WAVEFORMATEX>();
    if (!wave || wave->wFormatTag != WAVE_FORMAT_PCM || wave->wBitsPerSample != 16 ||
        wave->nChannels < 1 || wave->nChannels > 2 || wave->nSamplesPerSec == 0) {
        return std::nullopt;
    }
    EngineAudioFormat format;
    format.sampleRate = static_cast<int>(wave->nSamplesPerSec);
    format.channels = wave->nChannels;
    return format;
}

EngineVideoFrame::EngineVideoFrame(const EngineVideoFormat& format, bool black)
    : pixelFormat_(format.pixelFormat), frame_(av_frame_alloc()) {
    if (!frame_) {
        throw std::bad_alloc();
    }
    frame_->width = format.width;
    frame_->height = format.height;
    frame_->format = toAvPixelFormat(format.pixelFormat);
    if (av_frame_get_buffer(frame_.get(), 0) < 0) {
        throw std::bad_alloc();
    }
    if (black) {
        fillBlack(*frame_, format.pixelFormat);
    }
}

void fillBlack(AVFrame& frame, EnginePixelFormat format) {
    fillBlack(frame, format, 0, 0, frame.width, frame.height);
}

void fillBlack(AVFrame& frame, EnginePixelFormat format, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const AVPixelFormat pixelFormat = toAvPixelFormat(format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pixelFormat);
    std::uint8_t* planes[4] = {};
    ptrdiff_t lines[4] = {};
    for (int plane = 0; plane < 4 && frame.data[plane] != nullptr; ++plane) {
        const bool chroma = plane == 1 || plane == 2;
        const int px = chroma ? x >> desc->log2_chroma_w : x;
        const int py = chroma ? y >> desc->log2_chroma_h : y;
        const int bytesPerPixel = format == EnginePixelFormat::Bgr24 ? 3 : 1;
        planes[plane] = frame.data[plane] + static_cast<ptrdiff_t>(py) * frame.linesize[plane] +
                        static_cast<ptrdiff_t>(px) * bytesPerPixel;
        lines[plane] = frame.linesize[plane];
    }
    const AVColorRange range =
        format == EnginePixelFormat::Bgr24 ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    if (av_image_fill_black(planes, lines, pixelFormat, range, width, height) < 0) {
        throw std::runtime_error("cannot fill a frame with black");
    }
}

} // namespace platform

#include "platform/editing/engine_frame_scaler.h"

#include "platform/editing/timeline.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace platform {
namespace {

int alignDown(int value, int step) {
    return value / step * step;
}

int alignNearest(double value, int step) {
    return std::max(step, static_cast<int>(std::lround(value / step)) * step);
}

// Source pixel formats that FFmpeg marks full range by name; scaled as their plain
// counterparts with the range given explicitly.
AVPixelFormat withoutFullRangeAlias(AVPixelFormat format, bool* fullRange) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        *fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        *fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        *fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        *fullRange = true;
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        *fullRange = true;
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

// The colour matrix a source was made with: as tagged, else by size (HD is BT.709).
int sourceColourSpace(const AVFrame& frame) {
    switch (frame.colorspace) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_FCC:
        return SWS_CS_ITU601;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return frame.height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

} // namespace

EngineFitGeometry fitGeometry(int stretchMode, int width, int height, AVRational sampleAspect,
                              const EngineVideoFormat& output) {
    const int W = output.width;
    const int H = output.height;
    const int xStep = output.pixelFormat == EnginePixelFormat::Yuv411p ? 4 : 2;
    const int yStep = 2;
    EngineFitGeometry fit{{0, 0, width, height}, {0, 0, W, H}};
    if (width <= 0 || height <= 0) {
        return fit;
    }
    const double frameAspect = av_q2d(output.displayAspect());
    double pixelAspect = 1.0;
    if (sampleAspect.num > 0 && sampleAspect.den > 0) {
        pixelAspect = av_q2d(sampleAspect);
    } else if (width == W && height == H) {
        pixelAspect = frameAspect * H / W;
    }
    const double sourceAspect = width * pixelAspect / height;
    auto centreTarget = [&](int targetWidth, int targetHeight) {
        targetWidth = std::min(targetWidth, W);
        targetHeight = std::min(targetHeight, H);
        fit.target = {alignDown((W - targetWidth) / 2, xStep),
                      alignDown((H - targetHeight) / 2, yStep), targetWidth, targetHeight};
    };
    switch (stretchMode) {
    case RESIZEF_CROP: {
        const int shownWidth = std::min(width, W);
        const int shownHeight = std::min(height, H);
        fit.source = {(width - shownWidth) / 2, (height - shownHeight) / 2, shownWidth,
                      shownHeight};
        centreTarget(std::max(xStep, alignDown(shownWidth, xStep)),
                     std::max(yStep, alignDown(shownHeight, yStep)));
        break;
    }
    case RESIZEF_PRESERVEASPECTRATIO:
        if (sourceAspect > frameAspect) {
            centreTarget(W, alignNearest(H * frameAspect / sourceAspect, yStep));
        } else {
            centreTarget(alignNearest(W * sourceAspect / frameAspect, xStep), H);
        }
        break;
    case RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX:
        if (sourceAspect > frameAspect) {
            const int shown = std::clamp(
                static_cast<int>(std::lround(width * frameAspect / sourceAspect)), 1, width);
            fit.source = {(width - shown) / 2, 0, shown, height};
        } else {
            const int shown = std::clamp(
                static_cast<int>(std::lround(height * sourceAspect / frameAspect)), 1, height);
            fit.source = {0, (height - shown) / 2, width, shown};
        }
        break;
    default: // RESIZEF_STRETCH
        break;
    }
    return fit;
}

EngineFrameScaler::EngineFrameScaler(int stretchMode, const EngineVideoFormat& output,
                                     EngineScaleQuality quality)
    : stretchMode_(stretchMode), output_(output),
      flags_(quality == EngineScaleQuality::Picture ? SWS_BICUBIC : SWS_BILINEAR) {}

std::shared_ptr<EngineVideoFrame> EngineFrameScaler::scale(const AVFrame& decoded) {
    if (decoded.width <= 0 || decoded.height <= 0 || decoded.format < 0) {
        throw std::runtime_error("decoded frame without a picture");
    }
    bool fullRange = decoded.color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat sourceFormat =
        withoutFullRangeAlias(static_cast<AVPixelFormat>(decoded.format), &fullRange);
    if (!context_ || sourceFormat != sourceFormat_ || decoded.width != sourceWidth_ ||
        decoded.height != sourceHeight_) {
        geometry_ = fitGeometry(stretchMode_, decoded.width, decoded.height,
                                decoded.sample_aspect_ratio, output_);
        sourceFormat_ = sourceFormat;
        sourceWidth_ = decoded.width;
        sourceHeight_ = decoded.height;
        context_.reset();
    }

    // The shown part of the source, cut by a new reference to the same buffers.
    ffmpeg::FramePtr shown(av_frame_alloc());
    if (!shown || av_frame_ref(shown.get(), &decoded) < 0) {
        throw std::runtime_error("out of memory");
    }
    shown->crop_left = static_cast<std::size_t>(geometry_.source.x);
    shown->crop_top = static_cast<std::size_t>(geometry_.source.y);
    shown->crop_right =
        static_cast<std::size_t>(decoded.width - geometry_.source.x - geometry_.source.width);
    shown->crop_bottom =
        static_cast<std::size_t>(decoded.height - geometry_.source.y - geometry_.source.height);
    if (av_frame_apply_cropping(shown.get(), AV_FRAME_CROP_UNALIGNED) < 0) {
        throw std::runtime_error("cannot cut the source picture");
    }
    if (shown->width != shownWidth_ || shown->height != shownHeight_) {
        // Cutting may keep a pixel more to stay on the chroma grid: scale what it kept.
        shownWidth_ = shown->width;
        shownHeight_ = shown->height;
        context_.reset();
    }
    if (!context_) {
        context_.reset(sws_getContext(shown->width, shown->height, sourceFormat,
                                      geometry_.target.width, geometry_.target.height,
                                      toAvPixelFormat(output_.pixelFormat), flags_, nullptr,
                                      nullptr, nullptr));
        if (!context_) {
            throw std::runtime_error("no scaler for this picture format");
        }
        const bool rgbOutput = output_.pixelFormat == EnginePixelFormat::Bgr24;
        // Fails harmlessly for conversions without a matrix (RGB to RGB).
        sws_setColorspaceDetails(context_.get(), sws_getCoefficients(sourceColourSpace(decoded)),
                                 fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_ITU601),
                                 rgbOutput ? 1 : 0, 0, 1 << 16, 1 << 16);
    }

    auto frame = std::make_shared<EngineVideoFrame>(output_);
    AVFrame& out = frame->av();
    const AVPixFmtDescriptor* targetDesc =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(out.format));
    uint8_t* targetPlanes[4] = {};
    int targetStrides[4] = {};
    for (int plane = 0; plane < 4 && out.data[plane]; ++plane) {
        const bool chroma = plane == 1 || plane == 2;
        const int x = chroma ? geometry_.target.x >> targetDesc->log2_chroma_w : geometry_.target.x;
        const int y = chroma ? geometry_.target.y >> targetDesc->log2_chroma_h : geometry_.target.y;
        const int step = output_.pixelFormat == EnginePixelFormat::Bgr24 ? 3 : 1;
        targetPlanes[plane] =
            out.data[plane] + static_cast<std::ptrdiff_t>(y) * out.linesize[plane] + x * step;
        targetStrides[plane] = out.linesize[plane];
    }
    const int rows = sws_scale(context_.get(), shown->data, shown->linesize, 0, shown->height,
                               targetPlanes, targetStrides);
    if (rows <= 0) {
        throw std::runtime_error("scaling failed");
    }
    return frame;
}

} // namespace platform

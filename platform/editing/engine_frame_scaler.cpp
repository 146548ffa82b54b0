#include "platform/editing/engine_frame_scaler.h"

#include "platform/editing/engine_colour_matrix.h"
#include "platform/editing/timeline.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <optional>
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
    // 4:2:0 chroma rows belong to alternate fields: keep whole pairs of them.
    const int yStep = output.pixelFormat == EnginePixelFormat::Yuv420p ? 4 : 2;
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

struct EngineFrameScaler::Layout {
    AVPixelFormat sourceFormat = AV_PIX_FMT_NONE;
    int sourceWidth = 0;
    int sourceHeight = 0;
    bool fullRange = false;
    int colourSpace = 0;
    EngineOrientation orientation;
    bool interlaced = false;

    EngineFitGeometry geometry; // in shown (upright) coordinates
    EngineRect stored;          // the shown part in stored coordinates
    int shownWidth = 0;         // what cutting kept, when the contexts were made
    int shownHeight = 0;
    ffmpeg::SwsContextPtr context; // the source (or one field of it) to its place
    ffmpeg::SwsContextPtr finish;  // the turned picture to the output layout
    ffmpeg::FramePtr turned;       // scaled, not yet turned
    ffmpeg::FramePtr upright;      // turned, not yet in the output layout
    std::optional<EngineColourMatrixConverter> colours;
};

EngineFrameScaler::EngineFrameScaler(int stretchMode, const EngineVideoFormat& output,
                                     EngineScaleQuality quality, EngineOrientation orientation)
    : stretchMode_(stretchMode), output_(output), quality_(quality),
      streamOrientation_(orientation) {}

EngineFrameScaler::~EngineFrameScaler() = default;

namespace {

bool isRgbOutput(const EngineVideoFormat& output) {
    return output.pixelFormat == EnginePixelFormat::Bgr24;
}

// The area of a frame's planes that a rectangle covers.
void planesAt(const AVFrame& frame, const EngineRect& area, std::uint8_t* planes[4],
              int strides[4]) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    const int bytesPerPixel = desc->nb_components == 3 && desc->flags & AV_PIX_FMT_FLAG_RGB ? 3 : 1;
    for (int plane = 0; plane < 4; ++plane) {
        planes[plane] = nullptr;
        strides[plane] = 0;
        if (frame.data[plane] == nullptr) {
            continue;
        }
        const bool chroma = plane == 1 || plane == 2;
        const int x = chroma ? area.x >> desc->log2_chroma_w : area.x;
        const int y = chroma ? area.y >> desc->log2_chroma_h : area.y;
        planes[plane] = frame.data[plane] + static_cast<std::ptrdiff_t>(y) * frame.linesize[plane] +
                        static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
        strides[plane] = frame.linesize[plane];
    }
}

ffmpeg::FramePtr allocatePicture(int width, int height, AVPixelFormat format) {
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!frame) {
        throw std::runtime_error("out of memory");
    }
    frame->width = width;
    frame->height = height;
    frame->format = format;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        throw std::runtime_error("out of memory");
    }
    return frame;
}

// A rectangle of the shown (turned) picture in the stored picture's coordinates.
EngineRect storedRect(const EngineRect& shown, int shownWidth, int shownHeight,
                      EngineOrientation orientation) {
    EngineRect r = shown;
    if (orientation.mirrorX) {
        r.x = shownWidth - r.x - r.width;
    }
    if (orientation.mirrorY) {
        r.y = shownHeight - r.y - r.height;
    }
    if (orientation.transpose) {
        r = {r.y, r.x, r.height, r.width};
    }
    return r;
}

} // namespace

SwsContext* EngineFrameScaler::makeContext(int srcWidth, int srcHeight, AVPixelFormat srcFormat,
                                           int dstWidth, int dstHeight, AVPixelFormat dstFormat,
                                           bool colourChange) {
    int flags = SWS_BILINEAR;
    if (quality_ == EngineScaleQuality::Picture) {
        flags = SWS_BICUBIC;
    } else if (srcWidth * 2 >= dstWidth * 3 && srcHeight * 2 >= dstHeight * 3) {
        // Shrinking a lot (high definition to DV): averaging areas is as good and faster.
        flags = SWS_AREA;
    }
    SwsContext* context = sws_getContext(srcWidth, srcHeight, srcFormat, dstWidth, dstHeight,
                                         dstFormat, flags, nullptr, nullptr, nullptr);
    if (context == nullptr) {
        throw std::runtime_error("no scaler for this picture format");
    }
    if (colourChange) {
        const Layout& layout = *layout_;
        const bool rgbOutput = isRgbOutput(output_);
        // Towards Y'CbCr the matrix stays (the converter changes it after scaling, far cheaper
        // than swscale's detour through 16-bit RGB); towards RGB it is the source's.
        const int sourceMatrix = rgbOutput ? layout.colourSpace : SWS_CS_ITU601;
        // Fails harmlessly for conversions without a matrix (RGB to RGB).
        sws_setColorspaceDetails(context, sws_getCoefficients(sourceMatrix),
                                 layout.fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_ITU601),
                                 rgbOutput ? 1 : 0, 0, 1 << 16, 1 << 16);
    }
    return context;
}

void EngineFrameScaler::configure(const AVFrame& decoded, AVPixelFormat sourceFormat,
                                  bool fullRange, EngineOrientation orientation, bool interlaced) {
    auto layout = std::make_unique<Layout>();
    layout->sourceFormat = sourceFormat;
    layout->sourceWidth = decoded.width;
    layout->sourceHeight = decoded.height;
    layout->fullRange = fullRange;
    layout->colourSpace = sourceColourSpace(decoded);
    layout->orientation = orientation;
    layout->interlaced = interlaced;
    const int shownWidth = orientation.transpose ? decoded.height : decoded.width;
    const int shownHeight = orientation.transpose ? decoded.width : decoded.height;
    AVRational aspect = decoded.sample_aspect_ratio;
    if (orientation.transpose && aspect.num > 0 && aspect.den > 0) {
        aspect = {aspect.den, aspect.num};
    }
    layout->geometry = fitGeometry(stretchMode_, shownWidth, shownHeight, aspect, output_);
    layout->stored = storedRect(layout->geometry.source, shownWidth, shownHeight, orientation);
    if (interlaced) {
        // Whole pairs of fields (and of 4:2:0 chroma rows), starting on a top field line.
        layout->stored.y &= ~1;
        layout->stored.height &= ~3;
    }
    if (!isRgbOutput(output_)) {
        layout->colours.emplace(layout->colourSpace);
    }
    layout_ = std::move(layout);
}

std::shared_ptr<EngineVideoFrame> EngineFrameScaler::scale(const AVFrame& decoded) {
    if (decoded.width <= 0 || decoded.height <= 0 || decoded.format < 0) {
        throw std::runtime_error("decoded frame without a picture");
    }
    bool fullRange = decoded.color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat sourceFormat =
        withoutFullRangeAlias(static_cast<AVPixelFormat>(decoded.format), &fullRange);
    const EngineOrientation orientation = orientationOfFrame(decoded, streamOrientation_);
    // Fields are kept apart only where they stay horizontal.
    const bool interlaced = decoded.interlaced_frame != 0 && !orientation.transpose;
    if (!layout_ || sourceFormat != layout_->sourceFormat ||
        decoded.width != layout_->sourceWidth || decoded.height != layout_->sourceHeight ||
        fullRange != layout_->fullRange || orientation != layout_->orientation ||
        interlaced != layout_->interlaced) {
        configure(decoded, sourceFormat, fullRange, orientation, interlaced);
    }
    Layout& layout = *layout_;

    // The shown part of the source, cut by a new reference to the same buffers.
    ffmpeg::FramePtr shown(av_frame_alloc());
    if (!shown || av_frame_ref(shown.get(), &decoded) < 0) {
        throw std::runtime_error("out of memory");
    }
    shown->crop_left = static_cast<std::size_t>(layout.stored.x);
    shown->crop_top = static_cast<std::size_t>(layout.stored.y);
    shown->crop_right =
        static_cast<std::size_t>(decoded.width - layout.stored.x - layout.stored.width);
    shown->crop_bottom =
        static_cast<std::size_t>(decoded.height - layout.stored.y - layout.stored.height);
    if (av_frame_apply_cropping(shown.get(), AV_FRAME_CROP_UNALIGNED) < 0) {
        throw std::runtime_error("cannot cut the source picture");
    }
    if (shown->width != layout.shownWidth || shown->height != layout.shownHeight) {
        // Cutting may keep a pixel more to stay on the chroma grid: scale what it kept.
        layout.shownWidth = shown->width;
        layout.shownHeight = shown->height;
        layout.context.reset();
        layout.finish.reset();
    }

    // Only the bars around the picture's area are filled: the picture covers the rest.
    auto frame = std::make_shared<EngineVideoFrame>(output_, false);
    AVFrame& out = frame->av();
    {
        const EngineRect& area = layout.geometry.target;
        const EnginePixelFormat format = output_.pixelFormat;
        fillBlack(out, format, 0, 0, out.width, area.y);
        fillBlack(out, format, 0, area.y + area.height, out.width,
                  out.height - area.y - area.height);
        fillBlack(out, format, 0, area.y, area.x, area.height);
        fillBlack(out, format, area.x + area.width, area.y, out.width - area.x - area.width,
                  area.height);
    }
    if (layout.orientation.isUpright()) {
        scaleUpright(*shown, out);
    } else {
        scaleTurned(*shown, out);
    }
    const EngineRect& target = layout.geometry.target;
    if (layout.colours) {
        layout.colours->convert(out, output_.pixelFormat, target);
    }
    if (layout.interlaced && decoded.top_field_first != 0) {
        // Top field first becomes bottom field first: one line down swaps the fields' parity,
        // so the earlier field is shown first.
        std::uint8_t* planes[4];
        int strides[4];
        planesAt(out, target, planes, strides);
        const AVPixFmtDescriptor* desc =
            av_pix_fmt_desc_get(static_cast<AVPixelFormat>(out.format));
        for (int plane = 0; plane < 4 && planes[plane] != nullptr; ++plane) {
            const bool chroma = plane == 1 || plane == 2;
            const int width = isRgbOutput(output_) ? target.width * 3
                              : chroma             ? target.width >> desc->log2_chroma_w
                                                   : target.width;
            const int rows = chroma ? target.height >> desc->log2_chroma_h : target.height;
            shiftRowsDown(planes[plane], strides[plane], width, rows);
        }
    }
    return frame;
}

void EngineFrameScaler::scaleUpright(const AVFrame& shown, AVFrame& out) {
    Layout& layout = *layout_;
    const EngineRect& target = layout.geometry.target;
    const AVPixelFormat outFormat = toAvPixelFormat(output_.pixelFormat);
    std::uint8_t* targetPlanes[4];
    int targetStrides[4];
    planesAt(out, target, targetPlanes, targetStrides);
    const bool fields = layout.interlaced && shown.height != target.height;
    if (!fields) {
        if (!layout.context) {
            layout.context.reset(makeContext(shown.width, shown.height, layout.sourceFormat,
                                             target.width, target.height, outFormat, true));
        }
        if (sws_scale(layout.context.get(), shown.data, shown.linesize, 0, shown.height,
                      targetPlanes, targetStrides) <= 0) {
            throw std::runtime_error("scaling failed");
        }
        return;
    }
    // Each field on its own: every other line of the source into every other line of the
    // target, so that the two moments of an interlaced frame never mix.
    const int sourceRows = shown.height / 2;
    const int targetRows = target.height / 2;
    if (!layout.context) {
        layout.context.reset(makeContext(shown.width, sourceRows, layout.sourceFormat, target.width,
                                         targetRows, outFormat, true));
    }
    for (int parity = 0; parity < 2; ++parity) {
        const std::uint8_t* source[4] = {};
        int sourceStrides[4] = {};
        std::uint8_t* destination[4] = {};
        int destinationStrides[4] = {};
        for (int plane = 0; plane < 4; ++plane) {
            if (shown.data[plane] != nullptr) {
                source[plane] = shown.data[plane] + parity * shown.linesize[plane];
                sourceStrides[plane] = shown.linesize[plane] * 2;
            }
            if (targetPlanes[plane] != nullptr) {
                destination[plane] = targetPlanes[plane] + parity * targetStrides[plane];
                destinationStrides[plane] = targetStrides[plane] * 2;
            }
        }
        if (sws_scale(layout.context.get(), source, sourceStrides, 0, sourceRows, destination,
                      destinationStrides) <= 0) {
            throw std::runtime_error("scaling failed");
        }
    }
}

void EngineFrameScaler::scaleTurned(const AVFrame& shown, AVFrame& out) {
    Layout& layout = *layout_;
    const EngineRect& target = layout.geometry.target;
    const EngineOrientation orientation = layout.orientation;
    const bool rgb = isRgbOutput(output_);
    // Turned in a layout where every pixel has its own chroma, so that chroma turns with luma.
    const AVPixelFormat work = rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUV444P;
    const int scaledWidth = orientation.transpose ? target.height : target.width;
    const int scaledHeight = orientation.transpose ? target.width : target.height;
    if (!layout.context) {
        layout.context.reset(makeContext(shown.width, shown.height, layout.sourceFormat,
                                         scaledWidth, scaledHeight, work, true));
        layout.turned = allocatePicture(scaledWidth, scaledHeight, work);
        if (!rgb) {
            layout.upright = allocatePicture(target.width, target.height, work);
            layout.finish.reset(makeContext(target.width, target.height, work, target.width,
                                            target.height, toAvPixelFormat(output_.pixelFormat),
                                            false));
        }
    }
    AVFrame& turned = *layout.turned;
    if (sws_scale(layout.context.get(), shown.data, shown.linesize, 0, shown.height, turned.data,
                  turned.linesize) <= 0) {
        throw std::runtime_error("scaling failed");
    }
    std::uint8_t* targetPlanes[4];
    int targetStrides[4];
    planesAt(out, target, targetPlanes, targetStrides);
    if (rgb) {
        orientPlane(turned.data[0], turned.linesize[0], scaledWidth, scaledHeight, 3,
                    targetPlanes[0], targetStrides[0], orientation);
        return;
    }
    AVFrame& upright = *layout.upright;
    for (int plane = 0; plane < 3; ++plane) {
        orientPlane(turned.data[plane], turned.linesize[plane], scaledWidth, scaledHeight, 1,
                    upright.data[plane], upright.linesize[plane], orientation);
    }
    if (sws_scale(layout.finish.get(), upright.data, upright.linesize, 0, target.height,
                  targetPlanes, targetStrides) <= 0) {
        throw std::runtime_error("scaling failed");
    }
}

} // namespace platform

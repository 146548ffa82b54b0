#include "platform/filters/dv_picture_converter.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace platform {

AVPixelFormat dvAvPixelFormat(DvPixelLayout layout) {
    switch (layout) {
    case DvPixelLayout::Rgb24:
        return AV_PIX_FMT_RGB24;
    case DvPixelLayout::Bgr24:
        return AV_PIX_FMT_BGR24;
    case DvPixelLayout::Yuv420p:
        return AV_PIX_FMT_YUV420P;
    case DvPixelLayout::Yuv411p:
        return AV_PIX_FMT_YUV411P;
    }
    return AV_PIX_FMT_NONE;
}

DvPictureConverter::DvPictureConverter() = default;
DvPictureConverter::~DvPictureConverter() = default;

bool DvPictureConverter::prepareScaler(AVPixelFormat source, AVPixelFormat destination, int height,
                                       QString* error) {
    if (scaler_ && scaler_source_ == source && scaler_destination_ == destination &&
        scaler_height_ == height) {
        return true;
    }
    scaler_.reset(sws_getContext(kDvWidth, height, source, kDvWidth, height, destination,
                                 SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!scaler_) {
        *error = QStringLiteral("Cannot convert pictures from %1 to %2.")
                     .arg(QString::fromUtf8(av_get_pix_fmt_name(source)),
                          QString::fromUtf8(av_get_pix_fmt_name(destination)));
        return false;
    }
    // DV is BT.601, limited range; RGB input is full range.
    const bool source_is_rgb = source == AV_PIX_FMT_RGB24 || source == AV_PIX_FMT_BGR24;
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    if (sws_setColorspaceDetails(scaler_.get(), bt601, source_is_rgb ? 1 : 0, bt601, 0, 0, 1 << 16,
                                 1 << 16) < 0) {
        scaler_.reset();
        *error = QStringLiteral("Cannot set the BT.601 colour conversion.");
        return false;
    }
    scaler_source_ = source;
    scaler_destination_ = destination;
    scaler_height_ = height;
    return true;
}

bool DvPictureConverter::convert(const DvPicture& picture, int height,
                                 AVPixelFormat destination_format,
                                 std::uint8_t* const destination_planes[4],
                                 const int destination_strides[4], QString* error) {
    const AVPixelFormat source_format = dvAvPixelFormat(picture.layout);
    const bool packed =
        picture.layout == DvPixelLayout::Rgb24 || picture.layout == DvPixelLayout::Bgr24;
    const int plane_count = packed ? 1 : 3;
    const std::uint8_t* source_planes[4] = {};
    int source_strides[4] = {};
    for (int plane = 0; plane < plane_count; ++plane) {
        const auto index = static_cast<std::size_t>(plane);
        if (picture.planes[index] == nullptr || picture.strides_bytes[index] == 0) {
            *error = QStringLiteral("The picture has no data in plane %1.").arg(plane);
            return false;
        }
        source_planes[plane] = picture.planes[index];
        source_strides[plane] = picture.strides_bytes[index];
    }
    if (source_format == destination_format) {
        std::uint8_t* planes[4] = {destination_planes[0], destination_planes[1],
                                   destination_planes[2], destination_planes[3]};
        int strides[4] = {destination_strides[0], destination_strides[1], destination_strides[2],
                          destination_strides[3]};
        av_image_copy(planes, strides, source_planes, source_strides, source_format, kDvWidth,
                      height);
        return true;
    }
    if (!prepareScaler(source_format, destination_format, height, error)) {
        return false;
    }
    const int rows = sws_scale(scaler_.get(), source_planes, source_strides, 0, height,
                               destination_planes, destination_strides);
    if (rows != height) {
        *error = QStringLiteral("The picture conversion gave %1 of %2 rows.").arg(rows).arg(height);
        return false;
    }
    return true;
}

} // namespace platform

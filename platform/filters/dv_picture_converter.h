#pragma once

#include "platform/editing/ffmpeg_ptr.h"
#include "platform/filters/dv_encoder.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <QString>

#include <memory>

struct SwsContext;

// Brings a DvPicture into the pixel format an encoder needs: a plain copy when the layouts
// match, otherwise swscale with BT.601 coefficients (RGB full range to YUV limited range).
namespace platform {

AVPixelFormat dvAvPixelFormat(DvPixelLayout layout);

class DvPictureConverter {
public:
    DvPictureConverter();
    ~DvPictureConverter();
    DvPictureConverter(const DvPictureConverter&) = delete;
    DvPictureConverter& operator=(const DvPictureConverter&) = delete;

    // Converts a kDvWidth x height picture into the destination planes.
    bool convert(const DvPicture& picture, int height, AVPixelFormat destination_format,
                 std::uint8_t* const destination_planes[4], const int destination_strides[4],
                 QString* error);

private:
    bool prepareScaler(AVPixelFormat source, AVPixelFormat destination, int height, QString* error);

    ffmpeg::SwsContextPtr scaler_;
    AVPixelFormat scaler_source_ = AV_PIX_FMT_NONE;
    AVPixelFormat scaler_destination_ = AV_PIX_FMT_NONE;
    int scaler_height_ = 0;
};

} // namespace platform

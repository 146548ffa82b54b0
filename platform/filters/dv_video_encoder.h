#pragma once

#include "platform/editing/ffmpeg_ptr.h"
#include "platform/filters/dv_encoder.h"
#include "platform/filters/dv_picture_converter.h"

#include <memory>

// The DV video encoder over FFmpeg's dvvideo codec: PAL 720x576 4:2:0 (IEC 61834) or NTSC
// 720x480 4:1:1, 4:3, interlaced bottom field first, encoded with slice threads so that every
// picture gives its frame at once.
namespace platform {

class DvVideoEncoder final : public DvEncoder {
public:
    // Gives nullptr and an error text when the codec cannot be opened. `threads` is the number
    // of slice threads (1 = encode on the calling thread only).
    static std::unique_ptr<DvVideoEncoder> create(DvStandard standard, QString* error,
                                                  int threads = 2);

    DvStandard standard() const override { return standard_; }
    bool encode(const DvPicture& picture, std::span<std::uint8_t> frame, QString* error) override;

private:
    explicit DvVideoEncoder(DvStandard standard) : standard_(standard) {}

    DvStandard standard_;
    ffmpeg::CodecContextPtr codec_;
    ffmpeg::FramePtr picture_;
    ffmpeg::PacketPtr packet_;
    DvPictureConverter converter_;
    std::int64_t next_pts_ = 0;
};

} // namespace platform

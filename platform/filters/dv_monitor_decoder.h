#pragma once

#include "platform/editing/ffmpeg_ptr.h"
#include "platform/filters/dv_format.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <span>

// Decodes DV frames for the monitor: the picture with FFmpeg's dvvideo decoder, scaled to square
// pixels at 4:3 (768x576 PAL, 640x480 NTSC), and the sound with the dv demuxer reading the frame
// through a custom I/O context (16-bit PCM, interleaved).
namespace platform {

struct DvMonitorPicture {
    QImage image;
    // Interleaved 16-bit PCM of the frame; empty when the frame carries no sound.
    QByteArray pcm;
    int sample_rate_hz = 0;
    int channels = 0;
};

// The display size of a DV frame with square pixels.
inline constexpr int dvDisplayWidth(DvStandard standard) {
    return standard == DvStandard::Pal ? 768 : 640;
}

class DvMonitorDecoder {
public:
    DvMonitorDecoder() = default;
    DvMonitorDecoder(const DvMonitorDecoder&) = delete;
    DvMonitorDecoder& operator=(const DvMonitorDecoder&) = delete;

    // Decodes one whole DV frame; false and an error text when it cannot.
    bool decode(std::span<const std::uint8_t> frame, DvMonitorPicture* out, QString* error);

private:
    bool decodePicture(std::span<const std::uint8_t> frame, QImage* image, QString* error);
    bool demuxSound(std::span<const std::uint8_t> frame, DvMonitorPicture* out, QString* error);

    ffmpeg::CodecContextPtr video_;
    ffmpeg::FramePtr frame_;
    ffmpeg::PacketPtr packet_;
    ffmpeg::SwsContextPtr scaler_;
    int scaler_width_ = 0;
    int scaler_height_ = 0;
    int scaler_format_ = -1;
};

} // namespace platform

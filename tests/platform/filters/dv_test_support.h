#pragma once

#include "platform/filters/dv_encoder.h"

#include <QString>

#include <cstdint>
#include <vector>

// Test pictures and sound for the DV output core, and an outside reader: FFmpeg's dv demuxer
// and dvvideo decoder.
namespace dvtest {

// An owned picture in one of the encoder's layouts, with smooth gradients and colour bars.
struct TestPicture {
    platform::DvPixelLayout layout;
    int height;
    std::vector<std::uint8_t> planes[3];
    int strides[3] = {};
    // Bottom-up storage for packed layouts (the view starts at the last row).
    bool bottom_up = false;
    platform::DvPicture view() const;
};

// RGB gradient picture; `seed` shifts the pattern so that pictures differ.
TestPicture rgbPicture(platform::DvStandard standard, int seed, bool bgr_bottom_up = false);
// Native planar YUV picture of the standard.
TestPicture yuvPicture(platform::DvStandard standard, int seed);
// Expected BT.601 limited-range luma of an RGB picture, row by row (top-down).
std::vector<std::uint8_t> expectedLuma(const TestPicture& rgb);

// Encodes one picture with the FFmpeg encoder (fails the test on error).
std::vector<std::uint8_t> encodeFrame(platform::DvStandard standard, int seed);

struct DecodedVideo {
    int width = 0;
    int height = 0;
    int pixel_format = -1;
    bool interlaced = false;
    bool top_field_first = true;
    double display_aspect = 0.0;
    std::vector<std::uint8_t> luma; // width x height, tightly packed
    std::vector<std::uint8_t> cr;   // chroma plane V, tightly packed
    int chroma_width = 0;
};

// Decodes one raw DV frame with the dvvideo decoder.
DecodedVideo decodeVideo(const std::vector<std::uint8_t>& frame);

struct DemuxedStream {
    int sample_rate_hz = 0;
    int channels = 0;
    std::vector<int> samples_per_frame;    // audio sample frames of each DV frame
    std::vector<std::int16_t> interleaved; // all audio
    int video_frames = 0;
};

// Reads a raw DV file with FFmpeg's dv demuxer.
DemuxedStream demuxFile(const QString& path);

// Luma PSNR of two equally sized planes.
double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

// A sine tone, interleaved, `channels` equal channels.
std::vector<std::int16_t> tone(double frequency_hz, int sample_rate_hz, int channels,
                               std::size_t sample_frames, double level = 0.3);
// Deterministic pseudo-random PCM over the full 16-bit range (includes -32768).
std::vector<std::int16_t> noise(std::size_t sample_frames, int channels, std::uint32_t seed);
// What DV carries of PCM: -32768 (the DV error code) becomes -32767.
std::vector<std::int16_t> asCarriedByDv(std::vector<std::int16_t> samples);

} // namespace dvtest

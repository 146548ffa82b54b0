#pragma once

#include "platform/streaming/media_type.h"
#include "platform/system/hresult.h"

#include <cstdint>

namespace platform {

// Media types that timeline groups and the smart recompression format are given in.

// Uncompressed RGB24 video: fixed-size samples of width × height × 3 bytes, an 88-byte
// video-info block with empty rectangles and zero bit rates.
AM_MEDIA_TYPE CreateRgb24VideoType(std::int32_t width, std::int32_t height,
                                   REFERENCE_TIME avgTimePerFrame);

// DV video ("dvsd"): variable-size samples of sample size 1, 24 bits per pixel in the header,
// the given image size (the size of one DV frame).
AM_MEDIA_TYPE CreateDvsdVideoType(std::int32_t width, std::int32_t height,
                                  REFERENCE_TIME avgTimePerFrame, std::uint32_t imageSize);

// A PCM wave format: block alignment and byte rate follow from the other fields.
WAVEFORMATEX CreatePcmWaveFormat(std::uint32_t samplesPerSec, std::uint16_t channels,
                                 std::uint16_t bitsPerSample);

// The standard audio media type of a wave format: major type audio, subtype from the format
// tag, FORMAT_WaveFormatEx, fixed-size samples of the block alignment.
AM_MEDIA_TYPE CreateAudioMediaType(const WAVEFORMATEX& format);

} // namespace platform

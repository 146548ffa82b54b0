#pragma once

#include "platform/streaming/media_type.h"
#include "platform/system/hresult.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Compresses one uncompressed video frame into one DV frame. The smart render engine uses it
// through the group compressor filter it was given, so that the editing library needs no link
// to the filter that implements it.
class IDvFrameCompressor {
public:
    virtual ~IDvFrameCompressor() = default;
    // Encodes the frame `data` (`length` bytes, laid out as `inputType` says) into `dvFrame`
    // (144000 bytes for PAL, 120000 for NTSC).
    virtual HRESULT CompressFrame(const AM_MEDIA_TYPE& inputType, const std::uint8_t* data,
                                  std::size_t length, std::vector<std::uint8_t>* dvFrame) = 0;
    // Selects the DV standard of the frames CompressFrame produces.
    virtual HRESULT SetDvStandard(bool ntsc) = 0;
};

} // namespace platform

#pragma once

#include "platform/filters/dv_encoder.h"
#include "platform/filters/dv_media_types.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

// The encoding work of a DV encoder filter: lays an input buffer out as a DvPicture, encodes
// it with an encoder made on demand for the buffer's standard, and hands out the frame of the
// previous picture again when the same bytes arrive once more (a still).
namespace platform {

// Makes an encoder for a standard; null and an error text when it cannot.
using DvEncoderFactory = std::function<std::unique_ptr<DvEncoder>(DvStandard, QString*)>;

// The picture inside `data` (dvInputSampleBytes of the format); the memory stays the caller's.
DvPicture dvPictureFromBuffer(const DvInputFormat& format, const std::uint8_t* data);

class DvFrameEncoding {
public:
    explicit DvFrameEncoding(DvEncoderFactory factory) : factory_(std::move(factory)) {}

    // Encodes the picture in `data` (`length` bytes of `format`) into `frame` (exactly
    // dvFrameBytes of the format's standard). Thread-safe; one encode at a time.
    bool encode(const DvInputFormat& format, const std::uint8_t* data, std::size_t length,
                std::span<std::uint8_t> frame, QString* error);
    // Forgets the previous picture (a new stream starts); the encoder is kept.
    void reset();

    std::uint64_t framesEncoded() const;
    std::uint64_t framesReused() const;

private:
    mutable std::mutex mutex_;
    DvEncoderFactory factory_;
    std::unique_ptr<DvEncoder> encoder_;
    DvStillFrameCache cache_;
    std::vector<std::uint8_t> previous_;
    DvInputKind previous_kind_ = DvInputKind::Rgb24BottomUp;
    std::uint64_t identity_ = 0;
    std::uint64_t reused_ = 0;
};

} // namespace platform

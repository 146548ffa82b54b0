#include "platform/filters/dv_encoder_filter_frames.h"

#include <algorithm>
#include <cstring>

namespace platform {

DvPicture dvPictureFromBuffer(const DvInputFormat& format, const std::uint8_t* data) {
    const int height = dvHeight(format.standard);
    const std::size_t luma_bytes = static_cast<std::size_t>(kDvWidth) * height;
    DvPicture picture;
    switch (format.kind) {
    case DvInputKind::Rgb24BottomUp: {
        const int stride = kDvWidth * 3;
        picture.layout = DvPixelLayout::Bgr24;
        picture.planes[0] = data + static_cast<std::size_t>(stride) * (height - 1);
        picture.strides_bytes[0] = -stride;
        break;
    }
    case DvInputKind::Rgb24TopDown:
        picture.layout = DvPixelLayout::Bgr24;
        picture.planes[0] = data;
        picture.strides_bytes[0] = kDvWidth * 3;
        break;
    case DvInputKind::I420:
    case DvInputKind::Yv12: {
        const std::size_t chroma_bytes = luma_bytes / 4;
        const std::uint8_t* first = data + luma_bytes;
        const std::uint8_t* second = first + chroma_bytes;
        const bool uFirst = format.kind == DvInputKind::I420;
        picture.layout = DvPixelLayout::Yuv420p;
        picture.planes = {data, uFirst ? first : second, uFirst ? second : first};
        picture.strides_bytes = {kDvWidth, kDvWidth / 2, kDvWidth / 2};
        break;
    }
    case DvInputKind::Y41b: {
        const std::uint8_t* u = data + luma_bytes;
        picture.layout = DvPixelLayout::Yuv411p;
        picture.planes = {data, u, u + luma_bytes / 4};
        picture.strides_bytes = {kDvWidth, kDvWidth / 4, kDvWidth / 4};
        break;
    }
    }
    return picture;
}

bool DvFrameEncoding::encode(const DvInputFormat& format, const std::uint8_t* data,
                             std::size_t length, std::span<std::uint8_t> frame, QString* error) {
    const std::size_t input_bytes = dvInputSampleBytes(format.standard, format.kind);
    if (data == nullptr || length < input_bytes) {
        *error = QStringLiteral("The picture has %1 bytes; %2 were expected.")
                     .arg(length)
                     .arg(input_bytes);
        return false;
    }
    if (frame.size() != dvFrameBytes(format.standard)) {
        *error = QStringLiteral("A DV frame buffer of %1 bytes was expected, not %2.")
                     .arg(dvFrameBytes(format.standard))
                     .arg(frame.size());
        return false;
    }
    const std::lock_guard lock(mutex_);
    if (!encoder_ || encoder_->standard() != format.standard) {
        cache_.clear();
        previous_.clear();
        encoder_ = factory_(format.standard, error);
        if (!encoder_) {
            return false;
        }
    }
    const std::span<const std::uint8_t> input(data, input_bytes);
    const bool same = previous_kind_ == format.kind && previous_.size() == input.size() &&
                      std::equal(input.begin(), input.end(), previous_.begin());
    if (!same) {
        previous_.assign(input.begin(), input.end());
        previous_kind_ = format.kind;
        ++identity_;
    }
    const std::uint64_t before = cache_.encodeCount();
    const auto encoded =
        cache_.frameFor(identity_, dvPictureFromBuffer(format, data), *encoder_, error);
    if (!encoded) {
        // The next call tries the same picture again instead of reusing nothing.
        previous_.clear();
        return false;
    }
    if (cache_.encodeCount() == before) {
        ++reused_;
    }
    std::memcpy(frame.data(), encoded->data(), frame.size());
    return true;
}

void DvFrameEncoding::reset() {
    const std::lock_guard lock(mutex_);
    cache_.clear();
    previous_.clear();
}

std::uint64_t DvFrameEncoding::framesEncoded() const {
    const std::lock_guard lock(mutex_);
    return cache_.encodeCount();
}

std::uint64_t DvFrameEncoding::framesReused() const {
    const std::lock_guard lock(mutex_);
    return reused_;
}

} // namespace platform

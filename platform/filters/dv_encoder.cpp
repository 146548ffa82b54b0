#include "platform/filters/dv_encoder.h"

namespace platform {

std::shared_ptr<const DvFrameBytes> DvStillFrameCache::frameFor(std::uint64_t identity,
                                                                const DvPicture& picture,
                                                                DvEncoder& encoder,
                                                                QString* error) {
    if (valid_ && identity_ == identity && standard_ == encoder.standard()) {
        return frame_;
    }
    auto frame = std::make_shared<DvFrameBytes>(dvFrameBytes(encoder.standard()));
    if (!encoder.encode(picture, *frame, error)) {
        return nullptr;
    }
    ++encode_count_;
    valid_ = true;
    identity_ = identity;
    standard_ = encoder.standard();
    frame_ = std::move(frame);
    return frame_;
}

void DvStillFrameCache::clear() {
    valid_ = false;
    frame_.reset();
}

} // namespace platform

#include "platform/editing/resizer.h"

#include "platform/editing/timeline.h"

namespace platform {

ResizerFilter::ResizerFilter(int height, int width, int stretchMode, StretchChanged onChanged)
    : FilterBase(QStringLiteral("Resizer")), height_(height), width_(width),
      onChanged_(std::move(onChanged)), stretchMode_(stretchMode) {}

HRESULT ResizerFilter::get_Size(int* height, int* width, long* flag) {
    if (height == nullptr || width == nullptr || flag == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    *height = height_;
    *width = width_;
    *flag = stretchMode_;
    return S_OK;
}

HRESULT ResizerFilter::put_Size(int height, int width, long flag) {
    if (flag < RESIZEF_STRETCH || flag > RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX ||
        height != height_ || width != width_) {
        return E_INVALIDARG;
    }
    {
        const std::lock_guard lock(mutex_);
        if (stretchMode_ == flag) {
            return S_OK;
        }
        stretchMode_ = static_cast<int>(flag);
    }
    if (onChanged_) {
        onChanged_(static_cast<int>(flag));
    }
    return S_OK;
}

} // namespace platform

#pragma once

#include "platform/streaming/filter_base.h"

#include <functional>
#include <mutex>

namespace platform {

// Size and stretch mode of a resizing stage. Sizes are in pixels; the flag is one of the
// RESIZEF_* stretch modes.
class IResize {
public:
    virtual ~IResize() = default;
    virtual HRESULT get_Size(int* height, int* width, long* flag) = 0;
    // E_INVALIDARG for a flag outside the RESIZEF_* modes or a size that differs from the
    // output size (the engine renders every source at its group's frame size).
    virtual HRESULT put_Size(int height, int width, long flag) = 0;
};

// The render engine's resizing stage of one video source, in the graph while its source is
// connected. The scaling itself happens in the engine; a new stretch mode is handed to it
// and shows from the next frame rendered.
class ResizerFilter final : public FilterBase, public IResize {
public:
    using StretchChanged = std::function<void(int mode)>;

    ResizerFilter(int height, int width, int stretchMode, StretchChanged onChanged);

    HRESULT get_Size(int* height, int* width, long* flag) override;
    HRESULT put_Size(int height, int width, long flag) override;

private:
    const int height_;
    const int width_;
    const StretchChanged onChanged_;
    std::mutex mutex_;
    int stretchMode_;
};

// An internal stage of the render engine that has no work of its own in the graph (the
// engine does it), present so that the graph shows the stage while it is connected.
class EngineStageFilter final : public FilterBase {
public:
    explicit EngineStageFilter(QString name) : FilterBase(std::move(name)) {}
};

} // namespace platform

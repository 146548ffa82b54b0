#pragma once

#include "platform/editing/timeline.h"
#include "platform/streaming/filter_interfaces.h"
#include "platform/streaming/graph_interfaces.h"
#include "platform/system/hresult.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

// Levels of IRenderEngine::SetDynamicReconnectLevel.
inline constexpr long CONNECTF_DYNAMIC_NONE = 0;    // every source joins at ConnectFrontEnd
inline constexpr long CONNECTF_DYNAMIC_SOURCES = 1; // sources join shortly before they play

// Raised by ConnectFrontEnd when a timeline cannot be rendered at all.
class RenderEngineError : public std::runtime_error {
public:
    explicit RenderEngineError(const std::string& what) : std::runtime_error(what) {}
};

// Renders a timeline inside a filter graph: ConnectFrontEnd puts one output filter per group
// into the graph (its name begins with "DEXFILT") with the group's output pin, and the
// engine's internal stages per source ("Resizer", "Frame Rate Converter") and per audio group
// ("Audio Repackager"). A video group pin gives frames in the group's media type (RGB24, rows
// bottom-up) or the planar YUV layout DV uses; an audio group pin gives PCM, one video frame's
// worth per sample. Group pins offer IMediaSeeking: position 0 is the start of the render
// range. The stream ends (EC_COMPLETE) at the end of the render range.
class IRenderEngine {
public:
    virtual ~IRenderEngine() = default;

    virtual HRESULT SetFilterGraph(const std::shared_ptr<IGraphBuilder>& graph) = 0;
    virtual HRESULT GetFilterGraph(std::shared_ptr<IGraphBuilder>* graph) = 0;
    virtual HRESULT SetTimelineObject(const std::shared_ptr<IAMTimeline>& timeline) = 0;
    virtual HRESULT GetTimelineObject(std::shared_ptr<IAMTimeline>* timeline) = 0;
    // The part of the timeline rendered; stop -1 (the default) means the timeline's end.
    virtual HRESULT SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
    virtual HRESULT SetDynamicReconnectLevel(long level) = 0;
    // Builds the front end in the graph. Throws RenderEngineError when the timeline cannot be
    // rendered at all (no graph or timeline, no groups, a group of an unusable media type); a
    // source that cannot be read renders black instead.
    virtual HRESULT ConnectFrontEnd() = 0;
    // The output pin of a group; E_INVALIDARG for a group that does not exist,
    // VFW_E_WRONG_STATE before ConnectFrontEnd.
    virtual HRESULT GetGroupOutputPin(long group, std::shared_ptr<IPin>* pin) = 0;
    // Removes every filter of the front end from the graph and forgets it.
    virtual HRESULT ScrapIt() = 0;
};

// What the video group pins of an engine did since its front end was last built.
struct RenderEngineStatistics {
    std::int64_t framesRendered = 0;
    // Preview: slots that kept the previous picture because their frame was already late.
    std::int64_t framesRepeated = 0;
    // Frames finished after their time had come on the running clock.
    std::int64_t framesLate = 0;
};

// Offered by the render engines; callable from any thread.
class IRenderEngineStatistics {
public:
    virtual ~IRenderEngineStatistics() = default;
    virtual RenderEngineStatistics GetRenderStatistics() const = 0;
};

// The engine that passes DV frames through untouched where a DV source already has the output
// format, and compresses everything else to DV with the group's compressor (a filter offering
// IDvFrameCompressor). Its video group pin carries DV frames ("dvsd").
class ISmartRenderEngine {
public:
    virtual ~ISmartRenderEngine() = default;
    virtual HRESULT SetGroupCompressor(long group, const std::shared_ptr<IBaseFilter>& filter) = 0;
    virtual HRESULT GetGroupCompressor(long group, std::shared_ptr<IBaseFilter>* filter) = 0;
};

// The stand-ins for CLSID_RenderEngine and CLSID_SmartRenderEngine; the smart engine's object
// also offers ISmartRenderEngine.
std::shared_ptr<IRenderEngine> CreateRenderEngine();
std::shared_ptr<IRenderEngine> CreateSmartRenderEngine();

} // namespace platform

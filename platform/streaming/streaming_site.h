#pragma once

#include "platform/streaming/filter_interfaces.h"

#include <memory>

namespace platform {

// What renderers tell the graph besides events. Implemented by the graph's sink object, which
// a filter receives when it joins a graph; calls after the graph is gone do nothing.
class IStreamingSite {
public:
    virtual ~IStreamingSite() = default;
    // The renderer holds its first sample (or reached the end) since it was last activated.
    virtual void RendererReady(IBaseFilter* renderer) = 0;
    // Upstream of the renderer was repositioned: a new segment starts at media time `start`.
    virtual void SegmentStarted(IBaseFilter* renderer, REFERENCE_TIME start) = 0;
};

// Implemented by a graph that gives its filters an event sink.
class IStreamingGraph {
public:
    virtual ~IStreamingGraph() = default;
    // An object implementing IMediaEventSink and IStreamingSite that does not own the graph.
    virtual std::shared_ptr<IMediaEventSink> streamingSink() = 0;
};

// Implemented by renderers so the graph can report a position without a clock.
class IStreamingRenderer {
public:
    virtual ~IStreamingRenderer() = default;
    // Stop time of the last sample presented since activation (stream time), or 0.
    virtual REFERENCE_TIME StreamProgress() = 0;
};

} // namespace platform

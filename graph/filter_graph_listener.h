#pragma once

#include "platform/streaming/event_codes.h"

namespace graph {

// Transport commands and activation changes that a filter-graph wrapper announces.
enum class TControlEvent : int {
    ControlPlay = 0,
    ControlPause = 1,
    ControlStop = 2,
    // Parameter 1 right after activation, 0 right before deactivation.
    ControlActive = 7,
};

// An observer of a filter-graph wrapper (the all-files trackbar). All calls arrive on the
// user-interface thread.
class IGraphListener {
public:
    virtual ~IGraphListener() = default;

    // Every event taken from the graph, before the wrapper raises its own event for it.
    virtual void GraphEvent(long code, platform::LONG_PTR param1, platform::LONG_PTR param2) = 0;
    // Before every transport command and around activation.
    virtual void ControlEvent(TControlEvent event, int parameter) = 0;
};

} // namespace graph

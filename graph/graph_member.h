#pragma once

#include "platform/streaming/filter_interfaces.h"

#include <QString>

#include <memory>

namespace graph {

// What a filter-graph wrapper tells a member around every insertion and removal.
enum class TFilterOperation : int {
    FilterAdding = 0,   // the member creates its filter now
    FilterAdded = 1,    // the filter has been added to the graph
    FilterRemoving = 2, // the filter is about to leave the graph (the member stops it)
    FilterRemoved = 3,  // the filter has left the graph (the member releases it)
    FilterRefresh = 4,  // the member re-joins its graph, re-creating its filter
};

// A filter component that a filter-graph wrapper keeps inside its graph.
//
// The wrapper's contract: on insertion into an active graph it calls
// NotifyFilter(FilterAdding, 0), then adds GetFilter() under GetName(), then
// NotifyFilter(FilterAdded, 0). On removal from an active graph it calls
// NotifyFilter(FilterRemoving, 0), removes GetFilter() from the graph, then
// NotifyFilter(FilterRemoved, 0). The parameter is always 0.
class IGraphMember {
public:
    virtual ~IGraphMember() = default;

    // The filter currently held; null when none.
    virtual std::shared_ptr<platform::IBaseFilter> GetFilter() = 0;
    // The name under which the filter is added to the graph.
    virtual QString GetName() = 0;
    virtual void NotifyFilter(TFilterOperation operation, int parameter) = 0;
};

} // namespace graph

#pragma once

#include "platform/streaming/graph_interfaces.h"

#include <memory>
#include <vector>

namespace graph {

// A snapshot of the filters of a graph, in the graph's enumeration order.
class TFilterList {
public:
    explicit TFilterList(const std::shared_ptr<platform::IFilterGraph>& graph);

    int Count() const { return static_cast<int>(items_.size()); }
    // None outside the list.
    std::shared_ptr<platform::IBaseFilter> Items(int index) const;
    // Takes `filter` out of the list (by identity); an absent filter is ignored.
    void Remove(const std::shared_ptr<platform::IBaseFilter>& filter);

private:
    std::shared_ptr<platform::IFilterGraph> graph_;
    std::vector<std::shared_ptr<platform::IBaseFilter>> items_;
};

// A snapshot of the pins of a filter, in the filter's enumeration order.
class TPinList {
public:
    explicit TPinList(const std::shared_ptr<platform::IBaseFilter>& filter = nullptr);

    // Discards the list and lists the pins of `filter` (none: empty).
    void Assign(const std::shared_ptr<platform::IBaseFilter>& filter);
    int Count() const { return static_cast<int>(items_.size()); }
    // None outside the list.
    std::shared_ptr<platform::IPin> Items(int index) const;
    // The pin's information; an empty record outside the list.
    platform::PIN_INFO PinInfo(int index) const;

private:
    std::shared_ptr<platform::IBaseFilter> filter_;
    std::vector<std::shared_ptr<platform::IPin>> items_;
};

} // namespace graph

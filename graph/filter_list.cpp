#include "graph/filter_list.h"

namespace graph {

namespace {

template <typename T>
std::shared_ptr<T> itemAt(const std::vector<std::shared_ptr<T>>& items, int index) {
    if (index < 0 || index >= static_cast<int>(items.size())) {
        return nullptr;
    }
    return items[static_cast<std::size_t>(index)];
}

} // namespace

TFilterList::TFilterList(const std::shared_ptr<platform::IFilterGraph>& graph) : graph_(graph) {
    if (graph_) {
        items_ = graph_->EnumFilters();
    }
}

std::shared_ptr<platform::IBaseFilter> TFilterList::Items(int index) const {
    return itemAt(items_, index);
}

void TFilterList::Remove(const std::shared_ptr<platform::IBaseFilter>& filter) {
    std::erase(items_, filter);
}

TPinList::TPinList(const std::shared_ptr<platform::IBaseFilter>& filter) {
    Assign(filter);
}

void TPinList::Assign(const std::shared_ptr<platform::IBaseFilter>& filter) {
    filter_ = filter;
    items_.clear();
    if (filter_) {
        items_ = filter_->EnumPins();
    }
}

std::shared_ptr<platform::IPin> TPinList::Items(int index) const {
    return itemAt(items_, index);
}

platform::PIN_INFO TPinList::PinInfo(int index) const {
    platform::PIN_INFO info;
    if (const auto pin = Items(index)) {
        pin->QueryPinInfo(&info);
    }
    return info;
}

} // namespace graph

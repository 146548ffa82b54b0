#include "platform/streaming/clock_advise_list.h"

#include <algorithm>

namespace platform {

std::uint64_t ClockAdviseList::add(REFERENCE_TIME due, std::function<void()> onDue) {
    const std::uint64_t cookie = nextCookie_++;
    entries_.push_back(Entry{due, cookie, std::move(onDue)});
    return cookie;
}

void ClockAdviseList::remove(std::uint64_t cookie) {
    std::erase_if(entries_, [cookie](const Entry& e) { return e.cookie == cookie; });
}

std::vector<std::function<void()>> ClockAdviseList::takeDue(REFERENCE_TIME now) {
    std::vector<Entry> due;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->due <= now) {
            due.push_back(std::move(*it));
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Entry& a, const Entry& b) { return a.due < b.due; });
    std::vector<std::function<void()>> callbacks;
    callbacks.reserve(due.size());
    for (auto& e : due) {
        callbacks.push_back(std::move(e.onDue));
    }
    return callbacks;
}

std::optional<REFERENCE_TIME> ClockAdviseList::earliest() const {
    if (entries_.empty()) {
        return std::nullopt;
    }
    return std::min_element(entries_.begin(), entries_.end(),
                            [](const Entry& a, const Entry& b) { return a.due < b.due; })
        ->due;
}

} // namespace platform

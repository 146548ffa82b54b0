#pragma once

#include <memory>

namespace platform {

// Interface query: the object's interface T, or null when the object does not provide it.
template <typename T, typename U> std::shared_ptr<T> query(const std::shared_ptr<U>& object) {
    return std::dynamic_pointer_cast<T>(object);
}

} // namespace platform

#include "platform/streaming/thread_priority.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

namespace platform {

std::optional<int> realTimePriorityWithin(int wanted, std::uint64_t soft_limit, int policy_min,
                                          int policy_max) {
    if (soft_limit == 0 || wanted < policy_min || policy_max < policy_min) {
        return std::nullopt;
    }
    // RLIM_INFINITY is the largest value of its type: no cap beyond the policy's range.
    const std::uint64_t cap =
        std::min<std::uint64_t>(soft_limit, static_cast<std::uint64_t>(policy_max));
    return std::max(policy_min, std::min(wanted, static_cast<int>(cap)));
}

bool useRealTimePriority(int wanted) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_RTPRIO, &limit) != 0) {
        return false;
    }
    const std::optional<int> priority = realTimePriorityWithin(
        wanted, static_cast<std::uint64_t>(limit.rlim_cur), ::sched_get_priority_min(SCHED_FIFO),
        ::sched_get_priority_max(SCHED_FIFO));
    if (!priority) {
        return false;
    }
    sched_param parameters{};
    parameters.sched_priority = *priority;
    return ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &parameters) == 0;
}

int currentRealTimePriority() {
    int policy = SCHED_OTHER;
    sched_param parameters{};
    if (::pthread_getschedparam(::pthread_self(), &policy, &parameters) != 0 ||
        policy != SCHED_FIFO) {
        return 0;
    }
    return parameters.sched_priority;
}

} // namespace platform

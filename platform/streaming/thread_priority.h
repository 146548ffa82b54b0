#pragma once

#include <cstdint>
#include <optional>

// Real-time priority (SCHED_FIFO) for the threads that feed an output, as far as the system
// allows it: the soft limit RLIMIT_RTPRIO caps the priority, and a limit of 0 (the default for
// every user, root included) leaves the thread at normal priority. Nothing is reported either
// way; the output works at normal priority, only with less margin on a busy machine.
namespace platform {

// Priorities asked for; the system's limit may lower them. The thread that serves the bus
// comes first, then the thread that prepares the frames.
inline constexpr int kDeviceIoThreadPriority = 20;
inline constexpr int kOutputThreadPriority = 10;

// The SCHED_FIFO priority to use: `wanted`, capped by the soft limit and the policy's range;
// nothing when the limit allows no real-time priority.
std::optional<int> realTimePriorityWithin(int wanted, std::uint64_t soft_limit, int policy_min,
                                          int policy_max);

// Moves the calling thread to SCHED_FIFO at `wanted` (capped by RLIMIT_RTPRIO); true when it
// did. Leaves the thread as it is when the limit is 0 or the system refuses.
bool useRealTimePriority(int wanted);

// Whether the calling thread runs with SCHED_FIFO, and at which priority (0 when not).
int currentRealTimePriority();

} // namespace platform

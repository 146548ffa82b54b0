#pragma once

#include <cstdint>

// Process priority classes over Linux nice values. A nice value belongs to a thread, so a class
// is set on every thread of the process; threads started later inherit the value of the thread
// that starts them.
//
//   class                     nice
//   REALTIME_PRIORITY_CLASS   -20
//   HIGH_PRIORITY_CLASS       -10
//   NORMAL_PRIORITY_CLASS       0
//   IDLE_PRIORITY_CLASS        19
//
// Raising the priority (a lower nice value) needs the CAP_SYS_NICE capability or a "nice" limit
// (RLIMIT_NICE) that allows it; otherwise the system refuses it and the threads keep their
// values.
namespace platform {

using DWORD = std::uint32_t;

inline constexpr DWORD REALTIME_PRIORITY_CLASS = 256;
inline constexpr DWORD HIGH_PRIORITY_CLASS = 128;
inline constexpr DWORD NORMAL_PRIORITY_CLASS = 32;
inline constexpr DWORD IDLE_PRIORITY_CLASS = 64;

// The nice value of a class; false for an unknown class.
bool niceOfPriorityClass(DWORD priorityClass, int& nice);

// Sets the class on every thread of the process. Threads lowered with LoweredThreadPriority keep
// their distance below it. False when the class is unknown or a thread refused the value.
bool SetPriorityClass(DWORD priorityClass);

// The class of the calling thread's nice value; 0 when it matches none of the four classes.
DWORD GetPriorityClass();

// Lowers the calling thread by steps below the process (the main thread) for as long as it
// lives, also across later SetPriorityClass calls; one step is two nice values, at most 19.
// Create it on the thread to lower, typically at the start of its work function.
class LoweredThreadPriority {
public:
    explicit LoweredThreadPriority(int steps);
    ~LoweredThreadPriority();
    LoweredThreadPriority(const LoweredThreadPriority&) = delete;
    LoweredThreadPriority& operator=(const LoweredThreadPriority&) = delete;

    // False when the system refused the value.
    bool isApplied() const { return applied_; }

    static constexpr int kNicePerStep = 2;

private:
    int threadId_;
    bool applied_ = false;
};

} // namespace platform

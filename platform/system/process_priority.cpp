#include "platform/system/process_priority.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kLowestNice = 19;

struct ClassNice {
    DWORD priorityClass;
    int nice;
};

constexpr ClassNice kClasses[] = {
    {REALTIME_PRIORITY_CLASS, -20},
    {HIGH_PRIORITY_CLASS, -10},
    {NORMAL_PRIORITY_CLASS, 0},
    {IDLE_PRIORITY_CLASS, kLowestNice},
};

// The threads that run below the process, by thread id, with their distance in steps. Linux
// keeps no such relation, so it is kept here for SetPriorityClass to honour.
struct LoweredThreads {
    std::mutex mutex;
    std::map<pid_t, int> steps;
};

LoweredThreads& loweredThreads() {
    static LoweredThreads threads;
    return threads;
}

std::optional<int> niceOf(pid_t threadId) {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
    if (nice == -1 && errno != 0) {
        return std::nullopt;
    }
    return nice;
}

bool setNice(pid_t threadId, int nice) {
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), nice) == 0;
}

std::vector<pid_t> threadIds() {
    std::vector<pid_t> ids;
    DIR* tasks = ::opendir("/proc/self/task");
    if (tasks == nullptr) {
        ids.push_back(::gettid());
        return ids;
    }
    while (const dirent* entry = ::readdir(tasks)) {
        char* end = nullptr;
        const long id = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && id > 0) {
            ids.push_back(static_cast<pid_t>(id));
        }
    }
    ::closedir(tasks);
    return ids;
}

int loweredNice(int processNice, int steps) {
    return std::min(kLowestNice, processNice + steps * LoweredThreadPriority::kNicePerStep);
}

} // namespace

bool niceOfPriorityClass(DWORD priorityClass, int& nice) {
    for (const ClassNice& entry : kClasses) {
        if (entry.priorityClass == priorityClass) {
            nice = entry.nice;
            return true;
        }
    }
    return false;
}

bool SetPriorityClass(DWORD priorityClass) {
    int nice = 0;
    if (!niceOfPriorityClass(priorityClass, nice)) {
        return false;
    }
    LoweredThreads& lowered = loweredThreads();
    const std::lock_guard lock(lowered.mutex);
    bool allSet = true;
    std::set<pid_t> done;
    // A thread started meanwhile inherits the old value from the thread that started it; a
    // further round catches it.
    for (int round = 0; round < 4; ++round) {
        bool foundNew = false;
        for (const pid_t id : threadIds()) {
            if (!done.insert(id).second) {
                continue;
            }
            foundNew = true;
            const auto steps = lowered.steps.find(id);
            const int value =
                steps == lowered.steps.end() ? nice : loweredNice(nice, steps->second);
            // A thread that ended since the listing is no failure.
            if (!setNice(id, value) && errno != ESRCH) {
                allSet = false;
            }
        }
        if (!foundNew) {
            break;
        }
    }
    return allSet;
}

DWORD GetPriorityClass() {
    const auto nice = niceOf(::gettid());
    if (!nice) {
        return 0;
    }
    for (const ClassNice& entry : kClasses) {
        if (entry.nice == *nice) {
            return entry.priorityClass;
        }
    }
    return 0;
}

LoweredThreadPriority::LoweredThreadPriority(int steps) : threadId_(::gettid()) {
    LoweredThreads& lowered = loweredThreads();
    const std::lock_guard lock(lowered.mutex);
    const int processNice = niceOf(::getpid()).value_or(0);
    applied_ = setNice(threadId_, loweredNice(processNice, steps));
    lowered.steps[threadId_] = steps;
}

LoweredThreadPriority::~LoweredThreadPriority() {
    LoweredThreads& lowered = loweredThreads();
    const std::lock_guard lock(lowered.mutex);
    lowered.steps.erase(threadId_);
    // Back to the process's value; refused when that is higher than the user may raise to.
    if (const auto processNice = niceOf(::getpid())) {
        setNice(threadId_, *processNice);
    }
}

} // namespace platform

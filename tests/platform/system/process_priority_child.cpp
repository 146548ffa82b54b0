// Runs one scenario of the process priority functions in a process of its own, so that the
// test suite keeps its own priority, and prints what it finds as "name=value" lines.

#include "platform/system/process_priority.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace platform;

void print(const char* name, long value) {
    std::printf("%s=%ld\n", name, value);
}

int ownNice() {
    errno = 0;
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
}

// A thread that runs one job at a time for the main thread and hands back its result.
class Worker {
public:
    Worker() : thread_([this] { loop(); }) {}
    ~Worker() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    long run(std::function<long()> job) {
        std::unique_lock lock(mutex_);
        job_ = std::move(job);
        result_.reset();
        changed_.notify_all();
        changed_.wait(lock, [this] { return result_.has_value(); });
        return *result_;
    }

private:
    void loop() {
        std::unique_lock lock(mutex_);
        while (true) {
            changed_.wait(lock, [this] { return stopping_ || job_ != nullptr; });
            if (stopping_) {
                return;
            }
            result_ = job_();
            job_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<long()> job_;
    std::optional<long> result_;
    bool stopping_ = false;
    std::thread thread_;
};

int lowerToIdle() {
    Worker earlier;
    print("set", SetPriorityClass(IDLE_PRIORITY_CLASS));
    print("class", GetPriorityClass());
    print("earlier", earlier.run(ownNice));
    Worker later;
    print("later", later.run(ownNice));
    return 0;
}

// Without root's capabilities and with a "nice" limit of 0, no thread may lower its nice value.
int raiseRefused() {
    if (::geteuid() == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            std::fprintf(stderr, "cannot leave root: %s\n", std::strerror(errno));
            return 2;
        }
    }
    const rlimit none{0, 0};
    if (::setrlimit(RLIMIT_NICE, &none) != 0) {
        std::fprintf(stderr, "cannot set the nice limit: %s\n", std::strerror(errno));
        return 2;
    }
    Worker worker;
    print("idle", SetPriorityClass(IDLE_PRIORITY_CLASS));
    print("high", SetPriorityClass(HIGH_PRIORITY_CLASS));
    print("class", GetPriorityClass());
    print("normal", SetPriorityClass(NORMAL_PRIORITY_CLASS));
    print("class2", GetPriorityClass());
    print("worker", worker.run(ownNice));
    return 0;
}

int loweredThread() {
    SetPriorityClass(NORMAL_PRIORITY_CLASS); // refused when the suite runs below normal
    print("base", ownNice());
    Worker worker;
    std::optional<LoweredThreadPriority> lowered;
    print("applied", worker.run([&] {
        lowered.emplace(2);
        return lowered->isApplied();
    }));
    print("lowered", worker.run(ownNice));
    print("raised", SetPriorityClass(HIGH_PRIORITY_CLASS));
    print("main_high", ownNice());
    print("lowered_high", worker.run(ownNice));
    SetPriorityClass(IDLE_PRIORITY_CLASS);
    print("main_idle", ownNice());
    print("lowered_idle", worker.run(ownNice));
    SetPriorityClass(HIGH_PRIORITY_CLASS);
    worker.run([&] {
        lowered.reset();
        return 0L;
    });
    print("ended_high", worker.run(ownNice));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const char* scenario = argc > 1 ? argv[1] : "";
    if (std::strcmp(scenario, "lower-to-idle") == 0) {
        return lowerToIdle();
    }
    if (std::strcmp(scenario, "raise-refused") == 0) {
        return raiseRefused();
    }
    if (std::strcmp(scenario, "lowered-thread") == 0) {
        return loweredThread();
    }
    std::fprintf(stderr, "unknown scenario %s\n", scenario);
    return 2;
}

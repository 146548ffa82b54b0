// The length calculation's worker stays below the process when the process's priority class
// is set again while it runs.

#include "platform/system/process_priority.h"
#include "playlist/calc_len.h"
#include "playlist/check_list.h"

#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kTimeout_ms = 20000;

class SilentDisplay : public playlist::ICalcLenDisplay {
public:
    void ShowBusyIcon() override {}
    void HideBusyIcon() override {}
    void ShowLength(render::REFERENCE_TIME) override {}
    void ResetLength() override {}
};

// Records the nice value of the thread that probes each file; "/gate.avi" waits until opened.
class NiceRecordingProbe {
public:
    std::unique_ptr<render::TFileInfo> operator()(const QString& path) {
        std::unique_lock lock(mutex_);
        nice_.push_back(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())));
        changed_.notify_all();
        changed_.wait(lock, [this, &path] { return open_ || path != QLatin1String("/gate.avi"); });
        auto info = std::make_unique<render::TFileInfo>();
        info->Kind = render::fkMedia;
        info->Duration = 10'000'000;
        return info;
    }
    void open() {
        {
            const std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    std::vector<int> nice() {
        const std::lock_guard lock(mutex_);
        return nice_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> nice_;
    bool open_ = false;
};

int niceOfThisThread() {
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
}

TEST(CalcLenPriority, TheWorkerKeepsItsDistanceWhenTheProcessClassIsSetAgain) {
    const platform::DWORD processClass = platform::GetPriorityClass();
    if (processClass == 0 || processClass == platform::IDLE_PRIORITY_CLASS) {
        GTEST_SKIP() << "the suite runs at a nice value that leaves no room below it";
    }
    const int processNice = niceOfThisThread();

    playlist::CheckList list;
    list.add(QStringLiteral("/first.avi"));
    list.add(QStringLiteral("/gate.avi"));
    list.add(QStringLiteral("/after.avi"));
    SilentDisplay display;
    NiceRecordingProbe probe;
    playlist::CalcLenControl control(list, display);
    control.setProbe(
        [&probe](const QString& path, const render::ProbeSettings&) { return probe(path); });

    control.StartCalcLen();
    ASSERT_TRUE(QTest::qWaitFor([&probe] { return probe.nice().size() == 2; }, kTimeout_ms));
    // The class set on every thread of the process while the worker probes.
    EXPECT_TRUE(platform::SetPriorityClass(processClass));
    EXPECT_EQ(niceOfThisThread(), processNice);
    probe.open();
    ASSERT_TRUE(QTest::qWaitFor([&control] { return control.ThreadCount() == 0; }, kTimeout_ms));

    const int lowered = std::min(processNice + 2, 19);
    EXPECT_EQ(probe.nice(), (std::vector<int>{lowered, lowered, lowered}));
}

} // namespace

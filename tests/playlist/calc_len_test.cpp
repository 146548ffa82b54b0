#include "playlist/calc_len.h"

#include "playlist/check_list.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using playlist::CalcLenControl;
using playlist::CheckList;
using render::REFERENCE_TIME;
using render::TFileInfo;

constexpr REFERENCE_TIME kSecond = 10'000'000;
constexpr int kTimeout_ms = 20000;

// Records what the calculation shows, and that it is shown on the user-interface thread only.
class RecordingDisplay : public playlist::ICalcLenDisplay {
public:
    QStringList events;

    void ShowBusyIcon() override { record("busy"); }
    void HideBusyIcon() override { record("idle"); }
    void ShowLength(REFERENCE_TIME total) override {
        record(QStringLiteral("len %1").arg(total / kSecond));
    }
    void ResetLength() override { record("reset"); }

private:
    void record(const QString& event) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread())
            << event.toStdString();
        events.append(event);
    }
};

// A probe whose files last as many seconds as their names say ("/7.avi" lasts 7 s, "/x.mp3"
// cannot be played, "/throw.avi" raises). Gated names make the probe wait until they are
// opened, so a test can hold a worker inside a slow probe for as long as it needs.
class ScriptedProbe {
public:
    std::unique_ptr<TFileInfo> operator()(const QString& path, const render::ProbeSettings&) {
        std::unique_lock lock(mutex_);
        probed_.push_back(path);
        niceValues_.push_back(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())));
        ++inside_;
        changed_.notify_all();
        changed_.wait(lock, [this, &path] { return !gated_.contains(path); });
        --inside_;
        if (path.endsWith("throw.avi")) {
            throw std::runtime_error("unreadable");
        }
        auto info = std::make_unique<TFileInfo>();
        info->FileName = path;
        bool isNumber = false;
        const qint64 seconds = path.mid(1).section('.', 0, 0).toLongLong(&isNumber);
        info->Kind = isNumber ? render::fkMedia : render::fkCantPlay;
        info->Duration = isNumber ? seconds * kSecond : 0;
        return info;
    }

    void gate(const QString& path) {
        const std::lock_guard lock(mutex_);
        gated_.insert(path);
    }
    void open(const QString& path) {
        {
            const std::lock_guard lock(mutex_);
            gated_.erase(path);
        }
        changed_.notify_all();
    }
    // Waits (processing events, so steps of other workers run) until count probes are held.
    bool waitUntilInside(int count) {
        return QTest::qWaitFor(
            [this, count] {
                const std::lock_guard lock(mutex_);
                return inside_ >= count;
            },
            kTimeout_ms);
    }
    QStringList probed() {
        const std::lock_guard lock(mutex_);
        return probed_;
    }
    std::vector<int> niceValues() {
        const std::lock_guard lock(mutex_);
        return niceValues_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<QString> gated_;
    QStringList probed_;
    std::vector<int> niceValues_;
    int inside_ = 0;
};

class CalcLenTest : public ::testing::Test {
protected:
    CheckList list;
    RecordingDisplay display;
    ScriptedProbe probe;
    std::unique_ptr<CalcLenControl> control = makeControl();

    std::unique_ptr<CalcLenControl> makeControl() {
        auto made = std::make_unique<CalcLenControl>(list, display);
        made->setProbe([this](const QString& path, const render::ProbeSettings& settings) {
            return probe(path, settings);
        });
        return made;
    }

    void SetUp() override {
        // The list is a model of the user-interface thread: no worker may change it.
        QObject::connect(&list, &QAbstractItemModel::dataChanged, [] {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        });
    }

    void add(const QString& path, bool checked = true) { list.add(path, checked); }

    void cache(int index, render::TFileKind kind, REFERENCE_TIME duration) {
        auto info = std::make_unique<TFileInfo>();
        info->Kind = kind;
        info->Duration = duration;
        list.setFileInfo(index, std::move(info));
    }

    bool waitForAllThreadsToEnd() {
        return QTest::qWaitFor([this] { return control->ThreadCount() == 0; }, kTimeout_ms);
    }
};

TEST_F(CalcLenTest, SumsCheckedPlayableItemsAndCachesNewRecords) {
    add("/3.avi");
    add("/100.avi", false);
    add("/x.mp3");
    add("/cached.avi");
    cache(3, render::fkPicture, 7 * kSecond);
    add("/5.avi");

    control->StartCalcLen();
    EXPECT_TRUE(control->CalcLenRunning());
    ASSERT_TRUE(waitForAllThreadsToEnd());

    EXPECT_FALSE(control->CalcLenRunning());
    EXPECT_EQ(control->CalcLenThread(), nullptr);
    EXPECT_EQ(display.events, QStringList({"busy", "len 3", "len 10", "len 15", "len 15", "idle"}));
    // Unchecked and cached items are not probed; the new records are in the list's cache.
    EXPECT_EQ(probe.probed(), QStringList({"/3.avi", "/x.mp3", "/5.avi"}));
    ASSERT_NE(list.fileInfo(0), nullptr);
    EXPECT_EQ(list.fileInfo(0)->Duration, 3 * kSecond);
    EXPECT_EQ(list.fileInfo(1), nullptr);
    ASSERT_NE(list.fileInfo(2), nullptr);
    EXPECT_EQ(list.fileInfo(2)->Kind, render::fkCantPlay);
    EXPECT_EQ(list.fileInfo(4)->FileName, "/5.avi");

    // A second run finds everything cached.
    display.events.clear();
    control->StartCalcLen();
    ASSERT_TRUE(waitForAllThreadsToEnd());
    EXPECT_EQ(probe.probed().size(), 3);
    EXPECT_EQ(display.events.last(2), QStringList({"len 15", "idle"}));
}

TEST_F(CalcLenTest, OnlyUncheckedItemsShowZeroAndRemoveTheBusyImage) {
    add("/3.avi", false);
    add("/4.avi", false);
    control->StartCalcLen();
    ASSERT_TRUE(waitForAllThreadsToEnd());
    EXPECT_EQ(display.events, QStringList({"busy", "len 0", "idle"}));
    EXPECT_TRUE(probe.probed().isEmpty());
    EXPECT_FALSE(control->CalcLenRunning());
}

TEST_F(CalcLenTest, TheWorkerRunsTwoStepsBelowTheProcess) {
    add("/1.avi");
    const int processNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
    control->StartCalcLen();
    ASSERT_TRUE(waitForAllThreadsToEnd());
    ASSERT_EQ(probe.niceValues().size(), 1u);
    EXPECT_EQ(probe.niceValues().front(), std::min(processNice + 2, 19));
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), processNice);
}

TEST_F(CalcLenTest, AFailingProbeEndsTheCalculationQuietlyWithTheSumSoFar) {
    add("/4.avi");
    add("/throw.avi");
    add("/9.avi");
    control->StartCalcLen();
    ASSERT_TRUE(waitForAllThreadsToEnd());
    EXPECT_EQ(display.events, QStringList({"busy", "len 4", "len 4", "idle"}));
    EXPECT_FALSE(control->CalcLenRunning());
    EXPECT_EQ(probe.probed(), QStringList({"/4.avi", "/throw.avi"}));
}

TEST_F(CalcLenTest, StopDuringASlowProbeResetsAtOnceAndTheLateResultChangesNothing) {
    add("/2.avi");
    add("/slow.avi");
    add("/3.avi");
    probe.gate("/slow.avi");
    control->StartCalcLen();
    ASSERT_TRUE(probe.waitUntilInside(1));
    playlist::TCalcLen* old = control->CalcLenThread();

    // The editor deletes the slow item: stop, change the list, start again.
    control->StopCalcLen();
    EXPECT_FALSE(control->CalcLenRunning());
    EXPECT_TRUE(old->Stopped());
    EXPECT_EQ(display.events.last(), "reset");
    list.setSelected(1, true);
    list.remove(1);
    probe.gate("/3.avi");
    control->StartCalcLen();
    ASSERT_TRUE(probe.waitUntilInside(2));
    EXPECT_EQ(control->ThreadCount(), 2);

    // The old thread ends while the new one runs: the running flag stays set.
    display.events.clear();
    probe.open("/slow.avi");
    ASSERT_TRUE(QTest::qWaitFor([this] { return control->ThreadCount() == 1; }, kTimeout_ms));
    EXPECT_TRUE(control->CalcLenRunning());
    EXPECT_NE(control->CalcLenThread(), nullptr);
    EXPECT_TRUE(display.events.isEmpty()) << display.events.join(',').toStdString();
    EXPECT_EQ(list.fileInfo(1), nullptr); // the late record went nowhere

    probe.open("/3.avi");
    ASSERT_TRUE(waitForAllThreadsToEnd());
    EXPECT_FALSE(control->CalcLenRunning());
    EXPECT_EQ(display.events, QStringList({"len 5", "len 5", "idle"}));
}

TEST_F(CalcLenTest, ARecordForAnItemThatChangedUnderTheWorkerIsDropped) {
    add("/6.avi");
    add("/7.avi");
    probe.gate("/6.avi");
    control->StartCalcLen();
    ASSERT_TRUE(probe.waitUntilInside(1));
    // The main window refills the list without stopping the calculation.
    list.clear();
    add("/8.avi");
    add("/7.avi");
    probe.open("/6.avi");
    ASSERT_TRUE(waitForAllThreadsToEnd());
    EXPECT_EQ(list.fileInfo(0), nullptr);
    ASSERT_NE(list.fileInfo(1), nullptr); // same index, same path: stored
    EXPECT_EQ(list.fileInfo(1)->Duration, 7 * kSecond);
}

TEST_F(CalcLenTest, StartingReplacesTheRunningCalculationAndStoppedOnesShowNothing) {
    for (int i = 1; i <= 3; ++i) {
        add(QStringLiteral("/%1.avi").arg(i));
    }
    // No events are processed in between, so every worker still waits for its first step.
    for (int round = 0; round < 20; ++round) {
        control->StartCalcLen();
    }
    EXPECT_EQ(display.events.count("reset"), 19);
    ASSERT_TRUE(waitForAllThreadsToEnd());
    EXPECT_FALSE(control->CalcLenRunning());
    // Only the newest calculation showed its busy image and its lengths.
    EXPECT_EQ(display.events.mid(19),
              QStringList({"busy", "len 1", "len 3", "len 6", "len 6", "idle"}));
}

TEST_F(CalcLenTest, StopWithoutACalculationDoesNothing) {
    control->StopCalcLen();
    EXPECT_TRUE(display.events.isEmpty());
    add("/1.avi");
    control->StartCalcLen();
    ASSERT_TRUE(waitForAllThreadsToEnd());
    display.events.clear();
    control->StopCalcLen(); // a finished total stays shown
    EXPECT_TRUE(display.events.isEmpty());
}

TEST_F(CalcLenTest, DestroyingTheControlReleasesWorkersWaitingForTheUserInterface) {
    for (int i = 1; i <= 50; ++i) {
        add(QStringLiteral("/%1.avi").arg(i));
    }
    control->StartCalcLen();
    control->StartCalcLen();
    // No events are processed: the workers wait for their first step until the control goes.
    control.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(display.events.contains("reset"));
    EXPECT_FALSE(display.events.contains("busy"));
}

} // namespace

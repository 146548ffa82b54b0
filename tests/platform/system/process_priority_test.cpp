#include "platform/system/process_priority.h"
#include "tests/support/child_scenario.h"

#include <QMap>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace platform;

// Runs a scenario in the helper process and gives its "name=value" lines.
QMap<QString, long> runScenario(const char* scenario) {
    return testsupport::RunChildScenario(QStringLiteral(QUINTAPE_PRIORITY_CHILD), scenario, 120000);
}

TEST(ProcessPriority, AnUnknownClassChangesNothing) {
    int nice = 0;
    EXPECT_FALSE(niceOfPriorityClass(0x4000, nice));
    EXPECT_FALSE(SetPriorityClass(0x4000));
}

TEST(ProcessPriority, IdleReachesEveryThreadAndReadsBack) {
    const auto values = runScenario("lower-to-idle");
    EXPECT_EQ(values.value("set"), 1);
    EXPECT_EQ(values.value("class"), long{IDLE_PRIORITY_CLASS});
    EXPECT_EQ(values.value("earlier"), 19); // a thread started before
    EXPECT_EQ(values.value("later"), 19);   // and one started after
}

TEST(ProcessPriority, ARaiseTheUserMayNotMakeIsRefusedAndTheRealClassReadsBack) {
    const auto values = runScenario("raise-refused");
    EXPECT_EQ(values.value("idle"), 1);
    EXPECT_EQ(values.value("high"), 0);
    EXPECT_EQ(values.value("class"), long{IDLE_PRIORITY_CLASS});
    EXPECT_EQ(values.value("normal"), 0);
    EXPECT_EQ(values.value("class2"), long{IDLE_PRIORITY_CLASS});
    EXPECT_EQ(values.value("worker"), 19);
}

TEST(ProcessPriority, ALoweredThreadStaysBelowTheProcess) {
    const auto values = runScenario("lowered-thread");
    const long base = values.value("base");
    EXPECT_EQ(values.value("applied"), 1);
    EXPECT_EQ(values.value("lowered"), std::min(19L, base + 4));
    EXPECT_EQ(values.value("main_idle"), 19);
    EXPECT_EQ(values.value("lowered_idle"), 19);
    if (values.value("raised") == 0) {
        GTEST_SKIP() << "raising the priority is not allowed here";
    }
    EXPECT_EQ(values.value("main_high"), -10);
    EXPECT_EQ(values.value("lowered_high"), -6); // keeps its distance
    EXPECT_EQ(values.value("ended_high"), -10);  // and returns when the lowering ends
}

} // namespace

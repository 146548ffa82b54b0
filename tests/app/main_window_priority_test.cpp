// The process priority of the main window with the system's own calls, each scenario in a
// process of its own so that the suite keeps its priority.

#include "tests/support/child_scenario.h"

#include <QMap>

#include <gtest/gtest.h>

namespace {

QMap<QString, long> runScenario(const char* scenario) {
    return testsupport::RunChildScenario(QStringLiteral(QUINTAPE_WINDOW_PRIORITY_CHILD), scenario,
                                         180000);
}

TEST(MainWindowPriority, CtrlF12LowersTheProcessToIdleAndThePageReadsItBack) {
    const auto values = runScenario("idle-by-key");
    EXPECT_EQ(values.value("chosen", -1), 3);
    EXPECT_EQ(values.value("class"), 64);
    EXPECT_EQ(values.value("shown", -1), 3);
}

TEST(MainWindowPriority, ARaiseTheUserMayNotMakeLeavesThePageShowingTheRealClass) {
    const auto values = runScenario("raise-refused");
    EXPECT_EQ(values.value("start", -1), 1); // "High" chosen, and refused
    EXPECT_EQ(values.value("shown", -1), 2); // the process stayed at "Normal"
    EXPECT_EQ(values.value("chosen", -1), 1);
    EXPECT_EQ(values.value("again", -1), 3); // the raise back from "Idle" was refused too
}

} // namespace

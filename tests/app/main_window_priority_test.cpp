// The process priority of the main window with the system's own calls, each scenario in a
// process of its own so that the suite keeps its priority.

#include <QMap>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QMap<QString, long> runScenario(const char* scenario) {
    QProcess child;
    child.start(QStringLiteral(QUINTAPE_WINDOW_PRIORITY_CHILD), {QString::fromLatin1(scenario)});
    EXPECT_TRUE(child.waitForFinished(180000)) << scenario;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    QMap<QString, long> values;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) {
            values.insert(QString::fromLatin1(line.left(equals)), line.mid(equals + 1).toLong());
        }
    }
    return values;
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

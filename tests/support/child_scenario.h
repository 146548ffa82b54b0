#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace testsupport {

// Runs `program` with one scenario name and gives the "name=number" lines it printed. Tests
// that change what belongs to the whole process (its priority) run their scenarios in a child,
// so that the suite keeps its own.
inline QMap<QString, long> RunChildScenario(const QString& program, const char* scenario,
                                            int timeout_ms) {
    QProcess child;
    child.start(program, {QString::fromLatin1(scenario)});
    EXPECT_TRUE(child.waitForFinished(timeout_ms)) << scenario;
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

} // namespace testsupport

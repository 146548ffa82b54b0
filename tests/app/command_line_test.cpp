#include "app/command_line.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using app::ParseCommandLine;
using app::TCommand;

TEST(CommandLine, PathsOpenTheWindowInOrder) {
    const auto line = ParseCommandLine({"a.plst", "b.avi", "-", "c.jpg"});
    EXPECT_EQ(line.command, TCommand::Window);
    EXPECT_EQ(line.arguments, (QStringList{"a.plst", "b.avi", "-", "c.jpg"}));
    EXPECT_EQ(ParseCommandLine({}).command, TCommand::Window);
}

TEST(CommandLine, ProbeAndRenderTakeEverythingAfterThem) {
    const auto probe = ParseCommandLine({"--probe", "x.avi", "--help"});
    EXPECT_EQ(probe.command, TCommand::Probe);
    EXPECT_EQ(probe.arguments, (QStringList{"x.avi", "--help"}));
    const auto render = ParseCommandLine({"--render", "out.dv", "--ntsc", "x.avi"});
    EXPECT_EQ(render.command, TCommand::Render);
    EXPECT_EQ(render.arguments, (QStringList{"out.dv", "--ntsc", "x.avi"}));
    // Only as the first argument.
    EXPECT_EQ(ParseCommandLine({"x.avi", "--probe"}).command, TCommand::Usage);
}

TEST(CommandLine, HelpAndVersionWinAndUnknownOptionsAreReported) {
    EXPECT_EQ(ParseCommandLine({"x.avi", "--help"}).command, TCommand::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).command, TCommand::Help);
    EXPECT_EQ(ParseCommandLine({"--bogus", "--version"}).command, TCommand::Version);
    const auto unknown = ParseCommandLine({"x.avi", "--bogus", "-q"});
    EXPECT_EQ(unknown.command, TCommand::Usage);
    EXPECT_EQ(unknown.unknownOption, QStringLiteral("--bogus"));
    EXPECT_TRUE(unknown.error.contains(QStringLiteral("--bogus")));
    EXPECT_TRUE(unknown.arguments.isEmpty());
}

TEST(CommandLine, AfterTwoDashesEveryArgumentIsAPath) {
    const auto line = ParseCommandLine({"a.avi", "--", "--help", "-x.avi"});
    EXPECT_EQ(line.command, TCommand::Window);
    EXPECT_EQ(line.arguments, (QStringList{"a.avi", "--help", "-x.avi"}));
}

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runProgram(const QStringList& arguments) {
    QProcess process;
    // Nothing here may need a display.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUINTAPE_EXECUTABLE), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(CommandLine, TheProgramAnswersHelpVersionAndUnknownOptionsWithoutADisplay) {
    const ProgramRun help = runProgram({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* form : {"quintape [PATH...]", "--probe PATH...", "--render OUT.dv"}) {
        EXPECT_TRUE(help.out.contains(QString::fromLatin1(form))) << form;
    }
    const ProgramRun version = runProgram({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("quintape ")));
    const ProgramRun unknown = runProgram({QStringLiteral("--bogus")});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("unknown option --bogus")));
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("Usage:")));
    EXPECT_TRUE(unknown.out.isEmpty());
}

} // namespace

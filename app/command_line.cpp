#include "app/command_line.h"

#include "app/render_command.h"

namespace app {

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine result;
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--probe")) {
        result.command = TCommand::Probe;
        result.arguments = arguments.mid(1);
        return result;
    }
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--render")) {
        result.command = TCommand::Render;
        result.arguments = arguments.mid(1);
        return result;
    }
    bool pathsOnly = false;
    for (const QString& argument : arguments) {
        if (pathsOnly || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            result.arguments << argument;
        } else if (argument == QLatin1String("--")) {
            pathsOnly = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return {TCommand::Help, {}, {}, {}};
        } else if (argument == QLatin1String("--version")) {
            return {TCommand::Version, {}, {}, {}};
        } else if (result.command != TCommand::Usage) {
            result.command = TCommand::Usage;
            result.error = QStringLiteral("unknown option %1").arg(argument);
            result.unknownOption = argument;
        }
    }
    if (result.command == TCommand::Usage) {
        result.arguments.clear();
    }
    return result;
}

QString UsageText() {
    return QStringLiteral(
               "Usage: quintape [PATH...]\n"
               "       quintape --probe PATH...\n"
               "       quintape --render OUT.dv [options] PATH...\n"
               "       quintape --help | --version\n"
               "\n"
               "Without an option Quintape opens its window and plays the files and playlists\n"
               "(.plst) named; \"--\" ends the options, so that a path may begin with \"-\".\n"
               "  --probe PATH...   print what the probe says of each file or playlist item\n"
               "  --render ...      play the files out into a DV file, without a window\n"
               "  --help, -h        show this text\n"
               "  --version         show the version\n"
               "\n") +
           renderUsage();
}

QString VersionText() {
    return QStringLiteral("quintape %1").arg(QStringLiteral(QUINTAPE_VERSION));
}

} // namespace app

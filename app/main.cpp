#include "app/command_line.h"
#include "app/probe_command.h"
#include "app/program_services.h"
#include "app/quintape_application.h"
#include "app/render_command.h"
#include "app/tfm_main.h"
#include "app/unix_signals.h"
#include "platform/system/registry.h"

#include <QCoreApplication>
#include <QTextStream>

extern "C" {
#include <libavutil/log.h>
}

namespace {

void setApplicationNames() {
    QCoreApplication::setApplicationName(QStringLiteral("Quintape"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUINTAPE_VERSION));
}

int usageError(const QString& error) {
    QTextStream err(stderr);
    err << "quintape: " << error << "\n\n" << app::UsageText();
    err.flush();
    return 2;
}

int runWindow(int argc, char** argv) {
    app::TQuintapeApplication application(argc, argv);
    setApplicationNames();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quintape"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quintape"));
    // Qt has taken its own options (-platform, -style ...); what is left is ours.
    const app::TCommandLine commandLine =
        app::ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (commandLine.command != app::TCommand::Window) {
        return usageError(commandLine.error);
    }

    app::TProgramServices program(platform::Registry::defaultPath());
    // The main window and the playlist editor, which stays hidden until "List" shows it.
    const app::TProgramWindows windows(program, commandLine.arguments);
    app::TfmMain& fmMain = windows.fmMain();
    // Ctrl+C in a terminal and the end of the session close the windows as their close
    // buttons do: the editor stores its values, the output stops and the settings are saved.
    app::TTerminationSignals termination;
    QObject::connect(&termination, &app::TTerminationSignals::terminationRequested, &fmMain,
                     [&windows] { windows.Close(); });
    // Windows that a device may have opened do not keep the program running.
    QObject::connect(&fmMain, &app::TfmMain::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    fmMain.show();
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    // The platform reports failures through result codes; the library's own log would only add
    // noise about files that are rejected anyway.
    av_log_set_level(AV_LOG_FATAL);

    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const app::TCommandLine commandLine = app::ParseCommandLine(arguments);
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (commandLine.command) {
    case app::TCommand::Help:
        out << app::UsageText();
        return 0;
    case app::TCommand::Version:
        out << app::VersionText() << '\n';
        return 0;
    case app::TCommand::Probe: {
        // The diagnostic command needs no display.
        QCoreApplication application(argc, argv);
        setApplicationNames();
        return app::runProbeCommand(commandLine.arguments, render::ProbeSettings{}, out, err);
    }
    case app::TCommand::Render: {
        // The headless render into a DV file.
        QCoreApplication application(argc, argv);
        setApplicationNames();
        QString error;
        const auto options = app::parseRenderArguments(commandLine.arguments, &error);
        if (!options) {
            err << "quintape: " << error << '\n' << app::renderUsage();
            err.flush();
            return 2;
        }
        return app::runRenderCommand(*options, err);
    }
    case app::TCommand::Usage:
        // Options with one dash may be Qt's own (-platform, -style ...): the window's
        // application object takes those, and what it leaves is checked there.
        if (commandLine.unknownOption.startsWith(QLatin1String("--"))) {
            return usageError(commandLine.error);
        }
        return runWindow(argc, argv);
    case app::TCommand::Window:
        return runWindow(argc, argv);
    }
    return 2;
}

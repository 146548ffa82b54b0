#include "app/probe_command.h"
#include "app/render_command.h"

#include <QCoreApplication>
#include <QTextStream>

extern "C" {
#include <libavutil/log.h>
}

namespace {

void printUsage(QTextStream& err) {
    err << "Usage: quintape --probe PATH...\n"
           "  --probe PATH...   print what the probe says of each file or playlist item\n"
        << app::renderUsage();
    err.flush();
}

} // namespace

int main(int argc, char** argv) {
    // The platform reports failures through result codes; the library's own log would only add
    // noise about files that are rejected anyway.
    av_log_set_level(AV_LOG_FATAL);

    QTextStream out(stdout);
    QTextStream err(stderr);

    // The diagnostic command needs no display.
    if (argc >= 2 && qstrcmp(argv[1], "--probe") == 0) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Quintape"));
        QStringList paths = QCoreApplication::arguments().mid(2);
        return app::runProbeCommand(paths, render::ProbeSettings{}, out, err);
    }
    // The headless render into a DV file.
    if (argc >= 2 && qstrcmp(argv[1], "--render") == 0) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Quintape"));
        QString error;
        const auto options =
            app::parseRenderArguments(QCoreApplication::arguments().mid(2), &error);
        if (!options) {
            err << "quintape: " << error << '\n' << app::renderUsage();
            err.flush();
            return 2;
        }
        return app::runRenderCommand(*options, err);
    }
    printUsage(err);
    return 2;
}

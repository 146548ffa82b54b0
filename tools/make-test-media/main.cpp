// make-test-media: writes the generated test media (--test DIR), the demo set (--demo DIR) or
// the hostile media (--hostile DIR).

#include "tools/make-test-media/demo_set.h"
#include "tools/make-test-media/hostile_set.h"
#include "tools/make-test-media/test_set.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QElapsedTimer>
#include <QGuiApplication>

#include <exception>
#include <iostream>

namespace {

int usage() {
    std::cerr << "usage: make-test-media --test DIR | --demo DIR | --hostile DIR\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // The tool only paints into images: it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 3) {
        return usage();
    }
    const QString& mode = arguments[1];
    const QString& folder = arguments[2];
    if (mode != QLatin1String("--test") && mode != QLatin1String("--demo") &&
        mode != QLatin1String("--hostile")) {
        return usage();
    }
    av_log_set_level(AV_LOG_ERROR);
    QElapsedTimer timer;
    timer.start();
    try {
        if (mode == QLatin1String("--test")) {
            for (const QString& note : testmedia::writeTestSet(folder)) {
                std::cout << "make-test-media: note: " << note.toStdString() << '\n';
            }
        } else if (mode == QLatin1String("--hostile")) {
            testmedia::writeHostileSet(folder);
        } else {
            testmedia::writeDemoSet(folder);
        }
    } catch (const std::exception& error) {
        std::cerr << "make-test-media: error: " << error.what() << '\n';
        return 1;
    }
    std::cout << "make-test-media: wrote " << mode.mid(2).toStdString() << " media to "
              << folder.toStdString() << " in " << timer.elapsed() << " ms\n";
    return 0;
}

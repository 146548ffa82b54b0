// quintape-screenshots OUTDIR [PATH...]: opens the main window offscreen with the paths given
// (stopped, so that nothing plays), and saves every page of it as OUTDIR/<page>.png, then the
// playlist editor with that list, browsing the folder of the first path, as OUTDIR/editor.png.

#include "app/program_services.h"
#include "app/quintape_application.h"
#include "app/tfm_main.h"
#include "playlist/editor_screenshot.h"
#include "playlist/play_list_window.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

extern "C" {
#include <libavutil/log.h>
}

namespace {

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

bool save(QWidget& window, const QDir& folder, const QString& name, QTextStream& err) {
    settle();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(path)) {
        err << "quintape-screenshots: cannot write " << path << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_FATAL);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    app::TQuintapeApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quintape"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUINTAPE_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quintape"));
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        err << "usage: quintape-screenshots OUTDIR [PATH...]\n";
        return 2;
    }
    const QDir folder(arguments.first());
    if (!QDir().mkpath(folder.path())) {
        err << "quintape-screenshots: cannot create " << folder.path() << '\n';
        return 1;
    }
    // A registry of its own, so that the user's settings stay as they are.
    const QTemporaryDir settingsFolder;
    app::TProgramServices program(settingsFolder.filePath(QStringLiteral("registry.ini")));
    const app::TProgramWindows windows(program, arguments.mid(1));
    app::TfmMain& fmMain = windows.fmMain();
    fmMain.findChild<QComboBox*>(QStringLiteral("cbOnOpen"))->setCurrentIndex(2);
    fmMain.show();
    const QDeadlineTimer deadline(60000);
    while (!fmMain.FirstActivationDone() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    auto& pages = *fmMain.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto& selector = *fmMain.findChild<QListWidget*>(QStringLiteral("lbOptions"));
    bool saved = true;
    for (int tab = 0; tab < pages.count(); ++tab) {
        if (!pages.isTabVisible(tab)) {
            continue;
        }
        pages.setCurrentIndex(tab);
        const QString page = pages.tabText(tab).toLower();
        if (pages.widget(tab)->objectName() != QLatin1String("tsOptions")) {
            saved = save(fmMain, folder, page, err) && saved;
            continue;
        }
        for (int option = 0; option < selector.count(); ++option) {
            selector.setCurrentRow(option);
            const QString name =
                selector.item(option)->text().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
            saved = save(fmMain, folder, page + QLatin1Char('-') + name, err) && saved;
        }
    }
    // The build progress bar over the status bar, half way.
    pages.setCurrentIndex(0);
    fmMain.ShowBuildProgress();
    fmMain.StepBuildProgress(fmMain.MainList().count() + 1);
    saved = save(fmMain, folder, QStringLiteral("file-building"), err) && saved;
    fmMain.HideBuildProgress();

    // The editor over the list the paths made.
    const QString browsed =
        arguments.size() > 1 ? QFileInfo(arguments[1]).absolutePath() : QDir::homePath();
    const QString editorPath = folder.filePath(QStringLiteral("editor.png"));
    if (!playlist::SaveEditorScreenshot(windows.fmPlayList(), browsed, editorPath)) {
        err << "quintape-screenshots: cannot write " << editorPath << '\n';
        saved = false;
    }
    fmMain.close();
    return saved ? 0 : 1;
}

#include "playlist/editor_screenshot.h"

#include "playlist/play_list_window.h"
#include "playlist/shell_browser.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileSystemModel>
#include <QPixmap>

namespace playlist {

QImage RenderEditorImage(TfmPlayList& editor, const QString& folder) {
    auto* tree = editor.findChild<TShellTreeView*>(QStringLiteral("ShellTreeView"));
    auto* files = editor.findChild<TShellListView*>(QStringLiteral("ShellListView"));
    editor.RestoreSettings();
    editor.FormActivate();
    editor.show();
    if (tree != nullptr && files != nullptr) {
        tree->setPath(folder);
        // The folder is read in the background; give it a few seconds at most.
        bool loaded = false;
        QObject::connect(files->fileSystemModel(), &QFileSystemModel::directoryLoaded, &editor,
                         [&loaded] { loaded = true; });
        const QDeadlineTimer deadline(5000);
        while (!loaded && files->ItemCount() == 0 && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    // Let the docks and views settle into the window's size.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::processEvents();
    }
    const QImage image = editor.grab().toImage();
    editor.hide();
    return image;
}

bool SaveEditorScreenshot(TfmPlayList& editor, const QString& folder, const QString& pngPath) {
    return RenderEditorImage(editor, folder).save(pngPath, "PNG");
}

} // namespace playlist

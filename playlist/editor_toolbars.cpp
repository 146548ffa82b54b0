#include "playlist/editor_toolbars.h"

#include "platform/system/registry.h"
#include "playlist/play_list_window.h"
#include "widgets/stored_value_text.h"
#include "widgets/toolbar_layout.h"

#include <QMainWindow>
#include <QToolBar>

#include <algorithm>
#include <vector>

namespace playlist {

namespace {

const QString kRev = QStringLiteral("Rev");
const QString kDockedTo = QStringLiteral("DockedTo");
const QString kLastDock = QStringLiteral("LastDock");
const QString kFloating = QStringLiteral("+");

// The main windows that hold the editor's docks, each once.
std::vector<QMainWindow*> dockWindows(const TfmPlayList& editor) {
    std::vector<QMainWindow*> windows;
    for (const QString& dock : TfmPlayList::DockNames()) {
        QMainWindow* window = editor.DockWindow(dock);
        if (window != nullptr &&
            std::find(windows.begin(), windows.end(), window) == windows.end()) {
            windows.push_back(window);
        }
    }
    return windows;
}

// The layout of window's docks with the editor's bars that sit in it now.
widgets::ToolbarLayout layoutOf(const TfmPlayList& editor, QMainWindow& window) {
    QList<widgets::ToolbarLayout::Dock> docks;
    for (const QString& dock : TfmPlayList::DockNames()) {
        if (editor.DockWindow(dock) == &window) {
            docks.append({dock, TfmPlayList::DockArea(dock)});
        }
    }
    widgets::ToolbarLayout layout(window, docks);
    for (QToolBar* bar : editor.ToolBars()) {
        if (bar->parentWidget() == &window) {
            layout.addBar(bar, widgets::ToolbarLayout::BarKind::Toolbar);
        }
    }
    return layout;
}

} // namespace

void LoadEditorToolbarLayout(TfmPlayList& editor, const platform::Registry& registry,
                             const QString& key) {
    for (QToolBar* bar : editor.ToolBars()) {
        const QString barKey = key + QLatin1Char('\\') + bar->objectName();
        if (widgets::stored_text::toInteger(
                registry.readString(barKey, kRev).value_or(QString())) !=
            widgets::ToolbarLayout::kRevision) {
            continue;
        }
        QString dock = registry.readString(barKey, kDockedTo).value_or(QString()).trimmed();
        if (dock == kFloating) {
            dock = registry.readString(barKey, kLastDock).value_or(QString()).trimmed();
        }
        QMainWindow* window = editor.DockWindow(dock);
        if (window != nullptr && bar->parentWidget() != window) {
            editor.DockToolBar(*bar, dock);
        }
    }
    for (QMainWindow* window : dockWindows(editor)) {
        layoutOf(editor, *window).load(registry, key);
    }
}

bool SaveEditorToolbarLayout(const TfmPlayList& editor, platform::Registry& registry,
                             const QString& key) {
    platform::Registry::Batch batch(registry);
    bool saved = true;
    for (QMainWindow* window : dockWindows(editor)) {
        saved = layoutOf(editor, *window).save(registry, key) && saved;
    }
    return batch.commit() && saved;
}

} // namespace playlist

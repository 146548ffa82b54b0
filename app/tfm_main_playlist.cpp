// The main list and its grid, the open dialog and files dropped from the file manager.

#include "app/tfm_main.h"
#include "platform/system/registry.h"
#include "playlist/folder_history.h"
#include "playlist/main_play_list.h"
#include "playlist/master_list.h"
#include "playlist/playlist_file.h"
#include "ui_tfm_main.h"

#include <QFileDialog>
#include <QFileInfo>

#include <exception>

namespace app {

namespace {

// Row colours of the playlist grid.
const QColor kCurrentRowColour(192, 220, 192);

// Hides the build progress bar when the rebuild leaves by an error; the graph build that
// follows a rebuild hides it otherwise.
class HideProgressOnError {
public:
    explicit HideProgressOnError(TfmMain& window) : window_(window) {}
    ~HideProgressOnError() {
        if (std::uncaught_exceptions() > uncaught_) {
            window_.HideBuildProgress();
        }
    }
    HideProgressOnError(const HideProgressOnError&) = delete;
    HideProgressOnError& operator=(const HideProgressOnError&) = delete;

private:
    TfmMain& window_;
    const int uncaught_ = std::uncaught_exceptions();
};

} // namespace

void TfmMain::ClearPlayListGrid() {
    auto& grid = *ui->sgPlayList;
    grid.setRows(0);
    grid.setCells(1, 0, QString());
    grid.setCells(2, 0, QString());
    grid.setColorRow(0, grid.palette().color(QPalette::Base));
    grid.setCellIcon(0, 0, QPixmap());
}

void TfmMain::RebuildPlayList() {
    const TControlSettings settings = SettingsFromControls();
    auto& grid = *ui->sgPlayList;
    // 1. The previous main list's records go first, before the grid forgets its rows.
    playlist::FreeListItems(mainList_, false, false);
    // 2.
    ClearPlayListGrid();
    // 3.
    ShowBuildProgress();
    const HideProgressOnError hideOnError(*this);
    // 4. One row per checked item of the master list.
    const render::REFERENCE_TIME total = playlist::RebuildMainPlayList(
        services_.masterList, mainList_, settings.probe, [&](int index) {
            if (index > 0) {
                grid.setRows(grid.rowCount() + 1);
                grid.setColorRow(index, grid.palette().color(QPalette::Base));
            }
            const render::TFileInfo& info = *mainList_.fileInfo(index);
            grid.setCells(1, index, playlist::PlayListLengthText(info.Duration));
            grid.setCells(2, index, info.FileName);
            StepBuildProgress(1);
        });
    // 5. (the pictures are retagged by the rebuild) 6. The icons by kind.
    for (int i = 0; i < mainList_.count(); ++i) {
        const int icon = playlist::KindIconIndex(*mainList_.fileInfo(i));
        if (icon >= 0 && static_cast<std::size_t>(icon) < ilVideoList_.size()) {
            grid.setCellIcon(0, i, ilVideoList_[static_cast<std::size_t>(icon)]);
        }
    }
    // 7.
    renderState_.RenderRangeStart = 0;
    renderState_.RenderRangeStop = total;
}

void TfmMain::SelectCurrentItem(int index) {
    if (index == MainListItemIndex()) {
        return;
    }
    ui->lbPlayList->setCurrentIndex(mainList_.index(index, 0));
    auto& grid = *ui->sgPlayList;
    const int current = MainListItemIndex();
    for (int row = 0; row < grid.rowCount(); ++row) {
        if (row == current) {
            grid.setColorRow(row, kCurrentRowColour);
            grid.setTag(row);
            grid.ScrollRowIntoView(row);
        } else {
            grid.setColorRow(row, grid.palette().color(QPalette::Base));
        }
    }
}

void TfmMain::OpenPaths(const QStringList& paths, bool replace) {
    if (replace) {
        playlist::FreeListItems(services_.masterList, false, false);
    }
    playlist::AddFiles(paths, services_.masterList);
    TearDownGraph();
    RebuildPlayList();
    StartAfterOpen();
}

void TfmMain::buOpenFileClick() {
    auto& history = services_.folderHistory;
    if (history.count() > 0 && !odHasInitialFolder_) {
        OD->setDirectory(history.entries().first());
        odHasInitialFolder_ = true;
    }
    if (OD->exec() != QDialog::Accepted) {
        return;
    }
    const QStringList files = OD->selectedFiles();
    if (files.isEmpty()) {
        return;
    }
    // The folder of the chosen files joins the history, which is stored at once.
    const QString folder = QFileInfo(files.first()).absolutePath();
    if (history.count() == 0 || folder != history.entries().first()) {
        history.add(folder);
        if (services_.storePlayListEditorState) {
            services_.storePlayListEditorState();
        }
    }
    // An open always replaces the playlist, whatever "On Drag-Drop" says.
    OpenPaths(files, true);
}

void TfmMain::ExplorerDrop1Dropped(QObject* /*sender*/, const QStringList& files, int fileCount,
                                   int /*x*/, int /*y*/) {
    if (fileCount <= 0) {
        return;
    }
    // "Replace" is the first choice of "On Drag-Drop", "Append to list" the second.
    const bool replace = ui->rgOnDragDrop->itemIndex() == 0;
    // The drop target reuses its list for the next drop; the paths are copied.
    const QStringList paths = files.mid(0, fileCount);
    OpenPaths(paths, replace);
}

void TfmMain::buOpenListClick() {
    if (services_.showPlayListEditor && services_.showPlayListEditor()) {
        TearDownGraph();
        RebuildPlayList();
        StartAfterOpen();
    }
}

} // namespace app

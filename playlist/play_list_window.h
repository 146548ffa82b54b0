#pragma once

#include "playlist/calc_len.h"
#include "playlist/check_list.h"
#include "playlist/folder_history.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QDragMoveEvent;
class QFileDialog;
class QKeyEvent;
class QLabel;
class QMainWindow;
class QPushButton;
class QShowEvent;
class QToolBar;

namespace platform {
class Registry;
}

namespace widgets {
class FormStorage;
}

namespace Ui {
class TfmPlayList;
}

namespace playlist {

class TExplorerDrop;
class TSplitterPaneExtent;

// The playlist editor: a folder tree and file list above, the master list below with the
// commands that order, check, delete, load and save its items, and the total length of the
// checked items worked out in the background. Created once, hidden, at start-up; shown modally
// by the main window. Its toolbars move between five docks: DockTop (above the browser),
// DockLeft, DockMiddle and DockRight (left of, above and right of the list) and DockBottom
// (along the bottom of the window).
class TfmPlayList : public QDialog, private ICalcLenDisplay {
    Q_OBJECT

public:
    // Key of the editor's stored values and placement.
    static QString registryKey() {
        return QStringLiteral("Software\\Zarnit\\Quintape\\TfmPlayList");
    }
    // Key of the toolbar layout, one subkey per toolbar.
    static QString toolbarsKey() {
        return QStringLiteral("Software\\Zarnit\\Quintape.3\\ToolbarsPL");
    }
    // The caption of laLen when no total is shown.
    static QString zeroLengthText() { return QStringLiteral("0:00:00"); }

    // Uses registry for the stored values, the toolbar layout and the folder history; the
    // layout and the history are loaded here.
    explicit TfmPlayList(platform::Registry& registry, QWidget* parent = nullptr);
    // Stores the values when the window was shown and not closed since.
    ~TfmPlayList() override;

    // The master list (shown by lbPlayList) and the folder history.
    CheckList& MasterList() { return masterList_; }
    FolderHistory& MRUList() { return MRUList_; }

    // Restores the stored values, shows the window modally and returns true when it was closed
    // with OK.
    bool ShowModal();
    // The close-query step: stores the toolbar layout and the folder history. Never refuses
    // the close. Raises std::runtime_error when the registry cannot be written. Until the
    // window has first been shown its toolbars sit where the stored layout put them, and only
    // the history is stored.
    void FormCloseQuery();
    // Stored values (the window's placement, the tree's width, the browser's height, the file
    // list's view style, the calculation switch): read at every showing before the window
    // appears, written when it closes. SaveSettings raises std::runtime_error when the
    // registry cannot be written.
    void RestoreSettings();
    void SaveSettings();
    // How the window reports a command that failed (a playlist that cannot be written, say)
    // and a failure to store its values and layout at a close: at the command's edge, so that
    // nothing unwinds through the toolkit's event delivery; the window stays usable, and a
    // close still closes, the report coming afterwards. Unset, the failure is raised.
    void setErrorReport(std::function<void(const QString& text)> report) {
        errorReport_ = std::move(report);
    }

    // The length calculation (see CalcLenControl): StartCalcLen does nothing while
    // ckAlowCalcLen is not checked.
    void StartCalcLen();
    void StopCalcLen();
    bool CalcLenRunning() const { return calcLen_->CalcLenRunning(); }
    CalcLenControl& CalcLen() { return *calcLen_; }
    // Where the probe of the length calculation takes its settings (the main window's options).
    void setProbeSettingsSource(std::function<render::ProbeSettings()> source);

    // Writes the master list to fileName (see playlist::SavePlayList).
    void SavePlayList(const QString& fileName) const;
    // The index before which items go when dropped at (x, y) of the list's viewport: a point in
    // the upper half of an item gives that item, in the lower half the next one; a point whose
    // half-row lower neighbour lies outside the viewport gives the item count.
    int InsertIndexAt(int x, int y) const;

    // Docks of the toolbars, by name: DockTop, DockLeft, DockMiddle, DockRight, DockBottom.
    static const QStringList& DockNames();
    // The main window and area that make up dock; null and NoToolBarArea for an unknown name.
    QMainWindow* DockWindow(const QString& dock) const;
    static Qt::ToolBarArea DockArea(const QString& dock);
    // The dock a toolbar sits in, "+" while it floats, or empty when it is not one of ours.
    QString DockOf(const QToolBar& toolBar) const;
    // Docks toolBar at the end of dock; false for an unknown dock.
    bool DockToolBar(QToolBar& toolBar, const QString& dock);
    QList<QToolBar*> ToolBars() const;

public slots:
    // The common adding step of drops, the Add command and drags from the file list: applies
    // the add-files rule to the first FileCount of Files; items dropped on the list (Sender
    // edrlbPlayList) go to the drop point, all others to the end; the new items are selected.
    void edrShellTreeViewDropped(QObject* Sender, const QStringList& Files, int FileCount, int x,
                                 int y);
    void buAddClick();
    void buAddAllClick();
    void buUpClick();
    void buDownClick();
    void buDelClick();
    void buDellAllClick();
    void buCheckSelClick();
    void buUnCheckSelClick();
    void buInvertSelectionClick();
    void lbPlayListClickCheck();
    void buOpenPLClick();
    void buSavePLClick();
    void MRUListClick(const QString& folder);
    void ChangeViewStleClick(QAction* entry);
    void miViewStyleClick();
    void FormActivate();
    void BitBtn1Click();
    void BitBtn2Click();
    void laLenDblClick();
    void imTimeDblClick();
    void ckAlowCalcLenClick();
    void ShellListViewStartDrag();
    void ShellListViewDblClick();

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Steps of the length calculation, on this thread.
    void ShowBusyIcon() override;
    void HideBusyIcon() override;
    void ShowLength(render::REFERENCE_TIME total) override;
    void ResetLength() override;

    // Reordering with the right mouse button (points in the list's viewport).
    bool lbPlayListMouseDown(Qt::MouseButton button, QPoint point);
    bool lbPlayListMouseMove(QPoint point);
    bool lbPlayListMouseUp(Qt::MouseButton button, QPoint point);
    // Drags from the file list onto the playlist.
    bool lbPlayListDragOver(QDragMoveEvent& event);
    void lbPlayListDragDrop(int X, int Y);
    bool ShellListViewKeyDown(const QKeyEvent& event);

    void CollectShellSelection();
    void FillFolderHistoryMenu();
    void createToolBarControls();
    void createDropTargets();
    void connectHandlers();
    void showDockMenu(QToolBar& toolBar, QPoint globalPos);
    void createSettingsStore();
    // Runs command, reporting what it raises through the error report when there is one.
    void runReported(const std::function<void()>& command);
    // Keeps toolBar to the docks of the part of the window it sits in.
    void allowDocksOf(QToolBar& toolBar, const QMainWindow& window);
    QList<QAction*> viewStyleEntries() const;

    platform::Registry& registry_;
    std::unique_ptr<Ui::TfmPlayList> ui_;
    CheckList masterList_;
    FolderHistory MRUList_;
    // Paths collected from the file list's selection.
    QStringList shShellListViewFileList;

    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QCheckBox* ckAlowCalcLen = nullptr;
    QLabel* laLen = nullptr;
    QLabel* imTime = nullptr;
    TExplorerDrop* edrShellTreeView = nullptr;
    TExplorerDrop* edrShellListView = nullptr;
    TExplorerDrop* edrlbPlayList = nullptr;
    QFileDialog* OD = nullptr;
    QFileDialog* SD = nullptr;

    bool reordering_ = false;
    int insertIndex_ = -1;

    // The settings store fsPlayList and the panel sizes it keeps.
    std::unique_ptr<TSplitterPaneExtent> treeWidth_;
    std::unique_ptr<TSplitterPaneExtent> explorerHeight_;
    std::unique_ptr<widgets::FormStorage> fsPlayList;
    // The window has been shown, so its docks and panels have been laid out and can be measured.
    bool laidOut_ = false;
    // The values were restored for a showing and not stored since.
    bool restoredSinceSave_ = false;
    std::function<void(const QString& text)> errorReport_;

    // Declared last so that it is destroyed first: its workers are stopped and joined while
    // the list and the display still exist.
    std::unique_ptr<CalcLenControl> calcLen_;
};

} // namespace playlist

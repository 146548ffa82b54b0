#pragma once

#include "app/main_window_services.h"
#include "graph/filter_graph.h"
#include "graph/filter_ref.h"
#include "playlist/check_list.h"
#include "render/build_graph_full.h"
#include "render/build_settings.h"
#include "render/output_chain.h"
#include "render/probe.h"
#include "render/transitions.h"
#include "transport/dv_track_bar.h"
#include "transport/position_map.h"
#include "transport/track_bar_ex.h"
#include "widgets/form_storage.h"
#include "widgets/shortcut_processor.h"
#include "widgets/toolbar_layout.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QFileDialog;
class QKeyEvent;
class QLineEdit;
class QPainter;

namespace playlist {
class TExplorerDrop;
}
namespace widgets {
class TStatusBar;
}

namespace Ui {
class TfmMain;
}

namespace app {

// The settings of the next probe and graph build, as the controls hold them now.
struct TControlSettings {
    render::TBuildSettings build;
    render::ProbeSettings probe;
};

// The main window: the playlist grid, the options pages, the transport toolbar with the two
// trackbars, the status bar, and the graphs that play the main list out to the DV device.
//
// The implementation is split by concern: tfm_main.cpp (construction and the handler
// connections), tfm_main_startup.cpp (first activation and close), tfm_main_playlist.cpp (main
// list, grid, open dialog and drops), tfm_main_graph.cpp (graph build),
// tfm_main_devices.cpp (device lists), tfm_main_progress.cpp (build progress bar),
// tfm_main_transport.cpp (transport commands, rebuilds and their states),
// tfm_main_position.cpp (position displays, trackbar drags, update interval),
// tfm_main_pending.cpp (handlers that have no behaviour yet).
class TfmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfmMain(TMainWindowServices services, QWidget* parent = nullptr);
    ~TfmMain() override;
    TfmMain(const TfmMain&) = delete;
    TfmMain& operator=(const TfmMain&) = delete;

    // The build and probe settings read from the controls; the controls are their only holder.
    TControlSettings SettingsFromControls() const;

    // Rebuilds the main list and the grid from the checked items of the master list.
    void RebuildPlayList();
    // Stops and empties the main graph and detaches the encoders.
    void TearDownGraph();
    // Builds the graph for the main list, makes item 0 current and performs "On Open".
    void StartAfterOpen();
    // Builds the graph for the main list; nothing without items or a video device.
    void BuildGraph();

    // The build progress bar on the status bar while the main list and the graph are rebuilt.
    void ShowBuildProgress();
    void StepBuildProgress(int steps);
    void HideBuildProgress();

    // Makes main-list item `index` the current one (highlighted row, grid Tag).
    void SelectCurrentItem(int index);

    // The device lists of the System page and the device-watch graph.
    void FillDeviceLists();
    void AttachDeviceToVideoOutGraph();
    void ApplyStretchMode();
    void ApplyTrackBarInterval();
    void ApplyPriority();
    void FillUsedFilters();
    // The status bar's connection-error flag.
    void SetConnectionError(platform::HRESULT result);
    bool ConnectionError() const { return connectionError_; }

    // The main list: one item per checked master-list item, each owning a copy of its record.
    const playlist::CheckList& MainList() const { return mainList_; }
    // The current main-list item, or -1.
    int MainListItemIndex() const;
    render::REFERENCE_TIME RenderRangeStart() const { return renderState_.RenderRangeStart; }
    render::REFERENCE_TIME RenderRangeStop() const { return renderState_.RenderRangeStop; }
    // The icon of each play-list kind (KindIconIndex), 20 x 13 pixels.
    const std::vector<QPixmap>& ilVideoList() const { return ilVideoList_; }
    // Whether the first-activation work has been done.
    bool FirstActivationDone() const { return activated_; }

    // The name of a toolbar area as the stored toolbar layout writes it ("DockTop" or
    // "DockBottom"), and back; any other area or name gives none.
    static QString DockName(Qt::ToolBarArea area);
    static Qt::ToolBarArea DockArea(const QString& name);

    graph::TFilterGraph fgMain;
    graph::TFilterGraph fgVOut;
    graph::TFilter MSDVVideoEncoder;
    graph::TFilter MainConceptDVVideoEncoder;

    // Transport and position
    //
    // Rebuilds everything under the options the controls hold now: tears down, drops the cached
    // records so that every file is probed again, rebuilds the main list and, when a graph
    // existed, the graph, returning to the state and thumb position it had.
    void ApplyChanges();
    // The main-list item that holds the all-files position `position_ms`, with its start and
    // duration; item 0 when none does, index -1 only for an empty main list.
    transport::TItemAt FindItemAt(std::uint32_t position_ms) const;
    // Colours `index` as the row a drag points at and scrolls it into view; the current item
    // keeps its colour, the current index does not change.
    void MarkSeekTarget(int index);
    // Handlers of the two trackbars (bound to their events in ConnectHandlers).
    void DVTrackBarTimer(transport::TDVTrackBar* sender, std::uint32_t CurrentPos,
                         std::uint32_t StopPos);
    void DVTrackBarChanging(transport::TDVTrackBar* sender, std::uint32_t CurrentPos,
                            std::uint32_t StopPos);
    void DVTrackBarEndOfChange(transport::TDVTrackBar* sender);
    void DVTrackBarDVShiftSeekToPosition(transport::TDVTrackBar* sender, graph::TGraphState GS);
    void tbCurFileChange(transport::TTrackBarEx* sender);
    void tbCurFileEndOfChange(transport::TTrackBarEx* sender);
    // Raised after every build that put a graph into fgMain, before the graph is started: the
    // place to adjust a new graph (its clock, a recorder's file) from outside.
    std::function<void(TfmMain* sender)> OnGraphBuilt;

signals:
    // The window has been closed (after FormCloseQuery).
    void closed();

public slots:
    // Start-up and shut-down.
    void FormActivate();
    void FormCloseQuery();
    void laWebClick();

    // Play list.
    void buOpenFileClick();
    void buOpenListClick();
    void ExplorerDrop1Dropped(QObject* sender, const QStringList& files, int fileCount, int x,
                              int y);
    void sgPlayListDblClick();

    // Transport.
    void buPlayClick();
    void buPlayNoShClick();
    void buPauseClick();
    void buStopClick();
    void buPrevClick();
    void buNextClick();
    void cbOnEndChange();

    // Options.
    void lbOptionsClick();
    void Button3Click();
    void SpeedButton2Click();
    void cbVideoOutChange();
    void cbAudioOutChange();
    void rgStretchModeClick();
    void rgRecompressModeClick();
    void tbTrackBarUpdateIntervalChange();
    void cbPriorityChange();
    void tsAdvOptionsShow();
    void tbVolumeChange();
    void buPropertiesClick();
    void lbUsedFiltersDblClick();

    // Shortcuts and priority.
    void TabSheet2Show();
    void buScLoadSavedClick();
    void buScApplyChangesClick();
    void buPrRealTimeClick();

    // Graph notifications.
    void fgMainGraphComplete(graph::TFilterGraph* sender, platform::HRESULT result,
                             const std::shared_ptr<platform::IBaseFilter>& renderer);
    void fgMainGraphPaused(graph::TFilterGraph* sender, platform::HRESULT result);
    void fgMainGraphChanged(graph::TFilterGraph* sender);
    void fgVOutGraphDeviceLost(graph::TFilterGraph* sender,
                               const std::shared_ptr<platform::IBaseFilter>& device, bool removed);

    // Status bar.
    void StatusBarDrawPanel(widgets::TStatusBar* sender, int panel, QPainter& painter,
                            const QRect& rect);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Binds every control, component and graph event to its handler.
    void ConnectHandlers();
    void SetUpControls();
    void SetAboutTexts();
    void ShowOptionsPage();
    void LoadToolbarLayout();
    void SaveToolbarLayout();
    // The "On Open" choice on fgMain, with its toolbar button checked.
    void PerformOnOpen();
    // Replaces (or, with `replace` unset, extends) the master list by `paths` through the
    // add-files rule, then tears down, rebuilds and starts.
    void OpenPaths(const QStringList& paths, bool replace);
    // The stored device selections, and the immediate write of one of them.
    render::TStoredDeviceSelections StoredDeviceSelections() const;
    void StoreDeviceSelection(const QString& valueName, int index);
    void ClearPlayListGrid();

    TMainWindowServices services_;
    std::unique_ptr<Ui::TfmMain> ui;
    playlist::CheckList mainList_;
    playlist::TExplorerDrop* ExplorerDrop1 = nullptr;
    QPointer<QFileDialog> OD;
    bool odHasInitialFolder_ = false;
    std::vector<QPixmap> ilVideoList_;
    QPixmap ilConError_;
    render::TDeviceLists devices_;
    render::TRenderState renderState_;
    render::TRandomGenerator random_;
    render::TGraphBuildState buildState_;
    bool activated_ = false;
    bool connectionError_ = false;

    // Settings, options and shortcuts (tfm_main_settings.cpp, tfm_main_options.cpp,
    // tfm_main_shortcuts.cpp, tfm_main_priority.cpp).
    //
    // Binds the stored properties, the toolbar layout, the shortcut processor and the events of
    // the shortcut fields.
    void ConnectSettingsAndShortcuts();
    // The stored settings: restored once when the window is first shown; saved at the close or,
    // when the window goes without a close, at its destruction. Nothing is saved by a window
    // that never restored, so that its form defaults never replace the stored settings.
    void RestoreSettings();
    void SaveSettings(bool destroying);
    // The property pages of the filter chosen on the Filters page, in a modal frame.
    void ShowUsedFilterProperties();
    // The eleven commands with their shortcut fields, in the order of the ShortCuts page.
    std::vector<std::pair<QAction*, QLineEdit*>> ShortCutFields() const;
    // Events of the shortcut fields: focus in and out, a key pressed (true: swallowed) and a key
    // released (captured).
    void edScPrevEnter();
    void edScPrevExit();
    bool edScPrevKeyDown(const QKeyEvent& event);
    void edScPrevKeyUp(QLineEdit& field, const QKeyEvent& event);

    widgets::FormStorage fsMain{services_.registry, *this,
                                QStringLiteral("Software\\Zarnit\\Quintape.3")};
    widgets::ToolbarLayout toolbarLayout_{
        *this,
        {{DockName(Qt::TopToolBarArea), Qt::TopToolBarArea},
         {DockName(Qt::BottomToolBarArea), Qt::BottomToolBarArea}}};
    QPointer<widgets::ShortcutProcessor> shortcutProcessor_;
    // Passes the events of the shortcut fields to their handlers; it goes before the controls
    // do, so that nothing reaches the handlers of a window being destroyed.
    std::unique_ptr<QObject> shortCutFieldEvents_;
    bool settingsRestored_ = false;
    bool settingsSaved_ = false;
    // Transport and position
    // The values are the "On Open" choices of the same commands.
    enum TTransportCommand { tcPlay = 0, tcPause = 1, tcStop = 2 };
    // Play, Pause or Stop from the toolbar, a shortcut or the end of the playlist.
    void TransportCommand(TTransportCommand command);
    // The toolbar button of a command.
    QAction* TransportButton(TTransportCommand command) const;
    // Shows `button` pressed as the last transport command given (null: none).
    void CheckTransportButton(QAction* button);
    // Seeks the timeline to the start of main-list item `index` and makes it current.
    void GoToItem(int index);
    // Runs, pauses or stops fgMain as `state` says; nothing for no graph.
    void RestoreGraphState(graph::TGraphState state);
    // The button of the last transport command given; a click that gives no command (or whose
    // command is refused) shows this one pressed again.
    QPointer<QAction> transportButton_;
    // The output's state and thumb when the DV device went away, for its return.
    graph::TGraphState deviceLostState_ = graph::TGraphState::None;
    int deviceLostPosition_ = 0;
};

} // namespace app

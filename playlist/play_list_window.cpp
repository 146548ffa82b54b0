#include "playlist/play_list_window.h"

#include "platform/system/registry.h"
#include "playlist/editor_settings.h"
#include "playlist/editor_toolbars.h"
#include "playlist/explorer_drop.h"
#include "playlist/master_list.h"
#include "playlist/play_list_pics.h"
#include "playlist/playlist_file.h"
#include "render/media_item.h"
#include "widgets/form_storage.h"

#include "ui_play_list_window.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolBar>
#include <QToolButton>

#include <exception>
#include <stdexcept>

namespace playlist {

namespace {

// The settings store's base key; the window's class name completes it.
const QString kSettingsBaseKey = QStringLiteral("Software\\Zarnit\\Quintape");
const QString kPlayListFilter = QStringLiteral("playlists (*.plst);;all files (*)");

constexpr int kDefaultTreeWidth = 312;
constexpr int kDefaultExplorerHeight = 248;

// Suspends a widget's repainting for a scope, also when the scope is left by an exception.
class RepaintSuspended {
public:
    explicit RepaintSuspended(QWidget& widget)
        : widget_(widget), wasEnabled_(widget.updatesEnabled()) {
        widget_.setUpdatesEnabled(false);
    }
    ~RepaintSuspended() { widget_.setUpdatesEnabled(wasEnabled_); }
    RepaintSuspended(const RepaintSuspended&) = delete;
    RepaintSuspended& operator=(const RepaintSuspended&) = delete;

private:
    QWidget& widget_;
    const bool wasEnabled_;
};

// The accelerator of the folder history's entry at position (0-based): 1 to 9, then A to R.
QChar historyAccelerator(int position) {
    return position < 9 ? QChar(u'1' + position) : QChar(u'A' + (position - 9));
}

struct DockPlace {
    const char* name;
    bool inPlayListPanel; // a dock around the list (paPlayList) rather than of the whole window
    Qt::ToolBarArea area;
    const char* caption;
};
constexpr DockPlace kDocks[] = {
    {"DockTop", false, Qt::TopToolBarArea, "Top"},
    {"DockLeft", true, Qt::LeftToolBarArea, "Left of the List"},
    {"DockMiddle", true, Qt::TopToolBarArea, "Above the List"},
    {"DockRight", true, Qt::RightToolBarArea, "Right of the List"},
    {"DockBottom", false, Qt::BottomToolBarArea, "Bottom"},
};

const DockPlace* findDock(const QString& name) {
    for (const DockPlace& dock : kDocks) {
        if (name == QLatin1String(dock.name)) {
            return &dock;
        }
    }
    return nullptr;
}

} // namespace

TfmPlayList::TfmPlayList(platform::Registry& registry, QWidget* parent)
    : QDialog(parent), registry_(registry), ui_(std::make_unique<Ui::TfmPlayList>()) {
    ui_->setupUi(this);
    // The inner main windows are panels of this window, not windows of their own.
    ui_->paFrame->setWindowFlags(Qt::Widget);
    ui_->paPlayList->setWindowFlags(Qt::Widget);
    ui_->lbPlayList->setCheckList(&masterList_);

    ui_->paExplorer->setStretchFactor(0, 0);
    ui_->paExplorer->setStretchFactor(1, 1);
    ui_->spExplorer->setStretchFactor(0, 0);
    ui_->spExplorer->setStretchFactor(1, 1);
    ui_->paExplorer->setSizes({kDefaultTreeWidth, width() - kDefaultTreeWidth});
    ui_->spExplorer->setSizes({kDefaultExplorerHeight, height() - kDefaultExplorerHeight});

    // Images of ilPics on the toolbar items.
    const std::pair<QAction*, TPlayListPic> images[] = {
        {ui_->miFolderHistory, piFolderHistory},
        {ui_->buAdd, piAdd},
        {ui_->buAddAll, piAddAll},
        {ui_->miViewStyle, piViewStyle},
        {ui_->buUp, piUp},
        {ui_->buDown, piDown},
        {ui_->buDel, piDelete},
        {ui_->buDellAll, piDeleteAll},
        {ui_->buOpenPL, piOpenPlayList},
        {ui_->buSavePL, piSavePlayList},
        {ui_->buCheckSel, piCheck},
        {ui_->buUnCheckSel, piUncheck},
        {ui_->buInvertSelection, piInvertSelection},
    };
    for (const auto& [action, image] : images) {
        action->setIcon(PlayListPic(image));
    }
    ui_->miViewStyle->setMenu(ui_->pmViewStyle);
    ui_->miFolderHistory->setMenu(ui_->pmFolderHistory);
    if (auto* button =
            qobject_cast<QToolButton*>(ui_->tbrViewStyle->widgetForAction(ui_->miViewStyle))) {
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    if (auto* button = qobject_cast<QToolButton*>(
            ui_->tbrFolderHistory->widgetForAction(ui_->miFolderHistory))) {
        button->setPopupMode(QToolButton::InstantPopup);
    }
    ui_->miVsList->setChecked(true);
    // Delete works from the keyboard while the list has the focus.
    ui_->buDel->setShortcut(QKeySequence::Delete);
    ui_->buDel->setShortcutContext(Qt::WidgetShortcut);
    ui_->lbPlayList->addAction(ui_->buDel);

    createToolBarControls();

    OD = new QFileDialog(this, tr("Open Playlist"), QString(), kPlayListFilter);
    OD->setObjectName(QStringLiteral("OD"));
    OD->setAcceptMode(QFileDialog::AcceptOpen);
    OD->setFileMode(QFileDialog::ExistingFile);
    OD->setDefaultSuffix(QStringLiteral("plst"));
    SD = new QFileDialog(this, tr("Save Playlist"), QString(), kPlayListFilter);
    SD->setObjectName(QStringLiteral("SD"));
    SD->setAcceptMode(QFileDialog::AcceptSave);
    SD->setFileMode(QFileDialog::AnyFile);
    SD->setDefaultSuffix(QStringLiteral("plst"));

    calcLen_ = std::make_unique<CalcLenControl>(masterList_, static_cast<ICalcLenDisplay&>(*this));

    // What the window does when it is created: drop targets, the file browser at the home
    // folder, the toolbar layout, the folder history.
    createDropTargets();
    connectHandlers();
    createSettingsStore();
    ui_->ShellTreeView->setPath(QDir::homePath());
    for (QToolBar* toolBar : ToolBars()) {
        if (const auto* window = qobject_cast<const QMainWindow*>(toolBar->parentWidget())) {
            allowDocksOf(*toolBar, *window);
        }
    }
    LoadEditorToolbarLayout(*this, registry_, toolbarsKey());
    MRUList_.load(registry_);
}

TfmPlayList::~TfmPlayList() {
    calcLen_.reset();
    // A showing that never closed (the program ended under it) still leaves its values; a
    // failure can no longer be reported here.
    if (restoredSinceSave_ && laidOut_) {
        fsPlayList->save(true);
    }
    ui_->lbPlayList->setCheckList(nullptr);
}

void TfmPlayList::createSettingsStore() {
    treeWidth_ = std::make_unique<TSplitterPaneExtent>(*ui_->paExplorer);
    explorerHeight_ = std::make_unique<TSplitterPaneExtent>(*ui_->spExplorer);
    fsPlayList = std::make_unique<widgets::FormStorage>(registry_, *this, kSettingsBaseKey,
                                                        QStringLiteral("TfmPlayList"));
    fsPlayList->addProperty(treeWidth_.get(), QStringLiteral("Width"), "extent");
    fsPlayList->addProperty(explorerHeight_.get(), QStringLiteral("Height"), "extent");
    fsPlayList->addProperty(ui_->ShellListView, QStringLiteral("ViewStyle"), "ViewStyle");
    fsPlayList->addProperty(ckAlowCalcLen, QStringLiteral("Checked"));
}

void TfmPlayList::createToolBarControls() {
    BitBtn1 = new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-ok")), tr("OK"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setToolTip(tr("Close and play the checked items"));
    BitBtn2 = new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-cancel")), tr("Cancel"));
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setToolTip(tr("Close; the main window goes on with what it plays"));
    for (QPushButton* button : {BitBtn1, BitBtn2}) {
        button->setAutoDefault(false);
        ui_->tbrOk->addWidget(button);
    }

    ckAlowCalcLen = new QCheckBox(tr("Length:"));
    ckAlowCalcLen->setObjectName(QStringLiteral("ckAlowCalcLen"));
    ckAlowCalcLen->setToolTip(tr("Work out the total length of the checked items"));
    laLen = new QLabel(zeroLengthText());
    laLen->setObjectName(QStringLiteral("laLen"));
    laLen->setToolTip(tr("Total length of the checked items; double-click to work it out again"));
    laLen->setMinimumWidth(laLen->fontMetrics().horizontalAdvance(QStringLiteral("00.00:00:00")));
    imTime = new QLabel;
    imTime->setObjectName(QStringLiteral("imTime"));
    imTime->setFixedSize(18, 18);
    imTime->setToolTip(laLen->toolTip());
    ui_->tbPlayLength->addWidget(ckAlowCalcLen);
    ui_->tbPlayLength->addWidget(laLen);
    ui_->tbPlayLength->addWidget(imTime);
}

void TfmPlayList::createDropTargets() {
    const std::pair<TExplorerDrop**, QWidget*> targets[] = {
        {&edrShellTreeView, ui_->ShellTreeView},
        {&edrShellListView, ui_->ShellListView},
        {&edrlbPlayList, ui_->lbPlayList},
    };
    const QString names[] = {QStringLiteral("edrShellTreeView"), QStringLiteral("edrShellListView"),
                             QStringLiteral("edrlbPlayList")};
    int i = 0;
    for (const auto& [target, control] : targets) {
        *target = new TExplorerDrop(this);
        (*target)->setObjectName(names[i++]);
        (*target)->setAllowFolders(false);
        (*target)->setDestinationControl(control);
        (*target)->OnDropped = [this](QObject* sender, const QStringList& files, int fileCount,
                                      int x, int y) {
            runReported([&] { edrShellTreeViewDropped(sender, files, fileCount, x, y); });
        };
    }
}

void TfmPlayList::connectHandlers() {
    const Ui::TfmPlayList& ui = *ui_;
    const auto reported = [this](void (TfmPlayList::*handler)()) {
        return [this, handler] { runReported([this, handler] { (this->*handler)(); }); };
    };
    connect(ui.buAdd, &QAction::triggered, this, reported(&TfmPlayList::buAddClick));
    connect(ui.buAddAll, &QAction::triggered, this, reported(&TfmPlayList::buAddAllClick));
    connect(ui.buUp, &QAction::triggered, this, reported(&TfmPlayList::buUpClick));
    connect(ui.buDown, &QAction::triggered, this, reported(&TfmPlayList::buDownClick));
    connect(ui.buDel, &QAction::triggered, this, reported(&TfmPlayList::buDelClick));
    connect(ui.buDellAll, &QAction::triggered, this, reported(&TfmPlayList::buDellAllClick));
    connect(ui.buOpenPL, &QAction::triggered, this, reported(&TfmPlayList::buOpenPLClick));
    connect(ui.buSavePL, &QAction::triggered, this, reported(&TfmPlayList::buSavePLClick));
    connect(ui.buCheckSel, &QAction::triggered, this, reported(&TfmPlayList::buCheckSelClick));
    connect(ui.buUnCheckSel, &QAction::triggered, this, reported(&TfmPlayList::buUnCheckSelClick));
    connect(ui.buInvertSelection, &QAction::triggered, this,
            reported(&TfmPlayList::buInvertSelectionClick));
    connect(ui.miViewStyle, &QAction::triggered, this, reported(&TfmPlayList::miViewStyleClick));
    connect(ui.agViewStyle, &QActionGroup::triggered, this,
            [this](QAction* entry) { runReported([this, entry] { ChangeViewStleClick(entry); }); });
    connect(ui.pmFolderHistory, &QMenu::aboutToShow, this, &TfmPlayList::FillFolderHistoryMenu);
    connect(BitBtn1, &QPushButton::clicked, this, reported(&TfmPlayList::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, reported(&TfmPlayList::BitBtn2Click));
    connect(ckAlowCalcLen, &QCheckBox::clicked, this, reported(&TfmPlayList::ckAlowCalcLenClick));
    connect(ui.lbPlayList, &TCheckListBox::ClickCheck, this,
            reported(&TfmPlayList::lbPlayListClickCheck));
    connect(ui.ShellTreeView, &TShellTreeView::pathChanged, ui.ShellListView,
            &TShellListView::setFolder);
    connect(ui.ShellListView, &TShellListView::ItemDoubleClicked, this,
            reported(&TfmPlayList::ShellListViewDblClick));
    connect(ui.ShellListView, &TShellListView::DragStarted, this,
            &TfmPlayList::ShellListViewStartDrag);

    // Mouse, drag and key events of controls that have no signal for them. Installed after the
    // drop targets, so that drags from the file list reach the playlist's handlers first.
    ui.lbPlayList->viewport()->installEventFilter(this);
    laLen->installEventFilter(this);
    imTime->installEventFilter(this);
    ui.ShellListView->listView()->installEventFilter(this);
    ui.ShellListView->detailsView()->installEventFilter(this);

    for (QToolBar* toolBar : ToolBars()) {
        toolBar->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(toolBar, &QWidget::customContextMenuRequested, this, [this, toolBar](QPoint point) {
            showDockMenu(*toolBar, toolBar->mapToGlobal(point));
        });
    }
}

bool TfmPlayList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->lbPlayList->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto& mouse = static_cast<QMouseEvent&>(*event);
            return lbPlayListMouseDown(mouse.button(), mouse.position().toPoint());
        }
        case QEvent::MouseMove:
            return lbPlayListMouseMove(static_cast<QMouseEvent&>(*event).position().toPoint());
        case QEvent::MouseButtonRelease: {
            const auto& mouse = static_cast<QMouseEvent&>(*event);
            bool handled = true;
            runReported(
                [&] { handled = lbPlayListMouseUp(mouse.button(), mouse.position().toPoint()); });
            return handled;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove:
            return lbPlayListDragOver(static_cast<QDragMoveEvent&>(*event));
        case QEvent::DragLeave:
            ui_->lbPlayList->setInsertionMark(-1);
            return false;
        case QEvent::Drop: {
            auto& drop = static_cast<QDropEvent&>(*event);
            ui_->lbPlayList->setInsertionMark(-1);
            if (!ui_->ShellListView->IsDragFromHere(drop.mimeData())) {
                return false;
            }
            drop.setDropAction(Qt::CopyAction);
            drop.accept();
            const QPoint point = drop.position().toPoint();
            runReported([&] { lbPlayListDragDrop(point.x(), point.y()); });
            return true;
        }
        default:
            return false;
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == laLen) {
            laLenDblClick();
            return true;
        }
        if (watched == imTime) {
            imTimeDblClick();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && (watched == ui_->ShellListView->listView() ||
                                              watched == ui_->ShellListView->detailsView())) {
        return ShellListViewKeyDown(static_cast<QKeyEvent&>(*event));
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Showing and closing ----

bool TfmPlayList::ShowModal() {
    RestoreSettings();
    FormActivate();
    return exec() == QDialog::Accepted;
}

void TfmPlayList::FormActivate() {
    const TViewStyle style = ui_->ShellListView->ViewStyle();
    const std::pair<TViewStyle, QAction*> entries[] = {
        {TViewStyle::vsIcon, ui_->miVsIcons},
        {TViewStyle::vsSmallIcon, ui_->miVsSmallIcons},
        {TViewStyle::vsList, ui_->miVsList},
        {TViewStyle::vsReport, ui_->miVsDetails},
    };
    for (const auto& [entryStyle, entry] : entries) {
        if (entryStyle == style) {
            entry->trigger();
            return;
        }
    }
}

void TfmPlayList::BitBtn1Click() {
    StopCalcLen();
    accept();
}

void TfmPlayList::BitBtn2Click() {
    StopCalcLen();
    reject();
}

void TfmPlayList::keyPressEvent(QKeyEvent* event) {
    // Escape presses Cancel, which also stops a calculation.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BitBtn2->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfmPlayList::done(int result) {
    // Whatever fails to be stored, the window closes; the failure is reported afterwards.
    std::exception_ptr failure;
    try {
        FormCloseQuery();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        SaveSettings();
    } catch (...) {
        if (!failure) {
            failure = std::current_exception();
        }
    }
    QDialog::done(result);
    if (failure) {
        runReported([&failure] { std::rethrow_exception(failure); });
    }
}

void TfmPlayList::runReported(const std::function<void()>& command) {
    if (!errorReport_) {
        command();
        return;
    }
    try {
        command();
    } catch (const std::exception& error) {
        errorReport_(QString::fromUtf8(error.what()));
    } catch (...) {
        errorReport_(tr("Unknown error."));
    }
}

void TfmPlayList::showEvent(QShowEvent* event) {
    laidOut_ = true;
    QDialog::showEvent(event);
}

void TfmPlayList::FormCloseQuery() {
    // A window never shown has not been laid out: its toolbars have no places to measure.
    const bool layoutStored = !laidOut_ || SaveEditorToolbarLayout(*this, registry_, toolbarsKey());
    const bool historyStored = MRUList_.store(registry_);
    if (!layoutStored || !historyStored) {
        throw std::runtime_error(
            QStringLiteral("Unable to store the folder history and the toolbars of the playlist "
                           "editor: %1")
                .arg(registry_.errorString())
                .toStdString());
    }
}

void TfmPlayList::RestoreSettings() {
    const bool wasAllowed = ckAlowCalcLen->isChecked();
    fsPlayList->restore();
    restoredSinceSave_ = true;
    // Turning the switch on counts as ticking it.
    if (ckAlowCalcLen->isChecked() && !wasAllowed) {
        ckAlowCalcLenClick();
    }
}

void TfmPlayList::SaveSettings() {
    restoredSinceSave_ = false;
    if (!fsPlayList->save()) {
        throw std::runtime_error(
            QStringLiteral("Unable to store the settings of the playlist editor: %1")
                .arg(fsPlayList->errorString())
                .toStdString());
    }
}

// ---- Length calculation ----

void TfmPlayList::StartCalcLen() {
    if (!ckAlowCalcLen->isChecked()) {
        return;
    }
    calcLen_->StartCalcLen();
}

void TfmPlayList::StopCalcLen() {
    calcLen_->StopCalcLen();
}

void TfmPlayList::setProbeSettingsSource(std::function<render::ProbeSettings()> source) {
    calcLen_->setProbeSettingsSource(std::move(source));
}

void TfmPlayList::ShowBusyIcon() {
    imTime->setPixmap(PlayListPic(piBusy).pixmap(imTime->size()));
}

void TfmPlayList::HideBusyIcon() {
    imTime->setPixmap(QPixmap());
}

void TfmPlayList::ShowLength(render::REFERENCE_TIME total) {
    // Whole milliseconds as a fraction of a day; 64 bits, so long lists do not wrap around.
    const double milliseconds = static_cast<double>(total / 10000);
    laLen->setText(render::DurationText(milliseconds / 86400000.0));
}

void TfmPlayList::ResetLength() {
    HideBusyIcon();
    laLen->setText(zeroLengthText());
}

void TfmPlayList::laLenDblClick() {
    StartCalcLen();
}

void TfmPlayList::imTimeDblClick() {
    StartCalcLen();
}

void TfmPlayList::ckAlowCalcLenClick() {
    if (ckAlowCalcLen->isChecked() && laLen->text() == zeroLengthText()) {
        StartCalcLen();
    }
}

// ---- Adding ----

void TfmPlayList::CollectShellSelection() {
    shShellListViewFileList = ui_->ShellListView->SelectedPaths();
}

void TfmPlayList::edrShellTreeViewDropped(QObject* Sender, const QStringList& Files, int FileCount,
                                          int x, int y) {
    if (FileCount <= 0) {
        return;
    }
    StopCalcLen();
    {
        RepaintSuspended suspended(*ui_->lbPlayList);
        const int oldCount = masterList_.count();
        const bool atDropPoint = Sender != nullptr && Sender == edrlbPlayList;
        const int insertAt = atDropPoint ? InsertIndexAt(x, y) : oldCount;
        AddFiles(Files.mid(0, FileCount), masterList_);
        for (int i = 0; i < masterList_.count(); ++i) {
            masterList_.setSelected(i, i >= oldCount);
        }
        if (atDropPoint) {
            const int added = masterList_.count() - oldCount;
            for (int i = 0; i < added; ++i) {
                masterList_.move(masterList_.count() - 1, insertAt);
            }
        }
    }
    StartCalcLen();
}

void TfmPlayList::buAddClick() {
    if (ui_->ShellListView->SelectedCount() == 0) {
        return;
    }
    StopCalcLen();
    CollectShellSelection();
    edrShellTreeViewDropped(nullptr, shShellListViewFileList,
                            static_cast<int>(shShellListViewFileList.size()), 0, 0);
    MRUList_.add(ui_->ShellTreeView->Path());
}

void TfmPlayList::buAddAllClick() {
    ui_->ShellListView->SelectAll();
    buAddClick();
}

void TfmPlayList::ShellListViewDblClick() {
    if (ui_->ShellListView->FirstSelectedIsFolder()) {
        ui_->ShellTreeView->setPath(ui_->ShellListView->SelectedPaths().value(0));
        return;
    }
    buAddClick();
}

bool TfmPlayList::ShellListViewKeyDown(const QKeyEvent& event) {
    if (event.key() == Qt::Key_A && event.modifiers() == Qt::ControlModifier) {
        ui_->ShellListView->SelectAll();
        return true;
    }
    return false;
}

void TfmPlayList::ShellListViewStartDrag() {
    ui_->lbPlayList->setFocus();
}

bool TfmPlayList::lbPlayListDragOver(QDragMoveEvent& event) {
    if (!ui_->ShellListView->IsDragFromHere(event.mimeData())) {
        return false;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    const QPoint point = event.position().toPoint();
    ui_->lbPlayList->setInsertionMark(InsertIndexAt(point.x(), point.y()));
    return true;
}

void TfmPlayList::lbPlayListDragDrop(int X, int Y) {
    CollectShellSelection();
    edrShellTreeViewDropped(edrlbPlayList, shShellListViewFileList,
                            static_cast<int>(shShellListViewFileList.size()), X, Y);
}

int TfmPlayList::InsertIndexAt(int x, int y) const {
    const TCheckListBox& view = *ui_->lbPlayList;
    const QPoint point(x, y + view.ItemHeight() / 2);
    if (!view.viewport()->rect().contains(point)) {
        return masterList_.count();
    }
    const QModelIndex index = view.indexAt(point);
    return index.isValid() ? index.row() : masterList_.count();
}

// ---- Ordering, checking, deleting ----

bool TfmPlayList::lbPlayListMouseDown(Qt::MouseButton button, QPoint point) {
    if (button != Qt::RightButton) {
        return false;
    }
    // A right click never changes the selection; with items selected it starts a reordering.
    if (masterList_.selectedCount() > 0) {
        reordering_ = true;
        ui_->lbPlayList->viewport()->setCursor(Qt::DragMoveCursor);
        insertIndex_ = InsertIndexAt(point.x(), point.y());
        ui_->lbPlayList->setInsertionMark(insertIndex_);
    }
    return true;
}

bool TfmPlayList::lbPlayListMouseMove(QPoint point) {
    if (!reordering_) {
        return false;
    }
    insertIndex_ = InsertIndexAt(point.x(), point.y());
    ui_->lbPlayList->setInsertionMark(insertIndex_);
    return true;
}

bool TfmPlayList::lbPlayListMouseUp(Qt::MouseButton button, QPoint point) {
    if (button != Qt::RightButton) {
        return false;
    }
    if (!reordering_) {
        return true;
    }
    TCheckListBox& view = *ui_->lbPlayList;
    view.setInsertionMark(-1);
    view.viewport()->unsetCursor();
    int target = InsertIndexAt(point.x(), point.y());
    StopCalcLen();
    {
        const auto clearFlag = qScopeGuard([this] { reordering_ = false; });
        RepaintSuspended suspended(view);
        for (int i = 0; i < std::min(target, masterList_.count()); ++i) {
            target -= masterList_.selected(i) ? 1 : 0;
        }
        // Take the selected items out, in order, with their check marks and records...
        struct Moved {
            QString text;
            bool checked;
            std::unique_ptr<render::TFileInfo> fileInfo;
        };
        std::vector<Moved> moved;
        for (int i = 0; i < masterList_.count(); ++i) {
            if (masterList_.selected(i)) {
                moved.push_back(
                    {masterList_.text(i), masterList_.checked(i), masterList_.takeFileInfo(i)});
            }
        }
        FreeListItems(masterList_, true, false);
        // ...and put them back at the target, selected.
        for (std::size_t k = 0; k < moved.size(); ++k) {
            const int index = target + static_cast<int>(k);
            masterList_.insert(index, moved[k].text, moved[k].checked);
            masterList_.setFileInfo(index, std::move(moved[k].fileInfo));
            masterList_.setSelected(index, true);
        }
    }
    StartCalcLen();
    return true;
}

void TfmPlayList::buUpClick() {
    StopCalcLen();
    for (int i = 1; i < masterList_.count(); ++i) {
        if (masterList_.selected(i) && !masterList_.selected(i - 1)) {
            masterList_.move(i, i - 1);
        }
    }
    StartCalcLen();
}

void TfmPlayList::buDownClick() {
    StopCalcLen();
    for (int i = masterList_.count() - 2; i >= 0; --i) {
        if (masterList_.selected(i) && !masterList_.selected(i + 1)) {
            masterList_.move(i, i + 1);
        }
    }
    StartCalcLen();
}

void TfmPlayList::buDelClick() {
    StopCalcLen();
    TCheckListBox& view = *ui_->lbPlayList;
    // The focused item keeps its place in the list, so repeated deletes walk down the list.
    const int focused = view.ItemIndex();
    int deletedAbove = 0;
    for (int i = 0; i < focused && i < masterList_.count(); ++i) {
        deletedAbove += masterList_.selected(i) ? 1 : 0;
    }
    FreeListItems(masterList_, true, false);
    if (focused >= 0 && !masterList_.isEmpty()) {
        const int row = std::min(focused - deletedAbove, masterList_.count() - 1);
        masterList_.setSelected(row, true);
        view.setItemIndex(row);
    }
    StartCalcLen();
}

void TfmPlayList::buDellAllClick() {
    StopCalcLen();
    FreeListItems(masterList_, false, false);
    StartCalcLen();
}

void TfmPlayList::buCheckSelClick() {
    {
        RepaintSuspended suspended(*ui_->lbPlayList);
        for (int i = 0; i < masterList_.count(); ++i) {
            if (masterList_.selected(i)) {
                masterList_.setChecked(i, true);
            }
        }
    }
    StartCalcLen();
}

void TfmPlayList::buUnCheckSelClick() {
    {
        RepaintSuspended suspended(*ui_->lbPlayList);
        for (int i = 0; i < masterList_.count(); ++i) {
            if (masterList_.selected(i)) {
                masterList_.setChecked(i, false);
            }
        }
    }
    StartCalcLen();
}

void TfmPlayList::buInvertSelectionClick() {
    RepaintSuspended suspended(*ui_->lbPlayList);
    for (int i = 0; i < masterList_.count(); ++i) {
        masterList_.setSelected(i, !masterList_.selected(i));
    }
}

void TfmPlayList::lbPlayListClickCheck() {
    StartCalcLen();
}

// ---- Playlist files ----

void TfmPlayList::buOpenPLClick() {
    if (OD->exec() != QDialog::Accepted || OD->selectedFiles().isEmpty()) {
        return;
    }
    QString fileName = OD->selectedFiles().constFirst();
    if (!QFileInfo::exists(fileName) && QFileInfo::exists(WithPlayListExtension(fileName))) {
        fileName = WithPlayListExtension(fileName);
    }
    StopCalcLen();
    FreeListItems(masterList_, false, false);
    LoadPlayList(fileName, masterList_);
    MRUList_.add(QFileInfo(fileName).absolutePath());
    StartCalcLen();
}

void TfmPlayList::buSavePLClick() {
    if (SD->exec() != QDialog::Accepted || SD->selectedFiles().isEmpty()) {
        return;
    }
    const QString fileName = WithPlayListExtension(SD->selectedFiles().constFirst());
    SavePlayList(fileName);
    MRUList_.add(QFileInfo(fileName).absolutePath());
}

void TfmPlayList::SavePlayList(const QString& fileName) const {
    playlist::SavePlayList(fileName, masterList_);
}

// ---- Browser ----

void TfmPlayList::FillFolderHistoryMenu() {
    QMenu& menu = *ui_->pmFolderHistory;
    menu.clear();
    const QStringList& folders = MRUList_.entries();
    if (folders.isEmpty()) {
        menu.addAction(tr("No folders yet"))->setEnabled(false);
        return;
    }
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString folder = folders[i];
        QString text = folder;
        text.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* entry = menu.addAction(QLatin1Char('&') + historyAccelerator(static_cast<int>(i)) +
                                        QLatin1Char(' ') + text);
        connect(entry, &QAction::triggered, this, [this, folder] { MRUListClick(folder); });
    }
}

void TfmPlayList::MRUListClick(const QString& folder) {
    ui_->ShellTreeView->setPath(folder);
}

QList<QAction*> TfmPlayList::viewStyleEntries() const {
    return {ui_->miVsIcons, ui_->miVsList, ui_->miVsDetails, ui_->miVsSmallIcons};
}

void TfmPlayList::ChangeViewStleClick(QAction* entry) {
    switch (entry->property("Tag").toInt()) {
    case 1:
        ui_->ShellListView->setViewStyle(TViewStyle::vsIcon);
        break;
    case 2:
        ui_->ShellListView->setViewStyle(TViewStyle::vsList);
        break;
    case 3:
        ui_->ShellListView->setViewStyle(TViewStyle::vsReport);
        break;
    case 4:
        ui_->ShellListView->setViewStyle(TViewStyle::vsSmallIcon);
        break;
    default:
        return;
    }
    entry->setChecked(true);
}

void TfmPlayList::miViewStyleClick() {
    const QList<QAction*> entries = viewStyleEntries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i]->isChecked()) {
            entries[(i + 1) % entries.size()]->trigger();
            return;
        }
    }
}

// ---- Docks ----

const QStringList& TfmPlayList::DockNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const DockPlace& dock : kDocks) {
            list.append(QString::fromLatin1(dock.name));
        }
        return list;
    }();
    return names;
}

QMainWindow* TfmPlayList::DockWindow(const QString& dock) const {
    const DockPlace* place = findDock(dock);
    if (place == nullptr) {
        return nullptr;
    }
    return place->inPlayListPanel ? ui_->paPlayList : ui_->paFrame;
}

Qt::ToolBarArea TfmPlayList::DockArea(const QString& dock) {
    const DockPlace* place = findDock(dock);
    return place != nullptr ? place->area : Qt::NoToolBarArea;
}

QString TfmPlayList::DockOf(const QToolBar& toolBar) const {
    if (!ToolBars().contains(const_cast<QToolBar*>(&toolBar))) {
        return QString();
    }
    if (toolBar.isFloating()) {
        return QStringLiteral("+");
    }
    const bool inPanel = toolBar.parentWidget() == ui_->paPlayList;
    const QMainWindow& window = inPanel ? *ui_->paPlayList : *ui_->paFrame;
    const Qt::ToolBarArea area = window.toolBarArea(&toolBar);
    for (const DockPlace& dock : kDocks) {
        if (dock.inPlayListPanel == inPanel && dock.area == area) {
            return QString::fromLatin1(dock.name);
        }
    }
    return QString();
}

bool TfmPlayList::DockToolBar(QToolBar& toolBar, const QString& dock) {
    QMainWindow* window = DockWindow(dock);
    if (window == nullptr) {
        return false;
    }
    if (auto* previous = qobject_cast<QMainWindow*>(toolBar.parentWidget());
        previous != nullptr && previous != window) {
        previous->removeToolBar(&toolBar);
    }
    allowDocksOf(toolBar, *window);
    window->addToolBar(DockArea(dock), &toolBar);
    toolBar.show();
    return true;
}

void TfmPlayList::allowDocksOf(QToolBar& toolBar, const QMainWindow& window) {
    // Each part of the window offers only its own docks to a dragged toolbar.
    Qt::ToolBarAreas areas;
    for (const DockPlace& dock : kDocks) {
        if (DockWindow(QString::fromLatin1(dock.name)) == &window) {
            areas |= dock.area;
        }
    }
    toolBar.setAllowedAreas(areas);
}

QList<QToolBar*> TfmPlayList::ToolBars() const {
    return {ui_->tbrFolderHistory, ui_->tbrAdd,      ui_->tbrAddAll,
            ui_->tbrViewStyle,     ui_->tbrUpDown,   ui_->tbrDel,
            ui_->tbrDelAll,        ui_->tbrPlayList, ui_->tbrOk,
            ui_->tbCheckSel,       ui_->TBToolbar1,  ui_->tbPlayLength};
}

void TfmPlayList::showDockMenu(QToolBar& toolBar, QPoint globalPos) {
    QMenu menu(this);
    const QString current = DockOf(toolBar);
    for (const DockPlace& dock : kDocks) {
        const QString name = QString::fromLatin1(dock.name);
        QAction* entry = menu.addAction(tr("Dock %1").arg(tr(dock.caption)));
        entry->setCheckable(true);
        entry->setChecked(name == current);
        connect(entry, &QAction::triggered, this,
                [this, &toolBar, name] { DockToolBar(toolBar, name); });
    }
    menu.exec(globalPos);
}

} // namespace playlist

#include "app/tfm_main.h"

#include "app/main_window_images.h"
#include "app/quintape_application.h"
#include "playlist/explorer_drop.h"
#include "playlist/main_play_list.h"
#include "ui_tfm_main.h"

#include <QActionGroup>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPainter>

#include <array>

namespace app {

namespace {

// The open dialog's filters; the third is preselected.
const QStringList kOpenDialogFilters{
    QStringLiteral("all files (*)"), QStringLiteral("play lists (*.plst)"),
    QStringLiteral("media (*.avi *.mpg *.mpeg *.bmp *.jpg *.plst *.dv *.mp4 *.m4v *.mkv *.mov "
                   "*.webm *.wmv *.vob *.ts *.mts *.jpeg *.png *.gif *.tif *.tiff *.wav *.mp3 "
                   "*.ogg *.flac *.m4a)")};

constexpr int kPlayListIconColumnWidth_px = 20;
constexpr int kPlayListLengthColumnWidth_px = 50;
constexpr int kPlayListFileColumnWidth_px = 460;
constexpr int kPlayListRowHeight_px = 14;
// Status bar panels: six position texts, the connection indicator and an empty one.
const QList<int> kStatusPanelWidths{75, 75, 75, 75, 75, 75, 40, 40};
constexpr int kConnectionPanel = 6;
constexpr int kEmptyOwnerDrawnPanel = 7;

// Runs a handler. What it raises is reported the way the application reports a failed
// handler, here at the handler's edge, so that it never unwinds through the toolkit's own
// event delivery (which is not built to be unwound and would leave its state half-changed).
template <typename Body> void runReported(Body&& body) noexcept {
    try {
        body();
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error."));
    }
}

} // namespace

TfmMain::TfmMain(TMainWindowServices services, QWidget* parent)
    : QMainWindow(parent),
      MSDVVideoEncoder(QStringLiteral("MSDVVideoEncoder"), nullptr, services.filters),
      MainConceptDVVideoEncoder(QStringLiteral("MainConceptDVVideoEncoder"), nullptr,
                                services.filters),
      services_(std::move(services)), ui(std::make_unique<Ui::TfmMain>()) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("fmMain"));
    fgMain.setObjectName(QStringLiteral("fgMain"));
    fgVOut.setObjectName(QStringLiteral("fgVOut"));
    // Published for graph inspection tools while a graph exists.
    fgMain.setGraphEdit(true);
    MSDVVideoEncoder.BaseFilter().LoadStoredData(
        graph::StoredFilterReference(graph::MSDVVideoEncoderDisplayName()));
    MainConceptDVVideoEncoder.BaseFilter().LoadStoredData(
        graph::StoredFilterReference(graph::MainConceptDVVideoEncoderDisplayName()));

    ExplorerDrop1 = new playlist::TExplorerDrop(this);
    ExplorerDrop1->setObjectName(QStringLiteral("ExplorerDrop1"));
    ExplorerDrop1->setAllowFolders(false);
    ExplorerDrop1->setDestinationControl(ui->sgPlayList);

    SetUpControls();
    ConnectHandlers();
}

TfmMain::~TfmMain() {
    // A window that goes without a close still keeps its settings.
    if (!settingsSaved_) {
        SaveSettings(true);
    }
    // The encoders leave the graph before the graphs go.
    MSDVVideoEncoder.setFilterGraph(nullptr);
    MainConceptDVVideoEncoder.setFilterGraph(nullptr);
    fgMain.setActive(false);
    fgVOut.setActive(false);
}

void TfmMain::SetUpControls() {
    setWindowIcon(GlyphIcon(TGlyph::Application));
    ilVideoList_ = VideoListIcons();
    ilConError_ = ConnectionErrorImage();

    // Pages that exist but are never shown.
    for (QWidget* page : {ui->tsLog, ui->TabSheet1, ui->TabSheet3}) {
        ui->PageControl1->setTabVisible(ui->PageControl1->indexOf(page), false);
    }
    ui->PageControl1->setCurrentWidget(ui->tsFile);
    // Without a chosen options page none is shown; the selector keeps its place.
    QSizePolicy pagesPolicy = ui->pcOptions->sizePolicy();
    pagesPolicy.setRetainSizeWhenHidden(true);
    ui->pcOptions->setSizePolicy(pagesPolicy);
    ShowOptionsPage();

    // The playlist grid.
    auto& grid = *ui->sgPlayList;
    grid.horizontalHeader()->setMinimumSectionSize(kPlayListIconColumnWidth_px);
    grid.setColumnWidth(0, kPlayListIconColumnWidth_px);
    grid.setColumnWidth(1,
                        qMax(kPlayListLengthColumnWidth_px,
                             grid.fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 8));
    grid.setColumnWidth(2, kPlayListFileColumnWidth_px);
    grid.setIconSize(QSize(kVideoListIconWidth_px, kVideoListIconHeight_px));
    grid.verticalHeader()->setMinimumSectionSize(kPlayListRowHeight_px);
    grid.verticalHeader()->setDefaultSectionSize(
        qMax(kPlayListRowHeight_px, grid.fontMetrics().height() + 2));
    ui->lbPlayList->setModel(&mainList_);
    ClearPlayListGrid();

    // The Help page's legend of the playlist icons.
    const std::array<QLabel*, playlist::kKindIconCount> legendImages{
        ui->imLegend0, ui->imLegend1, ui->imLegend2, ui->imLegend3, ui->imLegend4};
    const std::array<QLabel*, playlist::kKindIconCount> legendTexts{
        ui->laLegend0, ui->laLegend1, ui->laLegend2, ui->laLegend3, ui->laLegend4};
    for (int i = 0; i < playlist::kKindIconCount; ++i) {
        legendImages[static_cast<std::size_t>(i)]->setPixmap(
            ilVideoList_[static_cast<std::size_t>(i)]);
        legendTexts[static_cast<std::size_t>(i)]->setText(playlist::KindIconLegend(i));
    }
    QPalette helpPalette = ui->meHelp->palette();
    helpPalette.setColor(QPalette::Base, helpPalette.color(QPalette::Button));
    ui->meHelp->setPalette(helpPalette);

    // The About page.
    QFont productFont = ui->laProductName->font();
    productFont.setBold(true);
    productFont.setPointSizeF(productFont.pointSizeF() * 1.5);
    ui->laProductName->setFont(productFont);
    QFont webFont = ui->laWeb->font();
    webFont.setUnderline(true);
    ui->laWeb->setFont(webFont);
    QPalette webPalette = ui->laWeb->palette();
    webPalette.setColor(QPalette::WindowText, webPalette.color(QPalette::Link));
    ui->laWeb->setPalette(webPalette);

    // Toolbar glyphs, and the same pictures beside the shortcut fields.
    const std::array<std::pair<QAction*, TGlyph>, 7> glyphs{{{ui->buPrev, TGlyph::Previous},
                                                             {ui->buPlayNoSh, TGlyph::Play},
                                                             {ui->buPause, TGlyph::Pause},
                                                             {ui->buStop, TGlyph::Stop},
                                                             {ui->buNext, TGlyph::Next},
                                                             {ui->buScOpenFile, TGlyph::Open},
                                                             {ui->buScOpenList, TGlyph::List}}};
    const std::array<QLabel*, 7> shortCutImages{ui->imScPrev,  ui->imScNext, ui->imScPlay,
                                                ui->imScPause, ui->imScStop, ui->imScOpen,
                                                ui->imScList};
    const std::array<TGlyph, 7> shortCutGlyphs{TGlyph::Previous, TGlyph::Next, TGlyph::Play,
                                               TGlyph::Pause,    TGlyph::Stop, TGlyph::Open,
                                               TGlyph::List};
    for (const auto& [action, glyph] : glyphs) {
        action->setIcon(GlyphIcon(glyph));
    }
    ui->buPlay->setIcon(GlyphIcon(TGlyph::Play));
    for (std::size_t i = 0; i < shortCutImages.size(); ++i) {
        shortCutImages[i]->setPixmap(GlyphIcon(shortCutGlyphs[i]).pixmap(16, 16));
    }
    ui->buOpenFile->setIcon(GlyphIcon(TGlyph::Open));
    ui->buOpenList->setIcon(GlyphIcon(TGlyph::List));
    ui->buProperties->setIcon(GlyphIcon(TGlyph::Properties));

    // The bars dock at the top or the bottom; the toolbar carries the transport and cannot be
    // closed.
    for (QToolBar* bar : {ui->tbrControls, ui->tbrTrackBarCurr1, ui->tbrTrackBarAll1}) {
        bar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    }
    ui->tbrControls->toggleViewAction()->setEnabled(false);
    ui->tbrControls->setIconSize(QSize(16, 16));

    // The status bar.
    ui->StatusBar->setPanelWidths(kStatusPanelWidths);
    ui->StatusBar->setPanelOwnerDrawn(kConnectionPanel, true);
    ui->StatusBar->setPanelOwnerDrawn(kEmptyOwnerDrawnPanel, true);

    // The open dialog keeps its folder and filter from one use to the next.
    OD = new QFileDialog(this, QString());
    OD->setObjectName(QStringLiteral("OD"));
    OD->setFileMode(QFileDialog::ExistingFiles);
    OD->setAcceptMode(QFileDialog::AcceptOpen);
    OD->setNameFilters(kOpenDialogFilters);
    OD->selectNameFilter(kOpenDialogFilters.at(2));
    OD->setSizeGripEnabled(true);

    // Events that have no signal: the shown option pages and the web link.
    ui->tsAdvOptions->installEventFilter(this);
    ui->TabSheet2->installEventFilter(this);
    ui->laWeb->installEventFilter(this);
}

void TfmMain::ConnectHandlers() {
    // Every handler runs through runReported: a failure shows the error report and the window
    // goes on.
    const auto reported = [this](void (TfmMain::*handler)()) {
        return [this, handler] { runReported([&] { (this->*handler)(); }); };
    };

    // File page and playlist.
    connect(ui->buOpenFile, &QPushButton::clicked, this, reported(&TfmMain::buOpenFileClick));
    connect(ui->buScOpenFile, &QAction::triggered, this, reported(&TfmMain::buOpenFileClick));
    connect(ui->buOpenList, &QPushButton::clicked, this, reported(&TfmMain::buOpenListClick));
    connect(ui->buScOpenList, &QAction::triggered, this, reported(&TfmMain::buOpenListClick));
    connect(ui->sgPlayList, &QTableWidget::cellDoubleClicked, this,
            reported(&TfmMain::sgPlayListDblClick));
    ExplorerDrop1->OnDropped = [this](QObject* sender, const QStringList& files, int fileCount,
                                      int x, int y) {
        runReported([&] { ExplorerDrop1Dropped(sender, files, fileCount, x, y); });
    };
    connect(ui->cbOnEnd, &QComboBox::activated, this, reported(&TfmMain::cbOnEndChange));

    // Transport toolbar.
    connect(ui->buPrev, &QAction::triggered, this, reported(&TfmMain::buPrevClick));
    connect(ui->buPlayNoSh, &QAction::triggered, this, reported(&TfmMain::buPlayNoShClick));
    connect(ui->buPause, &QAction::triggered, this, reported(&TfmMain::buPauseClick));
    connect(ui->buStop, &QAction::triggered, this, reported(&TfmMain::buStopClick));
    connect(ui->buNext, &QAction::triggered, this, reported(&TfmMain::buNextClick));
    connect(ui->buPlay, &QAction::triggered, this, reported(&TfmMain::buPlayClick));
    for (QAction* priority : {ui->buPrRealTime, ui->buPrHigh, ui->buPrNormal, ui->buPrIdle}) {
        connect(priority, &QAction::triggered, this, reported(&TfmMain::buPrRealTimeClick));
    }

    // Options pages.
    connect(ui->lbOptions, &QListWidget::currentRowChanged, this,
            reported(&TfmMain::lbOptionsClick));
    for (QPushButton* apply : {ui->Button1, ui->Button2, ui->Button3, ui->Button4, ui->Button7}) {
        connect(apply, &QPushButton::clicked, this, reported(&TfmMain::Button3Click));
    }
    connect(ui->SpeedButton2, &QPushButton::clicked, this, reported(&TfmMain::SpeedButton2Click));
    connect(ui->cbVideoOut, &QComboBox::activated, this, reported(&TfmMain::cbVideoOutChange));
    connect(ui->cbAudioOut, &QComboBox::activated, this, reported(&TfmMain::cbAudioOutChange));
    connect(ui->rgStretchMode, &widgets::TRadioGroup::itemIndexChanged, this,
            reported(&TfmMain::rgStretchModeClick));
    connect(ui->rgRecompressMode, &widgets::TRadioGroup::itemIndexChanged, this,
            reported(&TfmMain::rgRecompressModeClick));
    connect(ui->tbTrackBarUpdateInterval, &QSlider::valueChanged, this,
            reported(&TfmMain::tbTrackBarUpdateIntervalChange));
    connect(ui->cbPriority, &QComboBox::activated, this, reported(&TfmMain::cbPriorityChange));
    connect(ui->tbVolume, &QSlider::valueChanged, this, reported(&TfmMain::tbVolumeChange));
    // tsAdvOptionsShow and TabSheet2Show: eventFilter, when their pages are shown.

    // Filters page.
    connect(ui->buProperties, &QPushButton::clicked, this, reported(&TfmMain::buPropertiesClick));
    connect(ui->lbUsedFilters, &QListWidget::itemDoubleClicked, this,
            reported(&TfmMain::lbUsedFiltersDblClick));

    // ShortCuts page.
    connect(ui->buScLoadSaved, &QPushButton::clicked, this, reported(&TfmMain::buScLoadSavedClick));
    connect(ui->buScApplyChanges, &QPushButton::clicked, this,
            reported(&TfmMain::buScApplyChangesClick));

    // About page: laWebClick through eventFilter.

    // Graph notifications.
    fgMain.OnGraphComplete = [this](graph::TFilterGraph* sender, platform::HRESULT result,
                                    const std::shared_ptr<platform::IBaseFilter>& renderer) {
        runReported([&] { fgMainGraphComplete(sender, result, renderer); });
    };
    fgMain.OnGraphPaused = [this](graph::TFilterGraph* sender, platform::HRESULT result) {
        runReported([&] { fgMainGraphPaused(sender, result); });
    };
    fgMain.OnGraphChanged = [this](graph::TFilterGraph* sender) {
        runReported([&] { fgMainGraphChanged(sender); });
    };
    fgVOut.OnGraphDeviceLost = [this](graph::TFilterGraph* sender,
                                      const std::shared_ptr<platform::IBaseFilter>& device,
                                      bool removed) {
        runReported([&] { fgVOutGraphDeviceLost(sender, device, removed); });
    };

    // Status bar.
    ui->StatusBar->OnDrawPanel = [this](widgets::TStatusBar* sender, int panel, QPainter& painter,
                                        const QRect& rect) {
        runReported([&] { StatusBarDrawPanel(sender, panel, painter, rect); });
    };

    // Settings, options and shortcuts: the stored properties, the toolbar layout, the command
    // keys, and edScPrevEnter/Exit/KeyDown/KeyUp for the eleven shortcut fields.
    ConnectSettingsAndShortcuts();

    // Transport and position: the all-files trackbar follows fgMain and seeks the engine's pins
    // until a build says otherwise.
    auto& trackBar = *ui->DVTrackBar;
    trackBar.setFilterGraph(&fgMain);
    trackBar.setMode(transport::tbmDV);
    trackBar.OnTimer = [this](transport::TDVTrackBar* sender, std::uint32_t current,
                              std::uint32_t stop) {
        runReported([&] { DVTrackBarTimer(sender, current, stop); });
    };
    trackBar.OnChanging = [this](transport::TDVTrackBar* sender, std::uint32_t current,
                                 std::uint32_t stop) {
        runReported([&] { DVTrackBarChanging(sender, current, stop); });
    };
    trackBar.OnEndOfChange = [this](transport::TDVTrackBar* sender) {
        runReported([&] { DVTrackBarEndOfChange(sender); });
    };
    trackBar.OnDVShiftSeekToPosition = [this](transport::TDVTrackBar* sender,
                                              graph::TGraphState state) {
        runReported([&] { DVTrackBarDVShiftSeekToPosition(sender, state); });
    };
    ui->tbCurFile->OnChange = [this](transport::TTrackBarEx* sender) {
        runReported([&] { tbCurFileChange(sender); });
    };
    ui->tbCurFile->OnEndOfChange = [this](transport::TTrackBarEx* sender) {
        runReported([&] { tbCurFileEndOfChange(sender); });
    };
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (watched == ui->tsAdvOptions) {
            runReported([this] { tsAdvOptionsShow(); });
        } else if (watched == ui->TabSheet2) {
            runReported([this] { TabSheet2Show(); });
        }
    } else if (watched == ui->laWeb) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            ui->laWeb->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            runReported([this] { laWebClick(); });
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                runReported([this] { laWebClick(); });
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

TControlSettings TfmMain::SettingsFromControls() const {
    TControlSettings settings;
    auto& build = settings.build;
    build.ntsc = ui->rbNTSC->isChecked();
    build.processMode = ui->rgProcessMode->itemIndex();
    build.audioOutIndex = ui->cbAudioOut->currentIndex();
    build.videoOutIndex = ui->cbVideoOut->currentIndex();
    build.dvEncoderIndex = ui->cbDVEncoder->currentIndex();
    build.recompressMode = ui->rgRecompressMode->itemIndex();
    build.filesLoadMode = ui->rgFilesLoadMode->itemIndex();
    build.audioRateIndex = ui->cbAudioRate->currentIndex();
    build.audioChannelsIndex = ui->cbAudioChannels->currentIndex();
    build.audioShift_ms = ui->udAudShift->value();
    build.pictureTime_s = ui->udPicTime->value();
    build.stretchMode = ui->rgStretchMode->itemIndex();
    build.transitionsEnabled = ui->cbTransEnable->isChecked();
    build.transitionTime_s = ui->udTransTime->value();
    build.transitionSoftness = ui->udTransSoft->value();
    for (std::size_t i = 0; i < build.transitionTypesChecked.size(); ++i) {
        const QListWidgetItem* group = ui->lbTransType->item(static_cast<int>(i));
        build.transitionTypesChecked[i] = group != nullptr && group->checkState() == Qt::Checked;
    }
    settings.probe.pictureTime_s = build.pictureTime_s;
    settings.probe.noSequence = ui->cbNoSequence->isChecked();
    settings.probe.stretchMode = build.stretchMode;
    return settings;
}

int TfmMain::MainListItemIndex() const {
    const QModelIndex current = ui->lbPlayList->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString TfmMain::DockName(Qt::ToolBarArea area) {
    switch (area) {
    case Qt::TopToolBarArea:
        return QStringLiteral("DockTop");
    case Qt::BottomToolBarArea:
        return QStringLiteral("DockBottom");
    default:
        return {};
    }
}

Qt::ToolBarArea TfmMain::DockArea(const QString& name) {
    if (name == DockName(Qt::TopToolBarArea)) {
        return Qt::TopToolBarArea;
    }
    if (name == DockName(Qt::BottomToolBarArea)) {
        return Qt::BottomToolBarArea;
    }
    return Qt::NoToolBarArea;
}

} // namespace app

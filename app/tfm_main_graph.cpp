// The main graph: build, tear-down, the start after an open, and what the build reports.

#include "app/tfm_main.h"
#include "ui_tfm_main.h"

#include <QMessageBox>
#include <QPainter>

namespace app {

namespace {

constexpr int kConnectionPanel = 6;
constexpr int kConnectionImageLeft_px = 2;
constexpr int kConnectionImageTop_px = 1;

// The "On Open" choices.
enum TOnOpen { ooPlay = 0, ooPause = 1, ooStop = 2 };

} // namespace

void TfmMain::BuildGraph() {
    const TControlSettings settings = SettingsFromControls();
    std::vector<render::TFileInfo> playList;
    playList.reserve(static_cast<std::size_t>(mainList_.count()));
    for (int i = 0; i < mainList_.count(); ++i) {
        playList.push_back(*mainList_.fileInfo(i));
    }
    render::TGraphBuildHooks hooks;
    hooks.frontEnd.stepBuildProgress = [this](int steps) { StepBuildProgress(steps); };
    hooks.frontEnd.showError = [this](const QString& text) {
        QMessageBox::critical(this, windowTitle(), text);
    };
    hooks.outputChain.setConnectionError = [this](platform::HRESULT result) {
        SetConnectionError(result);
    };
    hooks.outputChain.applyTrackBarInterval = [this] { ApplyTrackBarInterval(); };
    hooks.outputChain.fillUsedFilters = [this] { FillUsedFilters(); };
    hooks.hideBuildProgress = [this] { HideBuildProgress(); };
    const render::TDvEncoders encoders{&MSDVVideoEncoder, &MainConceptDVVideoEncoder};
    render::BuildGraph(playList, settings.build, renderState_, devices_, encoders, fgMain, random_,
                       hooks, buildState_);
}

void TfmMain::TearDownGraph() {
    fgMain.Stop();
    fgMain.ClearFilters();
    MainConceptDVVideoEncoder.setFilterGraph(nullptr);
    MSDVVideoEncoder.setFilterGraph(nullptr);
    fgMain.setActive(false);
}

void TfmMain::StartAfterOpen() {
    BuildGraph();
    SelectCurrentItem(0);
    renderState_.RenderRangeStart = 0;
    PerformOnOpen();
}

void TfmMain::PerformOnOpen() {
    switch (ui->cbOnOpen->currentIndex()) {
    case ooPlay:
        fgMain.Play();
        ui->buPlayNoSh->setChecked(true);
        break;
    case ooPause:
        fgMain.Pause();
        ui->buPause->setChecked(true);
        break;
    case ooStop:
        fgMain.Stop();
        ui->buStop->setChecked(true);
        break;
    default:
        break;
    }
}

void TfmMain::ApplyStretchMode() {
    render::ApplyStretchMode(fgMain, ui->rgStretchMode->itemIndex());
}

void TfmMain::SetConnectionError(platform::HRESULT result) {
    connectionError_ = platform::FAILED(result);
    ui->StatusBar->update();
}

void TfmMain::StatusBarDrawPanel(widgets::TStatusBar* /*sender*/, int panel, QPainter& painter,
                                 const QRect& rect) {
    if (panel == kConnectionPanel && connectionError_) {
        painter.drawPixmap(rect.left() + kConnectionImageLeft_px,
                           rect.top() + kConnectionImageTop_px, ilConError_);
    }
}

} // namespace app

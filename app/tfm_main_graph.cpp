// The main graph: its build and what the build reports.

#include "app/tfm_main.h"
#include "ui_tfm_main.h"

#include <QMessageBox>
#include <QPainter>

namespace app {

namespace {

constexpr int kConnectionPanel = 6;
constexpr int kConnectionImageLeft_px = 2;
constexpr int kConnectionImageTop_px = 1;

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
    // The all-files trackbar seeks the engine's pins (plain engine) or asks for a rebuild from
    // the render start (smart engine).
    auto& trackBar = *ui->DVTrackBar;
    hooks.frontEnd.setTrackBarDvShift = [&trackBar](render::REFERENCE_TIME dvShift) {
        trackBar.setMode(transport::tbmDVShift);
        trackBar.DVShift = dvShift;
    };
    hooks.outputChain.setTrackBarPin = [&trackBar](const std::shared_ptr<platform::IPin>& pin) {
        trackBar.setPin(pin);
    };
    hooks.outputChain.setTrackBarPin2 = [&trackBar](const std::shared_ptr<platform::IPin>& pin) {
        trackBar.setPin2(pin);
    };
    hooks.outputChain.setTrackBarModeDv = [&trackBar] { trackBar.setMode(transport::tbmDV); };
    hooks.outputChain.applyTrackBarInterval = [this] { ApplyTrackBarInterval(); };
    hooks.outputChain.fillUsedFilters = [this] { FillUsedFilters(); };
    hooks.hideBuildProgress = [this] { HideBuildProgress(); };
    const render::TDvEncoders encoders{&MSDVVideoEncoder, &MainConceptDVVideoEncoder};
    if (render::BuildGraph(playList, settings.build, renderState_, devices_, encoders, fgMain,
                           random_, hooks, buildState_) &&
        OnGraphBuilt) {
        OnGraphBuilt(this);
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

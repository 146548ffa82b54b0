// The transport: Play, Pause and Stop, Previous, Next and the jump to a row, the start after an
// open, the end of the playlist, the tear-down, and the rebuilds that return to the state they
// found ("Apply Changes", the DV device going and coming back, the seek by rebuild).

#include "app/tfm_main.h"
#include "playlist/master_list.h"
#include "ui_tfm_main.h"

#include <QAction>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

namespace app {

namespace {

// "Do not recompress DV" in the recompress mode choice.
constexpr int kDoNotRecompressDv = 1;

// Shows the previous transport button pressed again when the command it guards does not
// complete: a click has pressed the new one before its handler runs.
class RestoreButtonOnError {
public:
    explicit RestoreButtonOnError(std::function<void()> restore) : restore_(std::move(restore)) {}
    ~RestoreButtonOnError() {
        if (std::uncaught_exceptions() > uncaught_) {
            restore_();
        }
    }
    RestoreButtonOnError(const RestoreButtonOnError&) = delete;
    RestoreButtonOnError& operator=(const RestoreButtonOnError&) = delete;

private:
    std::function<void()> restore_;
    const int uncaught_ = std::uncaught_exceptions();
};

} // namespace

QAction* TfmMain::TransportButton(TTransportCommand command) const {
    switch (command) {
    case tcPlay:
        return ui->buPlayNoSh;
    case tcPause:
        return ui->buPause;
    case tcStop:
        return ui->buStop;
    }
    return nullptr;
}

void TfmMain::CheckTransportButton(QAction* button) {
    transportButton_ = button;
    if (button != nullptr) {
        button->setChecked(true);
        return;
    }
    for (QAction* action : {ui->buPlayNoSh, ui->buPause, ui->buStop}) {
        action->setChecked(false);
    }
}

void TfmMain::TransportCommand(TTransportCommand command) {
    const RestoreButtonOnError restore([this] { CheckTransportButton(transportButton_); });
    // With nothing loaded the button chooses what happens after the next open.
    if (mainList_.count() == 0) {
        ui->cbOnOpen->setCurrentIndex(command);
        CheckTransportButton(transportButton_);
        return;
    }
    if (!fgMain.Active()) {
        BuildGraph();
    }
    switch (command) {
    case tcPlay:
        fgMain.Play();
        break;
    case tcPause:
        fgMain.Pause();
        break;
    case tcStop:
        fgMain.Stop();
        // The stopped output stands where the thumb is.
        ui->DVTrackBar->SeekToThumb();
        break;
    }
    CheckTransportButton(TransportButton(command));
    if (command == tcPlay) {
        // A graph that runs now may hold filters that were not there before.
        FillUsedFilters();
    }
}

void TfmMain::buPlayClick() {
    buPlayNoShClick();
}

void TfmMain::buPlayNoShClick() {
    TransportCommand(tcPlay);
}

void TfmMain::buPauseClick() {
    TransportCommand(tcPause);
}

void TfmMain::buStopClick() {
    TransportCommand(tcStop);
}

void TfmMain::RestoreGraphState(graph::TGraphState state) {
    switch (state) {
    case graph::TGraphState::Stopped:
        fgMain.Stop();
        break;
    case graph::TGraphState::Paused:
        fgMain.Pause();
        break;
    case graph::TGraphState::Running:
        fgMain.Play();
        break;
    case graph::TGraphState::None:
        break;
    }
}

void TfmMain::TearDownGraph() {
    fgMain.Stop();
    fgMain.ClearFilters();
    MainConceptDVVideoEncoder.setFilterGraph(nullptr);
    MSDVVideoEncoder.setFilterGraph(nullptr);
    ui->DVTrackBar->setPin(nullptr);
    ui->DVTrackBar->setPin2(nullptr);
    fgMain.setActive(false);
}

void TfmMain::StartAfterOpen() {
    BuildGraph();
    SelectCurrentItem(0);
    ui->DVTrackBar->setValue(0);
    renderState_.RenderRangeStart = 0;
    // The status bar shows the new lengths at once.
    const long long stop_ms =
        std::llround(static_cast<double>(renderState_.RenderRangeStop) * 0.0001);
    DVTrackBarTimer(ui->DVTrackBar, 0,
                    static_cast<std::uint32_t>(std::clamp<long long>(
                        stop_ms, 0, std::numeric_limits<std::uint32_t>::max())));
    PerformOnOpen();
}

void TfmMain::PerformOnOpen() {
    // Unlike the buttons, the choice neither builds nor refreshes the used filters.
    switch (ui->cbOnOpen->currentIndex()) {
    case tcPlay:
        fgMain.Play();
        CheckTransportButton(ui->buPlayNoSh);
        break;
    case tcPause:
        fgMain.Pause();
        CheckTransportButton(ui->buPause);
        break;
    case tcStop:
        fgMain.Stop();
        CheckTransportButton(ui->buStop);
        break;
    default:
        break;
    }
}

void TfmMain::GoToItem(int index) {
    const render::TFileInfo& item = *mainList_.fileInfo(index);
    ui->DVTrackBar->SeekTo(item.Start, renderState_.RenderRangeStop);
    ui->tbCurFile->setValue(0);
    SelectCurrentItem(index);
}

void TfmMain::buPrevClick() {
    auto& grid = *ui->sgPlayList;
    const int current = grid.Tag();
    // After an open that left the main list empty the tag names no item.
    if (current < 0 || current >= mainList_.count()) {
        return;
    }
    // On the first item the item starts again.
    const int index = current > 0 ? current - 1 : current;
    grid.setTag(index);
    GoToItem(index);
}

void TfmMain::buNextClick() {
    auto& grid = *ui->sgPlayList;
    const int current = grid.Tag();
    if (current < 0 || current >= mainList_.count()) {
        return;
    }
    // On the last item the item starts again.
    const int index = current < grid.rowCount() - 1 ? current + 1 : current;
    grid.setTag(index);
    GoToItem(index);
}

void TfmMain::sgPlayListDblClick() {
    if (mainList_.count() == 0) {
        return;
    }
    auto& grid = *ui->sgPlayList;
    const int row = grid.currentRow();
    grid.setTag(row);
    if (row < 0 || row >= mainList_.count()) {
        return;
    }
    GoToItem(row);
}

void TfmMain::cbOnEndChange() {
    // The choice is read by the position report when the end comes near.
}

void TfmMain::fgMainGraphComplete(graph::TFilterGraph* /*sender*/, platform::HRESULT result,
                                  const std::shared_ptr<platform::IBaseFilter>& /*renderer*/) {
    // A stream that broke off (its device went away, a renderer failed) has not reached the end
    // of the playlist: the output is left as it is, for the device's return to resume it, and
    // the status bar shows that the device no longer takes the stream.
    if (platform::FAILED(result)) {
        SetConnectionError(result);
        return;
    }
    buStopClick();
}

void TfmMain::fgMainGraphPaused(graph::TFilterGraph* /*sender*/, platform::HRESULT /*result*/) {}

void TfmMain::ApplyChanges() {
    const graph::TGraphState state = fgMain.GetGraphState();
    const int position = ui->DVTrackBar->value();
    TearDownGraph();
    // Every file is probed again under the new options.
    playlist::FreeListItems(services_.masterList, false, true);
    RebuildPlayList();
    if (state == graph::TGraphState::None) {
        // No graph follows to take the progress bar away.
        HideBuildProgress();
        return;
    }
    BuildGraph();
    ui->DVTrackBar->setValue(position);
    ui->DVTrackBar->SeekToThumb();
    RestoreGraphState(state);
}

void TfmMain::fgVOutGraphDeviceLost(graph::TFilterGraph* /*sender*/,
                                    const std::shared_ptr<platform::IBaseFilter>& /*device*/,
                                    bool removed) {
    FillDeviceLists();
    // `removed` is set when the device is available again.
    if (!removed) {
        deviceLostState_ = fgMain.GetGraphState();
        deviceLostPosition_ = ui->DVTrackBar->value();
        fgMain.Stop();
        TearDownGraph();
        BuildGraph();
        return;
    }
    fgMain.Stop();
    TearDownGraph();
    BuildGraph();
    ui->DVTrackBar->setValue(deviceLostPosition_);
    ui->DVTrackBar->SeekToThumb();
    RestoreGraphState(deviceLostState_);
}

void TfmMain::DVTrackBarDVShiftSeekToPosition(transport::TDVTrackBar* sender,
                                              graph::TGraphState GS) {
    // The rendered DV stream cannot be seeked: rendering starts again at the thumb's position.
    if (ui->rgRecompressMode->itemIndex() != kDoNotRecompressDv) {
        return;
    }
    renderState_.RenderRangeStart =
        transport::MulDiv(sender->value(), renderState_.RenderRangeStop, sender->maximum());
    TearDownGraph();
    BuildGraph();
    RestoreGraphState(GS);
}

} // namespace app

// Handlers whose behaviour is not complete yet: some do nothing, others pass on to operations
// that still do nothing. Each is connected already, so that completing them needs no change to
// the controls or their connections.

#include "app/tfm_main.h"
#include "ui_tfm_main.h"

namespace app {

void TfmMain::sgPlayListDblClick() {}

void TfmMain::buPlayClick() {
    buPlayNoShClick();
}

void TfmMain::buPlayNoShClick() {}
void TfmMain::buPauseClick() {}
void TfmMain::buStopClick() {}
void TfmMain::buPrevClick() {}
void TfmMain::buNextClick() {}
void TfmMain::cbOnEndChange() {}

void TfmMain::Button3Click() {}

void TfmMain::rgStretchModeClick() {
    ApplyStretchMode();
}

void TfmMain::rgRecompressModeClick() {
    ui->rgFilesLoadMode->setEnabled(ui->rgRecompressMode->itemIndex() == 0);
}

void TfmMain::tbTrackBarUpdateIntervalChange() {
    ApplyTrackBarInterval();
}

void TfmMain::cbPriorityChange() {
    ApplyPriority();
}

void TfmMain::tsAdvOptionsShow() {}
void TfmMain::tbVolumeChange() {}
void TfmMain::buPropertiesClick() {}
void TfmMain::lbUsedFiltersDblClick() {}
void TfmMain::TabSheet2Show() {}
void TfmMain::buScLoadSavedClick() {}
void TfmMain::buScApplyChangesClick() {}
void TfmMain::buPrRealTimeClick() {}

void TfmMain::fgMainGraphComplete(graph::TFilterGraph* /*sender*/, platform::HRESULT /*result*/,
                                  const std::shared_ptr<platform::IBaseFilter>& /*renderer*/) {}
void TfmMain::fgMainGraphPaused(graph::TFilterGraph* /*sender*/, platform::HRESULT /*result*/) {}

void TfmMain::fgMainGraphChanged(graph::TFilterGraph* /*sender*/) {
    ApplyStretchMode();
    FillUsedFilters();
}

void TfmMain::fgVOutGraphDeviceLost(graph::TFilterGraph* /*sender*/,
                                    const std::shared_ptr<platform::IBaseFilter>& /*device*/,
                                    bool /*removed*/) {}

void TfmMain::ApplyTrackBarInterval() {}
void TfmMain::ApplyPriority() {}
void TfmMain::FillUsedFilters() {}
void TfmMain::LoadToolbarLayout() {}
void TfmMain::SaveToolbarLayout() {}

} // namespace app

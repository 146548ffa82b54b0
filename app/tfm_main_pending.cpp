// Handlers whose behaviour is not complete yet: some do nothing, others pass on to operations
// that still do nothing. Each is connected already, so that completing them needs no change to
// the controls or their connections.

#include "app/tfm_main.h"
#include "ui_tfm_main.h"

namespace app {

void TfmMain::Button3Click() {}

void TfmMain::rgStretchModeClick() {
    ApplyStretchMode();
}

void TfmMain::rgRecompressModeClick() {
    ui->rgFilesLoadMode->setEnabled(ui->rgRecompressMode->itemIndex() == 0);
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

void TfmMain::fgMainGraphChanged(graph::TFilterGraph* /*sender*/) {
    ApplyStretchMode();
    FillUsedFilters();
}

void TfmMain::ApplyPriority() {}
void TfmMain::FillUsedFilters() {}
void TfmMain::LoadToolbarLayout() {}
void TfmMain::SaveToolbarLayout() {}

} // namespace app

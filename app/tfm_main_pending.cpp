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

void TfmMain::tbTrackBarUpdateIntervalChange() {
    ApplyTrackBarInterval();
}

void TfmMain::fgMainGraphComplete(graph::TFilterGraph* /*sender*/, platform::HRESULT /*result*/,
                                  const std::shared_ptr<platform::IBaseFilter>& /*renderer*/) {}
void TfmMain::fgMainGraphPaused(graph::TFilterGraph* /*sender*/, platform::HRESULT /*result*/) {}

void TfmMain::fgVOutGraphDeviceLost(graph::TFilterGraph* /*sender*/,
                                    const std::shared_ptr<platform::IBaseFilter>& /*device*/,
                                    bool /*removed*/) {}

void TfmMain::ApplyTrackBarInterval() {}
void TfmMain::ApplyChanges() {}

} // namespace app

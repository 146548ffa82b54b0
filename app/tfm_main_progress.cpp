// The build progress bar, moved onto the status bar while the main list and the graph are
// rebuilt.

#include "app/tfm_main.h"
#include "playlist/check_list.h"
#include "ui_tfm_main.h"

#include <QCoreApplication>

namespace app {

namespace {

constexpr int kProgressTop_px = 2;

// Lets the bar paint without running the user's clicks and keys in the middle of a build.
void paintPending() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void TfmMain::ShowBuildProgress() {
    auto& bar = *ui->ProgressBar;
    auto& statusBar = *ui->StatusBar;
    bar.setParent(&statusBar);
    bar.setGeometry(0, kProgressTop_px, statusBar.width(), statusBar.height() - kProgressTop_px);
    bar.setValue(0);
    // One step per master-list item while the main list is built, as many while the timeline
    // is laid, and two for the ends.
    bar.setMaximum(2 * services_.masterList.count() + 2);
    bar.raise();
    bar.show();
    paintPending();
}

void TfmMain::StepBuildProgress(int steps) {
    auto& bar = *ui->ProgressBar;
    bar.setValue(qMin(bar.maximum(), bar.value() + steps));
}

void TfmMain::HideBuildProgress() {
    auto& bar = *ui->ProgressBar;
    bar.hide();
    // At rest the bar lives on the Filters page.
    bar.setParent(ui->tsFilters);
    paintPending();
}

} // namespace app

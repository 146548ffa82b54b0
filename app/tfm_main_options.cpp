// The options pages' own behaviour and the Filters page.

#include "app/tfm_main.h"
#include "app/used_filters.h"
#include "platform/filters/property_frame.h"
#include "ui_tfm_main.h"

namespace app {

namespace {

// A filter name in the list, which keeps the names in alphabetical order whatever their case.
class FilterNameItem : public QListWidgetItem {
public:
    explicit FilterNameItem(const QString& name) : QListWidgetItem(name) {}
    bool operator<(const QListWidgetItem& other) const override {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

} // namespace

void TfmMain::Button3Click() {
    ApplyChanges();
    FillUsedFilters();
}

void TfmMain::rgStretchModeClick() {
    ApplyStretchMode();
}

void TfmMain::rgRecompressModeClick() {
    // Without recompressing DV files, every file is loaded when the graph is built.
    ui->rgFilesLoadMode->setEnabled(ui->rgRecompressMode->itemIndex() == 0);
}

void TfmMain::tbVolumeChange() {}

void TfmMain::fgMainGraphChanged(graph::TFilterGraph* /*sender*/) {
    // Resizers added since reach the chosen stretch mode too.
    ApplyStretchMode();
    FillUsedFilters();
}

// Without a graph the list keeps what it showed last.
void TfmMain::FillUsedFilters() {
    const auto graph = fgMain.query<platform::IFilterGraph>();
    if (!graph) {
        return;
    }
    const QStringList names = UsedFilterNames(*graph);
    ui->lbUsedFilters->clear();
    for (const QString& name : names) {
        ui->lbUsedFilters->addItem(new FilterNameItem(name));
    }
}

void TfmMain::buPropertiesClick() {
    ShowUsedFilterProperties();
}

void TfmMain::lbUsedFiltersDblClick() {
    ShowUsedFilterProperties();
}

// A name no longer in the graph shows nothing; what the frame itself runs into is its own
// business.
void TfmMain::ShowUsedFilterProperties() {
    const QListWidgetItem* chosen = ui->lbUsedFilters->currentItem();
    const auto graph = fgMain.query<platform::IFilterGraph>();
    if (chosen == nullptr || !chosen->isSelected() || !graph) {
        return;
    }
    std::shared_ptr<platform::IBaseFilter> filter;
    if (platform::FAILED(graph->FindFilterByName(chosen->text(), &filter)) || !filter) {
        return;
    }
    platform::FILTER_INFO info;
    const QString caption =
        platform::SUCCEEDED(filter->QueryFilterInfo(&info)) ? info.achName : chosen->text();
    platform::OleCreatePropertyFrame(this, caption, filter);
}

} // namespace app

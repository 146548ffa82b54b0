// The "Video" and "Audio" device lists of the System page and the device-watch graph.

#include "app/tfm_main.h"
#include "platform/system/registry.h"
#include "ui_tfm_main.h"

namespace app {

namespace {

const QString kMainWindowKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMain");
const QString kVideoOutValue = QStringLiteral("cbVideoOut_ItemIndex");
const QString kAudioOutValue = QStringLiteral("cbAudioOut_ItemIndex");

int readStoredIndex(const platform::Registry& registry, const QString& name, int defaultIndex) {
    const auto text = registry.readString(kMainWindowKey, name);
    if (!text) {
        return defaultIndex;
    }
    bool ok = false;
    const int index = text->trimmed().toInt(&ok);
    return ok ? index : defaultIndex;
}

void fillCombo(QComboBox& combo, const QStringList& names, int selected) {
    const QSignalBlocker quiet(combo);
    combo.clear();
    combo.addItems(names);
    combo.setCurrentIndex(selected);
}

} // namespace

render::TStoredDeviceSelections TfmMain::StoredDeviceSelections() const {
    const render::TStoredDeviceSelections defaults;
    return {readStoredIndex(services_.registry, kVideoOutValue, defaults.videoOutIndex),
            readStoredIndex(services_.registry, kAudioOutValue, defaults.audioOutIndex)};
}

void TfmMain::StoreDeviceSelection(const QString& valueName, int index) {
    services_.registry.writeString(kMainWindowKey, valueName, QString::number(index));
}

void TfmMain::FillDeviceLists() {
    if (services_.rescanDevices) {
        services_.rescanDevices();
    }
    const render::TDeviceSelections selections =
        render::FillDeviceLists(devices_, StoredDeviceSelections(), services_.filters);
    fillCombo(*ui->cbVideoOut, devices_.videoNames, selections.videoOutIndex);
    fillCombo(*ui->cbAudioOut, devices_.audioNames, selections.audioOutIndex);
}

void TfmMain::AttachDeviceToVideoOutGraph() {
    render::AttachDeviceToVideoOutGraph(devices_, ui->cbVideoOut->currentIndex(), fgVOut);
}

void TfmMain::SpeedButton2Click() {
    FillDeviceLists();
    AttachDeviceToVideoOutGraph();
}

void TfmMain::cbVideoOutChange() {
    auto& video = *ui->cbVideoOut;
    if (video.count() == 0) {
        return;
    }
    if (video.currentIndex() < 0) {
        video.setCurrentIndex(0);
    }
    // Entry 1 of the audio list is the sound inside the DV stream to the chosen device.
    auto& audio = *ui->cbAudioOut;
    const int audioIndex = audio.currentIndex();
    if (audio.count() > 1) {
        audio.setItemText(1, render::AudioEntryOfVideoDevice(devices_, video.currentIndex()));
    }
    audio.setCurrentIndex(audioIndex);
    AttachDeviceToVideoOutGraph();
    StoreDeviceSelection(kVideoOutValue, video.currentIndex());
}

void TfmMain::cbAudioOutChange() {
    if (ui->cbAudioOut->count() > 0) {
        StoreDeviceSelection(kAudioOutValue, ui->cbAudioOut->currentIndex());
    }
}

} // namespace app

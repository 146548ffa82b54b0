// The "Video" and "Audio" device lists of the System page and the device-watch graph.

#include "app/tfm_main.h"
#include "ui_tfm_main.h"

namespace app {

namespace {

const QString kVideoOutValue = QStringLiteral("cbVideoOut_ItemIndex");
const QString kAudioOutValue = QStringLiteral("cbAudioOut_ItemIndex");

void fillCombo(QComboBox& combo, const QStringList& names, int selected) {
    const QSignalBlocker quiet(combo);
    combo.clear();
    combo.addItems(names);
    combo.setCurrentIndex(selected);
}

} // namespace

render::TStoredDeviceSelections TfmMain::StoredDeviceSelections() const {
    const render::TStoredDeviceSelections defaults;
    return {fsMain.readInteger(kVideoOutValue, defaults.videoOutIndex),
            fsMain.readInteger(kAudioOutValue, defaults.audioOutIndex)};
}

// A write that fails stays with the registry and goes to the file with the next save, which
// reports the failure.
void TfmMain::StoreDeviceSelection(const QString& valueName, int index) {
    fsMain.writeInteger(valueName, index);
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

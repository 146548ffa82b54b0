// First activation, showing the options page, the About page, and the close of the window.

#include "app/quintape_application.h"
#include "app/tfm_main.h"
#include "playlist/playlist_file.h"
#include "ui_tfm_main.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>

namespace app {

namespace {

const QString kAboutText =
    QStringLiteral("Watch Your videofiles and pictures on TV via miniDV cam\n\nv %1 for Linux\n\n");
const QString kWebAddress = QStringLiteral("https://quintape.example.org/");

} // namespace

bool TfmMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !activated_) {
        FormActivate();
    }
    return QMainWindow::event(event);
}

void TfmMain::showEvent(QShowEvent* event) {
    // The stored settings come back before the window appears and before its first activation.
    if (!settingsRestored_) {
        RestoreSettings();
    }
    QMainWindow::showEvent(event);
    // Where the window manager does not activate a new window (or there is none), the
    // first-activation work still runs once the window is up.
    if (!activated_) {
        QTimer::singleShot(0, this, [this] {
            if (!activated_) {
                FormActivate();
            }
        });
    }
}

void TfmMain::FormActivate() {
    if (activated_) {
        return;
    }
    // Marked first, so that a step that fails is not repeated (with the command line's files
    // added twice) at the next activation.
    activated_ = true;
    // 1. The About page.
    SetAboutTexts();
    // 2. The wipe codes of the transition groups are a constant table.
    // 3. The options page the selector names.
    ShowOptionsPage();
    // 4. Devices, and the chosen DV device watched for removal.
    FillDeviceLists();
    AttachDeviceToVideoOutGraph();
    // 5., 6.
    LoadToolbarLayout();
    ApplyTrackBarInterval();
    // 7. The command line: playlists are read, other paths added checked. No graph exists yet,
    // so nothing is torn down.
    if (!services_.arguments.isEmpty()) {
        playlist::AddFiles(services_.arguments, services_.masterList);
        RebuildPlayList();
        StartAfterOpen();
    }
    // 8.
    ApplyPriority();
}

void TfmMain::closeEvent(QCloseEvent* event) {
    // The close always proceeds; a failure on the way is reported, not a reason to stay open.
    try {
        FormCloseQuery();
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error."));
    }
    event->accept();
    QMainWindow::closeEvent(event);
    // Then the settings; a failed save is reported and the window closes all the same.
    SaveSettings(false);
    emit closed();
}

void TfmMain::FormCloseQuery() {
    TearDownGraph();
    SaveToolbarLayout();
}

void TfmMain::SetAboutTexts() {
    ui->laAbout1->setText(kAboutText.arg(QCoreApplication::applicationVersion()));
    ui->laWeb->setText(kWebAddress);
}

void TfmMain::laWebClick() {
    const QUrl address(ui->laWeb->text());
    if (address.scheme() == QLatin1String("https") || address.scheme() == QLatin1String("http")) {
        QDesktopServices::openUrl(address);
    }
}

void TfmMain::ShowOptionsPage() {
    const int page = ui->lbOptions->currentRow();
    if (page < 0 || page >= ui->pcOptions->count()) {
        ui->pcOptions->hide();
        return;
    }
    ui->pcOptions->setCurrentIndex(page);
    ui->pcOptions->show();
}

void TfmMain::lbOptionsClick() {
    ShowOptionsPage();
}

} // namespace app

// The stored settings of the main window, the places of its toolbars, and the binding of the
// shortcut processor and the shortcut fields.

#include "app/quintape_application.h"
#include "app/tfm_main.h"
#include "ui_tfm_main.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <functional>

namespace app {

namespace {

const QString kToolbarsKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\Toolbars");

// The stored properties of the window, in the order in which they are restored and written.
const QStringList kStoredProperties{
    QStringLiteral("cbTransEnable_Checked"),
    QStringLiteral("cbNoSequence_Checked"),
    QStringLiteral("udTransTime_Value"),
    QStringLiteral("udTransSoft_Value"),
    QStringLiteral("udPicTime_Value"),
    QStringLiteral("udAudShift_Value"),
    QStringLiteral("cbAudioChannels_ItemIndex"),
    QStringLiteral("cbAudioOut_ItemIndex"),
    QStringLiteral("cbAudioRate_ItemIndex"),
    QStringLiteral("cbDVEncoder_ItemIndex"),
    QStringLiteral("cbVideoOut_ItemIndex"),
    QStringLiteral("rbNTSC_Checked"),
    QStringLiteral("rbPAL_Checked"),
    QStringLiteral("rgStretchMode_ItemIndex"),
    QStringLiteral("lbOptions_ItemIndex"),
    QStringLiteral("cbOnOpen_ItemIndex"),
    QStringLiteral("cbOnEnd_ItemIndex"),
    QStringLiteral("rgFilesLoadMode_ItemIndex"),
    QStringLiteral("rgRecompressMode_ItemIndex"),
    QStringLiteral("buNext_ShortCut"),
    QStringLiteral("buPrev_ShortCut"),
    QStringLiteral("buPlay_ShortCut"),
    QStringLiteral("buPause_ShortCut"),
    QStringLiteral("buStop_ShortCut"),
    QStringLiteral("buScOpenFile_ShortCut"),
    QStringLiteral("buScOpenList_ShortCut"),
    QStringLiteral("rgProcessMode_ItemIndex"),
    QStringLiteral("tbTrackBarUpdateInterval_Position"),
    QStringLiteral("cbPriority_ItemIndex"),
    QStringLiteral("rgOnDragDrop_ItemIndex"),
    QStringLiteral("buPrHigh_ShortCut"),
    QStringLiteral("buPrIdle_ShortCut"),
    QStringLiteral("buPrNormal_ShortCut"),
    QStringLiteral("buPrRealTime_ShortCut"),
};

// Hands the events of the objects it watches to a function; true from it ends an event there.
class EventHook : public QObject {
public:
    using Handler = std::function<bool(QObject* watched, QEvent* event)>;

    EventHook(QObject* owner, Handler handler) : QObject(owner), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return handler_(watched, event) || QObject::eventFilter(watched, event);
    }

private:
    Handler handler_;
};

// Runs a handler of a field event; a failure is reported here, as for every other handler,
// and the event then goes on as if there were no handler.
template <typename Body> bool reportedEvent(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error."));
    }
    return false;
}

} // namespace

void TfmMain::ConnectSettingsAndShortcuts() {
    fsMain.addProperties(kStoredProperties);
    fsMain.addCheckList(ui->lbTransType);

    toolbarLayout_.addBar(ui->tbrControls, widgets::ToolbarLayout::BarKind::Toolbar);
    toolbarLayout_.addBar(ui->tbrTrackBarAll1, widgets::ToolbarLayout::BarKind::ToolWindow);
    toolbarLayout_.addBar(ui->tbrTrackBarCurr1, widgets::ToolbarLayout::BarKind::ToolWindow);

    // The keys of the eleven commands, matched in the toolbar's order (buPlayNoSh carries none).
    shortcutProcessor_ = new widgets::ShortcutProcessor(
        this, {ui->buPrev, ui->buPlayNoSh, ui->buPause, ui->buStop, ui->buNext, ui->buScOpenFile,
               ui->buScOpenList, ui->buPrRealTime, ui->buPrHigh, ui->buPrNormal, ui->buPrIdle,
               ui->buPlay});

    shortCutFieldEvents_ =
        std::make_unique<EventHook>(nullptr, [this](QObject* watched, QEvent* event) {
            // A field being destroyed is a field no more.
            auto* field = qobject_cast<QLineEdit*>(watched);
            if (field == nullptr) {
                return false;
            }
            switch (event->type()) {
            case QEvent::FocusIn:
                return reportedEvent([this] {
                    edScPrevEnter();
                    return false;
                });
            case QEvent::FocusOut:
                return reportedEvent([this] {
                    edScPrevExit();
                    return false;
                });
            case QEvent::KeyPress:
                return reportedEvent(
                    [this, event] { return edScPrevKeyDown(*static_cast<QKeyEvent*>(event)); });
            case QEvent::KeyRelease:
                return reportedEvent([this, field, event] {
                    edScPrevKeyUp(*field, *static_cast<QKeyEvent*>(event));
                    return true;
                });
            default:
                return false;
            }
        });
    for (const auto& [action, field] : ShortCutFields()) {
        field->installEventFilter(shortCutFieldEvents_.get());
    }
}

void TfmMain::RestoreSettings() {
    settingsRestored_ = true;
    fsMain.restore();
    // Also when the stored choice is the form's own.
    rgRecompressModeClick();
}

void TfmMain::SaveSettings(bool destroying) {
    if (!settingsRestored_) {
        return;
    }
    settingsSaved_ = true;
    if (fsMain.save(destroying)) {
        return;
    }
    if (destroying) {
        // No window is left to report over.
        qWarning("quintape: %s", qPrintable(fsMain.errorString()));
    } else {
        ReportError(fsMain.errorString());
    }
}

void TfmMain::LoadToolbarLayout() {
    toolbarLayout_.load(services_.registry, kToolbarsKey);
}

// A failed write is not reported here: the settings are written to the same file right after,
// and that save reports it (and takes along what could not be written now).
void TfmMain::SaveToolbarLayout() {
    toolbarLayout_.save(services_.registry, kToolbarsKey);
}

} // namespace app

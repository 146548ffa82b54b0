// The ShortCuts page: a field per command that takes a new key combination when the key is
// released, "Apply Changes" that gives the commands the keys shown, "Load Saved" that shows
// the keys they have.

#include "app/tfm_main.h"
#include "ui_tfm_main.h"
#include "widgets/shortcut_keys.h"

#include <QKeyEvent>

namespace app {

namespace {

// The field's code of the key it shows.
constexpr char kFieldTag[] = "Tag";
constexpr int kShortCutCodeMask = 0xFFFF;

int shortCutOf(const QAction& action) {
    return action.property(widgets::kShortCutProperty).toInt();
}

} // namespace

std::vector<std::pair<QAction*, QLineEdit*>> TfmMain::ShortCutFields() const {
    return {{ui->buPrev, ui->edScPrev},       {ui->buNext, ui->edScNext},
            {ui->buPlay, ui->edScPlay},       {ui->buPause, ui->edScPause},
            {ui->buStop, ui->edScStop},       {ui->buScOpenFile, ui->edScOpen},
            {ui->buScOpenList, ui->edScList}, {ui->buPrRealTime, ui->edScRealTime},
            {ui->buPrHigh, ui->edScHigh},     {ui->buPrNormal, ui->edScNormal},
            {ui->buPrIdle, ui->edScIdle}};
}

// Showing the page drops edits that were not applied.
void TfmMain::TabSheet2Show() {
    buScLoadSavedClick();
}

void TfmMain::buScLoadSavedClick() {
    for (const auto& [action, field] : ShortCutFields()) {
        const int code = shortCutOf(*action);
        field->setText(widgets::ShortCutText(code));
        field->setProperty(kFieldTag, code);
    }
}

void TfmMain::buScApplyChangesClick() {
    for (const auto& [action, field] : ShortCutFields()) {
        action->setProperty(widgets::kShortCutProperty,
                            field->property(kFieldTag).toInt() & kShortCutCodeMask);
    }
}

// While a field has the focus, keys go to it and run no command.
void TfmMain::edScPrevEnter() {
    if (shortcutProcessor_) {
        shortcutProcessor_->setProcessing(false);
    }
}

void TfmMain::edScPrevExit() {
    if (shortcutProcessor_) {
        shortcutProcessor_->setProcessing(true);
    }
}

// Keys typed into a field do nothing there. Tab still moves the focus on, so that the keyboard
// can leave the field.
bool TfmMain::edScPrevKeyDown(const QKeyEvent& event) {
    return event.key() != Qt::Key_Tab && event.key() != Qt::Key_Backtab;
}

// The key is taken when it is released, with the modifiers still held then; Tab and the
// modifier keys alone change nothing.
void TfmMain::edScPrevKeyUp(QLineEdit& field, const QKeyEvent& event) {
    if (const auto code = widgets::capturedShortCut(event)) {
        field.setText(widgets::ShortCutText(*code));
        field.setProperty(kFieldTag, *code);
    }
}

} // namespace app

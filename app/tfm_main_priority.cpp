// The process priority: chosen in cbPriority or by its four hidden toolbar items, applied at
// the first activation and on every change, read back when the Adv Options page is shown.

#include "app/tfm_main.h"
#include "platform/system/process_priority.h"
#include "ui_tfm_main.h"

#include <QAction>

#include <array>

namespace app {

namespace {

// The classes of the cbPriority items; without a choice, High.
constexpr std::array<platform::DWORD, 4> kPriorityClasses{
    platform::REALTIME_PRIORITY_CLASS, platform::HIGH_PRIORITY_CLASS,
    platform::NORMAL_PRIORITY_CLASS, platform::IDLE_PRIORITY_CLASS};

platform::DWORD priorityClassOf(int index) {
    return index >= 0 && index < static_cast<int>(kPriorityClasses.size())
               ? kPriorityClasses[static_cast<std::size_t>(index)]
               : platform::HIGH_PRIORITY_CLASS;
}

} // namespace

void TfmMain::cbPriorityChange() {
    ApplyPriority();
}

void TfmMain::buPrRealTimeClick() {
    const auto* item = qobject_cast<const QAction*>(sender());
    if (item == nullptr) {
        return;
    }
    ui->cbPriority->setCurrentIndex(item->property("Tag").toInt());
    ApplyPriority();
}

// The system may refuse a raise; the Adv Options page shows what the process really has the
// next time it is shown.
void TfmMain::ApplyPriority() {
    const platform::DWORD priorityClass = priorityClassOf(ui->cbPriority->currentIndex());
    if (services_.setPriorityClass) {
        services_.setPriorityClass(priorityClass);
    } else {
        platform::SetPriorityClass(priorityClass);
    }
}

// Shows the class the process really has; any other class leaves the choice as it is.
void TfmMain::tsAdvOptionsShow() {
    const platform::DWORD priorityClass =
        services_.getPriorityClass ? services_.getPriorityClass() : platform::GetPriorityClass();
    for (std::size_t i = 0; i < kPriorityClasses.size(); ++i) {
        if (kPriorityClasses[i] == priorityClass) {
            // Set without the change handler, so nothing is applied.
            ui->cbPriority->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
}

} // namespace app

#include "widgets/shortcut_processor.h"

#include "widgets/shortcut_keys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace widgets {

ShortcutProcessor::ShortcutProcessor(QWidget* window, const QList<QAction*>& actions)
    : QObject(window), window_(window) {
    setActions(actions);
    qApp->installEventFilter(this);
}

ShortcutProcessor::~ShortcutProcessor() {
    qApp->removeEventFilter(this);
}

void ShortcutProcessor::setActions(const QList<QAction*>& actions) {
    actions_.clear();
    for (QAction* action : actions) {
        actions_.append(action);
    }
}

QList<QAction*> ShortcutProcessor::actions() const {
    QList<QAction*> list;
    for (const QPointer<QAction>& action : actions_) {
        if (action) {
            list.append(action);
        }
    }
    return list;
}

QAction* ShortcutProcessor::actionFor(int code) const {
    if (code == 0) {
        return nullptr;
    }
    for (const QPointer<QAction>& action : actions_) {
        // Qt reports hidden actions as disabled; they still run by their shortcuts.
        if (action && (action->isEnabled() || !action->isVisible()) &&
            action->property(kShortCutProperty).toInt() == code) {
            return action;
        }
    }
    return nullptr;
}

bool ShortcutProcessor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !processing_ || !window_ || !window_->isEnabled()) {
        return QObject::eventFilter(watched, event);
    }
    // A modal dialog or an open menu or drop-down list owns the keyboard.
    const QWidget* modal = QApplication::activeModalWidget();
    if ((modal != nullptr && modal != window_) || QApplication::activePopupWidget() != nullptr) {
        return QObject::eventFilter(watched, event);
    }
    QAction* action = actionFor(shortCutOf(*static_cast<QKeyEvent*>(event)));
    if (action == nullptr) {
        return QObject::eventFilter(watched, event);
    }
    action->trigger();
    return true;
}

} // namespace widgets

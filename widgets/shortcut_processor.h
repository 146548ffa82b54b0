#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace widgets {

// Runs commands by their shortcut codes. For every key pressed anywhere in the application while
// the window is enabled, no modal window or popup is open and processing is on, the first
// action of the list whose "ShortCut" property equals the key's code with its held modifiers is
// triggered, and the key goes no further. Hidden actions take part; visible disabled ones do
// not, so their key goes on to the next match or to the focused control.
class ShortcutProcessor : public QObject {
    Q_OBJECT

public:
    // Starts watching the application's keys; window also owns the processor.
    ShortcutProcessor(QWidget* window, const QList<QAction*>& actions);
    ~ShortcutProcessor() override;

    // The actions in the order in which they are matched.
    void setActions(const QList<QAction*>& actions);
    QList<QAction*> actions() const;

    // Off while a shortcut field has the focus, so that keys reach the field.
    void setProcessing(bool on) { processing_ = on; }
    bool isProcessing() const { return processing_; }

    // The first action with this code that may run; nullptr when none has it (or code is 0).
    QAction* actionFor(int code) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    QList<QPointer<QAction>> actions_;
    bool processing_ = true;
};

} // namespace widgets

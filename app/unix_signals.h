#pragma once

#include <QObject>

class QSocketNotifier;

namespace app {

// Turns SIGINT and SIGTERM (Ctrl+C in a terminal, the end of a session) into a Qt signal on
// the user-interface thread. A second such signal while the first is being handled ends the
// program the default way. One instance per program.
class TTerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    // False when the handlers could not be installed (the program then ends the default way).
    bool isInstalled() const { return notifier_ != nullptr; }

signals:
    // `signalNumber` is SIGINT or SIGTERM.
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace app

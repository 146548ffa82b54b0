#include "app/unix_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace app {

namespace {

// The write end is used by the signal handler, the read end by the notifier.
int signalSockets[2] = {-1, -1};

extern "C" void onTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a failed write inside a signal handler.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = savedErrno;
}

bool installHandler(int signalNumber) {
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // The handler runs once; a second signal takes the default action.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    return ::sigaction(signalNumber, &action, nullptr) == 0;
}

void restoreDefault(int signalNumber) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    if (signalSockets[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) {
        return;
    }
    ::fcntl(signalSockets[0], F_SETFL, ::fcntl(signalSockets[0], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TTerminationSignals::readSignal);
    if (!installHandler(SIGINT) || !installHandler(SIGTERM)) {
        restoreDefault(SIGINT);
        restoreDefault(SIGTERM);
        delete notifier_;
        notifier_ = nullptr;
        for (int& socket : signalSockets) {
            ::close(socket);
            socket = -1;
        }
    }
}

TTerminationSignals::~TTerminationSignals() {
    if (notifier_ == nullptr) {
        return;
    }
    restoreDefault(SIGINT);
    restoreDefault(SIGTERM);
    delete notifier_;
    notifier_ = nullptr;
    for (int& socket : signalSockets) {
        if (socket >= 0) {
            ::close(socket);
            socket = -1;
        }
    }
}

void TTerminationSignals::readSignal() {
    unsigned char byte = 0;
    if (::read(signalSockets[1], &byte, 1) == 1) {
        emit terminationRequested(byte);
    }
}

} // namespace app

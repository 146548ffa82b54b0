#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <functional>

namespace testsupport {

// Lets the event loop run until `done` holds or `timeout_ms` has passed; gives whether it
// holds. A safety limit only: tests never rely on how long something takes.
inline bool waitUntil(const std::function<bool()>& done, int timeout_ms = 60000) {
    const QDeadlineTimer deadline(timeout_ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace testsupport

#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace testsupport {

// Runs `action` once a modal window is up (a modal editor, or a dialog over it), so that a test
// can drive a window whose event loop it has just entered.
inline void whenModal(std::function<void(QWidget&)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(*modal);
        }
    });
    timer->start();
}

} // namespace testsupport

#include "app/quintape_application.h"

#include "graph/directshow_exception.h"

#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace app {

TQuintapeApplication::TQuintapeApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TQuintapeApplication* TQuintapeApplication::instance() {
    return qobject_cast<TQuintapeApplication*>(QCoreApplication::instance());
}

bool TQuintapeApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const graph::EDirectShowException& error) {
        ReportError(error.message());
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error."));
    }
    return false;
}

void TQuintapeApplication::ReportError(const QString& text) {
    if (reporter_) {
        reporter_(text);
        return;
    }
    // An error raised while an earlier report is still open goes to the terminal, so that
    // message boxes do not pile up over one another.
    if (reporting_ > 0) {
        std::fprintf(stderr, "quintape: %s\n", qPrintable(text));
        return;
    }
    ++reporting_;
    QMessageBox box(QMessageBox::Critical, applicationDisplayName(), text, QMessageBox::Ok,
                    activeWindow());
    box.setObjectName(kErrorBoxName);
    box.exec();
    --reporting_;
}

void ReportError(const QString& text) {
    if (auto* application = TQuintapeApplication::instance()) {
        application->ReportError(text);
    } else {
        std::fprintf(stderr, "quintape: %s\n", qPrintable(text));
    }
}

} // namespace app

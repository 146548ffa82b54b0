#pragma once

#include <QApplication>
#include <QString>

#include <functional>

namespace app {

// The program's application object. An exception that an event handler lets escape is caught
// where the event is delivered and reported (by default in a message box over the active
// window); the program and its windows go on.
class TQuintapeApplication : public QApplication {
    Q_OBJECT

public:
    using ErrorReporter = std::function<void(const QString& text)>;

    TQuintapeApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Replaces the report; an empty one restores the message box.
    void setErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }
    // Reports `text` as an error the way a failing handler is reported.
    void ReportError(const QString& text);

    // The application object, or null when another kind of application is running.
    static TQuintapeApplication* instance();

private:
    ErrorReporter reporter_;
    int reporting_ = 0;
};

// Reports `text` through the running TQuintapeApplication, or on the error stream when there
// is none.
void ReportError(const QString& text);

// The object name of the error message box, so that it can be found.
inline const QString kErrorBoxName = QStringLiteral("ErrorReport");

} // namespace app

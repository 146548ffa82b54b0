#include "app/quintape_application.h"
#include "tests/support/user_folders.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// The main window's tests run inside the program's own application object, so that the error
// report of a failing handler is the one the program shows.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::IsolatedUserFolders userFolders;
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Qt's own settings (the places of the file dialog) go to a folder of the run's own, not
    // to the user's, which other programs change meanwhile.
    const QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    app::TQuintapeApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quintape"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quintape"));
    return RUN_ALL_TESTS();
}

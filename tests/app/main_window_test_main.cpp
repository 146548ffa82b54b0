#include "app/quintape_application.h"
#include "tests/support/user_folders.h"

#include <gtest/gtest.h>

// The main window's tests run inside the program's own application object, so that the error
// report of a failing handler is the one the program shows.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::IsolatedUserFolders userFolders;
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    app::TQuintapeApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quintape"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quintape"));
    return RUN_ALL_TESTS();
}

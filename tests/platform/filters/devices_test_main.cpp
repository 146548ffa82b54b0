#include "tests/support/user_folders.h"

#include <QApplication>

#include <gtest/gtest.h>

// The device tests open widgets (the DV Monitor window), so they run in a QApplication. They
// never reach a sound server: Qt is pointed at one that does not exist, so that tests are silent
// and find no audio output on every machine.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::IsolatedUserFolders userFolders;
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("PULSE_SERVER", "unix:/nonexistent/quintape-no-sound-server");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

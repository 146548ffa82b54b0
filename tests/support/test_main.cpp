#include "tests/support/user_folders.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

// Every test runs inside a Qt application object, on the platform that QT_QPA_PLATFORM names
// (offscreen under CTest), so that Qt's image and text facilities work.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::IsolatedUserFolders userFolders;
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

#include "tests/support/user_folders.h"

#include <QApplication>

#include <gtest/gtest.h>

// Widget tests run inside a QApplication on the platform that QT_QPA_PLATFORM names (offscreen
// under CTest).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::IsolatedUserFolders userFolders;
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

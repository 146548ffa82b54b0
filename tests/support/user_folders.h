#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

namespace testsupport {

// Points the XDG configuration and cache folders of the test process at a temporary folder for
// its lifetime, so that nothing a test does (the program's registry file, the toolkit's
// remembered dialog folders) reaches the settings of the user running the tests.
class IsolatedUserFolders {
public:
    IsolatedUserFolders() {
        if (folder_.isValid()) {
            const QByteArray root = folder_.path().toLocal8Bit();
            qputenv("XDG_CONFIG_HOME", root + "/config");
            qputenv("XDG_CACHE_HOME", root + "/cache");
        }
    }
    IsolatedUserFolders(const IsolatedUserFolders&) = delete;
    IsolatedUserFolders& operator=(const IsolatedUserFolders&) = delete;

private:
    QTemporaryDir folder_;
};

} // namespace testsupport

#include "tests/support/test_media.h"

#include <QDir>

namespace testsupport {

QString testMediaDir() {
    const QByteArray fromEnv = qgetenv("QUINTAPE_TEST_MEDIA_DIR");
    return fromEnv.isEmpty() ? QString::fromUtf8(QUINTAPE_TEST_MEDIA_DIR)
                             : QString::fromLocal8Bit(fromEnv);
}

QString testMedia(const QString& name) {
    return QDir(testMediaDir()).filePath(name);
}

} // namespace testsupport

#pragma once

#include <QString>

namespace testsupport {

// Folder of the generated test media in the build tree.
QString testMediaDir();
// Full path of one generated test media file.
QString testMedia(const QString& name);

} // namespace testsupport

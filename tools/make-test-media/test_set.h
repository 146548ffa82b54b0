#pragma once

#include <QString>
#include <QStringList>

// The fixed set of test media that the project's tests rely on (names are a contract).

namespace testmedia {

// Writes the test set into folder (created if needed, existing files replaced). Returns notes
// about encoder fallbacks for the user. Throws std::runtime_error on failure.
QStringList writeTestSet(const QString& folder);

} // namespace testmedia

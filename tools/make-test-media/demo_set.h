#pragma once

#include <QString>

// A small, pleasant set of demo media with a playlist "demo.plst" that lists them.

namespace testmedia {

// Writes the demo set into folder (created if needed). Throws std::runtime_error on failure.
void writeDemoSet(const QString& folder);

} // namespace testmedia

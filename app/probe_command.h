#pragma once

#include "render/probe.h"

#include <QStringList>
#include <QTextStream>

namespace app {

// Text of a probed item's kind as the play list's icon legend shows it.
QString kindLegend(const render::TFileInfo& info);

// One line describing what the probe says of a file: kind, duration, stream counts, path.
QString probeLine(const render::TFileInfo& info);

// The diagnostic "--probe PATH..." command: playlists (".plst") are expanded by the add-files
// rule, every checked item is probed and printed. Returns the process exit code.
int runProbeCommand(const QStringList& paths, const render::ProbeSettings& settings,
                    QTextStream& out, QTextStream& err);

} // namespace app

#pragma once

#include "platform/streaming/graph_interfaces.h"

#include <QStringList>

namespace app {

// The names of the filters of `graph` that offer property pages, in the graph's order, leaving
// out the editing engine's internal filters (names beginning with "DEXFILT", "Audio Repackager",
// "Resizer", "Frame Rate Converter" or "ACM Wrapper", case as written).
QStringList UsedFilterNames(platform::IFilterGraph& graph);

} // namespace app

#pragma once

#include "render/file_info.h"

#include <memory>

namespace render {

// The options the probe reads at the moment of the call.
struct ProbeSettings {
    double pictureTime_s = 7.0; // "Display time, sec", 0.1 .. 3600
    bool noSequence = true;     // "Do not open as sequence"
    std::int32_t stretchMode = smLetterbox;
};

// Classifies a file and measures its length on the timeline. Never fails: a file that cannot be
// read is of kind fkCantPlay.
std::unique_ptr<TFileInfo> ProbeFile(const QString& fileName, const ProbeSettings& settings);

} // namespace render

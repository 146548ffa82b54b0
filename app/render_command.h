#pragma once

#include "render/build_settings.h"
#include "render/file_info.h"
#include "render/probe.h"

#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <optional>
#include <vector>

namespace app {

// What "--render OUT.dv [options] PATH..." asks for.
struct RenderOptions {
    QString outputPath;
    QStringList paths;
    render::TBuildSettings settings;
    render::ProbeSettings probe;
    std::uint32_t seed = 0;
    // Paced by the graph's clock, as a device would be; otherwise as fast as possible.
    bool realTime = false;
};

// The usage text of the command.
QString renderUsage();

// Parses the arguments that follow "--render"; nothing, with the reason in `error`, when they
// are not valid.
std::optional<RenderOptions> parseRenderArguments(const QStringList& arguments, QString* error);

// Makes probed records a main play list: single pictures (fkPicture) become fkPictureNext when
// the next record is a single picture too, else fkPictureLast; every record's Start is the sum
// of the durations before it. Gives the total duration.
render::REFERENCE_TIME PrepareMainPlayList(std::vector<render::TFileInfo>& playList);

// The number of frames of a timeline `duration_units` long: those starting before its end.
std::int64_t TimelineFrameCount(render::REFERENCE_TIME duration_units, bool ntsc);

// Renders the play list of `options` into a DV file through the "DV File Recorder" device.
// Progress goes to `err`. Gives 0 only when the graph completed and the file holds one frame
// per timeline frame; 1 otherwise. Needs a Qt application object.
int runRenderCommand(const RenderOptions& options, QTextStream& err);

} // namespace app

#pragma once

#include "platform/editing/render_engine.h"
#include "platform/filters/dv_output_statistics.h"
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
    // With realTime: a late or repeated frame makes the command fail.
    bool strictTiming = false;
};

// How well a real-time render kept up.
struct OutputTiming {
    // Frames that reached the output after their time.
    std::int64_t framesLate = 0;
    // Frames shown again in place of one that was not ready (by the device when its queue ran
    // dry, or by the engine in Preview).
    std::int64_t framesRepeated = 0;
};

// The timing of a render from the DV device's own counts when it keeps them (then late frames
// are those the device saw late), else from the engine's; repeats of both are added.
OutputTiming CombineOutputTiming(const std::optional<platform::DvOutputStatistics>& device,
                                 const std::optional<platform::RenderEngineStatistics>& engine);

// Prints the timing and gives the exit code: 3 when `strict` and any frame was late or
// repeated, else 0.
int ReportOutputTiming(const OutputTiming& timing, bool strict, QTextStream& err);

// The usage text of the command.
QString renderUsage();

// Parses the arguments that follow "--render"; nothing, with the reason in `error`, when they
// are not valid.
std::optional<RenderOptions> parseRenderArguments(const QStringList& arguments, QString* error);

// Probes files, several at once; the records come in the order of `paths`.
std::vector<render::TFileInfo> ProbeFiles(const QStringList& paths,
                                          const render::ProbeSettings& settings);

// Makes probed records a main play list: single pictures (fkPicture) become fkPictureNext when
// the next record is a single picture too, else fkPictureLast; every record's Start is the sum
// of the durations before it. Gives the total duration.
render::REFERENCE_TIME PrepareMainPlayList(std::vector<render::TFileInfo>& playList);

// The number of frames of a timeline `duration_units` long: those starting before its end.
std::int64_t TimelineFrameCount(render::REFERENCE_TIME duration_units, bool ntsc);

// Renders the play list of `options` into a DV file through the "DV File Recorder" device.
// Progress goes to `err`, and with realTime the late and repeated frames at the end. Gives 0
// only when the graph completed and the file holds one frame per timeline frame; 1 otherwise,
// or 3 when strict timing was asked for and a frame was late or repeated. Needs a Qt
// application object.
int runRenderCommand(const RenderOptions& options, QTextStream& err);

} // namespace app

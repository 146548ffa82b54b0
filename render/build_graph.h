#pragma once

#include "platform/editing/render_engine.h"
#include "platform/editing/timeline.h"
#include "platform/streaming/graph_interfaces.h"
#include "render/build_settings.h"
#include "render/file_info.h"
#include "render/timeline_builder.h"
#include "render/transitions.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace render {

// What one graph build keeps until the next build replaces it (owned by the caller).
struct TBuildState {
    std::shared_ptr<platform::IAMTimeline> Timeline;
    std::shared_ptr<platform::IRenderEngine> RenderEngine;
    // Whether the smart engine was chosen ("Do not recompress DV").
    bool Smart = false;
};

// The message shown when the front end could not be built three times.
inline const QString kRenderingErrorText =
    QStringLiteral("Rendering error.\r\nProbably there are some problem files in playlist.\r\n"
                   "Please try again.");

// The services a build calls outside the render engine; each may be left empty.
struct TBuildGraphHooks {
    // The build progress bar: advanced by a number of steps.
    StepBuildProgressFn stepBuildProgress;
    // Shows an error message (the message box with the error icon and an OK button).
    std::function<void(const QString& text)> showError;
    // The DV encoder filter of the output chain, needed by the smart engine before its front
    // end is built; null when it cannot be had.
    std::function<std::shared_ptr<platform::IBaseFilter>()> obtainEncoder;
    // Tells the all-files trackbar that the smart engine renders from `dvShift` on (its Mode
    // becomes tbmDVShift and its DVShift the value).
    std::function<void(REFERENCE_TIME dvShift)> setTrackBarDvShift;
    // Creates the engine (the smart one when `smart`); the platform's engines when empty.
    std::function<std::shared_ptr<platform::IRenderEngine>(bool smart)> createEngine;
};

// The front end of a graph build: lays the play list on a new timeline, creates the render
// engine for it in `graph` (the smart one for "Do not recompress DV", configured with the
// encoder as group compressor, the render range and the trackbar's shift mode; the plain one
// with the reconnection level of the "Files loading" choice) and builds the engine's front
// end, tried up to three times before the rendering error is shown. The timeline and engine
// are stored in `state`. Returns false, building nothing, when the preconditions do not hold.
bool BuildGraphFrontEnd(const std::vector<TFileInfo>& playList, const TBuildSettings& settings,
                        const TRenderState& renderState,
                        const std::shared_ptr<platform::IGraphBuilder>& graph,
                        TRandomGenerator& random, const TBuildGraphHooks& hooks,
                        TBuildState& state);

} // namespace render

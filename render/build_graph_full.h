#pragma once

#include "graph/filter_graph.h"
#include "render/build_graph.h"
#include "render/output_chain.h"

#include <functional>
#include <vector>

namespace render {

// Everything a whole graph build calls outside the render engine; each may be left empty.
struct TGraphBuildHooks {
    // stepBuildProgress, showError, setTrackBarDvShift and createEngine are used as given;
    // obtainEncoder is supplied by the build itself.
    TBuildGraphHooks frontEnd;
    TOutputChainHooks outputChain;
    // Hides the build progress bar: called at the end of every build, also after an error.
    std::function<void()> hideBuildProgress;
};

// The whole graph build in `fgMain`: nothing (false) unless the play list has an entry and a
// video-out device is selected; otherwise makes `fgMain` active, builds the front end and the
// output chain, validates the timeline's source names (flags 0x1F) and steps the progress bar.
// The timeline, engine and multiplexer are kept in `state`. An error raised by a step is passed
// on after the progress bar was hidden.
bool BuildGraph(const std::vector<TFileInfo>& playList, const TBuildSettings& settings,
                const TRenderState& renderState, const TDeviceLists& devices,
                const TDvEncoders& encoders, graph::TFilterGraph& fgMain, TRandomGenerator& random,
                const TGraphBuildHooks& hooks, TGraphBuildState& state);

} // namespace render

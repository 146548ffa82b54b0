#include "render/build_graph.h"

#include "platform/editing/render_engine.h"
#include "platform/system/query.h"

#include <exception>

namespace render {

namespace {

constexpr int kConnectTries = 3;

std::shared_ptr<platform::IRenderEngine> createEngine(const TBuildGraphHooks& hooks, bool smart) {
    if (hooks.createEngine) {
        return hooks.createEngine(smart);
    }
    return smart ? platform::CreateSmartRenderEngine() : platform::CreateRenderEngine();
}

void step(const TBuildGraphHooks& hooks, int steps) {
    if (hooks.stepBuildProgress) {
        hooks.stepBuildProgress(steps);
    }
}

// Only an exception counts as failure; the result code is not looked at.
void connectFrontEnd(platform::IRenderEngine& engine, const TBuildGraphHooks& hooks) {
    for (int attempt = 1; attempt <= kConnectTries; ++attempt) {
        try {
            engine.ConnectFrontEnd();
            return;
        } catch (const std::exception&) {
            if (attempt == kConnectTries && hooks.showError) {
                hooks.showError(kRenderingErrorText);
            }
        }
    }
}

} // namespace

bool BuildGraphFrontEnd(const std::vector<TFileInfo>& playList, const TBuildSettings& settings,
                        const TRenderState& renderState,
                        const std::shared_ptr<platform::IGraphBuilder>& graph,
                        TRandomGenerator& random, const TBuildGraphHooks& hooks,
                        TBuildState& state) {
    if (!BuildPreconditionsMet(playList, settings) || !graph) {
        return false;
    }
    state.Timeline = BuildTimeline(playList, settings, random, hooks.stepBuildProgress);

    const bool smart = settings.smartRecompress();
    state.Smart = smart;
    state.RenderEngine = createEngine(hooks, smart);
    auto& engine = *state.RenderEngine;
    engine.SetFilterGraph(graph);
    engine.SetTimelineObject(state.Timeline);

    if (smart) {
        const auto encoder = hooks.obtainEncoder ? hooks.obtainEncoder() : nullptr;
        ApplySmartRecompressFormat(*state.Timeline, settings.ntsc);
        if (const auto smartEngine =
                platform::query<platform::ISmartRenderEngine>(state.RenderEngine)) {
            smartEngine->SetGroupCompressor(0, encoder);
        }
        // Passed as it stands: an empty range renders nothing rather than hiding a caller that
        // never set it.
        engine.SetRenderRange(renderState.RenderRangeStart, renderState.RenderRangeStop);
        if (hooks.setTrackBarDvShift) {
            hooks.setTrackBarDvShift(renderState.RenderRangeStart);
        }
    } else {
        engine.SetDynamicReconnectLevel(settings.filesLoadMode == 0
                                            ? platform::CONNECTF_DYNAMIC_SOURCES
                                            : platform::CONNECTF_DYNAMIC_NONE);
    }

    connectFrontEnd(engine, hooks);
    step(hooks, 1);
    return true;
}

} // namespace render

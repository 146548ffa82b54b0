#include "render/build_graph_full.h"

#include "platform/editing/timeline.h"

namespace render {

namespace {

constexpr long kValidateSourceNamesFlags =
    platform::SFN_VALIDATEF_CHECK | platform::SFN_VALIDATEF_POPUP | platform::SFN_VALIDATEF_TELLME |
    platform::SFN_VALIDATEF_REPLACE | platform::SFN_VALIDATEF_USELOCAL;

// Hides the build progress bar when the build leaves, normally or by an error.
class HideBuildProgressOnExit {
public:
    explicit HideBuildProgressOnExit(const std::function<void()>& hide) : hide_(hide) {}
    ~HideBuildProgressOnExit() {
        if (hide_) {
            hide_();
        }
    }
    HideBuildProgressOnExit(const HideBuildProgressOnExit&) = delete;
    HideBuildProgressOnExit& operator=(const HideBuildProgressOnExit&) = delete;

private:
    const std::function<void()>& hide_;
};

} // namespace

bool BuildGraph(const std::vector<TFileInfo>& playList, const TBuildSettings& settings,
                const TRenderState& renderState, const TDeviceLists& devices,
                const TDvEncoders& encoders, graph::TFilterGraph& fgMain, TRandomGenerator& random,
                const TGraphBuildHooks& hooks, TGraphBuildState& state) {
    const HideBuildProgressOnExit hideOnExit(hooks.hideBuildProgress);
    if (!BuildPreconditionsMet(playList, settings) || !devices.VideoOutDevices) {
        return false;
    }
    fgMain.setActive(true);
    TBuildGraphHooks frontEndHooks = hooks.frontEnd;
    frontEndHooks.obtainEncoder = [&] {
        return ObtainEncoder(encoders, fgMain, settings.dvEncoderIndex, settings.ntsc);
    };
    state.DvMux.reset();
    if (!BuildGraphFrontEnd(playList, settings, renderState,
                            fgMain.query<platform::IGraphBuilder>(), random, frontEndHooks,
                            state)) {
        return false;
    }
    BuildOutputChain(settings, devices, encoders, fgMain, state, hooks.outputChain);
    if (state.Timeline) {
        state.Timeline->ValidateSourceNames(kValidateSourceNamesFlags, nullptr, 0);
    }
    if (hooks.frontEnd.stepBuildProgress) {
        hooks.frontEnd.stepBuildProgress(1);
    }
    return true;
}

} // namespace render

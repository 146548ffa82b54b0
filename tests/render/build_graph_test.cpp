#include "render/build_graph.h"

#include "platform/streaming/filter_base.h"
#include "platform/streaming/filter_graph.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"
#include "tests/support/test_media.h"

#include <gtest/gtest.h>

namespace {

using platform::HRESULT;
using platform::REFERENCE_TIME;
using platform::S_OK;

// An engine that records how the build configures it and fails ConnectFrontEnd on demand.
class RecordingEngine final : public platform::IRenderEngine, public platform::ISmartRenderEngine {
public:
    explicit RecordingEngine(int failures) : failures_(failures) {}

    HRESULT SetFilterGraph(const std::shared_ptr<platform::IGraphBuilder>& g) override {
        graph = g;
        return S_OK;
    }
    HRESULT GetFilterGraph(std::shared_ptr<platform::IGraphBuilder>* g) override {
        *g = graph;
        return S_OK;
    }
    HRESULT SetTimelineObject(const std::shared_ptr<platform::IAMTimeline>& t) override {
        timeline = t;
        return S_OK;
    }
    HRESULT GetTimelineObject(std::shared_ptr<platform::IAMTimeline>* t) override {
        *t = timeline;
        return S_OK;
    }
    HRESULT SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) override {
        range = {start, stop};
        return S_OK;
    }
    HRESULT SetDynamicReconnectLevel(long l) override {
        level = l;
        return S_OK;
    }
    HRESULT ConnectFrontEnd() override {
        ++connectCalls;
        if (connectCalls <= failures_) {
            throw platform::RenderEngineError("cannot render");
        }
        return platform::E_FAIL; // the result code is not looked at
    }
    HRESULT GetGroupOutputPin(long, std::shared_ptr<platform::IPin>*) override {
        return platform::E_NOTIMPL;
    }
    HRESULT ScrapIt() override { return S_OK; }
    HRESULT SetGroupCompressor(long group,
                               const std::shared_ptr<platform::IBaseFilter>& filter) override {
        compressorGroup = group;
        compressor = filter;
        return S_OK;
    }
    HRESULT GetGroupCompressor(long, std::shared_ptr<platform::IBaseFilter>*) override {
        return platform::E_NOTIMPL;
    }

    std::shared_ptr<platform::IGraphBuilder> graph;
    std::shared_ptr<platform::IAMTimeline> timeline;
    std::optional<std::pair<REFERENCE_TIME, REFERENCE_TIME>> range;
    std::optional<long> level;
    int connectCalls = 0;
    long compressorGroup = -1;
    std::shared_ptr<platform::IBaseFilter> compressor;

private:
    const int failures_;
};

class EncoderStandIn final : public platform::FilterBase {
public:
    EncoderStandIn() : FilterBase(QStringLiteral("Encoder")) {}
};

render::TFileInfo videoClip() {
    render::TFileInfo info;
    info.FileName = testsupport::testMedia("clip_h264_aac.mp4");
    info.Duration = 20'000'000;
    info.Kind = render::fkMedia;
    info.VideoStream = 0;
    info.AudioStream = 0;
    info.VideoStreamCount = 1;
    info.AudioStreamCount = 1;
    return info;
}

render::TBuildSettings settings() {
    render::TBuildSettings s;
    s.videoOutIndex = 0;
    s.audioOutIndex = 1;
    return s;
}

struct Build {
    std::shared_ptr<RecordingEngine> engine;
    std::optional<bool> smartAsked;
    std::vector<QString> messages;
    std::optional<REFERENCE_TIME> dvShift;
    render::TBuildState state;
    bool built = false;
};

Build build(const render::TBuildSettings& s, int failures, render::TRenderState renderState = {},
            std::shared_ptr<platform::IBaseFilter> encoder = nullptr) {
    Build b;
    b.engine = std::make_shared<RecordingEngine>(failures);
    render::TBuildGraphHooks hooks;
    hooks.createEngine = [&](bool smart) {
        b.smartAsked = smart;
        return b.engine;
    };
    hooks.showError = [&](const QString& text) { b.messages.push_back(text); };
    hooks.setTrackBarDvShift = [&](REFERENCE_TIME shift) { b.dvShift = shift; };
    hooks.obtainEncoder = [encoder] { return encoder; };
    render::TRandomGenerator random;
    b.built = render::BuildGraphFrontEnd({videoClip()}, s, renderState,
                                         platform::CreateFilterGraph(), random, hooks, b.state);
    return b;
}

TEST(BuildGraphFrontEnd, ConnectFrontEndIsTriedThreeTimesThenTheErrorIsShown) {
    const auto second = build(settings(), 2);
    EXPECT_EQ(second.engine->connectCalls, 3);
    EXPECT_TRUE(second.messages.empty());

    const auto failing = build(settings(), 3);
    EXPECT_TRUE(failing.built);
    EXPECT_EQ(failing.engine->connectCalls, 3);
    ASSERT_EQ(failing.messages.size(), 1u);
    EXPECT_EQ(failing.messages[0], QStringLiteral("Rendering error.\r\nProbably there are some "
                                                  "problem files in playlist.\r\nPlease try "
                                                  "again."));
    EXPECT_EQ(failing.state.RenderEngine, failing.engine);
    EXPECT_NE(failing.state.Timeline, nullptr);
}

TEST(BuildGraphFrontEnd, PlainEngineGetsTheReconnectLevelOfTheLoadingChoice) {
    auto s = settings();
    const auto dynamic = build(s, 0);
    EXPECT_EQ(dynamic.smartAsked, false);
    EXPECT_EQ(dynamic.engine->level, platform::CONNECTF_DYNAMIC_SOURCES);
    EXPECT_FALSE(dynamic.engine->range.has_value());
    EXPECT_EQ(dynamic.engine->timeline, dynamic.state.Timeline);
    EXPECT_NE(dynamic.engine->graph, nullptr);
    s.filesLoadMode = 1;
    EXPECT_EQ(build(s, 0).engine->level, platform::CONNECTF_DYNAMIC_NONE);
}

TEST(BuildGraphFrontEnd, SmartEngineGetsCompressorRangeAndTheTrackbarShift) {
    auto s = settings();
    s.recompressMode = 1;
    s.ntsc = true;
    const auto encoder = std::make_shared<EncoderStandIn>();
    const auto b = build(s, 0, {5'000'000, 20'000'000}, encoder);
    EXPECT_EQ(b.smartAsked, true);
    EXPECT_TRUE(b.state.Smart);
    EXPECT_EQ(b.engine->compressorGroup, 0);
    EXPECT_EQ(b.engine->compressor, encoder);
    EXPECT_EQ(b.engine->range,
              std::make_pair(REFERENCE_TIME{5'000'000}, REFERENCE_TIME{20'000'000}));
    EXPECT_EQ(b.dvShift, 5'000'000);
    EXPECT_FALSE(b.engine->level.has_value());
    // The video group carries the NTSC DV recompression format.
    std::shared_ptr<platform::IAMTimelineObj> group;
    b.state.Timeline->GetGroup(&group, 0);
    platform::SCompFmt0 format;
    platform::query<platform::IAMTimelineGroup>(group)->GetSmartRecompressFormat(&format);
    EXPECT_EQ(format.MediaType.subtype, platform::MEDIASUBTYPE_dvsd);
    EXPECT_EQ(format.MediaType.formatAs<platform::VIDEOINFOHEADER>()->bmiHeader.biSizeImage,
              120000u);
}

TEST(BuildGraphFrontEnd, SmartEngineGetsTheRenderRangeAsItStands) {
    auto s = settings();
    s.recompressMode = 1;
    // A range nobody set is not widened to the whole timeline.
    EXPECT_EQ(build(s, 0, {}).engine->range, std::make_pair(REFERENCE_TIME{0}, REFERENCE_TIME{0}));
    // A shift seek to the very end renders nothing.
    EXPECT_EQ(build(s, 0, {20'000'000, 20'000'000}).engine->range,
              std::make_pair(REFERENCE_TIME{20'000'000}, REFERENCE_TIME{20'000'000}));
}

TEST(BuildGraphFrontEnd, NothingIsBuiltWithoutAVideoOutDevice) {
    auto s = settings();
    s.videoOutIndex = -1;
    const auto b = build(s, 0);
    EXPECT_FALSE(b.built);
    EXPECT_FALSE(b.smartAsked.has_value());
    EXPECT_EQ(b.state.RenderEngine, nullptr);
}

TEST(BuildGraphFrontEnd, ThePlatformEnginePutsItsGroupPinsIntoTheGraph) {
    const auto graph = platform::CreateFilterGraph();
    render::TBuildGraphHooks hooks;
    std::vector<QString> messages;
    hooks.showError = [&](const QString& text) { messages.push_back(text); };
    render::TRandomGenerator random;
    render::TBuildState state;
    ASSERT_TRUE(
        render::BuildGraphFrontEnd({videoClip()}, settings(), {}, graph, random, hooks, state));
    EXPECT_TRUE(messages.empty());
    for (const long group : {0L, 1L}) {
        std::shared_ptr<platform::IPin> pin;
        EXPECT_EQ(state.RenderEngine->GetGroupOutputPin(group, &pin), S_OK);
        platform::PIN_INFO info;
        ASSERT_NE(pin, nullptr);
        pin->QueryPinInfo(&info);
        platform::FILTER_INFO filter;
        info.pFilter->QueryFilterInfo(&filter);
        EXPECT_TRUE(filter.achName.startsWith(QStringLiteral("DEXFILT")));
    }
    state.RenderEngine->ScrapIt();
    EXPECT_TRUE(graph->EnumFilters().empty());
}

} // namespace

#include "platform/editing/dv_frame_compressor.h"
#include "platform/streaming/filter_base.h"
#include "tests/platform/editing/render_engine_test_support.h"

#include <QFile>

namespace {

using namespace enginetest;
using platform::CONNECTF_DYNAMIC_NONE;
using platform::CONNECTF_DYNAMIC_SOURCES;
using testmedia::kClipDvPal;
using testmedia::kClipH264Aac;
using testmedia::kClipMpeg4Pcm;

constexpr int kStretch = render::smStretch;

std::vector<render::TFileInfo> threeClips() {
    return {clip("clip_h264_aac.mp4", 2.0, kStretch), clip("clip_mpeg4_pcm.avi", 2.0, kStretch),
            clip("clip_dv_pal.dv", 2.0, kStretch)};
}

std::optional<testmedia::FrameMark> markAt(const std::vector<CollectingRenderer::Sample>& s,
                                           std::size_t n) {
    return n < s.size() ? s[n].mark : std::nullopt;
}

// Channel 0 of the collected PCM (stereo) from sample `first` on.
std::vector<std::int16_t> pcmFrom(const std::vector<CollectingRenderer::Sample>& samples,
                                  std::size_t first, std::size_t count) {
    std::vector<std::int16_t> all;
    for (const auto& s : samples) {
        const auto* pcm = reinterpret_cast<const std::int16_t*>(s.bytes.data());
        for (std::size_t i = 0; i + 1 < s.bytes.size() / 2; i += 2) {
            all.push_back(pcm[i]);
        }
    }
    if (first + count > all.size()) {
        return {};
    }
    return {all.begin() + static_cast<std::ptrdiff_t>(first),
            all.begin() + static_cast<std::ptrdiff_t>(first + count)};
}

TEST(RenderEngineFrontEnd, FullProcessDeliversEveryFrameAndTheSoundInStep) {
    auto f = connectFrontEnd(threeClips(), palSettings(), {});
    // Loading all: every source's stages joined at once, named as internal stages.
    EXPECT_EQ(filtersNamed(*f.graph, QStringLiteral("Resizer")), 3);
    EXPECT_EQ(filtersNamed(*f.graph, QStringLiteral("DEXFILT")), 2);
    EXPECT_EQ(filtersNamed(*f.graph, QStringLiteral("Audio Repackager")), 1);
    f.runToEnd();

    const auto video = f.video->samples();
    ASSERT_EQ(video.size(), 150u); // 6 s at 25 fps, nothing dropped
    EXPECT_EQ(markAt(video, 0), mark(kClipH264Aac, 0));
    EXPECT_EQ(markAt(video, 49), mark(kClipH264Aac, 49));
    EXPECT_EQ(markAt(video, 61), mark(kClipMpeg4Pcm, 11));
    EXPECT_EQ(markAt(video, 149), mark(kClipDvPal, 49));
    EXPECT_EQ(video[10].start, 4'000'000);
    EXPECT_EQ(video[10].stop, 4'400'000);

    // One frame's worth of sound per sample: 1920 stereo samples at 48 kHz.
    const auto audio = f.audio->samples();
    ASSERT_EQ(audio.size(), 150u);
    for (const auto& s : audio) {
        ASSERT_EQ(s.bytes.size(), 1920u * 4);
    }
    // The second clip's first beep at 2 s, its tone after it.
    const auto beep = pcmFrom(audio, 96000 + 240, 1920);
    EXPECT_TRUE(testmedia::isBeep(beep.data(), 1920, 48000));
    const auto tone = pcmFrom(audio, 96000 + 9600, 2048);
    EXPECT_EQ(testmedia::identifyTone(tone.data(), 2048, 48000), kClipMpeg4Pcm);
}

TEST(RenderEngineFrontEnd, VideoPinOffersTheDvNativePlanarLayout) {
    FrontEndOptions options;
    options.videoSubtype = platform::MEDIASUBTYPE_I420;
    options.keepVideoBytes = true;
    render::TBuildSettings settings = palSettings();
    settings.audioOutIndex = 0;
    auto f = connectFrontEnd({clip("clip_h264_aac.mp4", 2.0, kStretch)}, settings, options);
    f.runToEnd();
    const auto video = f.video->samples();
    ASSERT_EQ(video.size(), 50u);
    ASSERT_EQ(video[7].bytes.size(), 720u * 576 * 3 / 2);
    const QImage luma(video[7].bytes.data(), 720, 576, 720, QImage::Format_Grayscale8);
    EXPECT_EQ(testmedia::readFrameMark(luma, luma.rect()), mark(kClipH264Aac, 7));
}

TEST(RenderEngineFrontEnd, DynamicLoadingJoinsSourcesShortlyBeforeTheyPlay) {
    FrontEndOptions options;
    options.level = CONNECTF_DYNAMIC_SOURCES;
    auto f = connectFrontEnd(threeClips(), palSettings(), options);
    // Only the first clip is due within a second of the start.
    EXPECT_EQ(filtersNamed(*f.graph, QStringLiteral("Resizer")), 1);

    const auto clock = std::make_shared<platform::ManualReferenceClock>();
    f.graphAs<platform::IMediaFilter>()->SetSyncSource(clock);
    f.graphAs<platform::IMediaControl>()->Run();
    const auto resizers = [&] { return filtersNamed(*f.graph, QStringLiteral("Resizer")); };
    clock->SetTime(seconds(1.5));
    EXPECT_TRUE(f.waitForEvent(platform::EC_GRAPH_CHANGED, [&] { return resizers() == 2; }));
    clock->SetTime(seconds(2.5)); // the first clip is over, the third not yet due
    EXPECT_TRUE(f.waitForEvent(platform::EC_GRAPH_CHANGED, [&] { return resizers() == 1; }));
    clock->SetTime(seconds(7.0));
    long code = 0;
    EXPECT_EQ(f.graphAs<platform::IMediaEventEx>()->WaitForCompletion(60'000, &code), S_OK);
    f.graphAs<platform::IMediaControl>()->Stop();

    const auto video = f.video->samples();
    ASSERT_EQ(video.size(), 150u);
    EXPECT_EQ(markAt(video, 75), mark(kClipMpeg4Pcm, 25));
    for (const auto& s : video) {
        EXPECT_LE(s.resizersInGraph, 2);
    }
}

TEST(RenderEngineFrontEnd, PreviewRepeatsLateFramesAndKeepsEverySlot) {
    render::TBuildSettings settings = palSettings();
    settings.processMode = 0; // "Preview"
    settings.audioOutIndex = 0;
    auto f = connectFrontEnd({clip("clip_h264_aac.mp4", 2.0, kStretch)}, settings, {});
    const auto clock = std::make_shared<platform::ManualReferenceClock>();
    f.graphAs<platform::IMediaFilter>()->SetSyncSource(clock);
    f.graphAs<platform::IMediaControl>()->Run();
    // The clock jumps a second ahead, as it does on a machine too slow to keep up.
    ASSERT_TRUE(f.video->waitForCount(1));
    clock->SetTime(seconds(1.0));
    clock->SetTime(seconds(3.0));
    long code = 0;
    EXPECT_EQ(f.graphAs<platform::IMediaEventEx>()->WaitForCompletion(60'000, &code), S_OK);
    f.graphAs<platform::IMediaControl>()->Stop();

    const auto video = f.video->samples();
    ASSERT_EQ(video.size(), 50u) << "every slot gets a frame";
    for (std::size_t i = 0; i < video.size(); ++i) {
        EXPECT_EQ(video[i].start, static_cast<REFERENCE_TIME>(i) * 400'000);
        // A late slot shows an earlier picture, never a later one.
        ASSERT_TRUE(video[i].mark) << i;
        EXPECT_EQ(video[i].mark->clipId, kClipH264Aac);
        EXPECT_LE(video[i].mark->frameNumber, static_cast<int>(i));
    }
    const auto statistics =
        platform::query<platform::IRenderEngineStatistics>(f.engine)->GetRenderStatistics();
    EXPECT_EQ(statistics.framesRendered + statistics.framesRepeated, 50);
    EXPECT_GE(statistics.framesRepeated, 40) << "late frames are not rendered in Preview";
}

TEST(RenderEngineFrontEnd, SeekingThePinsOrTheGraphLandsOnTheFrame) {
    auto f = connectFrontEnd(threeClips(), palSettings(), {});
    REFERENCE_TIME duration = 0;
    f.pinSeeking(0)->GetDuration(&duration);
    EXPECT_EQ(duration, seconds(6.0));

    // As the trackbar does with the engine's pins: both groups, while stopped.
    REFERENCE_TIME target = seconds(3.0);
    REFERENCE_TIME stop = duration;
    for (const long group : {0L, 1L}) {
        ASSERT_EQ(f.pinSeeking(group)->SetPositions(&target,
                                                    platform::AM_SEEKING_AbsolutePositioning, &stop,
                                                    platform::AM_SEEKING_NoPositioning),
                  S_OK);
    }
    f.runToEnd();
    auto video = f.video->samples();
    ASSERT_EQ(video.size(), 75u);
    EXPECT_EQ(markAt(video, 0), mark(kClipMpeg4Pcm, 25));
    EXPECT_EQ(video[0].start, 0);
    const auto tone = pcmFrom(f.audio->samples(), 9600, 2048);
    EXPECT_EQ(testmedia::identifyTone(tone.data(), 2048, 48000), kClipMpeg4Pcm);

    // Through the graph's own seeking.
    target = seconds(5.0);
    ASSERT_EQ(f.graphAs<platform::IMediaSeeking>()->SetPositions(
                  &target, platform::AM_SEEKING_AbsolutePositioning, nullptr,
                  platform::AM_SEEKING_NoPositioning),
              S_OK);
    const std::size_t before = f.video->samples().size();
    f.runToEnd();
    video = f.video->samples();
    ASSERT_EQ(video.size(), before + 25);
    EXPECT_EQ(markAt(video, before), mark(kClipDvPal, 75 - 50));
}

TEST(RenderEngineFrontEnd, AnUnreadableSourceRendersBlack) {
    render::TBuildSettings settings = palSettings();
    auto broken = clip("random.avi", 1.0, kStretch);
    auto f = connectFrontEnd({broken, clip("clip_h264_aac.mp4", 2.0, kStretch)}, settings, {});
    f.runToEnd();
    const auto video = f.video->samples();
    ASSERT_EQ(video.size(), 75u);
    EXPECT_EQ(markAt(video, 10), std::nullopt);
    EXPECT_EQ(markAt(video, 25), mark(kClipH264Aac, 0));
}

TEST(RenderEngineFrontEnd, AStretchModeChangeShowsOnTheNextFrame) {
    render::TBuildSettings settings = palSettings();
    settings.audioOutIndex = 0;
    FrontEndOptions options;
    options.keepVideoBytes = true;
    auto f = connectFrontEnd({picture("wide.jpg", render::fkPictureLast, render::smLetterbox)},
                             settings, options);
    const auto clock = std::make_shared<platform::ManualReferenceClock>();
    f.graphAs<platform::IMediaFilter>()->SetSyncSource(clock);
    f.graphAs<platform::IMediaControl>()->Run();
    ASSERT_TRUE(f.video->waitForCount(1));
    // What the stretch-mode option does: every "Resizer" gets the new flag.
    for (const auto& filter : f.graph->EnumFilters()) {
        if (const auto resize = platform::query<platform::IResize>(filter)) {
            int height = 0;
            int width = 0;
            long flag = 0;
            ASSERT_EQ(resize->get_Size(&height, &width, &flag), S_OK);
            EXPECT_EQ(flag, render::smLetterbox);
            EXPECT_EQ(resize->put_Size(height, width, platform::RESIZEF_STRETCH), S_OK);
            EXPECT_EQ(resize->put_Size(height, width, 7), E_INVALIDARG);
        }
    }
    clock->SetTime(seconds(2.0));
    long code = 0;
    EXPECT_EQ(f.graphAs<platform::IMediaEventEx>()->WaitForCompletion(60'000, &code), S_OK);
    f.graphAs<platform::IMediaControl>()->Stop();
    const auto video = f.video->samples();
    ASSERT_EQ(video.size(), 25u);
    // Letterboxed: the top rows are black (bottom-up, so the last rows of the buffer); then
    // stretched over the whole frame from a frame shortly after the change.
    const auto topRowGrey = [](const CollectingRenderer::Sample& s) {
        return qGray(s.bytes[575 * 2160 + 3 * 360 + 2], s.bytes[575 * 2160 + 3 * 360 + 1],
                     s.bytes[575 * 2160 + 3 * 360]);
    };
    EXPECT_LT(topRowGrey(video.front()), 20);
    EXPECT_GT(topRowGrey(video.back()), 60);
}

TEST(RenderEngineFrontEnd, TimelinesThatCannotRenderThrow) {
    const auto engine = platform::CreateRenderEngine();
    EXPECT_THROW(engine->ConnectFrontEnd(), platform::RenderEngineError); // no graph
    engine->SetFilterGraph(platform::CreateFilterGraph());
    engine->SetTimelineObject(platform::CreateAMTimeline());
    EXPECT_THROW(engine->ConnectFrontEnd(), platform::RenderEngineError); // no groups
    std::shared_ptr<platform::IPin> pin;
    EXPECT_EQ(engine->GetGroupOutputPin(0, &pin), platform::VFW_E_WRONG_STATE);

    // A video group that is not RGB24.
    const auto timeline = platform::CreateAMTimeline();
    std::shared_ptr<platform::IAMTimelineObj> group;
    timeline->CreateEmptyNode(&group, platform::TIMELINE_MAJOR_TYPE_GROUP);
    auto type = render::VideoGroupMediaType(false);
    type.subtype = platform::MEDIASUBTYPE_YUY2;
    platform::query<platform::IAMTimelineGroup>(group)->SetMediaType(type);
    timeline->AddGroup(group);
    engine->SetTimelineObject(timeline);
    EXPECT_THROW(engine->ConnectFrontEnd(), platform::RenderEngineError);

    // The smart engine needs a compressor.
    const auto smart = platform::CreateSmartRenderEngine();
    render::TRandomGenerator random;
    smart->SetFilterGraph(platform::CreateFilterGraph());
    smart->SetTimelineObject(render::BuildTimeline(threeClips(), palSettings(), random));
    EXPECT_THROW(smart->ConnectFrontEnd(), platform::RenderEngineError);
}

// A compressor that marks the frames it makes and counts them.
class FakeCompressor final : public platform::FilterBase, public platform::IDvFrameCompressor {
public:
    FakeCompressor() : FilterBase(QStringLiteral("Fake DV compressor")) {}
    HRESULT CompressFrame(const AM_MEDIA_TYPE& inputType, const std::uint8_t* /*data*/,
                          std::size_t length, std::vector<std::uint8_t>* dvFrame) override {
        EXPECT_EQ(inputType.subtype, platform::MEDIASUBTYPE_I420);
        EXPECT_EQ(length, 720u * 576 * 3 / 2);
        dvFrame->assign(ntsc ? 120000 : 144000, 0xAB);
        ++frames;
        return S_OK;
    }
    HRESULT SetDvStandard(bool isNtsc) override {
        ntsc = isNtsc;
        return S_OK;
    }
    std::atomic<int> frames{0};
    bool ntsc = true;
};

TEST(RenderEngineSmart, DvOfTheOutputFormatPassesThroughBitForBit) {
    QFile dvFile(testsupport::testMedia("clip_dv_pal.dv"));
    ASSERT_TRUE(dvFile.open(QIODevice::ReadOnly));
    const QByteArray dv = dvFile.readAll();
    ASSERT_EQ(dv.size(), 50 * 144000);

    const auto compressor = std::make_shared<FakeCompressor>();
    FrontEndOptions options;
    options.smart = true;
    options.compressor = compressor;
    auto f = connectFrontEnd(
        {clip("clip_h264_aac.mp4", 2.0, kStretch), clip("clip_dv_pal.dv", 2.0, kStretch)},
        palSettings(), options);
    f.runToEnd();
    EXPECT_FALSE(compressor->ntsc);
    auto video = f.video->samples();
    ASSERT_EQ(video.size(), 100u);
    EXPECT_EQ(compressor->frames, 50);
    EXPECT_EQ(video[0].bytes, std::vector<std::uint8_t>(144000, 0xAB));
    for (std::size_t k = 0; k < 50; ++k) {
        ASSERT_EQ(QByteArray::fromRawData(reinterpret_cast<const char*>(video[50 + k].bytes.data()),
                                          144000),
                  dv.mid(static_cast<qsizetype>(k) * 144000, 144000))
            << "frame " << k;
    }

    // A render range from inside the DV clip: positions start at the range, nothing compressed.
    options.compressor = compressor;
    options.rangeStart = seconds(3.0);
    compressor->frames = 0;
    auto ranged = connectFrontEnd(
        {clip("clip_h264_aac.mp4", 2.0, kStretch), clip("clip_dv_pal.dv", 2.0, kStretch)},
        palSettings(), options);
    ranged.runToEnd();
    video = ranged.video->samples();
    ASSERT_EQ(video.size(), 25u);
    EXPECT_EQ(compressor->frames, 0);
    EXPECT_EQ(video[0].start, 0);
    EXPECT_EQ(QByteArray::fromRawData(reinterpret_cast<const char*>(video[0].bytes.data()), 144000),
              dv.mid(25 * 144000, 144000));
}

} // namespace

#include "tests/platform/editing/render_engine_test_support.h"

#include "platform/streaming/filter_graph.h"

namespace enginetest {

HRESULT CollectingRenderer::DoRenderSample(IMediaSample& sample) {
    Sample kept;
    sample.GetTime(&kept.start, &kept.stop);
    const auto* data = sample.GetPointer();
    const auto size = static_cast<std::size_t>(sample.GetActualDataLength());
    if (keepBytes_) {
        kept.bytes.assign(data, data + size);
    } else if (subtype_ == platform::MEDIASUBTYPE_RGB24) {
        // RGB24 rows are stored bottom-up.
        const QImage image =
            QImage(data, 720, static_cast<int>(size / 2160), 2160, QImage::Format_BGR888)
                .mirrored(false, true);
        kept.mark = testmedia::readFrameMark(image, image.rect());
    }
    platform::FILTER_INFO info;
    QueryFilterInfo(&info);
    if (info.pGraph) {
        kept.resizersInGraph = filtersNamed(*info.pGraph, QStringLiteral("Resizer"));
    }
    const std::lock_guard lock(mutex_);
    samples_.push_back(std::move(kept));
    changed_.notify_all();
    return S_OK;
}

int filtersNamed(platform::IFilterGraph& graph, const QString& prefix) {
    int count = 0;
    for (const auto& filter : graph.EnumFilters()) {
        platform::FILTER_INFO info;
        filter->QueryFilterInfo(&info);
        count += info.achName.startsWith(prefix) ? 1 : 0;
    }
    return count;
}

std::shared_ptr<platform::IMediaSeeking> FrontEnd::pinSeeking(long group) const {
    std::shared_ptr<platform::IPin> pin;
    engine->GetGroupOutputPin(group, &pin);
    return platform::query<platform::IMediaSeeking>(pin);
}

void FrontEnd::runToEnd() const {
    graphAs<platform::IMediaFilter>()->SetSyncSource(nullptr);
    ASSERT_TRUE(SUCCEEDED(graphAs<platform::IMediaControl>()->Run()));
    long code = 0;
    ASSERT_EQ(graphAs<platform::IMediaEventEx>()->WaitForCompletion(60'000, &code), S_OK);
    EXPECT_EQ(code, platform::EC_COMPLETE);
    graphAs<platform::IMediaControl>()->Stop();
}

bool FrontEnd::waitForEvent(long code, const std::function<bool()>& until) const {
    const auto events = graphAs<platform::IMediaEventEx>();
    for (;;) {
        long got = 0;
        platform::LONG_PTR p1 = 0;
        platform::LONG_PTR p2 = 0;
        if (events->GetEvent(&got, &p1, &p2, 20'000) != S_OK) {
            return false;
        }
        events->FreeEventParams(got, p1, p2);
        if (got == code && (!until || until())) {
            return true;
        }
    }
}

FrontEnd connectFrontEnd(const std::vector<render::TFileInfo>& playList,
                         const render::TBuildSettings& settings, const FrontEndOptions& options) {
    FrontEnd f;
    f.graph = platform::CreateFilterGraph();
    render::TRandomGenerator random;
    f.timeline = render::BuildTimeline(playList, settings, random);
    if (options.smart) {
        render::ApplySmartRecompressFormat(*f.timeline, settings.ntsc);
        f.engine = platform::CreateSmartRenderEngine();
        platform::query<platform::ISmartRenderEngine>(f.engine)->SetGroupCompressor(
            0, options.compressor);
    } else {
        f.engine = platform::CreateRenderEngine();
    }
    f.engine->SetFilterGraph(f.graph);
    f.engine->SetTimelineObject(f.timeline);
    f.engine->SetDynamicReconnectLevel(options.level);
    f.engine->SetRenderRange(options.rangeStart, options.rangeStop);
    f.engine->ConnectFrontEnd();

    f.video = std::make_shared<CollectingRenderer>(options.smart ? platform::MEDIASUBTYPE_dvsd
                                                                 : options.videoSubtype,
                                                   options.keepVideoBytes || options.smart);
    f.graph->AddFilter(f.video, QStringLiteral("Video collector"));
    std::shared_ptr<platform::IPin> pin;
    f.engine->GetGroupOutputPin(0, &pin);
    EXPECT_EQ(f.graph->Connect(pin, f.video->inputPin().self()), S_OK);
    if (settings.audioWanted()) {
        f.audio = std::make_shared<CollectingRenderer>(platform::MEDIASUBTYPE_PCM, true);
        f.graph->AddFilter(f.audio, QStringLiteral("Audio collector"));
        f.engine->GetGroupOutputPin(1, &pin);
        EXPECT_EQ(f.graph->Connect(pin, f.audio->inputPin().self()), S_OK);
    }
    return f;
}

} // namespace enginetest

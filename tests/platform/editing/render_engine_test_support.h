#pragma once

#include "platform/editing/render_engine.h"
#include "platform/editing/resizer.h"
#include "platform/streaming/reference_clocks.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"
#include "tests/platform/editing/engine_test_support.h"

#include <condition_variable>
#include <functional>
#include <mutex>

// Front ends of real timelines rendered into collecting renderers in a real graph.
namespace enginetest {

using platform::AM_MEDIA_TYPE;
using platform::E_INVALIDARG;
using platform::HRESULT;
using platform::IMediaSample;
using platform::S_OK;
using platform::SUCCEEDED;

// Keeps what each sample carried: its times and either its bytes or what `digest` makes of
// them (a frame mark, so that long runs keep little).
class CollectingRenderer final : public platform::RendererBase {
public:
    struct Sample {
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        std::vector<std::uint8_t> bytes;
        std::optional<testmedia::FrameMark> mark;
        int resizersInGraph = 0;
    };

    CollectingRenderer(platform::GUID subtype, bool keepBytes)
        : RendererBase(QStringLiteral("Collector")), subtype_(subtype), keepBytes_(keepBytes) {}

    std::vector<Sample> samples() const {
        const std::lock_guard lock(mutex_);
        return samples_;
    }
    bool waitForCount(std::size_t n) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return samples_.size() >= n; });
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.subtype == subtype_ ? S_OK : platform::VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample& sample) override;

private:
    const platform::GUID subtype_;
    const bool keepBytes_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Sample> samples_;
};

// The number of filters in the graph whose name begins with `prefix`.
int filtersNamed(platform::IFilterGraph& graph, const QString& prefix);

// A graph with an engine's front end and a collector on each group pin.
struct FrontEnd {
    std::shared_ptr<platform::IFilterGraph2> graph;
    std::shared_ptr<platform::IAMTimeline> timeline;
    std::shared_ptr<platform::IRenderEngine> engine;
    std::shared_ptr<CollectingRenderer> video;
    std::shared_ptr<CollectingRenderer> audio;

    template <typename T> std::shared_ptr<T> graphAs() const { return platform::query<T>(graph); }
    std::shared_ptr<platform::IMediaSeeking> pinSeeking(long group) const;
    // Runs as fast as possible until the graph completes.
    void runToEnd() const;
    // Takes graph events until one with `code` arrives and `until` holds; false on time-out.
    bool waitForEvent(long code, const std::function<bool()>& until = {}) const;
};

struct FrontEndOptions {
    long level = platform::CONNECTF_DYNAMIC_NONE;
    bool smart = false;
    std::shared_ptr<platform::IBaseFilter> compressor;
    REFERENCE_TIME rangeStart = 0;
    REFERENCE_TIME rangeStop = -1;
    platform::GUID videoSubtype = platform::MEDIASUBTYPE_RGB24;
    bool keepVideoBytes = false;
};

FrontEnd connectFrontEnd(const std::vector<render::TFileInfo>& playList,
                         const render::TBuildSettings& settings, const FrontEndOptions& options);

} // namespace enginetest

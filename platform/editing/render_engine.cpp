#include "platform/editing/render_engine.h"

#include "platform/editing/editing_guids.h"
#include "platform/editing/render_engine_membership.h"
#include "platform/editing/render_engine_pins.h"
#include "platform/editing/resizer.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"

#include <algorithm>
#include <mutex>

namespace platform {

namespace {

// How long before its start a source's stages join the graph with dynamic loading.
constexpr REFERENCE_TIME kSourcePreload = UNITS;

struct GroupInfo {
    AM_MEDIA_TYPE mediaType;
    std::optional<EngineVideoFormat> video;
    bool audio = false;
    bool preview = false;
};

std::vector<GroupInfo> readGroups(const IAMTimeline& timeline) {
    long count = 0;
    timeline.GetGroupCount(&count);
    if (count <= 0) {
        throw RenderEngineError("The timeline has no groups.");
    }
    std::vector<GroupInfo> groups;
    for (long g = 0; g < count; ++g) {
        std::shared_ptr<IAMTimelineObj> object;
        timeline.GetGroup(&object, g);
        const auto group = query<IAMTimelineGroup>(object);
        if (!group) {
            throw RenderEngineError("A timeline group cannot be read.");
        }
        GroupInfo info;
        group->GetMediaType(&info.mediaType);
        group->GetPreviewMode(&info.preview);
        double fps = 0;
        group->GetOutputFPS(&fps);
        if (info.mediaType.majortype == MEDIATYPE_Video) {
            info.video = videoFormatFromGroup(info.mediaType, fps > 0 ? fps : 25.0,
                                              EnginePixelFormat::Bgr24);
            const auto vih = info.mediaType.formatAs<VIDEOINFOHEADER>();
            if (!info.video || info.mediaType.subtype != MEDIASUBTYPE_RGB24 || !vih ||
                vih->bmiHeader.biBitCount != 24) {
                throw RenderEngineError("A video group's media type is not RGB24 video.");
            }
        } else {
            info.audio = audioFormatFromGroup(info.mediaType).has_value();
            if (!info.audio) {
                throw RenderEngineError("An audio group's media type is not 16-bit PCM.");
            }
        }
        groups.push_back(std::move(info));
    }
    return groups;
}

class RenderEngine : public IRenderEngine, public IRenderEngineStatistics {
public:
    explicit RenderEngine(bool smart) : smart_(smart) {}
    ~RenderEngine() override { ScrapIt(); }
    RenderEngine(const RenderEngine&) = delete;
    RenderEngine& operator=(const RenderEngine&) = delete;

    HRESULT SetFilterGraph(const std::shared_ptr<IGraphBuilder>& graph) override {
        if (!groups_.empty()) {
            return VFW_E_WRONG_STATE;
        }
        graph_ = graph;
        return S_OK;
    }
    HRESULT GetFilterGraph(std::shared_ptr<IGraphBuilder>* graph) override {
        if (graph == nullptr) {
            return E_POINTER;
        }
        *graph = graph_;
        return graph_ ? S_OK : S_FALSE;
    }
    HRESULT SetTimelineObject(const std::shared_ptr<IAMTimeline>& timeline) override {
        timeline_ = timeline;
        return S_OK;
    }
    HRESULT GetTimelineObject(std::shared_ptr<IAMTimeline>* timeline) override {
        if (timeline == nullptr) {
            return E_POINTER;
        }
        *timeline = timeline_;
        return timeline_ ? S_OK : S_FALSE;
    }
    HRESULT SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) override {
        if (start < 0 || (stop >= 0 && stop < start)) {
            return E_INVALIDARG;
        }
        rangeStart_ = start;
        rangeStop_ = stop;
        return S_OK;
    }
    HRESULT SetDynamicReconnectLevel(long level) override {
        if (level != CONNECTF_DYNAMIC_NONE && level != CONNECTF_DYNAMIC_SOURCES) {
            return E_INVALIDARG;
        }
        level_ = level;
        return S_OK;
    }
    HRESULT ConnectFrontEnd() override;
    HRESULT GetGroupOutputPin(long group, std::shared_ptr<IPin>* pin) override {
        if (pin == nullptr) {
            return E_POINTER;
        }
        *pin = nullptr;
        if (groups_.empty()) {
            return VFW_E_WRONG_STATE;
        }
        if (group < 0 || static_cast<std::size_t>(group) >= groups_.size()) {
            return E_INVALIDARG;
        }
        *pin = groups_[static_cast<std::size_t>(group)]->outputPin();
        return S_OK;
    }
    RenderEngineStatistics GetRenderStatistics() const override {
        const std::lock_guard lock(sessionMutex_);
        return session_ ? session_->statistics() : RenderEngineStatistics{};
    }
    HRESULT ScrapIt() override {
        if (membership_) {
            membership_->leaveAll();
            membership_.reset();
        }
        for (const auto& filter : ownFilters_) {
            if (graph_) {
                graph_->RemoveFilter(filter);
            }
        }
        ownFilters_.clear();
        groups_.clear();
        return S_OK;
    }

protected:
    // The compressor of a group (smart engine).
    virtual std::shared_ptr<IDvFrameCompressor> compressorOf(long /*group*/) { return nullptr; }

private:
    void addToGraph(const std::shared_ptr<IBaseFilter>& filter, const QString& name) {
        if (FAILED(graph_->AddFilter(filter, name))) {
            throw RenderEngineError("A filter of the render engine cannot join the graph.");
        }
        ownFilters_.push_back(filter);
    }
    std::vector<EngineMembership::Entry> stageEntries(const FrontEndLayout& layout,
                                                      const std::shared_ptr<EngineSession>& session,
                                                      const std::vector<GroupInfo>& groups) const;

    const bool smart_;
    std::shared_ptr<IGraphBuilder> graph_;
    std::shared_ptr<IAMTimeline> timeline_;
    REFERENCE_TIME rangeStart_ = 0;
    REFERENCE_TIME rangeStop_ = -1;
    long level_ = CONNECTF_DYNAMIC_SOURCES;
    std::vector<std::shared_ptr<GroupOutputFilter>> groups_;
    std::vector<std::shared_ptr<IBaseFilter>> ownFilters_;
    std::shared_ptr<EngineMembership> membership_;
    mutable std::mutex sessionMutex_;
    std::shared_ptr<EngineSession> session_; // of the front end built last
};

std::vector<EngineMembership::Entry>
RenderEngine::stageEntries(const FrontEndLayout& layout,
                           const std::shared_ptr<EngineSession>& session,
                           const std::vector<GroupInfo>& groups) const {
    std::vector<EngineMembership::Entry> entries;
    const std::weak_ptr<EngineSession> weakSession = session;
    for (const FrontEndSource& source : layout.sources) {
        EngineMembership::Entry entry;
        entry.video = source.video;
        entry.start = source.start;
        entry.stop = source.stop;
        if (source.video) {
            const EngineVideoFormat& format = *groups[static_cast<std::size_t>(source.group)].video;
            const auto node = source.node;
            auto resizer = std::make_shared<ResizerFilter>(
                format.height, format.width, source.stretchMode, [weakSession, node](int mode) {
                    if (const auto s = weakSession.lock()) {
                        s->setStretchMode(node, mode);
                    }
                });
            entry.filters.emplace_back(std::move(resizer), QStringLiteral("Resizer"));
            entry.filters.emplace_back(
                std::make_shared<EngineStageFilter>(QStringLiteral("Frame Rate Converter")),
                QStringLiteral("Frame Rate Converter"));
        } else {
            entry.filters.emplace_back(
                std::make_shared<EngineStageFilter>(QStringLiteral("ACM Wrapper")),
                QStringLiteral("ACM Wrapper"));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

HRESULT RenderEngine::ConnectFrontEnd() {
    ScrapIt();
    if (!graph_) {
        throw RenderEngineError("The render engine has no filter graph.");
    }
    if (!timeline_) {
        throw RenderEngineError("The render engine has no timeline.");
    }
    const std::vector<GroupInfo> groups = readGroups(*timeline_);

    EngineSession::Config config;
    config.timeline = timeline_;
    config.dynamicLoading = level_ == CONNECTF_DYNAMIC_SOURCES;
    const auto firstVideo = std::find_if(groups.begin(), groups.end(),
                                         [](const GroupInfo& g) { return g.video.has_value(); });
    if (firstVideo != groups.end()) {
        config.frameTiming = *firstVideo->video;
    }
    REFERENCE_TIME duration = 0;
    timeline_->GetDuration(&duration);
    config.rangeStart = rangeStart_;
    config.rangeStop = std::max(rangeStart_, rangeStop_ < 0 ? duration : rangeStop_);
    const auto session = std::make_shared<EngineSession>(config);
    FrontEndLayout layout = readFrontEndLayout(*timeline_);

    std::vector<std::shared_ptr<GroupOutputFilter>> filters;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const GroupInfo& info = groups[g];
        const long group = static_cast<long>(g);
        GroupOutputFilter::PinFactory factory;
        if (info.video && smart_) {
            const int height = info.video->height;
            if (info.video->width != 720 || (height != 576 && height != 480)) {
                throw RenderEngineError("The smart render engine renders DV frame sizes only.");
            }
            auto compressor = compressorOf(group);
            if (!compressor) {
                throw RenderEngineError("The smart render engine has no DV compressor.");
            }
            factory = [&, group, height, compressor](FilterBase& filter) {
                return std::make_unique<SmartVideoGroupPin>(filter, session, group, height == 480,
                                                            compressor, layout);
            };
        } else if (info.video) {
            factory = [&, group](FilterBase& filter) {
                return std::make_unique<VideoGroupPin>(filter, session, group, info.mediaType,
                                                       info.preview);
            };
        } else {
            factory = [&, group](FilterBase& filter) {
                return std::make_unique<AudioGroupPin>(filter, session, group, info.mediaType);
            };
        }
        filters.push_back(std::make_shared<GroupOutputFilter>(factory));
    }

    try {
        for (std::size_t g = 0; g < filters.size(); ++g) {
            addToGraph(filters[g], QStringLiteral("DEXFILT %1").arg(g));
            if (groups[g].audio) {
                addToGraph(std::make_shared<EngineStageFilter>(QStringLiteral("Audio Repackager")),
                           QStringLiteral("Audio Repackager"));
            }
        }
        membership_ = std::make_shared<EngineMembership>(
            graph_, stageEntries(layout, session, groups), config.dynamicLoading, kSourcePreload);
        session->attachMembership(membership_);
        membership_->applyNow(config.rangeStart, config.rangeStart);
    } catch (...) {
        ScrapIt();
        throw;
    }
    groups_ = std::move(filters);
    const std::lock_guard lock(sessionMutex_);
    session_ = session;
    return S_OK;
}

class SmartRenderEngine final : public RenderEngine, public ISmartRenderEngine {
public:
    SmartRenderEngine() : RenderEngine(true) {}

    HRESULT SetGroupCompressor(long group, const std::shared_ptr<IBaseFilter>& filter) override {
        if (group < 0) {
            return E_INVALIDARG;
        }
        compressors_[group] = filter;
        return S_OK;
    }
    HRESULT GetGroupCompressor(long group, std::shared_ptr<IBaseFilter>* filter) override {
        if (filter == nullptr) {
            return E_POINTER;
        }
        const auto found = compressors_.find(group);
        *filter = found == compressors_.end() ? nullptr : found->second;
        return *filter ? S_OK : S_FALSE;
    }

protected:
    std::shared_ptr<IDvFrameCompressor> compressorOf(long group) override {
        const auto found = compressors_.find(group);
        return found == compressors_.end() ? nullptr : query<IDvFrameCompressor>(found->second);
    }

private:
    std::map<long, std::shared_ptr<IBaseFilter>> compressors_;
};

} // namespace

std::shared_ptr<IRenderEngine> CreateRenderEngine() {
    return std::make_shared<RenderEngine>(false);
}

std::shared_ptr<IRenderEngine> CreateSmartRenderEngine() {
    return std::make_shared<SmartRenderEngine>();
}

} // namespace platform

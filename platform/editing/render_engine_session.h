#pragma once

#include "platform/editing/engine_timeline_renderer.h"
#include "platform/editing/render_engine.h"
#include "platform/editing/timeline.h"

#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

class EngineMembership;

// One source of the timeline as the front end sees it: where it plays and which node it is.
struct FrontEndSource {
    long group = 0;
    bool video = false;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    REFERENCE_TIME mediaStart = 0;
    REFERENCE_TIME mediaStop = 0;
    QString path;
    int stretchMode = RESIZEF_STRETCH;
    std::shared_ptr<IAMTimelineSrc> node;
};

struct FrontEndSpan {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
};

// Every source of every group and the transitions of the video groups, read once.
struct FrontEndLayout {
    std::vector<FrontEndSource> sources;
    std::vector<FrontEndSpan> videoTransitions;
};

FrontEndLayout readFrontEndLayout(const IAMTimeline& timeline);

// What the group pins of one front end share: the timeline, the render range and the media
// core that renders it. The core is built when a pin first needs it, in the pixel format the
// video pin was connected with; a change of a source's stretch mode makes the video pin
// build a fresh core for itself, which renders the new mode from the next frame.
class EngineSession {
public:
    struct Config {
        std::shared_ptr<IAMTimeline> timeline;
        bool dynamicLoading = true;
        REFERENCE_TIME rangeStart = 0;
        REFERENCE_TIME rangeStop = 0;
        // Video frame timing of the timeline (the first video group, else 25 fps).
        EngineVideoFormat frameTiming;
    };

    explicit EngineSession(Config config);

    // Where stream positions are reported; set once, before any pin streams.
    void attachMembership(std::weak_ptr<EngineMembership> membership) {
        membership_ = std::move(membership);
    }

    REFERENCE_TIME rangeStart() const { return config_.rangeStart; }
    REFERENCE_TIME rangeStop() const { return config_.rangeStop; }
    const EngineVideoFormat& frameTiming() const { return config_.frameTiming; }

    // The pixel format the core renders video into.
    void setPixelFormat(EnginePixelFormat format);
    // The sample rate the core renders an audio group at.
    void setAudioSampleRate(long group, int sampleRate);
    // The shared core, built on first use (for playing out paced by a clock, or as fast as
    // possible). Throws what the core's construction throws.
    std::shared_ptr<EngineTimelineRenderer> core(bool paced);
    // A new core of the timeline as it is now (after stretch mode changes).
    std::shared_ptr<EngineTimelineRenderer> freshCore();
    // Changes the stretch mode of a source; seen through stretchGeneration().
    void setStretchMode(const std::shared_ptr<IAMTimelineSrc>& node, int mode);
    std::uint64_t stretchGeneration() const { return stretchGeneration_.load(); }

    // A group's stream has reached a timeline time (sources join and leave by it).
    void positionReached(bool video, REFERENCE_TIME time);

    // Counts of the video pins, from any thread.
    void countRenderedFrame(bool late);
    void countRepeatedFrame() { ++framesRepeated_; }
    RenderEngineStatistics statistics() const;

private:
    EngineOptions options() const;

    const Config config_;
    std::weak_ptr<EngineMembership> membership_;
    mutable std::mutex mutex_; // the core, the pixel format and the timeline's stretch modes
    EnginePixelFormat pixelFormat_ = EnginePixelFormat::Bgr24;
    bool paced_ = false;
    std::map<int, int> audioSampleRates_;
    std::shared_ptr<EngineTimelineRenderer> core_;
    std::atomic<std::uint64_t> stretchGeneration_{0};
    std::atomic<std::int64_t> framesRendered_{0};
    std::atomic<std::int64_t> framesRepeated_{0};
    std::atomic<std::int64_t> framesLate_{0};
};

} // namespace platform

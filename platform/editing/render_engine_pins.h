#pragma once

#include "platform/editing/dv_frame_compressor.h"
#include "platform/editing/render_engine_dv_reader.h"
#include "platform/editing/render_engine_session.h"
#include "platform/streaming/filter_base.h"
#include "platform/streaming/source_pin.h"

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// The output filter of one group: a filter without inputs whose single pin streams the group.
class GroupOutputFilter final : public FilterBase {
public:
    using PinFactory = std::function<std::unique_ptr<SourceOutputPin>(FilterBase&)>;
    explicit GroupOutputFilter(const PinFactory& makePin);

    std::shared_ptr<IPin> outputPin() { return pinPointer(*pin_); }

private:
    std::unique_ptr<SourceOutputPin> pin_;
};

// What every group pin shares: the position within the render range by video frame. Position
// 0 is the start of the render range; sample n covers video frame n's time.
class GroupPinBase : public SourceOutputPin {
public:
    GroupPinBase(FilterBase& filter, QString name, std::shared_ptr<EngineSession> session);

protected:
    void onSeek(REFERENCE_TIME start, bool keyFrame) override;
    // The frame shown at a position of the pin.
    std::int64_t frameAtPosition(REFERENCE_TIME position) const;
    // Sample times of frame n relative to the segment; false when the frame lies past the end
    // of the render range or of the segment.
    bool frameSampleTimes(std::int64_t n, REFERENCE_TIME* start, REFERENCE_TIME* stop) const;
    // The position the running clock has reached, when running with a clock.
    std::optional<REFERENCE_TIME> clockPosition() const;

    const std::shared_ptr<EngineSession> session_;
    std::int64_t next_ = 0; // frame to produce next (under the streaming lock)
};

// A video group's pin: the group's RGB24 type (rows bottom-up) or the planar YUV type DV uses
// natively (offered first, so a DV encoder takes it and skips a conversion). In preview mode a
// frame already late on the running clock is not rendered: its slot repeats the previous
// picture.
class VideoGroupPin final : public GroupPinBase {
public:
    VideoGroupPin(FilterBase& filter, std::shared_ptr<EngineSession> session, long group,
                  AM_MEDIA_TYPE groupType, bool previewMode);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
    std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override;

protected:
    HRESULT CompleteConnect(const std::shared_ptr<IPin>& peer) override;
    HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override;
    void onSeek(REFERENCE_TIME start, bool keyFrame) override;

private:
    EngineVideoRenderer* renderer();
    // Whether the running clock already shows a frame after `frame`.
    bool behindClock(std::int64_t frame) const;

    const long group_;
    const AM_MEDIA_TYPE groupType_;
    const bool ntsc_;
    const bool previewMode_;
    std::shared_ptr<EngineTimelineRenderer> core_;
    std::uint64_t coreGeneration_ = 0;
    EngineFramePtr lastFrame_; // the picture delivered last (repeated for late slots)
    std::unique_ptr<SampleAllocator> allocator_;
};

// An audio group's pin: PCM in the group's type, each sample the sound of one video frame.
// It also gives the group's sound at the other rates DV carries (32000, 44100, 48000 Hz) when
// the pin downstream asks for one, so that the sound is resampled once, in the engine.
class AudioGroupPin final : public GroupPinBase {
public:
    AudioGroupPin(FilterBase& filter, std::shared_ptr<EngineSession> session, long group,
                  AM_MEDIA_TYPE groupType);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
    std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override { return {groupType_}; }

protected:
    HRESULT CompleteConnect(const std::shared_ptr<IPin>& peer) override;
    HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override;

private:
    const long group_;
    const AM_MEDIA_TYPE groupType_;
    std::shared_ptr<EngineTimelineRenderer> core_;
    std::unique_ptr<SampleAllocator> allocator_;
};

// The smart engine's video pin: DV frames. Where one DV source alone shows and already has the
// output format its frames pass through unchanged; everything else is rendered in the DV
// native layout and compressed by the group compressor.
class SmartVideoGroupPin final : public GroupPinBase {
public:
    SmartVideoGroupPin(FilterBase& filter, std::shared_ptr<EngineSession> session, long group,
                       bool ntsc, std::shared_ptr<IDvFrameCompressor> compressor,
                       FrontEndLayout layout);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
    std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override { return {dvType_}; }

protected:
    HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override;

private:
    // The DV frame of a lone DV source at a timeline time, if there is one.
    bool passThrough(REFERENCE_TIME time, std::vector<std::uint8_t>& frame);
    HRESULT compress(std::int64_t n, std::vector<std::uint8_t>& frame);

    const long group_;
    const bool ntsc_;
    const AM_MEDIA_TYPE dvType_;
    const AM_MEDIA_TYPE planarType_;
    const std::shared_ptr<IDvFrameCompressor> compressor_;
    const FrontEndLayout layout_;
    std::shared_ptr<EngineTimelineRenderer> core_;
    std::unique_ptr<DvFrameReader> reader_;
    const FrontEndSource* readerSource_ = nullptr;
    std::vector<std::uint8_t> planar_;
    std::vector<std::uint8_t> dvFrame_;
    std::unique_ptr<SampleAllocator> allocator_;
};

} // namespace platform

#include "platform/editing/render_engine_pins.h"

#include "platform/editing/timeline_media_types.h"
#include "platform/filters/dv_media_types.h"
#include "platform/streaming/streaming_errors.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

DvStandard standardOf(bool ntsc) {
    return ntsc ? DvStandard::Ntsc : DvStandard::Pal;
}

EnginePixelFormat nativePixelFormat(bool ntsc) {
    return ntsc ? EnginePixelFormat::Yuv411p : EnginePixelFormat::Yuv420p;
}

AM_MEDIA_TYPE nativePlanarType(bool ntsc) {
    return makeDvEncoderInputType(standardOf(ntsc), dvNativeInputKind(standardOf(ntsc)));
}

bool sameFrameSize(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    const auto va = a.formatAs<VIDEOINFOHEADER>();
    const auto vb = b.formatAs<VIDEOINFOHEADER>();
    return va && vb && va->bmiHeader.biWidth == vb->bmiHeader.biWidth &&
           std::abs(va->bmiHeader.biHeight) == std::abs(vb->bmiHeader.biHeight);
}

// Copies a frame into a sample buffer: RGB24 bottom-up (rows reversed) or tightly packed
// planes for the planar layouts.
void copyFrame(const EngineVideoFrame& frame, std::uint8_t* out) {
    const AVFrame& av = frame.av();
    if (frame.pixelFormat() == EnginePixelFormat::Bgr24) {
        const std::size_t row = static_cast<std::size_t>(av.width) * 3;
        for (int y = 0; y < av.height; ++y) {
            std::memcpy(out + row * static_cast<std::size_t>(av.height - 1 - y),
                        av.data[0] + static_cast<std::ptrdiff_t>(y) * av.linesize[0], row);
        }
        return;
    }
    const int chromaWidth =
        frame.pixelFormat() == EnginePixelFormat::Yuv420p ? av.width / 2 : av.width / 4;
    const int chromaHeight =
        frame.pixelFormat() == EnginePixelFormat::Yuv420p ? av.height / 2 : av.height;
    for (int plane = 0; plane < 3; ++plane) {
        const int width = plane == 0 ? av.width : chromaWidth;
        const int height = plane == 0 ? av.height : chromaHeight;
        for (int y = 0; y < height; ++y) {
            std::memcpy(out, av.data[plane] + static_cast<std::ptrdiff_t>(y) * av.linesize[plane],
                        static_cast<std::size_t>(width));
            out += width;
        }
    }
}

std::shared_ptr<IMediaSample> sampleOf(SampleAllocator& allocator, const std::uint8_t* data,
                                       std::size_t size) {
    auto sample = allocator.GetBuffer();
    std::memcpy(sample->GetPointer(), data, size);
    sample->SetActualDataLength(static_cast<long>(size));
    return sample;
}

} // namespace

GroupOutputFilter::GroupOutputFilter(const PinFactory& makePin)
    : FilterBase(QStringLiteral("DEXFILT")), pin_(makePin(*this)) {
    addPin(*pin_);
}

GroupPinBase::GroupPinBase(FilterBase& filter, QString name, std::shared_ptr<EngineSession> session)
    : SourceOutputPin(filter, std::move(name)), session_(std::move(session)) {
    setDuration(session_->rangeStop() - session_->rangeStart());
    next_ = frameAtPosition(0);
}

void GroupPinBase::onSeek(REFERENCE_TIME start, bool /*keyFrame*/) {
    next_ = frameAtPosition(start);
}

std::int64_t GroupPinBase::frameAtPosition(REFERENCE_TIME position) const {
    return session_->frameTiming().frameAt(session_->rangeStart() + position);
}

bool GroupPinBase::frameSampleTimes(std::int64_t n, REFERENCE_TIME* start,
                                    REFERENCE_TIME* stop) const {
    const auto& timing = session_->frameTiming();
    const REFERENCE_TIME rangeStart = session_->rangeStart();
    const REFERENCE_TIME end = std::min(session_->rangeStop() - rangeStart, segmentStop());
    const REFERENCE_TIME from = std::max(timing.frameTime(n) - rangeStart, segmentStart());
    if (from >= end) {
        return false;
    }
    const REFERENCE_TIME to = std::min(timing.frameTime(n + 1) - rangeStart, end);
    *start = from - segmentStart();
    *stop = to - segmentStart();
    return true;
}

std::optional<REFERENCE_TIME> GroupPinBase::clockPosition() const {
    const auto clock = filter().clock();
    if (!clock || filter().state() != State_Running) {
        return std::nullopt;
    }
    REFERENCE_TIME now = 0;
    if (FAILED(clock->GetTime(&now))) {
        return std::nullopt;
    }
    return now - filter().startTime() + segmentStart();
}

// --- video ---------------------------------------------------------------------------------

VideoGroupPin::VideoGroupPin(FilterBase& filter, std::shared_ptr<EngineSession> session, long group,
                             AM_MEDIA_TYPE groupType, bool previewMode)
    : GroupPinBase(filter, QStringLiteral("Output"), std::move(session)), group_(group),
      groupType_(std::move(groupType)),
      ntsc_(groupType_.formatAs<VIDEOINFOHEADER>()->bmiHeader.biHeight == 480),
      previewMode_(previewMode) {}

std::vector<AM_MEDIA_TYPE> VideoGroupPin::offeredMediaTypes() {
    return {nativePlanarType(ntsc_), groupType_};
}

HRESULT VideoGroupPin::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType.majortype != MEDIATYPE_Video || mediaType.formattype != FORMAT_VideoInfo) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const auto vih = mediaType.formatAs<VIDEOINFOHEADER>();
    if (mediaType.subtype == MEDIASUBTYPE_RGB24 && vih && vih->bmiHeader.biHeight > 0 &&
        vih->bmiHeader.biBitCount == 24 && sameFrameSize(mediaType, groupType_)) {
        return S_OK;
    }
    if (mediaType.subtype == nativePlanarType(ntsc_).subtype &&
        sameFrameSize(mediaType, groupType_)) {
        return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VideoGroupPin::CompleteConnect(const std::shared_ptr<IPin>& /*peer*/) {
    session_->setPixelFormat(mediaType().subtype == MEDIASUBTYPE_RGB24 ? EnginePixelFormat::Bgr24
                                                                       : nativePixelFormat(ntsc_));
    return S_OK;
}

EngineVideoRenderer* VideoGroupPin::renderer() {
    const std::uint64_t generation = session_->stretchGeneration();
    if (!core_) {
        core_ = session_->core(filter().clock() != nullptr);
        coreGeneration_ = generation;
    } else if (generation != coreGeneration_) {
        core_ = session_->freshCore();
        coreGeneration_ = generation;
    }
    return core_->videoGroup(static_cast<int>(group_));
}

void VideoGroupPin::onSeek(REFERENCE_TIME start, bool keyFrame) {
    GroupPinBase::onSeek(start, keyFrame);
    lastFrame_.reset();
}

bool VideoGroupPin::behindClock(std::int64_t frame) const {
    const auto now = clockPosition();
    return now && frameAtPosition(*now) > frame;
}

HRESULT VideoGroupPin::produceSample(std::shared_ptr<IMediaSample>* sample) {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (!frameSampleTimes(next_, &start, &stop)) {
        return S_FALSE;
    }
    EngineFramePtr frame;
    if (previewMode_ && lastFrame_ && behindClock(next_)) {
        // Preview: a frame whose time has passed keeps the previous picture instead of being
        // rendered late. Every slot still gets a frame, so sound paired with frames by count
        // (inside the DV stream) stays in step.
        frame = lastFrame_;
        session_->countRepeatedFrame();
    } else {
        EngineVideoRenderer* video = nullptr;
        try {
            video = renderer();
        } catch (const std::exception&) {
            return E_FAIL;
        }
        if (video == nullptr) {
            return E_UNEXPECTED;
        }
        frame = video->frame(next_);
        if (!frame) {
            return E_FAIL;
        }
        lastFrame_ = frame;
        session_->countRenderedFrame(behindClock(next_));
    }
    const std::size_t pixels =
        static_cast<std::size_t>(frame->width()) * static_cast<std::size_t>(frame->height());
    const auto size = static_cast<long>(
        frame->pixelFormat() == EnginePixelFormat::Bgr24 ? pixels * 3 : pixels * 3 / 2);
    if (!allocator_ || allocator_->bufferSize() != size) {
        allocator_ = std::make_unique<SampleAllocator>(size, 4);
    }
    auto out = allocator_->GetBuffer();
    copyFrame(*frame, out->GetPointer());
    out->SetTime(&start, &stop);
    out->SetSyncPoint(true);
    session_->positionReached(true, session_->frameTiming().frameTime(next_));
    ++next_;
    *sample = std::move(out);
    return S_OK;
}

// --- audio ---------------------------------------------------------------------------------

AudioGroupPin::AudioGroupPin(FilterBase& filter, std::shared_ptr<EngineSession> session, long group,
                             AM_MEDIA_TYPE groupType)
    : GroupPinBase(filter, QStringLiteral("Output"), std::move(session)), group_(group),
      groupType_(std::move(groupType)) {}

HRESULT AudioGroupPin::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType == groupType_) {
        return S_OK;
    }
    const auto group = groupType_.formatAs<WAVEFORMATEX>();
    const auto wave = mediaType.formatAs<WAVEFORMATEX>();
    if (!group || !wave) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    for (const int rate : {32000, 44100, 48000}) {
        if (mediaType == CreateAudioMediaType(CreatePcmWaveFormat(static_cast<std::uint32_t>(rate),
                                                                  group->nChannels, 16))) {
            return S_OK;
        }
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioGroupPin::CompleteConnect(const std::shared_ptr<IPin>& /*peer*/) {
    if (const auto wave = mediaType().formatAs<WAVEFORMATEX>()) {
        session_->setAudioSampleRate(group_, static_cast<int>(wave->nSamplesPerSec));
    }
    return S_OK;
}

HRESULT AudioGroupPin::produceSample(std::shared_ptr<IMediaSample>* sample) {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (!frameSampleTimes(next_, &start, &stop)) {
        return S_FALSE;
    }
    if (!core_) {
        try {
            core_ = session_->core(filter().clock() != nullptr);
        } catch (const std::exception&) {
            return E_FAIL;
        }
    }
    EngineAudioRenderer* audio = core_->audioGroup(static_cast<int>(group_));
    if (audio == nullptr) {
        return E_UNEXPECTED;
    }
    const EngineAudioFormat& format = audio->format();
    const REFERENCE_TIME base = session_->rangeStart() + segmentStart();
    const std::int64_t first = format.sampleAt(base + start);
    const std::int64_t end = format.sampleAt(base + stop);
    const auto channels = static_cast<std::size_t>(format.channels);
    if (!allocator_) {
        const auto perFrame = format.sampleAt(session_->frameTiming().frameTime(1)) + 2;
        allocator_ = std::make_unique<SampleAllocator>(
            static_cast<long>(static_cast<std::size_t>(perFrame) * channels * 2), 8);
    }
    auto out = allocator_->GetBuffer();
    const auto count = static_cast<std::size_t>(std::max<std::int64_t>(0, end - first));
    if (count * channels * 2 > static_cast<std::size_t>(out->GetSize())) {
        return VFW_E_BUFFER_OVERFLOW;
    }
    audio->render(first,
                  std::span(reinterpret_cast<std::int16_t*>(out->GetPointer()), count * channels));
    out->SetActualDataLength(static_cast<long>(count * channels * 2));
    out->SetTime(&start, &stop);
    out->SetSyncPoint(true);
    const REFERENCE_TIME time = session_->frameTiming().frameTime(next_);
    session_->positionReached(false, time);
    ++next_;
    *sample = std::move(out);
    return S_OK;
}

// --- smart video ---------------------------------------------------------------------------

SmartVideoGroupPin::SmartVideoGroupPin(FilterBase& filter, std::shared_ptr<EngineSession> session,
                                       long group, bool ntsc,
                                       std::shared_ptr<IDvFrameCompressor> compressor,
                                       FrontEndLayout layout)
    : GroupPinBase(filter, QStringLiteral("Output"), std::move(session)), group_(group),
      ntsc_(ntsc), dvType_(makeDvsdType(standardOf(ntsc))), planarType_(nativePlanarType(ntsc)),
      compressor_(std::move(compressor)), layout_(std::move(layout)) {
    session_->setPixelFormat(nativePixelFormat(ntsc_));
    if (compressor_) {
        compressor_->SetDvStandard(ntsc_);
    }
}

HRESULT SmartVideoGroupPin::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.majortype == MEDIATYPE_Video && mediaType.subtype == MEDIASUBTYPE_dvsd &&
                   sameFrameSize(mediaType, dvType_)
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

bool SmartVideoGroupPin::passThrough(REFERENCE_TIME time, std::vector<std::uint8_t>& frame) {
    for (const FrontEndSpan& transition : layout_.videoTransitions) {
        if (transition.start <= time && time < transition.stop) {
            return false;
        }
    }
    const FrontEndSource* showing = nullptr;
    for (const FrontEndSource& source : layout_.sources) {
        if (source.video && source.group == group_ && source.start <= time && time < source.stop) {
            if (showing != nullptr) {
                return false; // layers over each other: composed
            }
            showing = &source;
        }
    }
    // Only a source played at its own speed passes through.
    if (showing == nullptr ||
        showing->mediaStop - showing->mediaStart != showing->stop - showing->start) {
        return false;
    }
    if (readerSource_ != showing) {
        reader_ = std::make_unique<DvFrameReader>(showing->path, ntsc_);
        readerSource_ = showing;
    }
    return reader_->usable() && reader_->read(showing->mediaStart + (time - showing->start), frame);
}

HRESULT SmartVideoGroupPin::compress(std::int64_t n, std::vector<std::uint8_t>& frame) {
    if (!compressor_) {
        return VFW_E_NOT_CONNECTED;
    }
    if (!core_) {
        try {
            core_ = session_->core(filter().clock() != nullptr);
        } catch (const std::exception&) {
            return E_FAIL;
        }
    }
    EngineVideoRenderer* video = core_->videoGroup(static_cast<int>(group_));
    if (video == nullptr) {
        return E_UNEXPECTED;
    }
    const EngineFramePtr picture = video->frame(n);
    if (!picture) {
        return E_FAIL;
    }
    planar_.resize(planarType_.lSampleSize);
    copyFrame(*picture, planar_.data());
    return compressor_->CompressFrame(planarType_, planar_.data(), planar_.size(), &frame);
}

HRESULT SmartVideoGroupPin::produceSample(std::shared_ptr<IMediaSample>* sample) {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (!frameSampleTimes(next_, &start, &stop)) {
        return S_FALSE;
    }
    const REFERENCE_TIME time = session_->frameTiming().frameTime(next_);
    if (!passThrough(time, dvFrame_)) {
        if (const HRESULT hr = compress(next_, dvFrame_); FAILED(hr)) {
            return hr;
        }
    }
    const std::size_t bytes = dvFrameBytes(standardOf(ntsc_));
    if (dvFrame_.size() != bytes) {
        return E_UNEXPECTED;
    }
    if (!allocator_) {
        allocator_ = std::make_unique<SampleAllocator>(static_cast<long>(bytes), 8);
    }
    auto out = sampleOf(*allocator_, dvFrame_.data(), bytes);
    out->SetTime(&start, &stop);
    out->SetSyncPoint(true);
    session_->positionReached(true, time);
    ++next_;
    *sample = std::move(out);
    return S_OK;
}

} // namespace platform

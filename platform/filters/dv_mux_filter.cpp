#include "platform/filters/dv_mux_filter.h"

#include "platform/editing/timeline_media_types.h"
#include "platform/filters/dv_media_types.h"
#include "platform/streaming/streaming_errors.h"

namespace platform {

namespace {

bool isDvsdMajorType(const GUID& major) {
    return major == MEDIATYPE_Video || major == MEDIATYPE_Interleaved;
}

// 16-bit PCM at the one rate NTSC DV carries.
AM_MEDIA_TYPE ntscSoundType(int channels) {
    return CreateAudioMediaType(
        CreatePcmWaveFormat(48000, static_cast<std::uint16_t>(channels), 16));
}

} // namespace

std::optional<DvAudioFormat> dvMuxAudioFormatOf(const AM_MEDIA_TYPE& mt) {
    if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM ||
        mt.formattype != FORMAT_WaveFormatEx) {
        return std::nullopt;
    }
    const auto wfx = mt.formatAs<WAVEFORMATEX>();
    if (!wfx || wfx->wFormatTag != WAVE_FORMAT_PCM || wfx->wBitsPerSample != 16 ||
        (wfx->nChannels != 1 && wfx->nChannels != 2) || wfx->nBlockAlign != wfx->nChannels * 2) {
        return std::nullopt;
    }
    const auto rate = static_cast<int>(wfx->nSamplesPerSec);
    // Every rate PAL carries is taken; NTSC converts the lower ones to 48000 Hz.
    if (!dvCarriesSampleRate(DvStandard::Pal, rate)) {
        return std::nullopt;
    }
    return DvAudioFormat{rate, wfx->nChannels};
}

DvMuxFilter::DvMuxFilter()
    : FilterBase(QStringLiteral("DV Muxer"), CLSID_DVMux), first_(*this, QStringLiteral("In 1")),
      second_(*this, QStringLiteral("In 2")), output_(*this) {
    addPin(first_);
    addPin(output_);
}

std::vector<std::shared_ptr<IPin>> DvMuxFilter::EnumPins() {
    std::vector<std::shared_ptr<IPin>> pins{pinPointer(first_)};
    {
        const std::lock_guard lock(pins_mutex_);
        if (second_exposed_) {
            pins.push_back(pinPointer(second_));
        }
    }
    pins.push_back(pinPointer(output_));
    return pins;
}

HRESULT DvMuxFilter::GetPages(CAUUID* pages) {
    if (pages == nullptr) {
        return E_POINTER;
    }
    pages->elems = {CLSID_DvMuxPropertyPage};
    return S_OK;
}

void DvMuxFilter::onNewSegment(PinBase& input, REFERENCE_TIME start, REFERENCE_TIME stop,
                               double rate) {
    // Sound buffered before the seek belongs to the old position.
    restart_.store(true);
    if (&input == connectedInput(StreamKind::Video)) {
        output_.deliverNewSegment(start, stop, rate);
    }
}

DvMuxFilter::StreamKind DvMuxFilter::kindOf(const AM_MEDIA_TYPE& mt) {
    if (isDvsdMajorType(mt.majortype) && dvStandardOfDvsdType(mt)) {
        return StreamKind::Video;
    }
    if (dvMuxAudioFormatOf(mt)) {
        return StreamKind::Audio;
    }
    return StreamKind::None;
}

HRESULT DvMuxFilter::checkInput(const Input& pin, const AM_MEDIA_TYPE& mt) {
    const StreamKind kind = kindOf(mt);
    if (kind == StreamKind::None) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    // One stream of each kind.
    const Input& other = &pin == &first_ ? second_ : first_;
    if (other.isConnected() && kindOf(other.mediaType()) == kind) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (kind == StreamKind::Video && output_.isConnected() &&
        dvStandardOfDvsdType(output_.mediaType()) != dvStandardOfDvsdType(mt)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

bool DvMuxFilter::wantsCarriedRateInstead(const std::shared_ptr<IPin>& connector,
                                          const AM_MEDIA_TYPE& mt) {
    const auto audio = dvMuxAudioFormatOf(mt);
    if (!audio || !connector || videoStandard() != DvStandard::Ntsc ||
        dvCarriesSampleRate(DvStandard::Ntsc, audio->sample_rate_hz)) {
        return false;
    }
    return connector->QueryAccept(ntscSoundType(audio->channels)) == S_OK;
}

void DvMuxFilter::exposeSecondInput() {
    const std::lock_guard lock(pins_mutex_);
    if (!second_exposed_) {
        second_exposed_ = true;
        addPin(second_);
    }
}

DvMuxFilter::Input* DvMuxFilter::connectedInput(StreamKind kind) {
    for (Input* pin : {&first_, &second_}) {
        if (pin->isConnected() && kindOf(pin->mediaType()) == kind) {
            return pin;
        }
    }
    return nullptr;
}

std::optional<DvStandard> DvMuxFilter::videoStandard() {
    const Input* video = connectedInput(StreamKind::Video);
    return video ? dvStandardOfDvsdType(video->mediaType()) : std::nullopt;
}

DvMuxerOptions DvMuxFilter::muxerOptions() {
    DvMuxerOptions options;
    options.standard = videoStandard().value_or(DvStandard::Pal);
    if (const Input* audio = connectedInput(StreamKind::Audio)) {
        options.audio = dvMuxAudioFormatOf(audio->mediaType());
    }
    return options;
}

HRESULT DvMuxFilter::fail(const QString& error) {
    const std::lock_guard lock(muxer_mutex_);
    last_error_ = error;
    return E_FAIL;
}

HRESULT DvMuxFilter::restartMuxer() {
    QString error;
    auto muxer = DvMuxer::create(muxerOptions(), &error);
    if (!muxer) {
        return fail(error);
    }
    const std::lock_guard lock(muxer_mutex_);
    muxer_ = std::move(muxer);
    audio_ended_ = false;
    return S_OK;
}

HRESULT DvMuxFilter::onActivate() {
    restart_.store(false);
    if (!videoStandard()) {
        // Not part of a stream yet; a mux whose output is used needs its video.
        return output_.isConnected() ? VFW_E_NOT_CONNECTED : S_OK;
    }
    return restartMuxer();
}

void DvMuxFilter::onDeactivate() {
    // The next run starts a new DV stream.
    restart_.store(true);
}

HRESULT DvMuxFilter::fillSound(Input& audio) {
    const auto format = dvMuxAudioFormatOf(audio.mediaType());
    if (!format) {
        return VFW_E_NOT_CONNECTED;
    }
    const auto bytes_per_frame = static_cast<std::size_t>(format->channels) * 2;
    for (;;) {
        {
            const std::lock_guard lock(muxer_mutex_);
            if (audio_ended_ || muxer_->bufferedSampleFrames() >=
                                    static_cast<std::size_t>(muxer_->samplesForNextFrame())) {
                return S_OK;
            }
        }
        std::shared_ptr<IMediaSample> sound;
        const HRESULT hr = audio.pull(&sound);
        if (hr == S_FALSE) {
            const std::lock_guard lock(muxer_mutex_);
            audio_ended_ = true;
            return S_OK;
        }
        if (hr != S_OK) {
            return hr;
        }
        const auto length = static_cast<std::size_t>(sound->GetActualDataLength());
        QString error;
        const std::lock_guard lock(muxer_mutex_);
        if (!muxer_->pushAudio(reinterpret_cast<const std::int16_t*>(sound->GetPointer()),
                               length / bytes_per_frame, &error)) {
            last_error_ = error;
            return E_FAIL;
        }
    }
}

HRESULT DvMuxFilter::produce(std::shared_ptr<IMediaSample>* sample) {
    Input* const video = connectedInput(StreamKind::Video);
    if (video == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    std::shared_ptr<IMediaSample> picture;
    if (const HRESULT hr = video->pull(&picture); hr != S_OK) {
        return hr;
    }
    if (restart_.exchange(false) || !muxer_) {
        if (const HRESULT hr = restartMuxer(); FAILED(hr)) {
            return hr;
        }
    }
    if (Input* const audio = connectedInput(StreamKind::Audio)) {
        if (const HRESULT hr = fillSound(*audio); hr != S_OK) {
            return hr;
        }
    }
    const auto frame_bytes = static_cast<long>(dvFrameBytes(muxer_->standard()));
    if (!allocator_ || allocator_->bufferSize() != frame_bytes) {
        allocator_.emplace(frame_bytes, 4);
    }
    auto out = allocator_->GetBuffer();
    QString error;
    {
        const std::lock_guard lock(muxer_mutex_);
        const std::span<const std::uint8_t> frame(
            picture->GetPointer(), static_cast<std::size_t>(picture->GetActualDataLength()));
        if (!muxer_->muxFrame(frame, std::span(out->GetPointer(), out->GetSize()), &error)) {
            last_error_ = error;
            return E_FAIL;
        }
    }
    CopySampleProperties(*picture, *out);
    out->SetSyncPoint(true); // every DV frame stands alone
    *sample = std::move(out);
    return S_OK;
}

DvMuxFilter::Status DvMuxFilter::status() {
    Status status;
    status.standard = videoStandard();
    if (const Input* audio = connectedInput(StreamKind::Audio)) {
        status.audio = dvMuxAudioFormatOf(audio->mediaType());
    }
    {
        const std::lock_guard lock(muxer_mutex_);
        status.last_error = last_error_;
        if (muxer_) {
            status.audio_note = muxer_->audioNote();
            status.frames_muxed = muxer_->framesMuxed();
            status.silence_sample_frames = muxer_->silenceInsertedSampleFrames();
            return status;
        }
    }
    // Not streaming: tell what the connected streams would give.
    QString error;
    if (const auto preview = DvMuxer::create(muxerOptions(), &error)) {
        status.audio_note = preview->audioNote();
    } else {
        status.audio_note = error;
    }
    return status;
}

DvMuxFilter::Input::Input(DvMuxFilter& owner, QString name)
    : InputPinBase(owner, std::move(name)), owner_(owner) {}

HRESULT DvMuxFilter::Input::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    return owner_.checkInput(*this, mediaType);
}

HRESULT DvMuxFilter::Input::ReceiveConnection(const std::shared_ptr<IPin>& connector,
                                              const AM_MEDIA_TYPE& mediaType) {
    if (owner_.wantsCarriedRateInstead(connector, mediaType)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return InputPinBase::ReceiveConnection(connector, mediaType);
}

std::vector<AM_MEDIA_TYPE> DvMuxFilter::Input::offeredMediaTypes() {
    if (owner_.videoStandard() != DvStandard::Ntsc) {
        return {};
    }
    return {ntscSoundType(2), ntscSoundType(1)};
}

HRESULT DvMuxFilter::Input::CompleteConnect(const std::shared_ptr<IPin>&) {
    owner_.exposeSecondInput();
    return S_OK;
}

DvMuxFilter::Output::Output(DvMuxFilter& owner)
    : OutputPinBase(owner, QStringLiteral("Out")),
      SeekingPassThrough({&owner.first_, &owner.second_}), owner_(owner) {}

HRESULT DvMuxFilter::Output::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    const auto standard = owner_.videoStandard();
    if (!standard) {
        return VFW_E_NOT_CONNECTED;
    }
    return isDvsdMajorType(mediaType.majortype) && dvStandardOfDvsdType(mediaType) == standard
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

std::vector<AM_MEDIA_TYPE> DvMuxFilter::Output::offeredMediaTypes() {
    const auto standard = owner_.videoStandard();
    if (!standard) {
        return {};
    }
    return {makeDvsdType(*standard)};
}

HRESULT DvMuxFilter::Output::produceSample(std::shared_ptr<IMediaSample>* sample) {
    return owner_.produce(sample);
}

void DvMuxFilter::Output::onBeginFlush() {
    for (const Input* pin : {&owner_.first_, &owner_.second_}) {
        if (const auto source = pin->upstream()) {
            source->BeginFlush();
        }
    }
}

void DvMuxFilter::Output::onEndFlush() {
    for (const Input* pin : {&owner_.first_, &owner_.second_}) {
        if (const auto source = pin->upstream()) {
            source->EndFlush();
        }
    }
}

std::shared_ptr<DvMuxFilter> CreateDvMuxFilter() {
    return std::make_shared<DvMuxFilter>();
}

} // namespace platform

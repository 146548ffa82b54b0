#include "platform/filters/audio_renderer.h"

#include "platform/filters/audio_renderer_output.h"
#include "platform/streaming/media_type.h"
#include "platform/streaming/streaming_errors.h"

#include <optional>

namespace platform {

namespace {

std::optional<QAudioFormat> audioFormatOf(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType.majortype != MEDIATYPE_Audio || mediaType.subtype != MEDIASUBTYPE_PCM ||
        mediaType.formattype != FORMAT_WaveFormatEx) {
        return std::nullopt;
    }
    const auto wave = mediaType.formatAs<WAVEFORMATEX>();
    if (!wave || wave->wFormatTag != WAVE_FORMAT_PCM || wave->nChannels == 0 ||
        wave->nChannels > 8 || wave->nSamplesPerSec == 0 ||
        wave->nBlockAlign != wave->nChannels * wave->wBitsPerSample / 8) {
        return std::nullopt;
    }
    QAudioFormat format;
    switch (wave->wBitsPerSample) {
    case 8:
        format.setSampleFormat(QAudioFormat::UInt8);
        break;
    case 16:
        format.setSampleFormat(QAudioFormat::Int16);
        break;
    case 32:
        format.setSampleFormat(QAudioFormat::Int32);
        break;
    default:
        return std::nullopt;
    }
    format.setSampleRate(static_cast<int>(wave->nSamplesPerSec));
    format.setChannelCount(wave->nChannels);
    return format;
}

} // namespace

AudioRendererFilter::AudioRendererFilter(QByteArray device_id, const QString& friendly_name)
    : RendererBase(friendly_name, CLSID_QtAudioRenderer), device_id_(std::move(device_id)) {}

AudioRendererFilter::~AudioRendererFilter() = default;

HRESULT AudioRendererFilter::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    return audioFormatOf(mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

QString AudioRendererFilter::lastError() const {
    const std::lock_guard lock(mutex_);
    return last_error_;
}

void AudioRendererFilter::setLastError(const QString& error) {
    const std::lock_guard lock(mutex_);
    last_error_ = error;
}

std::int64_t AudioRendererFilter::processedUSecs() const {
    {
        const std::lock_guard lock(mutex_);
        if (!open_) {
            return 0;
        }
    }
    return output_->processedUSecs();
}

HRESULT AudioRendererFilter::onActivate() {
    // Only a connected renderer streams and needs the output.
    if (inputPin().isConnected()) {
        const auto format = audioFormatOf(inputPin().mediaType());
        if (!format) {
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        if (!output_) {
            output_ = std::make_unique<AudioOutputThread>();
        }
        QString error;
        if (!output_->open(device_id_, *format, &error)) {
            setLastError(error);
            return E_FAIL;
        }
        const std::lock_guard lock(mutex_);
        open_ = true;
    }
    return RendererBase::onActivate();
}

HRESULT AudioRendererFilter::DoRenderSample(IMediaSample& sample) {
    const long length = sample.GetActualDataLength();
    if (length <= 0) {
        return S_OK;
    }
    QString error;
    if (!output_->write({sample.GetPointer(), static_cast<std::size_t>(length)}, &error)) {
        const std::lock_guard lock(mutex_);
        // A write interrupted by Stop is not a failure of the stream.
        if (stopping_) {
            return S_OK;
        }
        last_error_ = error;
        return E_FAIL;
    }
    return S_OK;
}

void AudioRendererFilter::OnEndOfStream() {
    {
        const std::lock_guard lock(mutex_);
        if (!open_) {
            return;
        }
    }
    output_->drain();
}

void AudioRendererFilter::onDeactivate() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    if (output_) {
        output_->interrupt();
    }
    RendererBase::onDeactivate();
    if (output_) {
        output_->close();
    }
    const std::lock_guard lock(mutex_);
    stopping_ = false;
    open_ = false;
}

} // namespace platform

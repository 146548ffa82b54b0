#include "platform/filters/dv_device_renderer.h"

#include "platform/streaming/media_type.h"
#include "platform/streaming/reference_clock.h"
#include "platform/streaming/streaming_errors.h"

namespace platform {

bool isDvFrameMediaType(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType.majortype != MEDIATYPE_Video && mediaType.majortype != MEDIATYPE_Interleaved) {
        return false;
    }
    if (mediaType.subtype != MEDIASUBTYPE_dvsd) {
        return false;
    }
    // A fixed sample size, when given, must be one of the two frame sizes.
    const std::uint32_t size = mediaType.lSampleSize;
    return size == 0 || size == dvFrameBytes(DvStandard::Pal) ||
           size == dvFrameBytes(DvStandard::Ntsc);
}

DvDeviceRenderer::DvDeviceRenderer(QString name, const CLSID& clsid)
    : RendererBase(std::move(name), clsid) {}

QString DvDeviceRenderer::lastError() const {
    const std::lock_guard lock(mutex_);
    return last_error_;
}

void DvDeviceRenderer::setLastError(const QString& error) {
    const std::lock_guard lock(mutex_);
    last_error_ = error;
}

void DvDeviceRenderer::setCountsHeldPictures(bool on) {
    const std::lock_guard lock(mutex_);
    counts_held_pictures_ = on;
}

DvOutputStatistics DvDeviceRenderer::GetOutputStatistics() const {
    const std::lock_guard lock(mutex_);
    return statistics_;
}

std::shared_ptr<DvSink> DvDeviceRenderer::currentSink() const {
    const std::lock_guard lock(mutex_);
    return sink_;
}

HRESULT DvDeviceRenderer::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    return isDvFrameMediaType(mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void DvDeviceRenderer::countDelivery(const IMediaSample& sample) {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    REFERENCE_TIME now = 0;
    const auto clock = this->clock();
    const bool timed = clock && SUCCEEDED(sample.GetTime(&start, &stop)) && stop > start &&
                       SUCCEEDED(clock->GetTime(&now));
    const std::lock_guard lock(mutex_);
    ++statistics_.framesDelivered;
    if (timed) {
        const REFERENCE_TIME behind = now - startTime() - start;
        const REFERENCE_TIME frame_time = stop - start;
        if (behind >= frame_time) {
            ++statistics_.framesLate;
            // The first frame has no earlier picture to hold.
            if (counts_held_pictures_ && has_previous_) {
                statistics_.framesRepeated += behind / frame_time;
            }
        }
    }
    has_previous_ = true;
}

std::shared_ptr<DvSink> DvDeviceRenderer::sinkFor(const IMediaSample& sample) {
    std::shared_ptr<DvSink> sink = currentSink();
    if (sink) {
        return sink;
    }
    const long length = sample.GetActualDataLength();
    if (length < static_cast<long>(kDvDifBlockBytes)) {
        setLastError(QStringLiteral("A DV sample of %1 bytes is too short.").arg(length));
        return nullptr;
    }
    QString error;
    sink = openSink(dvStandardOfFrame(sample.GetPointer()), &error);
    if (!sink) {
        setLastError(error);
        return nullptr;
    }
    const std::lock_guard lock(mutex_);
    sink_ = sink;
    statistics_ = {};
    has_previous_ = false;
    return sink;
}

// The device is opened while the first frame is cued, before the clock runs, so that the time
// it takes to open does not make that frame late.
HRESULT DvDeviceRenderer::PrepareSample(IMediaSample& sample) {
    return sinkFor(sample) ? S_OK : E_FAIL;
}

HRESULT DvDeviceRenderer::DoRenderSample(IMediaSample& sample) {
    const long length = sample.GetActualDataLength();
    if (length < static_cast<long>(kDvDifBlockBytes)) {
        setLastError(QStringLiteral("A DV sample of %1 bytes is too short.").arg(length));
        return E_FAIL;
    }
    const std::span<const std::uint8_t> frame(sample.GetPointer(),
                                              static_cast<std::size_t>(length));
    const std::shared_ptr<DvSink> sink = sinkFor(sample);
    if (!sink) {
        return E_FAIL;
    }
    QString error;
    bool pushed = sink->pushFrame(frame, &error);
    if (pushed) {
        countDelivery(sample);
        pushed = framePushed(*sink, frame, sample, &error);
    }
    if (!pushed) {
        {
            const std::lock_guard lock(mutex_);
            // A push interrupted by Stop is not a failure of the stream.
            if (stopping_) {
                return S_OK;
            }
        }
        setLastError(error);
        return E_FAIL;
    }
    return S_OK;
}

void DvDeviceRenderer::OnEndOfStream() {
    if (const auto sink = currentSink()) {
        streamEnded(*sink);
    }
}

void DvDeviceRenderer::onDeactivate() {
    std::shared_ptr<DvSink> sink;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        sink = sink_;
    }
    if (sink) {
        interruptSink(*sink);
    }
    RendererBase::onDeactivate();
    {
        const std::lock_guard lock(mutex_);
        sink = std::move(sink_);
        sink_.reset();
        stopping_ = false;
    }
    if (sink) {
        closeSink(*sink);
    }
}

} // namespace platform

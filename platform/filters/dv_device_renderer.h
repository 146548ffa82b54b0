#pragma once

#include "platform/filters/dv_output_statistics.h"
#include "platform/filters/dv_sink.h"
#include "platform/streaming/renderer_base.h"

#include <QString>

#include <memory>
#include <mutex>
#include <span>

// The common part of the DV output devices (camcorder, monitor, file recorder): one input pin
// that takes complete DV frames (video or interleaved "dvsd"), and a DvSink opened for the
// standard of the first frame of each run, to which every sample is handed. The output
// statistics count from the first frame of each run: frames delivered, and frames presented
// after their display time had ended on the graph's clock (late).
namespace platform {

// Whether a media type carries whole DV25 frames.
bool isDvFrameMediaType(const AM_MEDIA_TYPE& mediaType);

class DvDeviceRenderer : public RendererBase, public IDvOutputStatistics {
public:
    // The text of the last failure (opening the device, a refused frame), empty if none.
    QString lastError() const;
    DvOutputStatistics GetOutputStatistics() const override;

protected:
    DvDeviceRenderer(QString name, const CLSID& clsid);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT PrepareSample(IMediaSample& sample) override;
    HRESULT DoRenderSample(IMediaSample& sample) override;
    void OnEndOfStream() override;
    void onDeactivate() override;

    // On: a late frame also counts one repeated frame for each whole frame time it came
    // behind its start, as a display shows the previous picture meanwhile.
    void setCountsHeldPictures(bool on);

    // Opens the sink for a stream of `standard` (on the streaming thread, at the first frame);
    // null and an error text when the device cannot be used.
    virtual std::shared_ptr<DvSink> openSink(DvStandard standard, QString* error) = 0;
    // Called after a frame went to the sink, with the sample it came from.
    virtual bool framePushed(DvSink& /*sink*/, std::span<const std::uint8_t> /*frame*/,
                             const IMediaSample& /*sample*/, QString* /*error*/) {
        return true;
    }
    // The stream has ended (no further frames come in this run); EC_COMPLETE follows when this
    // returns, so a device that still holds frames waits here until they are out.
    virtual void streamEnded(DvSink& /*sink*/) {}
    // On the control thread at Stop, before the streaming thread is joined: makes a push (or
    // a wait in streamEnded) that waits for the device return.
    virtual void interruptSink(DvSink& /*sink*/) {}
    // After the streaming thread has ended: the sink is released after this.
    virtual void closeSink(DvSink& /*sink*/) {}

    void setLastError(const QString& error);
    std::shared_ptr<DvSink> currentSink() const;

private:
    // The sink of this run, opened for the standard of `sample` when there is none yet; null
    // (and the error kept) when the device cannot be used.
    std::shared_ptr<DvSink> sinkFor(const IMediaSample& sample);
    void countDelivery(const IMediaSample& sample);

    mutable std::mutex mutex_;
    std::shared_ptr<DvSink> sink_;
    bool stopping_ = false;
    QString last_error_;
    bool counts_held_pictures_ = false;
    bool has_previous_ = false;
    DvOutputStatistics statistics_;
};

} // namespace platform

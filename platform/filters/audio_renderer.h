#pragma once

#include "platform/streaming/renderer_base.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>

// A sound output of Qt Multimedia as an audio renderer: plays PCM (WAVEFORMATEX, 8, 16 or
// 32-bit integer) in push mode, each sample when the graph's clock reaches its time (at once
// without a clock, then paced by the output's own buffer). The output lives on a thread of the
// filter (AudioOutputThread) while the filter is paused or running. At the end of the stream
// EC_COMPLETE waits until the device has played the sound still in its buffers.
namespace platform {

// The class of every Qt audio output in the audio renderer category.
inline constexpr CLSID CLSID_QtAudioRenderer{
    0x5C3B1A50, 0x7E21, 0x4F0B, {0x9A, 0x61, 0x3D, 0x52, 0x0E, 0x84, 0x17, 0xC1}};

class AudioOutputThread;

class AudioRendererFilter final : public RendererBase {
public:
    // `device_id` is the QAudioDevice::id() of the output.
    AudioRendererFilter(QByteArray device_id, const QString& friendly_name);
    ~AudioRendererFilter() override;

    QByteArray deviceId() const { return device_id_; }
    // Microseconds of sound the output has played in this run; 0 when stopped.
    std::int64_t processedUSecs() const;
    QString lastError() const;

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT DoRenderSample(IMediaSample& sample) override;
    void OnEndOfStream() override;
    HRESULT onActivate() override;
    void onDeactivate() override;

private:
    void setLastError(const QString& error);

    const QByteArray device_id_;
    std::unique_ptr<AudioOutputThread> output_;
    mutable std::mutex mutex_;
    bool open_ = false;
    bool stopping_ = false;
    QString last_error_;
};

} // namespace platform

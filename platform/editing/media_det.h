#pragma once

#include "platform/streaming/media_type.h"
#include "platform/system/hresult.h"

#include <QString>

#include <memory>

namespace platform {

// The media detector: reports the streams of a media file, their lengths and media types.
// A file it cannot open reports no streams; a still picture reports length 0. Only video and
// audio streams are reported; attached cover art is not a video stream.
class IMediaDet {
public:
    virtual ~IMediaDet() = default;

    virtual HRESULT put_Filename(const QString& fileName) = 0;
    virtual HRESULT get_Filename(QString* fileName) = 0;
    virtual HRESULT get_OutputStreams(long* count) = 0;
    virtual HRESULT put_CurrentStream(long index) = 0;
    virtual HRESULT get_CurrentStream(long* index) = 0;
    // Length of the current stream in seconds.
    virtual HRESULT get_StreamLength(double* seconds) = 0;
    virtual HRESULT get_StreamType(GUID* majorType) = 0;
    virtual HRESULT get_StreamMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    // Frame rate of the current stream when it is video.
    virtual HRESULT get_FrameRate(double* framesPerSecond) = 0;
};

// Creates a media detector (the stand-in for creating CLSID_MediaDet).
std::shared_ptr<IMediaDet> CreateMediaDet();

} // namespace platform

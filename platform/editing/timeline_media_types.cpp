#include "platform/editing/timeline_media_types.h"

namespace platform {
namespace {

VIDEOINFOHEADER videoInfo(std::int32_t width, std::int32_t height, REFERENCE_TIME avgTimePerFrame,
                          std::uint32_t compression, std::uint32_t imageSize) {
    VIDEOINFOHEADER info;
    info.AvgTimePerFrame = avgTimePerFrame;
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = compression;
    info.bmiHeader.biSizeImage = imageSize;
    return info;
}

} // namespace

AM_MEDIA_TYPE CreateRgb24VideoType(std::int32_t width, std::int32_t height,
                                   REFERENCE_TIME avgTimePerFrame) {
    const auto imageSize =
        static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height) * 3;
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    mt.bFixedSizeSamples = true;
    mt.bTemporalCompression = false;
    mt.lSampleSize = imageSize;
    mt.setFormat(FORMAT_VideoInfo, videoInfo(width, height, avgTimePerFrame, 0, imageSize));
    return mt;
}

AM_MEDIA_TYPE CreateDvsdVideoType(std::int32_t width, std::int32_t height,
                                  REFERENCE_TIME avgTimePerFrame, std::uint32_t imageSize) {
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.bFixedSizeSamples = false;
    mt.bTemporalCompression = false;
    mt.lSampleSize = 1;
    mt.setFormat(FORMAT_VideoInfo, videoInfo(width, height, avgTimePerFrame,
                                             makeFourcc('d', 'v', 's', 'd'), imageSize));
    return mt;
}

WAVEFORMATEX CreatePcmWaveFormat(std::uint32_t samplesPerSec, std::uint16_t channels,
                                 std::uint16_t bitsPerSample) {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = samplesPerSec;
    format.wBitsPerSample = bitsPerSample;
    format.nBlockAlign = static_cast<std::uint16_t>(channels * (bitsPerSample / 8));
    format.nAvgBytesPerSec = samplesPerSec * format.nBlockAlign;
    format.cbSize = 0;
    return format;
}

AM_MEDIA_TYPE CreateAudioMediaType(const WAVEFORMATEX& format) {
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = fourccGuid(format.wFormatTag);
    mt.bFixedSizeSamples = true;
    mt.bTemporalCompression = false;
    mt.lSampleSize = format.nBlockAlign;
    mt.setFormat(FORMAT_WaveFormatEx, format);
    return mt;
}

} // namespace platform

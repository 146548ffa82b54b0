#include "platform/streaming/media_type.h"

#include <utility>

namespace platform {

QString guidName(const GUID& guid) {
    static const std::pair<GUID, const char*> known[] = {
        {MEDIATYPE_Video, "Video"},
        {MEDIATYPE_Audio, "Audio"},
        {MEDIATYPE_Interleaved, "Interleaved"},
        {MEDIATYPE_Text, "Text"},
        {MEDIATYPE_Stream, "Stream"},
        {MEDIASUBTYPE_RGB24, "RGB24"},
        {MEDIASUBTYPE_RGB32, "RGB32"},
        {MEDIASUBTYPE_PCM, "PCM"},
        {MEDIASUBTYPE_dvsd, "dvsd"},
        {MEDIASUBTYPE_YV12, "YV12"},
        {MEDIASUBTYPE_I420, "I420"},
        {MEDIASUBTYPE_YUY2, "YUY2"},
        {FORMAT_None, "None"},
        {FORMAT_VideoInfo, "VideoInfo"},
        {FORMAT_WaveFormatEx, "WaveFormatEx"},
        {FORMAT_DvInfo, "DvInfo"},
        {GUID_NULL, "null"},
    };
    for (const auto& [id, name] : known) {
        if (id == guid) {
            return QString::fromLatin1(name);
        }
    }
    // Subtypes built from a FOURCC read best as their four characters.
    const GUID base = fourccGuid(0);
    if (guid.Data2 == base.Data2 && guid.Data3 == base.Data3 && guid.Data4 == base.Data4) {
        QString text;
        for (int shift = 0; shift < 32; shift += 8) {
            const auto c = static_cast<char>((guid.Data1 >> shift) & 0xFF);
            text += (c >= 0x20 && c < 0x7F) ? QLatin1Char(c) : QLatin1Char('?');
        }
        return text;
    }
    return guid.toString();
}

QString describeMediaType(const AM_MEDIA_TYPE& mt) {
    QString text = guidName(mt.majortype) + QLatin1Char('/') + guidName(mt.subtype);
    if (mt.formattype == FORMAT_VideoInfo) {
        if (const auto vih = mt.formatAs<VIDEOINFOHEADER>()) {
            text +=
                QStringLiteral(" %1x%2").arg(vih->bmiHeader.biWidth).arg(vih->bmiHeader.biHeight);
            if (vih->AvgTimePerFrame > 0) {
                text += QStringLiteral(" %1fps").arg(static_cast<double>(UNITS) /
                                                         static_cast<double>(vih->AvgTimePerFrame),
                                                     0, 'g', 5);
            }
        }
    } else if (mt.formattype == FORMAT_WaveFormatEx) {
        if (const auto wfx = mt.formatAs<WAVEFORMATEX>()) {
            text += QStringLiteral(" %1Hz %2ch %3bit")
                        .arg(wfx->nSamplesPerSec)
                        .arg(wfx->nChannels)
                        .arg(wfx->wBitsPerSample);
        }
    }
    return text;
}

} // namespace platform

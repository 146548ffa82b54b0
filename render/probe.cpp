#include "render/probe.h"

#include "platform/editing/media_det.h"
#include "render/media_item.h"

#include <cfenv>
#include <cmath>

namespace render {

namespace {

using platform::AM_MEDIA_TYPE;
using platform::GUID;

// Counts the streams of a timed medium by their major types and keeps the video media type.
void countStreams(platform::IMediaDet& detector, long streamCount, TFileInfo& info) {
    for (long i = 0; i < streamCount; ++i) {
        detector.put_CurrentStream(i);
        GUID majorType;
        detector.get_StreamType(&majorType);
        if (majorType == platform::MEDIATYPE_Video) {
            platform::FreeMediaType(info.MediaType);
            detector.get_StreamMediaType(&info.MediaType);
            ++info.VideoStreamCount;
        } else if (majorType == platform::MEDIATYPE_Audio) {
            ++info.AudioStreamCount;
        } else {
            AM_MEDIA_TYPE scratch;
            detector.get_StreamMediaType(&scratch);
            if (scratch.formattype == platform::FORMAT_WaveFormatEx) {
                ++info.AudioStreamCount;
            } else if (scratch.formattype != platform::FORMAT_None &&
                       !scratch.formattype.isNull()) {
                ++info.VideoStreamCount;
            }
        }
    }
}

// Seconds to 100-ns units, rounded to the nearest integer with halves to the even neighbour.
REFERENCE_TIME secondsToReferenceTime(double seconds) {
    const int previousMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double units = std::nearbyint(seconds * static_cast<double>(platform::UNITS));
    std::fesetround(previousMode);
    return static_cast<REFERENCE_TIME>(units);
}

} // namespace

std::unique_ptr<TFileInfo> ProbeFile(const QString& fileName, const ProbeSettings& settings) {
    auto info = std::make_unique<TFileInfo>();
    double length_s = 0.0;
    {
        const auto detector = platform::CreateMediaDet();
        detector->put_Filename(fileName);
        long streamCount = 0;
        detector->get_OutputStreams(&streamCount);

        if (streamCount <= 0) {
            info->Kind = fkCantPlay;
        } else {
            detector->put_CurrentStream(0);
            detector->get_StreamLength(&length_s);
            if (length_s > 0) {
                info->Kind = fkMedia;
                countStreams(*detector, streamCount, *info);
            } else {
                info->Kind = fkPicture;
                length_s = settings.pictureTime_s;
                if (!settings.noSequence) {
                    const int files = SequenceFileCount(fileName);
                    if (files > 0) {
                        info->Kind = fkSequence;
                        length_s = settings.pictureTime_s * files;
                    }
                }
            }
        }
    }

    info->FileName = fileName;
    info->Duration = secondsToReferenceTime(length_s);
    // MP3 files in lower case are refused on purpose; the rule is case-sensitive.
    if (ExtractFileExt(fileName) == QLatin1String(".mp3")) {
        info->Kind = fkCantPlay;
    }

    switch (info->Kind) {
    case fkCantPlay:
        info->VideoStream = -1;
        info->AudioStream = -1;
        info->Duration = 0;
        break;
    case fkMedia:
        info->VideoStream = info->VideoStreamCount > 0 ? 0 : -1;
        info->AudioStream = info->AudioStreamCount > 0 ? 0 : -1;
        break;
    default:
        info->VideoStream = 0;
        info->AudioStream = -1;
        break;
    }
    info->StretchMode = settings.stretchMode;
    return info;
}

} // namespace render

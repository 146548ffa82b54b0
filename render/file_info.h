#pragma once

#include "platform/streaming/media_type.h"
#include "platform/system/hresult.h"

#include <QString>

#include <cstdint>

namespace render {

using platform::REFERENCE_TIME;

// Classification of a playlist entry. The numbers are fixed: the timeline tests ranges of them.
enum TFileKind : std::uint8_t {
    fkCantPlay = 0,
    fkMedia = 1,
    fkPicture = 2,
    fkPictureLast = 3,
    fkPictureNext = 4,
    fkSequence = 5,
};

// Stretch modes, equal to the resizer's RESIZEF_* flags.
enum TStretchMode : std::int32_t {
    smStretch = 0,
    smOriginal = 1,
    smLetterbox = 2,
    smCrop = 3,
};

// The media record of one playlist entry; a new record has every field zero.
class TFileInfo {
public:
    QString FileName;
    REFERENCE_TIME Start = 0;    // start on the whole-list timeline
    REFERENCE_TIME Duration = 0; // length on the timeline
    std::int32_t VideoStream = 0;
    std::int32_t AudioStream = 0;
    std::int32_t VideoStreamCount = 0;
    std::int32_t AudioStreamCount = 0;
    std::int32_t StretchMode = smStretch;
    TFileKind Kind = fkCantPlay;
    platform::AM_MEDIA_TYPE MediaType; // media type of the (last) video stream

    friend bool operator==(const TFileInfo&, const TFileInfo&) = default;
};

// Copies every field of source into destination, the media type with its own format block.
void CopyFileInfo(TFileInfo& destination, const TFileInfo& source);

} // namespace render

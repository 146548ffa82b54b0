#pragma once

#include "platform/system/guid.h"
#include "platform/system/hresult.h"

#include <optional>

namespace platform {

enum AM_SEEKING_SEEKING_FLAGS : unsigned long {
    AM_SEEKING_NoPositioning = 0x0,
    AM_SEEKING_AbsolutePositioning = 0x1,
    AM_SEEKING_RelativePositioning = 0x2,
    AM_SEEKING_IncrementalPositioning = 0x3,
    AM_SEEKING_PositioningBitsMask = 0x3,
    AM_SEEKING_SeekToKeyFrame = 0x4,
    AM_SEEKING_ReturnTime = 0x8,
    AM_SEEKING_Segment = 0x10,
    AM_SEEKING_NoFlush = 0x20,
};

enum AM_SEEKING_SEEKING_CAPABILITIES : unsigned long {
    AM_SEEKING_CanSeekAbsolute = 0x1,
    AM_SEEKING_CanSeekForwards = 0x2,
    AM_SEEKING_CanSeekBackwards = 0x4,
    AM_SEEKING_CanGetCurrentPos = 0x8,
    AM_SEEKING_CanGetStopPos = 0x10,
    AM_SEEKING_CanGetDuration = 0x20,
    AM_SEEKING_CanPlayBackwards = 0x40,
    AM_SEEKING_CanDoSegments = 0x80,
    AM_SEEKING_Source = 0x100,
};

inline constexpr GUID TIME_FORMAT_NONE{};
inline constexpr GUID TIME_FORMAT_MEDIA_TIME{
    0x7B785574, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};

// Positions of a stream. Only TIME_FORMAT_MEDIA_TIME (100 ns) and rate 1.0 are supported.
class IMediaSeeking {
public:
    virtual ~IMediaSeeking() = default;

    virtual HRESULT GetCapabilities(unsigned long* capabilities) = 0;
    // Keeps in *capabilities only those the stream has; S_OK all, S_FALSE some, E_FAIL none.
    virtual HRESULT CheckCapabilities(unsigned long* capabilities) = 0;
    virtual HRESULT IsFormatSupported(const GUID& format) = 0;
    virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
    virtual HRESULT GetTimeFormat(GUID* format) = 0;
    virtual HRESULT IsUsingTimeFormat(const GUID& format) = 0;
    virtual HRESULT SetTimeFormat(const GUID& format) = 0;
    virtual HRESULT GetDuration(REFERENCE_TIME* duration) = 0;
    virtual HRESULT GetStopPosition(REFERENCE_TIME* stop) = 0;
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME* current) = 0;
    // Each of `current`/`stop` may be null when its flags say AM_SEEKING_NoPositioning.
    virtual HRESULT SetPositions(REFERENCE_TIME* current, unsigned long currentFlags,
                                 REFERENCE_TIME* stop, unsigned long stopFlags) = 0;
    virtual HRESULT GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop) = 0;
    virtual HRESULT GetAvailable(REFERENCE_TIME* earliest, REFERENCE_TIME* latest) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double* rate) = 0;
    virtual HRESULT GetPreroll(REFERENCE_TIME* preroll) = 0;
};

// The new value of a position after SetPositions: `value` taken as `flags` say, relative to
// `current` (relative and incremental positioning). nullopt for no positioning; E_INVALIDARG
// case (null value with positioning) is also nullopt with *invalid set.
std::optional<REFERENCE_TIME> resolveSeekPosition(const REFERENCE_TIME* value, unsigned long flags,
                                                  REFERENCE_TIME current, bool* invalid);

// The time format and rate part of IMediaSeeking, shared by every implementation.
class MediaTimeSeeking : public IMediaSeeking {
public:
    HRESULT IsFormatSupported(const GUID& format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID& format) override;
    HRESULT SetTimeFormat(const GUID& format) override;
    HRESULT CheckCapabilities(unsigned long* capabilities) override;
    HRESULT GetPositions(REFERENCE_TIME* current, REFERENCE_TIME* stop) override;
    HRESULT GetAvailable(REFERENCE_TIME* earliest, REFERENCE_TIME* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(REFERENCE_TIME* preroll) override;
};

} // namespace platform

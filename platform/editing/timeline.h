#pragma once

#include "platform/editing/property_setter.h"
#include "platform/streaming/media_type.h"
#include "platform/system/guid.h"
#include "platform/system/hresult.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// The editing timeline: groups (one output stream each) hold virtual tracks in priority order;
// tracks hold non-overlapping sources and transitions (which may overlap). Every node is created
// empty by IAMTimeline::CreateEmptyNode and queried for its node interfaces with query<T>().

enum TIMELINE_MAJOR_TYPE : std::int32_t {
    TIMELINE_MAJOR_TYPE_COMPOSITE = 1,
    TIMELINE_MAJOR_TYPE_TRACK = 2,
    TIMELINE_MAJOR_TYPE_SOURCE = 4,
    TIMELINE_MAJOR_TYPE_TRANSITION = 8,
    TIMELINE_MAJOR_TYPE_EFFECT = 16,
    TIMELINE_MAJOR_TYPE_GROUP = 128,
};

// Flags of IAMTimeline::ValidateSourceNames.
inline constexpr long SFN_VALIDATEF_CHECK = 0x01;
inline constexpr long SFN_VALIDATEF_POPUP = 0x02;
inline constexpr long SFN_VALIDATEF_TELLME = 0x04;
inline constexpr long SFN_VALIDATEF_REPLACE = 0x08;
inline constexpr long SFN_VALIDATEF_USELOCAL = 0x10;
inline constexpr long SFN_VALIDATEF_NOFIND = 0x20;

// Stretch modes of a source (the resizer's flags).
inline constexpr int RESIZEF_STRETCH = 0;
inline constexpr int RESIZEF_CROP = 1;
inline constexpr int RESIZEF_PRESERVEASPECTRATIO = 2;
inline constexpr int RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX = 3;

class IAMTimelineObj;

// The smart render engine's recompression format: frames already in this format pass through.
struct SCompFmt0 {
    long nFormatId = 0;
    AM_MEDIA_TYPE MediaType;
};

// Common part of every node: type, times, sub-object and property setter.
class IAMTimelineObj {
public:
    virtual ~IAMTimelineObj() = default;

    virtual HRESULT GetTimelineType(TIMELINE_MAJOR_TYPE* type) const = 0;
    // Times on the timeline. E_INVALIDARG (nothing changes) when stop < start. A source already
    // on a track keeps the track free of overlaps: it takes its new place as if added anew.
    // A transition already on a track refuses times that end at or before 0.
    virtual HRESULT SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
    virtual HRESULT GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) const = 0;
    // Class of the effect or transition the node applies (CLSID_DxtJpeg for a SMPTE wipe).
    virtual HRESULT SetSubObjectGUID(const GUID& clsid) = 0;
    virtual HRESULT GetSubObjectGUID(GUID* clsid) const = 0;
    virtual HRESULT SetPropertySetter(const std::shared_ptr<IPropertySetter>& setter) = 0;
    // S_FALSE and null when none is set.
    virtual HRESULT GetPropertySetter(std::shared_ptr<IPropertySetter>* setter) const = 0;
};

// A group: one output stream of the timeline in one media type. Also a composition.
class IAMTimelineGroup {
public:
    virtual ~IAMTimelineGroup() = default;

    // E_INVALIDARG unless the major type is video or audio.
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& mediaType) = 0;
    virtual HRESULT GetMediaType(AM_MEDIA_TYPE* mediaType) const = 0;
    virtual HRESULT SetPreviewMode(bool preview) = 0;
    virtual HRESULT GetPreviewMode(bool* preview) const = 0;
    // E_INVALIDARG unless frames per second > 0.
    virtual HRESULT SetOutputFPS(double framesPerSecond) = 0;
    virtual HRESULT GetOutputFPS(double* framesPerSecond) const = 0;
    virtual HRESULT SetSmartRecompressFormat(const SCompFmt0& format) = 0;
    // S_FALSE and an empty format when none is set.
    virtual HRESULT GetSmartRecompressFormat(SCompFmt0* format) const = 0;
    virtual HRESULT IsSmartRecompressFormatSet(bool* isSet) const = 0;
};

// A composition: virtual tracks in priority order (0 = lowest layer, drawn first).
class IAMTimelineComp {
public:
    virtual ~IAMTimelineComp() = default;

    // Inserts a track at a priority from 0 to the track count; the tracks at that priority
    // and above move up by one. Priority -1 appends. E_INVALIDARG for any other priority or a
    // track that already has a parent, E_NOINTERFACE when the node is not a track.
    virtual HRESULT VTrackInsBefore(const std::shared_ptr<IAMTimelineObj>& track,
                                    long priority) = 0;
    virtual HRESULT VTrackGetCount(long* count) const = 0;
    // E_INVALIDARG when there is no track at that priority.
    virtual HRESULT GetVTrack(std::shared_ptr<IAMTimelineObj>* track, long priority) const = 0;
};

// A node inside a composition.
class IAMTimelineVirtualTrack {
public:
    virtual ~IAMTimelineVirtualTrack() = default;

    // The track's priority in its composition; -1 (S_FALSE) while it has none.
    virtual HRESULT TrackGetPriority(long* priority) const = 0;
};

// A track: sources that never overlap, kept in time order.
class IAMTimelineTrack {
public:
    virtual ~IAMTimelineTrack() = default;

    // Adds a source whose times are set (start >= 0, stop > start). The new source takes its
    // whole time range: sources it covers are removed, partly covered ones are trimmed (or
    // split in two) with their media times cut in proportion. E_NOINTERFACE when the node is
    // not a source, E_INVALIDARG for bad times or a source that already has a parent.
    virtual HRESULT SrcAdd(const std::shared_ptr<IAMTimelineObj>& source) = 0;
    virtual HRESULT GetSourcesCount(long* count) const = 0;
    // The sources in time order.
    virtual std::vector<std::shared_ptr<IAMTimelineObj>> GetSources() const = 0;
};

// Something transitions can be added to (tracks).
class IAMTimelineTransable {
public:
    virtual ~IAMTimelineTransable() = default;

    // Adds a transition whose times are set (stop > start, stop > 0: it may begin before the
    // timeline). Transitions may overlap; where they do, the later is laid over the earlier.
    // E_INVALIDARG for other times or a transition that already has a parent, E_NOINTERFACE
    // when the node is not a transition.
    virtual HRESULT TransAdd(const std::shared_ptr<IAMTimelineObj>& transition) = 0;
    virtual HRESULT TransGetCount(long* count) const = 0;
    // The transitions in start order.
    virtual std::vector<std::shared_ptr<IAMTimelineObj>> GetTransitions() const = 0;
};

// A source: which part of which file plays in the node's time range.
class IAMTimelineSrc {
public:
    virtual ~IAMTimelineSrc() = default;

    // E_INVALIDARG (nothing changes) when stop < start.
    virtual HRESULT SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
    virtual HRESULT GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) const = 0;
    virtual HRESULT SetMediaName(const QString& name) = 0;
    virtual HRESULT GetMediaName(QString* name) const = 0;
    // One of the RESIZEF_* modes (default RESIZEF_STRETCH); E_INVALIDARG for other values.
    virtual HRESULT SetStretchMode(int mode) = 0;
    virtual HRESULT GetStretchMode(int* mode) const = 0;
};

// A transition between the track holding it (input A) and the layers below (input B).
class IAMTimelineTrans {
public:
    virtual ~IAMTimelineTrans() = default;

    // Swapped inputs make the transition run from B to A instead of from A to B.
    virtual HRESULT SetSwapInputs(bool swap) = 0;
    virtual HRESULT GetSwapInputs(bool* swap) const = 0;
};

// Finds a media file that is not where its name says.
class IMediaLocator {
public:
    virtual ~IMediaLocator() = default;

    // S_OK and the found name in *found, or S_FALSE when the file cannot be found.
    virtual HRESULT FindMediaFile(const QString& name, long flags, QString* found) = 0;
};

// The timeline (the stand-in for CLSID_AMTimeline).
class IAMTimeline {
public:
    virtual ~IAMTimeline() = default;

    // A new, empty node of a group, track, source or transition. E_NOTIMPL for other types.
    virtual HRESULT CreateEmptyNode(std::shared_ptr<IAMTimelineObj>* node,
                                    TIMELINE_MAJOR_TYPE type) = 0;
    // Appends a group; its index is the number of groups before it. E_NOINTERFACE when the
    // node is not a group, E_INVALIDARG when it was added already.
    virtual HRESULT AddGroup(const std::shared_ptr<IAMTimelineObj>& group) = 0;
    virtual HRESULT GetGroupCount(long* count) const = 0;
    // E_INVALIDARG when there is no group at that index.
    virtual HRESULT GetGroup(std::shared_ptr<IAMTimelineObj>* group, long index) const = 0;
    // The latest stop time of any source or transition.
    virtual HRESULT GetDuration(REFERENCE_TIME* duration) const = 0;
    // With SFN_VALIDATEF_CHECK, checks that the file of every source exists. A missing file is
    // looked for by the override locator when given, else (with SFN_VALIDATEF_USELOCAL and
    // without SFN_VALIDATEF_NOFIND) by its file name in the current folder; with
    // SFN_VALIDATEF_REPLACE a found file replaces the source's name. Nothing changes when
    // every file exists. S_OK when every source ends up with an existing file, S_FALSE when
    // some do not. There is no dialog (SFN_VALIDATEF_POPUP) and no notification
    // (SFN_VALIDATEF_TELLME, notifyEventHandle): the result code tells the caller.
    virtual HRESULT ValidateSourceNames(long flags, const std::shared_ptr<IMediaLocator>& locator,
                                        std::intptr_t notifyEventHandle) = 0;
};

// Creates an empty timeline.
std::shared_ptr<IAMTimeline> CreateAMTimeline();

} // namespace platform

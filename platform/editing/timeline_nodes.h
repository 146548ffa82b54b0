#pragma once

#include "platform/editing/timeline.h"

#include <memory>
#include <vector>

// The node classes behind the timeline interfaces. Only the timeline itself creates them.
namespace platform::timeline_detail {

class TimelineTrack;
class TimelineGroup;

// What every node has: type, times, sub-object and property setter.
class TimelineNode : public IAMTimelineObj {
public:
    explicit TimelineNode(TIMELINE_MAJOR_TYPE type) : type_(type) {}

    HRESULT GetTimelineType(TIMELINE_MAJOR_TYPE* type) const override;
    HRESULT SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) override;
    HRESULT GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) const override;
    HRESULT SetSubObjectGUID(const GUID& clsid) override;
    HRESULT GetSubObjectGUID(GUID* clsid) const override;
    HRESULT SetPropertySetter(const std::shared_ptr<IPropertySetter>& setter) override;
    HRESULT GetPropertySetter(std::shared_ptr<IPropertySetter>* setter) const override;

    REFERENCE_TIME start() const { return start_; }
    REFERENCE_TIME stop() const { return stop_; }
    // Sets the times without asking the parent; the parent uses this to place its children.
    void setTimes(REFERENCE_TIME start, REFERENCE_TIME stop) {
        start_ = start;
        stop_ = stop;
    }

private:
    TIMELINE_MAJOR_TYPE type_;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    GUID subObject_;
    std::shared_ptr<IPropertySetter> propertySetter_;
};

class TimelineSource final : public TimelineNode, public IAMTimelineSrc {
public:
    TimelineSource() : TimelineNode(TIMELINE_MAJOR_TYPE_SOURCE) {}

    HRESULT SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) override;
    HRESULT SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) override;
    HRESULT GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) const override;
    HRESULT SetMediaName(const QString& name) override;
    HRESULT GetMediaName(QString* name) const override;
    HRESULT SetStretchMode(int mode) override;
    HRESULT GetStretchMode(int* mode) const override;

    const QString& mediaName() const { return mediaName_; }
    // Cuts the source to [newStart, newStop) inside its range, media times in proportion.
    void trimTo(REFERENCE_TIME newStart, REFERENCE_TIME newStop);
    // A copy without a parent.
    std::shared_ptr<TimelineSource> clone() const;

    std::weak_ptr<TimelineTrack> parent;

private:
    REFERENCE_TIME mediaAt(REFERENCE_TIME time) const;

    REFERENCE_TIME mediaStart_ = 0;
    REFERENCE_TIME mediaStop_ = 0;
    QString mediaName_;
    int stretchMode_ = RESIZEF_STRETCH;
};

class TimelineTransition final : public TimelineNode, public IAMTimelineTrans {
public:
    TimelineTransition() : TimelineNode(TIMELINE_MAJOR_TYPE_TRANSITION) {}

    HRESULT SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) override;
    HRESULT SetSwapInputs(bool swap) override;
    HRESULT GetSwapInputs(bool* swap) const override;

    std::weak_ptr<TimelineTrack> parent;

private:
    bool swapInputs_ = false;
};

class TimelineTrack final : public TimelineNode,
                            public IAMTimelineTrack,
                            public IAMTimelineTransable,
                            public IAMTimelineVirtualTrack,
                            public std::enable_shared_from_this<TimelineTrack> {
public:
    TimelineTrack() : TimelineNode(TIMELINE_MAJOR_TYPE_TRACK) {}

    HRESULT SrcAdd(const std::shared_ptr<IAMTimelineObj>& source) override;
    HRESULT GetSourcesCount(long* count) const override;
    std::vector<std::shared_ptr<IAMTimelineObj>> GetSources() const override;
    HRESULT TransAdd(const std::shared_ptr<IAMTimelineObj>& transition) override;
    HRESULT TransGetCount(long* count) const override;
    std::vector<std::shared_ptr<IAMTimelineObj>> GetTransitions() const override;
    HRESULT TrackGetPriority(long* priority) const override;

    // Gives a source on this track new times, keeping the track free of overlaps.
    HRESULT moveSource(const TimelineSource* source, REFERENCE_TIME start, REFERENCE_TIME stop);
    // Gives a transition on this track new times, keeping the transitions in start order.
    HRESULT moveTransition(TimelineTransition* transition, REFERENCE_TIME start,
                           REFERENCE_TIME stop);
    const std::vector<std::shared_ptr<TimelineSource>>& sources() const { return sources_; }
    REFERENCE_TIME latestStop() const;

    std::weak_ptr<TimelineGroup> parent;

private:
    // Makes room for [start, stop): removes, trims or splits the sources there.
    void clearRange(REFERENCE_TIME start, REFERENCE_TIME stop);
    void insertSorted(std::shared_ptr<TimelineSource> source);

    std::vector<std::shared_ptr<TimelineSource>> sources_;
    std::vector<std::shared_ptr<TimelineTransition>> transitions_;
};

class TimelineGroup final : public TimelineNode,
                            public IAMTimelineGroup,
                            public IAMTimelineComp,
                            public std::enable_shared_from_this<TimelineGroup> {
public:
    TimelineGroup() : TimelineNode(TIMELINE_MAJOR_TYPE_GROUP) {}

    HRESULT SetMediaType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE* mediaType) const override;
    HRESULT SetPreviewMode(bool preview) override;
    HRESULT GetPreviewMode(bool* preview) const override;
    HRESULT SetOutputFPS(double framesPerSecond) override;
    HRESULT GetOutputFPS(double* framesPerSecond) const override;
    HRESULT SetSmartRecompressFormat(const SCompFmt0& format) override;
    HRESULT GetSmartRecompressFormat(SCompFmt0* format) const override;
    HRESULT IsSmartRecompressFormatSet(bool* isSet) const override;
    HRESULT VTrackInsBefore(const std::shared_ptr<IAMTimelineObj>& track, long priority) override;
    HRESULT VTrackGetCount(long* count) const override;
    HRESULT GetVTrack(std::shared_ptr<IAMTimelineObj>* track, long priority) const override;

    long priorityOf(const TimelineTrack* track) const;
    const std::vector<std::shared_ptr<TimelineTrack>>& tracks() const { return tracks_; }

    bool inTimeline = false;

private:
    AM_MEDIA_TYPE mediaType_;
    bool previewMode_ = true;
    double outputFps_ = 15.0;
    bool smartFormatSet_ = false;
    SCompFmt0 smartFormat_;
    std::vector<std::shared_ptr<TimelineTrack>> tracks_; // index = priority
};

} // namespace platform::timeline_detail

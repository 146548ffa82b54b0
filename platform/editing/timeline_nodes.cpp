#include "platform/editing/timeline_nodes.h"

#include <algorithm>
#include <cmath>

namespace platform::timeline_detail {
namespace {

bool validPlacement(REFERENCE_TIME start, REFERENCE_TIME stop) {
    return start >= 0 && stop > start;
}

bool overlaps(REFERENCE_TIME aStart, REFERENCE_TIME aStop, REFERENCE_TIME bStart,
              REFERENCE_TIME bStop) {
    return aStart < bStop && bStart < aStop;
}

// A transition may begin before the timeline (a wipe longer than twice its picture) but must
// reach into it.
bool validTransitionPlacement(REFERENCE_TIME start, REFERENCE_TIME stop) {
    return stop > start && stop > 0;
}

} // namespace

// --- TimelineNode ---

HRESULT TimelineNode::GetTimelineType(TIMELINE_MAJOR_TYPE* type) const {
    if (type == nullptr) {
        return E_POINTER;
    }
    *type = type_;
    return S_OK;
}

HRESULT TimelineNode::SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) {
    if (stop < start) {
        return E_INVALIDARG;
    }
    setTimes(start, stop);
    return S_OK;
}

HRESULT TimelineNode::GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) const {
    if (start == nullptr || stop == nullptr) {
        return E_POINTER;
    }
    *start = start_;
    *stop = stop_;
    return S_OK;
}

HRESULT TimelineNode::SetSubObjectGUID(const GUID& clsid) {
    subObject_ = clsid;
    return S_OK;
}

HRESULT TimelineNode::GetSubObjectGUID(GUID* clsid) const {
    if (clsid == nullptr) {
        return E_POINTER;
    }
    *clsid = subObject_;
    return S_OK;
}

HRESULT TimelineNode::SetPropertySetter(const std::shared_ptr<IPropertySetter>& setter) {
    propertySetter_ = setter;
    return S_OK;
}

HRESULT TimelineNode::GetPropertySetter(std::shared_ptr<IPropertySetter>* setter) const {
    if (setter == nullptr) {
        return E_POINTER;
    }
    *setter = propertySetter_;
    return propertySetter_ ? S_OK : S_FALSE;
}

// --- TimelineSource ---

HRESULT TimelineSource::SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) {
    if (const auto track = parent.lock()) {
        return track->moveSource(this, start, stop);
    }
    return TimelineNode::SetStartStop(start, stop);
}

HRESULT TimelineSource::SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) {
    if (stop < start) {
        return E_INVALIDARG;
    }
    mediaStart_ = start;
    mediaStop_ = stop;
    return S_OK;
}

HRESULT TimelineSource::GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) const {
    if (start == nullptr || stop == nullptr) {
        return E_POINTER;
    }
    *start = mediaStart_;
    *stop = mediaStop_;
    return S_OK;
}

HRESULT TimelineSource::SetMediaName(const QString& name) {
    mediaName_ = name;
    return S_OK;
}

HRESULT TimelineSource::GetMediaName(QString* name) const {
    if (name == nullptr) {
        return E_POINTER;
    }
    *name = mediaName_;
    return S_OK;
}

HRESULT TimelineSource::SetStretchMode(int mode) {
    if (mode < RESIZEF_STRETCH || mode > RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX) {
        return E_INVALIDARG;
    }
    stretchMode_ = mode;
    return S_OK;
}

HRESULT TimelineSource::GetStretchMode(int* mode) const {
    if (mode == nullptr) {
        return E_POINTER;
    }
    *mode = stretchMode_;
    return S_OK;
}

REFERENCE_TIME TimelineSource::mediaAt(REFERENCE_TIME time) const {
    const auto length = static_cast<long double>(stop() - start());
    if (length <= 0) {
        return mediaStart_;
    }
    const auto fraction = static_cast<long double>(time - start()) / length;
    return mediaStart_ +
           std::llround(static_cast<long double>(mediaStop_ - mediaStart_) * fraction);
}

void TimelineSource::trimTo(REFERENCE_TIME newStart, REFERENCE_TIME newStop) {
    const REFERENCE_TIME newMediaStart = mediaAt(newStart);
    const REFERENCE_TIME newMediaStop = mediaAt(newStop);
    mediaStart_ = newMediaStart;
    mediaStop_ = newMediaStop;
    setTimes(newStart, newStop);
}

std::shared_ptr<TimelineSource> TimelineSource::clone() const {
    auto copy = std::make_shared<TimelineSource>(*this);
    copy->parent.reset();
    return copy;
}

// --- TimelineTransition ---

HRESULT TimelineTransition::SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) {
    if (const auto track = parent.lock()) {
        return track->moveTransition(this, start, stop);
    }
    return TimelineNode::SetStartStop(start, stop);
}

HRESULT TimelineTransition::SetSwapInputs(bool swap) {
    swapInputs_ = swap;
    return S_OK;
}

HRESULT TimelineTransition::GetSwapInputs(bool* swap) const {
    if (swap == nullptr) {
        return E_POINTER;
    }
    *swap = swapInputs_;
    return S_OK;
}

// --- TimelineTrack ---

HRESULT TimelineTrack::SrcAdd(const std::shared_ptr<IAMTimelineObj>& source) {
    auto node = std::dynamic_pointer_cast<TimelineSource>(source);
    if (!node) {
        return source ? E_NOINTERFACE : E_POINTER;
    }
    if (!node->parent.expired() || !validPlacement(node->start(), node->stop())) {
        return E_INVALIDARG;
    }
    clearRange(node->start(), node->stop());
    node->parent = weak_from_this();
    insertSorted(std::move(node));
    return S_OK;
}

HRESULT TimelineTrack::moveSource(const TimelineSource* source, REFERENCE_TIME start,
                                  REFERENCE_TIME stop) {
    auto it = std::find_if(sources_.begin(), sources_.end(),
                           [&](const auto& s) { return s.get() == source; });
    if (it == sources_.end()) {
        return E_UNEXPECTED;
    }
    if (!validPlacement(start, stop)) {
        return E_INVALIDARG;
    }
    auto node = *it;
    sources_.erase(it);
    node->setTimes(start, stop);
    clearRange(start, stop);
    insertSorted(std::move(node));
    return S_OK;
}

void TimelineTrack::clearRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
    std::vector<std::shared_ptr<TimelineSource>> kept;
    for (auto& source : sources_) {
        const REFERENCE_TIME s = source->start();
        const REFERENCE_TIME e = source->stop();
        if (!overlaps(s, e, start, stop)) {
            kept.push_back(source);
        } else if (s >= start && e <= stop) {
            source->parent.reset(); // covered completely: removed
        } else if (s < start && e > stop) {
            auto tail = source->clone();
            tail->trimTo(stop, e);
            tail->parent = weak_from_this();
            source->trimTo(s, start);
            kept.push_back(source);
            kept.push_back(tail);
        } else if (s < start) {
            source->trimTo(s, start);
            kept.push_back(source);
        } else {
            source->trimTo(stop, e);
            kept.push_back(source);
        }
    }
    sources_ = std::move(kept);
}

void TimelineTrack::insertSorted(std::shared_ptr<TimelineSource> source) {
    auto at = std::upper_bound(
        sources_.begin(), sources_.end(), source->start(),
        [](REFERENCE_TIME start, const auto& other) { return start < other->start(); });
    sources_.insert(at, std::move(source));
}

HRESULT TimelineTrack::GetSourcesCount(long* count) const {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = static_cast<long>(sources_.size());
    return S_OK;
}

std::vector<std::shared_ptr<IAMTimelineObj>> TimelineTrack::GetSources() const {
    return {sources_.begin(), sources_.end()};
}

HRESULT TimelineTrack::TransAdd(const std::shared_ptr<IAMTimelineObj>& transition) {
    auto node = std::dynamic_pointer_cast<TimelineTransition>(transition);
    if (!node) {
        return transition ? E_NOINTERFACE : E_POINTER;
    }
    if (!node->parent.expired() || !validTransitionPlacement(node->start(), node->stop())) {
        return E_INVALIDARG;
    }
    node->parent = weak_from_this();
    auto at = std::upper_bound(
        transitions_.begin(), transitions_.end(), node->start(),
        [](REFERENCE_TIME start, const auto& other) { return start < other->start(); });
    transitions_.insert(at, std::move(node));
    return S_OK;
}

HRESULT TimelineTrack::moveTransition(TimelineTransition* transition, REFERENCE_TIME start,
                                      REFERENCE_TIME stop) {
    if (!validTransitionPlacement(start, stop)) {
        return E_INVALIDARG;
    }
    transition->setTimes(start, stop);
    std::stable_sort(transitions_.begin(), transitions_.end(),
                     [](const auto& a, const auto& b) { return a->start() < b->start(); });
    return S_OK;
}

HRESULT TimelineTrack::TransGetCount(long* count) const {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = static_cast<long>(transitions_.size());
    return S_OK;
}

std::vector<std::shared_ptr<IAMTimelineObj>> TimelineTrack::GetTransitions() const {
    return {transitions_.begin(), transitions_.end()};
}

HRESULT TimelineTrack::TrackGetPriority(long* priority) const {
    if (priority == nullptr) {
        return E_POINTER;
    }
    const auto group = parent.lock();
    *priority = group ? group->priorityOf(this) : -1;
    return *priority >= 0 ? S_OK : S_FALSE;
}

REFERENCE_TIME TimelineTrack::latestStop() const {
    REFERENCE_TIME latest = 0;
    for (const auto& source : sources_) {
        latest = std::max(latest, source->stop());
    }
    for (const auto& transition : transitions_) {
        latest = std::max(latest, transition->stop());
    }
    return latest;
}

// --- TimelineGroup ---

HRESULT TimelineGroup::SetMediaType(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType.majortype != MEDIATYPE_Video && mediaType.majortype != MEDIATYPE_Audio) {
        return E_INVALIDARG;
    }
    mediaType_ = mediaType;
    return S_OK;
}

HRESULT TimelineGroup::GetMediaType(AM_MEDIA_TYPE* mediaType) const {
    if (mediaType == nullptr) {
        return E_POINTER;
    }
    *mediaType = mediaType_;
    return S_OK;
}

HRESULT TimelineGroup::SetPreviewMode(bool preview) {
    previewMode_ = preview;
    return S_OK;
}

HRESULT TimelineGroup::GetPreviewMode(bool* preview) const {
    if (preview == nullptr) {
        return E_POINTER;
    }
    *preview = previewMode_;
    return S_OK;
}

HRESULT TimelineGroup::SetOutputFPS(double framesPerSecond) {
    if (!(framesPerSecond > 0.0) || !std::isfinite(framesPerSecond)) {
        return E_INVALIDARG;
    }
    outputFps_ = framesPerSecond;
    return S_OK;
}

HRESULT TimelineGroup::GetOutputFPS(double* framesPerSecond) const {
    if (framesPerSecond == nullptr) {
        return E_POINTER;
    }
    *framesPerSecond = outputFps_;
    return S_OK;
}

HRESULT TimelineGroup::SetSmartRecompressFormat(const SCompFmt0& format) {
    smartFormat_ = format;
    smartFormatSet_ = true;
    return S_OK;
}

HRESULT TimelineGroup::GetSmartRecompressFormat(SCompFmt0* format) const {
    if (format == nullptr) {
        return E_POINTER;
    }
    *format = smartFormat_;
    return smartFormatSet_ ? S_OK : S_FALSE;
}

HRESULT TimelineGroup::IsSmartRecompressFormatSet(bool* isSet) const {
    if (isSet == nullptr) {
        return E_POINTER;
    }
    *isSet = smartFormatSet_;
    return S_OK;
}

HRESULT TimelineGroup::VTrackInsBefore(const std::shared_ptr<IAMTimelineObj>& track,
                                       long priority) {
    auto node = std::dynamic_pointer_cast<TimelineTrack>(track);
    if (!node) {
        return track ? E_NOINTERFACE : E_POINTER;
    }
    const auto count = static_cast<long>(tracks_.size());
    if (!node->parent.expired() || priority < -1 || priority > count) {
        return E_INVALIDARG;
    }
    node->parent = weak_from_this();
    const long at = priority == -1 ? count : priority;
    tracks_.insert(tracks_.begin() + at, std::move(node));
    return S_OK;
}

HRESULT TimelineGroup::VTrackGetCount(long* count) const {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = static_cast<long>(tracks_.size());
    return S_OK;
}

HRESULT TimelineGroup::GetVTrack(std::shared_ptr<IAMTimelineObj>* track, long priority) const {
    if (track == nullptr) {
        return E_POINTER;
    }
    track->reset();
    if (priority < 0 || priority >= static_cast<long>(tracks_.size())) {
        return E_INVALIDARG;
    }
    *track = tracks_[static_cast<std::size_t>(priority)];
    return S_OK;
}

long TimelineGroup::priorityOf(const TimelineTrack* track) const {
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        if (tracks_[i].get() == track) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

} // namespace platform::timeline_detail

#pragma once

#include "platform/editing/timeline.h"
#include "platform/system/query.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include <vector>

// Plain copies of a timeline's contents, read back through the node interfaces, and a check of
// the invariants every timeline keeps.
namespace timelinetest {

using platform::REFERENCE_TIME;

struct SourceView {
    REFERENCE_TIME start = 0, stop = 0, mediaStart = 0, mediaStop = 0;
    QString name;
    int stretchMode = 0;
};

struct TransitionView {
    REFERENCE_TIME start = 0, stop = 0;
    platform::GUID clsid;
    bool swapInputs = false;
    std::vector<platform::DEXTER_PARAM> params;
    std::vector<platform::DEXTER_VALUE> values;
};

struct TrackView {
    std::vector<SourceView> sources;
    std::vector<TransitionView> transitions;
};

struct GroupView {
    platform::AM_MEDIA_TYPE mediaType;
    bool preview = false;
    double fps = 0;
    std::vector<TrackView> tracks; // index = priority
};

inline SourceView ViewSource(const std::shared_ptr<platform::IAMTimelineObj>& node) {
    SourceView view;
    node->GetStartStop(&view.start, &view.stop);
    const auto source = platform::query<platform::IAMTimelineSrc>(node);
    source->GetMediaTimes(&view.mediaStart, &view.mediaStop);
    source->GetMediaName(&view.name);
    source->GetStretchMode(&view.stretchMode);
    return view;
}

inline TransitionView ViewTransition(const std::shared_ptr<platform::IAMTimelineObj>& node) {
    TransitionView view;
    node->GetStartStop(&view.start, &view.stop);
    node->GetSubObjectGUID(&view.clsid);
    platform::query<platform::IAMTimelineTrans>(node)->GetSwapInputs(&view.swapInputs);
    std::shared_ptr<platform::IPropertySetter> setter;
    if (node->GetPropertySetter(&setter) == platform::S_OK) {
        setter->GetProps(&view.params, &view.values);
    }
    return view;
}

inline std::vector<GroupView> Snapshot(const platform::IAMTimeline& timeline) {
    std::vector<GroupView> groups;
    long groupCount = 0;
    timeline.GetGroupCount(&groupCount);
    for (long g = 0; g < groupCount; ++g) {
        std::shared_ptr<platform::IAMTimelineObj> node;
        timeline.GetGroup(&node, g);
        GroupView group;
        const auto groupIf = platform::query<platform::IAMTimelineGroup>(node);
        groupIf->GetMediaType(&group.mediaType);
        groupIf->GetPreviewMode(&group.preview);
        groupIf->GetOutputFPS(&group.fps);
        const auto comp = platform::query<platform::IAMTimelineComp>(node);
        long trackCount = 0;
        comp->VTrackGetCount(&trackCount);
        for (long p = 0; p < trackCount; ++p) {
            std::shared_ptr<platform::IAMTimelineObj> trackNode;
            comp->GetVTrack(&trackNode, p);
            TrackView track;
            for (const auto& s :
                 platform::query<platform::IAMTimelineTrack>(trackNode)->GetSources()) {
                track.sources.push_back(ViewSource(s));
            }
            for (const auto& t :
                 platform::query<platform::IAMTimelineTransable>(trackNode)->GetTransitions()) {
                track.transitions.push_back(ViewTransition(t));
            }
            group.tracks.push_back(std::move(track));
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

// Priorities match positions; within a track sources and transitions are in time order, have
// positive length, start at 0 or later and never overlap; the duration covers everything.
inline void ExpectTimelineInvariants(const platform::IAMTimeline& timeline) {
    REFERENCE_TIME duration = -1;
    timeline.GetDuration(&duration);
    long groupCount = 0;
    timeline.GetGroupCount(&groupCount);
    for (long g = 0; g < groupCount; ++g) {
        std::shared_ptr<platform::IAMTimelineObj> node;
        timeline.GetGroup(&node, g);
        const auto comp = platform::query<platform::IAMTimelineComp>(node);
        long trackCount = 0;
        comp->VTrackGetCount(&trackCount);
        for (long p = 0; p < trackCount; ++p) {
            std::shared_ptr<platform::IAMTimelineObj> trackNode;
            comp->GetVTrack(&trackNode, p);
            long priority = -2;
            platform::query<platform::IAMTimelineVirtualTrack>(trackNode)->TrackGetPriority(
                &priority);
            EXPECT_EQ(priority, p) << "group " << g;
            const auto checkRanges =
                [&](const std::vector<std::shared_ptr<platform::IAMTimelineObj>>& nodes,
                    const char* what) {
                    REFERENCE_TIME previousStop = 0;
                    for (const auto& n : nodes) {
                        REFERENCE_TIME start = 0, stop = 0;
                        n->GetStartStop(&start, &stop);
                        EXPECT_GE(start, 0) << what << " in group " << g << " track " << p;
                        EXPECT_GT(stop, start) << what << " in group " << g << " track " << p;
                        EXPECT_GE(start, previousStop)
                            << what << " overlap in group " << g << " track " << p;
                        EXPECT_LE(stop, duration);
                        previousStop = stop;
                    }
                };
            const auto track = platform::query<platform::IAMTimelineTrack>(trackNode);
            checkRanges(track->GetSources(), "source");
            for (const auto& s : track->GetSources()) {
                const SourceView view = ViewSource(s);
                EXPECT_GE(view.mediaStop, view.mediaStart) << view.name.toStdString();
            }
            // Transitions may overlap and begin before 0; they come in start order.
            REFERENCE_TIME previousStart = std::numeric_limits<REFERENCE_TIME>::min();
            for (const auto& n :
                 platform::query<platform::IAMTimelineTransable>(trackNode)->GetTransitions()) {
                REFERENCE_TIME start = 0, stop = 0;
                n->GetStartStop(&start, &stop);
                EXPECT_GT(stop, std::max<REFERENCE_TIME>(start, 0)) << "group " << g;
                EXPECT_GE(start, previousStart) << "transition order in group " << g;
                EXPECT_LE(stop, duration);
                previousStart = start;
            }
        }
    }
}

} // namespace timelinetest

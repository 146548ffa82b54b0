#include "render/timeline_builder.h"

#include "platform/editing/timeline_media_types.h"
#include "platform/system/query.h"
#include "render/media_item.h"

#include <QFileInfo>

namespace render {
namespace {

using platform::IAMTimelineObj;
using platform::query;

constexpr std::int32_t kFrameWidth = 720;

std::int32_t FrameHeight(bool ntsc) {
    return ntsc ? 480 : 576;
}

double FramesPerSecond(bool ntsc) {
    return ntsc ? 29.97 : 25.0;
}

REFERENCE_TIME AvgTimePerFrame(bool ntsc) {
    return Nearest(10'000'000.0 / FramesPerSecond(ntsc));
}

std::shared_ptr<IAMTimelineObj> CreateNode(platform::IAMTimeline& timeline,
                                           platform::TIMELINE_MAJOR_TYPE type) {
    std::shared_ptr<IAMTimelineObj> node;
    timeline.CreateEmptyNode(&node, type);
    return node;
}

// A group of the given media type added to the timeline.
std::shared_ptr<IAMTimelineObj> AddGroup(platform::IAMTimeline& timeline,
                                         const platform::AM_MEDIA_TYPE& mediaType, bool preview) {
    auto node = CreateNode(timeline, platform::TIMELINE_MAJOR_TYPE_GROUP);
    const auto group = query<platform::IAMTimelineGroup>(node);
    group->SetMediaType(mediaType);
    group->SetPreviewMode(preview);
    timeline.AddGroup(node);
    return node;
}

std::shared_ptr<platform::IAMTimelineTrack>
InsertTrack(platform::IAMTimeline& timeline, const std::shared_ptr<IAMTimelineObj>& group,
            long priority) {
    auto node = CreateNode(timeline, platform::TIMELINE_MAJOR_TYPE_TRACK);
    query<platform::IAMTimelineComp>(group)->VTrackInsBefore(node, priority);
    return query<platform::IAMTimelineTrack>(node);
}

// Places one picture plainly on track A for the picture time, then advances the position.
void PlacePicture(TTimelinePlacement& placement, std::size_t entryIndex, const QString& fileName) {
    const REFERENCE_TIME pic = placement.settings.pictureUnits();
    AddSourceNode(placement, *placement.trackA, placement.cur, placement.cur + pic, 0, pic,
                  fileName, placement.playList[entryIndex].StretchMode);
    placement.cur += pic;
}

// The plain picture rules. Returns the index of the last entry consumed.
std::size_t PlacePictures(TTimelinePlacement& placement, std::size_t entryIndex) {
    const auto& playList = placement.playList;
    const TFileInfo& entry = playList[entryIndex];
    switch (entry.Kind) {
    case fkPictureNext: {
        // A run reads 4, 4, ..., 4, 3; it also ends at the end of the list or at an entry that
        // is not a picture of the run, which a well-formed list never has.
        std::size_t i = entryIndex;
        while (i < playList.size() && playList[i].Kind == fkPictureNext) {
            PlacePicture(placement, i, playList[i].FileName);
            ++i;
        }
        if (i < playList.size() && playList[i].Kind == fkPictureLast) {
            PlacePicture(placement, i, playList[i].FileName);
            return i;
        }
        return i - 1;
    }
    case fkSequence:
        // The sequence's files are walked afresh: only those still present are placed.
        for (const QString& name : SequenceFileNames(entry.FileName)) {
            PlacePicture(placement, entryIndex, name);
        }
        return entryIndex;
    default: // fkPictureLast
        PlacePicture(placement, entryIndex, entry.FileName);
        return entryIndex;
    }
}

bool IsPictureKind(TFileKind kind) {
    return kind == fkPictureLast || kind == fkPictureNext || kind == fkSequence;
}

// Places the audio of an entry whose video (if any) occupies cur .. cur + length.
void PlaceAudio(TTimelinePlacement& placement, const TFileInfo& entry, REFERENCE_TIME length) {
    const REFERENCE_TIME shift = placement.settings.audioShiftUnits();
    const REFERENCE_TIME shiftedStart = placement.cur + shift;
    REFERENCE_TIME mediaStart = 0;
    REFERENCE_TIME start = shiftedStart;
    if (shiftedStart < 0) {
        mediaStart = -shiftedStart;
        start = 0;
    }
    const REFERENCE_TIME stop = placement.cur + length + shift;
    if (stop <= start) {
        return; // the whole sound is shifted before the start of the timeline
    }
    AddSourceNode(placement, *placement.audioTrack, start, stop, mediaStart, entry.Duration,
                  entry.FileName, std::nullopt);
}

} // namespace

bool EntryFileExists(const QString& fileName) {
    const QFileInfo info(fileName);
    return !fileName.isEmpty() && info.exists() && !info.isDir();
}

bool BuildPreconditionsMet(const std::vector<TFileInfo>& playList, const TBuildSettings& settings) {
    return !playList.empty() && settings.videoOutIndex != -1;
}

platform::AM_MEDIA_TYPE VideoGroupMediaType(bool ntsc) {
    return platform::CreateRgb24VideoType(kFrameWidth, FrameHeight(ntsc), AvgTimePerFrame(ntsc));
}

platform::AM_MEDIA_TYPE AudioGroupMediaType(int rateIndex, int channelsIndex) {
    std::uint32_t rate = 44100;
    if (rateIndex == 0) {
        rate = 32000;
    } else if (rateIndex == 2) {
        rate = 48000;
    }
    const std::uint16_t channels = channelsIndex == 1 ? 1 : 2;
    return platform::CreateAudioMediaType(platform::CreatePcmWaveFormat(rate, channels, 16));
}

platform::SCompFmt0 SmartRecompressFormat(bool ntsc) {
    const std::int32_t height = FrameHeight(ntsc);
    const auto imageSize = static_cast<std::uint32_t>(Nearest(kFrameWidth * height / 2.88));
    platform::SCompFmt0 format;
    format.nFormatId = 0;
    format.MediaType =
        platform::CreateDvsdVideoType(kFrameWidth, height, AvgTimePerFrame(ntsc), imageSize);
    return format;
}

platform::HRESULT ApplySmartRecompressFormat(platform::IAMTimeline& timeline, bool ntsc) {
    std::shared_ptr<IAMTimelineObj> node;
    const platform::HRESULT hr = timeline.GetGroup(&node, 0);
    if (platform::FAILED(hr)) {
        return hr;
    }
    return query<platform::IAMTimelineGroup>(node)->SetSmartRecompressFormat(
        SmartRecompressFormat(ntsc));
}

void AddSourceNode(TTimelinePlacement& placement, platform::IAMTimelineTrack& track,
                   REFERENCE_TIME start, REFERENCE_TIME stop, REFERENCE_TIME mediaStart,
                   REFERENCE_TIME mediaStop, const QString& name, std::optional<int> stretchMode) {
    const auto node = CreateNode(placement.timeline, platform::TIMELINE_MAJOR_TYPE_SOURCE);
    node->SetStartStop(start, stop);
    const auto source = query<platform::IAMTimelineSrc>(node);
    source->SetMediaTimes(mediaStart, mediaStop);
    source->SetMediaName(name);
    if (stretchMode) {
        source->SetStretchMode(*stretchMode);
    }
    track.SrcAdd(node);
}

std::shared_ptr<platform::IAMTimeline> BuildTimeline(const std::vector<TFileInfo>& playList,
                                                     const TBuildSettings& settings,
                                                     TRandomGenerator& random,
                                                     const StepBuildProgressFn& stepBuildProgress) {
    auto timeline = platform::CreateAMTimeline();
    const bool preview = settings.previewMode();

    // Video group: track A inserted at priority 0, then track B at 0 moves A up to 1.
    const auto videoGroup = AddGroup(*timeline, VideoGroupMediaType(settings.ntsc), preview);
    auto trackA = InsertTrack(*timeline, videoGroup, 0);
    auto trackB = InsertTrack(*timeline, videoGroup, 0);
    query<platform::IAMTimelineGroup>(videoGroup)->SetOutputFPS(FramesPerSecond(settings.ntsc));

    std::shared_ptr<platform::IAMTimelineTrack> audioTrack;
    if (settings.audioWanted()) {
        const auto audioGroup = AddGroup(
            *timeline, AudioGroupMediaType(settings.audioRateIndex, settings.audioChannelsIndex),
            preview);
        audioTrack = InsertTrack(*timeline, audioGroup, -1);
    }

    TTimelinePlacement placement{
        playList, settings, *timeline, std::move(trackA), std::move(trackB), std::move(audioTrack),
        random};
    const bool withTransitions = TransitionsActive(settings);
    for (std::size_t index = 0; index < playList.size(); ++index) {
        const std::size_t first = index;
        const TFileInfo& entry = playList[index];
        if (EntryFileExists(entry.FileName)) {
            REFERENCE_TIME length = entry.Duration;
            if (entry.VideoStream >= 0) {
                if (IsPictureKind(entry.Kind)) {
                    index = withTransitions ? PlacePicturesWithTransitions(placement, index)
                                            : PlacePictures(placement, index);
                    length = 0;
                } else {
                    AddSourceNode(placement, *placement.trackA, placement.cur,
                                  placement.cur + length, 0, entry.Duration, entry.FileName,
                                  entry.StretchMode);
                }
            }
            if (placement.audioTrack && entry.AudioStream >= 0) {
                PlaceAudio(placement, entry, length);
            }
            placement.cur += length;
        }
        if (stepBuildProgress) {
            stepBuildProgress(static_cast<int>(index - first + 1));
        }
    }
    return timeline;
}

} // namespace render

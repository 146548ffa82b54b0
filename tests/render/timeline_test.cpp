#include "tests/render/timeline_test_support.h"

#include "platform/system/query.h"

#include <QFile>

namespace {

using namespace timelinetest;
using render::fkPictureLast;
using render::fkPictureNext;
using render::fkSequence;

constexpr std::size_t kTrackB = 0; // priority 0
constexpr std::size_t kTrackA = 1; // priority 1

class TimelineBuilderTest : public TimelineBuildTest {};

TEST_F(TimelineBuilderTest, OneVideoWithoutAudioGroup) {
    settings.audioOutIndex = 0; // "- No audio -"
    const auto groups = build({media("clip.avi", 12.5)});
    ASSERT_EQ(groups.size(), 1u);
    const GroupView& video = groups[0];
    EXPECT_EQ(video.mediaType, render::VideoGroupMediaType(false));
    EXPECT_FALSE(video.preview); // "Full Process"
    EXPECT_DOUBLE_EQ(video.fps, 25.0);
    ASSERT_EQ(video.tracks.size(), 2u);
    EXPECT_TRUE(video.tracks[kTrackB].sources.empty());
    ASSERT_EQ(video.tracks[kTrackA].sources.size(), 1u);
    const SourceView& clip = video.tracks[kTrackA].sources[0];
    EXPECT_EQ(clip.start, 0);
    EXPECT_EQ(clip.stop, Seconds(12.5));
    EXPECT_EQ(clip.mediaStart, 0);
    EXPECT_EQ(clip.mediaStop, Seconds(12.5));
    EXPECT_EQ(clip.name, path("clip.avi"));
    EXPECT_EQ(clip.stretchMode, render::smLetterbox);
}

TEST_F(TimelineBuilderTest, GroupFormatsFollowTheSettings) {
    settings.audioOutIndex = 2;
    settings.processMode = 0; // "Preview"
    settings.audioRateIndex = 0;
    settings.audioChannelsIndex = 1;
    const auto groups = build({media("clip.avi", 1)});
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_TRUE(groups[0].preview);
    EXPECT_TRUE(groups[1].preview);
    const auto wfx = groups[1].mediaType.formatAs<platform::WAVEFORMATEX>().value();
    EXPECT_EQ(wfx.nSamplesPerSec, 32000u);
    EXPECT_EQ(wfx.nChannels, 1);
    EXPECT_EQ(wfx.nBlockAlign, 2);
    EXPECT_EQ(groups[1].tracks.size(), 1u);

    const auto outOfRange = render::AudioGroupMediaType(7, 0).formatAs<platform::WAVEFORMATEX>();
    EXPECT_EQ(outOfRange->nSamplesPerSec, 44100u);
    EXPECT_EQ(outOfRange->nChannels, 2);
    EXPECT_EQ(outOfRange->nAvgBytesPerSec, 44100u * 4u);
}

TEST_F(TimelineBuilderTest, NegativeAudioShiftCutsTheFirstClipsStart) {
    settings.audioOutIndex = 1;
    settings.audioShift_ms = -500;
    const auto groups = build({media("a.avi", 10), media("b.avi", 10)});
    const auto& audio = groups.at(1).tracks.at(0).sources;
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(audio[0].start, 0);
    EXPECT_EQ(audio[0].mediaStart, 5'000'000);
    EXPECT_EQ(audio[0].mediaStop, Seconds(10));
    EXPECT_EQ(audio[0].stop, Seconds(9.5));
    EXPECT_EQ(audio[1].start, Seconds(9.5));
    EXPECT_EQ(audio[1].mediaStart, 0);
    EXPECT_EQ(audio[1].stop, Seconds(19.5));
    EXPECT_EQ(groups[0].tracks[kTrackA].sources[1].start, Seconds(10));
}

TEST_F(TimelineBuilderTest, PositiveAudioShiftDelaysEverySound) {
    settings.audioOutIndex = 1;
    settings.audioShift_ms = 1000;
    const auto groups = build({media("a.avi", 10), media("b.avi", 5)});
    const auto& audio = groups.at(1).tracks.at(0).sources;
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(audio[0].start, Seconds(1));
    EXPECT_EQ(audio[1].start, Seconds(11));
    EXPECT_EQ(audio[1].stop, Seconds(16)); // 1 s after the video ends
    EXPECT_EQ(audio[1].mediaStart, 0);
    EXPECT_EQ(audio[1].mediaStop, Seconds(5));
}

// A sound shifted so far that it ends before the timeline starts is left out instead of
// becoming a clip with negative length.
TEST_F(TimelineBuilderTest, SoundShiftedWhollyBeforeTheStartIsLeftOut) {
    settings.audioOutIndex = 1;
    settings.audioShift_ms = -3000;
    const auto groups = build({media("short.wav", 2, false), media("b.avi", 10)});
    const auto& audio = groups.at(1).tracks.at(0).sources;
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0].name, path("b.avi"));
    EXPECT_EQ(audio[0].start, 0);
    EXPECT_EQ(audio[0].mediaStart, Seconds(1));
    EXPECT_EQ(audio[0].stop, Seconds(9));
}

TEST_F(TimelineBuilderTest, SoundOnlyItemLeavesTheVideoBlack) {
    settings.audioOutIndex = 1;
    const auto groups =
        build({media("a.avi", 10), media("song.wav", 4, false), media("b.avi", 10)});
    const auto& videos = groups[0].tracks[kTrackA].sources;
    ASSERT_EQ(videos.size(), 2u);
    EXPECT_EQ(videos[0].stop, Seconds(10));
    EXPECT_EQ(videos[1].start, Seconds(14));
    const auto& audio = groups[1].tracks[0].sources;
    ASSERT_EQ(audio.size(), 3u);
    EXPECT_EQ(audio[1].name, path("song.wav"));
    EXPECT_EQ(audio[1].start, Seconds(10));
    EXPECT_EQ(audio[1].stop, Seconds(14));
}

// Pictures last the display time of the build, not their stored Duration.
TEST_F(TimelineBuilderTest, ThreePicturesArePlacedInOnePass) {
    settings.pictureTime_s = 5;
    const auto groups = build({picture("p1.jpg", fkPictureNext), picture("p2.jpg", fkPictureNext),
                               picture("p3.jpg", fkPictureLast), media("v.avi", 3)});
    EXPECT_EQ(progress, (std::vector<int>{3, 1}));
    const auto& a = groups[0].tracks[kTrackA].sources;
    ASSERT_EQ(a.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a[i].start, Seconds(5 * i));
        EXPECT_EQ(a[i].stop, Seconds(5 * (i + 1)));
        EXPECT_EQ(a[i].mediaStop, Seconds(5));
        EXPECT_EQ(a[i].stretchMode, render::smCrop);
    }
    EXPECT_EQ(a[1].name, path("p2.jpg"));
    EXPECT_EQ(a[3].start, Seconds(15));
    EXPECT_TRUE(groups[0].tracks[kTrackB].sources.empty());
}

TEST_F(TimelineBuilderTest, SequencePlacesOnlyTheFilesStillPresent) {
    const auto first = picture("Image001.jpg", fkSequence, 4);
    writePicture("Image002.jpg");
    writePicture("Image003.jpg");
    writePicture("Image004.jpg");
    ASSERT_TRUE(QFile::remove(path("Image003.jpg")));
    const auto groups = build({first, media("v.avi", 2)});
    const auto& a = groups[0].tracks[kTrackA].sources;
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0].name, path("Image001.jpg"));
    EXPECT_EQ(a[1].name, path("Image002.jpg"));
    EXPECT_EQ(a[1].start, Seconds(7));
    EXPECT_EQ(a[1].stretchMode, render::smCrop);
    EXPECT_EQ(a[2].name, path("v.avi"));
    EXPECT_EQ(a[2].start, Seconds(14)); // earlier than the stored 28 s
}

TEST_F(TimelineBuilderTest, MissingFilesAreSkippedWithoutMovingThePosition) {
    settings.audioOutIndex = 1;
    auto gone = media("gone.avi", 10);
    QFile::remove(gone.FileName);
    const auto groups = build({media("a.avi", 3), gone, media("b.avi", 4)});
    const auto& a = groups[0].tracks[kTrackA].sources;
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[1].start, Seconds(3));
    EXPECT_EQ(groups[1].tracks[0].sources.size(), 2u);
    EXPECT_EQ(progress, (std::vector<int>{1, 1, 1}));
}

// A list that is not retagged properly (a run without its closing picture) stops at its end.
TEST_F(TimelineBuilderTest, UnterminatedPictureRunStopsAtTheListEnd) {
    const auto groups = build({picture("p1.jpg", fkPictureNext), picture("p2.jpg", fkPictureNext)});
    EXPECT_EQ(groups[0].tracks[kTrackA].sources.size(), 2u);
    EXPECT_EQ(progress, (std::vector<int>{2}));
}

TEST_F(TimelineBuilderTest, NtscSmartRecompressionFormatIsOneDvFrame) {
    settings.ntsc = true;
    settings.recompressMode = 1;
    const auto groups = build({media("a.avi", 1)});
    EXPECT_DOUBLE_EQ(groups[0].fps, 29.97);
    const auto vih = groups[0].mediaType.formatAs<platform::VIDEOINFOHEADER>().value();
    EXPECT_EQ(vih.bmiHeader.biHeight, 480);
    EXPECT_EQ(vih.AvgTimePerFrame, 333667);
    EXPECT_EQ(groups[0].mediaType.lSampleSize, 720u * 480u * 3u);

    ASSERT_EQ(render::ApplySmartRecompressFormat(*timeline, settings.ntsc), platform::S_OK);
    std::shared_ptr<platform::IAMTimelineObj> group;
    timeline->GetGroup(&group, 0);
    platform::SCompFmt0 format;
    ASSERT_EQ(platform::query<platform::IAMTimelineGroup>(group)->GetSmartRecompressFormat(&format),
              platform::S_OK);
    EXPECT_EQ(format.nFormatId, 0);
    const auto& mt = format.MediaType;
    EXPECT_EQ(mt.majortype, platform::MEDIATYPE_Video);
    EXPECT_EQ(mt.subtype, platform::MEDIASUBTYPE_dvsd);
    EXPECT_FALSE(mt.bFixedSizeSamples);
    EXPECT_EQ(mt.lSampleSize, 1u);
    const auto dv = mt.formatAs<platform::VIDEOINFOHEADER>().value();
    EXPECT_EQ(dv.bmiHeader.biHeight, 480);
    EXPECT_EQ(dv.bmiHeader.biWidth, 720);
    EXPECT_EQ(dv.bmiHeader.biSizeImage, 120000u);
    EXPECT_EQ(dv.bmiHeader.biCompression, platform::makeFourcc('d', 'v', 's', 'd'));
    EXPECT_EQ(dv.AvgTimePerFrame, 333667);
    EXPECT_EQ(render::SmartRecompressFormat(false)
                  .MediaType.formatAs<platform::VIDEOINFOHEADER>()
                  ->bmiHeader.biSizeImage,
              144000u);
}

TEST_F(TimelineBuilderTest, BuildNeedsAnEntryAndAVideoDevice) {
    settings.videoOutIndex = -1;
    EXPECT_FALSE(render::BuildPreconditionsMet({media("a.avi", 1)}, settings));
    settings.videoOutIndex = 0;
    EXPECT_TRUE(render::BuildPreconditionsMet({media("a.avi", 1)}, settings));
    EXPECT_FALSE(render::BuildPreconditionsMet({}, settings));
}

} // namespace

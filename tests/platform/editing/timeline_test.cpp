#include "platform/editing/timeline.h"

#include "platform/editing/timeline_media_types.h"
#include "platform/system/query.h"
#include "tests/platform/editing/timeline_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;
using timelinetest::ExpectTimelineInvariants;
using timelinetest::Snapshot;

constexpr REFERENCE_TIME kSecond = UNITS;

class TimelineModelTest : public ::testing::Test {
protected:
    std::shared_ptr<IAMTimelineObj> node(TIMELINE_MAJOR_TYPE type) {
        std::shared_ptr<IAMTimelineObj> n;
        EXPECT_EQ(timeline->CreateEmptyNode(&n, type), S_OK);
        return n;
    }
    std::shared_ptr<IAMTimelineObj> source(REFERENCE_TIME start, REFERENCE_TIME stop,
                                           const QString& name, REFERENCE_TIME mediaStart = 0,
                                           REFERENCE_TIME mediaStop = -1) {
        auto n = node(TIMELINE_MAJOR_TYPE_SOURCE);
        n->SetStartStop(start, stop);
        query<IAMTimelineSrc>(n)->SetMediaTimes(mediaStart,
                                                mediaStop < 0 ? stop - start : mediaStop);
        query<IAMTimelineSrc>(n)->SetMediaName(name);
        return n;
    }
    std::shared_ptr<IAMTimelineObj> transition(REFERENCE_TIME start, REFERENCE_TIME stop) {
        auto n = node(TIMELINE_MAJOR_TYPE_TRANSITION);
        n->SetStartStop(start, stop);
        return n;
    }
    // A group with one track, returned as the track.
    std::shared_ptr<IAMTimelineObj> trackInGroup() {
        auto group = node(TIMELINE_MAJOR_TYPE_GROUP);
        query<IAMTimelineGroup>(group)->SetMediaType(CreateRgb24VideoType(720, 576, 400000));
        timeline->AddGroup(group);
        auto track = node(TIMELINE_MAJOR_TYPE_TRACK);
        EXPECT_EQ(query<IAMTimelineComp>(group)->VTrackInsBefore(track, -1), S_OK);
        return track;
    }

    std::shared_ptr<IAMTimeline> timeline = CreateAMTimeline();
};

TEST_F(TimelineModelTest, NodesProvideOnlyTheirOwnInterfaces) {
    const auto group = node(TIMELINE_MAJOR_TYPE_GROUP);
    EXPECT_TRUE(query<IAMTimelineGroup>(group));
    EXPECT_TRUE(query<IAMTimelineComp>(group));
    EXPECT_FALSE(query<IAMTimelineTrack>(group));
    const auto track = node(TIMELINE_MAJOR_TYPE_TRACK);
    EXPECT_TRUE(query<IAMTimelineTrack>(track));
    EXPECT_TRUE(query<IAMTimelineTransable>(track));
    EXPECT_FALSE(query<IAMTimelineSrc>(track));
    const auto src = node(TIMELINE_MAJOR_TYPE_SOURCE);
    EXPECT_TRUE(query<IAMTimelineSrc>(src));
    EXPECT_FALSE(query<IAMTimelineTrans>(src));
    TIMELINE_MAJOR_TYPE type{};
    node(TIMELINE_MAJOR_TYPE_TRANSITION)->GetTimelineType(&type);
    EXPECT_EQ(type, TIMELINE_MAJOR_TYPE_TRANSITION);

    std::shared_ptr<IAMTimelineObj> effect;
    EXPECT_EQ(timeline->CreateEmptyNode(&effect, TIMELINE_MAJOR_TYPE_EFFECT), E_NOTIMPL);
    EXPECT_FALSE(effect);
}

TEST_F(TimelineModelTest, TrackInsertionFollowsPriorityRules) {
    const auto group = node(TIMELINE_MAJOR_TYPE_GROUP);
    const auto comp = query<IAMTimelineComp>(group);
    const auto a = node(TIMELINE_MAJOR_TYPE_TRACK);
    const auto b = node(TIMELINE_MAJOR_TYPE_TRACK);
    const auto c = node(TIMELINE_MAJOR_TYPE_TRACK);
    const auto d = node(TIMELINE_MAJOR_TYPE_TRACK);
    ASSERT_EQ(comp->VTrackInsBefore(a, 0), S_OK);
    ASSERT_EQ(comp->VTrackInsBefore(b, 0), S_OK);  // moves a up to 1
    ASSERT_EQ(comp->VTrackInsBefore(c, -1), S_OK); // appended: 2
    ASSERT_EQ(comp->VTrackInsBefore(d, 1), S_OK);  // between b and a
    const auto priority = [](const std::shared_ptr<IAMTimelineObj>& t) {
        long p = -5;
        query<IAMTimelineVirtualTrack>(t)->TrackGetPriority(&p);
        return p;
    };
    EXPECT_EQ(priority(b), 0);
    EXPECT_EQ(priority(d), 1);
    EXPECT_EQ(priority(a), 2);
    EXPECT_EQ(priority(c), 3);
    std::shared_ptr<IAMTimelineObj> at;
    ASSERT_EQ(comp->GetVTrack(&at, 2), S_OK);
    EXPECT_EQ(at, a);

    EXPECT_EQ(comp->VTrackInsBefore(a, 0), E_INVALIDARG); // already in the group
    EXPECT_EQ(comp->VTrackInsBefore(node(TIMELINE_MAJOR_TYPE_TRACK), 5), E_INVALIDARG);
    EXPECT_EQ(comp->VTrackInsBefore(node(TIMELINE_MAJOR_TYPE_TRACK), -2), E_INVALIDARG);
    EXPECT_EQ(comp->VTrackInsBefore(node(TIMELINE_MAJOR_TYPE_SOURCE), 0), E_NOINTERFACE);
    EXPECT_EQ(comp->GetVTrack(&at, 4), E_INVALIDARG);
    EXPECT_EQ(priority(node(TIMELINE_MAJOR_TYPE_TRACK)), -1);
}

TEST_F(TimelineModelTest, GroupsKeepTheirSettingsAndOrder) {
    const auto video = node(TIMELINE_MAJOR_TYPE_GROUP);
    const auto audio = node(TIMELINE_MAJOR_TYPE_GROUP);
    const auto v = query<IAMTimelineGroup>(video);
    EXPECT_EQ(v->SetMediaType(CreateRgb24VideoType(720, 480, 333667)), S_OK);
    EXPECT_EQ(v->SetPreviewMode(false), S_OK);
    EXPECT_EQ(v->SetOutputFPS(29.97), S_OK);
    EXPECT_EQ(v->SetOutputFPS(0.0), E_INVALIDARG);
    AM_MEDIA_TYPE text;
    text.majortype = MEDIATYPE_Text;
    EXPECT_EQ(v->SetMediaType(text), E_INVALIDARG);
    SCompFmt0 format;
    EXPECT_EQ(v->GetSmartRecompressFormat(&format), S_FALSE);
    format.MediaType = CreateDvsdVideoType(720, 480, 333667, 120000);
    EXPECT_EQ(v->SetSmartRecompressFormat(format), S_OK);

    ASSERT_EQ(timeline->AddGroup(video), S_OK);
    ASSERT_EQ(timeline->AddGroup(audio), S_OK);
    EXPECT_EQ(timeline->AddGroup(video), E_INVALIDARG);
    EXPECT_EQ(timeline->AddGroup(node(TIMELINE_MAJOR_TYPE_TRACK)), E_NOINTERFACE);

    std::shared_ptr<IAMTimelineObj> first;
    ASSERT_EQ(timeline->GetGroup(&first, 0), S_OK);
    EXPECT_EQ(first, video);
    std::shared_ptr<IAMTimelineObj> missing = video;
    EXPECT_EQ(timeline->GetGroup(&missing, 2), E_INVALIDARG);
    EXPECT_FALSE(missing);
    const auto groups = Snapshot(*timeline);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].mediaType, CreateRgb24VideoType(720, 480, 333667));
    EXPECT_FALSE(groups[0].preview);
    EXPECT_DOUBLE_EQ(groups[0].fps, 29.97);
    SCompFmt0 readBack;
    EXPECT_EQ(query<IAMTimelineGroup>(first)->GetSmartRecompressFormat(&readBack), S_OK);
    EXPECT_EQ(readBack.MediaType, format.MediaType);
}

TEST_F(TimelineModelTest, SrcAddRejectsWhatCannotBePlaced) {
    const auto track = query<IAMTimelineTrack>(trackInGroup());
    EXPECT_EQ(track->SrcAdd(node(TIMELINE_MAJOR_TYPE_TRANSITION)), E_NOINTERFACE);
    EXPECT_EQ(track->SrcAdd(node(TIMELINE_MAJOR_TYPE_SOURCE)), E_INVALIDARG); // no times set
    EXPECT_EQ(track->SrcAdd(source(-1, 5, "neg")), E_INVALIDARG);
    const auto ok = source(0, 5, "ok");
    EXPECT_EQ(track->SrcAdd(ok), S_OK);
    EXPECT_EQ(track->SrcAdd(ok), E_INVALIDARG);
    EXPECT_EQ(ok->SetStartStop(9, 3), E_INVALIDARG);
    long count = 0;
    track->GetSourcesCount(&count);
    EXPECT_EQ(count, 1);
}

// A new source takes its whole range: older sources there are trimmed, split or removed, with
// media times cut in proportion (a source may play faster than real time).
TEST_F(TimelineModelTest, SrcAddOverwritesOverlappedSources) {
    const auto trackNode = trackInGroup();
    const auto track = query<IAMTimelineTrack>(trackNode);
    track->SrcAdd(source(0, 10 * kSecond, "tail", 0, 20 * kSecond)); // double speed
    track->SrcAdd(source(20 * kSecond, 30 * kSecond, "head", 0, 10 * kSecond));
    track->SrcAdd(source(40 * kSecond, 50 * kSecond, "split", 0, 10 * kSecond));
    track->SrcAdd(source(60 * kSecond, 62 * kSecond, "covered"));
    track->SrcAdd(source(6 * kSecond, 24 * kSecond, "new1"));
    track->SrcAdd(source(44 * kSecond, 46 * kSecond, "new2"));
    track->SrcAdd(source(59 * kSecond, 63 * kSecond, "new3"));
    ExpectTimelineInvariants(*timeline);

    const auto sources = Snapshot(*timeline)[0].tracks[0].sources;
    ASSERT_EQ(sources.size(), 7u); // "covered" is gone
    const auto expect = [&](std::size_t i, const char* name, double start, double stop,
                            double mediaStart, double mediaStop) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sources[i].name, QString::fromLatin1(name));
        EXPECT_EQ(sources[i].start, static_cast<REFERENCE_TIME>(start * kSecond));
        EXPECT_EQ(sources[i].stop, static_cast<REFERENCE_TIME>(stop * kSecond));
        EXPECT_EQ(sources[i].mediaStart, static_cast<REFERENCE_TIME>(mediaStart * kSecond));
        EXPECT_EQ(sources[i].mediaStop, static_cast<REFERENCE_TIME>(mediaStop * kSecond));
    };
    expect(0, "tail", 0, 6, 0, 12);
    expect(1, "new1", 6, 24, 0, 18);
    expect(2, "head", 24, 30, 4, 10);
    expect(3, "split", 40, 44, 0, 4);
    expect(4, "new2", 44, 46, 0, 2);
    expect(5, "split", 46, 50, 6, 10);
    expect(6, "new3", 59, 63, 0, 4);
}

TEST_F(TimelineModelTest, MovingAPlacedSourceKeepsTheTrackFreeOfOverlaps) {
    const auto track = query<IAMTimelineTrack>(trackInGroup());
    const auto first = source(0, 10, "first");
    const auto second = source(10, 20, "second");
    track->SrcAdd(first);
    track->SrcAdd(second);
    ASSERT_EQ(second->SetStartStop(5, 15), S_OK);
    ExpectTimelineInvariants(*timeline);
    const auto sources = Snapshot(*timeline)[0].tracks[0].sources;
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].stop, 5);
    EXPECT_EQ(sources[1].name, "second");
    EXPECT_EQ(sources[1].start, 5);
    EXPECT_EQ(second->SetStartStop(-3, 4), E_INVALIDARG);
}

TEST_F(TimelineModelTest, TransitionsMayOverlapAndStayInStartOrder) {
    const auto trackNode = trackInGroup();
    const auto transable = query<IAMTimelineTransable>(trackNode);
    const auto second = transition(20, 30);
    EXPECT_EQ(transable->TransAdd(second), S_OK);
    EXPECT_EQ(transable->TransAdd(transition(0, 10)), S_OK);
    EXPECT_EQ(transable->TransAdd(transition(5, 25)), S_OK); // over both
    // Beginning before the timeline is fine; lying wholly before it is not.
    EXPECT_EQ(transable->TransAdd(transition(-5, 3)), S_OK);
    EXPECT_EQ(transable->TransAdd(transition(-5, 0)), E_INVALIDARG);
    EXPECT_EQ(transable->TransAdd(second), E_INVALIDARG);
    EXPECT_EQ(transable->TransAdd(source(40, 50, "x")), E_NOINTERFACE);
    EXPECT_EQ(second->SetStartStop(-10, 0), E_INVALIDARG);
    EXPECT_EQ(second->SetStartStop(2, 40), S_OK);
    long count = 0;
    transable->TransGetCount(&count);
    EXPECT_EQ(count, 4);
    const auto transitions = Snapshot(*timeline)[0].tracks[0].transitions;
    ASSERT_EQ(transitions.size(), 4u);
    EXPECT_EQ(transitions[0].start, -5);
    EXPECT_EQ(transitions[1].start, 0);
    EXPECT_EQ(transitions[2].start, 2);
    EXPECT_EQ(transitions[3].start, 5);
    REFERENCE_TIME duration = 0;
    timeline->GetDuration(&duration);
    EXPECT_EQ(duration, 40);
    ExpectTimelineInvariants(*timeline);
}

TEST_F(TimelineModelTest, TransitionKeepsSubObjectSwapAndProperties) {
    const auto t = transition(0, 10);
    const GUID wipe{0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    t->SetSubObjectGUID(wipe);
    query<IAMTimelineTrans>(t)->SetSwapInputs(true);
    const auto setter = CreatePropertySetter();
    const DEXTER_VALUE value{QVariant(QStringLiteral("71")), 0, DEXTERF_JUMP};
    setter->AddProp({QStringLiteral("MaskNum"), 0, 1}, std::span(&value, 1));
    std::shared_ptr<IPropertySetter> none;
    EXPECT_EQ(t->GetPropertySetter(&none), S_FALSE);
    t->SetPropertySetter(setter);
    query<IAMTimelineTransable>(trackInGroup())->TransAdd(t);

    const auto view = Snapshot(*timeline)[0].tracks[0].transitions.at(0);
    EXPECT_EQ(view.clsid, wipe);
    EXPECT_TRUE(view.swapInputs);
    ASSERT_EQ(view.params.size(), 1u);
    EXPECT_EQ(view.params[0].Name, "MaskNum");
    EXPECT_EQ(view.values.at(0).v.toString(), "71");
}

TEST(TimelineMediaTypes, Rgb24GroupTypeHasItsVideoInfoBlock) {
    const AM_MEDIA_TYPE mt = CreateRgb24VideoType(720, 576, 400000);
    EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(mt.bFixedSizeSamples);
    EXPECT_FALSE(mt.bTemporalCompression);
    EXPECT_EQ(mt.lSampleSize, 720u * 576u * 3u);
    EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
    ASSERT_EQ(mt.cbFormat(), 88u);
    const auto vih = mt.formatAs<VIDEOINFOHEADER>().value();
    EXPECT_EQ(vih.AvgTimePerFrame, 400000);
    EXPECT_EQ(vih.rcSource.right, 0);
    EXPECT_EQ(vih.dwBitRate, 0u);
    EXPECT_EQ(vih.bmiHeader.biSize, 40u);
    EXPECT_EQ(vih.bmiHeader.biWidth, 720);
    EXPECT_EQ(vih.bmiHeader.biHeight, 576);
    EXPECT_EQ(vih.bmiHeader.biPlanes, 1);
    EXPECT_EQ(vih.bmiHeader.biBitCount, 24);
    EXPECT_EQ(vih.bmiHeader.biCompression, 0u);
    EXPECT_EQ(vih.bmiHeader.biSizeImage, 720u * 576u * 3u);
}

TEST(TimelineMediaTypes, PcmAudioTypeFollowsItsWaveFormat) {
    const AM_MEDIA_TYPE mt = CreateAudioMediaType(CreatePcmWaveFormat(48000, 2, 16));
    EXPECT_EQ(mt.majortype, MEDIATYPE_Audio);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(mt.formattype, FORMAT_WaveFormatEx);
    EXPECT_TRUE(mt.bFixedSizeSamples);
    EXPECT_EQ(mt.lSampleSize, 4u);
    ASSERT_EQ(mt.cbFormat(), sizeof(WAVEFORMATEX));
    const auto wfx = mt.formatAs<WAVEFORMATEX>().value();
    EXPECT_EQ(wfx.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wfx.nChannels, 2);
    EXPECT_EQ(wfx.nSamplesPerSec, 48000u);
    EXPECT_EQ(wfx.nAvgBytesPerSec, 192000u);
    EXPECT_EQ(wfx.nBlockAlign, 4);
    EXPECT_EQ(wfx.wBitsPerSample, 16);
    EXPECT_EQ(wfx.cbSize, 0);
}

} // namespace

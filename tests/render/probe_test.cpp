#include "platform/editing/media_det.h"
#include "render/probe.h"

#include "tests/support/temp_dir.h"
#include "tests/support/test_media.h"

#include <QFile>

#include <gtest/gtest.h>

namespace render {
namespace {

using testsupport::testMedia;

constexpr REFERENCE_TIME kSecond = platform::UNITS;

ProbeSettings defaults() {
    return ProbeSettings{};
}

ProbeSettings sequencesOn() {
    ProbeSettings settings;
    settings.noSequence = false;
    return settings;
}

// The invariants every probed record satisfies, whatever its kind.
void expectInvariants(const TFileInfo& info) {
    switch (info.Kind) {
    case fkCantPlay:
        EXPECT_EQ(info.VideoStream, -1);
        EXPECT_EQ(info.AudioStream, -1);
        EXPECT_EQ(info.Duration, 0);
        break;
    case fkMedia:
        EXPECT_EQ(info.VideoStream, info.VideoStreamCount > 0 ? 0 : -1);
        EXPECT_EQ(info.AudioStream, info.AudioStreamCount > 0 ? 0 : -1);
        EXPECT_GT(info.Duration, 0);
        break;
    case fkPicture:
    case fkSequence:
        EXPECT_EQ(info.VideoStream, 0);
        EXPECT_EQ(info.AudioStream, -1);
        EXPECT_EQ(info.VideoStreamCount, 0);
        EXPECT_EQ(info.AudioStreamCount, 0);
        break;
    default:
        ADD_FAILURE() << "the probe never yields kind " << int(info.Kind);
    }
    EXPECT_EQ(info.Start, 0);
}

struct ClipCase {
    const char* name;
    int videoStreams;
    int audioStreams;
    double seconds;
};

class ProbeClipTest : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ProbeClipTest, ClassifiesTimedMediaWithStreamCountsAndLength) {
    const ClipCase& clip = GetParam();
    const auto info = ProbeFile(testMedia(clip.name), defaults());
    ASSERT_EQ(info->Kind, fkMedia) << clip.name;
    EXPECT_EQ(info->VideoStreamCount, clip.videoStreams);
    EXPECT_EQ(info->AudioStreamCount, clip.audioStreams);
    EXPECT_NEAR(static_cast<double>(info->Duration) / kSecond, clip.seconds, 0.1) << clip.name;
    EXPECT_EQ(info->FileName, testMedia(clip.name));
    EXPECT_EQ(info->StretchMode, smLetterbox);
    if (clip.videoStreams > 0) {
        EXPECT_EQ(info->MediaType.majortype, platform::MEDIATYPE_Video);
        const auto vih = info->MediaType.formatAs<platform::VIDEOINFOHEADER>();
        ASSERT_TRUE(vih);
        EXPECT_GT(vih->bmiHeader.biWidth, 0);
        EXPECT_GT(vih->AvgTimePerFrame, 0);
    } else {
        EXPECT_TRUE(info->MediaType.isEmpty());
    }
    expectInvariants(*info);
}

INSTANTIATE_TEST_SUITE_P(
    GeneratedClips, ProbeClipTest,
    ::testing::Values(ClipCase{"clip_h264_aac.mp4", 1, 1, 2.0},
                      ClipCase{"clip_mpeg4_pcm.avi", 1, 1, 2.0},
                      ClipCase{"clip_mpeg2_mp2.mpg", 1, 1, 2.0},
                      ClipCase{"clip_matroska.mkv", 1, 1, 2.0},
                      ClipCase{"clip_dv_pal.dv", 1, 1, 2.0}, ClipCase{"video_only.avi", 1, 0, 2.0},
                      ClipCase{"clip_1080p.mp4", 1, 1, 1.0}, ClipCase{"clip_576p.avi", 1, 1, 1.0},
                      ClipCase{"clip_ntsc.avi", 1, 1, 1.0}, ClipCase{"sound.wav", 0, 1, 3.0},
                      ClipCase{"mono.wav", 0, 1, 3.0}, ClipCase{"SOUND.MP3", 0, 1, 3.0}),
    [](const auto& paramInfo) {
        QString name = QString::fromLatin1(paramInfo.param.name);
        name.replace(QLatin1Char('.'), QLatin1Char('_'));
        return name.toStdString();
    });

TEST(Probe, DvClipReportsTheDvFormat) {
    const auto info = ProbeFile(testMedia("clip_dv_pal.dv"), defaults());
    EXPECT_EQ(info->MediaType.subtype, platform::MEDIASUBTYPE_dvsd);
    const auto vih = info->MediaType.formatAs<platform::VIDEOINFOHEADER>();
    ASSERT_TRUE(vih);
    EXPECT_EQ(vih->bmiHeader.biWidth, 720);
    EXPECT_EQ(vih->bmiHeader.biHeight, 576);
    EXPECT_EQ(vih->bmiHeader.biSizeImage, 144000u);
    EXPECT_EQ(vih->AvgTimePerFrame, 400000);
}

TEST(Probe, SoundOnlyFileIsTimedMediaWithoutVideo) {
    const auto info = ProbeFile(testMedia("sound.wav"), defaults());
    EXPECT_EQ(info->Kind, fkMedia);
    EXPECT_EQ(info->VideoStream, -1);
    EXPECT_EQ(info->AudioStream, 0);
}

TEST(Probe, CoverArtIsNotVideo) {
    const auto info = ProbeFile(testMedia("sound_cover.mp3"), defaults());
    EXPECT_EQ(info->VideoStreamCount, 0);
    EXPECT_EQ(info->AudioStreamCount, 1);
    // Lower-case .mp3 is refused whatever was found.
    EXPECT_EQ(info->Kind, fkCantPlay);
    expectInvariants(*info);
}

TEST(Probe, LowerCaseMp3IsRefusedButUpperCaseIsNot) {
    const auto lower = ProbeFile(testMedia("sound.mp3"), defaults());
    EXPECT_EQ(lower->Kind, fkCantPlay);
    EXPECT_EQ(lower->Duration, 0);
    expectInvariants(*lower);
    const auto upper = ProbeFile(testMedia("SOUND.MP3"), defaults());
    EXPECT_EQ(upper->Kind, fkMedia);
    EXPECT_EQ(upper->AudioStream, 0);
}

TEST(Probe, StillPicturesLastTheDisplayTime) {
    for (const char* name : {"picture.jpg", "picture.png", "picture.bmp", "wide.jpg", "tall.png",
                             "holiday.jpg", "percent%d.jpg"}) {
        const auto info = ProbeFile(testMedia(name), defaults());
        EXPECT_EQ(info->Kind, fkPicture) << name;
        EXPECT_EQ(info->Duration, 70'000'000) << name;
        expectInvariants(*info);
    }
    ProbeSettings quick;
    quick.pictureTime_s = 0.1;
    EXPECT_EQ(ProbeFile(testMedia("picture.jpg"), quick)->Duration, 1'000'000);
    ProbeSettings odd;
    odd.pictureTime_s = 1.23456789;
    EXPECT_EQ(ProbeFile(testMedia("picture.jpg"), odd)->Duration, 12'345'679);
}

TEST(Probe, AHugePictureIsMeasuredWithoutOverflow) {
    // 9600 x 9600 pixels of 24 bits hold more bits than a 32-bit int counts.
    EXPECT_EQ(ProbeFile(testMedia("real_world/huge.png"), defaults())->Kind, fkPicture);
    const auto detector = platform::CreateMediaDet();
    ASSERT_EQ(detector->put_Filename(testMedia("real_world/huge.png")), platform::S_OK);
    platform::AM_MEDIA_TYPE mt;
    ASSERT_EQ(detector->get_StreamMediaType(&mt), platform::S_OK);
    const auto header = mt.formatAs<platform::VIDEOINFOHEADER>();
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bmiHeader.biWidth, 9600);
    EXPECT_EQ(header->bmiHeader.biHeight, 9600);
    EXPECT_EQ(header->bmiHeader.biSizeImage, 9600u * 9600u * header->bmiHeader.biBitCount / 8u);
}

TEST(Probe, SequencesAreRecognisedOnlyWhenAllowed) {
    const auto asPicture = ProbeFile(testMedia("seq3/Image001.jpg"), defaults());
    EXPECT_EQ(asPicture->Kind, fkPicture);
    EXPECT_EQ(asPicture->Duration, 7 * kSecond);

    const auto first = ProbeFile(testMedia("seq3/Image001.jpg"), sequencesOn());
    EXPECT_EQ(first->Kind, fkSequence);
    EXPECT_EQ(first->Duration, 21 * kSecond);
    expectInvariants(*first);
    EXPECT_EQ(ProbeFile(testMedia("seq3/Image002.jpg"), sequencesOn())->Duration, 14 * kSecond);
    EXPECT_EQ(ProbeFile(testMedia("seq3/Image003.jpg"), sequencesOn())->Kind, fkPicture);

    const auto nine = ProbeFile(testMedia("seq9/Image9.jpg"), sequencesOn());
    EXPECT_EQ(nine->Kind, fkSequence);
    EXPECT_EQ(nine->Duration, 14 * kSecond);

    EXPECT_EQ(ProbeFile(testMedia("single/Photo5.jpg"), sequencesOn())->Kind, fkPicture);
    EXPECT_EQ(ProbeFile(testMedia("holiday.jpg"), sequencesOn())->Kind, fkPicture);
}

TEST(Probe, BadFilesCannotBePlayedAndNeverCrash) {
    for (const char* name :
         {"empty.mp4", "truncated.mp4", "random.avi", "text.jpg", "no-such-file.avi"}) {
        const auto info = ProbeFile(testMedia(name), defaults());
        EXPECT_EQ(info->Kind, fkCantPlay) << name;
        EXPECT_EQ(info->FileName, testMedia(name));
        expectInvariants(*info);
    }
    EXPECT_EQ(ProbeFile(QString(), defaults())->Kind, fkCantPlay);
    EXPECT_EQ(ProbeFile(testsupport::testMediaDir(), defaults())->Kind, fkCantPlay);
}

TEST(MediaDet, ReportsNothingForAnUnreadableFileAndRejectsBadStreamIndexes) {
    const auto detector = platform::CreateMediaDet();
    EXPECT_TRUE(platform::FAILED(detector->put_Filename(testMedia("random.avi"))));
    long count = -1;
    EXPECT_EQ(detector->get_OutputStreams(&count), platform::S_OK);
    EXPECT_EQ(count, 0);
    double length = -1;
    EXPECT_EQ(detector->get_StreamLength(&length), platform::E_INVALIDARG);

    ASSERT_EQ(detector->put_Filename(testMedia("clip_mpeg4_pcm.avi")), platform::S_OK);
    ASSERT_EQ(detector->get_OutputStreams(&count), platform::S_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(detector->put_CurrentStream(2), platform::E_INVALIDARG);
    EXPECT_EQ(detector->put_CurrentStream(-1), platform::E_INVALIDARG);
    ASSERT_EQ(detector->put_CurrentStream(1), platform::S_OK);
    platform::GUID major;
    ASSERT_EQ(detector->get_StreamType(&major), platform::S_OK);
    EXPECT_EQ(major, platform::MEDIATYPE_Audio);
    platform::AM_MEDIA_TYPE mt;
    ASSERT_EQ(detector->get_StreamMediaType(&mt), platform::S_OK);
    EXPECT_EQ(mt.subtype, platform::MEDIASUBTYPE_PCM);
    const auto wfx = mt.formatAs<platform::WAVEFORMATEX>();
    ASSERT_TRUE(wfx);
    EXPECT_EQ(wfx->wFormatTag, platform::WAVE_FORMAT_PCM);
    EXPECT_EQ(wfx->nBlockAlign, wfx->nChannels * 2);
}

class ProbeCopyTest : public testsupport::TempDirTest {};

TEST_F(ProbeCopyTest, NameWithPercentAndColonOpensAsAPlainFile) {
    const QString odd = path("100%03d: clip?.avi");
    ASSERT_TRUE(QFile::copy(testMedia("clip_mpeg4_pcm.avi"), odd));
    const auto info = ProbeFile(odd, defaults());
    EXPECT_EQ(info->Kind, fkMedia);
    EXPECT_EQ(info->AudioStreamCount, 1);
}

TEST_F(ProbeCopyTest, SequenceDeletedAfterTheFactIsMeasuredAfresh) {
    for (const char* name : {"Image001.jpg", "Image002.jpg", "Image003.jpg"}) {
        ASSERT_TRUE(QFile::copy(testMedia(QStringLiteral("seq3/") + name), path(name)));
    }
    EXPECT_EQ(ProbeFile(path("Image001.jpg"), sequencesOn())->Duration, 21 * kSecond);
    ASSERT_TRUE(QFile::remove(path("Image002.jpg")));
    EXPECT_EQ(ProbeFile(path("Image001.jpg"), sequencesOn())->Kind, fkPicture);
}

} // namespace
} // namespace render

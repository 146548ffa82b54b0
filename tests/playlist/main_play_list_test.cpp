#include "playlist/main_play_list.h"

#include "render/media_item.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_media.h"

#include <gtest/gtest.h>

namespace {

using playlist::CheckList;
using render::TFileInfo;
using testsupport::testMedia;

TFileInfo record(render::TFileKind kind, render::REFERENCE_TIME duration = 0,
                 int audioStreams = 0) {
    TFileInfo info;
    info.Kind = kind;
    info.Duration = duration;
    info.AudioStreamCount = audioStreams;
    return info;
}

TEST(MainPlayList, IconsAndLegendsFollowTheKind) {
    struct Case {
        TFileInfo info;
        int icon;
        const char* legend;
    };
    const Case cases[] = {
        {record(render::fkCantPlay), 0, "Can't play this file"},
        {record(render::fkMedia, 0, 0), 1, "Video only, no Audio "},
        {record(render::fkMedia, 0, 2), 2, "Video-Audio"},
        {record(render::fkPicture), -1, ""},
        {record(render::fkPictureLast), 3, "Picture"},
        {record(render::fkPictureNext), 3, "Picture"},
        {record(render::fkSequence), 4, "Picture Sequence"},
    };
    for (const auto& [info, icon, legend] : cases) {
        EXPECT_EQ(playlist::KindIconIndex(info), icon) << legend;
        EXPECT_EQ(playlist::KindLegend(info), QString::fromUtf8(legend));
    }
    EXPECT_TRUE(playlist::KindIconLegend(playlist::kKindIconCount).isEmpty());
}

TEST(MainPlayList, RunsOfSinglePicturesAreRetagged) {
    std::vector<TFileInfo> records{record(render::fkPicture), record(render::fkPicture),
                                   record(render::fkPicture), record(render::fkMedia),
                                   record(render::fkPicture), record(render::fkSequence),
                                   record(render::fkPicture)};
    playlist::RetagPictures(records);
    const std::vector<render::TFileKind> expected{
        render::fkPictureNext, render::fkPictureNext, render::fkPictureLast, render::fkMedia,
        render::fkPictureLast, render::fkSequence,    render::fkPictureLast};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].Kind, expected[i]) << i;
    }
    // Kinds already retagged are not retagged again.
    std::vector<TFileInfo> again{record(render::fkPictureLast), record(render::fkPicture)};
    playlist::RetagPictures(again);
    EXPECT_EQ(again[0].Kind, render::fkPictureLast);
    EXPECT_EQ(again[1].Kind, render::fkPictureLast);
}

TEST(MainPlayList, LengthsShowTheTimeOfDayBeyondWholeDays) {
    constexpr render::REFERENCE_TIME second = platform::UNITS;
    EXPECT_EQ(playlist::PlayListLengthText(25 * 3600 * second),
              playlist::PlayListLengthText(3600 * second));
    EXPECT_EQ(playlist::PlayListLengthText(0), playlist::PlayListLengthText(24 * 3600 * second));
    EXPECT_NE(playlist::PlayListLengthText(7 * second), playlist::PlayListLengthText(8 * second));
    EXPECT_EQ(playlist::PlayListLengthText(7 * second), render::DurationText(7.0 / 86400.0));
}

class MainPlayListRebuild : public testsupport::TempDirTest {
protected:
    void add(const QString& path, bool checked = true) { master.add(path, checked); }

    CheckList master;
    CheckList main;
    render::ProbeSettings probe;
};

TEST_F(MainPlayListRebuild, CheckedItemsGetCopiesLaidEndToEnd) {
    add(testMedia(QStringLiteral("picture.jpg")));
    add(testMedia(QStringLiteral("picture.png")), false);
    add(testMedia(QStringLiteral("clip_h264_aac.mp4")));
    add(testMedia(QStringLiteral("picture.bmp")));
    QList<int> added;
    const auto total = playlist::RebuildMainPlayList(master, main, probe, [&](int index) {
        added << index;
        // Called as each item arrives, before the pictures are retagged.
        EXPECT_EQ(main.count(), index + 1);
    });
    EXPECT_EQ(added, (QList<int>{0, 1, 2}));
    ASSERT_EQ(main.count(), 3);
    EXPECT_EQ(main.text(1), testMedia(QStringLiteral("clip_h264_aac.mp4")));
    EXPECT_EQ(main.fileInfo(0)->Duration, 7 * platform::UNITS);
    EXPECT_EQ(main.fileInfo(0)->Start, 0);
    EXPECT_EQ(main.fileInfo(1)->Start, main.fileInfo(0)->Duration);
    EXPECT_EQ(main.fileInfo(2)->Start, main.fileInfo(0)->Duration + main.fileInfo(1)->Duration);
    EXPECT_EQ(total, main.fileInfo(2)->Start + main.fileInfo(2)->Duration);
    // The two pictures are not neighbours in the main list.
    EXPECT_EQ(main.fileInfo(0)->Kind, render::fkPictureLast);
    EXPECT_EQ(main.fileInfo(2)->Kind, render::fkPictureLast);

    // The unchecked item is not probed; the cache holds what the probe said.
    EXPECT_EQ(master.fileInfo(1), nullptr);
    ASSERT_NE(master.fileInfo(0), nullptr);
    EXPECT_EQ(master.fileInfo(0)->Kind, render::fkPicture);
    EXPECT_NE(master.fileInfo(0), main.fileInfo(0));
}

TEST_F(MainPlayListRebuild, CachedRecordsAreCopiedNotProbedAgain) {
    add(path(QStringLiteral("a.jpg")));
    add(path(QStringLiteral("b.jpg")));
    // Records that the probe of these (missing) files could never give.
    for (int i = 0; i < 2; ++i) {
        auto cached = std::make_unique<TFileInfo>(record(render::fkPicture, 3 * platform::UNITS));
        cached->FileName = master.text(i);
        master.setFileInfo(i, std::move(cached));
    }
    const auto total = playlist::RebuildMainPlayList(master, main, probe);
    EXPECT_EQ(total, 6 * platform::UNITS);
    EXPECT_EQ(main.fileInfo(0)->Kind, render::fkPictureNext);
    EXPECT_EQ(main.fileInfo(1)->Kind, render::fkPictureLast);
    EXPECT_EQ(master.fileInfo(0)->Kind, render::fkPicture);
    EXPECT_EQ(master.fileInfo(1)->Start, 0);

    // A second rebuild replaces the main list rather than extending it.
    playlist::RebuildMainPlayList(master, main, probe);
    EXPECT_EQ(main.count(), 2);
}

TEST_F(MainPlayListRebuild, MissingFilesKeepTheirPlaceWithoutLength) {
    add(path(QStringLiteral("missing.avi")));
    add(testMedia(QStringLiteral("picture.jpg")));
    const auto total = playlist::RebuildMainPlayList(master, main, probe);
    ASSERT_EQ(main.count(), 2);
    EXPECT_EQ(main.fileInfo(0)->Kind, render::fkCantPlay);
    EXPECT_EQ(main.fileInfo(0)->Duration, 0);
    EXPECT_EQ(main.fileInfo(1)->Start, 0);
    EXPECT_EQ(total, 7 * platform::UNITS);
}

TEST_F(MainPlayListRebuild, NoCheckedItemLeavesAnEmptyList) {
    add(testMedia(QStringLiteral("picture.jpg")), false);
    main.add(QStringLiteral("left over"));
    EXPECT_EQ(playlist::RebuildMainPlayList(master, main, probe), 0);
    EXPECT_EQ(main.count(), 0);
}

} // namespace

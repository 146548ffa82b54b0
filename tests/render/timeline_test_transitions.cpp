#include "tests/render/timeline_test_support.h"

#include "platform/editing/editing_guids.h"
#include "render/transitions.h"

#include <QFile>

#include <numeric>
#include <set>

namespace {

using namespace timelinetest;
using render::fkPictureLast;
using render::fkPictureNext;
using render::fkSequence;

constexpr std::size_t kTrackB = 0;
constexpr std::size_t kTrackA = 1;
constexpr std::size_t kSawtoothRow = 2;
constexpr std::size_t kRandomMaskRow = 7;

std::array<bool, render::kWipeCategoryCount> OnlyRow(std::size_t row) {
    std::array<bool, render::kWipeCategoryCount> checked{};
    checked[row] = true;
    return checked;
}

QString PropertyText(const TransitionView& t, const QString& name) {
    for (std::size_t i = 0; i < t.params.size(); ++i) {
        if (t.params[i].Name == name) {
            return t.values.at(i).v.toString();
        }
    }
    return {};
}

TEST(WipeTable, RowsShowTheirCodeCountsAndHoldEveryCodeOnce) {
    const auto rows = render::WipeCategories();
    ASSERT_EQ(rows.size(), 8u);
    const char* texts[] = {"22   Simple", "  8   Wedge", "  4   Sawtooth",  "26   Figure",
                           "39   Radial", "30   Matrix", "  4   Waterfall", "  1   Random mask"};
    std::set<int> all;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_STREQ(rows[i].listText, texts[i]);
        EXPECT_EQ(QString::fromLatin1(rows[i].listText).split(' ', Qt::SkipEmptyParts)[0].toUInt(),
                  rows[i].codes.size());
        EXPECT_TRUE(std::is_sorted(rows[i].codes.begin(), rows[i].codes.end()));
        all.insert(rows[i].codes.begin(), rows[i].codes.end());
    }
    EXPECT_EQ(all.size(), 134u);
    EXPECT_EQ(rows[3].codes.back(), 131);
    EXPECT_TRUE(all.count(126) == 0 && all.count(115) == 0 && all.count(409) == 1);
}

TEST(WipePicker, GeneratorStartsAtZeroAndRepeatsItsSequence) {
    render::TRandomGenerator random;
    std::vector<std::uint32_t> draws;
    for (int i = 0; i < 5; ++i) {
        draws.push_back(random.Draw(100));
    }
    EXPECT_EQ(draws, (std::vector<std::uint32_t>{0, 3, 86, 20, 27}));
    const std::uint32_t before = random.seed;
    EXPECT_EQ(random.Draw(0), 0u);
    EXPECT_NE(random.seed, before); // a draw with bound 0 still advances
}

TEST(WipePicker, SawtoothUsesEachCodeOnceThenRefills) {
    render::TRandomGenerator random;
    render::TWipePool pool;
    std::vector<int> picks;
    for (int i = 0; i < 5; ++i) {
        picks.push_back(render::PickWipe(pool, OnlyRow(kSawtoothRow), random));
    }
    EXPECT_EQ(picks, (std::vector<int>{71, 74, 73, 72, 71}));
    EXPECT_EQ(pool.codes.size(), 3u);
}

TEST(WipePicker, EveryCheckedCodeIsUsedBeforeTheRefill) {
    render::TRandomGenerator random;
    render::TWipePool pool;
    std::array<bool, render::kWipeCategoryCount> checked{};
    checked.fill(true);
    std::multiset<int> picks;
    for (int i = 0; i < 134; ++i) {
        picks.insert(render::PickWipe(pool, checked, random));
    }
    EXPECT_EQ(std::set<int>(picks.begin(), picks.end()).size(), 134u);
    EXPECT_TRUE(pool.codes.empty());
    EXPECT_EQ(render::PickWipe(pool, {}, random), 0); // nothing checked
}

TEST(WipePicker, TransitionsNeedTheSwitchAndACheckedType) {
    render::TBuildSettings settings;
    EXPECT_FALSE(render::TransitionsActive(settings));
    settings.transitionsEnabled = true;
    EXPECT_TRUE(render::TransitionsActive(settings));
    settings.transitionTypesChecked = {};
    EXPECT_FALSE(render::TransitionsActive(settings));
}

class TransitionPlacementTest : public TimelineBuildTest {
protected:
    void SetUp() override {
        settings.transitionsEnabled = true;
        settings.pictureTime_s = 7;
        settings.transitionTime_s = 1.5;
    }
};

TEST_F(TransitionPlacementTest, TwoPicturesAndAVideo) {
    const auto groups = build(
        {picture("P1.jpg", fkPictureNext), picture("P2.jpg", fkPictureLast), media("v.avi", 5)});
    const auto& b = groups[0].tracks[kTrackB].sources;
    const auto& a = groups[0].tracks[kTrackA].sources;
    ASSERT_EQ(b.size(), 2u);
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(b[0].start, 0); // not -halfTrans
    EXPECT_EQ(b[0].stop, Seconds(3.5));
    EXPECT_EQ(b[0].mediaStop, Seconds(3.5));
    EXPECT_EQ(b[0].stretchMode, render::smCrop);
    EXPECT_EQ(a[0].start, Seconds(3.5));
    EXPECT_EQ(a[0].stop, Seconds(7.75));
    EXPECT_EQ(a[0].mediaStop, Seconds(3.5));
    EXPECT_EQ(b[1].name, path("P2.jpg"));
    EXPECT_EQ(b[1].start, Seconds(6.25));
    EXPECT_EQ(b[1].stop, Seconds(10.5));
    EXPECT_EQ(a[1].name, path("P2.jpg"));
    EXPECT_EQ(a[1].start, Seconds(10.5));
    // P2's second half reached to 14.75 s; the video placed at 14 s on the same track takes over.
    EXPECT_EQ(a[1].stop, Seconds(14));
    EXPECT_EQ(a[2].name, path("v.avi"));
    EXPECT_EQ(a[2].start, Seconds(14));

    EXPECT_TRUE(groups[0].tracks[kTrackB].transitions.empty());
    const auto& wipes = groups[0].tracks[kTrackA].transitions;
    ASSERT_EQ(wipes.size(), 1u);
    const TransitionView& wipe = wipes[0];
    EXPECT_EQ(wipe.start, Seconds(6.25));
    EXPECT_EQ(wipe.stop, Seconds(7.75));
    EXPECT_EQ(wipe.clsid, platform::CLSID_DxtJpeg);
    EXPECT_TRUE(wipe.swapInputs);
    ASSERT_EQ(wipe.params.size(), 2u);
    EXPECT_EQ(wipe.params[0].Name, "MaskNum");
    EXPECT_EQ(wipe.params[1].Name, "BorderSoftness");
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(wipe.params[i].dispID, 0);
        EXPECT_EQ(wipe.params[i].nValues, 1);
        EXPECT_EQ(wipe.values[i].rt, 0);
        EXPECT_EQ(wipe.values[i].dwInterp, platform::DEXTERF_JUMP);
        EXPECT_EQ(wipe.values[i].v.typeId(), QMetaType::QString);
    }
    EXPECT_EQ(PropertyText(wipe, "MaskNum"), "1"); // first pick of the full pool
    EXPECT_EQ(PropertyText(wipe, "BorderSoftness"), "100");
}

TEST_F(TransitionPlacementTest, LastPictureReachesHalfATransitionPastItsEnd) {
    const auto groups = build({picture("P1.jpg", fkPictureNext), picture("P2.jpg", fkPictureLast)});
    const auto& a = groups[0].tracks[kTrackA].sources;
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[1].start, Seconds(10.5));
    EXPECT_EQ(a[1].stop, Seconds(14.75));
    EXPECT_EQ(groups[0].tracks[kTrackA].transitions.size(), 1u);
}

TEST_F(TransitionPlacementTest, SinglePictureBeforeAVideoHasNoWipe) {
    const auto groups =
        build({media("v0.avi", 0.5), picture("P.jpg", fkPictureLast), media("v.avi", 5)});
    const auto& b = groups[0].tracks[kTrackB].sources;
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].start, Seconds(0.5)); // cur - halfTrans would be negative: starts at cur
    EXPECT_TRUE(groups[0].tracks[kTrackA].transitions.empty());
    EXPECT_EQ(groups[0].tracks[kTrackA].sources.back().start, Seconds(7.5));
}

TEST_F(TransitionPlacementTest, NoCheckedTypeFallsBackToPlainPictures) {
    settings.transitionTypesChecked = {};
    const auto groups = build({picture("P1.jpg", fkPictureNext), picture("P2.jpg", fkPictureLast)});
    EXPECT_TRUE(groups[0].tracks[kTrackB].sources.empty());
    ASSERT_EQ(groups[0].tracks[kTrackA].sources.size(), 2u);
    EXPECT_EQ(groups[0].tracks[kTrackA].sources[1].start, Seconds(7));
    EXPECT_TRUE(groups[0].tracks[kTrackA].transitions.empty());
}

TEST_F(TransitionPlacementTest, RandomMaskOnlyAlwaysGives409) {
    settings.transitionTypesChecked = OnlyRow(kRandomMaskRow);
    const auto groups = build({picture("P1.jpg", fkPictureNext), picture("P2.jpg", fkPictureNext),
                               picture("P3.jpg", fkPictureNext), picture("P4.jpg", fkPictureLast)});
    const auto& wipes = groups[0].tracks[kTrackA].transitions;
    ASSERT_EQ(wipes.size(), 3u);
    for (const auto& wipe : wipes) {
        EXPECT_EQ(PropertyText(wipe, "MaskNum"), "409");
    }
}

TEST_F(TransitionPlacementTest, SawtoothWipesRepeatInEveryRun) {
    settings.transitionTypesChecked = OnlyRow(kSawtoothRow);
    settings.transitionSoftness = 20.5; // nearest, halves to even
    std::vector<render::TFileInfo> list;
    for (int i = 1; i <= 5; ++i) {
        list.push_back(picture(QStringLiteral("P%1.jpg").arg(i), fkPictureNext));
    }
    list.push_back(picture("P6.jpg", fkPictureLast));
    const auto codes = [&] {
        QStringList result;
        const auto groups = build(list);
        for (const auto& wipe : groups[0].tracks[kTrackA].transitions) {
            result << PropertyText(wipe, "MaskNum");
            EXPECT_EQ(PropertyText(wipe, "BorderSoftness"), "20");
        }
        return result;
    };
    EXPECT_EQ(codes(), QStringList({"71", "74", "73", "72", "71"}));
    random = render::TRandomGenerator{}; // as after a program start
    EXPECT_EQ(codes(), QStringList({"71", "74", "73", "72", "71"}));
}

TEST_F(TransitionPlacementTest, UnplayableEntryDoesNotStopTheWipe) {
    const auto groups = build({picture("P1.jpg", fkPictureLast), cantPlay("broken.xyz"),
                               picture("P2.jpg", fkPictureLast)});
    ASSERT_EQ(groups[0].tracks[kTrackA].transitions.size(), 1u);
    EXPECT_EQ(groups[0].tracks[kTrackA].transitions[0].start, Seconds(6.25));
    EXPECT_EQ(groups[0].tracks[kTrackB].sources[1].start, Seconds(6.25));
}

TEST_F(TransitionPlacementTest, SequenceWipesBetweenItsFiles) {
    const auto first = picture("Img1.jpg", fkSequence, 3);
    writePicture("Img2.jpg");
    writePicture("Img3.jpg");
    const auto groups = build({first, media("v.avi", 2)});
    const auto& b = groups[0].tracks[kTrackB].sources;
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[2].name, path("Img3.jpg"));
    EXPECT_EQ(b[2].stretchMode, render::smCrop);
    const auto& wipes = groups[0].tracks[kTrackA].transitions;
    ASSERT_EQ(wipes.size(), 2u); // none after the last file: a video follows
    EXPECT_EQ(wipes[1].start, Seconds(14 - 0.75));
    EXPECT_EQ(groups[0].tracks[kTrackA].sources.back().start, Seconds(21));
}

TEST_F(TransitionPlacementTest, SequenceWithItsSecondFileDeletedStillEndsWithAWipe) {
    const auto first = picture("Img1.jpg", fkSequence, 3);
    writePicture("Img2.jpg");
    writePicture("Img3.jpg");
    QFile::remove(path("Img2.jpg"));
    const auto groups = build({first, media("v.avi", 2)});
    EXPECT_EQ(groups[0].tracks[kTrackB].sources.size(), 1u);
    EXPECT_EQ(groups[0].tracks[kTrackA].transitions.size(), 1u);
    EXPECT_EQ(groups[0].tracks[kTrackA].sources.back().start, Seconds(7));
}

// A transition longer than the picture is not limited: the wipes overlap further (the first
// one even begins before the timeline), and none is lost.
TEST_F(TransitionPlacementTest, TransitionLongerThanThePicture) {
    settings.pictureTime_s = 1;
    settings.transitionTime_s = 3;
    const auto groups = build({picture("P1.jpg", fkPictureNext), picture("P2.jpg", fkPictureNext),
                               picture("P3.jpg", fkPictureLast), media("v.avi", 2)});
    EXPECT_EQ(groups[0].tracks[kTrackA].sources.back().start, Seconds(3));
    const auto& wipes = groups[0].tracks[kTrackA].transitions;
    ASSERT_EQ(wipes.size(), 2u);
    EXPECT_EQ(wipes[0].start, -Seconds(0.5));
    EXPECT_EQ(wipes[0].stop, Seconds(2.5));
    EXPECT_EQ(wipes[1].start, Seconds(0.5));
    EXPECT_EQ(wipes[1].stop, Seconds(3.5));
}

} // namespace

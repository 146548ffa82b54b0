#include "platform/editing/property_setter.h"
#include "platform/editing/timeline.h"
#include "platform/editing/timeline_media_types.h"
#include "platform/system/query.h"
#include "tests/platform/editing/timeline_test_support.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(PropertySetter, KeepsPropertiesInOrderAndReplacesByName) {
    const auto setter = CreatePropertySetter();
    const DEXTER_VALUE mask{QVariant(QStringLiteral("71")), 0, DEXTERF_JUMP};
    const DEXTER_VALUE soft[] = {{QVariant(0), 0, DEXTERF_JUMP},
                                 {QVariant(100), 10, DEXTERF_INTERPOLATE}};
    ASSERT_EQ(setter->AddProp({"MaskNum", 0, 1}, std::span(&mask, 1)), S_OK);
    ASSERT_EQ(setter->AddProp({"BorderSoftness", 0, 2}, soft), S_OK);
    const DEXTER_VALUE replaced{QVariant(QStringLiteral("409")), 0, DEXTERF_JUMP};
    ASSERT_EQ(setter->AddProp({"masknum", 0, 1}, std::span(&replaced, 1)), S_OK);

    std::vector<DEXTER_PARAM> params;
    std::vector<DEXTER_VALUE> values;
    ASSERT_EQ(setter->GetProps(&params, &values), S_OK);
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0].Name, "masknum");
    EXPECT_EQ(params[1].nValues, 2);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].v.toString(), "409");
    EXPECT_EQ(values[2].rt, 10);

    QVariant v;
    EXPECT_EQ(setter->GetPropValue("BorderSoftness", 5, &v), S_OK);
    EXPECT_DOUBLE_EQ(v.toDouble(), 50.0); // interpolated towards the second value
    setter->GetPropValue("BorderSoftness", 99, &v);
    EXPECT_EQ(v.toInt(), 100);
    EXPECT_EQ(setter->GetPropValue("Nothing", 0, &v), S_FALSE);
    EXPECT_FALSE(v.isValid());

    EXPECT_EQ(setter->AddProp({"", 0, 1}, std::span(&mask, 1)), E_INVALIDARG);
    EXPECT_EQ(setter->AddProp({"X", 0, 2}, std::span(&mask, 1)), E_INVALIDARG);
    const DEXTER_VALUE descending[] = {{QVariant(1), 10, 0}, {QVariant(2), 5, 0}};
    EXPECT_EQ(setter->AddProp({"X", 0, 2}, descending), E_INVALIDARG);
    EXPECT_EQ(setter->ClearProps(), S_OK);
    setter->GetProps(&params, &values);
    EXPECT_TRUE(params.empty());
}

class ValidateSourceNamesTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        previousFolder = QDir::currentPath();
        QDir().mkpath(path("local"));
        ASSERT_TRUE(QDir::setCurrent(path("local")));
    }
    void TearDown() override { QDir::setCurrent(previousFolder); }

    void touch(const QString& file) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    void addSource(const QString& name, REFERENCE_TIME start) {
        std::shared_ptr<IAMTimelineObj> node;
        timeline->CreateEmptyNode(&node, TIMELINE_MAJOR_TYPE_SOURCE);
        node->SetStartStop(start, start + 10);
        query<IAMTimelineSrc>(node)->SetMediaName(name);
        track->SrcAdd(node);
    }
    QStringList names() const {
        QStringList result;
        const auto groups = timelinetest::Snapshot(*timeline);
        for (const auto& s : groups[0].tracks[0].sources) {
            result << s.name;
        }
        return result;
    }

    std::shared_ptr<IAMTimeline> timeline = [] {
        auto t = CreateAMTimeline();
        std::shared_ptr<IAMTimelineObj> group;
        t->CreateEmptyNode(&group, TIMELINE_MAJOR_TYPE_GROUP);
        t->AddGroup(group);
        return t;
    }();
    std::shared_ptr<IAMTimelineTrack> track = [this] {
        std::shared_ptr<IAMTimelineObj> group, node;
        timeline->GetGroup(&group, 0);
        timeline->CreateEmptyNode(&node, TIMELINE_MAJOR_TYPE_TRACK);
        query<IAMTimelineComp>(group)->VTrackInsBefore(node, -1);
        return query<IAMTimelineTrack>(node);
    }();
    QString previousFolder;
    static constexpr long kAllFlags = 0x1F;
};

TEST_F(ValidateSourceNamesTest, ChangesNothingWhenEveryFileExists) {
    touch(path("a.avi"));
    touch(path("b.jpg"));
    addSource(path("a.avi"), 0);
    addSource(path("b.jpg"), 10);
    EXPECT_EQ(timeline->ValidateSourceNames(kAllFlags, nullptr, 0), S_OK);
    EXPECT_EQ(names(), QStringList({path("a.avi"), path("b.jpg")}));
}

TEST_F(ValidateSourceNamesTest, FindsAMissingFileInTheCurrentFolder) {
    touch(path("local/moved.avi"));
    addSource(path("gone/moved.avi"), 0);
    addSource(path("gone/lost.avi"), 10);
    EXPECT_EQ(timeline->ValidateSourceNames(kAllFlags & ~SFN_VALIDATEF_REPLACE, nullptr, 0),
              S_FALSE);
    EXPECT_EQ(names().at(0), path("gone/moved.avi")); // found but not replaced

    EXPECT_EQ(timeline->ValidateSourceNames(kAllFlags, nullptr, 0), S_FALSE); // lost.avi
    EXPECT_EQ(names(), QStringList({QDir(path("local")).absoluteFilePath("moved.avi"),
                                    path("gone/lost.avi")}));
    EXPECT_EQ(timeline->ValidateSourceNames(0, nullptr, 0), S_OK); // no check asked for
}

TEST_F(ValidateSourceNamesTest, AsksTheOverrideLocatorFirst) {
    class Locator final : public IMediaLocator {
    public:
        explicit Locator(QString target) : target_(std::move(target)) {}
        HRESULT FindMediaFile(const QString& name, long, QString* found) override {
            asked << name;
            *found = target_;
            return S_OK;
        }
        QStringList asked;

    private:
        QString target_;
    };
    touch(path("elsewhere.avi"));
    touch(path("local/missing.avi")); // would be found locally, but the locator decides
    const auto locator = std::make_shared<Locator>(path("elsewhere.avi"));
    addSource(path("missing.avi"), 0);
    EXPECT_EQ(timeline->ValidateSourceNames(kAllFlags, locator, 0), S_OK);
    EXPECT_EQ(locator->asked, QStringList{path("missing.avi")});
    EXPECT_EQ(names(), QStringList{path("elsewhere.avi")});
}

} // namespace

#include "graph/filter_graph.h"
#include "graph/filter_list.h"
#include "graph/filter_ref.h"
#include "platform/streaming/device_categories.h"
#include "tests/platform/streaming/test_filters.h"

#include <gtest/gtest.h>

namespace {

using namespace graph;

class FilterMemberTest : public ::testing::Test {
protected:
    FilterMemberTest() {
        // A stand-in for the system's DV encoder, registered under its moniker.
        registry->add(platform::namedDevice(
            platform::CLSID_VideoCompressorCategory, QStringLiteral("DV Video Encoder"),
            std::nullopt, [] { return std::make_shared<streamingtest::AddTransform>(1); }));
        encoder.BaseFilter().LoadStoredData(StoredFilterReference(MSDVVideoEncoderDisplayName()));
        missing.BaseFilter().LoadStoredData(
            StoredFilterReference(MainConceptDVVideoEncoderDisplayName()));
    }
    std::shared_ptr<platform::IBaseFilter> inGraph(const QString& name) {
        std::shared_ptr<platform::IBaseFilter> filter;
        if (const auto builder = fgMain.query<platform::IGraphBuilder>()) {
            builder->FindFilterByName(name, &filter);
        }
        return filter;
    }

    std::shared_ptr<platform::FilterRegistry> registry =
        std::make_shared<platform::FilterRegistry>();
    TFilterGraph fgMain;
    TFilter encoder{QStringLiteral("MSDVVideoEncoder"), nullptr, registry};
    TFilter missing{QStringLiteral("MainConceptDVVideoEncoder"), nullptr, registry};
};

TEST_F(FilterMemberTest, JoiningAnActiveGraphCreatesTheFilterAndLeavingRemovesIt) {
    fgMain.setActive(true);
    encoder.setFilterGraph(&fgMain);
    EXPECT_EQ(encoder.FilterGraph(), &fgMain);
    const auto first = encoder.GetFilter();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(inGraph(QStringLiteral("MSDVVideoEncoder")), first);
    EXPECT_EQ(encoder.query<platform::IBaseFilter>(), first);

    // Each activation creates a new instance; deactivation releases it.
    fgMain.setActive(false);
    EXPECT_EQ(encoder.GetFilter(), nullptr);
    EXPECT_EQ(encoder.query<platform::IBaseFilter>(), nullptr);
    fgMain.setActive(true);
    const auto second = encoder.GetFilter();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(inGraph(QStringLiteral("MSDVVideoEncoder")), second);

    encoder.NotifyFilter(TFilterOperation::FilterRefresh, 0);
    EXPECT_NE(encoder.GetFilter(), second);
    EXPECT_EQ(inGraph(QStringLiteral("MSDVVideoEncoder")), encoder.GetFilter());

    encoder.setFilterGraph(nullptr);
    EXPECT_EQ(encoder.GetFilter(), nullptr);
    EXPECT_EQ(inGraph(QStringLiteral("MSDVVideoEncoder")), nullptr);
}

TEST_F(FilterMemberTest, AMissingEncoderJoinsWithoutAFilterAndWithoutError) {
    fgMain.setActive(true);
    EXPECT_NO_THROW(missing.setFilterGraph(&fgMain));
    EXPECT_EQ(missing.GetFilter(), nullptr);
    EXPECT_EQ(missing.query<platform::IBaseFilter>(), nullptr);
    EXPECT_EQ(inGraph(QStringLiteral("MainConceptDVVideoEncoder")), nullptr);
}

TEST_F(FilterMemberTest, DestroyedWrapperLeavesTheMemberWithoutAGraph) {
    {
        TFilterGraph fgTemp;
        fgTemp.setActive(true);
        encoder.setFilterGraph(&fgTemp);
        ASSERT_NE(encoder.GetFilter(), nullptr);
    }
    EXPECT_EQ(encoder.FilterGraph(), nullptr);
    EXPECT_EQ(encoder.GetFilter(), nullptr);
    encoder.setFilterGraph(&fgMain);
    EXPECT_EQ(encoder.FilterGraph(), &fgMain);
}

TEST_F(FilterMemberTest, FilterAndPinListsSnapshotTheGraph) {
    fgMain.setActive(true);
    encoder.setFilterGraph(&fgMain);
    const auto graph = fgMain.query<platform::IFilterGraph>();
    auto source = std::make_shared<streamingtest::NumberSource>(1);
    ASSERT_EQ(graph->AddFilter(source, QStringLiteral("Source")), platform::S_OK);

    TFilterList filters(graph);
    ASSERT_EQ(filters.Count(), 2);
    EXPECT_EQ(filters.Items(1), source);
    filters.Remove(std::make_shared<streamingtest::NumberSource>(1));
    filters.Remove(encoder.GetFilter());
    ASSERT_EQ(filters.Count(), 1);
    EXPECT_EQ(filters.Items(0), source);
    EXPECT_EQ(filters.Items(1), nullptr);

    TPinList pins(encoder.GetFilter());
    ASSERT_EQ(pins.Count(), 2);
    EXPECT_EQ(pins.PinInfo(0).dir, platform::PINDIR_INPUT);
    EXPECT_EQ(pins.PinInfo(1).dir, platform::PINDIR_OUTPUT);
    EXPECT_EQ(pins.PinInfo(1).pFilter, encoder.GetFilter());
    pins.Assign(nullptr);
    EXPECT_EQ(pins.Count(), 0);
    EXPECT_EQ(pins.PinInfo(0).pFilter, nullptr);
}

} // namespace

#include "platform/streaming/running_object_table.h"
#include "tests/platform/streaming/test_filters.h"
#include "tests/support/temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace streamingtest;

class RunningObjectTableTest : public testsupport::TempDirTest {
protected:
    QString description(const QString& item) {
        QFile file(path(item + QStringLiteral(".dot")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    std::shared_ptr<IFilterGraph2> graph = CreateFilterGraph();
    std::shared_ptr<RunningObjectTable> table =
        std::make_shared<RunningObjectTable>(tempDir.path());
};

TEST_F(RunningObjectTableTest, DescriptionFollowsTheGraphAndGoesWithTheRegistration) {
    const QString item = QStringLiteral("FilterGraph 0000ABCD pid 1F");
    auto source = std::make_shared<NumberSource>(3);
    ASSERT_EQ(graph->AddFilter(source, QStringLiteral("Numbers {1}")), S_OK);
    {
        RotEntry entry(table, graph, item);
        ASSERT_TRUE(entry.isRegistered());
        EXPECT_EQ(table->IsRunning(item), S_OK);
        const QString first = description(item);
        EXPECT_TRUE(first.startsWith(QStringLiteral("digraph \"") + item));
        EXPECT_TRUE(first.contains(QStringLiteral("Numbers \\{1\\}")));
        EXPECT_FALSE(first.contains(QStringLiteral("->")));

        unsigned long other = 0;
        EXPECT_EQ(table->Register(0, graph, item, &other), E_INVALIDARG);

        auto add = std::make_shared<AddTransform>(1);
        ASSERT_EQ(graph->AddFilter(add, QStringLiteral("Add")), S_OK);
        ASSERT_EQ(graph->Connect(source->EnumPins()[0], add->EnumPins()[0]), S_OK);
        entry.refresh();
        const QString second = description(item);
        EXPECT_TRUE(second.contains(QStringLiteral("f0:p0 -> f1:p0")));
        AM_MEDIA_TYPE mt;
        ASSERT_EQ(source->EnumPins()[0]->ConnectionMediaType(&mt), S_OK);
        EXPECT_TRUE(second.contains(describeMediaType(mt)));
    }
    EXPECT_FALSE(QFile::exists(path(item + QStringLiteral(".dot"))));
    EXPECT_EQ(table->IsRunning(item), S_FALSE);
    EXPECT_EQ(table->Revoke(1), E_INVALIDARG);
}

} // namespace

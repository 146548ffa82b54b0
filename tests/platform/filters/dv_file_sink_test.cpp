#include "platform/filters/dv_file_sink.h"
#include "tests/platform/filters/dv_test_support.h"
#include "tests/support/temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using platform::DvStandard;

class DvFileSinkTest : public testsupport::TempDirTest {};

TEST_F(DvFileSinkTest, WritesWholeFramesPacedByTheCallersClock) {
    std::vector<std::int64_t> waits;
    QString error;
    const QString file = path(QStringLiteral("clock.dv"));
    auto sink = platform::DvFileSink::create(
        {file, DvStandard::Ntsc, [&](std::int64_t t) { waits.push_back(t); }}, &error);
    ASSERT_NE(sink, nullptr) << error.toStdString();
    EXPECT_EQ(sink->pacing(), platform::DvSinkPacing::ReferenceClock);
    const auto a = dvtest::encodeFrame(DvStandard::Ntsc, 1);
    const auto b = dvtest::encodeFrame(DvStandard::Ntsc, 2);
    for (const auto* frame : {&a, &b, &a}) {
        ASSERT_TRUE(sink->pushFrame(*frame, &error)) << error.toStdString();
    }
    // Malformed frames are refused and leave the file whole.
    EXPECT_FALSE(sink->pushFrame(std::span(a).first(1000), &error));
    EXPECT_FALSE(sink->pushFrame(dvtest::encodeFrame(DvStandard::Pal, 1), &error));
    EXPECT_EQ(sink->framesOut(), 3u);
    ASSERT_TRUE(sink->close(&error));
    EXPECT_FALSE(sink->pushFrame(a, &error));

    // NTSC frame starts in whole 100 ns units, without drift: 0, 333666.67, 667333.33.
    EXPECT_EQ(waits, (std::vector<std::int64_t>{0, 333666, 667333}));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    ASSERT_EQ(bytes.size(), 3 * 120000);
    EXPECT_EQ(0, std::memcmp(bytes.constData() + 120000, b.data(), 120000));
    EXPECT_EQ(0, std::memcmp(bytes.constData() + 240000, a.data(), 120000));
}

TEST_F(DvFileSinkTest, ReportsAFileThatCannotBeCreated) {
    QString error;
    auto sink = platform::DvFileSink::create(
        {path(QStringLiteral("missing/folder/out.dv")), DvStandard::Pal, {}}, &error);
    EXPECT_EQ(sink, nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("out.dv")));
}

} // namespace

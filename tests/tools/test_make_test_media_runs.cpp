// Running the make-test-media tool: determinism, failures, and the demo set with its playlist.

#include "tests/support/temp_dir.h"
#include "tests/tools/media_probe.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <map>

namespace {

struct RunResult {
    int exitCode = -1;
    QString errorOutput;
};

RunResult runTool(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(MAKE_TEST_MEDIA_PATH), arguments);
    // Waits for the process to end (a generous bound for sanitizer builds), not for a time.
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

// Every file below a folder, by relative path, with its bytes.
std::map<QString, QByteArray> folderContents(const QString& path) {
    std::map<QString, QByteArray> contents;
    const QDir folder(path);
    QDirIterator files(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        contents[folder.relativeFilePath(file.fileName())] = file.readAll();
    }
    return contents;
}

class MakeTestMediaRun : public testsupport::TempDirTest {};

TEST_F(MakeTestMediaRun, TwoRunsGiveIdenticalBytes) {
    ASSERT_EQ(runTool({"--test", path("first")}).exitCode, 0);
    ASSERT_EQ(runTool({"--test", path("second")}).exitCode, 0);
    const auto first = folderContents(path("first"));
    const auto second = folderContents(path("second"));
    EXPECT_EQ(first.size(), 39U);
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [name, bytes] : first) {
        const auto other = second.find(name);
        ASSERT_NE(other, second.end()) << name.toStdString();
        EXPECT_TRUE(other->second == bytes) << name.toStdString() << " differs";
    }
}

TEST_F(MakeTestMediaRun, RerunReplacesOldFilesAndStaleSequenceNeighbours) {
    ASSERT_TRUE(QDir().mkpath(path("media/seq3")));
    QFile stale(path("media/seq3/Image004.jpg"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    QFile oldClip(path("media/clip_h264_aac.mp4"));
    ASSERT_TRUE(oldClip.open(QIODevice::WriteOnly));
    oldClip.write("old contents");
    oldClip.close();

    ASSERT_EQ(runTool({"--test", path("media")}).exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(path("media/seq3/Image004.jpg")));
    EXPECT_TRUE(mediatest::decodesAsMedia(path("media/clip_h264_aac.mp4")));
}

TEST_F(MakeTestMediaRun, FailsWithAMessageOnBadUseOrUnwritableFolder) {
    EXPECT_NE(runTool({}).exitCode, 0);
    EXPECT_NE(runTool({"--bogus", path("x")}).exitCode, 0);
    EXPECT_NE(runTool({"--test"}).exitCode, 0);

    QFile blocker(path("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const RunResult result = runTool({"--test", path("not-a-folder/media")});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_TRUE(result.errorOutput.contains(QStringLiteral("error")))
        << result.errorOutput.toStdString();
}

TEST_F(MakeTestMediaRun, DemoSetHasAPlaylistOfAbsolutePathsInIniSyntax) {
    ASSERT_EQ(runTool({"--demo", path("demo")}).exitCode, 0);
    QFile playlist(path("demo/demo.plst"));
    ASSERT_TRUE(playlist.open(QIODevice::ReadOnly));
    const QByteArray text = playlist.readAll();
    ASSERT_TRUE(text.endsWith("\r\n"));
    const QList<QByteArray> lines = text.left(text.size() - 2).split('\n');
    ASSERT_EQ(lines.size() % 3, 0);
    QStringList listed;
    for (int item = 0; item < lines.size() / 3; ++item) {
        const QList<QByteArray> section = lines.mid(item * 3, 3);
        for (int line = 0; line < 2; ++line) {
            EXPECT_TRUE(section[line].endsWith('\r')) << "line without CR LF";
        }
        EXPECT_EQ(section[0].trimmed(), "[" + QByteArray::number(item) + "]");
        ASSERT_TRUE(section[1].startsWith("File="));
        EXPECT_EQ(section[2].trimmed(), "Checked=1");
        const QString file = QString::fromLocal8Bit(section[1].mid(5).trimmed());
        EXPECT_TRUE(QFileInfo(file).isAbsolute()) << file.toStdString();
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
        listed << QFileInfo(file).fileName();
    }
    EXPECT_GE(listed.size(), 6);
    // The slide sequence is listed by its first picture only.
    EXPECT_TRUE(listed.contains(QStringLiteral("Slide01.jpg")));
    EXPECT_FALSE(listed.contains(QStringLiteral("Slide02.jpg")));
    for (const char* slide : {"Slide02.jpg", "Slide03.jpg", "Slide04.jpg"}) {
        EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("demo/") + slide))) << slide;
    }
    // The demo clip: 10 s with sound.
    const auto clip = std::find_if(listed.begin(), listed.end(),
                                   [](const QString& name) { return name.endsWith(".mp4"); });
    ASSERT_NE(clip, listed.end());
    const auto info = mediatest::probe(path(QStringLiteral("demo/") + *clip));
    ASSERT_TRUE(info.has_value());
    EXPECT_NEAR(info->duration_s, 10.0, 0.1);
    EXPECT_EQ(info->count(AVMEDIA_TYPE_AUDIO), 1);
}

} // namespace

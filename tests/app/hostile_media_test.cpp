#include "app/render_command.h"
#include "platform/editing/media_det.h"

#include "tests/support/temp_dir.h"
#include "tests/support/test_media.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

QString hostile(const char* name) {
    return QDir(QStringLiteral(QUINTAPE_HOSTILE_MEDIA_DIR)).filePath(QString::fromLatin1(name));
}

class HostileMediaTest : public testsupport::TempDirTest {
protected:
    // Renders the paths as fast as possible and checks what the render command checks (the
    // graph completed, one frame in the file per frame of the timeline) and that the timeline
    // is as long as the probe said: the files that cannot be played take no time.
    void renderAndCheck(const QStringList& paths) {
        QString error;
        QStringList arguments{out, QStringLiteral("--picture-time"), QStringLiteral("0.5")};
        arguments += paths;
        const auto options = app::parseRenderArguments(arguments, &error);
        ASSERT_TRUE(options) << error.toStdString();
        std::vector<render::TFileInfo> probed;
        for (const QString& file : paths) {
            probed.push_back(*render::ProbeFile(file, options->probe));
        }
        const std::int64_t frames =
            app::TimelineFrameCount(app::PrepareMainPlayList(probed), false);

        QString log;
        QTextStream err(&log);
        const int code = app::runRenderCommand(*options, err);
        err.flush();
        ASSERT_EQ(code, 0) << log.toStdString();
        EXPECT_EQ(QFileInfo(out).size(), frames * 144000) << log.toStdString();
    }

    QString out = path(QStringLiteral("out.dv"));
};

// The whole hostile set in one playlist between two good clips, as a user might drop a folder.
TEST_F(HostileMediaTest, TheWholeSetRendersWithTheRightFrameCount) {
    renderAndCheck({testsupport::testMedia(QStringLiteral("clip_mpeg4_pcm.avi")),
                    hostile("truncated_clip.avi"), hostile("truncated_head.mp4"),
                    hostile("empty.mp4"), hostile("empty.jpg"), hostile("avi_named.mp4"),
                    hostile("png_named.jpg"), hostile("text.jpg"), hostile("tiny_1x1.png"),
                    hostile("huge_9600.png"), hostile("surround_96k.wav"), hostile("eight_bit.wav"),
                    hostile("variable_rate.mkv"), hostile("yuv444p10.mkv"), hostile("animated.gif"),
                    testsupport::testMedia(QStringLiteral("clip_h264_aac.mp4"))});
}

// A file cut short and another deleted while the render plays: the render still completes with
// every frame of the timeline (black and silence stand in for what is gone).
TEST_F(HostileMediaTest, FilesTruncatedAndDeletedDuringPlaybackStillRenderEveryFrame) {
    const QString cut = path(QStringLiteral("cut.avi"));
    const QString gone = path(QStringLiteral("gone.avi"));
    ASSERT_TRUE(QFile::copy(hostile("victim.avi"), cut));
    ASSERT_TRUE(QFile::copy(hostile("victim.avi"), gone));
    const QString first = testsupport::testMedia(QStringLiteral("clip_mpeg4_pcm.avi"));

    // Once the first frames are written, the victims change under the running graph.
    std::atomic<bool> changed = false;
    std::atomic<bool> done = false;
    std::thread saboteur([&] {
        while (!done && QFileInfo(out).size() < 10 * 144000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        QFile file(cut);
        if (file.open(QIODevice::ReadWrite)) {
            file.resize(file.size() / 3);
        }
        changed = QFile::remove(gone);
    });
    renderAndCheck({first, cut, gone, first});
    done = true;
    saboteur.join();
    EXPECT_TRUE(changed.load());
}

// The size of a picture's frame is computed in 64 bits: 9600 x 9600 x 24 bits does not fit an
// int.
TEST(HostileMediaDetector, AHugePictureHasItsTrueFrameSize) {
    const auto detector = platform::CreateMediaDet();
    ASSERT_EQ(detector->put_Filename(hostile("huge_9600.png")), platform::S_OK);
    long streams = 0;
    ASSERT_EQ(detector->get_OutputStreams(&streams), platform::S_OK);
    ASSERT_EQ(streams, 1);
    platform::AM_MEDIA_TYPE type;
    ASSERT_EQ(detector->get_StreamMediaType(&type), platform::S_OK);
    const auto video = type.formatAs<platform::VIDEOINFOHEADER>();
    ASSERT_TRUE(video);
    EXPECT_EQ(video->bmiHeader.biWidth, 9600);
    EXPECT_EQ(video->bmiHeader.biSizeImage, 9600U * 9600U * video->bmiHeader.biBitCount / 8U);
}

} // namespace

// Probe throughput: classifies 1,000 pictures and 100 clips (copies of the generated test media)
// with the probe, then runs `ffprobe` once per file over the same set, and prints files per
// second for both and their ratio.
#include "render/probe.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

namespace {

QStringList makeBenchSet(const QString& mediaDir, const QString& dir, int pictures, int clips) {
    const QStringList pictureSources{"picture.jpg", "picture.png", "picture.bmp", "wide.jpg",
                                     "tall.png"};
    const QStringList clipSources{"clip_h264_aac.mp4", "clip_mpeg4_pcm.avi", "clip_mpeg2_mp2.mpg",
                                  "clip_matroska.mkv", "clip_dv_pal.dv",     "video_only.avi",
                                  "sound.wav",         "SOUND.MP3"};
    QStringList files;
    for (int i = 0; i < pictures; ++i) {
        const QString source = pictureSources[i % pictureSources.size()];
        const QString target = QDir(dir).filePath(QStringLiteral("pic_%1.%2")
                                                      .arg(i, 4, 10, QLatin1Char('0'))
                                                      .arg(source.section('.', -1)));
        if (!QFile::copy(QDir(mediaDir).filePath(source), target)) {
            std::fprintf(stderr, "bench-probe: cannot copy %s\n", qPrintable(source));
            return {};
        }
        files << target;
    }
    for (int i = 0; i < clips; ++i) {
        const QString source = clipSources[i % clipSources.size()];
        const QString target = QDir(dir).filePath(QStringLiteral("clip_%1.%2")
                                                      .arg(i, 3, 10, QLatin1Char('0'))
                                                      .arg(source.section('.', -1)));
        if (!QFile::copy(QDir(mediaDir).filePath(source), target)) {
            std::fprintf(stderr, "bench-probe: cannot copy %s\n", qPrintable(source));
            return {};
        }
        files << target;
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    av_log_set_level(AV_LOG_FATAL);
    const QString mediaDir = qEnvironmentVariableIsSet("QUINTAPE_TEST_MEDIA_DIR")
                                 ? qEnvironmentVariable("QUINTAPE_TEST_MEDIA_DIR")
                                 : QString::fromUtf8(QUINTAPE_TEST_MEDIA_DIR);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench-probe: no temporary folder\n");
        return 1;
    }
    const QStringList files = makeBenchSet(mediaDir, dir.path(), 1000, 100);
    if (files.isEmpty()) {
        return 1;
    }

    render::ProbeSettings settings;
    QElapsedTimer timer;
    timer.start();
    int playable = 0;
    for (const QString& file : files) {
        playable += render::ProbeFile(file, settings)->Kind != render::fkCantPlay ? 1 : 0;
    }
    const double probeSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double probeRate = files.size() / probeSeconds;
    std::printf("probe:   %d files (%d playable) in %.3f s = %.1f files/s\n",
                static_cast<int>(files.size()), playable, probeSeconds, probeRate);

    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty()) {
        std::printf("ffprobe: not installed, no reference\n");
        return 0;
    }
    timer.restart();
    for (const QString& file : files) {
        QProcess process;
        process.start(ffprobe, {"-v", "quiet", "-show_format", "-show_streams", file});
        if (!process.waitForFinished(30000)) {
            std::fprintf(stderr, "bench-probe: ffprobe did not finish on %s\n", qPrintable(file));
            return 1;
        }
    }
    const double referenceSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double referenceRate = files.size() / referenceSeconds;
    std::printf("ffprobe: %d files in %.3f s = %.1f files/s (one process per file)\n",
                static_cast<int>(files.size()), referenceSeconds, referenceRate);
    std::printf("ratio:   probe is %.2fx the rate of ffprobe\n", probeRate / referenceRate);
    return 0;
}

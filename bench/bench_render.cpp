// Render engine throughput: renders a timeline of 1080p H.264 clips (copies of the generated
// clip_1080p.mp4) into PAL frames as fast as the engine pulls them, then lets the `ffmpeg`
// command line decode and scale the same files to 720x576, and prints frames per second for
// both and their ratio. Also reports the peak memory (VmHWM) of rendering a 1,000-picture
// timeline with dynamic loading, measured first so that the clips do not raise the peak.
#include "platform/editing/engine_timeline_renderer.h"
#include "render/timeline_builder.h"
#include "render/transitions.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kClipCopies = 8;
constexpr int kPictureItems = 1000;

render::TFileInfo mediaItem(const QString& path, render::TFileKind kind, double seconds) {
    render::TFileInfo info;
    info.FileName = path;
    info.Kind = kind;
    info.Duration = static_cast<platform::REFERENCE_TIME>(seconds * 1e7 + 0.5);
    info.VideoStream = 0;
    info.AudioStream = kind == render::fkMedia ? 0 : -1;
    info.VideoStreamCount = 1;
    info.AudioStreamCount = kind == render::fkMedia ? 1 : 0;
    info.StretchMode = render::smLetterbox;
    return info;
}

render::TBuildSettings benchSettings(bool audio, double pictureTime_s) {
    render::TBuildSettings settings;
    settings.videoOutIndex = 0;
    settings.audioOutIndex = audio ? 1 : 0;
    settings.pictureTime_s = pictureTime_s;
    return settings;
}

long peakMemory_kB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Renders every frame of group 0 (and the sound of group 1 frame by frame); frames rendered.
std::int64_t renderAll(const std::vector<render::TFileInfo>& playList,
                       const render::TBuildSettings& settings, platform::EngineOptions options) {
    render::TRandomGenerator random;
    const auto timeline = render::BuildTimeline(playList, settings, random);
    platform::EngineTimelineRenderer engine(*timeline, std::move(options));
    auto* video = engine.videoGroup(0);
    auto* audio = engine.audioGroup(1);
    std::vector<std::int16_t> sound;
    const std::int64_t frames = video->frameCount();
    for (std::int64_t n = 0; n < frames; ++n) {
        if (!video->frame(n)) {
            std::fprintf(stderr, "bench-render: no frame %lld\n", static_cast<long long>(n));
        }
        if (audio) {
            const auto& format = audio->format();
            const std::int64_t first = format.sampleAt(video->format().frameTime(n));
            const std::int64_t end = format.sampleAt(video->format().frameTime(n + 1));
            sound.resize(static_cast<std::size_t>((end - first) * format.channels));
            audio->render(first, sound);
        }
    }
    return frames;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    const QDir media(QStringLiteral(QUINTAPE_TEST_MEDIA_DIR));
    const QString clip = media.filePath(QStringLiteral("clip_1080p.mp4"));
    if (!QFile::exists(clip)) {
        std::fprintf(stderr, "bench-render: %s missing (build the test-media target)\n",
                     qPrintable(clip));
        return 1;
    }

    // 1,000 pictures shown for 0.1 s each, loaded as they come.
    const QStringList pictureSources{"picture.jpg", "picture.png", "picture.bmp", "wide.jpg",
                                     "tall.png"};
    std::vector<render::TFileInfo> pictures;
    for (int i = 0; i < kPictureItems; ++i) {
        pictures.push_back(
            mediaItem(media.filePath(pictureSources[i % pictureSources.size()]),
                      i + 1 < kPictureItems ? render::fkPictureNext : render::fkPictureLast, 0.1));
    }
    const long baseline_kB = peakMemory_kB();
    QElapsedTimer timer;
    timer.start();
    const std::int64_t pictureFrames = renderAll(pictures, benchSettings(true, 0.1), {});
    const double pictureSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const long pictures_kB = peakMemory_kB();
    std::printf("pictures: %d items, %lld frames in %.2f s (%.0f frames/s)\n", kPictureItems,
                static_cast<long long>(pictureFrames), pictureSeconds,
                static_cast<double>(pictureFrames) / pictureSeconds);
    std::printf("peak memory (VmHWM): %ld kB before, %ld kB after the picture timeline\n",
                baseline_kB, pictures_kB);

    // The 1080p clips, with their sound.
    std::vector<render::TFileInfo> clips;
    for (int i = 0; i < kClipCopies; ++i) {
        clips.push_back(mediaItem(clip, render::fkMedia, 1.0));
    }
    timer.restart();
    const std::int64_t clipFrames = renderAll(clips, benchSettings(true, 7.0), {});
    const double engineSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double engineFps = static_cast<double>(clipFrames) / engineSeconds;

    platform::EngineOptions yuv;
    yuv.pixelFormat = platform::EnginePixelFormat::Yuv420p;
    timer.restart();
    const std::int64_t yuvFrames = renderAll(clips, benchSettings(true, 7.0), yuv);
    const double yuvFps =
        static_cast<double>(yuvFrames) / (static_cast<double>(timer.nsecsElapsed()) / 1e9);

    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    double ffmpegFps = 0;
    if (!ffmpeg.isEmpty()) {
        timer.restart();
        for (int i = 0; i < kClipCopies; ++i) {
            QProcess process;
            process.start(ffmpeg,
                          {"-v", "error", "-i", clip, "-vf", "scale=720:576", "-f", "null", "-"});
            process.waitForFinished(-1);
        }
        ffmpegFps = 25.0 * kClipCopies / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("1080p H.264 -> PAL RGB24 letterbox: %lld frames, %.1f frames/s\n",
                static_cast<long long>(clipFrames), engineFps);
    std::printf("1080p H.264 -> PAL YUV 4:2:0 letterbox: %.1f frames/s\n", yuvFps);
    if (ffmpegFps > 0) {
        std::printf("ffmpeg decode + scale to 720x576: %.1f frames/s; engine/ffmpeg = %.2f (RGB), "
                    "%.2f (YUV)\n",
                    ffmpegFps, engineFps / ffmpegFps, yuvFps / ffmpegFps);
    } else {
        std::printf("ffmpeg not found: no reference\n");
    }
    std::printf("peak memory (VmHWM) at the end: %ld kB\n", peakMemory_kB());
    return 0;
}

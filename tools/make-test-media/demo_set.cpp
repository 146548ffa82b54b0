#include "tools/make-test-media/demo_set.h"

#include "tools/make-test-media/demo_pictures.h"
#include "tools/make-test-media/file_output.h"
#include "tools/make-test-media/media_writer.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <numbers>

namespace testmedia {
namespace {

constexpr int kSampleRate = 48000;

// A soft A (220 Hz with its octave) swelling slowly in and out.
double gentleTone(int64_t sampleIndex) {
    const double time_s = static_cast<double>(sampleIndex) / kSampleRate;
    const double swell = 0.55 + 0.45 * std::sin(2 * std::numbers::pi * time_s / 5.0);
    const double fade = std::min(1.0, std::min(time_s, 10.0 - time_s) / 0.5);
    return 0.12 * swell * std::max(0.0, fade) *
           (std::sin(2 * std::numbers::pi * 220.0 * time_s) +
            0.4 * std::sin(2 * std::numbers::pi * 440.0 * time_s));
}

// A chord of three bell-like notes, each decaying.
double chime(int64_t sampleIndex) {
    const double time_s = static_cast<double>(sampleIndex) / kSampleRate;
    const double notes_hz[] = {523.25, 659.25, 783.99};
    double value = 0.0;
    for (int note = 0; note < 3; ++note) {
        const double start_s = note * 0.25;
        if (time_s >= start_s) {
            const double age_s = time_s - start_s;
            value += 0.2 * std::exp(-age_s * 1.8) *
                     std::sin(2 * std::numbers::pi * notes_hz[note] * age_s);
        }
    }
    return value;
}

void writeDemoClip(const QString& path) {
    const QSize size(640, 360);
    const int frameCount = 250;
    const QImage background = paintDemoClipBackground(size);
    const bool haveX264 = hasEncoder("libx264");
    MediaSpec request;
    request.path = path;
    request.muxer = "mp4";
    VideoTrack video;
    video.codecId = haveX264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_MPEG4;
    video.encoderName = haveX264 ? "libx264" : "mpeg4";
    video.size = size;
    video.frameCount = frameCount;
    video.paint = [&background, frameCount](int frameNumber) {
        return paintDemoClipFrame(background, frameNumber, frameCount);
    };
    request.video = video;
    AudioTrack audio;
    audio.codecId = AV_CODEC_ID_AAC;
    audio.encoderName = "aac";
    audio.sampleRate = kSampleRate;
    audio.sampleCount = 10LL * kSampleRate;
    audio.bitRate = 128000;
    audio.sample = [](int64_t sampleIndex, int) { return gentleTone(sampleIndex); };
    request.audio = audio;
    writeMedia(request);
}

void writeChime(const QString& path) {
    MediaSpec request;
    request.path = path;
    request.muxer = "wav";
    AudioTrack audio;
    audio.codecId = AV_CODEC_ID_PCM_S16LE;
    audio.sampleRate = kSampleRate;
    audio.sampleCount = 3LL * kSampleRate;
    audio.sample = [](int64_t sampleIndex, int) { return chime(sampleIndex); };
    request.audio = audio;
    writeMedia(request);
}

// Playlist in INI syntax with CR LF line ends: one section per item, numbered from 0.
QByteArray playlistText(const QStringList& paths) {
    QByteArray text;
    for (int index = 0; index < paths.size(); ++index) {
        text += "[" + QByteArray::number(index) + "]\r\n";
        text += "File=" + paths[index].toLocal8Bit() + "\r\n";
        text += "Checked=1\r\n";
    }
    return text;
}

} // namespace

void writeDemoSet(const QString& folderPath) {
    const QDir folder = makeFolder(folderPath, false);
    const QSize pictureSize(1024, 768);
    const auto path = [&folder](const char* name) {
        return QFileInfo(folder.filePath(QString::fromLatin1(name))).absoluteFilePath();
    };
    savePicture(paintTitleCard(pictureSize), path("title.jpg"));
    writeDemoClip(path("gliding_ball.mp4"));
    savePicture(paintSunrise(pictureSize), path("sunrise.jpg"));
    savePicture(paintOcean(pictureSize), path("ocean.png"));
    savePicture(paintForest(pictureSize), path("forest.jpg"));
    constexpr int kSlideCount = 4;
    for (int slide = 1; slide <= kSlideCount; ++slide) {
        savePicture(paintSlide(pictureSize, slide, kSlideCount),
                    folder.absoluteFilePath(
                        QStringLiteral("Slide%1.jpg").arg(slide, 2, 10, QLatin1Char('0'))));
    }
    writeChime(path("chime.wav"));
    // Only the first slide is listed: the numbered sequence is recognised from it.
    const QStringList items = {path("title.jpg"), path("gliding_ball.mp4"), path("sunrise.jpg"),
                               path("ocean.png"), path("forest.jpg"),       path("Slide01.jpg"),
                               path("chime.wav")};
    writeBytes(path("demo.plst"), playlistText(items));
}

} // namespace testmedia

#include "tools/make-test-media/real_world_set.h"

#include "tools/make-test-media/clip_ids.h"
#include "tools/make-test-media/file_output.h"
#include "tools/make-test-media/frame_mark.h"
#include "tools/make-test-media/media_writer.h"
#include "tools/make-test-media/picture_painter.h"
#include "tools/make-test-media/tone_mark.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTransform>

#include <cmath>
#include <stdexcept>

namespace testmedia {
namespace {

constexpr AVRational kPal{25, 1};
constexpr int kRate = 48000;

// Three seconds of picture; the sound from 1 s to 3 s of the file's time.
void writeLateSound(const QDir& folder, const QString& name, const char* muxer, AVCodecID video,
                    const char* videoEncoder, AVCodecID audio, const char* audioEncoder,
                    int64_t audioBitRate) {
    MediaSpec request;
    request.path = folder.filePath(name);
    request.muxer = muxer;
    VideoTrack picture;
    picture.codecId = video;
    picture.encoderName = videoEncoder;
    picture.size = QSize(320, 240);
    picture.frameRate = kPal;
    picture.frameCount = 75;
    const ClipLook look{kClipLateSound, QColor(60, 60, 140), name};
    picture.paint = [look, size = picture.size](int frame) {
        return paintClipFrame(look, size, frame);
    };
    request.video = picture;
    AudioTrack sound;
    sound.codecId = audio;
    sound.encoderName = audioEncoder;
    sound.sampleRate = kRate;
    sound.channelCount = 2;
    sound.bitRate = audioBitRate;
    sound.startSample = kRate;
    sound.sampleCount = 2 * kRate;
    sound.chunkSamples = kRate / 25;
    sound.sample = [](int64_t index, int) {
        const double fileTime_s = 1.0 + static_cast<double>(index) / kRate;
        return toneSample(fileTime_s < 2.0 ? kClipLateSound : kToneLateSoundSecond, fileTime_s);
    };
    request.audio = sound;
    writeMedia(request);
}

void writePortraitClipTurned(const QDir& folder, int rotation_deg) {
    MediaSpec request;
    request.path = folder.filePath(QStringLiteral("portrait.mp4"));
    request.muxer = "mp4";
    VideoTrack picture;
    picture.codecId = AV_CODEC_ID_MPEG4;
    picture.encoderName = "mpeg4";
    picture.size = QSize(320, 240);
    picture.frameRate = kPal;
    picture.frameCount = 25;
    picture.displayRotation_deg = rotation_deg;
    const ClipLook look{kClipPortrait, QColor(150, 80, 40), QStringLiteral("portrait")};
    picture.paint = [look](int frame) {
        // Painted upright, stored turned a quarter to the left.
        return paintClipFrame(look, QSize(240, 320), frame).transformed(QTransform().rotate(-90));
    };
    request.video = picture;
    writeMedia(request);
}

// Whether the first video stream of a file is shown turned a quarter to the right: its display
// matrix maps a stored (x, y) to the shown (-y, x).
bool shownTurnedRight(const QString& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        return false;
    }
    const InputFormatPtr input(raw);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const auto* matrix = reinterpret_cast<const int32_t*>(
            av_stream_get_side_data(input->streams[i], AV_PKT_DATA_DISPLAYMATRIX, nullptr));
        if (matrix != nullptr) {
            return matrix[0] == 0 && matrix[1] > 0 && matrix[3] < 0 && matrix[4] == 0;
        }
    }
    return false;
}

void writePortraitClip(const QDir& folder) {
    // Some versions of the MP4 muxer store the display matrix transposed: write it the other
    // way round when the file does not read back as a phone's portrait clip.
    for (const int rotation : {90, -90}) {
        writePortraitClipTurned(folder, rotation);
        if (shownTurnedRight(folder.filePath(QStringLiteral("portrait.mp4")))) {
            return;
        }
    }
    throw std::runtime_error("portrait.mp4: the display matrix does not read back");
}

// An APP1 segment holding EXIF with one tag: the orientation.
QByteArray exifOrientationSegment(int orientation) {
    const char payload[] = {'E',  'x',
                            'i',  'f',
                            0,    0, // EXIF identifier
                            'M',  'M',
                            0,    42,
                            0,    0,
                            0,    8, // big-endian TIFF header, IFD at 8
                            0,    1, // one entry
                            0x01, 0x12,
                            0,    3,
                            0,    0,
                            0,    1, // Orientation, SHORT, count 1
                            0,    static_cast<char>(orientation),
                            0,    0,
                            0,    0,
                            0,    0}; // value; no next IFD
    QByteArray segment("\xFF\xE1", 2);
    const int length = static_cast<int>(sizeof payload) + 2;
    segment.append(static_cast<char>(length >> 8));
    segment.append(static_cast<char>(length & 0xFF));
    segment.append(payload, sizeof payload);
    return segment;
}

void writePortraitPhoto(const QDir& folder) {
    const QImage upright = paintStillPicture(QSize(480, 640), QColor(90, 150, 60),
                                             QStringLiteral("portrait"), kPicturePortrait);
    const QImage stored = upright.transformed(QTransform().rotate(-90));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    if (!buffer.open(QIODevice::WriteOnly) || !writer.write(stored)) {
        throw std::runtime_error("encoding portrait_exif.jpg failed");
    }
    if (!jpeg.startsWith("\xFF\xD8")) {
        throw std::runtime_error("portrait_exif.jpg: no JPEG start marker");
    }
    // Orientation 6: turn a quarter to the right to show it upright.
    jpeg.insert(2, exifOrientationSegment(6));
    writeBytes(folder.filePath(QStringLiteral("portrait_exif.jpg")), jpeg);
}

void writeInterlaced(const QDir& folder, const QString& name, bool topFieldFirst) {
    MediaSpec request;
    request.path = folder.filePath(name);
    request.muxer = "vob";
    VideoTrack picture;
    picture.codecId = AV_CODEC_ID_MPEG2VIDEO;
    picture.encoderName = "mpeg2video";
    picture.size = QSize(1920, 1080);
    picture.frameRate = kPal;
    picture.frameCount = 25;
    picture.interlaced = true;
    picture.topFieldFirst = topFieldFirst;
    QImage fields(picture.size, QImage::Format_RGB32);
    for (int y = 0; y < fields.height(); ++y) {
        const int grey = y % 2 == 0 ? kTopFieldGrey : kBottomFieldGrey;
        auto* line = reinterpret_cast<QRgb*>(fields.scanLine(y));
        std::fill(line, line + fields.width(), qRgb(grey, grey, grey));
    }
    picture.paint = [fields](int) { return fields; };
    request.video = picture;
    writeMedia(request);
}

void writeHugePicture(const QDir& folder) {
    QImage image(9600, 9600, QImage::Format_Grayscale8);
    image.fill(110);
    drawFrameMark(image, FrameMark{kStillPictures, kPictureHuge});
    savePicture(image, folder.filePath(QStringLiteral("huge.png")));
}

} // namespace

void writeRealWorldSet(const QString& folderPath) {
    const QDir folder = makeFolder(QDir(folderPath).filePath(QStringLiteral("real_world")), true);
    const bool haveX264 = hasEncoder("libx264");
    writeLateSound(folder, QStringLiteral("late_sound.mp4"), "mp4",
                   haveX264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_MPEG4, haveX264 ? "libx264" : "mpeg4",
                   AV_CODEC_ID_AAC, "aac", 128000);
    writeLateSound(folder, QStringLiteral("late_sound.ts"), "mpegts", AV_CODEC_ID_MPEG2VIDEO,
                   "mpeg2video", AV_CODEC_ID_MP2, nullptr, 192000);
    writeLateSound(folder, QStringLiteral("late_sound.mkv"), "matroska", AV_CODEC_ID_MPEG4, "mpeg4",
                   AV_CODEC_ID_FLAC, "flac", 0);
    writePortraitClip(folder);
    writePortraitPhoto(folder);
    writeInterlaced(folder, QStringLiteral("interlaced_tff.mpg"), true);
    writeInterlaced(folder, QStringLiteral("interlaced_bff.mpg"), false);
    writeHugePicture(folder);
}

} // namespace testmedia

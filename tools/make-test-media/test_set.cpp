#include "tools/make-test-media/test_set.h"

#include "tools/make-test-media/clip_ids.h"
#include "tools/make-test-media/file_output.h"
#include "tools/make-test-media/media_writer.h"
#include "tools/make-test-media/picture_painter.h"
#include "tools/make-test-media/real_world_set.h"
#include "tools/make-test-media/tone_mark.h"

#include <QDir>

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace testmedia {
namespace {

struct VideoCodecChoice {
    AVCodecID codecId;
    const char* encoderName;
};

struct AudioCodecChoice {
    AVCodecID codecId;
    const char* encoderName;
    int64_t bitRate;
};

struct ClipPlan {
    const char* fileName;
    const char* muxer;
    ClipId clipId;
    QColor background;
    VideoCodecChoice video;
    QSize size;
    AVRational frameRate;
    double duration_s;
    std::optional<AudioCodecChoice> audio;
    int sampleRate = 48000;
};

constexpr AVRational kPal{25, 1};
constexpr AVRational kNtsc{30000, 1001};
constexpr VideoCodecChoice kMpeg4{AV_CODEC_ID_MPEG4, "mpeg4"};
constexpr AudioCodecChoice kPcm{AV_CODEC_ID_PCM_S16LE, nullptr, 0};
constexpr AudioCodecChoice kAac{AV_CODEC_ID_AAC, "aac", 128000};
constexpr AudioCodecChoice kMp2{AV_CODEC_ID_MP2, "mp2", 192000};
constexpr AudioCodecChoice kMp3{AV_CODEC_ID_MP3, "libmp3lame", 128000};
constexpr AudioCodecChoice kFlac{AV_CODEC_ID_FLAC, "flac", 0};

std::function<double(int64_t, int)> toneOf(int clipId, int sampleRate) {
    return [clipId, sampleRate](int64_t sampleIndex, int) {
        return toneSample(clipId, static_cast<double>(sampleIndex) / sampleRate);
    };
}

AudioTrack toneTrack(AudioCodecChoice codec, int clipId, int sampleRate, int channelCount,
                     double duration_s) {
    AudioTrack track;
    track.codecId = codec.codecId;
    track.encoderName = codec.encoderName;
    track.sampleRate = sampleRate;
    track.channelCount = channelCount;
    track.sampleCount = std::llround(duration_s * sampleRate);
    track.bitRate = codec.bitRate;
    track.sample = toneOf(clipId, sampleRate);
    return track;
}

void writeClip(const QDir& folder, const ClipPlan& plan) {
    const QString fileName = QString::fromLatin1(plan.fileName);
    MediaSpec request;
    request.path = folder.filePath(fileName);
    request.muxer = plan.muxer;
    VideoTrack video;
    video.codecId = plan.video.codecId;
    video.encoderName = plan.video.encoderName;
    video.size = plan.size;
    video.frameRate = plan.frameRate;
    video.frameCount = static_cast<int>(std::lround(plan.duration_s * av_q2d(plan.frameRate)));
    const ClipLook look{plan.clipId, plan.background, fileName};
    video.paint = [look, size = plan.size](int frameNumber) {
        return paintClipFrame(look, size, frameNumber);
    };
    request.video = video;
    if (plan.audio) {
        request.audio = toneTrack(*plan.audio, plan.clipId, plan.sampleRate, 2, plan.duration_s);
        // DV takes exactly one video frame's share of samples per audio packet.
        request.audio->chunkSamples = plan.sampleRate / 25;
    }
    writeMedia(request);
}

void writeClips(const QDir& folder, QStringList& notes) {
    const bool haveX264 = hasEncoder("libx264");
    const VideoCodecChoice h264 = haveX264 ? VideoCodecChoice{AV_CODEC_ID_H264, "libx264"} : kMpeg4;
    if (!haveX264) {
        notes << QStringLiteral("libx264 is not available: the .mp4 clips use MPEG-4 Part 2 video");
    }
    const bool haveLame = hasEncoder("libmp3lame");
    const AudioCodecChoice mp3 =
        haveLame ? kMp3 : AudioCodecChoice{AV_CODEC_ID_MP3, nullptr, 128000};
    const std::optional<AudioCodecChoice> noAudio;
    const ClipPlan plans[] = {
        {"clip_h264_aac.mp4",
         "mp4",
         kClipH264Aac,
         QColor(20, 40, 130),
         h264,
         {320, 240},
         kPal,
         2.0,
         kAac},
        {"clip_mpeg4_pcm.avi",
         "avi",
         kClipMpeg4Pcm,
         QColor(20, 110, 40),
         kMpeg4,
         {320, 240},
         kPal,
         2.0,
         kPcm,
         44100},
        {"clip_mpeg2_mp2.mpg",
         "vob",
         kClipMpeg2Mp2,
         QColor(130, 30, 30),
         {AV_CODEC_ID_MPEG2VIDEO, "mpeg2video"},
         {352, 288},
         kPal,
         2.0,
         kMp2},
        {"clip_matroska.mkv",
         "matroska",
         kClipMatroska,
         QColor(90, 40, 130),
         kMpeg4,
         {320, 240},
         kPal,
         2.0,
         kFlac},
        {"clip_dv_pal.dv",
         "dv",
         kClipDvPal,
         QColor(0, 110, 120),
         {AV_CODEC_ID_DVVIDEO, "dvvideo"},
         {720, 576},
         kPal,
         2.0,
         kPcm},
        {"video_only.avi",
         "avi",
         kClipVideoOnly,
         QColor(170, 90, 20),
         kMpeg4,
         {320, 240},
         kPal,
         2.0,
         noAudio},
        {"clip_1080p.mp4",
         "mp4",
         kClip1080p,
         QColor(40, 90, 160),
         h264,
         {1920, 1080},
         kPal,
         1.0,
         kAac},
        {"clip_576p.avi",
         "avi",
         kClip576p,
         QColor(110, 110, 20),
         kMpeg4,
         {720, 576},
         kPal,
         1.0,
         kPcm},
        {"clip_ntsc.avi",
         "avi",
         kClipNtsc,
         QColor(150, 30, 100),
         kMpeg4,
         {720, 480},
         kNtsc,
         1.0,
         mp3},
    };
    for (const ClipPlan& plan : plans) {
        writeClip(folder, plan);
    }
}

void writeSound(const QDir& folder, const QString& name, const char* muxer, AudioCodecChoice codec,
                int clipId, int sampleRate, int channelCount) {
    MediaSpec request;
    request.path = folder.filePath(name);
    request.muxer = muxer;
    request.audio = toneTrack(codec, clipId, sampleRate, channelCount, 3.0);
    writeMedia(request);
}

void writeSounds(const QDir& folder) {
    const AudioCodecChoice mp3 =
        hasEncoder("libmp3lame") ? kMp3 : AudioCodecChoice{AV_CODEC_ID_MP3, nullptr, 128000};
    writeSound(folder, QStringLiteral("sound.wav"), "wav", kPcm, kSoundStereo, 44100, 2);
    writeSound(folder, QStringLiteral("sound.mp3"), "mp3", mp3, kSoundStereo, 44100, 2);
    writeBytes(folder.filePath(QStringLiteral("SOUND.MP3")),
               readBytes(folder.filePath(QStringLiteral("sound.mp3"))));
    writeSound(folder, QStringLiteral("mono.wav"), "wav", kPcm, kSoundMono, 44100, 1);

    MediaSpec withCover;
    withCover.path = folder.filePath(QStringLiteral("sound_cover.mp3"));
    withCover.muxer = "mp3";
    withCover.audio = toneTrack(mp3, kSoundStereo, 44100, 2, 3.0);
    const QSize coverSize(200, 200);
    withCover.cover = AttachedPicture{
        encodePng(paintStillPicture(coverSize, QColor(240, 200, 60), QStringLiteral("cover"), 0)),
        coverSize};
    writeMedia(withCover);
}

void writePictures(const QDir& folder) {
    struct PicturePlan {
        const char* path;
        QSize size;
        QColor background;
        int pictureNumber;
    };
    const PicturePlan plans[] = {
        {"picture.jpg", {640, 480}, QColor(200, 60, 60), kPictureJpg},
        {"picture.png", {800, 600}, QColor(60, 160, 60), kPicturePng},
        {"picture.bmp", {320, 240}, QColor(60, 90, 200), kPictureBmp},
        {"wide.jpg", {1280, 720}, QColor(230, 160, 40), kPictureWide},
        {"tall.png", {480, 640}, QColor(40, 170, 170), kPictureTall},
        {"holiday.jpg", {640, 480}, QColor(170, 60, 170), kPictureHoliday},
        {"percent%d.jpg", {640, 480}, QColor(120, 120, 120), kPicturePercent},
        {"seq3/Image001.jpg", {640, 480}, QColor(220, 120, 120), kPictureSeq3First},
        {"seq3/Image002.jpg", {640, 480}, QColor(120, 220, 120), kPictureSeq3First + 1},
        {"seq3/Image003.jpg", {640, 480}, QColor(120, 120, 220), kPictureSeq3First + 2},
        {"seq9/Image9.jpg", {640, 480}, QColor(220, 220, 120), kPictureSeq9First},
        {"seq9/Image10.jpg", {640, 480}, QColor(220, 120, 220), kPictureSeq9First + 1},
        {"single/Photo5.jpg", {640, 480}, QColor(120, 220, 220), kPictureSingle},
    };
    // The sequence folders hold nothing else, so that no stale neighbour extends a sequence.
    for (const char* sequenceFolder : {"seq3", "seq9", "single"}) {
        makeFolder(folder.filePath(QString::fromLatin1(sequenceFolder)), true);
    }
    for (const PicturePlan& plan : plans) {
        const QString path = QString::fromLatin1(plan.path);
        const QString label = path.section(QLatin1Char('/'), -1);
        savePicture(paintStillPicture(plan.size, plan.background, label, plan.pictureNumber),
                    folder.filePath(path));
    }
}

// Deterministic pseudo-random bytes (xorshift32 with a fixed seed).
QByteArray pseudoRandomBytes(int count) {
    QByteArray bytes(count, '\0');
    uint32_t state = 0x5eed1234u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

void writeBadFiles(const QDir& folder) {
    writeBytes(folder.filePath(QStringLiteral("empty.mp4")), QByteArray());
    // The MP4 muxer puts the index (moov) after the media data: the head alone is unplayable.
    const QByteArray clip = readBytes(folder.filePath(QStringLiteral("clip_h264_aac.mp4")));
    constexpr int kTruncatedSize = 3000;
    if (clip.indexOf("moov") < kTruncatedSize) {
        throw std::runtime_error("clip_h264_aac.mp4 has its moov atom too early to truncate");
    }
    writeBytes(folder.filePath(QStringLiteral("truncated.mp4")), clip.left(kTruncatedSize));
    writeBytes(folder.filePath(QStringLiteral("random.avi")), pseudoRandomBytes(8 * 1024));
    writeBytes(folder.filePath(QStringLiteral("text.jpg")),
               QByteArrayLiteral("This is a plain text file, not a JPEG picture.\n"));
}

} // namespace

QStringList writeTestSet(const QString& folderPath) {
    const QDir folder = makeFolder(folderPath, false);
    QStringList notes;
    if (!hasEncoder("libmp3lame")) {
        notes << QStringLiteral("libmp3lame is not available: MP3 files use the default encoder");
    }
    writeClips(folder, notes);
    writeSounds(folder);
    writePictures(folder);
    writeBadFiles(folder);
    writeRealWorldSet(folderPath);
    return notes;
}

} // namespace testmedia

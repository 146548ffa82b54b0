#pragma once

#include "tools/make-test-media/ffmpeg_ptr.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// Writes a media file with FFmpeg: one optional video stream painted frame by frame, one optional
// audio stream computed sample by sample, and an optional attached cover picture. Every file is
// written bit-exact, single-threaded and without creation times, so runs give identical bytes.

namespace testmedia {

struct VideoTrack {
    AVCodecID codecId = AV_CODEC_ID_NONE;
    const char* encoderName = nullptr; // preferred encoder; the codec's default one otherwise
    QSize size;
    AVRational frameRate{25, 1};
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
    int frameCount = 0;
    std::function<QImage(int frameNumber)> paint; // any QImage of the track's size
};

struct AudioTrack {
    AVCodecID codecId = AV_CODEC_ID_NONE;
    const char* encoderName = nullptr;
    int sampleRate = 48000;
    int channelCount = 2;
    int64_t sampleCount = 0;
    int64_t bitRate = 0;
    int chunkSamples = 1024; // samples per frame for codecs without a fixed frame size
    std::function<double(int64_t sampleIndex, int channel)> sample; // -1..1 of full scale
};

// A picture stored as an attached picture stream (cover art), already compressed as PNG.
struct AttachedPicture {
    QByteArray png;
    QSize size;
};

struct MediaSpec {
    QString path;
    const char* muxer = nullptr;
    std::optional<VideoTrack> video;
    std::optional<AudioTrack> audio;
    std::optional<AttachedPicture> cover;
};

// Writes the file, replacing an existing one. Throws std::runtime_error on any failure.
void writeMedia(const MediaSpec& spec);

// Whether this libavcodec has an encoder of that name.
bool hasEncoder(const char* name);

} // namespace testmedia

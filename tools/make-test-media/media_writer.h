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
//
// Video frame k always has the time k frame durations, starting at 0 (the program stream muxer
// adds its fixed start delay). Pictures are converted to YUV with the matrix of their colour
// system (colourSystemOf) and the stream is tagged with it.

namespace testmedia {

struct VideoTrack {
    AVCodecID codecId = AV_CODEC_ID_NONE;
    const char* encoderName = nullptr; // preferred encoder; the codec's default one otherwise
    QSize size;
    AVRational frameRate{25, 1};
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
    int frameCount = 0;
    std::function<QImage(int frameNumber)> paint; // any QImage of the track's size
    // When not 0, the stream's display matrix: av_display_rotation_set of this many degrees
    // (a clockwise turn as the library documents it).
    int displayRotation_deg = 0;
    // Interlaced pictures (each frame two fields), coded as such; else progressive.
    bool interlaced = false;
    bool topFieldFirst = true;
};

// BT.601 with the primaries of 625-line (25 fps) or 525-line (30000/1001 fps) systems, or BT.709.
enum class ColourSystem { Bt601Line625, Bt601Line525, Bt709 };

// HD sizes (more than 576 lines) are BT.709, smaller ones BT.601 of their frame rate's system.
ColourSystem colourSystemOf(const VideoTrack& track);

struct AudioTrack {
    AVCodecID codecId = AV_CODEC_ID_NONE;
    const char* encoderName = nullptr;
    int sampleRate = 48000;
    int channelCount = 2;
    int64_t sampleCount = 0;
    int64_t bitRate = 0;
    int chunkSamples = 1024; // samples per frame for codecs without a fixed frame size
    // Time of the first sample in the file, in samples: a stream that starts after the others.
    int64_t startSample = 0;
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
void writeMedia(const MediaSpec& request);

// Whether this libavcodec has an encoder of that name.
bool hasEncoder(const char* name);

} // namespace testmedia

#pragma once

#include <QImage>
#include <QString>

extern "C" {
#include <libavutil/avutil.h>
}

#include <cstdint>
#include <optional>
#include <vector>

// Reading generated media back with FFmpeg, for the tests of the test-media tool.

namespace mediatest {

struct StreamInfo {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    QString codec;
    int width = 0;
    int height = 0;
    int format = -1; // AVPixelFormat or AVSampleFormat
    AVRational frameRate{0, 1};
    int sampleRate = 0;
    int channels = 0;
    bool attachedPicture = false;
    AVRational timeBase{0, 1};
    int64_t startTime = 0; // in timeBase; AV_NOPTS_VALUE when unknown
    AVColorSpace colorSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorPrimaries colorPrimaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic colorTransfer = AVCOL_TRC_UNSPECIFIED;
    AVColorRange colorRange = AVCOL_RANGE_UNSPECIFIED;
};

struct MediaInfo {
    std::vector<StreamInfo> streams;
    double duration_s = 0.0;
    int count(AVMediaType type) const;
    const StreamInfo* first(AVMediaType type) const;
};

// Opens and analyses a file; nothing when FFmpeg cannot open it or find its streams.
std::optional<MediaInfo> probe(const QString& path);

// Whether the file opens and the first packet of its first stream decodes to a frame.
bool decodesAsMedia(const QString& path);

// The first frames of the file's video stream (at most maxFrames), as RGB32 pictures. Pictures
// tagged BT.709 are converted with that matrix, all others with BT.601.
std::vector<QImage> decodeVideo(const QString& path, int maxFrames);

struct TimedPicture {
    int64_t pts = 0; // in the stream's time base; AV_NOPTS_VALUE when the frame has none
    QImage picture;
};
struct TimedVideo {
    AVRational timeBase{0, 1};
    std::vector<TimedPicture> frames; // in decoding order
};
// Like decodeVideo, with the presentation time of every frame.
TimedVideo decodeTimedVideo(const QString& path, int maxFrames);

struct DecodedAudio {
    std::vector<int16_t> mono; // first channel
    int sampleRate = 0;
};
// The first seconds of the file's audio stream, first channel only.
DecodedAudio decodeAudio(const QString& path, double seconds);

// Encodes a 720x576 picture as one DV PAL frame (dvvideo, yuv420p) and decodes it again.
QImage dvRoundTrip(const QImage& picture);

} // namespace mediatest

#include "tools/make-test-media/hostile_set.h"

#include "tools/make-test-media/ffmpeg_ptr.h"
#include "tools/make-test-media/file_output.h"
#include "tools/make-test-media/media_writer.h"
#include "tools/make-test-media/picture_painter.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace testmedia {
namespace {

constexpr AVRational kPal{25, 1};
// A label colour for the clips of this set; no mark is read back from them.
constexpr int kHostileClipId = 13;

VideoTrack clipTrack(QSize size, int frames, AVCodecID codec, const char* encoder,
                     AVPixelFormat pixel_format, const QString& label) {
    VideoTrack video;
    video.codecId = codec;
    video.encoderName = encoder;
    video.size = size;
    video.frameRate = kPal;
    video.pixelFormat = pixel_format;
    video.frameCount = frames;
    const ClipLook look{kHostileClipId, QColor(90, 90, 160), label};
    video.paint = [look, size](int frame) { return paintClipFrame(look, size, frame); };
    return video;
}

AudioTrack toneTrack(int sample_rate, int channels, double seconds) {
    AudioTrack audio;
    audio.codecId = AV_CODEC_ID_PCM_S16LE;
    audio.sampleRate = sample_rate;
    audio.channelCount = channels;
    audio.sampleCount = std::llround(seconds * sample_rate);
    audio.chunkSamples = sample_rate / 25;
    audio.sample = [sample_rate](int64_t index, int channel) {
        return 0.3 * std::sin(2.0 * M_PI * (440.0 + 110.0 * channel) * static_cast<double>(index) /
                              sample_rate);
    };
    return audio;
}

void writeClip(const QDir& folder, const QString& name, const char* muxer, int frames,
               bool with_sound) {
    MediaSpec request;
    request.path = folder.filePath(name);
    request.muxer = muxer;
    request.video =
        clipTrack({320, 240}, frames, AV_CODEC_ID_MPEG4, "mpeg4", AV_PIX_FMT_YUV420P, name);
    if (with_sound) {
        request.audio = toneTrack(48000, 2, frames / 25.0);
        if (QByteArray(muxer) == "mp4") {
            request.audio->codecId = AV_CODEC_ID_AAC;
            request.audio->encoderName = "aac";
            request.audio->bitRate = 128000;
        }
    }
    writeMedia(request);
}

// A canonical WAV file: PCM of `bits` per sample, written sample by sample.
void writeWave(const QString& path, int sample_rate, int channels, int bits, double seconds) {
    const int bytes_per_sample = bits / 8;
    const auto frames = static_cast<qint64>(std::llround(seconds * sample_rate));
    QByteArray data;
    data.reserve(static_cast<qsizetype>(frames * channels * bytes_per_sample));
    for (qint64 i = 0; i < frames; ++i) {
        for (int channel = 0; channel < channels; ++channel) {
            const double value = 0.3 * std::sin(2.0 * M_PI * (330.0 + 55.0 * channel) *
                                                static_cast<double>(i) / sample_rate);
            if (bits == 8) {
                data.append(static_cast<char>(std::lround(128.0 + 127.0 * value)));
            } else {
                const auto sample =
                    qToLittleEndian(static_cast<qint16>(std::lround(32767 * value)));
                data.append(reinterpret_cast<const char*>(&sample), sizeof sample);
            }
        }
    }
    QByteArray header;
    const auto put32 = [&](quint32 value) {
        const quint32 le = qToLittleEndian(value);
        header.append(reinterpret_cast<const char*>(&le), 4);
    };
    const auto put16 = [&](quint16 value) {
        const quint16 le = qToLittleEndian(value);
        header.append(reinterpret_cast<const char*>(&le), 2);
    };
    header.append("RIFF");
    put32(static_cast<quint32>(36 + data.size()));
    header.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(static_cast<quint16>(channels));
    put32(static_cast<quint32>(sample_rate));
    put32(static_cast<quint32>(sample_rate * channels * bytes_per_sample));
    put16(static_cast<quint16>(channels * bytes_per_sample));
    put16(static_cast<quint16>(bits));
    header.append("data");
    put32(static_cast<quint32>(data.size()));
    writeBytes(path, header + data);
}

// A colour picture of width x height as 24-bit PNG, encoded by FFmpeg row by row from one
// packed plane, quickly rather than small.
void writeRgbPng(const QString& path, int width, int height) {
    const AVCodec* codec = checkNotNull(avcodec_find_encoder(AV_CODEC_ID_PNG), "PNG encoder");
    CodecContextPtr context(checkNotNull(avcodec_alloc_context3(codec), "avcodec_alloc_context3"));
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 25};
    context->compression_level = 1;
    checkAv(avcodec_open2(context.get(), codec, nullptr), "opening the PNG encoder");
    const FramePtr frame = allocFrame();
    frame->format = AV_PIX_FMT_RGB24;
    frame->width = width;
    frame->height = height;
    checkAv(av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer (PNG)");
    for (int row = 0; row < height; ++row) {
        // A gentle gradient, so that the picture has something to scale.
        std::memset(frame->data[0] + static_cast<std::ptrdiff_t>(row) * frame->linesize[0],
                    64 + 128 * row / height, static_cast<std::size_t>(width) * 3);
    }
    checkAv(avcodec_send_frame(context.get(), frame.get()), "encoding the PNG picture");
    checkAv(avcodec_send_frame(context.get(), nullptr), "flushing the PNG encoder");
    const PacketPtr packet = allocPacket();
    checkAv(avcodec_receive_packet(context.get(), packet.get()), "receiving the PNG picture");
    writeBytes(path, QByteArray(reinterpret_cast<const char*>(packet->data), packet->size));
}

// Copies a Matroska clip with new frame times: alternately 20 and 60 ms apart, then a pause of
// half a second, so that the frame rate varies.
void remuxWithVariableRate(const QString& source, const QString& target) {
    AVFormatContext* raw_input = nullptr;
    checkAv(avformat_open_input(&raw_input, source.toLocal8Bit().constData(), nullptr, nullptr),
            "opening the constant-rate clip");
    const InputFormatPtr input(raw_input);
    checkAv(avformat_find_stream_info(input.get(), nullptr), "reading the constant-rate clip");
    AVFormatContext* raw_output = nullptr;
    const QByteArray target_path = target.toLocal8Bit();
    checkAv(
        avformat_alloc_output_context2(&raw_output, nullptr, "matroska", target_path.constData()),
        "avformat_alloc_output_context2 (variable rate)");
    const OutputFormatPtr output(raw_output);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream* stream = checkNotNull(avformat_new_stream(output.get(), nullptr),
                                        "avformat_new_stream (variable rate)");
        checkAv(avcodec_parameters_copy(stream->codecpar, input->streams[i]->codecpar),
                "avcodec_parameters_copy");
        stream->codecpar->codec_tag = 0;
        stream->time_base = AVRational{1, 1000};
    }
    checkAv(avio_open(&output->pb, target_path.constData(), AVIO_FLAG_WRITE), "avio_open");
    checkAv(avformat_write_header(output.get(), nullptr), "writing the variable-rate header");
    const PacketPtr packet = allocPacket();
    std::int64_t video_frame = 0;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const AVStream* in_stream = input->streams[packet->stream_index];
        AVStream* out_stream = output->streams[packet->stream_index];
        if (in_stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            const std::int64_t ms =
                (video_frame / 2) * 80 + (video_frame % 2) * 20 + (video_frame >= 30 ? 500 : 0);
            packet->pts = packet->dts = ms;
            packet->duration = video_frame % 2 == 0 ? 20 : 60;
            ++video_frame;
        } else {
            av_packet_rescale_ts(packet.get(), in_stream->time_base, out_stream->time_base);
        }
        packet->pos = -1;
        checkAv(av_interleaved_write_frame(output.get(), packet.get()),
                "writing a variable-rate packet");
    }
    checkAv(av_write_trailer(output.get()), "writing the variable-rate trailer");
    avio_closep(&output->pb);
}

} // namespace

void writeHostileSet(const QString& folder_path) {
    const QDir folder = makeFolder(folder_path, false);

    writeClip(folder, QStringLiteral("victim.avi"), "avi", 75, true);
    writeClip(folder, QStringLiteral("avi_named.mp4"), "avi", 25, true);
    const QByteArray clip = readBytes(folder.filePath(QStringLiteral("victim.avi")));
    writeBytes(folder.filePath(QStringLiteral("truncated_clip.avi")),
               clip.left(clip.size() * 2 / 5));
    writeClip(folder, QStringLiteral("head_source.mp4"), "mp4", 25, true);
    const QByteArray mp4 = readBytes(folder.filePath(QStringLiteral("head_source.mp4")));
    writeBytes(folder.filePath(QStringLiteral("truncated_head.mp4")), mp4.left(4000));
    QFile::remove(folder.filePath(QStringLiteral("head_source.mp4")));
    writeBytes(folder.filePath(QStringLiteral("empty.mp4")), QByteArray());
    writeBytes(folder.filePath(QStringLiteral("empty.jpg")), QByteArray());
    writeBytes(folder.filePath(QStringLiteral("text.jpg")),
               QByteArrayLiteral("Not a picture: a note saved with the wrong name.\n"));

    writeBytes(folder.filePath(QStringLiteral("png_named.jpg")),
               encodePng(paintStillPicture({320, 240}, QColor(200, 120, 40),
                                           QStringLiteral("png_named.jpg"), 0)));
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(QColor(10, 200, 30));
    savePicture(pixel, folder.filePath(QStringLiteral("tiny_1x1.png")));
    writeRgbPng(folder.filePath(QStringLiteral("huge_9600.png")), 9600, 9600);

    writeWave(folder.filePath(QStringLiteral("surround_96k.wav")), 96000, 6, 16, 1.5);
    writeWave(folder.filePath(QStringLiteral("eight_bit.wav")), 22050, 1, 8, 1.5);

    const QString constant = folder.filePath(QStringLiteral("constant_rate.mkv"));
    writeClip(folder, QStringLiteral("constant_rate.mkv"), "matroska", 40, false);
    remuxWithVariableRate(constant, folder.filePath(QStringLiteral("variable_rate.mkv")));
    QFile::remove(constant);

    MediaSpec deep;
    deep.path = folder.filePath(QStringLiteral("yuv444p10.mkv"));
    deep.muxer = "matroska";
    deep.video = clipTrack({320, 240}, 25, AV_CODEC_ID_FFV1, "ffv1", AV_PIX_FMT_YUV444P10LE,
                           QStringLiteral("yuv444p10.mkv"));
    writeMedia(deep);

    MediaSpec gif;
    gif.path = folder.filePath(QStringLiteral("animated.gif"));
    gif.muxer = "gif";
    gif.video = clipTrack({160, 120}, 20, AV_CODEC_ID_GIF, "gif", AV_PIX_FMT_RGB8,
                          QStringLiteral("animated.gif"));
    gif.video->frameRate = AVRational{10, 1};
    writeMedia(gif);
}

} // namespace testmedia

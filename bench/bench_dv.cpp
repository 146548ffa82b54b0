// DV encode + mux throughput: encodes and multiplexes the same generated frames and sound as
// PAL and NTSC with the platform's encoder and multiplexer (planar YUV input and RGB24 input),
// then lets the `ffmpeg` command line do the same transcode from a rawvideo file in the same
// run, and prints frames per second for both and their ratio.
#include "platform/filters/dv_muxer.h"
#include "platform/filters/dv_video_encoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

using platform::DvStandard;

constexpr int kFrames = 250;
constexpr int kDistinctPictures = 25;
constexpr int kRuns = 3;

struct Picture {
    platform::DvPixelLayout layout;
    std::vector<std::uint8_t> planes[3];
    int strides[3] = {};
    platform::DvPicture view() const {
        platform::DvPicture picture;
        picture.layout = layout;
        for (std::size_t i = 0; i < 3; ++i) {
            picture.planes[i] = planes[i].empty() ? nullptr : planes[i].data();
            picture.strides_bytes[i] = strides[i];
        }
        return picture;
    }
};

// Moving gradients with some noise: moderately hard content for DV.
std::uint8_t sampleAt(int x, int y, int frame, int channel, std::uint32_t& noise) {
    noise = noise * 1664525u + 1013904223u;
    const double value =
        128 + 80 * std::sin((x + 5 * frame) * 0.031 + channel) * std::cos((y - 3 * frame) * 0.023) +
        static_cast<int>(noise >> 28) - 8;
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

std::vector<Picture> makePictures(DvStandard standard, bool rgb) {
    const int height = platform::dvHeight(standard);
    const bool pal = standard == DvStandard::Pal;
    std::vector<Picture> pictures;
    std::uint32_t noise = 1;
    for (int frame = 0; frame < kDistinctPictures; ++frame) {
        Picture picture;
        if (rgb) {
            picture.layout = platform::DvPixelLayout::Rgb24;
            picture.strides[0] = platform::kDvWidth * 3;
            picture.planes[0].resize(static_cast<std::size_t>(picture.strides[0] * height));
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < platform::kDvWidth * 3; ++x) {
                    picture.planes[0][static_cast<std::size_t>(y * picture.strides[0] + x)] =
                        sampleAt(x / 3, y, frame, x % 3, noise);
                }
            }
        } else {
            picture.layout = platform::dvNativeLayout(standard);
            const int chroma_width = pal ? platform::kDvWidth / 2 : platform::kDvWidth / 4;
            const int chroma_height = pal ? height / 2 : height;
            const int widths[3] = {platform::kDvWidth, chroma_width, chroma_width};
            const int heights[3] = {height, chroma_height, chroma_height};
            for (int plane = 0; plane < 3; ++plane) {
                picture.strides[plane] = widths[plane];
                picture.planes[plane].resize(
                    static_cast<std::size_t>(widths[plane] * heights[plane]));
                for (int y = 0; y < heights[plane]; ++y) {
                    for (int x = 0; x < widths[plane]; ++x) {
                        picture.planes[plane][static_cast<std::size_t>(y * widths[plane] + x)] =
                            sampleAt(x, y, frame, plane, noise);
                    }
                }
            }
        }
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

std::vector<std::int16_t> makeSound(int sample_frames) {
    std::vector<std::int16_t> sound(static_cast<std::size_t>(sample_frames) * 2);
    for (int i = 0; i < sample_frames; ++i) {
        const auto value =
            static_cast<std::int16_t>(9000 * std::sin(2 * std::numbers::pi * 440.0 * i / 48000));
        sound[static_cast<std::size_t>(2 * i)] = value;
        sound[static_cast<std::size_t>(2 * i + 1)] = value;
    }
    return sound;
}

// Frames per second of the platform's encoder + multiplexer, or 0 on failure.
double platformRate(DvStandard standard, const std::vector<Picture>& pictures,
                    const std::vector<std::int16_t>& sound, int threads) {
    QString error;
    auto encoder = platform::DvVideoEncoder::create(standard, &error, threads);
    auto muxer =
        platform::DvMuxer::create({standard, platform::DvAudioFormat{48000, 2}, {}, {}}, &error);
    if (!encoder || !muxer) {
        std::fprintf(stderr, "bench-dv: %s\n", qPrintable(error));
        return 0.0;
    }
    std::vector<std::uint8_t> video(platform::dvFrameBytes(standard));
    std::vector<std::uint8_t> frame(platform::dvFrameBytes(standard));
    std::size_t sound_read = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kFrames; ++i) {
        const auto samples = static_cast<std::size_t>(muxer->samplesForNextFrame());
        if (!muxer->pushAudio(sound.data() + sound_read * 2, samples, &error) ||
            !encoder->encode(pictures[static_cast<std::size_t>(i % kDistinctPictures)].view(),
                             video, &error) ||
            !muxer->muxFrame(video, frame, &error)) {
            std::fprintf(stderr, "bench-dv: %s\n", qPrintable(error));
            return 0.0;
        }
        sound_read += samples;
    }
    return kFrames * 1000.0 / std::max<qint64>(timer.elapsed(), 1);
}

// Frames per second of `ffmpeg` transcoding the same frames and sound, or 0 on failure.
double ffmpegRate(DvStandard standard, const std::vector<Picture>& pictures,
                  const std::vector<std::int16_t>& sound, const QDir& dir, int threads) {
    const QString video_path = dir.filePath(QStringLiteral("frames.yuv"));
    const QString sound_path = dir.filePath(QStringLiteral("sound.pcm"));
    QFile video_file(video_path);
    QFile sound_file(sound_path);
    if (!video_file.open(QIODevice::WriteOnly) || !sound_file.open(QIODevice::WriteOnly)) {
        return 0.0;
    }
    for (int i = 0; i < kFrames; ++i) {
        for (const auto& plane : pictures[static_cast<std::size_t>(i % kDistinctPictures)].planes) {
            video_file.write(reinterpret_cast<const char*>(plane.data()),
                             static_cast<qint64>(plane.size()));
        }
    }
    sound_file.write(reinterpret_cast<const char*>(sound.data()),
                     static_cast<qint64>(sound.size() * sizeof(std::int16_t)));
    video_file.close();
    sound_file.close();
    const bool pal = standard == DvStandard::Pal;
    const QStringList arguments{"-v",
                                "error",
                                "-y",
                                "-f",
                                "rawvideo",
                                "-pix_fmt",
                                pal ? "yuv420p" : "yuv411p",
                                "-s",
                                pal ? "720x576" : "720x480",
                                "-r",
                                pal ? "25" : "30000/1001",
                                "-i",
                                video_path,
                                "-f",
                                "s16le",
                                "-ar",
                                "48000",
                                "-ac",
                                "2",
                                "-i",
                                sound_path,
                                "-c:v",
                                "dvvideo",
                                "-threads",
                                QString::number(threads),
                                "-c:a",
                                "pcm_s16le",
                                "-shortest",
                                "-f",
                                "dv",
                                dir.filePath("out.dv")};
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("ffmpeg"), arguments);
    if (!process.waitForFinished(300000) || process.exitCode() != 0) {
        std::fprintf(stderr, "bench-dv: ffmpeg failed: %s\n",
                     process.readAllStandardError().constData());
        return 0.0;
    }
    return kFrames * 1000.0 / std::max<qint64>(timer.elapsed(), 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("DV encode + mux, %d frames with 48 kHz stereo sound, best of %d runs\n", kFrames,
                kRuns);
    for (const DvStandard standard : {DvStandard::Pal, DvStandard::Ntsc}) {
        const char* name = standard == DvStandard::Pal ? "PAL " : "NTSC";
        const auto yuv = makePictures(standard, false);
        const auto rgb = makePictures(standard, true);
        const auto sound = makeSound(kFrames * 1920 + 48000);
        for (const int threads : {1, 2}) {
            // Best of several runs each, interleaved, against the noise of a shared machine.
            double ours_yuv = 0.0;
            double ours_rgb = 0.0;
            double reference = 0.0;
            for (int run = 0; run < kRuns; ++run) {
                ours_yuv = std::max(ours_yuv, platformRate(standard, yuv, sound, threads));
                ours_rgb = std::max(ours_rgb, platformRate(standard, rgb, sound, threads));
                reference = std::max(reference,
                                     ffmpegRate(standard, yuv, sound, QDir(dir.path()), threads));
            }
            std::printf("%s %d thread(s): platform YUV %6.1f fps, RGB24 %6.1f fps; ffmpeg CLI YUV "
                        "%6.1f fps; ratio YUV %.2f\n",
                        name, threads, ours_yuv, ours_rgb, reference,
                        reference > 0 ? ours_yuv / reference : 0.0);
        }
    }
    return 0;
}

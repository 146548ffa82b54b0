#include "tests/platform/filters/dv_test_support.h"

#include "platform/editing/ffmpeg_ptr.h"
#include "platform/filters/dv_video_encoder.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace dvtest {

using platform::DvPixelLayout;
using platform::DvStandard;

platform::DvPicture TestPicture::view() const {
    platform::DvPicture picture;
    picture.layout = layout;
    for (int plane = 0; plane < 3; ++plane) {
        const auto index = static_cast<std::size_t>(plane);
        if (planes[plane].empty()) {
            continue;
        }
        const std::uint8_t* data = planes[plane].data();
        int stride = strides[plane];
        if (bottom_up) {
            data += static_cast<std::size_t>(stride) * static_cast<std::size_t>(height - 1);
            stride = -stride;
        }
        picture.planes[index] = data;
        picture.strides_bytes[index] = stride;
    }
    return picture;
}

namespace {

// Smooth, slightly detailed content that DV reproduces well.
int pattern(int x, int y, int seed, int channel) {
    const double value = 128 + 90 * std::sin((x + 7 * seed) * 0.02 + channel) *
                                   std::cos((y + 3 * seed) * 0.015 - channel);
    return static_cast<int>(std::lround(value));
}

std::uint8_t clampByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

} // namespace

TestPicture rgbPicture(DvStandard standard, int seed, bool bgr_bottom_up) {
    TestPicture picture{bgr_bottom_up ? DvPixelLayout::Bgr24 : DvPixelLayout::Rgb24,
                        platform::dvHeight(standard)};
    picture.bottom_up = bgr_bottom_up;
    picture.strides[0] = platform::kDvWidth * 3;
    picture.planes[0].resize(static_cast<std::size_t>(picture.strides[0] * picture.height));
    for (int y = 0; y < picture.height; ++y) {
        // Bottom-up storage keeps the top row of the picture last in memory.
        const int row = bgr_bottom_up ? picture.height - 1 - y : y;
        for (int x = 0; x < platform::kDvWidth; ++x) {
            std::uint8_t* pixel =
                &picture.planes[0][static_cast<std::size_t>(row * picture.strides[0] + x * 3)];
            const std::uint8_t r = clampByte(pattern(x, y, seed, 0));
            const std::uint8_t g = clampByte(pattern(x, y, seed, 1));
            const std::uint8_t b = clampByte(pattern(x, y, seed, 2));
            pixel[0] = bgr_bottom_up ? b : r;
            pixel[1] = g;
            pixel[2] = bgr_bottom_up ? r : b;
        }
    }
    return picture;
}

std::vector<std::uint8_t> expectedLuma(const TestPicture& rgb) {
    std::vector<std::uint8_t> luma(static_cast<std::size_t>(platform::kDvWidth * rgb.height));
    const platform::DvPicture view = rgb.view();
    const bool bgr = rgb.layout == DvPixelLayout::Bgr24;
    for (int y = 0; y < rgb.height; ++y) {
        const std::uint8_t* row =
            view.planes[0] + static_cast<std::ptrdiff_t>(y) * view.strides_bytes[0];
        for (int x = 0; x < platform::kDvWidth; ++x) {
            const double r = row[x * 3 + (bgr ? 2 : 0)];
            const double g = row[x * 3 + 1];
            const double b = row[x * 3 + (bgr ? 0 : 2)];
            luma[static_cast<std::size_t>(y * platform::kDvWidth + x)] =
                clampByte(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0);
        }
    }
    return luma;
}

TestPicture yuvPicture(DvStandard standard, int seed) {
    const bool pal = standard == DvStandard::Pal;
    TestPicture picture{platform::dvNativeLayout(standard), platform::dvHeight(standard)};
    const int chroma_width = pal ? platform::kDvWidth / 2 : platform::kDvWidth / 4;
    const int chroma_height = pal ? picture.height / 2 : picture.height;
    picture.strides[0] = platform::kDvWidth;
    picture.strides[1] = chroma_width;
    picture.strides[2] = chroma_width;
    picture.planes[0].resize(static_cast<std::size_t>(platform::kDvWidth * picture.height));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < platform::kDvWidth; ++x) {
            picture.planes[0][static_cast<std::size_t>(y * platform::kDvWidth + x)] =
                clampByte(16 + pattern(x, y, seed, 0) * 219 / 255);
        }
    }
    for (int plane = 1; plane < 3; ++plane) {
        picture.planes[plane].resize(static_cast<std::size_t>(chroma_width * chroma_height));
        for (int y = 0; y < chroma_height; ++y) {
            for (int x = 0; x < chroma_width; ++x) {
                picture.planes[plane][static_cast<std::size_t>(y * chroma_width + x)] =
                    clampByte(16 + pattern(x * 2, y * 2, seed, plane) * 224 / 255);
            }
        }
    }
    return picture;
}

std::vector<std::uint8_t> encodeFrame(DvStandard standard, int seed) {
    QString error;
    auto encoder = platform::DvVideoEncoder::create(standard, &error);
    EXPECT_NE(encoder, nullptr) << error.toStdString();
    std::vector<std::uint8_t> frame(platform::dvFrameBytes(standard));
    if (encoder) {
        EXPECT_TRUE(encoder->encode(yuvPicture(standard, seed).view(), frame, &error))
            << error.toStdString();
    }
    return frame;
}

DecodedVideo decodeVideo(const std::vector<std::uint8_t>& frame) {
    DecodedVideo decoded;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    platform::ffmpeg::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        ADD_FAILURE() << "cannot open the DV decoder";
        return decoded;
    }
    platform::ffmpeg::PacketPtr packet(av_packet_alloc());
    platform::ffmpeg::FramePtr picture(av_frame_alloc());
    if (av_new_packet(packet.get(), static_cast<int>(frame.size())) < 0) {
        ADD_FAILURE() << "out of memory";
        return decoded;
    }
    std::copy(frame.begin(), frame.end(), packet->data);
    if (avcodec_send_packet(context.get(), packet.get()) < 0 ||
        avcodec_receive_frame(context.get(), picture.get()) < 0) {
        ADD_FAILURE() << "the DV frame does not decode";
        return decoded;
    }
    decoded.width = picture->width;
    decoded.height = picture->height;
    decoded.pixel_format = picture->format;
    decoded.interlaced = picture->interlaced_frame != 0;
    decoded.top_field_first = picture->top_field_first != 0;
    const AVRational sar =
        picture->sample_aspect_ratio.num == 0 ? AVRational{1, 1} : picture->sample_aspect_ratio;
    decoded.display_aspect = av_q2d(sar) * picture->width / picture->height;
    decoded.luma.resize(static_cast<std::size_t>(picture->width * picture->height));
    for (int y = 0; y < picture->height; ++y) {
        std::copy_n(picture->data[0] + static_cast<std::ptrdiff_t>(y) * picture->linesize[0],
                    picture->width, decoded.luma.begin() + y * picture->width);
    }
    const bool pal = picture->format == AV_PIX_FMT_YUV420P;
    decoded.chroma_width = pal ? picture->width / 2 : picture->width / 4;
    const int chroma_height = pal ? picture->height / 2 : picture->height;
    decoded.cr.resize(static_cast<std::size_t>(decoded.chroma_width * chroma_height));
    for (int y = 0; y < chroma_height; ++y) {
        std::copy_n(picture->data[2] + static_cast<std::ptrdiff_t>(y) * picture->linesize[2],
                    decoded.chroma_width, decoded.cr.begin() + y * decoded.chroma_width);
    }
    return decoded;
}

DemuxedStream demuxFile(const QString& path) {
    DemuxedStream stream;
    AVFormatContext* raw = nullptr;
    const QByteArray name = path.toLocal8Bit();
    if (avformat_open_input(&raw, name.constData(), av_find_input_format("dv"), nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << name.constData();
        return stream;
    }
    platform::ffmpeg::InputFormatPtr input(raw);
    platform::ffmpeg::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const AVStream* st = input->streams[packet->stream_index];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++stream.video_frames;
        } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            stream.sample_rate_hz = st->codecpar->sample_rate;
            stream.channels = st->codecpar->ch_layout.nb_channels;
            const auto* samples = reinterpret_cast<const std::int16_t*>(packet->data);
            const int count = packet->size / 2;
            stream.samples_per_frame.push_back(count / std::max(stream.channels, 1));
            stream.interleaved.insert(stream.interleaved.end(), samples, samples + count);
        }
        av_packet_unref(packet.get());
    }
    return stream;
}

double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.size());
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::vector<std::int16_t> tone(double frequency_hz, int sample_rate_hz, int channels,
                               std::size_t sample_frames, double level) {
    std::vector<std::int16_t> samples(sample_frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < sample_frames; ++i) {
        const double value = level * 32767.0 *
                             std::sin(2.0 * std::numbers::pi * frequency_hz *
                                      static_cast<double>(i) / sample_rate_hz);
        for (int c = 0; c < channels; ++c) {
            samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                static_cast<std::int16_t>(std::lround(value));
        }
    }
    return samples;
}

std::vector<std::int16_t> noise(std::size_t sample_frames, int channels, std::uint32_t seed) {
    std::vector<std::int16_t> samples(sample_frames * static_cast<std::size_t>(channels));
    std::uint32_t state = seed * 2654435761u + 1u;
    for (auto& sample : samples) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<std::int16_t>(state >> 16);
    }
    // Full negative scale is kept: DV cannot carry it, the multiplexer must handle it.
    return samples;
}

std::vector<std::int16_t> asCarriedByDv(std::vector<std::int16_t> samples) {
    std::replace(samples.begin(), samples.end(), std::int16_t{-32768}, std::int16_t{-32767});
    return samples;
}

} // namespace dvtest

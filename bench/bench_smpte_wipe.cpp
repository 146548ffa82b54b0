// Speed of the SMPTE wipe: building the threshold map once per transition, and blending PAL
// frames (720 x 576) per frame, compared with a plain copy and a uniform cross-fade of the same
// frames measured in the same run.

#include "platform/editing/smpte_wipe.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr int kFramesPerCase = 200;

using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> noise(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

// Milliseconds per call of `work(index)` over `count` calls.
double msPerCall(int count, const std::function<void(int)>& work) {
    const auto start = Clock::now();
    for (int n = 0; n < count; ++n) {
        work(n);
    }
    const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
    return elapsed.count() / count;
}

// Progress values spread over the transition, as the frames of one wipe see them.
double progressOf(int frame) {
    return (frame % kFramesPerCase + 0.5) / kFramesPerCase;
}

// Cross-fade with one weight for the whole frame: the same arithmetic per byte as the wipe.
void crossFade(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
               std::size_t count, std::uint32_t weight) {
    const std::uint32_t keep = 256 - weight;
    for (std::size_t n = 0; n < count; ++n) {
        out[n] = static_cast<std::uint8_t>((from[n] * keep + to[n] * weight + 128) >> 8);
    }
}

std::uint64_t checksum(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t sum = 0;
    for (std::size_t n = 0; n < bytes.size(); n += 61) {
        sum += bytes[n];
    }
    return sum;
}

} // namespace

int main() {
    const std::size_t rgb_bytes = std::size_t{kWidth} * kHeight * 3;
    const std::size_t yuv_bytes = std::size_t{kWidth} * kHeight * 3 / 2;
    const auto from_rgb = noise(rgb_bytes, 1);
    const auto to_rgb = noise(rgb_bytes, 2);
    std::vector<std::uint8_t> out_rgb(rgb_bytes);
    const auto from_yuv = noise(yuv_bytes, 3);
    const auto to_yuv = noise(yuv_bytes, 4);
    std::vector<std::uint8_t> out_yuv(yuv_bytes);
    std::uint64_t sink = 0;

    const double copy_rgb_ms = msPerCall(kFramesPerCase, [&](int) {
        std::memcpy(out_rgb.data(), to_rgb.data(), rgb_bytes);
        sink += out_rgb[static_cast<std::size_t>(sink % rgb_bytes)];
    });
    const double fade_rgb_ms = msPerCall(kFramesPerCase, [&](int n) {
        const auto weight = static_cast<std::uint32_t>(progressOf(n) * 256.0);
        crossFade(from_rgb.data(), to_rgb.data(), out_rgb.data(), rgb_bytes, weight);
        sink += checksum(out_rgb);
    });
    const double fade_yuv_ms = msPerCall(kFramesPerCase, [&](int n) {
        const auto weight = static_cast<std::uint32_t>(progressOf(n) * 256.0);
        crossFade(from_yuv.data(), to_yuv.data(), out_yuv.data(), yuv_bytes, weight);
        sink += checksum(out_yuv);
    });
    std::printf("Reference, %dx%d: memcpy RGB24 %.3f ms, cross-fade RGB24 %.3f ms, "
                "cross-fade YUV 4:2:0 %.3f ms per frame\n\n",
                kWidth, kHeight, copy_rgb_ms, fade_rgb_ms, fade_yuv_ms);

    std::printf("%5s %9s %10s %12s %9s %12s %9s\n", "code", "softness", "build ms", "RGB24 ms",
                "x fade", "YUV420 ms", "x fade");
    const platform::ConstImagePlane from_plane{from_rgb.data(), kWidth * 3};
    const platform::ConstImagePlane to_plane{to_rgb.data(), kWidth * 3};
    const platform::ImagePlane out_plane{out_rgb.data(), kWidth * 3};
    const std::size_t luma = std::size_t{kWidth} * kHeight;
    const std::size_t chroma = luma / 4;
    const auto yuvView = [&](const std::vector<std::uint8_t>& frame) {
        return platform::ConstYuvPlanes{{frame.data(), kWidth},
                                        {frame.data() + luma, kWidth / 2},
                                        {frame.data() + luma + chroma, kWidth / 2}};
    };
    const platform::YuvPlanes out_yuv_planes{{out_yuv.data(), kWidth},
                                             {out_yuv.data() + luma, kWidth / 2},
                                             {out_yuv.data() + luma + chroma, kWidth / 2}};

    for (const int code : {1, 119, 129, 201, 245, 310, 409}) {
        for (const int softness : {0, 100}) {
            constexpr int kBuilds = 5;
            const double build_ms = msPerCall(kBuilds, [&](int) {
                const platform::SmpteWipe wipe(code, softness, kWidth, kHeight);
                sink += static_cast<std::uint64_t>(wipe.softness() * 1000.0);
            });
            const platform::SmpteWipe wipe(code, softness, kWidth, kHeight);
            const double rgb_ms = msPerCall(kFramesPerCase, [&](int n) {
                wipe.blendRgb24(progressOf(n), from_plane, to_plane, out_plane);
                sink += checksum(out_rgb);
            });
            const double yuv_ms = msPerCall(kFramesPerCase, [&](int n) {
                wipe.blendYuv(progressOf(n), platform::ChromaSubsampling::Yuv420, yuvView(from_yuv),
                              yuvView(to_yuv), out_yuv_planes);
                sink += checksum(out_yuv);
            });
            std::printf("%5d %9d %10.2f %12.3f %9.2f %12.3f %9.2f\n", code, softness, build_ms,
                        rgb_ms, rgb_ms / fade_rgb_ms, yuv_ms, yuv_ms / fade_yuv_ms);
        }
    }
    std::printf("\n(checksum %llu)\n", static_cast<unsigned long long>(sink));
    return 0;
}

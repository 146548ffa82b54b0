// The DV encode queue: several pictures encoded at once, frames handed back in order.
#include "platform/filters/dv_encode_queue.h"
#include "platform/filters/dv_video_encoder.h"
#include "tests/platform/filters/dv_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace {

using namespace platform;

constexpr DvInputFormat kPalPlanar{DvStandard::Pal, DvInputKind::I420};

// An encoder that writes the picture's first luma value into every byte of the frame, and
// counts its calls.
class MarkingEncoder final : public DvEncoder {
public:
    explicit MarkingEncoder(std::atomic<int>& calls) : calls_(calls) {}
    DvStandard standard() const override { return DvStandard::Pal; }
    bool encode(const DvPicture& picture, std::span<std::uint8_t> frame, QString*) override {
        ++calls_;
        std::memset(frame.data(), picture.planes[0][0], frame.size());
        return true;
    }

private:
    std::atomic<int>& calls_;
};

std::shared_ptr<IMediaSample> picture(std::uint8_t value) {
    auto sample =
        makeMediaSample(static_cast<long>(dvInputSampleBytes(DvStandard::Pal, DvInputKind::I420)));
    std::memset(sample->GetPointer(), value, static_cast<std::size_t>(sample->GetSize()));
    return sample;
}

TEST(DvEncodeQueue, FramesComeBackInOrderAndRepeatsAreNotEncodedAgain) {
    std::atomic<int> calls{0};
    DvEncodeQueue queue(
        [&](DvStandard, QString*) { return std::make_unique<MarkingEncoder>(calls); }, 3);
    const std::vector<std::uint8_t> values = {1, 2, 3, 3, 3, 4, 5, 6, 6, 7, 8, 9, 10, 11, 2};
    std::vector<std::uint8_t> frame(dvFrameBytes(DvStandard::Pal));
    std::size_t next = 0;
    // Keep up to five pictures in flight, as a render does that runs ahead.
    for (const std::uint8_t value : values) {
        queue.push(picture(value), kPalPlanar);
        if (queue.pending() == 5) {
            QString error;
            ASSERT_TRUE(queue.pop(frame, nullptr, &error)) << error.toStdString();
            EXPECT_EQ(frame.front(), values[next]);
            EXPECT_EQ(frame.back(), values[next]);
            ++next;
        }
    }
    while (queue.pending() > 0) {
        QString error;
        ASSERT_TRUE(queue.pop(frame, nullptr, &error)) << error.toStdString();
        EXPECT_EQ(frame.front(), values[next++]);
    }
    EXPECT_EQ(next, values.size());
    EXPECT_EQ(calls.load(), 12);
    EXPECT_EQ(queue.framesEncoded(), 12u);
    EXPECT_EQ(queue.framesReused(), 3u);
}

TEST(DvEncodeQueue, FailuresAreReportedAndClearStartsAfresh) {
    std::atomic<int> calls{0};
    DvEncodeQueue queue(
        [&](DvStandard, QString*) { return std::make_unique<MarkingEncoder>(calls); }, 2);
    std::vector<std::uint8_t> frame(dvFrameBytes(DvStandard::Pal));
    QString error;
    auto shortPicture = makeMediaSample(100);
    queue.push(shortPicture, kPalPlanar);
    EXPECT_FALSE(queue.pop(frame, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());

    queue.push(picture(7), kPalPlanar);
    queue.push(picture(8), kPalPlanar);
    queue.clear();
    EXPECT_EQ(queue.pending(), 0u);
    // After a clear, an equal picture is not taken for a repeat of one that was dropped.
    queue.push(picture(8), kPalPlanar);
    ASSERT_TRUE(queue.pop(frame, nullptr, &error)) << error.toStdString();
    EXPECT_EQ(frame.front(), 8);
    EXPECT_FALSE(queue.pop(frame, nullptr, &error)) << "nothing is queued";
}

TEST(DvEncodeQueue, EncodingAtOnceReusesARepeatedPictureAndWaitsForNoQueue) {
    std::atomic<int> calls{0};
    DvEncodeQueue queue(
        [&](DvStandard, QString*) { return std::make_unique<MarkingEncoder>(calls); }, 2);
    std::vector<std::uint8_t> frame(dvFrameBytes(DvStandard::Pal));
    QString error;
    for (const std::uint8_t value : {5, 5, 6, 5}) {
        ASSERT_TRUE(queue.encodeNow(picture(value), kPalPlanar, frame, &error))
            << error.toStdString();
        EXPECT_EQ(frame.front(), value);
    }
    EXPECT_EQ(calls.load(), 3);
    EXPECT_EQ(queue.framesReused(), 1u);
    // Not while pictures wait in the queue: their order would be lost.
    queue.push(picture(9), kPalPlanar);
    EXPECT_FALSE(queue.encodeNow(picture(9), kPalPlanar, frame, &error));
}

TEST(DvEncodeQueue, RealEncodersInParallelGiveTheFramesOfOneEncoder) {
    DvEncodeQueue queue(
        [](DvStandard standard, QString* error) -> std::unique_ptr<DvEncoder> {
            return DvVideoEncoder::create(standard, error, 1);
        },
        2);
    for (int seed = 0; seed < 4; ++seed) {
        const dvtest::TestPicture yuv = dvtest::yuvPicture(DvStandard::Pal, seed);
        auto sample = makeMediaSample(
            static_cast<long>(dvInputSampleBytes(DvStandard::Pal, DvInputKind::I420)));
        std::uint8_t* out = sample->GetPointer();
        for (int plane = 0; plane < 3; ++plane) {
            std::memcpy(out, yuv.planes[plane].data(), yuv.planes[plane].size());
            out += yuv.planes[plane].size();
        }
        queue.push(sample, kPalPlanar);
    }
    std::vector<std::uint8_t> frame(dvFrameBytes(DvStandard::Pal));
    for (int seed = 0; seed < 4; ++seed) {
        QString error;
        ASSERT_TRUE(queue.pop(frame, nullptr, &error)) << error.toStdString();
        EXPECT_EQ(frame, dvtest::encodeFrame(DvStandard::Pal, seed)) << seed;
    }
}

} // namespace

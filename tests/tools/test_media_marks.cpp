// Frame marks and clip tones: drawn or generated, passed through DV, and read back.

#include "tests/tools/media_probe.h"
#include "tools/make-test-media/frame_mark.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace {

using testmedia::FrameMark;

QImage markedPicture(QSize size, const QColor& background, FrameMark mark) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(background);
    testmedia::drawFrameMark(picture, mark);
    return picture;
}

// A black PAL frame with the picture scaled into area.
QImage placedInPalFrame(const QImage& picture, QRect area) {
    QImage frame(720, 576, QImage::Format_RGB32);
    frame.fill(Qt::black);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area, picture);
    return frame;
}

TEST(FrameMark, SurvivesDvCompressionForAllFieldValues) {
    const FrameMark marks[] = {{1, 0}, {5, 49}, {9, 4095}, {15, 2730}, {14, 25}, {0, 1}};
    for (const FrameMark& mark : marks) {
        const QImage decoded =
            mediatest::dvRoundTrip(markedPicture({720, 576}, QColor(0, 110, 120), mark));
        const auto read = testmedia::readFrameMark(decoded, QRect(0, 0, 720, 576));
        ASSERT_TRUE(read.has_value()) << mark.clipId << "/" << mark.frameNumber;
        EXPECT_EQ(*read, mark);
    }
}

TEST(FrameMark, SurvivesScalingIntoAnAreaOfTheDvFrame) {
    struct Placement {
        const char* name;
        QSize source;
        QRect area;
    };
    const Placement placements[] = {
        {"1080p letterboxed", {1920, 1080}, QRect(0, 72, 720, 432)},
        {"QVGA stretched to the frame", {320, 240}, QRect(0, 0, 720, 576)},
        {"tall picture pillarboxed", {480, 640}, QRect(144, 0, 432, 576)},
        {"NTSC picture in PAL", {720, 480}, QRect(0, 0, 720, 576)},
        {"small picture centred", {160, 120}, QRect(280, 228, 160, 120)},
    };
    const FrameMark mark{7, 1234};
    for (const Placement& placement : placements) {
        const QImage frame = placedInPalFrame(
            markedPicture(placement.source, QColor(200, 60, 60), mark), placement.area);
        const auto read = testmedia::readFrameMark(mediatest::dvRoundTrip(frame), placement.area);
        ASSERT_TRUE(read.has_value()) << placement.name;
        EXPECT_EQ(*read, mark) << placement.name;
    }
}

TEST(FrameMark, GivesNothingWithoutAWellFormedMark) {
    QImage plain(720, 576, QImage::Format_RGB32);
    for (const QColor& colour : {QColor(Qt::black), QColor(Qt::white), QColor(0, 110, 120)}) {
        plain.fill(colour);
        EXPECT_FALSE(testmedia::readFrameMark(plain, plain.rect()).has_value());
    }

    // One data cell inverted: the parity no longer matches.
    QImage corrupted = markedPicture({720, 576}, Qt::gray, FrameMark{3, 100});
    const QRect band = testmedia::frameMarkBand(corrupted.rect());
    const int cellWidth = band.width() / testmedia::kFrameMarkCells;
    const QRect cell(band.left() + 10 * cellWidth, band.top(), cellWidth, band.height());
    const bool wasWhite = qGray(corrupted.pixel(cell.center())) > 128;
    QPainter(&corrupted).fillRect(cell, wasWhite ? Qt::black : Qt::white);
    EXPECT_FALSE(testmedia::readFrameMark(corrupted, corrupted.rect()).has_value());

    // The right picture read with the wrong area.
    const QImage marked = markedPicture({720, 576}, Qt::gray, FrameMark{3, 100});
    EXPECT_FALSE(testmedia::readFrameMark(marked, QRect(0, 0, 720, 288)).has_value());
    EXPECT_FALSE(testmedia::readFrameMark(marked, QRect(0, 0, 10, 10)).has_value());
    EXPECT_FALSE(testmedia::readFrameMark(QImage(), QRect(0, 0, 720, 576)).has_value());
}

TEST(FrameMark, RefusesValuesThatDoNotFit) {
    QImage picture(320, 240, QImage::Format_RGB32);
    EXPECT_THROW(testmedia::drawFrameMark(picture, {16, 0}), std::out_of_range);
    EXPECT_THROW(testmedia::drawFrameMark(picture, {-1, 0}), std::out_of_range);
    EXPECT_THROW(testmedia::drawFrameMark(picture, {1, 4096}), std::out_of_range);
}

std::vector<int16_t> clipSamples(int clipId, int sampleRate, double start_s, int count) {
    std::vector<int16_t> samples;
    for (int index = 0; index < count; ++index) {
        const double value = testmedia::toneSample(clipId, start_s + double(index) / sampleRate);
        samples.push_back(static_cast<int16_t>(value * 32767.0));
    }
    return samples;
}

TEST(ToneMark, TellsEveryClipToneApartAtCommonRates) {
    for (const int sampleRate : {32000, 44100, 48000}) {
        for (int clipId = 1; clipId <= testmedia::kMaxClipId; ++clipId) {
            const auto samples = clipSamples(clipId, sampleRate, 0.3, sampleRate / 20);
            EXPECT_EQ(testmedia::identifyTone(samples.data(), int(samples.size()), sampleRate),
                      clipId)
                << "clip " << clipId << " at " << sampleRate << " Hz";
        }
    }
}

TEST(ToneMark, BeepStartsEverySecondAndIsNoClipTone) {
    const int sampleRate = 48000;
    const int beepSamples = sampleRate * testmedia::kBeepDurationMs / 1000;
    for (const double second_s : {0.0, 1.0, 2.0}) {
        const auto beep = clipSamples(4, sampleRate, second_s, beepSamples);
        EXPECT_TRUE(testmedia::isBeep(beep.data(), int(beep.size()), sampleRate)) << second_s;
        EXPECT_FALSE(testmedia::identifyTone(beep.data(), int(beep.size()), sampleRate));
        const auto tone = clipSamples(4, sampleRate, second_s + 0.1, beepSamples);
        EXPECT_FALSE(testmedia::isBeep(tone.data(), int(tone.size()), sampleRate)) << second_s;
    }
}

TEST(ToneMark, GivesNothingForSilenceOrMixedTones) {
    const std::vector<int16_t> silence(4096, 0);
    EXPECT_FALSE(testmedia::identifyTone(silence.data(), 4096, 48000));
    EXPECT_FALSE(testmedia::isBeep(silence.data(), 4096, 48000));
    EXPECT_FALSE(testmedia::identifyTone(nullptr, 0, 48000));

    auto mixed = clipSamples(2, 48000, 0.3, 4096);
    const auto other = clipSamples(6, 48000, 0.3, 4096);
    for (size_t index = 0; index < mixed.size(); ++index) {
        mixed[index] = static_cast<int16_t>(mixed[index] / 2 + other[index] / 2);
    }
    EXPECT_FALSE(testmedia::identifyTone(mixed.data(), int(mixed.size()), 48000));
}

} // namespace

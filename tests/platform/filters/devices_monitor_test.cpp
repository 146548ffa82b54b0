#include "platform/filters/dv_monitor.h"
#include "platform/filters/dv_monitor_decoder.h"
#include "platform/filters/dv_monitor_window.h"
#include "platform/filters/property_pages_registration.h"
#include "tests/platform/filters/devices_test_support.h"
#include "tests/platform/streaming/graph_fixture.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using namespace platform;
using devicestest::BufferSource;
using devicestest::Frames;

// Processes the user-interface events until `condition` holds (10 s safety limit).
template <typename Condition> bool processUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(DvMonitorDecoderTest, DecodesThePictureAt4By3AndTheSoundBitExact) {
    for (const DvStandard standard : {DvStandard::Pal, DvStandard::Ntsc}) {
        std::vector<std::int16_t> pcm;
        const Frames frames = devicestest::makeDvFrames(standard, 2, &pcm);
        DvMonitorDecoder decoder;
        std::vector<std::int16_t> sound;
        for (const auto& frame : frames) {
            DvMonitorPicture picture;
            QString error;
            ASSERT_TRUE(decoder.decode(frame, &picture, &error)) << error.toStdString();
            EXPECT_EQ(picture.image.size(),
                      QSize(standard == DvStandard::Pal ? 768 : 640, dvHeight(standard)));
            EXPECT_EQ(picture.sample_rate_hz, 48000);
            EXPECT_EQ(picture.channels, 2);
            const auto* samples = reinterpret_cast<const std::int16_t*>(picture.pcm.constData());
            sound.insert(sound.end(), samples,
                         samples +
                             picture.pcm.size() / static_cast<qsizetype>(sizeof(std::int16_t)));
        }
        EXPECT_TRUE(sound == pcm);
    }
    DvMonitorDecoder decoder;
    DvMonitorPicture picture;
    QString error;
    const std::vector<std::uint8_t> truncated(1000, 0x1F);
    EXPECT_FALSE(decoder.decode(truncated, &picture, &error));
    EXPECT_FALSE(error.isEmpty());
}

class DvMonitorTest : public streamingtest::GraphTest {};

TEST_F(DvMonitorTest, ShowsTheNewestFrameAndCountsLateAndRepeatedFrames) {
    const REFERENCE_TIME frame_time = dvFrameDuration100ns(DvStandard::Pal);
    const Frames frames = devicestest::makeDvFrames(DvStandard::Pal, 6);
    const auto clock = useManualClock();
    const auto source = add(std::make_shared<BufferSource>(
                                devicestest::dvFrameType(DvStandard::Pal), frames, frame_time),
                            QStringLiteral("Source"));
    const auto monitor = add(std::make_shared<DvMonitorFilter>(), QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, monitor), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(clock->waitForPendingAdvise(std::chrono::seconds(10)));
    ASSERT_TRUE(processUntil([&] { return monitor->window() != nullptr; }));
    EXPECT_TRUE(monitor->window()->isVisible());
    EXPECT_EQ(monitor->window()->windowTitle(), QStringLiteral("DV Monitor"));

    // Frame 1 comes two and a half frame times after its start, frame 2 one and a half: the
    // picture of frame 0 stood for three extra frame times.
    clock->Advance(frame_time * 7 / 2);
    ASSERT_TRUE(clock->waitForPendingAdvise(std::chrono::seconds(10)));
    EXPECT_EQ(monitor->samplesPresented(), 4U);
    EXPECT_EQ(monitor->lateFrames(), 2U);
    EXPECT_EQ(monitor->repeatedFrames(), 3U);

    // Frames 4 and 5 come on time.
    for (int frame = 4; frame <= 6; ++frame) {
        clock->Advance(frame == 4 ? frame_time / 2 : frame_time);
        if (frame < 6) {
            ASSERT_TRUE(clock->waitForPendingAdvise(std::chrono::seconds(10)));
        }
    }
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    DvMonitorDecoder decoder;
    DvMonitorPicture last;
    QString error;
    ASSERT_TRUE(decoder.decode(frames.back(), &last, &error));
    DvMonitorWindow* const window = monitor->window();
    ASSERT_TRUE(processUntil([&] { return window->picture() == last.image; }));
    EXPECT_EQ(window->countersText(), QStringLiteral("Late frames: 2    Repeated frames: 3"));
    // The same counts on the device's property page.
    PropertyPageRegistry pages;
    RegisterFilterPropertyPages(pages);
    const auto page = CreatePropertyFrame(nullptr, QStringLiteral("dvCam"), monitor, pages);
    ASSERT_TRUE(page);
    const auto text = [&](const char* name) {
        const auto* label = page->findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QString();
    };
    EXPECT_EQ(text("lbFramesDelivered"), QStringLiteral("6"));
    EXPECT_EQ(text("lbFramesLate"), QStringLiteral("2"));
    EXPECT_EQ(text("lbFramesRepeated"), QStringLiteral("3"));
    const QImage shown = window->grab().toImage();
    EXPECT_FALSE(shown.isNull());
    EXPECT_NE(shown.pixel(shown.width() / 2, shown.height() / 3), qRgb(0, 0, 0));
    ASSERT_EQ(control->Stop(), S_OK);
}

} // namespace

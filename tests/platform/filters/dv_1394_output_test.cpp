#include "platform/filters/dv_1394_output.h"
#include "platform/filters/dv_1394_simulated_bus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <thread>

namespace {

using platform::DvCamcorderOptions;
using platform::DvCamcorderOutput;
using platform::DvSimulatedBus;
using platform::DvStandard;

constexpr std::uint64_t kGuid = 0x0080'88ff'fe12'3456ULL;

// A frame whose bytes name it: the header byte carries the standard, the rest its number.
std::vector<std::uint8_t> taggedFrame(DvStandard standard, int number) {
    std::vector<std::uint8_t> frame(platform::dvFrameBytes(standard),
                                    static_cast<std::uint8_t>(number));
    frame[3] = standard == DvStandard::Pal ? 0x80 : 0x00;
    return frame;
}

class DvCamcorderTest : public ::testing::Test {
protected:
    void SetUp() override { bus->plug(kGuid, QStringLiteral("Maker DV-Cam 100")); }

    std::unique_ptr<DvCamcorderOutput> makeOutput(DvStandard standard,
                                                  std::size_t queue_frames = 8) {
        DvCamcorderOptions options;
        options.guid = kGuid;
        options.standard = standard;
        options.queue_frames = queue_frames;
        options.on_device_event = [this](int event) {
            const std::lock_guard lock(events_mutex);
            events.push_back(event);
        };
        QString error;
        auto output = DvCamcorderOutput::create(bus, options, &error);
        EXPECT_NE(output, nullptr) << error.toStdString();
        return output;
    }

    void pushFrames(DvCamcorderOutput& output, DvStandard standard, int first, int count) {
        QString error;
        for (int number = first; number < first + count; ++number) {
            ASSERT_TRUE(output.pushFrame(taggedFrame(standard, number), &error))
                << error.toStdString();
        }
    }

    // The frame numbers that went over the bus, one per whole frame.
    std::vector<int> receivedFrames(DvStandard standard) {
        const std::vector<std::uint8_t> bytes = bus->takeReceived();
        const std::size_t frame_bytes = platform::dvFrameBytes(standard);
        EXPECT_EQ(bytes.size() % frame_bytes, 0u);
        std::vector<int> numbers;
        for (std::size_t offset = 0; offset + frame_bytes <= bytes.size(); offset += frame_bytes) {
            const std::vector<std::uint8_t> frame(bytes.begin() + offset,
                                                  bytes.begin() + offset + frame_bytes);
            numbers.push_back(frame[100]);
            EXPECT_EQ(frame, taggedFrame(standard, frame[100]));
        }
        return numbers;
    }

    std::vector<int> takeEvents() {
        const std::lock_guard lock(events_mutex);
        return std::exchange(events, {});
    }

    std::shared_ptr<DvSimulatedBus> bus = std::make_shared<DvSimulatedBus>();
    std::mutex events_mutex;
    std::vector<int> events;
};

// PAL: 15 data packets in 16 cycles, 300 packets per frame; frames go out whole and in order.
TEST_F(DvCamcorderTest, PalFramesArePacedByTheBusCycle) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->pacing(), platform::DvSinkPacing::Device);
    pushFrames(*output, DvStandard::Pal, 1, 6);
    QString error;
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    EXPECT_EQ(output->channel(), 0);

    // 318 cycles hold 299 data packets (every 16th cycle is empty): no frame is complete yet.
    ASSERT_TRUE(bus->runCycles(318));
    EXPECT_EQ(output->framesOut(), 0u);
    ASSERT_TRUE(bus->runCycles(2));
    EXPECT_EQ(output->framesOut(), 1u);
    ASSERT_TRUE(bus->runCycles(320 * 4));
    EXPECT_EQ(output->framesOut(), 5u);
    // The sixth frame is taken with the next data packet.
    EXPECT_EQ(output->framesQueued(), 1u);
    EXPECT_EQ(receivedFrames(DvStandard::Pal), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(output->framesRepeated(), 0u);
    output->stop();
    EXPECT_FALSE(output->running());
}

// NTSC: 250 packets per frame, 1000 data packets in 1068 cycles (29.9625 frames/s).
TEST_F(DvCamcorderTest, NtscFramesArePacedByTheBusCycle) {
    auto output = makeOutput(DvStandard::Ntsc);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Ntsc, 1, 5);
    QString error;
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    ASSERT_TRUE(bus->runCycles(1068));
    EXPECT_EQ(output->framesOut(), 4u);
    EXPECT_EQ(bus->receivedBytes(), 1000u * platform::kDvPacketBytes);
    ASSERT_TRUE(bus->runDataPackets(250));
    EXPECT_EQ(receivedFrames(DvStandard::Ntsc), (std::vector<int>{1, 2, 3, 4, 5}));
}

// When the queue runs dry the last frame goes out again, counted, until new frames arrive.
TEST_F(DvCamcorderTest, UnderrunRepeatsTheLastFrameAndCountsIt) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 4);
    QString error;
    ASSERT_TRUE(output->start(&error));
    ASSERT_TRUE(bus->runDataPackets(300 * 6));
    EXPECT_EQ(output->framesRepeated(), 2u);
    EXPECT_EQ(output->framesOut(), 6u);
    pushFrames(*output, DvStandard::Pal, 9, 1);
    ASSERT_TRUE(bus->runDataPackets(300));
    EXPECT_EQ(receivedFrames(DvStandard::Pal), (std::vector<int>{1, 2, 3, 4, 4, 4, 9}));
    EXPECT_EQ(output->framesRepeated(), 2u);
}

TEST_F(DvCamcorderTest, AStartThatLosesTheRaceWithStopDoesNotTransmit) {
    auto output = makeOutput(DvStandard::Pal, 4);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 4);
    // Stop comes first (the graph stopping), the streaming thread's start second.
    output->stop();
    QString error;
    EXPECT_FALSE(output->start(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("stopped"))) << error.toStdString();
    EXPECT_FALSE(output->running());
    EXPECT_FALSE(bus->runDataPackets(1));
}

TEST_F(DvCamcorderTest, QueueLimitsAndStartConditions) {
    auto output = makeOutput(DvStandard::Pal, 4);
    ASSERT_NE(output, nullptr);
    QString error;
    pushFrames(*output, DvStandard::Pal, 1, 3);
    EXPECT_FALSE(output->start(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("4 frames")));
    pushFrames(*output, DvStandard::Pal, 4, 1);
    // Full: no room until the bus has taken a frame.
    error.clear();
    EXPECT_FALSE(output->tryPushFrame(taggedFrame(DvStandard::Pal, 5), &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_FALSE(output->pushFrame(taggedFrame(DvStandard::Ntsc, 5), &error));
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    ASSERT_TRUE(bus->runDataPackets(1));
    EXPECT_TRUE(output->tryPushFrame(taggedFrame(DvStandard::Pal, 5), &error));

    // A push waiting for room returns when the output stops.
    bool pushed = true;
    std::thread pusher([&] {
        QString push_error;
        pushed = output->pushFrame(taggedFrame(DvStandard::Pal, 6), &push_error);
    });
    output->stop();
    pusher.join();
    EXPECT_FALSE(pushed);
}

// A bus reset renumbers the nodes; the same GUID is found again and the stream goes on.
TEST_F(DvCamcorderTest, BusResetWithTheSameDeviceKeepsGoing) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 6);
    QString error;
    ASSERT_TRUE(output->start(&error));
    ASSERT_TRUE(bus->runDataPackets(450));
    std::vector<platform::Dv1394Node> before;
    ASSERT_TRUE(bus->scan(before, &error));
    bus->resetBus();
    std::vector<platform::Dv1394Node> after;
    ASSERT_TRUE(bus->scan(after, &error));
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(before[0].node_id, after[0].node_id);
    EXPECT_EQ(before[0].guid, after[0].guid);
    EXPECT_EQ(bus->resetsDelivered(), 1u);
    ASSERT_TRUE(bus->runDataPackets(1350));
    EXPECT_TRUE(takeEvents().empty());
    EXPECT_FALSE(output->deviceLost());
    EXPECT_EQ(receivedFrames(DvStandard::Pal), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

// Unplugging reports the device lost (0) once; plugging it back reports it back (1).
TEST_F(DvCamcorderTest, RemovalAndReturnAreReported) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 4);
    QString error;
    ASSERT_TRUE(output->start(&error));
    bus->plug(0x1234, QStringLiteral("Other device"), false);
    EXPECT_TRUE(takeEvents().empty());
    bus->unplug(kGuid);
    EXPECT_TRUE(output->deviceLost());
    bus->resetBus();
    EXPECT_EQ(takeEvents(), (std::vector<int>{platform::kDvDeviceLost}));
    // The stream keeps its pace while the device is away.
    ASSERT_TRUE(bus->runDataPackets(600));
    EXPECT_EQ(output->framesOut(), 2u);
    bus->plug(kGuid, QStringLiteral("Maker DV-Cam 100"));
    EXPECT_EQ(takeEvents(), (std::vector<int>{platform::kDvDeviceBack}));
    EXPECT_FALSE(output->deviceLost());
}

TEST_F(DvCamcorderTest, FallsBackToTheBroadcastChannel) {
    bus->unplug(kGuid);
    bus->plug(kGuid, QStringLiteral("Maker DV-Cam 100"), true, false);
    auto output = makeOutput(DvStandard::Ntsc);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Ntsc, 1, 4);
    QString error;
    ASSERT_TRUE(output->start(&error));
    EXPECT_EQ(output->channel(), 63);
    EXPECT_EQ(bus->transmitChannel(), 63);
}

TEST_F(DvCamcorderTest, PlainErrorTexts) {
    QString error;
    DvCamcorderOptions options;
    options.guid = 0x1234;
    bus->plug(0x1234, QStringLiteral("Printer"), false);
    EXPECT_EQ(DvCamcorderOutput::create(bus, options, &error), nullptr);
    EXPECT_EQ(error, platform::dv1394RefusesDvText(QStringLiteral("Printer")));

    options.guid = 0x9999;
    EXPECT_EQ(DvCamcorderOutput::create(bus, options, &error), nullptr);
    EXPECT_EQ(error, platform::dv1394NotConnectedText(0x9999));

    options.guid = kGuid;
    bus->setPermitted(false);
    EXPECT_EQ(DvCamcorderOutput::create(bus, options, &error), nullptr);
    EXPECT_EQ(error, platform::dv1394NoPermissionText());

    bus->setPermitted(true);
    bus->setPortPresent(false);
    EXPECT_EQ(DvCamcorderOutput::create(bus, options, &error), nullptr);
    EXPECT_EQ(error, platform::dv1394NoPortText());
}

// The system bus on a machine without FireWire fails with the plain text and never blocks.
TEST(DvSystemBus, ReportsAMissingPortPlainly) {
    const auto bus = platform::createSystemIeee1394Bus();
    std::vector<platform::Dv1394Node> nodes;
    QString error;
    if (bus->scan(nodes, &error)) {
        GTEST_SKIP() << "this machine has an IEEE 1394 port";
    }
    EXPECT_TRUE(error == platform::dv1394NoPortText() ||
                error == platform::dv1394NoPermissionText())
        << error.toStdString();
    DvCamcorderOptions options;
    options.guid = kGuid;
    EXPECT_EQ(DvCamcorderOutput::create(std::shared_ptr(platform::createSystemIeee1394Bus()),
                                        options, &error),
              nullptr);
    EXPECT_FALSE(error.isEmpty());
}

} // namespace

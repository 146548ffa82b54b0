#include "platform/filters/dv_1394_output.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/filters/dv_device_silence.h"
#include "platform/filters/dv_muxer.h"
#include "tests/platform/filters/dv_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

using platform::DvCamcorderOptions;
using platform::DvCamcorderOutput;
using platform::DvSimulatedBus;
using platform::DvStandard;

constexpr std::uint64_t kGuid = 0x0080'88ff'fe12'3456ULL;
const QString kLabel = QStringLiteral("Maker DV-Cam 100");

// A frame whose bytes name it (numbers 1..95): the first block is a frame header, the header
// byte carries the standard, every other byte is the number, which no DIF block ID of a frame
// start (nor of an audio block) has.
std::vector<std::uint8_t> taggedFrame(DvStandard standard, int number) {
    std::vector<std::uint8_t> frame(platform::dvFrameBytes(standard),
                                    static_cast<std::uint8_t>(number));
    frame[0] = 0x1f;
    frame[1] = 0x07;
    frame[2] = 0x00;
    frame[3] = standard == DvStandard::Pal ? 0x80 : 0x00;
    return frame;
}

int frameNumber(const std::uint8_t* frame) {
    return frame[100];
}

// Real DV frames with a tone in their audio blocks.
std::vector<std::vector<std::uint8_t>> tonedFrames(DvStandard standard, int count) {
    QString error;
    platform::DvMuxerOptions options;
    options.standard = standard;
    options.audio = platform::DvAudioFormat{48000, 2};
    auto muxer = platform::DvMuxer::create(options, &error);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = 0; i < count && muxer; ++i) {
        const auto samples = static_cast<std::size_t>(muxer->samplesForNextFrame());
        const auto sound = dvtest::tone(1000.0, 48000, 2, samples);
        EXPECT_TRUE(muxer->pushAudio(sound.data(), samples, &error));
        std::vector<std::uint8_t> frame(platform::dvFrameBytes(standard));
        EXPECT_TRUE(muxer->muxFrame(dvtest::encodeFrame(standard, i * 5), frame, &error));
        frames.push_back(std::move(frame));
    }
    return frames;
}

template <typename Condition> bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class DvCamcorderTest : public ::testing::Test {
protected:
    void SetUp() override { bus->plug(kGuid, kLabel); }

    std::unique_ptr<DvCamcorderOutput> makeOutput(DvStandard standard,
                                                  std::size_t queue_frames = 8) {
        DvCamcorderOptions options;
        options.guid = kGuid;
        options.standard = standard;
        options.queue_frames = queue_frames;
        options.reconnect.retry_ms = 1;
        options.reconnect.window_ms = 20;
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

    // The frame numbers that went over the bus, one per whole frame; `whole` checks that
    // nothing but whole frames went.
    std::vector<int> receivedFrames(DvStandard standard, bool whole = true) {
        const std::vector<std::uint8_t> bytes = bus->takeReceived();
        const std::size_t frame_bytes = platform::dvFrameBytes(standard);
        if (whole) {
            EXPECT_EQ(bytes.size() % frame_bytes, 0u);
        }
        std::vector<int> numbers;
        for (std::size_t offset = 0; offset + frame_bytes <= bytes.size(); offset += frame_bytes) {
            const std::vector<std::uint8_t> frame(bytes.begin() + offset,
                                                  bytes.begin() + offset + frame_bytes);
            numbers.push_back(frameNumber(frame.data()));
            EXPECT_EQ(frame, taggedFrame(standard, frameNumber(frame.data())));
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

// The ring is filled at start, nothing is on the wire yet; then frames go out whole, in order,
// at the library's packet rate, each first packet carrying the frame stamp.
TEST_F(DvCamcorderTest, FramesGoOutWholeAndInOrderAtTheBusRate) {
    for (const DvStandard standard : {DvStandard::Pal, DvStandard::Ntsc}) {
        // A bus of its own: the library's counters start at a frame.
        bus = std::make_shared<DvSimulatedBus>();
        bus->plug(kGuid, kLabel);
        auto output = makeOutput(standard);
        ASSERT_NE(output, nullptr);
        EXPECT_EQ(output->pacing(), platform::DvSinkPacing::Device);
        pushFrames(*output, standard, 1, 8);
        QString error;
        const std::uint64_t wire_before = bus->wirePackets();
        ASSERT_TRUE(output->start(&error)) << error.toStdString();
        EXPECT_EQ(output->channel(), 0);
        EXPECT_TRUE(output->pointToPoint());
        EXPECT_EQ(bus->wirePackets(), wire_before);
        EXPECT_EQ(bus->receivedBytes(), 0u);

        const std::size_t frame_packets = platform::dvPacketsPerFrame(standard);
        ASSERT_TRUE(bus->runDataPackets(frame_packets * 5));
        EXPECT_EQ(receivedFrames(standard), (std::vector<int>{1, 2, 3, 4, 5}));
        // 15 data packets in 16 cycles (25 frames/s); 1000 in 1068 (29.9625 frames/s).
        const std::size_t cycles = standard == DvStandard::Pal ? 1600 : 1068;
        const std::uint64_t before = bus->wirePackets();
        ASSERT_TRUE(bus->runCycles(cycles));
        EXPECT_EQ(bus->wirePackets() - before, standard == DvStandard::Pal ? 1500u : 1000u);
        EXPECT_EQ(bus->misalignedPackets(), 0u);
        output->stop();
        EXPECT_FALSE(output->running());
        EXPECT_FALSE(bus->transmitting());
    }
}

// When the queue runs dry the picture goes out again with its sound silenced; each such frame
// counts as repeated, the frame that ends the gap as late. After the end of the stream the
// frames that fill the time are not counted.
TEST_F(DvCamcorderTest, UnderrunRepeatsThePictureWithSilence) {
    const auto frames = tonedFrames(DvStandard::Pal, 5);
    ASSERT_EQ(frames.size(), 5u);
    ASSERT_FALSE(platform::isDvAudioSilent(frames[3]));
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    QString error;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(output->pushFrame(frames[static_cast<std::size_t>(i)], &error));
    }
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    // The ring holds three frames: seven frame times make sure repeats are being filled.
    ASSERT_TRUE(bus->runDataPackets(300 * 7));
    ASSERT_TRUE(output->pushFrame(frames[4], &error));
    ASSERT_TRUE(bus->runDataPackets(300 * 8));

    const std::vector<std::uint8_t> wire = bus->takeReceived();
    std::vector<std::vector<std::uint8_t>> sent;
    for (std::size_t offset = 0; offset + 144000 <= wire.size(); offset += 144000) {
        sent.emplace_back(wire.begin() + static_cast<long>(offset),
                          wire.begin() + static_cast<long>(offset + 144000));
    }
    ASSERT_GE(sent.size(), 15u);
    std::vector<std::uint8_t> silent_fourth = frames[3];
    platform::silenceDvAudio(silent_fourth);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sent[i], frames[i]) << "frame " << i;
    }
    std::size_t repeats = 0;
    std::size_t i = 4;
    for (; i < sent.size() && sent[i] == silent_fourth; ++i) {
        ++repeats;
    }
    ASSERT_LT(i, sent.size());
    EXPECT_EQ(sent[i], frames[4]);
    EXPECT_GT(repeats, 0u);
    EXPECT_TRUE(platform::isDvAudioSilent(silent_fourth));
    const platform::DvOutputStatistics counted = output->statistics();
    EXPECT_EQ(counted.framesLate, 1);
    // What is counted includes the repeats still in the ring after the fifth frame.
    EXPECT_GE(counted.framesRepeated, static_cast<std::int64_t>(repeats));

    output->endOfStream();
    const std::int64_t repeated = output->statistics().framesRepeated;
    ASSERT_TRUE(bus->runDataPackets(300 * 4));
    EXPECT_EQ(output->statistics().framesRepeated, repeated);
}

// At the end of the stream the wait ends only when the last frame has passed the ring.
TEST_F(DvCamcorderTest, WaitUntilSentEndsWhenTheLastFrameIsOnTheWire) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 6);
    QString error;
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    output->endOfStream();
    std::atomic<bool> sent = false;
    std::thread waiter([&] { sent = output->waitUntilSent(); });
    ASSERT_TRUE(bus->runDataPackets(300 * 5));
    EXPECT_FALSE(sent.load());
    ASSERT_TRUE(eventually([&] { return sent.load() || !bus->runCycles(250); }));
    waiter.join();
    EXPECT_TRUE(sent.load());
    const std::vector<int> numbers = receivedFrames(DvStandard::Pal, false);
    ASSERT_GE(numbers.size(), 6u);
    EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 6),
              (std::vector<int>{1, 2, 3, 4, 5, 6}));

    // Stop ends a wait that cannot finish.
    auto second = makeOutput(DvStandard::Pal);
    output.reset();
    ASSERT_NE(second, nullptr);
    pushFrames(*second, DvStandard::Pal, 7, 4);
    ASSERT_TRUE(second->start(&error)) << error.toStdString();
    std::atomic<bool> second_sent = true;
    std::thread stopped_waiter([&] { second_sent = second->waitUntilSent(); });
    second->stop();
    stopped_waiter.join();
    EXPECT_FALSE(second_sent.load());
}

// The library's frame packet counter carries over from one transmission to the next: each new
// run first completes the library's frame with the tail of its first frame, so that every
// frame start carries the stamp, also when the standard changes between runs.
TEST_F(DvCamcorderTest, PlayStopPlayKeepsFramesOnTheLibraryFrameStamp) {
    const std::vector<DvStandard> runs = {DvStandard::Pal, DvStandard::Pal, DvStandard::Ntsc,
                                          DvStandard::Ntsc, DvStandard::Pal};
    const std::vector<std::size_t> stop_after = {450, 1234, 377, 100, 999};
    int first = 1;
    for (std::size_t run = 0; run < runs.size(); ++run) {
        const DvStandard standard = runs[run];
        auto output = makeOutput(standard);
        ASSERT_NE(output, nullptr);
        pushFrames(*output, standard, first, 8);
        QString error;
        ASSERT_TRUE(output->start(&error)) << error.toStdString();
        bus->takeReceived();
        // Run far enough that the lead-in and four frames are out, then stop mid-frame.
        const std::size_t frame_packets = platform::dvPacketsPerFrame(standard);
        ASSERT_TRUE(bus->runDataPackets(frame_packets * 5));
        const std::vector<std::uint8_t> wire = bus->takeReceived();
        // The first whole frame on the wire is the run's first frame.
        std::size_t start = 0;
        while (start < wire.size() && !(wire[start] == 0x1f && wire[start + 2] == 0)) {
            start += platform::kDvPacketBytes;
        }
        ASSERT_LT(start + platform::dvFrameBytes(standard), wire.size());
        EXPECT_EQ(frameNumber(wire.data() + start), first) << "run " << run;
        ASSERT_TRUE(bus->runDataPackets(stop_after[run]));
        output->stop();
        EXPECT_EQ(bus->misalignedPackets(), 0u) << "run " << run;
        first += 10;
    }
}

// An I/O thread held up past the ring: the bus sends nothing in the cycles it finds the ring
// empty and reports them with the next packet; one wake-up then refills the whole ring, and the
// frames stay whole and in order.
TEST_F(DvCamcorderTest, ARingRunDryDropsCyclesWithoutBreakingFrames) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 8);
    QString error;
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    bus->holdInterrupts(true);
    ASSERT_TRUE(bus->runCycles(DvSimulatedBus::kRingPackets + 500));
    EXPECT_EQ(bus->droppedCycles(), 500u);
    bus->holdInterrupts(false);
    ASSERT_TRUE(bus->runDataPackets(300 * 3));
    EXPECT_EQ(output->droppedCycles(), 500u);
    const std::vector<int> numbers = receivedFrames(DvStandard::Pal, false);
    ASSERT_GE(numbers.size(), 6u);
    EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 6),
              (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(bus->misalignedPackets(), 0u);
}

// A reset arrives while the I/O thread fills packets: the transmission goes on while the bus
// scan and the reconnection happen elsewhere.
TEST_F(DvCamcorderTest, BusResetWorkStaysOffTheIoThread) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 8);
    QString error;
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    ASSERT_TRUE(bus->runDataPackets(300));
    bus->holdScans(true);
    bus->resetInNextBatch();
    // With scans held, a scan on the I/O thread would stop the bus here.
    ASSERT_TRUE(bus->runDataPackets(300 * 3));
    EXPECT_EQ(bus->resetsDelivered(), 1u);
    EXPECT_EQ(bus->scansInsideHandler(), 0u);
    bus->holdScans(false);
    ASSERT_TRUE(eventually([&] { return bus->reconnects() == 1; }));
    ASSERT_TRUE(bus->runDataPackets(300 * 4));
    EXPECT_EQ(receivedFrames(DvStandard::Pal), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(bus->connectionsExpired(), 0u);
    EXPECT_TRUE(takeEvents().empty());
}

// A failed reconnection is retried inside the one-second window; one that cannot be made in
// time loses the connection until a later attempt restores it.
TEST_F(DvCamcorderTest, FailedReconnectionsAreRetried) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 8);
    QString error;
    ASSERT_TRUE(output->start(&error)) << error.toStdString();
    bus->failReconnects(3);
    bus->resetBus();
    ASSERT_TRUE(bus->runDataPackets(300));
    ASSERT_TRUE(eventually([&] { return bus->reconnects() == 1; }));
    ASSERT_TRUE(bus->runCycles(DvSimulatedBus::kReconnectWindowCycles + 100));
    EXPECT_EQ(bus->connectionsExpired(), 0u);

    // No scan answers for longer than the window: the device drops the connection, and the
    // output restores it once the bus can be read again.
    bus->holdScans(true);
    bus->resetBus();
    ASSERT_TRUE(bus->runCycles(DvSimulatedBus::kReconnectWindowCycles + 100));
    EXPECT_EQ(bus->connectionsExpired(), 1u);
    bus->takeReceived();
    ASSERT_TRUE(bus->runDataPackets(300));
    EXPECT_EQ(bus->receivedBytes(), 0u);
    bus->holdScans(false);
    ASSERT_TRUE(eventually([&] { return bus->reconnects() == 2; }));
    ASSERT_TRUE(bus->runDataPackets(300));
    EXPECT_EQ(bus->receivedBytes(), 300u * platform::kDvPacketBytes);
    EXPECT_TRUE(output->running());
}

// Unplugging reports the device lost once, plugging it back reports it back once and the
// device receives again; scans that cannot tell report nothing.
TEST_F(DvCamcorderTest, RemovalAndReturnAreReportedOnceAndSendingResumes) {
    auto output = makeOutput(DvStandard::Pal);
    ASSERT_NE(output, nullptr);
    pushFrames(*output, DvStandard::Pal, 1, 4);
    QString error;
    ASSERT_TRUE(output->start(&error));
    bus->failScans(3);
    bus->plug(0x1234, QStringLiteral("Other device"), false);
    ASSERT_TRUE(eventually([&] { return bus->reconnects() == 1; }));
    EXPECT_TRUE(takeEvents().empty());
    bus->takeReceived();

    bus->unplug(kGuid);
    ASSERT_TRUE(eventually([&] { return output->deviceLost(); }));
    bus->resetBus();
    bus->resetBus();
    // The stream keeps its pace while the device is away.
    ASSERT_TRUE(bus->runDataPackets(600));
    EXPECT_EQ(bus->receivedBytes(), 0u);
    bus->plug(kGuid, kLabel);
    ASSERT_TRUE(eventually([&] { return !output->deviceLost(); }));
    EXPECT_EQ(takeEvents(), (std::vector<int>{platform::kDvDeviceLost, platform::kDvDeviceBack}));
    ASSERT_TRUE(bus->runDataPackets(300));
    EXPECT_EQ(bus->receivedBytes(), 300u * platform::kDvPacketBytes);
}

// Devices are tried: without plug registers, or when the resource manager has no room, the
// stream goes to the broadcast channel; a camcorder without a tape subunit is sent to all the
// same; only a device whose input plug is offline refuses, in its own words.
TEST_F(DvCamcorderTest, ConnectionsFallBackAndOnlyARealRefusalFails) {
    const auto sendsTo = [&](std::uint64_t guid) {
        DvCamcorderOptions options;
        options.guid = guid;
        QString error;
        auto output = DvCamcorderOutput::create(bus, options, &error);
        EXPECT_NE(output, nullptr) << error.toStdString();
        if (!output) {
            return -1;
        }
        pushFrames(*output, DvStandard::Pal, 1, 4);
        if (!output->start(&error)) {
            return -2;
        }
        bus->takeReceived();
        EXPECT_TRUE(bus->runDataPackets(300 * 5));
        EXPECT_GT(bus->receivedBytes(), 0u);
        return output->channel();
    };
    bus->plug(0x1001, QStringLiteral("Bridge"), false, false);
    EXPECT_EQ(sendsTo(0x1001), 63);
    bus->plug(0x1002, QStringLiteral("Camera mode"), false, true);
    EXPECT_EQ(sendsTo(0x1002), 0);
    bus->failConnects(1);
    EXPECT_EQ(sendsTo(kGuid), 63);

    platform::DvSimulatedDevice offline;
    offline.guid = 0x1003;
    offline.label = QStringLiteral("Busy camcorder");
    offline.input_plug_online = false;
    bus->plug(offline);
    DvCamcorderOptions options;
    options.guid = offline.guid;
    QString error;
    auto output = DvCamcorderOutput::create(bus, options, &error);
    ASSERT_NE(output, nullptr) << error.toStdString();
    pushFrames(*output, DvStandard::Pal, 1, 4);
    EXPECT_FALSE(output->start(&error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("The DV device \"Busy camcorder\" refuses DV")))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("offline"))) << error.toStdString();
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
    // The prefill took the queued frames.
    EXPECT_TRUE(output->tryPushFrame(taggedFrame(DvStandard::Pal, 5), &error));

    // A push waiting for room returns when the output stops.
    pushFrames(*output, DvStandard::Pal, 6, 3);
    bool pushed = true;
    std::thread pusher([&] {
        QString push_error;
        pushed = output->pushFrame(taggedFrame(DvStandard::Pal, 9), &push_error);
    });
    output->stop();
    pusher.join();
    EXPECT_FALSE(pushed);
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
    EXPECT_FALSE(bus->transmitting());
}

TEST_F(DvCamcorderTest, PlainErrorTexts) {
    QString error;
    DvCamcorderOptions options;
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

// The system bus on a machine without FireWire fails with a plain text and never blocks.
TEST(DvSystemBus, ReportsAMissingPortPlainly) {
    const auto bus = platform::createSystemIeee1394Bus();
    const platform::Dv1394Scan scan = bus->scan();
    if (scan.succeeded()) {
        GTEST_SKIP() << "this machine has an IEEE 1394 port";
    }
    EXPECT_FALSE(scan.error.isEmpty());
    EXPECT_EQ(scan.presence(kGuid), false);
    EXPECT_EQ(bus->resetNotices(), nullptr);
    DvCamcorderOptions options;
    options.guid = kGuid;
    QString error;
    EXPECT_EQ(DvCamcorderOutput::create(std::shared_ptr(platform::createSystemIeee1394Bus()),
                                        options, &error),
              nullptr);
    EXPECT_EQ(error, scan.error);
}

} // namespace

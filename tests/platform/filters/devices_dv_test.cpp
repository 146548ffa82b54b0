#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/filters/dv_device_camcorder.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/streaming/device_categories.h"
#include "tests/platform/filters/devices_test_support.h"
#include "tests/platform/streaming/graph_fixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace {

using namespace platform;
using devicestest::BufferSource;
using devicestest::Frames;

constexpr std::uint64_t kCamGuid = 0x0080880312345678ULL;

std::vector<std::uint8_t> joined(const Frames& frames) {
    std::vector<std::uint8_t> all;
    for (const auto& f : frames) {
        all.insert(all.end(), f.begin(), f.end());
    }
    return all;
}

std::vector<QString> friendlyNames(const FilterRegistry& registry) {
    std::vector<QString> names;
    for (const auto& device : registry.devices(CLSID_VideoInputDeviceCategory)) {
        names.push_back(device.friendlyName);
    }
    return names;
}

template <typename Condition> bool waitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class DvDevicesTest : public streamingtest::GraphTest {
protected:
    std::shared_ptr<BufferSource> addSource(DvStandard standard, const Frames& frames) {
        return add(std::make_shared<BufferSource>(devicestest::dvFrameType(standard), frames,
                                                  dvFrameDuration100ns(standard)),
                   QStringLiteral("Source"));
    }
    QString path(const QString& name) const { return QDir(temp.path()).filePath(name); }

    QTemporaryDir temp;
};

TEST_F(DvDevicesTest, FileRecorderWritesEveryFramePacedByTheClock) {
    // Paced by the graph's clock: frames are written as their time comes.
    {
        const Frames frames = devicestest::makeDvFrames(DvStandard::Pal, 5);
        const auto clock = useManualClock();
        const auto source = addSource(DvStandard::Pal, frames);
        const auto recorder =
            add(std::make_shared<DvFileRecorderFilter>(), QStringLiteral("dvCam"));
        ASSERT_EQ(recorder->SetFileName(path(QStringLiteral("clock.dv"))), S_OK);
        ASSERT_EQ(connect(source, recorder), S_OK);
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        ASSERT_TRUE(clock->waitForPendingAdvise(std::chrono::seconds(10)));
        EXPECT_EQ(recorder->samplesPresented(), 1U);
        clock->Advance(6 * dvFrameDuration100ns(DvStandard::Pal));
        ASSERT_TRUE(waitEvent(EC_COMPLETE));
        ASSERT_EQ(control->Stop(), S_OK);
        QFile file(path(QStringLiteral("clock.dv")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        const auto expected = joined(frames);
        ASSERT_EQ(static_cast<std::size_t>(written.size()), expected.size());
        EXPECT_EQ(std::memcmp(written.constData(), expected.data(), expected.size()), 0);
    }
}

TEST_F(DvDevicesTest, FileRecorderAsFastAsPossibleCreatesTheFolderAndRefusesAnEmptyPath) {
    const Frames frames = devicestest::makeDvFrames(DvStandard::Ntsc, 4);
    useNoClock();
    const auto source = addSource(DvStandard::Ntsc, frames);
    const auto recorder = add(std::make_shared<DvFileRecorderFilter>(), QStringLiteral("dvCam"));
    EXPECT_EQ(recorder->SetFileName(QString()), E_INVALIDARG);
    const QString target = path(QStringLiteral("new/folder/fast.dv"));
    ASSERT_EQ(recorder->SetFileName(target), S_OK);
    ASSERT_EQ(connect(source, recorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    ASSERT_EQ(control->Stop(), S_OK);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    const auto expected = joined(frames);
    ASSERT_EQ(static_cast<std::size_t>(written.size()), expected.size());
    EXPECT_EQ(std::memcmp(written.constData(), expected.data(), expected.size()), 0);
}

TEST_F(DvDevicesTest, FileRecorderRefusesAFrameOfTheOtherStandard) {
    Frames frames = devicestest::makeDvFrames(DvStandard::Pal, 2);
    frames[1][3] &= 0x7F; // the second frame claims to be NTSC
    useNoClock();
    const auto source = addSource(DvStandard::Pal, frames);
    const auto recorder = add(std::make_shared<DvFileRecorderFilter>(), QStringLiteral("dvCam"));
    ASSERT_EQ(recorder->SetFileName(path(QStringLiteral("mixed.dv"))), S_OK);
    ASSERT_EQ(connect(source, recorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    const auto abort = waitEvent(EC_ERRORABORT);
    ASSERT_TRUE(abort);
    EXPECT_FALSE(recorder->lastError().isEmpty());
    ASSERT_EQ(control->Stop(), S_OK);
}

TEST_F(DvDevicesTest, DevicesAreListedCamcordersFirstAndRescannedOnDemand) {
    FilterRegistry registry;
    const auto bus = std::make_shared<DvSimulatedBus>();
    bus->setPortPresent(false);
    QString error;
    EXPECT_FALSE(RegisterDvDevices(registry, bus, &error));
    EXPECT_EQ(error, dv1394NoPortText());
    EXPECT_EQ(friendlyNames(registry), (std::vector<QString>{QStringLiteral("DV Monitor"),
                                                             QStringLiteral("DV File Recorder")}));

    bus->setPortPresent(true);
    bus->plug(kCamGuid, QStringLiteral("Camcorder A"));
    bus->plug(kCamGuid + 1, QStringLiteral("Camcorder B"));
    EXPECT_TRUE(RegisterDvDevices(registry, bus, &error));
    EXPECT_EQ(
        friendlyNames(registry),
        (std::vector<QString>{QStringLiteral("Camcorder A"), QStringLiteral("Camcorder B"),
                              QStringLiteral("DV Monitor"), QStringLiteral("DV File Recorder")}));
    const auto devices = registry.devices(CLSID_VideoInputDeviceCategory);
    EXPECT_EQ(devices[0].instanceName, dvCamcorderInstanceName(kCamGuid));
    // Both camcorders share one class, so a search by class finds the first of them.
    EXPECT_EQ(devices[0].clsid, devices[1].clsid);
    EXPECT_NE(devices[0].clsid, devices[2].clsid);
    EXPECT_NE(devices[2].clsid, devices[3].clsid);

    bus->unplug(kCamGuid);
    EXPECT_TRUE(RegisterDvDevices(registry, bus, &error));
    EXPECT_EQ(friendlyNames(registry),
              (std::vector<QString>{QStringLiteral("Camcorder B"), QStringLiteral("DV Monitor"),
                                    QStringLiteral("DV File Recorder")}));
}

class CamcorderTest : public DvDevicesTest {
protected:
    CamcorderTest() : bus(std::make_shared<DvSimulatedBus>()) {
        bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
        EXPECT_TRUE(RegisterDvDevices(registry, bus, nullptr, {.watch_interval_ms = 5}));
        camcorder = std::dynamic_pointer_cast<DvCamcorderFilter>(
            registry.devices(CLSID_VideoInputDeviceCategory).front().create());
    }

    FilterRegistry registry;
    std::shared_ptr<DvSimulatedBus> bus;
    std::shared_ptr<DvCamcorderFilter> camcorder;
};

TEST_F(CamcorderTest, FramesReachTheBusInOrder) {
    ASSERT_NE(camcorder, nullptr);
    const std::size_t count = 10;
    const Frames frames = devicestest::makeDvFrames(DvStandard::Pal, count);
    useNoClock();
    const auto source = addSource(DvStandard::Pal, frames);
    add(camcorder, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, camcorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    // Sending starts once the start queue is full.
    ASSERT_TRUE(waitUntil([&] { return bus->runCycles(0); }));

    // The bus takes frame after frame; a frame goes out again when the next was not queued
    // in time. Apart from such repeats, the bus must carry exactly the frames sent.
    const std::size_t frame_bytes = dvFrameBytes(DvStandard::Pal);
    std::vector<std::uint8_t> received;
    Frames distinct;
    ASSERT_TRUE(waitUntil([&] {
        bus->runDataPackets(dvPacketsPerFrame(DvStandard::Pal));
        const auto more = bus->takeReceived();
        received.insert(received.end(), more.begin(), more.end());
        while (received.size() >= frame_bytes) {
            std::vector<std::uint8_t> frame(received.begin(),
                                            received.begin() + static_cast<long>(frame_bytes));
            received.erase(received.begin(), received.begin() + static_cast<long>(frame_bytes));
            if (distinct.empty() || distinct.back() != frame) {
                distinct.push_back(std::move(frame));
            }
        }
        return distinct.size() >= count;
    }));
    EXPECT_TRUE(distinct == frames);
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_TRUE(camcorder->lastError().isEmpty()) << camcorder->lastError().toStdString();
}

TEST_F(CamcorderTest, StopEndsAPushWaitingForTheBus) {
    ASSERT_NE(camcorder, nullptr);
    useNoClock();
    const auto source = addSource(DvStandard::Pal, devicestest::makeDvFrames(DvStandard::Pal, 12));
    add(camcorder, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, camcorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(waitUntil([&] { return bus->runCycles(0); }));
    // The bus does not move, so the renderer ends up waiting for room in the queue.
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_FALSE(bus->runCycles(0));
    for (const long code : drainEvents()) {
        EXPECT_NE(code, EC_ERRORABORT);
    }
}

TEST_F(CamcorderTest, UnplugAndPlugRaiseDeviceLostInAGraphThatNeverRuns) {
    ASSERT_NE(camcorder, nullptr);
    add(camcorder, QStringLiteral("dvCam"));
    bus->unplug(kCamGuid);
    auto lost = waitEvent(EC_DEVICE_LOST);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->param1, eventParamFromFilter(camcorder.get()));
    EXPECT_EQ(lost->param2, 0);
    EXPECT_FALSE(camcorder->devicePresent());

    bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
    lost = waitEvent(EC_DEVICE_LOST);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->param1, eventParamFromFilter(camcorder.get()));
    EXPECT_EQ(lost->param2, 1);

    // Out of the graph, the filter reports nothing more.
    ASSERT_EQ(graph->RemoveFilter(camcorder), S_OK);
    bus->unplug(kCamGuid);
    EXPECT_FALSE(waitEvent(EC_DEVICE_LOST, 50));
}

} // namespace

#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/filters/dv_device_camcorder.h"
#include "platform/filters/dv_device_silence.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/property_pages_registration.h"
#include "platform/streaming/device_categories.h"
#include "tests/platform/filters/devices_test_support.h"
#include "tests/platform/streaming/graph_fixture.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
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
        // The clock jumped six frame times at once: the four frames after the first came after
        // their time. A file repeats nothing. The page shows the counts of the run.
        const DvOutputStatistics statistics = recorder->GetOutputStatistics();
        EXPECT_EQ(statistics.framesDelivered, 5);
        EXPECT_EQ(statistics.framesLate, 4);
        EXPECT_EQ(statistics.framesRepeated, 0);
        PropertyPageRegistry pages;
        RegisterFilterPropertyPages(pages);
        const auto page = CreatePropertyFrame(nullptr, QStringLiteral("dvCam"), recorder, pages);
        ASSERT_TRUE(page);
        const auto* delivered = page->findChild<QLabel*>(QStringLiteral("lbFramesDelivered"));
        ASSERT_TRUE(delivered);
        EXPECT_EQ(delivered->text(), QStringLiteral("5"));
    }
}

TEST_F(DvDevicesTest, FileRecorderOpensItsFileWhileCueingSoThatTheFirstFrameIsOnTime) {
    const Frames frames = devicestest::makeDvFrames(DvStandard::Pal, 2);
    const auto clock = useManualClock();
    const auto source = addSource(DvStandard::Pal, frames);
    const auto recorder = add(std::make_shared<DvFileRecorderFilter>(), QStringLiteral("dvCam"));
    const QString target = path(QStringLiteral("cued.dv"));
    ASSERT_EQ(recorder->SetFileName(target), S_OK);
    ASSERT_EQ(connect(source, recorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    FILTER_STATE state = State_Stopped;
    ASSERT_EQ(control->GetState(10000, &state), S_OK);
    // Opening the file (or a device) is done before the clock starts, not in the first frame's
    // time.
    EXPECT_TRUE(QFile::exists(target));
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    clock->Advance(3 * dvFrameDuration100ns(DvStandard::Pal));
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(recorder->GetOutputStatistics().framesDelivered, 2);
}

TEST_F(DvDevicesTest, FileRecorderThatCannotCreateItsFileFailsTheCue) {
    const Frames frames = devicestest::makeDvFrames(DvStandard::Pal, 2);
    useManualClock();
    const auto source = addSource(DvStandard::Pal, frames);
    const auto recorder = add(std::make_shared<DvFileRecorderFilter>(), QStringLiteral("dvCam"));
    ASSERT_EQ(recorder->SetFileName(QStringLiteral("/proc/no/such/folder/x.dv")), S_OK);
    ASSERT_EQ(connect(source, recorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    ASSERT_TRUE(waitEvent(EC_ERRORABORT));
    EXPECT_FALSE(recorder->lastError().isEmpty());
    ASSERT_EQ(control->Stop(), S_OK);
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
        // Bus reset notices drive the device watch; its slow poll stays out of the way.
        EXPECT_TRUE(RegisterDvDevices(registry, bus, nullptr, {.watch_interval_ms = 60000}));
        camcorder = createCamcorder(0);
    }
    std::shared_ptr<DvCamcorderFilter> createCamcorder(std::size_t index) {
        return std::dynamic_pointer_cast<DvCamcorderFilter>(
            registry.devices(CLSID_VideoInputDeviceCategory).at(index).create());
    }

    // Runs bus cycles until the graph reports EC_COMPLETE; the wire as it was at that moment
    // (to within one interrupt's cycles).
    std::optional<std::vector<std::uint8_t>> runToCompletion() {
        std::vector<std::uint8_t> wire;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!bus->runCycles(DvSimulatedBus::kInterruptPackets)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            const auto more = bus->takeReceived();
            wire.insert(wire.end(), more.begin(), more.end());
            for (const long code : drainEvents()) {
                EXPECT_NE(code, EC_ERRORABORT) << camcorder->lastError().toStdString();
                if (code == EC_COMPLETE) {
                    return wire;
                }
            }
        }
        return std::nullopt;
    }

    FilterRegistry registry;
    std::shared_ptr<DvSimulatedBus> bus;
    std::shared_ptr<DvCamcorderFilter> camcorder;
};

// The pictures of a frame, without its sound (repeats carry the picture with silence).
std::vector<std::uint8_t> pictureOf(std::vector<std::uint8_t> frame) {
    silenceDvAudio(frame);
    return frame;
}

// The frames on the wire from the first frame start on, each different picture once, in order.
Frames distinctPictures(const std::vector<std::uint8_t>& wire, std::size_t frame_bytes) {
    std::size_t first = 0;
    while (first + kDvPacketBytes <= wire.size() &&
           !((wire[first] >> 5) == 0 && (wire[first + 1] >> 4) == 0 && wire[first + 2] == 0)) {
        first += kDvPacketBytes;
    }
    Frames distinct;
    for (std::size_t offset = first; offset + frame_bytes <= wire.size(); offset += frame_bytes) {
        auto picture = pictureOf({wire.begin() + static_cast<long>(offset),
                                  wire.begin() + static_cast<long>(offset + frame_bytes)});
        if (distinct.empty() || distinct.back() != picture) {
            distinct.push_back(std::move(picture));
        }
    }
    return distinct;
}

// Every frame of the stream, the last one with its sound, is on the bus when EC_COMPLETE
// comes; the statistics and the property page show what was sent.
TEST_F(CamcorderTest, EveryFrameReachesTheBusBeforeTheEnd) {
    ASSERT_NE(camcorder, nullptr);
    const Frames frames = devicestest::makeDvFrames(DvStandard::Pal, 12);
    useNoClock();
    const auto source = addSource(DvStandard::Pal, frames);
    add(camcorder, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, camcorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    const auto wire = runToCompletion();
    ASSERT_TRUE(wire);
    Frames pictures;
    for (const auto& frame : frames) {
        pictures.push_back(pictureOf(frame));
    }
    EXPECT_TRUE(distinctPictures(*wire, 144000) == pictures);
    // The last frame went out with its sound before any silent repeat.
    const auto last =
        std::search(wire->begin(), wire->end(), frames.back().begin(), frames.back().end());
    EXPECT_NE(last, wire->end());
    EXPECT_EQ(bus->misalignedPackets(), 0U);

    const DvOutputStatistics statistics = camcorder->GetOutputStatistics();
    EXPECT_GE(statistics.framesDelivered, 12);
    EXPECT_TRUE(camcorder->lastError().isEmpty()) << camcorder->lastError().toStdString();
    PropertyPageRegistry pages;
    RegisterFilterPropertyPages(pages);
    const auto frame = CreatePropertyFrame(nullptr, QStringLiteral("dvCam"), camcorder, pages);
    ASSERT_TRUE(frame);
    const auto text = [&](const char* name) {
        const auto* label = frame->findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QString();
    };
    EXPECT_EQ(text("lbFramesDelivered"), QString::number(statistics.framesDelivered));
    EXPECT_EQ(text("lbConnection"), QStringLiteral("point-to-point, channel 0"));
    EXPECT_TRUE(
        text("lbDevice").startsWith(QStringLiteral("Test Camcorder (GUID 0080880312345678)")))
        << text("lbDevice").toStdString();
    ASSERT_EQ(control->Stop(), S_OK);
    // The counts of the run stay readable after Stop.
    EXPECT_EQ(camcorder->GetOutputStatistics().framesDelivered, statistics.framesDelivered);
}

// A second run in the same process (the library's counters carry over) starts its frames on
// the frame stamp again.
TEST_F(CamcorderTest, PlayStopPlaySendsEveryFrameOnTheFrameStamp) {
    ASSERT_NE(camcorder, nullptr);
    const Frames frames = devicestest::makeDvFrames(DvStandard::Pal, 7);
    useNoClock();
    const auto source = addSource(DvStandard::Pal, frames);
    add(camcorder, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, camcorder), S_OK);
    for (int run = 0; run < 3; ++run) {
        REFERENCE_TIME start = 0;
        ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning),
                  S_OK);
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        const auto wire = runToCompletion();
        ASSERT_TRUE(wire) << "run " << run;
        // The run's frames; a lead-in may come first.
        const Frames pictures = distinctPictures(*wire, 144000);
        EXPECT_NE(std::search(pictures.begin(), pictures.end(), frames.begin(), frames.end(),
                              [](const auto& a, const auto& b) { return a == pictureOf(b); }),
                  pictures.end())
            << "run " << run;
        // Stop in the middle of a frame.
        bus->runCycles(137);
        ASSERT_EQ(control->Stop(), S_OK);
        bus->takeReceived();
    }
    EXPECT_EQ(bus->misalignedPackets(), 0U);
}

TEST_F(CamcorderTest, StopEndsAPushWaitingForTheBus) {
    ASSERT_NE(camcorder, nullptr);
    useNoClock();
    const auto source = addSource(DvStandard::Pal, devicestest::makeDvFrames(DvStandard::Pal, 16));
    add(camcorder, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, camcorder), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    // Sending starts once the start queue is full; the bus does not move, so the renderer
    // ends up waiting for room in the queue.
    ASSERT_TRUE(waitUntil([&] { return bus->transmitting(); }));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_FALSE(bus->transmitting());
    for (const long code : drainEvents()) {
        EXPECT_NE(code, EC_ERRORABORT);
    }
}

// A device whose input plug is offline refuses the stream: the run aborts with its answer.
TEST_F(CamcorderTest, ARefusalShowsTheDevicesAnswer) {
    DvSimulatedDevice offline;
    offline.guid = kCamGuid + 5;
    offline.label = QStringLiteral("Camera Mode Cam");
    offline.input_plug_online = false;
    bus->plug(offline);
    ASSERT_TRUE(RegisterDvDevices(registry, bus, nullptr, {.watch_interval_ms = 60000}));
    const auto refusing = createCamcorder(1);
    ASSERT_NE(refusing, nullptr);
    useNoClock();
    const auto source = addSource(DvStandard::Pal, devicestest::makeDvFrames(DvStandard::Pal, 6));
    add(refusing, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, refusing), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(waitEvent(EC_ERRORABORT));
    EXPECT_TRUE(refusing->lastError().contains(QStringLiteral("refuses DV input")))
        << refusing->lastError().toStdString();
    EXPECT_TRUE(refusing->lastError().contains(QStringLiteral("offline")));
    ASSERT_EQ(control->Stop(), S_OK);
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
    // Further resets without the device report nothing new.
    bus->resetBus();

    bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
    lost = waitEvent(EC_DEVICE_LOST);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->param1, eventParamFromFilter(camcorder.get()));
    EXPECT_EQ(lost->param2, 1);
    bus->resetBus();
    EXPECT_FALSE(waitEvent(EC_DEVICE_LOST, 200));

    // Out of the graph, the filter reports nothing more.
    ASSERT_EQ(graph->RemoveFilter(camcorder), S_OK);
    bus->unplug(kCamGuid);
    EXPECT_FALSE(waitEvent(EC_DEVICE_LOST, 50));
}

// Scans that fail or cannot read every node (a reset storm) never report the device lost.
TEST_F(CamcorderTest, IncompleteScansRaiseNoDeviceLost) {
    ASSERT_NE(camcorder, nullptr);
    add(camcorder, QStringLiteral("dvCam"));
    const std::size_t before = camcorder->watchScans();
    bus->failScans(4);
    bus->resetBus();
    ASSERT_TRUE(waitUntil([&] { return camcorder->watchScans() >= before + 5; }));
    EXPECT_TRUE(camcorder->devicePresent());
    for (const long code : drainEvents()) {
        EXPECT_NE(code, EC_DEVICE_LOST);
    }
}

// Play, Stop and unplugging race on three threads (run under the thread sanitizer too).
TEST_F(CamcorderTest, PlayStopAndUnplugRace) {
    ASSERT_NE(camcorder, nullptr);
    const int loops = qEnvironmentVariableIntValue("QUINTAPE_CAMCORDER_LOOPS") > 0
                          ? qEnvironmentVariableIntValue("QUINTAPE_CAMCORDER_LOOPS")
                          : 10;
    useNoClock();
    const auto source =
        add(std::make_shared<BufferSource>(devicestest::dvFrameType(DvStandard::Pal),
                                           devicestest::makeDvFrames(DvStandard::Pal, 3),
                                           dvFrameDuration100ns(DvStandard::Pal), true),
            QStringLiteral("Source"));
    add(camcorder, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, camcorder), S_OK);
    bus->startFreeRunning(0);
    std::atomic<bool> done = false;
    std::thread plugger([&] {
        for (int i = 0; !done; ++i) {
            if (i % 2 == 0) {
                bus->unplug(kCamGuid);
            } else {
                bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int loop = 0; loop < loops; ++loop) {
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        camcorder->GetOutputStatistics();
        camcorder->status();
        ASSERT_EQ(control->Stop(), S_OK);
    }
    done = true;
    plugger.join();
    bus->stopFreeRunning();
}

} // namespace

#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/filters/dv_device_camcorder.h"
#include "platform/streaming/device_categories.h"
#include "tests/platform/filters/devices_test_support.h"
#include "tests/platform/streaming/graph_fixture.h"

#include <chrono>
#include <thread>

namespace {

using namespace platform;

constexpr std::uint64_t kCamGuid = 0x0080880312345678ULL;

template <typename Condition> bool within20s(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class CamcorderSoak : public streamingtest::GraphTest {};

// A camcorder unplugged and plugged back 100 times while a stream plays to it: each removal
// and return is reported once, and the device receives the stream again every time. Run under
// the address sanitizer by `make test`, which also finds leaks at exit.
TEST_F(CamcorderSoak, HundredUnplugReplugCyclesWhilePlaying) {
    const int cycles = qEnvironmentVariableIntValue("QUINTAPE_SOAK_CYCLES") > 0
                           ? qEnvironmentVariableIntValue("QUINTAPE_SOAK_CYCLES")
                           : 100;
    const auto bus = std::make_shared<DvSimulatedBus>();
    bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
    FilterRegistry registry;
    ASSERT_TRUE(RegisterDvDevices(registry, bus, nullptr, {.watch_interval_ms = 60000}));
    const auto camcorder = std::dynamic_pointer_cast<DvCamcorderFilter>(
        registry.devices(CLSID_VideoInputDeviceCategory).front().create());
    ASSERT_NE(camcorder, nullptr);

    useNoClock();
    const auto source = add(
        std::make_shared<devicestest::BufferSource>(devicestest::dvFrameType(DvStandard::Pal),
                                                    devicestest::makeDvFrames(DvStandard::Pal, 3),
                                                    dvFrameDuration100ns(DvStandard::Pal), true),
        QStringLiteral("Source"));
    add(camcorder, QStringLiteral("dvCam"));
    ASSERT_EQ(connect(source, camcorder), S_OK);
    bus->startFreeRunning(16);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(within20s([&] { return bus->receivedBytes() > 0; }));

    for (int cycle = 0; cycle < cycles; ++cycle) {
        bus->unplug(kCamGuid);
        const auto lost = waitEvent(EC_DEVICE_LOST, 20000);
        ASSERT_TRUE(lost) << "cycle " << cycle;
        EXPECT_EQ(lost->param2, 0) << "cycle " << cycle;
        bus->takeReceived();

        bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
        const auto back = waitEvent(EC_DEVICE_LOST, 20000);
        ASSERT_TRUE(back) << "cycle " << cycle;
        EXPECT_EQ(back->param2, 1) << "cycle " << cycle;
        ASSERT_TRUE(within20s([&] { return bus->receivedBytes() > 0; }))
            << "the output did not resume after cycle " << cycle;
        ASSERT_TRUE(camcorder->status().running) << camcorder->lastError().toStdString();
    }
    ASSERT_EQ(control->Stop(), S_OK);
    bus->stopFreeRunning();
    for (const long code : drainEvents()) {
        EXPECT_NE(code, EC_ERRORABORT) << camcorder->lastError().toStdString();
        EXPECT_NE(code, EC_DEVICE_LOST);
    }
    // At least one reconnection per return (a reset handled late may find the device back).
    EXPECT_GE(bus->reconnects(), static_cast<std::size_t>(cycles));
    EXPECT_TRUE(camcorder->lastError().isEmpty()) << camcorder->lastError().toStdString();
}

} // namespace

#include "render/output_chain.h"

#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/filters/dv_filter_registration.h"

#include <gtest/gtest.h>

namespace {

// A machine without a sound card: a camcorder on a simulated bus and the virtual DV devices,
// no audio renderer.
class DeviceListsWithoutSoundCard : public ::testing::Test {
protected:
    DeviceListsWithoutSoundCard() {
        bus->plug(0x0080'88AA'0000'0002, QStringLiteral("Test Camcorder"));
        platform::RegisterDvFilters(*registry);
        platform::RegisterDvDevices(*registry, bus, nullptr, {.watch_interval_ms = 5});
    }

    int restoredAudioChoice(int stored) {
        return render::FillDeviceLists(devices, {.videoOutIndex = 0, .audioOutIndex = stored},
                                       registry)
            .audioOutIndex;
    }

    std::shared_ptr<platform::FilterRegistry> registry =
        std::make_shared<platform::FilterRegistry>();
    std::shared_ptr<platform::DvSimulatedBus> bus = std::make_shared<platform::DvSimulatedBus>();
    render::TDeviceLists devices;
};

TEST_F(DeviceListsWithoutSoundCard, TheStoredAudioChoiceIsKept) {
    EXPECT_EQ(restoredAudioChoice(1), 1);
    ASSERT_EQ(devices.audioNames,
              (QStringList{render::kNoAudioText, QStringLiteral("Test Camcorder")}));
    // "- No audio -" stays chosen: the sound does not move into the DV stream by itself.
    EXPECT_EQ(restoredAudioChoice(0), 0);
    // A sound card chosen before and gone now: the sound travels inside the DV stream.
    EXPECT_EQ(restoredAudioChoice(2), 1);
}

} // namespace

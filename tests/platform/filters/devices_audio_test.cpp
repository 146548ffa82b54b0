#include "platform/filters/device_registration.h"
#include "platform/streaming/device_categories.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

// The test main points Qt at a sound server that does not exist.
TEST(AudioRenderersTest, NoneAreListedWithoutASoundServer) {
    FilterRegistry registry;
    EXPECT_EQ(RegisterAudioRenderers(registry), 0);
    EXPECT_TRUE(registry.devices(CLSID_AudioRendererCategory).empty());
}

} // namespace

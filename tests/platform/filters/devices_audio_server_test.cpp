#include "platform/filters/audio_renderer.h"
#include "platform/filters/device_registration.h"
#include "platform/streaming/device_categories.h"
#include "tests/platform/filters/devices_test_support.h"
#include "tests/platform/filters/dv_test_support.h"
#include "tests/platform/streaming/graph_fixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstring>

namespace {

using namespace platform;

const QString kSinkName = QStringLiteral("quintape_test");
const QString kSinkDescription = QStringLiteral("Quintape_Test_Sink");

// A private PulseAudio server with one null sink, for this process (Qt Multimedia connects to
// the server once, at its first use, so the server starts before any test touches it).
class SoundServerTest : public streamingtest::GraphTest {
protected:
    static void SetUpTestSuite() {
        pulseaudio_ = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio_.isEmpty()) {
            return;
        }
        runtime_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", runtime_->path().toLocal8Bit());
        qunsetenv("PULSE_SERVER");
        const int exit_code = QProcess::execute(
            pulseaudio_,
            {QStringLiteral("--daemonize=yes"), QStringLiteral("--exit-idle-time=-1"),
             QStringLiteral("-n"), QStringLiteral("--load=module-native-protocol-unix"),
             QStringLiteral("--load=module-null-sink sink_name=%1 "
                            "sink_properties=device.description=%2")
                 .arg(kSinkName, kSinkDescription)});
        started_ = exit_code == 0;
    }
    static void TearDownTestSuite() {
        if (started_) {
            QProcess::execute(pulseaudio_, {QStringLiteral("--kill")});
        }
        runtime_.reset();
    }
    void SetUp() override {
        if (pulseaudio_.isEmpty()) {
            GTEST_SKIP() << "pulseaudio is not installed (apt-get install pulseaudio); the "
                            "audio renderer test needs a private sound server";
        }
        ASSERT_TRUE(started_) << "pulseaudio did not start";
    }

    static inline QString pulseaudio_;
    static inline std::unique_ptr<QTemporaryDir> runtime_;
    static inline bool started_ = false;
};

TEST_F(SoundServerTest, ListsTheOutputAndPlaysPcmIntoIt) {
    FilterRegistry registry;
    ASSERT_EQ(RegisterAudioRenderers(registry), 1);
    const auto devices = registry.devices(CLSID_AudioRendererCategory);
    ASSERT_EQ(devices.size(), 1U);
    EXPECT_EQ(devices[0].friendlyName, kSinkDescription);
    EXPECT_EQ(devices[0].instanceName, kSinkName);
    // A second registration replaces the list rather than adding to it.
    EXPECT_EQ(RegisterAudioRenderers(registry), 1);
    EXPECT_EQ(registry.devices(CLSID_AudioRendererCategory).size(), 1U);

    const auto renderer = std::dynamic_pointer_cast<AudioRendererFilter>(devices[0].create());
    ASSERT_NE(renderer, nullptr);
    // Two seconds of tone in 40 ms chunks.
    devicestest::Frames chunks;
    for (int i = 0; i < 50; ++i) {
        const auto tone = dvtest::tone(440.0, 48000, 2, 1920);
        std::vector<std::uint8_t> bytes(tone.size() * sizeof(std::int16_t));
        std::memcpy(bytes.data(), tone.data(), bytes.size());
        chunks.push_back(std::move(bytes));
    }
    useNoClock();
    const auto source = add(std::make_shared<devicestest::BufferSource>(
                                devicestest::pcmType(48000, 2), chunks, UNITS / 25),
                            QStringLiteral("Source"));
    add(renderer, kSinkDescription);
    ASSERT_EQ(connect(source, renderer), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    // The end is reported once the device has played the two seconds, not when the last
    // chunk went into its buffers.
    ASSERT_TRUE(waitEvent(EC_COMPLETE, 20000)) << renderer->lastError().toStdString();
    EXPECT_GE(renderer->processedUSecs(), 2'000'000 - 20'000);
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(renderer->processedUSecs(), 0);
    for (const long code : drainEvents()) {
        EXPECT_NE(code, EC_ERRORABORT) << renderer->lastError().toStdString();
    }
}

} // namespace

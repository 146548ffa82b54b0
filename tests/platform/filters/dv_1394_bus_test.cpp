#include "platform/filters/dv_1394_access.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/filters/dv_device_silence.h"
#include "platform/filters/dv_device_watch.h"
#include "platform/streaming/thread_priority.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sched.h>
#include <sys/resource.h>
#include <thread>

namespace {

using platform::Ieee1394DeviceFile;

class DeviceFileTest : public testsupport::TempDirTest {
protected:
    void makeNode(const QString& name, bool local) {
        QDir(path(QString())).mkpath(QStringLiteral("dev"));
        QFile node(path(QStringLiteral("dev/") + name));
        ASSERT_TRUE(node.open(QIODevice::WriteOnly));
        QDir(path(QString())).mkpath(QStringLiteral("sys/") + name);
        QFile attribute(path(QStringLiteral("sys/%1/is_local").arg(name)));
        ASSERT_TRUE(attribute.open(QIODevice::WriteOnly));
        attribute.write(local ? "1\n" : "0\n");
    }
    std::vector<Ieee1394DeviceFile> list(const QStringList& unreadable) {
        return platform::listIeee1394DeviceFiles(
            path(QStringLiteral("dev")), path(QStringLiteral("sys")),
            [&](const QString& file) { return !unreadable.contains(QFileInfo(file).fileName()); });
    }
};

// Debian's defaults: the camcorder's node is readable, the card's own node is not. The text
// names the card's node (not "no port") and points to the README's udev rule.
TEST_F(DeviceFileTest, TheUnreadableNodeIsNamed) {
    makeNode(QStringLiteral("fw0"), true);
    makeNode(QStringLiteral("fw1"), false);
    makeNode(QStringLiteral("fw10"), false);
    makeNode(QStringLiteral("fwx"), false);

    const auto files = list({QStringLiteral("fw0")});
    ASSERT_EQ(files.size(), 3u);
    EXPECT_TRUE(files[0].path.endsWith(QStringLiteral("/fw0")));
    EXPECT_TRUE(files[0].local);
    EXPECT_FALSE(files[0].accessible);
    EXPECT_TRUE(files[2].path.endsWith(QStringLiteral("/fw10")));
    EXPECT_FALSE(files[1].local);
    EXPECT_TRUE(files[1].accessible);

    const QString card = platform::dv1394AccessProblemText(files);
    EXPECT_TRUE(card.contains(files[0].path + QStringLiteral(" (the FireWire card itself)")))
        << card.toStdString();
    EXPECT_FALSE(card.contains(files[1].path));
    EXPECT_TRUE(card.contains(QStringLiteral("README"))) << card.toStdString();
    EXPECT_TRUE(card.contains(QStringLiteral("udev"))) << card.toStdString();

    // A camcorder's node that cannot be opened is named as a device on the bus.
    const QString both =
        platform::dv1394AccessProblemText(list({QStringLiteral("fw0"), QStringLiteral("fw1")}));
    EXPECT_TRUE(both.contains(QStringLiteral("device files"))) << both.toStdString();
    EXPECT_TRUE(both.contains(path(QStringLiteral("dev/fw1")) + QStringLiteral(" (a device")))
        << both.toStdString();

    // Everything can be opened, or there is nothing: the port is really missing.
    EXPECT_TRUE(platform::dv1394AccessProblemText(list({})).isEmpty());
    EXPECT_TRUE(platform::dv1394AccessProblemText({}).isEmpty());
}

TEST(ThreadPriority, StaysWithinTheRealTimeLimit) {
    using platform::realTimePriorityWithin;
    EXPECT_EQ(realTimePriorityWithin(20, 0, 1, 99), std::nullopt);
    EXPECT_EQ(realTimePriorityWithin(20, 5, 1, 99), 5);
    EXPECT_EQ(realTimePriorityWithin(20, 50, 1, 99), 20);
    EXPECT_EQ(realTimePriorityWithin(20, RLIM_INFINITY, 1, 99), 20);
    EXPECT_EQ(realTimePriorityWithin(200, RLIM_INFINITY, 1, 99), 99);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_RTPRIO, &saved), 0);
    const auto inThread = [](int wanted) {
        std::pair<bool, int> result;
        std::thread([&] {
            result.first = platform::useRealTimePriority(wanted);
            result.second = platform::currentRealTimePriority();
        }).join();
        return result;
    };
    // A limit of 0 leaves the thread alone, whatever the privileges.
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_RTPRIO, &none), 0);
    EXPECT_EQ(inThread(10), std::make_pair(false, 0));

    rlimit some = saved;
    some.rlim_cur = 3;
    if (some.rlim_max != RLIM_INFINITY && some.rlim_max < 3) {
        some.rlim_max = 3;
    }
    if (::setrlimit(RLIMIT_RTPRIO, &some) == 0) {
        const auto [switched, priority] = inThread(10);
        // The system may still refuse (a container); then the thread stays normal.
        EXPECT_EQ(priority, switched ? 3 : 0);
    }
    ASSERT_EQ(::setrlimit(RLIMIT_RTPRIO, &saved), 0);
}

TEST(DvAudioSilence, SilencesTheSamplesAndKeepsPicturesAndPacks) {
    std::vector<std::uint8_t> frame(144000);
    // A synthetic frame: every 16th block from 6 on in each sequence is an audio block.
    for (std::size_t block = 0; block < frame.size() / 80; ++block) {
        std::uint8_t* const b = frame.data() + block * 80;
        const std::size_t in_sequence = block % 150;
        const bool audio = in_sequence >= 6 && (in_sequence - 6) % 16 == 0;
        b[0] = audio ? 0x70 : 0x90;
        std::fill(b + 3, b + 80, std::uint8_t{0x55});
    }
    const std::vector<std::uint8_t> original = frame;
    EXPECT_FALSE(platform::isDvAudioSilent(frame));
    platform::silenceDvAudio(frame);
    EXPECT_TRUE(platform::isDvAudioSilent(frame));
    for (std::size_t block = 0; block < frame.size() / 80; ++block) {
        const std::size_t offset = block * 80;
        const bool audio = (original[offset] >> 5) == 3;
        // The ID and the audio pack stay; video blocks are untouched.
        const std::size_t kept = audio ? 8 : 80;
        EXPECT_TRUE(std::equal(frame.begin() + static_cast<long>(offset),
                               frame.begin() + static_cast<long>(offset + kept),
                               original.begin() + static_cast<long>(offset)))
            << "block " << block;
    }
}

// The watch's callback may let go of the last reference to its owner, so that the watch is
// destroyed on its own thread: it must neither join itself nor touch freed memory.
TEST(DvDeviceWatch, ACallbackMayDestroyTheWatch) {
    const auto bus = std::make_shared<platform::DvSimulatedBus>();
    bus->plug(0x42, QStringLiteral("Camcorder"));
    std::unique_ptr<platform::DvDeviceWatch> watch;
    std::atomic<bool> destroyed = false;
    std::mutex mutex;
    {
        const std::lock_guard lock(mutex);
        watch = std::make_unique<platform::DvDeviceWatch>(
            bus, 0x42, true, platform::DvDeviceWatchTiming{}, [&](bool present) {
                if (!present) {
                    const std::lock_guard callback_lock(mutex);
                    watch.reset();
                    destroyed = true;
                }
            });
    }
    bus->unplug(0x42);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!destroyed && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(destroyed.load());
}

} // namespace

// The DV devices of the main window on a simulated IEEE 1394 bus: the device list, and a
// camcorder unplugged and plugged back while the output runs.
#include "tests/app/transport_fixture.h"
#include "tests/transport/slider_points.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace transporttest;
using graph::TGraphState;

constexpr std::uint64_t kCamGuid = 0x0800460102030405ULL;
const QString kCamcorder = QStringLiteral("Test Camcorder");

QStringList itemsOf(const QComboBox& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i) {
        items << list.itemText(i);
    }
    return items;
}

class TransportDevices : public TransportWindowTest {
protected:
    QComboBox& videoList() const { return *child<QComboBox>("cbVideoOut"); }
    // Whether the camcorder takes DV from the bus again.
    bool busCarriesDv() {
        bus->takeReceived();
        return waitUntil([&] {
            bus->runDataPackets(300);
            return bus->receivedBytes() > 0;
        });
    }
};

TEST_F(TransportDevices, CamcordersComeFirstAndWithoutOneTheMonitorIsTheFirstChoice) {
    open({}, 2, QString());
    EXPECT_EQ(itemsOf(videoList()),
              (QStringList{QStringLiteral("DV Monitor"), QStringLiteral("DV File Recorder")}));
    EXPECT_EQ(videoList().currentIndex(), 0);

    bus->plug(kCamGuid, kCamcorder);
    QTest::mouseClick(child<QPushButton>("SpeedButton2"), Qt::LeftButton);
    EXPECT_EQ(itemsOf(videoList()), (QStringList{kCamcorder, QStringLiteral("DV Monitor"),
                                                 QStringLiteral("DV File Recorder")}));
}

TEST_F(TransportDevices, ACamcorderUnpluggedAndBackResumesWhereTheThumbWas) {
    bus->plug(kCamGuid, kCamcorder);
    open(threeClips(), 2, kCamcorder);
    click("buPlayNoSh");
    ASSERT_TRUE(busCarriesDv());
    tick();
    ASSERT_EQ(trackBar().maximum(), 300);
    QTest::mouseClick(&trackBar(), Qt::LeftButton, {},
                      transporttest::pointOfValue(trackBar(), 120));
    const int thumb = trackBar().value();
    const int buildsBefore = builds;

    // Gone: the lists no longer hold it and the graph is built again, stopped.
    bus->unplug(kCamGuid);
    ASSERT_TRUE(waitUntil([&] { return builds == buildsBefore + 1; }));
    EXPECT_FALSE(itemsOf(videoList()).contains(kCamcorder));
    EXPECT_EQ(state(), TGraphState::Stopped);

    // Back: built for it again, at the thumb where the output was, and running.
    bus->plug(kCamGuid, kCamcorder);
    ASSERT_TRUE(waitUntil([&] { return builds == buildsBefore + 2; }));
    EXPECT_EQ(videoList().currentText(), kCamcorder);
    EXPECT_EQ(trackBar().value(), thumb);
    EXPECT_EQ(trackBar().PinShift(), 6 * kSecond * thumb / trackBar().maximum());
    EXPECT_EQ(state(), TGraphState::Running);
    EXPECT_EQ(pressedButton(), QStringLiteral("buPlayNoSh"));
    EXPECT_TRUE(busCarriesDv());
}

} // namespace

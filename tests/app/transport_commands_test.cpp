// The transport commands of the main window over three generated clips of 2 s, played into the
// "DV File Recorder" on a manual clock: what the device receives, the state of the output and
// the pressed button after every command.
#include "platform/streaming/device_categories.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/streaming_errors.h"
#include "tests/app/transport_fixture.h"
#include "tests/transport/slider_points.h"
#include "widgets/icon_grid.h"
#include "widgets/radio_group.h"

#include <QComboBox>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace transporttest;
using graph::TGraphState;
using testmedia::FrameMark;
using transporttest::pointOfValue;

const QColor kCurrentRow(192, 220, 192);

class TransportCommands : public TransportWindowTest {
protected:
    // Brings the output into `state`: no graph, or the graph stopped, paused or running.
    void enter(TGraphState wanted) {
        switch (wanted) {
        case TGraphState::None:
            window->TearDownGraph();
            break;
        case TGraphState::Stopped:
            click("buStop");
            break;
        case TGraphState::Paused:
            click("buPause");
            break;
        case TGraphState::Running:
            click("buPlayNoSh");
            break;
        }
        ASSERT_EQ(state(), wanted);
    }

    // The first frame the device receives after `button` moved a running output.
    std::optional<FrameMark> firstFrameAfter(const char* button) {
        removeRecording();
        click(button);
        if (!waitForFrames(1)) {
            return std::nullopt;
        }
        return recordedMark(0);
    }
};

TEST_F(TransportCommands, WithNothingLoadedTheButtonsOnlyChooseWhatTheNextOpenDoes) {
    open({}, 0);
    auto& onOpen = *child<QComboBox>("cbOnOpen");
    for (const auto& [button, choice] : {std::pair{"buPause", 1}, std::pair{"buStop", 2},
                                         std::pair{"buPlayNoSh", 0}, std::pair{"buPause", 1}}) {
        click(button);
        EXPECT_EQ(onOpen.currentIndex(), choice) << button;
        EXPECT_EQ(pressedButton(), QString()) << button;
    }
    EXPECT_FALSE(window->fgMain.Active());
    EXPECT_EQ(builds, 0);

    // The choice is performed by the next open.
    openItems({2 * kSecond});
    EXPECT_EQ(state(), TGraphState::Paused);
    EXPECT_EQ(pressedButton(), QStringLiteral("buPause"));
}

TEST_F(TransportCommands, PlayPauseAndStopInEveryState) {
    open(threeClips());
    const TGraphState states[] = {TGraphState::None, TGraphState::Stopped, TGraphState::Paused,
                                  TGraphState::Running};
    const std::pair<const char*, TGraphState> commands[] = {{"buPlayNoSh", TGraphState::Running},
                                                            {"buPause", TGraphState::Paused},
                                                            {"buStop", TGraphState::Stopped}};
    for (const TGraphState from : states) {
        for (const auto& [button, to] : commands) {
            SCOPED_TRACE(testing::Message() << button << " from state " << static_cast<int>(from));
            enter(from);
            const int buildsBefore = builds;
            click(button);
            EXPECT_EQ(state(), to);
            EXPECT_EQ(pressedButton(), QString::fromLatin1(button));
            // Only a command without a graph builds one.
            EXPECT_EQ(builds, buildsBefore + (from == TGraphState::None ? 1 : 0));
            if (to == TGraphState::Running) {
                EXPECT_TRUE(outputRuns());
            }
        }
    }
}

TEST_F(TransportCommands, StopPutsTheOutputWhereTheThumbStands) {
    open(threeClips());
    click("buPlayNoSh");
    advance(1200 * kMs);
    tick();
    click("buPause");
    // Keys move the thumb without seeking; the stop applies it.
    ASSERT_EQ(trackBar().value(), 60);
    trackBar().setFocus();
    for (int step = 0; step < 10; ++step) {
        QTest::keyClick(&trackBar(), Qt::Key_Right);
    }
    ASSERT_EQ(trackBar().value(), 70);
    click("buStop");
    EXPECT_EQ(firstFrameAfter("buPlayNoSh"), markAt(1400 * kMs));
}

TEST_F(TransportCommands, OnEndPausePausesOneSecondBeforeTheEnd) {
    open(threeClips());
    child<QComboBox>("cbOnEnd")->setCurrentIndex(0);
    click("buPlayNoSh");
    advance(4960 * kMs);
    ASSERT_TRUE(waitForFrames(125));
    tick();
    EXPECT_EQ(state(), TGraphState::Running);
    advance(40 * kMs);
    tick();
    EXPECT_EQ(state(), TGraphState::Paused);
    EXPECT_EQ(pressedButton(), QStringLiteral("buPause"));
    // The device got every frame up to the pause, 5 s into the 6 s timeline (the frame due at
    // the pause may or may not have gone out before it).
    const int frames = recordedFrames();
    EXPECT_GE(frames, 125);
    EXPECT_LE(frames, 126);
    EXPECT_EQ(recordedMark(frames - 1), markAt((frames - 1) * kFrame));

    // Played again within the last second, the output pauses at the next report.
    click("buPlayNoSh");
    advance(200 * kMs);
    tick();
    EXPECT_EQ(state(), TGraphState::Paused);
}

TEST_F(TransportCommands, OnEndStopStopsWhenThePlaylistCompletes) {
    open(threeClips());
    ASSERT_EQ(child<QComboBox>("cbOnEnd")->currentIndex(), 1);
    click("buPlayNoSh");
    advance(6 * kSecond);
    ASSERT_TRUE(waitUntil([&] { return state() == TGraphState::Stopped; }));
    EXPECT_EQ(pressedButton(), QStringLiteral("buStop"));
    EXPECT_EQ(recordedFrames(), 150);
    EXPECT_EQ(recordedMark(149), markAt(6 * kSecond - kFrame));
}

TEST_F(TransportCommands, PreviousAndNextMoveByItemAndRestartItAtEitherEnd) {
    open(threeClips());
    click("buPlayNoSh");
    ASSERT_TRUE(waitForFrames(1));
    const std::tuple<const char*, FrameMark, int> steps[] = {
        {"buNext", markAt(2 * kSecond), 1}, {"buNext", markAt(4 * kSecond), 2},
        {"buNext", markAt(4 * kSecond), 2}, {"buPrev", markAt(2 * kSecond), 1},
        {"buPrev", markAt(0), 0},           {"buPrev", markAt(0), 0},
    };
    for (const auto& [button, mark, item] : steps) {
        SCOPED_TRACE(testing::Message() << button << " to item " << item);
        EXPECT_EQ(firstFrameAfter(button), mark);
        EXPECT_EQ(grid().Tag(), item);
        EXPECT_EQ(window->MainListItemIndex(), item);
        EXPECT_EQ(grid().ColorRow(item), kCurrentRow);
        EXPECT_EQ(state(), TGraphState::Running);
    }

    // Paused stays paused.
    click("buPause");
    click("buNext");
    EXPECT_EQ(state(), TGraphState::Paused);
    EXPECT_EQ(trackBar().PinShift(), 2 * kSecond);

    // Without a graph only the current item changes.
    window->TearDownGraph();
    const int buildsBefore = builds;
    click("buNext");
    EXPECT_EQ(grid().Tag(), 2);
    EXPECT_EQ(grid().ColorRow(2), kCurrentRow);
    EXPECT_FALSE(window->fgMain.Active());
    EXPECT_EQ(builds, buildsBefore);
}

TEST_F(TransportCommands, DoubleClickOnARowJumpsToItsItem) {
    open(threeClips());
    click("buPlayNoSh");
    ASSERT_TRUE(waitForFrames(1));
    removeRecording();
    const QRect cell = grid().visualRect(grid().model()->index(2, 2));
    // What the window system delivers for a double click: a click, then the second press as a
    // double click, then its release.
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(grid().viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(waitForFrames(1));
    EXPECT_EQ(recordedMark(0), markAt(4 * kSecond));
    EXPECT_EQ(grid().Tag(), 2);
    EXPECT_EQ(grid().ColorRow(2), kCurrentRow);
    EXPECT_EQ(state(), TGraphState::Running);
}

TEST_F(TransportCommands, ApplyChangesReturnsToTheStateAndThumbItFound) {
    open(threeClips());
    click("buPlayNoSh");
    advance(3 * kSecond);
    tick();
    click("buPause");
    const int thumb = trackBar().value();
    ASSERT_EQ(thumb, 150);
    const int buildsBefore = builds;

    window->ApplyChanges();
    EXPECT_EQ(builds, buildsBefore + 1);
    EXPECT_EQ(state(), TGraphState::Paused);
    EXPECT_EQ(trackBar().value(), thumb);
    EXPECT_EQ(pressedButton(), QStringLiteral("buPause"));
    EXPECT_EQ(firstFrameAfter("buPlayNoSh"), markAt(3 * kSecond));

    // Without a graph the list is rebuilt and no graph is.
    window->TearDownGraph();
    window->ApplyChanges();
    EXPECT_FALSE(window->fgMain.Active());
    EXPECT_EQ(builds, buildsBefore + 1);
    EXPECT_EQ(window->MainList().count(), 3);
    EXPECT_FALSE(child<QProgressBar>("ProgressBar")->isVisible());
}

TEST_F(TransportCommands, WithoutRecompressionASeekRebuildsFromTheThumb) {
    open(threeClips());
    auto& recompress = *child<widgets::TRadioGroup>("rgRecompressMode");
    recompress.setItemIndex(1);
    window->ApplyChanges();
    ASSERT_EQ(trackBar().Mode(), transport::tbmDVShift);
    click("buPlayNoSh");
    ASSERT_TRUE(outputRuns());
    tick();
    ASSERT_EQ(trackBar().maximum(), 300);

    removeRecording();
    int buildsBefore = builds;
    QTest::mouseClick(&trackBar(), Qt::LeftButton, {}, pointOfValue(trackBar(), 180));
    const int thumb = trackBar().value();
    const platform::REFERENCE_TIME start = 6 * kSecond * thumb / 300;
    EXPECT_EQ(window->RenderRangeStart(), start);
    EXPECT_EQ(trackBar().DVShift, start);
    EXPECT_EQ(builds, buildsBefore + 1);
    EXPECT_EQ(state(), TGraphState::Running);
    ASSERT_TRUE(waitForFrames(1));
    EXPECT_EQ(recordedMark(0), markAt(start));

    // Once "Recompress All" is chosen, a request to move the output changes nothing until the
    // options are applied.
    recompress.setItemIndex(0);
    buildsBefore = builds;
    QTest::mouseClick(&trackBar(), Qt::LeftButton, {}, pointOfValue(trackBar(), 60));
    EXPECT_EQ(builds, buildsBefore);
    EXPECT_EQ(window->RenderRangeStart(), start);
    EXPECT_EQ(state(), TGraphState::Running);
}

// A DV device that cannot start, or that fails at its first frame.
class BrokenDevice final : public platform::RendererBase {
public:
    static constexpr platform::CLSID kRefusingClsid{
        0x51A4E001, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0xC3}};
    static constexpr platform::CLSID kFailingClsid{
        0x51A4E001, 0x0004, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0xC4}};
    explicit BrokenDevice(bool refusesToStart)
        : RendererBase(QStringLiteral("Broken Device"),
                       refusesToStart ? kRefusingClsid : kFailingClsid),
          refusesToStart_(refusesToStart) {}

protected:
    platform::HRESULT CheckMediaType(const platform::AM_MEDIA_TYPE&) override {
        return platform::S_OK;
    }
    platform::HRESULT DoRenderSample(platform::IMediaSample&) override { return platform::E_FAIL; }
    platform::HRESULT onActivate() override {
        return refusesToStart_ ? platform::VFW_E_NO_TRANSPORT : RendererBase::onActivate();
    }

private:
    bool refusesToStart_;
};

class BrokenDevices : public TransportCommands {
protected:
    BrokenDevices() {
        for (const bool refuses : {true, false}) {
            filters->add(platform::namedDevice(
                platform::CLSID_VideoInputDeviceCategory,
                refuses ? QStringLiteral("Refusing Device") : QStringLiteral("Failing Device"),
                refuses ? BrokenDevice::kRefusingClsid : BrokenDevice::kFailingClsid,
                [refuses] { return std::make_shared<BrokenDevice>(refuses); }));
        }
    }
};

TEST_F(BrokenDevices, ARefusedCommandIsReportedAndLeavesTheButtonsAsTheyWere) {
    open(threeClips(), 2, QStringLiteral("Refusing Device"));
    ASSERT_EQ(pressedButton(), QStringLiteral("buStop"));
    for (const char* button : {"buPlayNoSh", "buPause"}) {
        click(button);
        EXPECT_EQ(errors.size(), 1) << button;
        errors.clear();
        EXPECT_EQ(pressedButton(), QStringLiteral("buStop")) << button;
        EXPECT_EQ(state(), TGraphState::Stopped) << button;
    }
}

TEST_F(BrokenDevices, AStreamThatBreaksOffIsNotTheEndOfThePlaylist) {
    open(threeClips(), 2, QStringLiteral("Failing Device"));
    ASSERT_FALSE(window->ConnectionError());
    click("buPlayNoSh");
    ASSERT_TRUE(waitUntil([&] { return window->ConnectionError(); }));
    EXPECT_EQ(state(), TGraphState::Running);
    EXPECT_EQ(pressedButton(), QStringLiteral("buPlayNoSh"));
}

} // namespace

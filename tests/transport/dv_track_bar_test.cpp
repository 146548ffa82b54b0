// The all-files trackbar against a real graph on a manual clock: polling, the three seek
// methods at the release of the thumb and on request, the listener calls, and what happens
// without a timeline to seek in.
#include "transport/dv_track_bar.h"
#include "transport/position_map.h"

#include "graph/directshow_exception.h"
#include "platform/streaming/reference_clocks.h"
#include "tests/graph/filter_graph_test_doubles.h"
#include "tests/transport/slider_points.h"

#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <utility>

namespace transport {
namespace {

using namespace platform;
using graph::TFilterGraph;
using graph::TGraphState;
using streamingtest::kFrame;
using streamingtest::NumberSource;
using streamingtest::RecordingRenderer;
using transporttest::pointOfValue;

constexpr REFERENCE_TIME kMs = 10'000;
constexpr REFERENCE_TIME kSecond = 1000 * kMs;
constexpr REFERENCE_TIME kTenMinutes = 600 * kSecond;
using Report = std::pair<std::uint32_t, std::uint32_t>;

std::shared_ptr<IPin> outputPin(const std::shared_ptr<IBaseFilter>& filter) {
    for (const auto& pin : filter->EnumPins()) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        pin->QueryDirection(&direction);
        if (direction == PINDIR_OUTPUT) {
            return pin;
        }
    }
    return nullptr;
}

class DVTrackBarTest : public ::testing::Test {
protected:
    DVTrackBarTest() {
        fg.AddListener(&listener);
        bar.resize(400, 30);
        bar.show();
        bar.setFilterGraph(&fg);
        bar.setTimerInterval(250);
        bar.OnTimer = [this](TDVTrackBar* sender, std::uint32_t current, std::uint32_t stop) {
            EXPECT_EQ(sender, &bar);
            timers.emplace_back(current, stop);
        };
        bar.OnChanging = [this](TDVTrackBar*, std::uint32_t current, std::uint32_t stop) {
            changing.emplace_back(current, stop);
        };
        bar.OnChange = [this](TDVTrackBar*) { ++changes; };
        bar.OnEndOfChange = [this](TDVTrackBar*) {
            ends.push_back(bar.Tracking());
            positionAtEnd = position();
        };
        bar.OnDVSeekDone = [this](TDVTrackBar*, REFERENCE_TIME target) {
            seeksDone.push_back(target);
        };
        bar.OnDVShiftSeekToPosition = [this](TDVTrackBar*, TGraphState state) {
            shiftRequests.push_back(state);
        };
    }

    // `count` chains of a numbered source and a recorder, each `length` long, on the manual
    // clock.
    void build(REFERENCE_TIME length, int count = 1) {
        fg.setActive(true);
        ASSERT_EQ(fg.query<IMediaFilter>()->SetSyncSource(clock), S_OK);
        const auto graph = fg.query<IGraphBuilder>();
        for (int i = 0; i < count; ++i) {
            sources.push_back(std::make_shared<NumberSource>(static_cast<int>(length / kFrame)));
            renderers.push_back(std::make_shared<RecordingRenderer>());
            graph->AddFilter(sources.back(), QStringLiteral("src%1").arg(i));
            graph->AddFilter(renderers.back(), QStringLiteral("out%1").arg(i));
            ASSERT_EQ(graph->Connect(outputPin(sources.back()), renderers.back()->EnumPins()[0]),
                      S_OK);
        }
    }
    REFERENCE_TIME position() {
        REFERENCE_TIME current = -1;
        if (const auto seeking = fg.query<IMediaSeeking>()) {
            seeking->GetCurrentPosition(&current);
        }
        return current;
    }
    QTimer* pollTimer() { return bar.findChild<QTimer*>(QStringLiteral("pollTimer")); }
    void tick() { QMetaObject::invokeMethod(pollTimer(), "timeout"); }
    void advance(REFERENCE_TIME time) { ASSERT_EQ(clock->Advance(time), S_OK); }
    QStringList commands() { return log.filter(QStringLiteral("listener control")); }

    QStringList log;
    graphtest::LoggingListener listener{log};
    std::shared_ptr<ManualReferenceClock> clock = std::make_shared<ManualReferenceClock>();
    std::vector<std::shared_ptr<NumberSource>> sources;
    std::vector<std::shared_ptr<RecordingRenderer>> renderers;
    TFilterGraph fg;
    TDVTrackBar bar;

    std::vector<Report> timers;
    std::vector<Report> changing;
    int changes = 0;
    std::vector<bool> ends; // Tracking at each OnEndOfChange
    REFERENCE_TIME positionAtEnd = -1;
    std::vector<REFERENCE_TIME> seeksDone;
    std::vector<TGraphState> shiftRequests;
};

TEST_F(DVTrackBarTest, PollsOnlyWhileTheOutputRuns) {
    build(kTenMinutes);
    EXPECT_FALSE(pollTimer()->isActive());
    ASSERT_TRUE(fg.Play());
    EXPECT_TRUE(pollTimer()->isActive());
    EXPECT_EQ(pollTimer()->interval(), 250);

    // One thumb step per interval: ten minutes in 250 ms steps.
    tick();
    EXPECT_EQ(bar.maximum(), 2400);
    EXPECT_EQ(bar.value(), 0);
    for (int step = 1; step <= 3; ++step) {
        advance(250 * kMs);
        tick();
        EXPECT_EQ(bar.value(), step);
        EXPECT_EQ(timers.back(), Report(250 * step, 600'000));
    }

    fg.Pause();
    EXPECT_FALSE(pollTimer()->isActive());
    bar.setEnabled(false);
    fg.Play();
    EXPECT_FALSE(pollTimer()->isActive()) << "a disabled trackbar does not follow the output";
    bar.setEnabled(true);
    fg.Play();
    EXPECT_TRUE(pollTimer()->isActive());
    bar.setTimerInterval(0);
    EXPECT_FALSE(pollTimer()->isActive());
}

TEST_F(DVTrackBarTest, DragReportsTheThumbTimeAndTheReleaseSeeksTheGraph) {
    build(kTenMinutes);
    ASSERT_TRUE(fg.Play());
    advance(100 * kSecond);
    tick();
    ASSERT_EQ(bar.value(), 400);

    const QPoint grip = pointOfValue(bar, 1200);
    QTest::mousePress(&bar, Qt::LeftButton, {}, grip);
    EXPECT_TRUE(bar.Tracking());
    const int held = bar.value();
    EXPECT_NEAR(held, 1200, 12);
    ASSERT_FALSE(changing.empty());
    EXPECT_EQ(changing.back(), Report(held * 250, 600'000));

    // While the button is held the polls report but leave the thumb and its scale alone.
    advance(10 * kSecond);
    tick();
    EXPECT_EQ(timers.back(), Report(110'000, 600'000));
    EXPECT_EQ(bar.value(), held);
    EXPECT_EQ(bar.maximum(), 2400);

    QTest::mouseRelease(&bar, Qt::LeftButton, {}, grip);
    EXPECT_EQ(ends, std::vector<bool>{false});
    EXPECT_EQ(positionAtEnd, held * 250 * kMs) << "seeked before the end of the change";
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Running);
}

TEST_F(DVTrackBarTest, OtherButtonsAndKeysNeverSeek) {
    build(kTenMinutes);
    fg.Pause();
    tick();
    const QPoint grip = pointOfValue(bar, 1200);
    QTest::mousePress(&bar, Qt::LeftButton, {}, grip);
    QTest::mousePress(&bar, Qt::RightButton, {}, grip);
    QTest::mouseRelease(&bar, Qt::RightButton, {}, grip);
    EXPECT_FALSE(bar.Tracking());
    EXPECT_EQ(ends, std::vector<bool>{false});
    EXPECT_EQ(position(), 0);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, grip);

    QTest::mouseClick(&bar, Qt::RightButton, {}, pointOfValue(bar, 2000));
    EXPECT_EQ(ends.size(), 3u);
    EXPECT_EQ(position(), positionAtEnd);

    // A key moves the thumb and reports the change; the next poll puts it back.
    const REFERENCE_TIME before = position();
    const int thumb = bar.value();
    changes = 0;
    changing.clear();
    bar.setFocus();
    QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(bar.value(), thumb + 1);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(changing.empty());
    EXPECT_EQ(position(), before);
    tick();
    EXPECT_EQ(bar.value(), thumb);
}

TEST_F(DVTrackBarTest, PinSeekInPlaceRestartsBothPinsAndKeepsRunning) {
    bar.setMode(tbmDV);
    build(kTenMinutes, 2);
    bar.setPin(outputPin(sources[0]));
    bar.setPin2(outputPin(sources[1]));
    ASSERT_TRUE(fg.Play());
    // Between two thumb steps, so that the seek differs from where the output stood.
    advance(101'300 * kMs);
    tick();
    for (const auto& renderer : renderers) {
        ASSERT_TRUE(renderer->waitForCount(2533));
        renderer->clear();
    }
    log.clear();

    const QPoint grip = pointOfValue(bar, bar.value());
    QTest::mousePress(&bar, Qt::LeftButton, {}, grip);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, grip);
    const REFERENCE_TIME target = bar.value() * 250 * kMs;
    EXPECT_NEAR(static_cast<double>(target), static_cast<double>(101 * kSecond), 3 * kSecond);
    EXPECT_EQ(bar.PinShift(), target);
    EXPECT_EQ(seeksDone, std::vector<REFERENCE_TIME>{target});
    EXPECT_EQ(commands(), QStringList({"listener control 2 0", "listener control 0 0"}));
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Running);
    EXPECT_TRUE(pollTimer()->isActive());

    // Both streams go on from the target; the graph counts from zero again and the poll adds
    // the shift.
    const auto firstFrame = static_cast<std::int32_t>(target / kFrame);
    advance(kSecond);
    for (const auto& renderer : renderers) {
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const auto n = renderer->numbers();
            return !n.empty() && n.back() >= firstFrame + 24;
        }));
        EXPECT_EQ(renderer->numbers().front(), firstFrame);
    }
    tick();
    EXPECT_EQ(timers.back().first, ToMilliseconds(target + kSecond));

    // A new pin takes the shift away: the poll reports the graph's own position.
    bar.setPin2(nullptr);
    EXPECT_EQ(bar.PinShift(), 0);
    tick();
    EXPECT_EQ(timers.back().first, 1000u);
}

TEST_F(DVTrackBarTest, ShiftModeCountsFromTheRenderStartAndAsksForARebuild) {
    bar.setMode(tbmDVShift);
    bar.DVShift = 60 * kSecond;
    build(kTenMinutes);
    ASSERT_TRUE(fg.Play());
    advance(100 * kSecond);
    tick();
    EXPECT_EQ(bar.maximum(), 2640);
    EXPECT_EQ(timers.back(), Report(160'000, 660'000));
    // A thumb at the end reports the end, whatever the graph says.
    bar.setValue(bar.maximum());
    tick();
    EXPECT_EQ(timers.back(), Report(660'000, 660'000));

    const REFERENCE_TIME before = position();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, pointOfValue(bar, 1320));
    EXPECT_EQ(timers.back(), Report(bar.value() * 250, 660'000));
    EXPECT_EQ(shiftRequests, std::vector<TGraphState>{TGraphState::Running});
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Running);
    EXPECT_EQ(position(), before) << "the graph itself is not seeked";
}

TEST_F(DVTrackBarTest, SeekToInEachMode) {
    build(kTenMinutes);
    bar.setPin(outputPin(sources[0]));
    fg.Pause();
    bar.SeekTo(250 * kSecond, kTenMinutes);
    EXPECT_EQ(position(), 250 * kSecond);

    bar.setMode(tbmDV);
    log.clear();
    bar.SeekTo(200 * kSecond, kTenMinutes);
    EXPECT_EQ(bar.PinShift(), 200 * kSecond);
    EXPECT_EQ(seeksDone, std::vector<REFERENCE_TIME>{200 * kSecond});
    EXPECT_EQ(timers.back(), Report(200'000, 600'000));
    EXPECT_EQ(commands(), QStringList({"listener control 2 0", "listener control 1 0"}));
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Paused);

    bar.setMode(tbmDVShift);
    bar.SeekTo(300 * kSecond, kTenMinutes);
    EXPECT_EQ(bar.value(), bar.maximum() / 2);
    EXPECT_EQ(timers.back(), Report(300'000, 600'000));
    EXPECT_EQ(shiftRequests, std::vector<TGraphState>{TGraphState::Paused});
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Stopped);
    // Without a timeline length the thumb stays.
    const int thumb = bar.value();
    bar.SeekTo(100 * kSecond, 0);
    EXPECT_EQ(bar.value(), thumb);
    EXPECT_EQ(shiftRequests.size(), 2u);
}

TEST_F(DVTrackBarTest, NothingMovesWithoutThumbSteps) {
    // Shorter than one polling interval: no thumb steps at all.
    bar.setTimerInterval(1000);
    build(400 * kMs);
    bar.setPin(outputPin(sources[0]));
    fg.Pause();
    tick();
    ASSERT_EQ(bar.maximum(), 0);
    log.clear();
    for (const TtbMode mode : {tbmStandart, tbmDV, tbmDVShift}) {
        bar.setMode(mode);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, pointOfValue(bar, 0));
        bar.SeekTo(200 * kMs, 400 * kMs);
        bar.SeekToThumb();
    }
    EXPECT_EQ(ends, std::vector<bool>(3, false));
    EXPECT_TRUE(changing.empty());
    EXPECT_TRUE(seeksDone.empty());
    EXPECT_TRUE(shiftRequests.empty());
    EXPECT_TRUE(commands().isEmpty());
    EXPECT_EQ(position(), 0);
}

TEST_F(DVTrackBarTest, ClockChangeRewindsTheGraph) {
    build(kTenMinutes);
    REFERENCE_TIME at = 100 * kSecond;
    fg.query<IMediaSeeking>()->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning);
    ASSERT_EQ(position(), at);
    fg.query<IMediaFilter>()->SetSyncSource(std::make_shared<ManualReferenceClock>());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.contains(QStringLiteral("listener event 13")); }));
    EXPECT_EQ(position(), 0);
    REFERENCE_TIME stop = 0;
    fg.query<IMediaSeeking>()->GetStopPosition(&stop);
    EXPECT_EQ(stop, kTenMinutes);
}

TEST_F(DVTrackBarTest, ErrorsLeaveTheTrackBarWorking) {
    // An error in a poll reaches the application's report; polling goes on.
    build(kTenMinutes);
    fg.Play();
    bar.OnTimer = [](TDVTrackBar*, std::uint32_t, std::uint32_t) {
        throw std::runtime_error("display failed");
    };
    EXPECT_THROW(tick(), std::runtime_error);
    EXPECT_TRUE(pollTimer()->isActive());

    // A graph that refuses to run again after a pin seek still ends the drag.
    bar.OnTimer = nullptr;
    bar.setMode(tbmDV);
    bar.setPin(outputPin(sources[0]));
    const auto device = std::make_shared<graphtest::LosableDevice>();
    fg.Stop();
    fg.query<IFilterGraph>()->AddFilter(device, QStringLiteral("dvCam"));
    fg.Play();
    device->refuseStart = true;
    // Straight to the control: an exception must not unwind through Qt's own event dispatch,
    // which does not clean up behind it.
    const QPointF grip = pointOfValue(bar, 1000);
    QMouseEvent press(QEvent::MouseButtonPress, grip, bar.mapToGlobal(grip), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(bar).event(&press);
    EXPECT_TRUE(bar.Tracking());
    QMouseEvent release(QEvent::MouseButtonRelease, grip, bar.mapToGlobal(grip), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    EXPECT_THROW(static_cast<QObject&>(bar).event(&release), graph::EDirectShowException);
    EXPECT_FALSE(bar.Tracking());
    EXPECT_EQ(ends, std::vector<bool>{false});
}

TEST_F(DVTrackBarTest, WrapperAndTrackBarMayGoInEitherOrder) {
    auto wrapper = std::make_unique<TFilterGraph>();
    TDVTrackBar other;
    other.setFilterGraph(wrapper.get());
    wrapper->setActive(true);
    other.setPin(outputPin(std::make_shared<NumberSource>(10)));
    wrapper.reset();
    EXPECT_EQ(other.FilterGraph(), nullptr);
    EXPECT_EQ(other.Pin(), nullptr);
    other.SeekToThumb();

    // A trackbar that is gone, or follows another wrapper, is not told any more.
    auto gone = std::make_unique<TDVTrackBar>();
    gone->setFilterGraph(&fg);
    gone.reset();
    other.setFilterGraph(&fg);
    other.setFilterGraph(nullptr);
    build(kTenMinutes);
    EXPECT_TRUE(fg.Play());
    EXPECT_FALSE(other.findChild<QTimer*>()->isActive());
}

} // namespace
} // namespace transport

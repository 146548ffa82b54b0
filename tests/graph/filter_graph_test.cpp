// The filter-graph wrapper: transport results, event delivery on the owning thread, members
// across clears and activations, and the error report of failed graph calls.
#include "graph/directshow_exception.h"
#include "graph/filter_graph.h"
#include "platform/streaming/reference_clocks.h"
#include "platform/streaming/running_object_table.h"
#include "tests/graph/filter_graph_test_doubles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace graphtest {
namespace {

using graph::CheckGraphResult;
using graph::EDirectShowException;
using graph::TFilterGraph;
using graph::TGraphState;
using streamingtest::AddTransform;
using streamingtest::NumberSource;
using streamingtest::RecordingRenderer;

std::shared_ptr<IPin> pinOf(const std::shared_ptr<IBaseFilter>& filter, PIN_DIRECTION direction) {
    for (const auto& p : filter->EnumPins()) {
        PIN_DIRECTION d = PINDIR_INPUT;
        p->QueryDirection(&d);
        if (d == direction) {
            return p;
        }
    }
    return nullptr;
}

bool connected(const std::shared_ptr<IPin>& pin) {
    std::shared_ptr<IPin> peer;
    return pin->ConnectedTo(&peer) == S_OK;
}

class FilterGraphTest : public ::testing::Test {
protected:
    FilterGraphTest() {
        fg.AddListener(&listener);
        fg.OnGraphComplete = [this](TFilterGraph* sender, HRESULT result,
                                    const std::shared_ptr<IBaseFilter>& renderer) {
            EXPECT_EQ(sender, &fg);
            completeResult = result;
            completedRenderer = renderer;
            log.append(QStringLiteral("complete"));
        };
        fg.OnGraphPaused = [this](TFilterGraph*, HRESULT result) {
            log.append(QStringLiteral("paused %1").arg(result));
        };
        fg.OnGraphChanged = [this](TFilterGraph*) { log.append(QStringLiteral("changed")); };
        fg.OnGraphDeviceLost = [this](TFilterGraph* sender,
                                      const std::shared_ptr<IBaseFilter>& device, bool removed) {
            EXPECT_EQ(sender, &fg);
            lostDevice = device;
            log.append(QStringLiteral("device lost %1").arg(removed ? "removed" : "present"));
        };
    }

    void activateWithoutClock() {
        fg.setActive(true);
        ASSERT_EQ(fg.query<IMediaFilter>()->SetSyncSource(nullptr), S_OK);
    }
    template <typename F> std::shared_ptr<F> add(std::shared_ptr<F> filter, const QString& name) {
        EXPECT_TRUE(SUCCEEDED(fg.query<IFilterGraph>()->AddFilter(filter, name)));
        return filter;
    }
    void connect(const std::shared_ptr<IBaseFilter>& from, const std::shared_ptr<IBaseFilter>& to) {
        ASSERT_EQ(
            fg.query<IGraphBuilder>()->Connect(pinOf(from, PINDIR_OUTPUT), pinOf(to, PINDIR_INPUT)),
            S_OK);
    }
    // Lets the queued event pump run until `entry` is logged (10 s safety limit).
    bool waitForLog(const QString& entry) {
        return QTest::qWaitFor([&] { return log.contains(entry); }, 10000);
    }
    QStringList graphNames() {
        QStringList names;
        for (const auto& filter : fg.query<IFilterGraph>()->EnumFilters()) {
            FILTER_INFO info;
            filter->QueryFilterInfo(&info);
            names.append(info.achName);
        }
        return names;
    }

    QStringList log;
    LoggingListener listener{log};
    TFilterGraph fg;
    HRESULT completeResult = E_FAIL;
    std::shared_ptr<IBaseFilter> completedRenderer;
    std::shared_ptr<IBaseFilter> lostDevice;
};

TEST_F(FilterGraphTest, InactiveWrapperDoesNothing) {
    EXPECT_FALSE(fg.Active());
    EXPECT_FALSE(fg.Play());
    EXPECT_FALSE(fg.Pause());
    EXPECT_FALSE(fg.Stop());
    EXPECT_EQ(fg.GetGraphState(), TGraphState::None);
    EXPECT_EQ(fg.query<IMediaControl>(), nullptr);
    fg.ClearFilters();
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(FilterGraphTest, TransportResultsAndStates) {
    activateWithoutClock();
    const auto source = add(std::make_shared<NumberSource>(1000), "src");
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "out");
    connect(source, renderer);
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Stopped);

    // A pause that is still pre-rolling is a failure without an error, and reports its target.
    source->closeGate();
    EXPECT_FALSE(fg.Pause());
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Paused);
    source->openGate(1);
    ASSERT_TRUE(waitForLog(QStringLiteral("paused 0")));

    // A run whose renderers still wait counts as success.
    EXPECT_TRUE(fg.Stop());
    EXPECT_TRUE(fg.Play());
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Running);
    EXPECT_TRUE(fg.Stop());
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Stopped);

    EXPECT_EQ(log.filter(QStringLiteral("listener control")),
              QStringList({"listener control 7 1", "listener control 1 0", "listener control 2 0",
                           "listener control 0 0", "listener control 2 0"}));
}

TEST_F(FilterGraphTest, PlayFromAStopStartsOnceTheRenderersHoldTheirFirstSample) {
    activateWithoutClock();
    const auto source = add(std::make_shared<NumberSource>(10), "src");
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "out");
    connect(source, renderer);
    source->closeGate();
    // The first sample is late to arrive, as when a source opens and decodes its first frame.
    std::atomic<bool> released = false;
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        released = true;
        source->openGate(10);
    });
    EXPECT_TRUE(fg.Play());
    EXPECT_TRUE(released);
    opener.join();
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Running);
    ASSERT_TRUE(renderer->waitForCount(10));
    EXPECT_TRUE(fg.Stop());
    // Only the one command reached the listeners.
    EXPECT_EQ(log.filter(QStringLiteral("listener control")).mid(1),
              QStringList({"listener control 0 0", "listener control 2 0"}));
}

TEST_F(FilterGraphTest, RefusedRequestRaisesAfterListenersAreTold) {
    activateWithoutClock();
    const auto device = add(std::make_shared<LosableDevice>(), "dvCam");
    device->refuseStart = true;
    log.clear();
    try {
        fg.Play();
        FAIL() << "no exception";
    } catch (const EDirectShowException& e) {
        EXPECT_EQ(e.ErrorCode(), VFW_E_NO_TRANSPORT);
    }
    EXPECT_EQ(log, QStringList({"listener control 0 0"}));
    EXPECT_THROW(fg.Pause(), EDirectShowException);
}

TEST_F(FilterGraphTest, CompleteIsRaisedOnceAfterEveryRendererEndedAndListenersFirst) {
    activateWithoutClock();
    const auto fast = add(std::make_shared<NumberSource>(3), "fast");
    const auto transform = add(std::make_shared<AddTransform>(100), "add");
    const auto fastOut = add(std::make_shared<RecordingRenderer>(), "fast out");
    const auto slow = add(std::make_shared<NumberSource>(2), "slow");
    const auto slowOut = add(std::make_shared<RecordingRenderer>(), "slow out");
    connect(fast, transform);
    connect(transform, fastOut);
    connect(slow, slowOut);
    slow->closeGate();
    // A clock change reaches the listeners only.
    ASSERT_EQ(fg.query<IMediaFilter>()->SetSyncSource(std::make_shared<ManualReferenceClock>()),
              S_OK);
    ASSERT_EQ(fg.query<IMediaFilter>()->SetSyncSource(nullptr), S_OK);

    ASSERT_TRUE(fg.Play());
    ASSERT_TRUE(fastOut->waitForCount(3));
    EXPECT_EQ(fastOut->numbers(), (std::vector<std::int32_t>{100, 101, 102}));
    ASSERT_TRUE(waitForLog(QStringLiteral("listener event %1").arg(EC_CLOCK_CHANGED)));
    EXPECT_FALSE(log.contains(QStringLiteral("complete")));

    slow->openGate(3); // two samples and the end of the stream
    ASSERT_TRUE(waitForLog(QStringLiteral("complete")));
    EXPECT_EQ(completeResult, S_OK);
    EXPECT_EQ(completedRenderer, slowOut);
    const auto completeAt = log.indexOf(QStringLiteral("complete"));
    EXPECT_EQ(log.at(completeAt - 1), QStringLiteral("listener event %1").arg(EC_COMPLETE));
    EXPECT_EQ(log.count(QStringLiteral("complete")), 1);
    EXPECT_TRUE(fg.Stop());
}

TEST_F(FilterGraphTest, DeviceLostMapsSecondParameterOneToRemoved) {
    fg.setActive(true);
    const auto device = add(std::make_shared<LosableDevice>(), "dvCam");
    device->reportLost(0);
    ASSERT_TRUE(waitForLog(QStringLiteral("device lost present")));
    EXPECT_EQ(lostDevice, device);
    device->reportLost(1);
    ASSERT_TRUE(waitForLog(QStringLiteral("device lost removed")));
    EXPECT_EQ(log.at(log.size() - 2), QStringLiteral("listener event %1").arg(EC_DEVICE_LOST));
}

TEST_F(FilterGraphTest, PumpSurvivesAThrowingHandler) {
    fg.setActive(true);
    const auto device = add(std::make_shared<LosableDevice>(), "dvCam");
    int calls = 0;
    fg.OnGraphDeviceLost = [&calls](TFilterGraph*, const std::shared_ptr<IBaseFilter>&, bool) {
        if (++calls == 1) {
            throw std::runtime_error("handler failure");
        }
    };
    device->reportLost(0);
    device->reportLost(1);
    // The application's error report sits where the queued call is delivered.
    EXPECT_THROW(QCoreApplication::sendPostedEvents(&fg, QEvent::MetaCall), std::runtime_error);
    EXPECT_EQ(calls, 1);
    // The event left queued is taken by the next queued call.
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 2; }, 10000));
    // The thrown event's object was released.
    EXPECT_TRUE(QTest::qWaitFor([&] { return device.use_count() == 2; }, 10000));
}

TEST_F(FilterGraphTest, ClearFiltersKeepsMemberFiltersDisconnected) {
    TestMember member(QStringLiteral("MSDVVideoEncoder"),
                      [] { return std::make_shared<AddTransform>(1); });
    fg.AddMember(&member);
    activateWithoutClock();
    const auto encoder = member.GetFilter();
    const auto source = add(std::make_shared<NumberSource>(1000), "src");
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "dvCam");
    connect(source, encoder);
    connect(encoder, renderer);
    ASSERT_TRUE(fg.Play());

    fg.ClearFilters();
    EXPECT_EQ(fg.GetGraphState(), TGraphState::Stopped);
    EXPECT_EQ(graphNames(), QStringList({"MSDVVideoEncoder"}));
    for (const auto& pin : encoder->EnumPins()) {
        EXPECT_FALSE(connected(pin));
    }
    EXPECT_FALSE(connected(pinOf(source, PINDIR_OUTPUT)));
    EXPECT_FALSE(connected(pinOf(renderer, PINDIR_INPUT)));
    fg.RemoveMember(&member);
}

// A member without a filter that takes `victim` out of the graph when asked for its filter,
// as another party (the render engine's own thread) may while the graph is being cleared.
class RemovingMember final : public IGraphMember {
public:
    std::shared_ptr<IBaseFilter> GetFilter() override {
        if (victim) {
            graph->RemoveFilter(std::exchange(victim, nullptr));
        }
        return nullptr;
    }
    QString GetName() override { return QStringLiteral("Remover"); }
    void NotifyFilter(TFilterOperation, int) override {}

    std::shared_ptr<IFilterGraph> graph;
    std::shared_ptr<IBaseFilter> victim;
};

TEST_F(FilterGraphTest, ClearFiltersPassesOverFiltersThatLeftMeanwhile) {
    RemovingMember member;
    fg.AddMember(&member);
    activateWithoutClock();
    add(std::make_shared<RecordingRenderer>(), "first");
    member.graph = fg.query<IFilterGraph>();
    member.victim = add(std::make_shared<RecordingRenderer>(), "second");
    EXPECT_NO_THROW(fg.ClearFilters());
    EXPECT_EQ(member.victim, nullptr);
    EXPECT_TRUE(graphNames().isEmpty());
    fg.RemoveMember(&member);
}

TEST_F(FilterGraphTest, ReactivationRecreatesMemberFiltersUnderTheirNames) {
    TestMember member(QStringLiteral("MSDVVideoEncoder"),
                      [] { return std::make_shared<AddTransform>(1); });
    fg.AddMember(&member); // inactive: only listed
    EXPECT_TRUE(member.operations.empty());

    fg.setActive(true);
    const auto first = member.GetFilter();
    ASSERT_NE(first, nullptr);
    add(std::make_shared<RecordingRenderer>(), "other");
    fg.setActive(false);
    EXPECT_EQ(member.GetFilter(), nullptr);
    FILTER_INFO info;
    first->QueryFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr);

    fg.setActive(true);
    ASSERT_NE(member.GetFilter(), nullptr);
    EXPECT_NE(member.GetFilter(), first);
    std::shared_ptr<IBaseFilter> found;
    EXPECT_EQ(fg.query<IFilterGraph>()->FindFilterByName("MSDVVideoEncoder", &found), S_OK);
    EXPECT_EQ(found, member.GetFilter());
    EXPECT_EQ(graphNames(), QStringList({"MSDVVideoEncoder"}));

    // Removing the member while active takes its filter out of the graph.
    fg.RemoveMember(&member);
    EXPECT_TRUE(graphNames().isEmpty());

    using Op = TFilterOperation;
    EXPECT_EQ(member.operations,
              (std::vector<Op>{Op::FilterAdding, Op::FilterAdded, Op::FilterRemoving,
                               Op::FilterRemoved, Op::FilterAdding, Op::FilterAdded,
                               Op::FilterRemoving, Op::FilterRemoved}));
    EXPECT_EQ(member.parameters, std::vector<int>(8, 0));
    EXPECT_EQ(
        log, QStringList({"listener control 7 1", "listener control 7 0", "listener control 7 1"}));
}

TEST_F(FilterGraphTest, GraphEditRegistersTheActiveGraph) {
    std::shared_ptr<IRunningObjectTable> table;
    ASSERT_EQ(GetRunningObjectTable(0, &table), S_OK);
    fg.setGraphEdit(true); // inactive: nothing to register yet
    fg.setActive(true);
    const auto name = graph::runningObjectTableItemName(
        fg.query<IFilterGraph2>().get(),
        static_cast<std::uint64_t>(QCoreApplication::applicationPid()));
    EXPECT_EQ(table->IsRunning(name), S_OK);
    fg.setGraphEdit(false);
    EXPECT_EQ(table->IsRunning(name), S_FALSE);
    fg.setGraphEdit(true);
    EXPECT_EQ(table->IsRunning(name), S_OK);

    // The description follows filters and connections as they change, without being asked.
    QFile description(QDir(runningObjectDirectory()).filePath(name + QStringLiteral(".dot")));
    const auto source = add(std::make_shared<NumberSource>(3), "numbers");
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "recorder");
    connect(source, renderer);
    ASSERT_TRUE(description.open(QIODevice::ReadOnly));
    const QString dot = QString::fromUtf8(description.readAll());
    EXPECT_TRUE(dot.contains(QStringLiteral("numbers")) && dot.contains(QStringLiteral("recorder")))
        << dot.toStdString();
    EXPECT_TRUE(dot.contains(QStringLiteral("->"))) << dot.toStdString();

    fg.setActive(false);
    EXPECT_EQ(table->IsRunning(name), S_FALSE);
    EXPECT_FALSE(description.exists());
}

TEST(DirectShowExceptionTest, MessageCarriesErrorTextAndUpperCaseCode) {
    EXPECT_EQ(CheckGraphResult(S_FALSE), S_FALSE);
    try {
        CheckGraphResult(E_FAIL);
        FAIL() << "no exception";
    } catch (const EDirectShowException& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unspecified error. ($80004005)."));
        EXPECT_STREQ(e.what(), "Unspecified error. ($80004005).");
        EXPECT_EQ(e.ErrorCode(), E_FAIL);
    }
    const EDirectShowException unknown(makeHresult(0x8004ABCDu));
    EXPECT_TRUE(unknown.message().endsWith(QStringLiteral(" ($8004ABCD).")));
}

TEST(RunningObjectTableNameTest, PointerIsZeroPaddedAndPidHasNoLeadingZeros) {
    const auto* graph = reinterpret_cast<const void*>(std::uintptr_t{0xABCDEF});
    const QString padded = QString(QLatin1Char('0')).repeated(sizeof(void*) * 2 - 6);
    EXPECT_EQ(graph::runningObjectTableItemName(graph, 0x1a2b),
              QStringLiteral("FilterGraph %1ABCDEF pid 1A2B").arg(padded));
}

} // namespace
} // namespace graphtest

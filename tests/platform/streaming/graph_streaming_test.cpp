// Streaming through source -> transform -> renderer chains: state changes, pre-roll, clock
// pacing, completion, seeking, stopping and failures.
#include "tests/platform/streaming/graph_fixture.h"

namespace streamingtest {
namespace {

class StreamingTest : public GraphTest {
protected:
    // source(count) -> Add(1000) -> renderer
    void buildChain(int count) {
        source = add(std::make_shared<NumberSource>(count), "src");
        transform = add(std::make_shared<AddTransform>(1000), "add");
        renderer = add(std::make_shared<RecordingRenderer>(), "out");
        ASSERT_EQ(connect(source, transform), S_OK);
        ASSERT_EQ(connect(transform, renderer), S_OK);
    }
    static std::vector<std::int32_t> range(std::int32_t from, std::int32_t to) {
        std::vector<std::int32_t> v;
        for (std::int32_t i = from; i < to; ++i) {
            v.push_back(1000 + i);
        }
        return v;
    }
    REFERENCE_TIME position() {
        REFERENCE_TIME current = -1;
        EXPECT_EQ(seeking->GetCurrentPosition(&current), S_OK);
        return current;
    }

    std::shared_ptr<NumberSource> source;
    std::shared_ptr<AddTransform> transform;
    std::shared_ptr<RecordingRenderer> renderer;
};

TEST_F(StreamingTest, RunsEverySampleInOrderAsFastAsPossible) {
    useNoClock();
    buildChain(50);
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    const auto complete = waitEvent(EC_COMPLETE);
    ASSERT_TRUE(complete);
    EXPECT_EQ(complete->param1, S_OK);
    EXPECT_EQ(renderer->numbers(), range(0, 50));
    long code = 0;
    EXPECT_EQ(events->WaitForCompletion(0, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(position(), 50 * kFrame);
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(settledState(), State_Stopped);
}

TEST_F(StreamingTest, PausePrerollsOneSampleAndHoldsIt) {
    const auto clock = useManualClock();
    buildChain(10);
    const HRESULT hr = control->Pause();
    EXPECT_TRUE(hr == S_OK || hr == S_FALSE);
    EXPECT_EQ(settledState(), State_Paused);
    ASSERT_TRUE(waitEvent(EC_PAUSED));
    EXPECT_EQ(renderer->count(), 0u);
    // Frozen: time passing while paused presents nothing.
    clock->Advance(10 * kFrame);
    EXPECT_EQ(renderer->count(), 0u);
    EXPECT_EQ(position(), 0);
    // The held sample is due at once when running.
    EXPECT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(renderer->waitForCount(1));
    EXPECT_EQ(renderer->numbers().front(), 1000);
}

TEST_F(StreamingTest, RunningPresentsSamplesOnTheManualClock) {
    const auto clock = useManualClock();
    buildChain(4);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    ASSERT_EQ(settledState(), State_Paused);
    ASSERT_TRUE(waitEvent(EC_PAUSED));
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(renderer->waitForCount(1));
    for (std::size_t frame = 1; frame < 4; ++frame) {
        // The renderer waits on the clock for the next sample's time.
        ASSERT_TRUE(clock->waitForPendingAdvise(std::chrono::seconds(10)));
        EXPECT_EQ(renderer->count(), frame);
        EXPECT_EQ(position(), static_cast<REFERENCE_TIME>(frame - 1) * kFrame);
        clock->Advance(kFrame);
        ASSERT_TRUE(renderer->waitForCount(frame + 1));
    }
    // Completion comes when the last sample's time is over.
    EXPECT_TRUE(drainEvents().empty());
    clock->Advance(kFrame);
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    EXPECT_EQ(renderer->numbers(), range(0, 4));
}

TEST_F(StreamingTest, PausingARunningGraphFreezesTheStreamTime) {
    const auto clock = useManualClock();
    buildChain(100);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    clock->Advance(3 * kFrame);
    ASSERT_TRUE(renderer->waitForCount(4));
    EXPECT_EQ(control->Pause(), S_OK);
    clock->Advance(50 * kFrame);
    EXPECT_EQ(position(), 3 * kFrame);
    EXPECT_EQ(control->Run(), S_OK);
    EXPECT_EQ(position(), 3 * kFrame);
    clock->Advance(kFrame);
    ASSERT_TRUE(renderer->waitForCount(5));
    EXPECT_EQ(position(), 4 * kFrame);
    EXPECT_EQ(renderer->numbers(), range(0, 5));
}

TEST_F(StreamingTest, GetStateReportsAnUnfinishedTransition) {
    useNoClock();
    buildChain(10);
    source->closeGate();
    EXPECT_EQ(control->Pause(), S_FALSE);
    ASSERT_TRUE(source->waitUntilBlocked());
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(control->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, State_Paused);
    EXPECT_TRUE(drainEvents().empty());
    source->openGate(1);
    EXPECT_EQ(control->GetState(10000, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    ASSERT_TRUE(waitEvent(EC_PAUSED));
}

TEST_F(StreamingTest, StopInterruptsAPullBlockedUpstream) {
    useNoClock();
    buildChain(10);
    source->closeGate();
    EXPECT_EQ(control->Run(), S_FALSE);
    ASSERT_TRUE(source->waitUntilBlocked());
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(settledState(), State_Stopped);
    EXPECT_EQ(renderer->count(), 0u);
    // Nothing was lost: the next run starts from the first sample.
    source->openGate(100);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    EXPECT_EQ(renderer->numbers(), range(0, 10));
}

TEST_F(StreamingTest, CompletionWaitsForEveryRenderer) {
    const auto clock = useManualClock();
    const auto shortSource = add(std::make_shared<NumberSource>(2), "short");
    const auto longSource = add(std::make_shared<NumberSource>(5), "long");
    const auto first = add(std::make_shared<RecordingRenderer>(), "r1");
    const auto second = add(std::make_shared<RecordingRenderer>(), "r2");
    ASSERT_EQ(connect(shortSource, first), S_OK);
    ASSERT_EQ(connect(longSource, second), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    clock->Advance(2 * kFrame);
    ASSERT_TRUE(first->waitForCount(2));
    ASSERT_TRUE(second->waitForCount(3));
    EXPECT_EQ(waitEvent(EC_COMPLETE, 0), std::nullopt);
    clock->Advance(3 * kFrame);
    const auto complete = waitEvent(EC_COMPLETE);
    ASSERT_TRUE(complete);
    EXPECT_EQ(complete->param1, S_OK);
    EXPECT_EQ(second->count(), 5u);
    // Exactly one completion.
    EXPECT_EQ(waitEvent(EC_COMPLETE, 0), std::nullopt);
    // The duration is the longest stream's.
    REFERENCE_TIME duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 5 * kFrame);
}

TEST_F(StreamingTest, RemovingTheLastUnfinishedRendererCompletes) {
    useNoClock();
    const auto done = add(std::make_shared<NumberSource>(2), "done src");
    const auto doneOut = add(std::make_shared<RecordingRenderer>(), "done out");
    const auto stuck = add(std::make_shared<NumberSource>(2), "stuck src");
    const auto stuckOut = add(std::make_shared<RecordingRenderer>(), "stuck out");
    ASSERT_EQ(connect(done, doneOut), S_OK);
    ASSERT_EQ(connect(stuck, stuckOut), S_OK);
    stuck->closeGate();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(doneOut->waitForCount(2));
    ASSERT_TRUE(stuck->waitUntilBlocked());
    EXPECT_EQ(waitEvent(EC_COMPLETE, 0), std::nullopt);
    ASSERT_EQ(graph->RemoveFilter(stuckOut), S_OK);
    EXPECT_TRUE(waitEvent(EC_COMPLETE));
}

TEST_F(StreamingTest, SeekRestartsFromTheNewPosition) {
    useNoClock();
    buildChain(20);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    ASSERT_EQ(settledState(), State_Paused);
    REFERENCE_TIME target = 12 * kFrame;
    ASSERT_EQ(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime,
                                    nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_EQ(target, 12 * kFrame);
    EXPECT_EQ(settledState(), State_Paused);
    EXPECT_EQ(position(), 12 * kFrame);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    EXPECT_EQ(renderer->numbers(), range(12, 20));

    // A seek while stopped, with a stop position, takes effect at the next run.
    renderer->clear();
    ASSERT_EQ(control->Stop(), S_OK);
    REFERENCE_TIME start = 3 * kFrame;
    REFERENCE_TIME stop = 6 * kFrame;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                    AM_SEEKING_AbsolutePositioning),
              S_OK);
    REFERENCE_TIME reported = 0;
    EXPECT_EQ(seeking->GetStopPosition(&reported), S_OK);
    EXPECT_EQ(reported, 6 * kFrame);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    EXPECT_EQ(renderer->numbers(), range(3, 6));
}

TEST_F(StreamingTest, SeekWhileRunningOnTheClockRestartsTheStreamTime) {
    const auto clock = useManualClock();
    buildChain(100);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    clock->Advance(2 * kFrame);
    ASSERT_TRUE(renderer->waitForCount(3));
    REFERENCE_TIME target = 40 * kFrame;
    ASSERT_EQ(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
              S_OK);
    FILTER_STATE state = State_Stopped;
    control->GetState(10000, &state);
    EXPECT_EQ(state, State_Running);
    ASSERT_TRUE(renderer->waitForCount(4));
    EXPECT_EQ(renderer->numbers().back(), 1040);
    EXPECT_EQ(position(), 40 * kFrame);
    clock->Advance(kFrame);
    ASSERT_TRUE(renderer->waitForCount(5));
    EXPECT_EQ(renderer->numbers().back(), 1041);
    // Relative positioning moves from the current position.
    REFERENCE_TIME back = -10 * kFrame;
    ASSERT_EQ(seeking->SetPositions(&back, AM_SEEKING_RelativePositioning | AM_SEEKING_ReturnTime,
                                    nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_EQ(back, 31 * kFrame);
    ASSERT_TRUE(renderer->waitForCount(6));
    EXPECT_EQ(renderer->numbers().back(), 1031);
}

TEST_F(StreamingTest, StopKeepsThePositionAndRunResumesThere) {
    const auto clock = useManualClock();
    buildChain(100);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    clock->Advance(5 * kFrame);
    ASSERT_TRUE(renderer->waitForCount(6));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(position(), 5 * kFrame);
    renderer->clear();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(renderer->waitForCount(1));
    EXPECT_EQ(renderer->numbers().front(), 1005);
    EXPECT_EQ(position(), 5 * kFrame);
}

TEST_F(StreamingTest, SeekingAPinDirectlyRestartsTheReportedPositionAtZero) {
    const auto clock = useManualClock();
    buildChain(100);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    clock->Advance(5 * kFrame);
    ASSERT_TRUE(renderer->waitForCount(6));
    ASSERT_EQ(control->Stop(), S_OK);
    // The way a caller moves a render engine's group pin: through the pin's own seeking.
    const auto pinSeeking = query<IMediaSeeking>(pin(source, PINDIR_OUTPUT));
    ASSERT_NE(pinSeeking, nullptr);
    REFERENCE_TIME target = 30 * kFrame;
    REFERENCE_TIME end = 0;
    ASSERT_EQ(pinSeeking->GetStopPosition(&end), S_OK);
    ASSERT_EQ(pinSeeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &end,
                                       AM_SEEKING_NoPositioning),
              S_OK);
    // Through the transform's pass-through the same position is seen.
    REFERENCE_TIME passed = 0;
    ASSERT_EQ(query<IMediaSeeking>(pin(transform, PINDIR_OUTPUT))->GetCurrentPosition(&passed),
              S_OK);
    EXPECT_EQ(passed, 30 * kFrame);
    EXPECT_EQ(position(), 0);
    renderer->clear();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(renderer->waitForCount(1));
    EXPECT_EQ(renderer->numbers().front(), 1030);
    clock->Advance(2 * kFrame);
    ASSERT_TRUE(renderer->waitForCount(3));
    EXPECT_EQ(position(), 2 * kFrame);
    // Stopping keeps the true media position for the next run.
    ASSERT_EQ(control->Stop(), S_OK);
    renderer->clear();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(renderer->waitForCount(1));
    EXPECT_EQ(renderer->numbers().front(), 1032);
}

TEST_F(StreamingTest, RendererFailuresAbortAndStillComplete) {
    for (const auto how :
         {RecordingRenderer::Failure::ReturnError, RecordingRenderer::Failure::Throw}) {
        SCOPED_TRACE(how == RecordingRenderer::Failure::Throw ? "throw" : "error");
        const auto src = add(std::make_shared<NumberSource>(10), QString());
        const auto failing = add(std::make_shared<RecordingRenderer>(), "failing");
        const auto healthySrc = add(std::make_shared<NumberSource>(3), QString());
        const auto healthy = add(std::make_shared<RecordingRenderer>(), "healthy");
        ASSERT_EQ(connect(src, failing), S_OK);
        ASSERT_EQ(connect(healthySrc, healthy), S_OK);
        failing->failAt(2, how);
        useNoClock();
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        const auto abort = waitEvent(EC_ERRORABORT);
        ASSERT_TRUE(abort);
        EXPECT_EQ(abort->param1, E_FAIL);
        const auto complete = waitEvent(EC_COMPLETE);
        ASSERT_TRUE(complete);
        EXPECT_EQ(complete->param1, E_FAIL);
        EXPECT_EQ(failing->count(), 2u);
        EXPECT_EQ(healthy->count(), 3u);
        ASSERT_EQ(control->Stop(), S_OK);
        for (const auto& f : graph->EnumFilters()) {
            graph->RemoveFilter(f);
        }
    }
}

TEST_F(StreamingTest, ReleasingARunningGraphStopsEverything) {
    useNoClock();
    buildChain(1000);
    source->closeGate();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(source->waitUntilBlocked());
    const std::weak_ptr<IFilterGraph2> watch = graph;
    control.reset();
    seeking.reset();
    events.reset();
    mediaFilter.reset();
    graph.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(renderer->state(), State_Stopped);
    std::shared_ptr<IPin> peer;
    EXPECT_EQ(pin(renderer, PINDIR_INPUT)->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
}

} // namespace
} // namespace streamingtest

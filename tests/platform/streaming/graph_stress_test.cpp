// Many cycles of run, pause, seek and stop on one graph: no deadlock, no lost or stray sample,
// no leak (sanitizer builds), no race (thread sanitizer build). The loop count comes from
// QUINTAPE_GRAPH_LOOPS (default 200).
#include "tests/platform/streaming/graph_fixture.h"

#include <cstdlib>

namespace streamingtest {
namespace {

int loopCount() {
    if (const char* text = std::getenv("QUINTAPE_GRAPH_LOOPS")) {
        const int n = std::atoi(text);
        if (n > 0) {
            return n;
        }
    }
    return 200;
}

using StressTest = GraphTest;

TEST_F(StressTest, RunPauseSeekStopCyclesStayConsistent) {
    const auto clock = useManualClock();
    const auto source = add(std::make_shared<NumberSource>(500), "src");
    const auto transform = add(std::make_shared<AddTransform>(1000), "add");
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "out");
    const auto audioSource = add(std::make_shared<NumberSource>(500), "audio src");
    const auto audio = add(std::make_shared<RecordingRenderer>(), "audio out");
    ASSERT_EQ(connect(source, transform), S_OK);
    ASSERT_EQ(connect(transform, renderer), S_OK);
    ASSERT_EQ(connect(audioSource, audio), S_OK);

    const int loops = loopCount();
    for (int i = 0; i < loops; ++i) {
        SCOPED_TRACE(i);
        const auto frame = static_cast<std::int32_t>((i * 37) % 490);
        REFERENCE_TIME target = frame * kFrame;
        ASSERT_EQ(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning),
                  S_OK);
        renderer->clear();
        ASSERT_TRUE(SUCCEEDED(control->Pause()));
        ASSERT_EQ(settledState(), State_Paused);
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        ASSERT_TRUE(renderer->waitForCount(1));
        clock->Advance(2 * kFrame);
        ASSERT_TRUE(renderer->waitForCount(3));
        if (i % 3 == 0) {
            // Seek while running, then pause.
            REFERENCE_TIME back = 0;
            ASSERT_EQ(seeking->SetPositions(&back, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning),
                      S_OK);
            ASSERT_TRUE(SUCCEEDED(control->Pause()));
            ASSERT_EQ(settledState(), State_Paused);
        } else if (i % 3 == 1) {
            ASSERT_EQ(control->Pause(), S_OK);
        }
        ASSERT_EQ(control->Stop(), S_OK);
        const auto numbers = renderer->numbers();
        ASSERT_GE(numbers.size(), 3u);
        EXPECT_EQ(numbers[0], 1000 + frame);
        EXPECT_EQ(numbers[1], 1001 + frame);
        EXPECT_EQ(numbers[2], 1002 + frame);
        drainEvents();
    }
    FILTER_STATE state = State_Running;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(StressTest, AsFastAsPossibleRunsToCompletionRepeatedly) {
    useNoClock();
    const auto source = add(std::make_shared<NumberSource>(30), "src");
    const auto transform = add(std::make_shared<AddTransform>(1000), "add");
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "out");
    ASSERT_EQ(connect(source, transform), S_OK);
    ASSERT_EQ(connect(transform, renderer), S_OK);
    const int loops = loopCount();
    for (int i = 0; i < loops; ++i) {
        SCOPED_TRACE(i);
        REFERENCE_TIME start = 0;
        ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning),
                  S_OK);
        renderer->clear();
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        if (i % 2 == 0) {
            long code = 0;
            ASSERT_EQ(events->WaitForCompletion(10000, &code), S_OK);
            ASSERT_EQ(renderer->count(), 30u);
        }
        ASSERT_EQ(control->Stop(), S_OK);
        drainEvents();
    }
}

} // namespace
} // namespace streamingtest

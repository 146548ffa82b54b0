// Reference clocks and media samples.
#include "platform/streaming/media_sample.h"
#include "platform/streaming/reference_clocks.h"
#include "platform/streaming/streaming_errors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

using namespace platform;

TEST(ManualClock, FiresAdvisesInOrderWhenTimeReachesThem) {
    ManualReferenceClock clock(100);
    std::vector<int> fired;
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    std::uint64_t c = 0;
    ASSERT_EQ(clock.AdviseTime(
                  100, 50, [&] { fired.push_back(2); }, &a),
              S_OK);
    ASSERT_EQ(clock.AdviseTime(
                  100, 20, [&] { fired.push_back(1); }, &b),
              S_OK);
    ASSERT_EQ(clock.AdviseTime(
                  100, 30, [&] { fired.push_back(3); }, &c),
              S_OK);
    clock.Unadvise(c);
    EXPECT_EQ(clock.Advance(19), S_OK);
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(clock.Advance(100), S_OK);
    EXPECT_EQ(fired, (std::vector<int>{1, 2}));
    EXPECT_EQ(clock.pendingAdvises(), 0u);
    // Due at once when the time has passed; time never goes back.
    std::uint64_t d = 0;
    clock.AdviseTime(
        0, 0, [&] { fired.push_back(4); }, &d);
    EXPECT_EQ(fired.back(), 4);
    EXPECT_EQ(clock.Advance(-1), E_INVALIDARG);
    EXPECT_EQ(clock.SetTime(0), E_INVALIDARG);
    REFERENCE_TIME now = 0;
    clock.GetTime(&now);
    EXPECT_EQ(now, 219);
}

TEST(SystemClock, IsMonotonicAndFiresAnAdvise) {
    SystemReferenceClock clock;
    REFERENCE_TIME first = 0;
    REFERENCE_TIME second = 0;
    clock.GetTime(&first);
    clock.GetTime(&second);
    EXPECT_LE(first, second);
    std::mutex mutex;
    std::condition_variable fired;
    bool done = false;
    std::uint64_t cookie = 0;
    ASSERT_EQ(clock.AdviseTime(
                  second, UNITS / 1000,
                  [&] {
                      const std::lock_guard lock(mutex);
                      done = true;
                      fired.notify_all();
                  },
                  &cookie),
              S_OK);
    std::unique_lock lock(mutex);
    EXPECT_TRUE(fired.wait_for(lock, std::chrono::seconds(10), [&] { return done; }));
}

TEST(MediaSample, KeepsTimesFlagsAndLength) {
    const auto sample = makeMediaSample(16);
    EXPECT_EQ(sample->GetSize(), 16);
    EXPECT_EQ(sample->GetActualDataLength(), 16);
    EXPECT_EQ(sample->SetActualDataLength(17), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->SetActualDataLength(4), S_OK);
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    const REFERENCE_TIME s = 10;
    const REFERENCE_TIME e = 5;
    EXPECT_EQ(sample->SetTime(&s, &e), VFW_E_START_TIME_AFTER_END);
    EXPECT_EQ(sample->SetTime(&s, nullptr), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(start, 10);
    EXPECT_EQ(stop, 10);
    sample->SetDiscontinuity(true);
    sample->SetSyncPoint(true);
    EXPECT_TRUE(sample->IsDiscontinuity());
    EXPECT_TRUE(sample->IsSyncPoint());
    EXPECT_FALSE(sample->IsPreroll());
}

TEST(SampleAllocator, ReusesReleasedBuffersAndOutlivesNothing) {
    const std::uint8_t* firstBuffer = nullptr;
    std::shared_ptr<IMediaSample> survivor;
    {
        SampleAllocator allocator(144000, 2);
        {
            const auto sample = allocator.GetBuffer();
            firstBuffer = sample->GetPointer();
            EXPECT_EQ(sample->GetSize(), 144000);
        }
        const auto again = allocator.GetBuffer();
        EXPECT_EQ(again->GetPointer(), firstBuffer);
        survivor = allocator.GetBuffer();
    }
    // A sample released after its allocator is gone frees its own buffer.
    EXPECT_EQ(survivor->GetSize(), 144000);
    survivor.reset();
}

} // namespace

// Pacing by the clock (no sound track), the frame-rate override and the
// statistics.
#include <gtest/gtest.h>

#include "codec/timing.h"
#include "tests/support/fake_sound.h"
#include "tests/timing/handle_box.h"

using namespace zorbtest;

namespace {

TEST(FrameRateOverride, StoredInTheHeadersEncoding)
{
    ZorbSetFrameRateOverride(15);
    EXPECT_EQ(zorb::FrameRateOverride(), -6666);
    ZorbSetFrameRateOverride(0);
    EXPECT_EQ(zorb::FrameRateOverride(), 0);
    ZorbSetFrameRateOverride(-40);
    EXPECT_EQ(zorb::FrameRateOverride(), -40);
    ZorbSetFrameRateOverride(100001);
    EXPECT_EQ(zorb::FrameRateOverride(), 0);
    ZorbSetFrameRateOverride(0);
}

TEST(ClockPacing, TheFirstCallStartsTheClockAndTheFrameIsReleasedOnce)
{
    ManualClock clock(5000);
    HandleBox box(10000);
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
    EXPECT_EQ(box.h.NextDueTime, 5000u * 100u + 10000u);
    clock.Advance(99);
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
    clock.Advance(1);
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    EXPECT_EQ(box.h.FrameReleased, 1u);
    EXPECT_EQ(box.h.NextDueTime, 5100u * 100u + 10000u);
    clock.Advance(1000);
    EXPECT_EQ(ZorbMustWait(&box.h), 0u); // released: no more waiting for this frame
    EXPECT_EQ(box.h.NextDueTime, 5100u * 100u + 10000u);
}

// Release observed late by the given amount (1/100 ms): the next due time.
uint32_t NextDueAfterLateRelease(uint32_t late)
{
    ManualClock clock(20000);
    HandleBox box(10000);
    uint32_t now = 20000u * 100u;
    box.h.NextDueTime = now - late;
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    return box.h.NextDueTime;
}

TEST(ClockPacing, TheThreeReleaseCases)
{
    uint32_t now = 20000u * 100u;
    EXPECT_EQ(NextDueAfterLateRelease(150), now + 10000u);            // one period from the release
    EXPECT_EQ(NextDueAfterLateRelease(15000), now - 15000u + 10000u); // the old beat: due at once
    EXPECT_EQ(NextDueAfterLateRelease(25000), now + 10000u);          // restart from now
    EXPECT_EQ(NextDueAfterLateRelease(0), now + 10000u);
}

TEST(ClockPacing, AsFastAsPossibleNeverWaitsAfterTheFirstCall)
{
    ManualClock clock(100);
    HandleBox box(0);
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ZorbMustWait(&box.h), 0u);
        EXPECT_EQ(box.h.FrameReleased, 0u);
        clock.Advance(3);
    }
}

TEST(ClockPacing, SurvivesTheWrapOfTheHundredthsCount)
{
    // 42949673 ms x 100 wraps the 32-bit count of 1/100 ms.
    ManualClock clock(42949672u - 50u);
    HandleBox box(10000);
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
    clock.Advance(60); // past the wrap, frame not due yet (100 ms period)
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
    clock.Advance(40);
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
}

TEST(ClockPacing, ReadFailureAndNullHandleNeverWait)
{
    ManualClock clock;
    HandleBox box(10000);
    box.h.ReadFailed = 1;
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    EXPECT_EQ(ZorbMustWait(nullptr), 0u);
    EXPECT_EQ(ZorbSetSoundActive(nullptr, 1), 0u);
    ZorbGetStats(nullptr, nullptr);
}

TEST(Stats, NothingDecodedReportsTheDefaults)
{
    ManualClock clock(7000);
    HandleBox box(6666);
    box.h.OpenDuration = 12;
    box.h.MeanFrameBytes = 900;
    box.h.PeakMemory = 123456;
    box.h.ReadBufferSize = 16384;
    box.h.PeakBuffered = 8192;
    ZorbStats s{};
    ZorbGetStats(&box.h, &s);
    EXPECT_EQ(s.PlayTimeMs, 0u);
    EXPECT_EQ(s.FramePeriod, 6666u);
    EXPECT_EQ(s.OpenTimeMs, 12u);
    EXPECT_EQ(s.WorstFrameMs, 1000u);
    EXPECT_EQ(s.SecondWorstFrameMs, 1000u);
    EXPECT_EQ(s.WorstFrame, 1u);
    EXPECT_EQ(s.SecondWorstFrame, 1u);
    EXPECT_EQ(s.SoundSkips, 0u);
    EXPECT_EQ(s.DeviceBytesPerSec, 0u);
    EXPECT_EQ(s.MeanFrameBytes, 900u);
    EXPECT_EQ(s.PeakMemory, 123456u);
    EXPECT_EQ(s.ExtraBufferBytes, 16384u);
    EXPECT_EQ(s.PeakExtraBufferUsed, 8192u);
}

TEST(Stats, ReadFiguresAndPlayTime)
{
    ManualClock clock(10000);
    HandleBox box(10000);
    box.h.FirstFrameTime = 4000;
    box.h.ForegroundBytes = 3000000; // more than fits 32 bits once multiplied by 1000
    box.h.BackgroundBytes = 1000000;
    box.h.ForegroundTime = 150;
    box.h.BackgroundTime = 50;
    box.h.ReadTimeAtOpen = 30;
    ZorbStats s{};
    ZorbGetStats(&box.h, &s);
    EXPECT_EQ(s.PlayTimeMs, 6000u);
    EXPECT_EQ(s.ReadTimeMs, 120u);
    EXPECT_EQ(s.IdleReadTimeMs, 50u);
    EXPECT_EQ(s.DeviceBytesPerSec, 20000000u);
}

TEST(Stats, BookingKeepsTheWorstAndSecondWorstFrames)
{
    ManualClock clock(1000);
    HandleBox box(10000);
    // Frame 0 takes 30 ms, frame 1 50, frame 2 40, frame 3 45, frame 1 again 10.
    struct Step {
        uint32_t index, ms;
    } steps[] = {{0, 30}, {1, 50}, {2, 40}, {3, 45}, {1, 10}};
    for (auto st : steps) {
        box.h.CurrentFrame = st.index;
        box.h.FrameStartTime = box.h.DecodeStartTime = clock.Now();
        clock.Advance(st.ms / 2);
        box.h.DecodeTimeTotal += clock.Now() - box.h.DecodeStartTime; // as the first rectangle request does
        box.h.DecodeStartTime = 0;
        box.h.BlitStartTime = clock.Now();
        clock.Advance(st.ms - st.ms / 2);
        zorb::BookFrameTimes(&box.h);
    }
    EXPECT_EQ(box.h.WorstFrameMs, 50u);
    EXPECT_EQ(box.h.WorstFrame, 1u);
    EXPECT_EQ(box.h.SecondWorstFrameMs, 45u);
    EXPECT_EQ(box.h.SecondWorstFrame, 3u);
    EXPECT_EQ(box.h.DecodeTimeTotal, 15u + 25u + 20u + 22u + 5u);
    EXPECT_EQ(box.h.BlitTimeTotal, 15u + 25u + 20u + 23u + 5u);
    EXPECT_EQ(box.h.FrameStartTime, 0u);
    ZorbStats s{};
    ZorbGetStats(&box.h, &s);
    EXPECT_EQ(s.WorstFrame, 2u);
    EXPECT_EQ(s.SecondWorstFrame, 4u);
    EXPECT_EQ(s.BlitTimeMs, 88u);
}

TEST(Stats, ANewWorstOnTheSameFrameDoesNotPushItselfToSecondPlace)
{
    ManualClock clock(1000);
    HandleBox box(10000);
    for (uint32_t ms : {20u, 60u}) {
        box.h.CurrentFrame = 4;
        box.h.FrameStartTime = clock.Now();
        clock.Advance(ms);
        zorb::BookFrameTimes(&box.h);
    }
    EXPECT_EQ(box.h.WorstFrameMs, 60u);
    EXPECT_EQ(box.h.WorstFrame, 4u);
    EXPECT_EQ(box.h.SecondWorstFrameMs, 0u);
}

} // namespace

// The debug log lines of the back ends (ZORBLAX_DEBUG=1). Each case runs in a
// fresh process, since the debug switch is read once per process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "codec/sound_track.h"
#include "runtime/sound_backends.h"
#include "tests/sound_output/track_box.h"
#include "tests/support/fake_sound.h"

using namespace zorbtest;

namespace {

void OpenAndExit(bool pull, int failOpens)
{
    setenv("ZORBLAX_DEBUG", "1", 1);
    ManualClock clock(1000, 1);
    FakeSoundDevice dev;
    dev.FailOpens = failOpens;
    zorb::SetPullTimerPassesEnabled(false);
    TrackBox box;
    const ZorbSoundBackend *b = pull ? zorb::PullSoundBackend() : zorb::QueueSoundBackend();
    if (b->OpenChannel(&box.t, 0, 0))
        b->CloseChannel(&box.t);
    std::exit(0);
}

class DebugLog : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(DebugLog, QueueBackEnd)
{
    EXPECT_EXIT(OpenAndExit(false, 0), ::testing::ExitedWithCode(0), "Using standard waveOut");
    EXPECT_EXIT(OpenAndExit(false, 1), ::testing::ExitedWithCode(0), "WaveOut open failed - error #: 2");
}

TEST_F(DebugLog, PullBackEnd)
{
    EXPECT_EXIT(OpenAndExit(true, 0), ::testing::ExitedWithCode(0),
                "Using DirectSound(.|\n)*DirectSound using HWND: 0");
    EXPECT_EXIT(OpenAndExit(true, 2), ::testing::ExitedWithCode(0), "Unable to create sound buffer - Error #: 1");
}

} // namespace

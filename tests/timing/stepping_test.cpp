// Stepping through generated files: the loop to frame 0 (with the sound
// restart) and the ring frame, and the timing of a whole play with a fake
// back end that plays by the clock.
#include <gtest/gtest.h>

#include <filesystem>

#include "codec/sound_track.h"
#include "codec/zorb.h"
#include "tests/support/fake_sound.h"
#include "tests/support/zbxgen.h"

using namespace zorbtest;

namespace {

namespace fs = std::filesystem;

class Stepping : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSoundState();
        zorb::SoundSetDefaultBackend(FakeBackend::Table());
        path_ = (fs::temp_directory_path() / ("zorb_loop_" + std::to_string(::getpid()) + ".zbx")).string();
    }
    void TearDown() override
    {
        ResetSoundState();
        std::error_code ec;
        fs::remove(path_, ec);
    }
    void Write(int frames, bool ring, bool sound)
    {
        zbxgen::Description d;
        d.width = 16;
        d.height = 8;
        d.frameRate = 100;
        zbxgen::SoundFormat a;
        a.rate = 11025;
        if (sound)
            d.tracks[0] = a;
        zbxgen::Rng rng(9);
        auto make = [&] {
            zbxgen::Frame f;
            f.picture = zbxgen::MakePicture(16, 8, zbxgen::Content::Random, rng);
            if (sound) {
                zbxgen::SoundChunk c;
                c.pcm = zbxgen::RandomSound(a, 1102, rng);
                f.sound[0] = c;
            }
            return f;
        };
        for (int i = 0; i < frames; ++i)
            d.frames.push_back(make());
        if (ring)
            d.ringFrame = make();
        ASSERT_TRUE(zbxgen::WriteFile(d, path_));
    }
    ZorbHandle *Open(uint32_t flags) { return ZorbOpen(const_cast<char *>(path_.c_str()), flags, -1); }
    std::string path_;
};

std::vector<uint32_t> Order(ZorbHandle *h, int steps)
{
    std::vector<uint32_t> seen;
    for (int i = 0; i < steps; ++i) {
        seen.push_back(h->CurrentFrame);
        ZorbDecodeFrame(h);
        ZorbAdvanceFrame(h);
    }
    return seen;
}

TEST_F(Stepping, WithoutARingFramePlayingStartsAgainAtFrameZero)
{
    Write(10, false, false);
    ZorbHandle *h = Open(0);
    ASSERT_NE(h, nullptr);
    std::vector<uint32_t> expect;
    for (int r = 0; r < 2; ++r)
        for (uint32_t i = 0; i < 10; ++i)
            expect.push_back(i);
    EXPECT_EQ(Order(h, 20), expect);
    ZorbClose(h);
}

TEST_F(Stepping, TheRingFrameFollowsTheLastAndPlayingGoesOnAtFrameOne)
{
    Write(10, true, false);
    ZorbHandle *h = Open(0);
    ASSERT_NE(h, nullptr);
    std::vector<uint32_t> expect = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1};
    EXPECT_EQ(Order(h, 22), expect);
    ZorbClose(h);
}

TEST_F(Stepping, TheLoopToFrameZeroLetsTheSoundRunOn)
{
    Write(3, false, true);
    ZorbHandle *h = Open(ZORB_OPEN_TRACK(0));
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h->Track[0], nullptr);
    Order(h, 3);
    EXPECT_EQ(h->CurrentFrame, 0u);
    EXPECT_EQ(FakeBackend::Calls.back(), "open 0"); // no reset: nothing handed over is dropped
    EXPECT_EQ(h->Track[0]->BytesQueued, 3u * 1102u);
    ZorbClose(h);
}

TEST_F(Stepping, AfterTheRingFrameTheSoundRunsOn)
{
    Write(3, true, true);
    ZorbHandle *h = Open(ZORB_OPEN_TRACK(0));
    ASSERT_NE(h, nullptr);
    Order(h, 4); // 0, 1, 2, ring
    EXPECT_EQ(h->CurrentFrame, 1u);
    EXPECT_EQ(FakeBackend::Calls.back(), "open 0");
    EXPECT_EQ(h->Track[0]->BytesQueued, 4u * 1102u);
    ZorbClose(h);
}

TEST_F(Stepping, SeekingToFrameZeroOrOneGoesToTheFirstFrameAndToTheCurrentDoesNothing)
{
    Write(5, false, true);
    ZorbHandle *h = Open(ZORB_OPEN_TRACK(0));
    ASSERT_NE(h, nullptr);
    Order(h, 3);
    ZorbSeekFrame(h, 0);
    EXPECT_EQ(h->CurrentFrame, 0u);
    EXPECT_EQ(FakeBackend::Calls.back(), "reset 0");
    size_t calls = FakeBackend::Calls.size();
    Order(h, 2);
    EXPECT_EQ(h->CurrentFrame, 2u);
    ZorbSeekFrame(h, 2); // 1-based
    EXPECT_EQ(h->CurrentFrame, 1u);
    ZorbSeekFrame(h, 2);
    EXPECT_EQ(h->CurrentFrame, 1u);
    ZorbSeekFrame(h, 1);
    EXPECT_EQ(h->CurrentFrame, 0u);
    EXPECT_EQ(FakeBackend::Calls.size(), calls + 1);
    ZorbClose(h);
}

TEST_F(Stepping, PlayingWithSoundIsPacedByTheSoundAndCountsItsTimes)
{
    Write(6, false, true);
    ManualClock clock(10000);
    ZorbHandle *h = Open(ZORB_OPEN_TRACK(0));
    ASSERT_NE(h, nullptr);
    ZorbTrack *t = h->Track[0];
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ZorbDecodeFrame(h), 0u);
        clock.Advance(20);
        ZorbAdvanceFrame(h);
        int waits = 0;
        while (ZorbMustWait(h)) {
            ++waits;
            clock.Advance(10);
            FakeBackend::Played[t] += 110; // the device plays 11025 bytes a second
            ASSERT_LT(waits, 100);
        }
        if (i < 5) { // (after the last frame the sound restarts with frame 0)
            EXPECT_GT(waits, 0);
        }
    }
    ZorbStats s{};
    ZorbGetStats(h, &s);
    EXPECT_EQ(s.FramesDecoded, 6u);
    EXPECT_EQ(s.FramesSkipped, 0u);
    EXPECT_EQ(s.FramePeriod, 10000u);
    EXPECT_EQ(s.WorstFrameMs, 20u);
    ZorbClose(h);
}

TEST_F(Stepping, BehindItsSoundTheVideoIsSkippedUnlessNeverSkipIsAsked)
{
    Write(4, false, true);
    for (bool neverSkip : {false, true}) {
        ResetSoundState();
        zorb::SoundSetDefaultBackend(FakeBackend::Table());
        ZorbHandle *h = Open(ZORB_OPEN_TRACK(0) | (neverSkip ? ZORB_OPEN_NEVER_SKIP : 0u));
        ASSERT_NE(h, nullptr);
        std::vector<uint8_t> picture(16 * 8, 0xEE);
        ZorbSetOutput(h, 0, 0, 16, 8, picture.data(), 0);
        ZorbTrack *t = h->Track[0];
        EXPECT_EQ(ZorbDecodeFrame(h), 0u);
        EXPECT_NE(picture[0], 0xEE); // decoded
        ZorbAdvanceFrame(h);
        FakeBackend::Played[t] = 8000; // the device is more than half a second past frame 1
        std::fill(picture.begin(), picture.end(), 0xEE);
        EXPECT_EQ(ZorbDecodeFrame(h), 1u) << neverSkip;
        EXPECT_EQ(h->FramesSkipped, neverSkip ? 0u : 1u);
        EXPECT_EQ(picture[0] == 0xEE, !neverSkip);
        EXPECT_EQ(ZorbMustWait(h), 0u); // behind: no waiting either
        ZorbClose(h);
    }
}

} // namespace

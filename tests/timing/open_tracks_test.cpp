// Tracks opened and closed by ZorbOpen and ZorbClose on generated files.
#include <gtest/gtest.h>

#include <filesystem>

#include "codec/sound_track.h"
#include "codec/zorb.h"
#include "tests/support/fake_sound.h"
#include "tests/support/zbxgen.h"

using namespace zorbtest;

namespace {

namespace fs = std::filesystem;

class OpenTracks : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSoundState();
        zorb::SoundSetDefaultBackend(FakeBackend::Table());
        path_ = (fs::temp_directory_path() / ("zorb_tracks_" + std::to_string(::getpid()) + ".zbx")).string();
    }
    void TearDown() override
    {
        ResetSoundState();
        std::error_code ec;
        fs::remove(path_, ec);
    }
    // Three frames; tracks 1 (8-bit mono) and 4 (16-bit stereo), track 5
    // described without its present bit.
    void Write()
    {
        zbxgen::Description d;
        d.width = 16;
        d.height = 8;
        d.frameRate = -6666;
        zbxgen::SoundFormat a, b, c;
        a.rate = 22050;
        b.rate = 11025;
        b.stereo = b.sixteenBit = true;
        c.rate = 8000;
        c.present = false;
        d.tracks[1] = a;
        d.tracks[4] = b;
        d.tracks[5] = c;
        zbxgen::Rng rng(5);
        for (int i = 0; i < 3; ++i) {
            zbxgen::Frame f;
            f.picture = zbxgen::MakePicture(16, 8, zbxgen::Content::Random, rng);
            zbxgen::SoundChunk s1, s4, s5;
            s1.pcm = zbxgen::RandomSound(a, 1470, rng);
            s4.pcm = zbxgen::RandomSound(b, 2940, rng);
            s5.pcm = zbxgen::RandomSound(c, 532, rng);
            f.sound[1] = s1;
            f.sound[4] = s4;
            f.sound[5] = s5;
            d.frames.push_back(std::move(f));
        }
        ASSERT_TRUE(zbxgen::WriteFile(d, path_));
    }
    std::string path_;
};

TEST_F(OpenTracks, RequestedTracksThatExistOpenInOrder)
{
    Write();
    uint32_t want = ZORB_OPEN_TRACK(0) | ZORB_OPEN_TRACK(1) | ZORB_OPEN_TRACK(4) | ZORB_OPEN_TRACK(5);
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path_.c_str()), want, -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->OpenFlags & ZORB_OPEN_TRACKS_MASK, ZORB_OPEN_TRACK(1) | ZORB_OPEN_TRACK(4));
    EXPECT_EQ(h->PrimaryTrack, 1);
    EXPECT_EQ((std::vector<std::string>{"open 1", "open 4"}), FakeBackend::Calls);
    ASSERT_NE(h->Track[4], nullptr);
    EXPECT_EQ(h->Track[4]->MaxFrameBytes, 2940u);
    EXPECT_EQ(h->Track[1]->FrameBytes1024, 1505129u);
    EXPECT_EQ(zorb::SoundOpenTrackCount(), 2u);
    EXPECT_NE(zorb::SoundWorkArea(), nullptr);
    ZorbClose(h);
    EXPECT_EQ(zorb::SoundOpenTrackCount(), 0u);
    EXPECT_EQ(zorb::SoundWorkArea(), nullptr);
    EXPECT_EQ(FakeBackend::Calls.size(), 4u);
}

TEST_F(OpenTracks, WithoutABackEndTheFileOpensWithoutSound)
{
    Write();
    ResetSoundState();
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path_.c_str()), ZORB_OPEN_TRACK(1), -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->OpenFlags & ZORB_OPEN_TRACKS_MASK, 0u);
    EXPECT_EQ(h->PrimaryTrack, -1);
    ZorbClose(h);
    EXPECT_EQ(zorb::SoundWorkArea(), nullptr);
}

TEST_F(OpenTracks, TwoHandlesShareTheProcessCount)
{
    Write();
    ZorbHandle *a = ZorbOpen(const_cast<char *>(path_.c_str()), ZORB_OPEN_TRACK(1), -1);
    ZorbHandle *b = ZorbOpen(const_cast<char *>(path_.c_str()), ZORB_OPEN_TRACK(1) | ZORB_OPEN_TRACK(4), -1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(zorb::SoundOpenTrackCount(), 3u);
    ZorbClose(a);
    EXPECT_EQ(zorb::SoundOpenTrackCount(), 2u);
    EXPECT_NE(zorb::SoundWorkArea(), nullptr);
    ZorbClose(b);
    EXPECT_EQ(zorb::SoundWorkArea(), nullptr);
}

} // namespace

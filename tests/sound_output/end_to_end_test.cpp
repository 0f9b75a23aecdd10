// Plays generated files through SDL's disk audio driver with both back ends
// and checks that each track's device received the track's decoded sound in
// order, with nothing but silence inserted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "codec/sound_track.h"
#include "codec/zorb.h"
#include "platform/platform.h"
#include "runtime/sound.h"
#include "runtime/sound_backends.h"
#include "runtime/sound_device.h"
#include "tests/support/fake_sound.h"
#include "tests/support/zbxgen.h"

using namespace zorbtest;

namespace {

namespace fs = std::filesystem;

struct Names {
    std::string dir;
    std::string names[7];
};

const char *NameTrack(uint32_t track, void *context)
{
    auto *n = static_cast<Names *>(context);
    n->names[track] = n->dir + "/track_" + std::to_string(track) + ".raw";
    return n->names[track].c_str();
}

std::vector<uint8_t> ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// True when `heard` is `expected` with only silence bytes put in between
// (and before and after). Returns how far `expected` was matched in `matched`.
bool SoundInOrder(const std::vector<uint8_t> &heard, const std::vector<uint8_t> &expected, uint8_t silence,
                  size_t *matched)
{
    size_t i = 0;
    for (uint8_t b : heard) {
        if (i < expected.size() && b == expected[i])
            ++i;
        else if (b != silence)
            break;
    }
    *matched = i;
    return i == expected.size();
}

class EndToEnd : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("zorb_e2e_" + std::to_string(::getpid()) + "_" + (GetParam() ? "pull" : "queue"));
        fs::create_directories(dir_);
        names_.dir = dir_.string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        zorb::SetSdlSoundDeviceNamer(NameTrack, &names_);
        ResetSoundState();
        if (GetParam())
            ASSERT_EQ(ZorbSelectDirectSound(nullptr), 1);
        else
            zorb::SoundSetDefaultBackend(zorb::QueueSoundBackend());
    }
    void TearDown() override
    {
        zorb::SetSdlSoundDeviceNamer(nullptr, nullptr);
        ResetSoundState();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Plays the whole file as a player does, then lets the devices play out.
    void Play(const std::string &file, uint32_t tracks)
    {
        ZorbHandle *h = ZorbOpen(const_cast<char *>(file.c_str()), tracks, -1);
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(h->OpenFlags & ZORB_OPEN_TRACKS_MASK, tracks) << "a track did not open";
        for (uint32_t i = 0; i < h->FrameCount; ++i) {
            ZorbDecodeFrame(h);
            if (i + 1 == h->FrameCount)
                break;
            ZorbAdvanceFrame(h);
            while (ZorbMustWait(h))
                PlatformSleepMs(1);
        }
        // Drain: keep servicing until every track's sound has left the ring
        // and the device has taken it (queued: nothing left in its queue;
        // pulled: the buffer stopped after the end of the data).
        auto drained = [&] {
            zorb::SoundGuard guard; // the timer thread may be servicing
            for (ZorbTrack *t : h->Track) {
                if (!t)
                    continue;
                if (zorb::Pending(t).load() > 0)
                    return false;
                if (GetParam() ? t->Pull.Buffer->Taken.load() != t->Pull.Buffer->Written.load()
                               : zorb::CurrentSoundDevice().QueuedBytes(t->Queue.Device) > 0)
                    return false;
            }
            return true;
        };
        uint32_t start = PlatformTimeMs();
        for (;;) {
            ZorbMustWait(h);
            if (drained() || PlatformTimeMs() - start > 10000)
                break;
            PlatformSleepMs(5);
        }
        PlatformSleepMs(300); // what the device took is written out
        ZorbClose(h);
    }

    fs::path dir_;
    Names names_;
};

TEST_P(EndToEnd, EveryTrackReachesItsDeviceInOrder)
{
    zbxgen::Description d;
    d.width = 32;
    d.height = 16;
    d.frameRate = 50;      // 20 frames per second
    zbxgen::SoundFormat a; // 8-bit mono, raw
    a.rate = 11025;
    zbxgen::SoundFormat b; // 16-bit stereo, compressed
    b.rate = 8000;
    b.stereo = true;
    b.sixteenBit = true;
    b.compressed = true;
    d.tracks[0] = a;
    d.tracks[3] = b;
    zbxgen::Rng rng(7);
    std::vector<uint8_t> expect0, expect3;
    for (int i = 0; i < 24; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Random, rng);
        zbxgen::SoundChunk c0, c3;
        c0.pcm = zbxgen::RandomSound(a, 552, rng);  // 11025 / 20, whole samples
        c3.pcm = zbxgen::RandomSound(b, 1600, rng); // 8000 x 4 / 20
        expect0.insert(expect0.end(), c0.pcm.begin(), c0.pcm.end());
        expect3.insert(expect3.end(), c3.pcm.begin(), c3.pcm.end());
        f.sound[0] = c0;
        f.sound[3] = c3;
        d.frames.push_back(std::move(f));
    }
    std::string file = (dir_ / "sound.zbx").string();
    ASSERT_TRUE(zbxgen::WriteFile(d, file));

    Play(file, ZORB_OPEN_TRACK(0) | ZORB_OPEN_TRACK(3));

    size_t matched = 0;
    std::vector<uint8_t> heard0 = ReadAll(names_.names[0]);
    EXPECT_TRUE(SoundInOrder(heard0, expect0, 0x80, &matched))
        << "track 0: " << matched << " of " << expect0.size() << " bytes in order, " << heard0.size() << " heard";
    std::vector<uint8_t> heard3 = ReadAll(names_.names[3]);
    EXPECT_TRUE(SoundInOrder(heard3, expect3, 0x00, &matched))
        << "track 3: " << matched << " of " << expect3.size() << " bytes in order, " << heard3.size() << " heard";
}

TEST_P(EndToEnd, WithoutADeviceTheFilePlaysByTheClock)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    zbxgen::Description d;
    d.width = 16;
    d.height = 8;
    d.frameRate = 20;
    zbxgen::SoundFormat a;
    a.rate = 11025;
    d.tracks[0] = a;
    zbxgen::Rng rng(3);
    for (int i = 0; i < 5; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Random, rng);
        zbxgen::SoundChunk c;
        c.pcm = zbxgen::RandomSound(a, 220, rng);
        f.sound[0] = c;
        d.frames.push_back(std::move(f));
    }
    std::string file = (dir_ / "clock.zbx").string();
    ASSERT_TRUE(zbxgen::WriteFile(d, file));
    ZorbHandle *h = ZorbOpen(const_cast<char *>(file.c_str()), ZORB_OPEN_TRACK(0), -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->OpenFlags & ZORB_OPEN_TRACKS_MASK, 0u);
    EXPECT_EQ(h->PrimaryTrack, -1);
    uint32_t start = PlatformTimeMs();
    for (uint32_t i = 0; i < h->FrameCount; ++i) {
        ZorbDecodeFrame(h);
        ZorbAdvanceFrame(h);
        while (ZorbMustWait(h))
            PlatformSleepMs(1);
    }
    EXPECT_GE(PlatformTimeMs() - start, 4u * 20u); // paced by the clock
    ZorbClose(h);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, EndToEnd, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Pull" : "Queue"; });

} // namespace

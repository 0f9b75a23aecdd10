// The damage corpus played through the public calls: every file that opens
// is decoded frame by frame into 8-bit and 16-bit pictures, with dirty
// rectangles drained, sound extracted, seeks and a colour remap, as players
// and tools do. Under the sanitizers this shows that no damaged file leads
// to a read or write outside a buffer anywhere on the way.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "codec/zorb.h"
#include "tests/support/zbxgen.h"
#include "zbxbuild.h"

using namespace zbxtest;

namespace {

// Returns the frames decoded.
uint32_t Play(const std::string &path, uint32_t flags, uint32_t outputType, std::mt19937 &rng)
{
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), flags, flags & ZORB_OPEN_PRELOAD ? -1 : 4096);
    if (!h)
        return 0;
    const uint32_t bpp = outputType >= 0x80000000u ? 2 : 1;
    const uint32_t margin = 8;
    const uint32_t stride = (h->Width + 2 * margin) * bpp;
    const uint32_t lines = h->Height + 2 * margin;
    std::vector<uint8_t> picture(size_t{stride} * lines + 1, 0);
    ZorbSetOutput(h, margin, static_cast<int32_t>(margin), stride, lines, picture.data(), outputType);
    uint32_t soundMax = 0;
    for (uint32_t m : h->AudioMaxSize)
        soundMax = std::max(soundMax, m);
    std::vector<uint8_t> sound(soundMax <= (1u << 20) ? soundMax + 1 : 0);
    const uint32_t steps = 2 * (h->FrameCount + 1);
    for (uint32_t s = 0; s < steps && s < 400; ++s) {
        ZorbDecodeFrame(h);
        int mode = static_cast<int>(rng() % 3);
        for (int k = 0; k < 64 && ZorbNextDirtyRect(h, mode); ++k) {
            EXPECT_LE(static_cast<uint64_t>(h->LastRectX) + static_cast<uint32_t>(h->LastRectW), stride / bpp);
            EXPECT_LE(static_cast<uint64_t>(h->LastRectY) + static_cast<uint32_t>(h->LastRectH), lines);
        }
        if (!sound.empty())
            ZorbGetTrackSound(h, ZORB_OPEN_TRACKS_MASK, sound.data());
        if (s == 3) {
            uint8_t target[768];
            for (auto &c : target)
                c = static_cast<uint8_t>(rng());
            ZorbRemapColors(h, target, 256, 0);
        }
        if (rng() % 9 == 0)
            ZorbSeekFrame(h, static_cast<uint32_t>(rng() % (h->FrameCount + 2)));
        else
            ZorbAdvanceFrame(h);
    }
    uint32_t decoded = h->FramesDecoded;
    ZorbClose(h);
    return decoded;
}

std::vector<std::vector<uint8_t>> Damaged(const std::vector<std::vector<uint8_t>> &valid, std::mt19937 &rng)
{
    std::vector<std::vector<uint8_t>> out;
    for (const auto &f : valid) {
        out.push_back(f);
        for (int k = 0; k < 6; ++k) {
            std::vector<uint8_t> cut(f.begin(), f.begin() + static_cast<long>(rng() % f.size()));
            out.push_back(cut);
        }
        for (int k = 0; k < 12; ++k) {
            std::vector<uint8_t> bad = f;
            for (int hit = 0; hit < 1 + static_cast<int>(rng() % 6); ++hit) {
                size_t pos = rng() % 2 ? rng() % std::min<size_t>(bad.size(), 600) : rng() % bad.size();
                bad[pos] = static_cast<uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
            }
            out.push_back(bad);
        }
    }
    return out;
}

} // namespace

TEST(PlaybackCorpus, DamagedFilesPlaySafely)
{
    std::mt19937 rng(21);
    std::vector<std::vector<uint8_t>> valid;
    for (uint32_t s = 1; s <= 8; ++s)
        valid.push_back(zbxgen::Build(zbxgen::RandomDescription(s)));
    auto files = Damaged(valid, rng);
    for (const auto &f : zbxgen::FuzzSeeds(17, 30))
        files.push_back(f);
    const uint32_t outputs[] = {0, 1, 0x80000000u, 0xC0000001u};
    int played = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        std::string path = WriteTemp(files[i], "play");
        uint32_t flags = i % 2 ? ZORB_OPEN_PRELOAD : 0;
        flags |= (i / 2 % 4) << 20; // height modes
        uint32_t decoded = Play(path, flags, outputs[i % 4], rng);
        std::remove(path.c_str());
        if (decoded)
            ++played;
    }
    EXPECT_GE(played, 40) << "of " << files.size();
}

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/gfx_samples.h"
#include "vexutil/vexutil.h"

using gfxsamples::Bytes;

namespace {

std::string Path(const std::string &name)
{
    return gfxsamples::ScratchDir("flicw") + "/" + name;
}

uint32_t Get16(const Bytes &b, size_t at)
{
    return b[at] | b[at + 1] << 8;
}
uint32_t Get32(const Bytes &b, size_t at)
{
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

// The frames of a written file as (chunk count, chunk types).
struct FrameInfo {
    uint32_t offset, chunks;
    std::vector<uint32_t> types;
};
std::vector<FrameInfo> Frames(const Bytes &b)
{
    std::vector<FrameInfo> out;
    size_t at = 128;
    while (at + 16 <= b.size()) {
        FrameInfo f{static_cast<uint32_t>(at), Get16(b, at + 6), {}};
        EXPECT_EQ(Get16(b, at + 4), 0xF1FAu);
        size_t c = at + 16;
        for (uint32_t i = 0; i < f.chunks && c + 6 <= b.size(); ++i) {
            f.types.push_back(Get16(b, c + 4));
            c += Get32(b, c);
        }
        out.push_back(f);
        at += Get32(b, at);
    }
    return out;
}

Bytes Noise(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto &v : b)
        v = static_cast<uint8_t>(rng());
    return b;
}

Bytes Write(const std::string &name, uint32_t w, uint32_t h, int32_t frameTime, const std::vector<Bytes> &frames,
            const Bytes &palette)
{
    VEXOFLIC *f = VEXOFlicCreate(Path(name).c_str(), w, h, frameTime);
    EXPECT_NE(f, nullptr);
    if (!f)
        return {};
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(VEXOFlicPutNext(f, frames[i].data(), i ? nullptr : palette.data()));
    uint32_t size = VEXOFlicClose(f);
    Bytes b = gfxsamples::ReadFile(Path(name.find('.') == std::string::npos ? name + ".flc" : name));
    EXPECT_EQ(size, b.size());
    return b;
}

struct FlicCloser {
    void operator()(VEXFLIC *f) const { VEXFlicClose(f); }
};

// Reads n frames (rows of width bytes) and their palettes back with the flic reader.
void ReadBack(const std::string &path, uint32_t n, std::vector<Bytes> &frames, std::vector<Bytes> &palettes)
{
    std::unique_ptr<VEXFLIC, FlicCloser> r(VEXFlicOpen(path.c_str()));
    ASSERT_NE(r, nullptr);
    Bytes buf(size_t(r->pitch) * r->rows);
    for (uint32_t i = 0; i < n; ++i) {
        ASSERT_NE(VEXFlicGetNext(r.get(), buf.data()), 0);
        Bytes f;
        for (uint32_t y = 0; y < r->height; ++y)
            f.insert(f.end(), buf.begin() + y * r->pitch, buf.begin() + y * r->pitch + r->width);
        frames.push_back(f);
        palettes.emplace_back(r->palette, r->palette + 768);
    }
}

} // namespace

TEST(FlicWriter, TwoIdenticalFramesGiveAnEmptyFrameAndTheLoopFrame)
{
    Bytes pic = Noise(64 * 10, 1), pal = gfxsamples::TestPalette();
    for (size_t i = 0; i < pic.size(); i += 3)
        pic[i] = 7; // some runs
    Bytes b = Write("same.flc", 64, 10, 50, {pic, pic}, pal);
    ASSERT_GE(b.size(), 128u);
    EXPECT_EQ(Get32(b, 0), b.size());
    EXPECT_EQ(Get16(b, 4), 0xAF12u);
    EXPECT_EQ(Get16(b, 6), 2u); // the loop frame is not counted
    EXPECT_EQ(Get16(b, 8), 64u);
    EXPECT_EQ(Get16(b, 12), 8u);
    EXPECT_EQ(Get16(b, 14), 3u);
    EXPECT_EQ(Get32(b, 16), 50u);
    EXPECT_EQ(Get32(b, 26), 0u);
    EXPECT_EQ(Get16(b, 38), 1u);
    EXPECT_EQ(Get32(b, 80), 128u);
    auto frames = Frames(b);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(Get32(b, 84), frames[1].offset);
    ASSERT_EQ(frames[0].types.size(), 2u);
    EXPECT_EQ(frames[0].types[0], 4u);
    EXPECT_TRUE(frames[0].types[1] == 15 || frames[0].types[1] == 16);
    EXPECT_EQ(frames[1].chunks, 0u);
    EXPECT_EQ(frames[2].chunks, 0u);
    std::vector<Bytes> got, pals;
    ReadBack(Path("same.flc"), 3, got, pals);
    for (auto &g : got)
        EXPECT_EQ(g, pic);
    EXPECT_EQ(pals[0], pal);
}

TEST(FlicWriter, DeltaKindsBySizeAndFallback)
{
    struct Case {
        uint32_t w, h;
        bool bigChange;
        uint32_t expected; // pixel chunk of the second frame
    } cases[] = {{320, 200, false, 12}, {640, 480, false, 7}, {320, 200, true, 16}, {64, 48, true, 16}};
    for (const Case &c : cases) {
        Bytes a(size_t(c.w) * c.h, 3), bb = a;
        for (uint32_t y = 10; y < 20; ++y)
            for (uint32_t x = 5; x < 40; ++x)
                bb[y * c.w + x] = static_cast<uint8_t>(x * y);
        if (c.bigChange)
            bb = Noise(bb.size(), c.w);
        std::string name = "d" + std::to_string(c.w) + (c.bigChange ? "n" : "") + ".flc";
        Bytes file = Write(name, c.w, c.h, -6667, {a, bb}, gfxsamples::TestPalette());
        auto frames = Frames(file);
        ASSERT_EQ(frames.size(), 3u) << name;
        ASSERT_EQ(frames[1].types.size(), 1u) << name;
        EXPECT_EQ(frames[1].types[0], c.expected) << name;
        EXPECT_EQ(Get16(file, 38), c.w == 320 && c.h == 200 ? 6u : 1u);
        std::vector<Bytes> got, pals;
        ReadBack(Path(name), 3, got, pals);
        EXPECT_EQ(got[0], a) << name;
        EXPECT_EQ(got[1], bb) << name;
        EXPECT_EQ(got[2], a) << name; // the reader starts over
    }
}

TEST(FlicWriter, FrameTimesSpeedsAndRefusals)
{
    Bytes pic(16 * 4, 1), pal = gfxsamples::TestPalette();
    Bytes b = Write("t6667", 16, 4, -6667, {pic}, pal); // ".flc" is added
    EXPECT_EQ(Get32(b, 16), 66u);
    EXPECT_EQ(static_cast<int32_t>(Get32(b, 26)), -6667);
    std::unique_ptr<VEXFLIC, FlicCloser> r(VEXFlicOpen(Path("t6667.flc").c_str()));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frameTime, -6667);
    Write("t67.flc", 16, 4, 67, {pic}, pal);
    r.reset(VEXFlicOpen(Path("t67.flc").c_str()));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->frameTime, -6700);

    EXPECT_EQ(VEXOFlicCreate(Path("odd.flc").c_str(), 321, 10, 50), nullptr);
    EXPECT_EQ(VEXOFlicCreate(Path("nodir/x.flc").c_str(), 320, 10, 50), nullptr);
    EXPECT_EQ(VEXOFlicPutNext(nullptr, pic.data(), nullptr), 0);
    EXPECT_EQ(VEXOFlicClose(nullptr), 0u);
}

TEST(FlicWriter, AFullDiskFailsTheWriter)
{
    const std::string full = Path("full.flc");
    if (symlink("/dev/full", full.c_str()) != 0)
        GTEST_SKIP() << "no symbolic link to /dev/full";
    VEXOFLIC *f = VEXOFlicCreate(full.c_str(), 640, 480, 50);
    if (!f)
        GTEST_SKIP() << "/dev/full cannot be opened here";
    Bytes pal = gfxsamples::TestPalette();
    int ok = 1;
    for (uint32_t i = 0; i < 4 && ok; ++i)
        ok = VEXOFlicPutNext(f, Noise(640 * 480, i).data(), pal.data());
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(VEXOFlicPutNext(f, Noise(640 * 480, 9).data(), nullptr), 0); // and stays failed
    EXPECT_EQ(VEXOFlicClose(f), 0u);
}

// Random sequences: random sizes, palettes that change in parts, pictures
// with small and large changes, read back identical; the loop frame shows
// the first frame with the first palette.
TEST(FlicWriter, RandomSequencesReadBackIdentical)
{
    std::mt19937 rng(20261209);
    for (int round = 0; round < 60; ++round) {
        uint32_t w = 2 * (1 + rng() % 80), h = 1 + rng() % 60;
        if (round % 10 == 0)
            w = 320, h = 200;
        const uint32_t n = 1 + rng() % 8;
        std::vector<Bytes> frames, palettes;
        Bytes pic(size_t(w) * h), pal(768);
        for (auto &v : pal)
            v = static_cast<uint8_t>(rng());
        for (auto &v : pic)
            v = static_cast<uint8_t>(rng() % 4);
        std::vector<bool> givePalette;
        for (uint32_t i = 0; i < n; ++i) {
            switch (rng() % 5) {
            case 0:
                break; // unchanged
            case 1:
                pic = Noise(pic.size(), rng());
                break;
            case 2: // runs
                for (uint32_t k = rng() % 6; k > 0; --k) {
                    size_t at = rng() % pic.size(), len = std::min<size_t>(rng() % 600, pic.size() - at);
                    std::memset(&pic[at], static_cast<int>(rng() & 255), len);
                }
                break;
            default: // scattered pixels
                for (uint32_t k = rng() % 40; k > 0; --k)
                    pic[rng() % pic.size()] = static_cast<uint8_t>(rng());
            }
            const bool p = i == 0 || rng() % 3 == 0;
            if (p && i > 0)
                for (uint32_t k = rng() % 20; k > 0; --k)
                    pal[rng() % 768] = static_cast<uint8_t>(rng());
            frames.push_back(pic);
            palettes.push_back(pal);
            givePalette.push_back(p);
        }
        const std::string name = "r" + std::to_string(round) + ".flc";
        VEXOFLIC *f = VEXOFlicCreate(Path(name).c_str(), w, h, -(1000 + round));
        ASSERT_NE(f, nullptr);
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_TRUE(VEXOFlicPutNext(f, frames[i].data(), givePalette[i] ? palettes[i].data() : nullptr));
        ASSERT_GT(VEXOFlicClose(f), 0u);
        // Count the loop frame too, so the reader decodes it.
        Bytes file = gfxsamples::ReadFile(Path(name));
        ASSERT_EQ(Get16(file, 6), n);
        file[6] = static_cast<uint8_t>(n + 1);
        ASSERT_TRUE(gfxsamples::WriteFile(Path("loop.flc"), file));
        std::vector<Bytes> got, pals;
        ReadBack(Path("loop.flc"), n + 1, got, pals);
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(got[i], frames[i]) << "round " << round << " frame " << i << " " << w << "x" << h;
            ASSERT_EQ(pals[i], palettes[i]) << "round " << round << " frame " << i;
        }
        EXPECT_EQ(got[n], frames[0]) << "round " << round;
        EXPECT_EQ(pals[n], palettes[0]) << "round " << round;
    }
}

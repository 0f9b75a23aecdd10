// A corpus of truncated and corrupted files made from valid ones: every file
// is opened in several modes and walked frame by frame, forwards and with
// seeks. Run under the sanitizers this shows that no damage leads to a read
// or write outside a buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "codec/examine.h"
#include "codec/handle.h"
#include "codec/trees.h"
#include "codec/zorb.h"
#include "tests/support/sanitized.h"
#include "tests/support/treestream.h"
#include "tests/support/zbxgen.h"
#include "zbxbuild.h"

using namespace zbxtest;

namespace {

std::vector<std::vector<uint8_t>> ValidFiles()
{
    std::vector<std::vector<uint8_t>> out;
    std::mt19937 rng(77);
    for (int k = 0; k < 4; ++k) {
        ZbxBuild b;
        b.headerFlags = k % 2 ? ZBX_RING_FRAME : 0;
        BigTreeWriter w;
        bool first = true;
        for (int i = 0; i < 4; ++i) {
            if ((k + i) % 3 == 0) {
                w.Absent();
                continue;
            }
            std::vector<uint16_t> v;
            for (int j = 0; j < 30; ++j)
                v.push_back(static_cast<uint16_t>((j % 4) << 8 | (rng() & 0xFF)));
            CodeTree t = CodeTree::Random(v, rng);
            w.Present(t, {v[0], v[1], 0}, true, first || i % 2 == 0, &rng);
            first = false;
            b.treeSizes[i] = t.NodeBytes();
        }
        b.treeData = w.Bytes();
        int frames = 10 + k * 8;
        for (int f = 0; f < frames; ++f) {
            std::optional<std::vector<uint8_t>> pal;
            if (f % 4 == 0)
                pal = std::vector<uint8_t>{0x05, 0x10, 0x20, 0x30, 0x81, 0x47, 0x03, 0xFF, 0xFF};
            std::array<std::optional<std::vector<uint8_t>>, 7> sound;
            for (int t = 0; t < 7; ++t)
                if ((f + t) % (k + 2) == 0)
                    sound[t] = std::vector<uint8_t>(rng() % 300, static_cast<uint8_t>(t));
            std::vector<uint8_t> video(rng() % (k == 3 ? 9000 : 1500));
            for (auto &c : video)
                c = static_cast<uint8_t>(rng());
            b.frames.push_back(MakeFrame(pal, sound, video));
        }
        out.push_back(b.Bytes());
    }
    return out;
}

// Opens and walks one file; returns whether it opened.
bool Walk(const std::string &path, uint32_t flags, int32_t extra, std::mt19937 &rng)
{
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), flags, extra);
    if (!h)
        return false;
    uint32_t n = zorb::TableFrames(h);
    auto touch = [&] {
        // Read every byte the parser points at, as the decoders would.
        volatile uint32_t sum = 0;
        for (uint32_t i = 0; i < h->CurrentFrameSize; ++i)
            sum = sum + h->FrameData[i];
        for (uint8_t *a : h->AudioChunk)
            if (a)
                sum = sum + a[0] + a[3];
        if (h->VideoOffset < h->CurrentFrameSize)
            sum = sum + h->VideoChunk[0];
        zorb::BitReader r(h->VideoChunk, h->CurrentFrameSize - h->VideoOffset);
        zorb::ResetCaches(h->TreeTable);
        for (int i = 0; i < 64; ++i)
            sum = sum + zorb::DecodeBig(h->TreeTable->tree[i % 4], r);
    };
    touch();
    for (uint32_t step = 0; step < 2 * n; ++step) {
        if (rng() % 3 == 0)
            zorb::BackgroundReadStep(h);
        if (rng() % 7 == 0) {
            h->CurrentFrame = static_cast<uint32_t>(rng() % n);
            if (h->CurrentFrame == 0)
                std::memset(h->Palette, 0, sizeof h->Palette);
            zorb::PositionOnCurrentFrame(h);
        } else if (h->CurrentFrame + 1 < n) {
            if (!h->ReadBufferStart)
                h->FrameData += h->CurrentFrameSize;
            ++h->CurrentFrame;
            zorb::ReadCurrentFrame(h);
        } else {
            continue;
        }
        zorb::ParseFrame(h);
        touch();
    }
    ZorbClose(h);
    return true;
}

} // namespace

TEST(Corpus, TruncatedFiles)
{
    // A file cut short opens only when a frame lies whole in it, and then it
    // knows it is cut: fewer intact frames than its tables list.
    std::mt19937 rng(1);
    int opened = 0, total = 0;
    for (const auto &file : ValidFiles()) {
        for (size_t len = 0; len < file.size(); len += 1 + len / 16) {
            std::string path = WriteTemp(std::vector<uint8_t>(file.begin(), file.begin() + len), "cut");
            for (uint32_t flags : {0u, uint32_t{ZORB_OPEN_PRELOAD}, uint32_t{ZORB_OPEN_FILL_BUFFER}}) {
                ++total;
                if (!Walk(path, flags, flags ? -1 : 4096, rng))
                    continue;
                ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), flags, flags ? -1 : 4096);
                ASSERT_NE(h, nullptr);
                opened += h->IntactFrames >= ZorbTableFrames(h);
                ZorbClose(h);
            }
        }
        std::string path = WriteTemp(file, "whole");
        EXPECT_TRUE(Walk(path, 0, 4096, rng));
        EXPECT_TRUE(Walk(path, ZORB_OPEN_PRELOAD, -1, rng));
    }
    EXPECT_EQ(opened, 0) << "a truncated file opened as whole (of " << total << ")";
}

TEST(Corpus, CorruptedFiles)
{
    std::mt19937 rng(2);
    int opened = 0, total = 0;
    auto files = ValidFiles();
    for (int round = 0; round < zorb_test::Rounds(400, 120); ++round) {
        std::vector<uint8_t> file = files[round % files.size()];
        int hits = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < hits; ++k) {
            size_t pos;
            switch (rng() % 3) {
            case 0:
                pos = rng() % std::min<size_t>(file.size(), 400);
                break; // header, tables, trees
            default:
                pos = rng() % file.size();
                break;
            }
            switch (rng() % 3) {
            case 0:
                file[pos] = static_cast<uint8_t>(rng());
                break;
            case 1:
                file[pos] ^= static_cast<uint8_t>(1u << (rng() % 8));
                break;
            default:
                file[pos] = 0xFF;
                break;
            }
        }
        std::string path = WriteTemp(file, "bad");
        for (uint32_t flags : {0u, uint32_t{ZORB_OPEN_PRELOAD}}) {
            ++total;
            opened += Walk(path, flags | ZORB_OPEN_FILL_BUFFER, flags ? -1 : 8192, rng);
        }
        std::remove(path.c_str());
    }
    // Many damaged files still open (damage inside frames); all are walked safely.
    EXPECT_GT(opened, 0);
    EXPECT_LE(opened, total);
}

// Files made by the shared generator: valid ones of every kind and damaged
// ones, walked the same way.
TEST(Corpus, GeneratedFiles)
{
    std::mt19937 rng(3);
    int opened = 0;
    auto seeds = zbxgen::FuzzSeeds(11, 60);
    for (uint32_t s = 1; s <= 20; ++s)
        seeds.push_back(zbxgen::Build(zbxgen::RandomDescription(s)));
    for (const auto &file : seeds) {
        std::string path = WriteTemp(file, "gen");
        for (uint32_t flags :
             {0u, uint32_t{ZORB_OPEN_PRELOAD}, uint32_t{ZORB_OPEN_FILL_BUFFER | ZORB_OPEN_HEIGHT_DOUBLE}})
            opened += Walk(path, flags, flags & ZORB_OPEN_PRELOAD ? -1 : 4096, rng);
        std::remove(path.c_str());
    }
    EXPECT_GE(opened, 60);
}

// Writes the fuzz seed corpus when ZORB_SEED_DIR names a directory.
TEST(Corpus, WriteFuzzSeeds)
{
    const char *dir = std::getenv("ZORB_SEED_DIR");
    if (!dir)
        GTEST_SKIP() << "ZORB_SEED_DIR not set";
    auto seeds = zbxgen::FuzzSeeds(5, 40);
    for (uint32_t s = 1; s <= 10; ++s)
        seeds.push_back(zbxgen::Build(zbxgen::RandomDescription(s)));
    for (const auto &f : ValidFiles())
        seeds.push_back(f);
    for (size_t i = 0; i < seeds.size(); ++i) {
        std::string path = std::string(dir) + "/seed_" + std::to_string(i) + ".zbx";
        ASSERT_TRUE(zbxgen::WriteBytes(seeds[i], path));
    }
}

// Sound chunk encoder: chunk layout, exactness at level 0, the limits of the
// lossy levels, silence, one-frame chunks, lead-in, length, loop and repeat,
// store-raw. Chunks are read back with an independent decoder.

#include "tests/sound_input/chunk_oracle.h"
#include "tests/sound_input/sound_files.h"
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace soundtest;

namespace {

struct CSFileDeleter {
    void operator()(CSFILE *c) const { CSFileClose(c); }
};
using CSFilePtr = std::unique_ptr<CSFILE, CSFileDeleter>;

// A random walk, sometimes jumping, in the given format.
Bytes Walk(int channels, int bits, size_t frames, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b;
    int32_t v[2] = {0, 0};
    for (size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const int32_t range = bits == 16 ? 32767 : 127;
            const int32_t step = rng() % 20 == 0 ? range : range / 16 + 1;
            v[c] += static_cast<int32_t>(rng() % static_cast<uint32_t>(2 * step + 1)) - step;
            v[c] = std::clamp(v[c], -range - 1, range);
            if (bits == 16) {
                Put16(b, static_cast<uint16_t>(v[c]));
            } else {
                b.push_back(static_cast<uint8_t>(v[c] + 128));
            }
        }
    }
    return b;
}

class ChunkEncoder : public ::testing::Test {
protected:
    // Opens the encoder on a wave of the given format and an output file.
    CSFilePtr Open(const Bytes &pcm, int channels, int bits, int level, int32_t leadIn = 0, int32_t length = 0,
                   int loop = 0, int repeat = 0, uint32_t rate = 8000)
    {
        const std::string in = dir.Write("in" + std::to_string(files++) + ".wav", Wave(channels, rate, bits, pcm));
        CSFilePtr cs(CSFileOpen(in.c_str(), level, loop, repeat, leadIn, length, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
        if (cs) {
            out = VEXFileCreate(4096, dir.File("out" + std::to_string(files) + ".bin").c_str());
            outName = dir.File("out" + std::to_string(files) + ".bin");
            CSFileSetOutput(cs.get(), out);
        }
        return cs;
    }
    Bytes Finish()
    {
        VEXFileClose(out);
        out = nullptr;
        std::ifstream in(outName, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // Every chunk of the output, decoded.
    std::vector<oracle::DecodedChunk> DecodeAll(const Bytes &file)
    {
        std::vector<oracle::DecodedChunk> chunks;
        size_t at = 0;
        while (at < file.size()) {
            chunks.push_back(oracle::DecodeChunk(file, at));
            if (!chunks.back().ok)
                break;
            EXPECT_EQ(chunks.back().length % 4, 0u);
            at += chunks.back().length;
        }
        return chunks;
    }
    void TearDown() override
    {
        if (out)
            VEXFileClose(out);
    }
    TempDir dir;
    VEXFILE *out = nullptr;
    std::string outName;
    int files = 0;
};

int32_t SampleAt(const Bytes &pcm, size_t index, int bits)
{
    if (bits == 16)
        return static_cast<int16_t>(pcm[2 * index] | pcm[2 * index + 1] << 8);
    return pcm[index];
}

struct Variant {
    int channels, bits;
};
const Variant kVariants[] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}};

TEST_F(ChunkEncoder, LevelZeroIsExactInEveryVariant)
{
    for (const Variant v : kVariants) {
        const uint32_t frame = static_cast<uint32_t>(v.channels * v.bits / 8);
        const Bytes pcm = Walk(v.channels, v.bits, 3000, 7);
        CSFilePtr cs = Open(pcm, v.channels, v.bits, 0);
        ASSERT_TRUE(cs);
        const uint32_t sizes[] = {1, 2, 100, 735, 1, 1400, 3000}; // in frames
        Bytes want;
        size_t used = 0;
        for (uint32_t n : sizes) {
            CSFilePut(cs.get(), n * frame);
            const size_t take = std::min<size_t>(n * frame, pcm.size() - used);
            want.insert(want.end(), pcm.begin() + static_cast<long>(used),
                        pcm.begin() + static_cast<long>(used + take));
            used += take;
            EXPECT_EQ(cs->lastSoundBytes, take);
            if (take) {
                EXPECT_EQ(cs->lastWrittenSize % 4, 0u);
            }
        }
        EXPECT_EQ(cs->totalSoundBytes, pcm.size());
        const Bytes file = Finish();
        EXPECT_EQ(file.size(), cs->totalWrittenSize);
        Bytes got;
        for (const auto &c : DecodeAll(file)) {
            ASSERT_TRUE(c.ok);
            EXPECT_EQ(c.stereo, v.channels == 2);
            EXPECT_EQ(c.wide, v.bits == 16);
            got.insert(got.end(), c.pcm.begin(), c.pcm.end());
        }
        EXPECT_EQ(got, want) << v.channels << " channels, " << v.bits << " bits";
    }
}

TEST_F(ChunkEncoder, LossyLevelsStayWithinTheirThreshold)
{
    const uint32_t threshold8[] = {0, 1, 2, 4, 6, 8, 12, 16, 24, 32};
    const uint32_t threshold16[] = {0, 4, 8, 16, 64, 128, 256, 512, 1024, 2048};
    for (const Variant v : kVariants) {
        for (int level : {1, 3, 5, 8, 9}) {
            const Bytes pcm = Walk(v.channels, v.bits, 2000, 100 + static_cast<uint32_t>(level));
            CSFilePtr cs = Open(pcm, v.channels, v.bits, level);
            ASSERT_TRUE(cs);
            EXPECT_EQ(cs->threshold, v.bits == 16 ? threshold16[level] : threshold8[level]);
            const uint32_t frame = static_cast<uint32_t>(v.channels * v.bits / 8);
            for (int i = 0; i < 4; ++i)
                CSFilePut(cs.get(), 500 * frame);
            Bytes got;
            for (const auto &c : DecodeAll(Finish())) {
                ASSERT_TRUE(c.ok);
                got.insert(got.end(), c.pcm.begin(), c.pcm.end());
            }
            ASSERT_EQ(got.size(), pcm.size());
            const size_t samples = pcm.size() / static_cast<size_t>(v.bits / 8);
            for (size_t i = 0; i < samples; ++i) {
                const int32_t miss = SampleAt(got, i, v.bits) - SampleAt(pcm, i, v.bits);
                ASSERT_LE(static_cast<uint32_t>(std::abs(miss)), cs->threshold)
                    << "level " << level << " sample " << i << " variant " << v.channels << "/" << v.bits;
            }
        }
    }
}

TEST_F(ChunkEncoder, LevelNineKeepsTheTopThreeBitsOfEightBitDeltas)
{
    const Bytes pcm = Walk(1, 8, 4000, 3);
    CSFilePtr cs = Open(pcm, 1, 8, 9);
    ASSERT_TRUE(cs);
    EXPECT_EQ(cs->mask, 0xE0u);
    CSFilePut(cs.get(), 4000);
    const auto chunks = DecodeAll(Finish());
    ASSERT_EQ(chunks.size(), 1u);
    const auto &c = chunks[0];
    ASSERT_TRUE(c.ok);
    int exactOnes = 0, masked = 0;
    for (size_t i = 0; i < c.deltas[0].size(); ++i) {
        const uint32_t d = c.deltas[0][i];
        if (d & 0x1F) {
            // Only when the masked delta would have missed by more than 32.
            EXPECT_EQ(c.pcm[i + 1], pcm[i + 1]);
            const int32_t withMask = static_cast<int32_t>((c.pcm[i] + (d & 0xE0)) & 0xFF);
            EXPECT_GT(std::abs(withMask - pcm[i + 1]), 32);
            ++exactOnes;
        } else {
            ++masked;
        }
    }
    EXPECT_GT(masked, 1000);
    EXPECT_GT(exactOnes, 0);
}

TEST_F(ChunkEncoder, SilenceCodesAsFlagsOneLeafTreesAndTheFirstSample)
{
    CSFilePtr cs = Open(Bytes(500, 0x80), 1, 8, 0);
    ASSERT_TRUE(cs);
    CSFilePut(cs.get(), 500);
    const Bytes file = Finish();
    // L = 12, U = 500; bits 1,0,0 | 1 (tree bit), 0, 0x00, 0 | 0x80; then no bits.
    ASSERT_EQ(file.size(), 12u);
    EXPECT_EQ(oracle::Le32(file, 0), 12u);
    EXPECT_EQ(oracle::Le32(file, 4), 500u);
    // 1 0 0 1 0 | 00000000 | 0 | 00000001 (0x80 LSB first) -> bits packed LSB first
    EXPECT_EQ(file[8], 0x09);
    EXPECT_EQ(file[9], 0x00);
    EXPECT_EQ(file[10], 0x20);
    EXPECT_EQ(file[11], 0x00);
    const auto chunks = DecodeAll(file);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].pcm, Bytes(500, 0x80));
}

TEST_F(ChunkEncoder, OneFrameChunksDecodeInEveryVariant)
{
    for (const Variant v : kVariants) {
        const uint32_t frame = static_cast<uint32_t>(v.channels * v.bits / 8);
        const Bytes pcm = Walk(v.channels, v.bits, 5, 11);
        CSFilePtr cs = Open(pcm, v.channels, v.bits, 0);
        ASSERT_TRUE(cs);
        for (int i = 0; i < 5; ++i)
            CSFilePut(cs.get(), frame);
        Bytes got;
        const auto chunks = DecodeAll(Finish());
        ASSERT_EQ(chunks.size(), 5u);
        for (const auto &c : chunks) {
            ASSERT_TRUE(c.ok);
            got.insert(got.end(), c.pcm.begin(), c.pcm.end());
        }
        EXPECT_EQ(got, pcm) << v.channels << "/" << v.bits;
    }
}

TEST_F(ChunkEncoder, LeadInThenSoundThenSilenceWithoutLoop)
{
    Bytes pcm(100);
    for (int i = 0; i < 100; ++i)
        pcm[i] = static_cast<uint8_t>(i + 1);
    // 1000 Hz 8-bit mono: lead-in 20 ms = 20 bytes, length 250 ms = 250 bytes.
    CSFilePtr cs = Open(pcm, 1, 8, 0, 20, 250, 0, 0, 1000);
    ASSERT_TRUE(cs);
    EXPECT_EQ(cs->leadInLeft, 20u);
    EXPECT_EQ(cs->soundLeft, 250u);
    CSFilePut(cs.get(), 200);
    CSFilePut(cs.get(), 200);
    EXPECT_EQ(cs->lastSoundBytes, 70u); // the chunk ends with the sound length
    CSFilePut(cs.get(), 200);
    EXPECT_EQ(cs->lastSoundBytes, 0u);
    Bytes got;
    for (const auto &c : DecodeAll(Finish()))
        got.insert(got.end(), c.pcm.begin(), c.pcm.end());
    Bytes want(20, 0x80);
    want.insert(want.end(), pcm.begin(), pcm.end());
    want.resize(270, 0x80);
    EXPECT_EQ(got, want);
}

TEST_F(ChunkEncoder, LoopReadsTheSourceAgainAndRepeatStartsOver)
{
    Bytes pcm(100);
    for (int i = 0; i < 100; ++i)
        pcm[i] = static_cast<uint8_t>(i + 1);
    CSFilePtr cs = Open(pcm, 1, 8, 0, 10, 250, 1, 1, 1000);
    ASSERT_TRUE(cs);
    CSFilePut(cs.get(), 600);
    EXPECT_EQ(cs->lastSoundBytes, 600u);
    const auto chunks = DecodeAll(Finish());
    ASSERT_EQ(chunks.size(), 1u);
    Bytes cycle(10, 0x80);
    for (int k = 0; k < 3; ++k)
        cycle.insert(cycle.end(), pcm.begin(), pcm.end());
    cycle.resize(260);
    Bytes want = cycle;
    want.insert(want.end(), cycle.begin(), cycle.end());
    want.insert(want.end(), cycle.begin(), cycle.begin() + 80);
    EXPECT_EQ(chunks[0].pcm, want);
}

TEST_F(ChunkEncoder, LengthZeroIsTheWholeSourceAtTheOutputRate)
{
    const Bytes pcm = Walk(2, 16, 1000, 5); // 8000 Hz stereo 16-bit
    const std::string in = dir.Write("src.wav", Wave(2, 8000, 16, pcm));
    CSFilePtr cs(CSFileOpen(in.c_str(), 0, 0, 0, 0, 0, 4000, 8, 1, 0, 0, 0, 0, 0, nullptr));
    ASSERT_TRUE(cs);
    EXPECT_EQ(cs->soundLeft, 500u);
    EXPECT_EQ(cs->silence, 0x80u);
}

TEST_F(ChunkEncoder, StoreRawWritesTheBytesAsTheyAreWithSilentPadding)
{
    const Bytes pcm = Walk(1, 8, 301, 9);
    const std::string in = dir.Write("raw.pcm", pcm);
    CSFilePtr cs(CSFileOpen(in.c_str(), 5, 0, 0, 0, 0, 44100, 16, 2, 0, 0, 0, 11025 * 8, 0, nullptr));
    ASSERT_TRUE(cs);
    EXPECT_EQ(cs->storeRaw, 1);
    EXPECT_EQ(cs->sound->rate, 11025);
    EXPECT_EQ(cs->sound->bits, 8);
    EXPECT_EQ(cs->sound->channels, 1);
    out = VEXFileCreate(4096, dir.File("rawout.bin").c_str());
    outName = dir.File("rawout.bin");
    CSFileSetOutput(cs.get(), out);
    CSFilePut(cs.get(), 150);
    CSFilePut(cs.get(), 150);
    CSFilePut(cs.get(), 150);
    const Bytes file = Finish();
    // 4 + 150 -> 156; 4 + 150 -> 156; 4 + 1 -> 8.
    ASSERT_EQ(file.size(), 156u + 156u + 8u);
    EXPECT_EQ(oracle::Le32(file, 0), 156u);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + 150, file.begin() + 4));
    EXPECT_EQ(file[154], 0x80);
    EXPECT_EQ(file[155], 0x80);
    EXPECT_EQ(oracle::Le32(file, 312), 8u);
    EXPECT_EQ(file[316], pcm[300]);
    EXPECT_EQ(file[317], 0x80);
}

TEST_F(ChunkEncoder, TooDeepTreesAreFlattenedAndStillDecode)
{
    // Deltas 0..31 with Fibonacci counts make a chain of 31 levels: too deep
    // for a code, so the trees are written again from flatter statistics.
    std::vector<uint8_t> deltas;
    uint32_t a = 1, b = 1;
    for (uint8_t k = 0; k < 32; ++k) {
        deltas.insert(deltas.end(), a, k);
        const uint32_t c = a + b;
        a = b;
        b = c;
    }
    std::mt19937 rng(1);
    std::shuffle(deltas.begin(), deltas.end(), rng);
    Bytes pcm(deltas.size() + 1);
    pcm[0] = 0x80;
    for (size_t i = 0; i < deltas.size(); ++i)
        pcm[i + 1] = static_cast<uint8_t>(pcm[i] + deltas[i]);
    CSFilePtr cs = Open(pcm, 1, 8, 0);
    ASSERT_TRUE(cs);
    CSFilePut(cs.get(), static_cast<uint32_t>(pcm.size()));
    const auto chunks = DecodeAll(Finish());
    ASSERT_EQ(chunks.size(), 1u);
    ASSERT_TRUE(chunks[0].ok);
    ASSERT_EQ(chunks[0].pcm.size(), pcm.size());
    const auto miss = std::mismatch(pcm.begin(), pcm.end(), chunks[0].pcm.begin());
    EXPECT_TRUE(miss.first == pcm.end()) << "first difference at " << (miss.first - pcm.begin());
}

TEST(ChunkCommandLine, AddsLevelAndP)
{
    char line[] = "x /L5 /P /R8000 /T3";
    int32_t l = -1, p = -1, r = -1, b = -1, c = -1, s = -1, e = -1, t = -1;
    uint32_t raw = 9, k = 9;
    CSFileCommandline(line, &l, &p, &r, &b, &c, &s, &e, &t, &raw, &k);
    EXPECT_EQ(l, 5);
    EXPECT_EQ(p, 1);
    EXPECT_EQ(r, 8000);
    EXPECT_EQ(t, 3);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(raw, 0u);
    char none[] = "x";
    CSFileCommandline(none, &l, &p, &r, &b, &c, &s, &e, &t, &raw, &k);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(p, 0);
}

} // namespace

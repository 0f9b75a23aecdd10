// Sound input from Zorblax tracks (files from the shared generator), and the
// chunk encoder's output decoded by the codec's own sound decoder.

#include "codec/soundchunk.h"
#include "tests/sound_input/sound_files.h"
#include "tests/support/gfx_samples.h"
#include "tests/support/zbxgen.h"
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

struct SFileDeleter {
    void operator()(SFILE *s) const { SFileClose(s); }
};
using SFilePtr = std::unique_ptr<SFILE, SFileDeleter>;

struct Message {
    std::string text;
    int32_t level;
};
std::vector<Message> gMessages;
int32_t Progress(const char *text, int32_t level)
{
    if (level == 2)
        gMessages.push_back({text, level});
    return 0;
}

Bytes ReadAll(SFILE *s)
{
    Bytes out;
    std::vector<uint8_t> buf(512);
    for (;;) {
        const uint32_t n = SFileGet(s, buf.data(), static_cast<uint32_t>(buf.size()));
        out.insert(out.end(), buf.begin(), buf.begin() + n);
        if (n == 0)
            break;
    }
    return out;
}

// A file of `frames` frames at 100 ms with the given tracks; each frame's
// chunk holds `perFrame` bytes of generated sound.
zbxgen::Description Describe(uint32_t frames, const std::vector<std::pair<int, zbxgen::SoundFormat>> &tracks,
                             uint32_t perFrame, std::vector<Bytes> *sound)
{
    zbxgen::Description d;
    d.width = 8;
    d.height = 8;
    d.frameRate = 100;
    zbxgen::Rng rng(7);
    sound->assign(7, Bytes());
    for (auto &[n, f] : tracks)
        d.tracks[static_cast<size_t>(n)] = f;
    for (uint32_t i = 0; i < frames; ++i) {
        zbxgen::Frame fr;
        if (i == 0)
            fr.picture.assign(64, 1);
        for (auto &[n, f] : tracks) {
            zbxgen::SoundChunk c;
            c.pcm = zbxgen::RandomSound(f, perFrame, rng);
            (*sound)[static_cast<size_t>(n)].insert((*sound)[static_cast<size_t>(n)].end(), c.pcm.begin(), c.pcm.end());
            fr.sound[static_cast<size_t>(n)] = c;
        }
        d.frames.push_back(fr);
    }
    return d;
}

class ZorblaxSound : public ::testing::Test {
protected:
    void SetUp() override { gMessages.clear(); }
    TempDir dir;
};

TEST_F(ZorblaxSound, TrackIsDeliveredFrameByFrame)
{
    zbxgen::SoundFormat f8;
    f8.rate = 1000;
    zbxgen::SoundFormat f16;
    f16.rate = 2000;
    f16.stereo = true;
    f16.sixteenBit = true;
    f16.compressed = true;
    // 100 ms frames: 100 bytes of 8-bit mono at 1000 Hz, 800 of 16-bit stereo at 2000 Hz.
    std::vector<Bytes> s8, s16;
    auto d2 = Describe(12, {{1, f8}}, 100, &s8);
    auto d3 = Describe(12, {{3, f16}}, 800, &s16);
    d2.tracks[3] = f16;
    for (size_t i = 0; i < d2.frames.size(); ++i)
        d2.frames[i].sound[3] = d3.frames[i].sound[3];
    const std::string name = dir.File("two.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(d2, name));

    SFilePtr first = SFilePtr(SFileOpen(dir.File("two").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ASSERT_TRUE(first); // track 0: the first track with sound, index 1
    EXPECT_EQ(first->kind, 2);
    EXPECT_EQ(first->trackMask, 0x2000u << 1);
    EXPECT_EQ(first->rate, 1000);
    EXPECT_EQ(first->total, 1200u); // 12 frames x 100 ms x 1000 bytes a second
    EXPECT_EQ(ReadAll(first.get()), s8[1]);

    SFilePtr second = SFilePtr(SFileOpen(name.c_str(), 0, 0, 0, 0, 0, 4, 0, 0, nullptr));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->trackMask, 0x2000u << 3);
    EXPECT_EQ(second->bits, 16);
    EXPECT_EQ(second->channels, 2);
    EXPECT_EQ(second->total, 9600u);
    EXPECT_EQ(ReadAll(second.get()), s16[3]);
    SFileReset(second.get());
    EXPECT_EQ(ReadAll(second.get()), s16[3]);
}

TEST_F(ZorblaxSound, FrameNumberStartUsesTheFrameTime)
{
    zbxgen::SoundFormat f;
    f.rate = 1000;
    std::vector<Bytes> s;
    const auto d = Describe(30, {{0, f}}, 100, &s);
    const std::string name = dir.File("clip.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(d, name));
    SFilePtr sf(SFileOpen(name.c_str(), 0, 0, 0, -10, -12, 1, 0, 0, nullptr));
    ASSERT_TRUE(sf);
    // Frame 10 starts 900 ms in; frame 12 ends at 1200 ms.
    EXPECT_EQ(sf->total, 300u);
    const Bytes got = ReadAll(sf.get());
    ASSERT_EQ(got.size(), 300u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), s[0].begin() + 900));
}

TEST_F(ZorblaxSound, MissingSoundIsReported)
{
    zbxgen::SoundFormat f;
    f.rate = 1000;
    std::vector<Bytes> s;
    const auto silent = Describe(3, {}, 0, &s);
    ASSERT_TRUE(zbxgen::WriteFile(silent, dir.File("silent.zbx")));
    EXPECT_FALSE(SFileOpen(dir.File("silent.zbx").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, Progress));
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].text, "No sound found in the Zorblax file.");
    gMessages.clear();
    const auto one = Describe(3, {{0, f}}, 100, &s);
    ASSERT_TRUE(zbxgen::WriteFile(one, dir.File("one.zbx")));
    EXPECT_FALSE(SFileOpen(dir.File("one.zbx").c_str(), 0, 0, 0, 0, 0, 2, 0, 0, Progress));
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].text, "No sound found in the specified Zorblax track.");
}

TEST_F(ZorblaxSound, ChunkClaimingMoreThanTheLargestChunkStaysInItsBuffer)
{
    zbxgen::SoundFormat f;
    f.rate = 1000;
    f.compressed = true;
    std::vector<Bytes> s;
    auto d = Describe(6, {{0, f}}, 100, &s);
    d.tracks[0]->maxSizeOverride = 100;
    d.frames[2].sound[0]->claimedSize = 60000; // far past the header's largest chunk
    const std::string name = dir.File("lying.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(d, name));
    SFilePtr sf(SFileOpen(name.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ASSERT_TRUE(sf);
    const Bytes got = ReadAll(sf.get());
    // Never more than the largest chunk per frame; the other frames intact.
    ASSERT_LE(got.size(), 600u);
    ASSERT_GE(got.size(), 500u);
    EXPECT_TRUE(std::equal(s[0].begin(), s[0].begin() + 200, got.begin()));
    EXPECT_TRUE(std::equal(s[0].end() - 300, s[0].end(), got.end() - 300));
}

// ---- The encoder's chunks through the codec's decoder ------------------------------------

Bytes DecodeWithCodec(const Bytes &file, bool compressed, int *chunks)
{
    Bytes out;
    size_t at = 0;
    *chunks = 0;
    while (at + 4 <= file.size()) {
        const uint32_t l =
            file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
        if (l < 4 || at + l > file.size())
            break;
        ++*chunks;
        if (!compressed) {
            out.insert(out.end(), file.begin() + static_cast<long>(at + 4), file.begin() + static_cast<long>(at + l));
        } else {
            const uint32_t u =
                file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | static_cast<uint32_t>(file[at + 7]) << 24;
            Bytes pcm(u + 1, 0xEE);
            zorb::SoundRing ring{pcm.data(), pcm.data() + pcm.size(), pcm.data()};
            zorb::DecodeSoundChunk(file.data() + at + 8, l - 8, u, ring);
            EXPECT_EQ(pcm.back(), 0xEE); // nothing past the decoded size
            out.insert(out.end(), pcm.begin(), pcm.end() - 1);
        }
        at += l;
    }
    return out;
}

TEST_F(ZorblaxSound, EncodedChunksDecodeWithTheCodecsDecoder)
{
    const int variants[][2] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}};
    zbxgen::Rng rng(3);
    for (const auto &v : variants) {
        zbxgen::SoundFormat f;
        f.rate = 8000;
        f.stereo = v[0] == 2;
        f.sixteenBit = v[1] == 16;
        const uint32_t frame = static_cast<uint32_t>(v[0] * v[1] / 8);
        const Bytes pcm = zbxgen::RandomSound(f, 2000 * frame, rng);
        const std::string in = dir.Write("src.wav", Wave(v[0], 8000, v[1], pcm));
        for (int level : {0, 2, 6, 9}) {
            CSFILE *cs = CSFileOpen(in.c_str(), level, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
            ASSERT_NE(cs, nullptr);
            const std::string outName = dir.File("chunks.bin");
            VEXFILE *out = VEXFileCreate(4096, outName.c_str());
            CSFileSetOutput(cs, out);
            for (uint32_t n : {1u, 700u, 1u, 2u, 1296u})
                CSFilePut(cs, n * frame);
            const uint32_t threshold = cs->threshold;
            CSFileClose(cs);
            VEXFileClose(out);
            std::ifstream is(outName, std::ios::binary);
            const Bytes file{std::istreambuf_iterator<char>(is), {}};
            int chunks = 0;
            const Bytes got = DecodeWithCodec(file, true, &chunks);
            EXPECT_EQ(chunks, 5);
            ASSERT_EQ(got.size(), pcm.size());
            if (level == 0) {
                EXPECT_EQ(got, pcm) << v[0] << "/" << v[1];
                continue;
            }
            for (size_t i = 0; i < pcm.size() / (v[1] / 8); ++i) {
                int32_t a, b;
                if (v[1] == 16) {
                    a = static_cast<int16_t>(got[2 * i] | got[2 * i + 1] << 8);
                    b = static_cast<int16_t>(pcm[2 * i] | pcm[2 * i + 1] << 8);
                } else {
                    a = got[i];
                    b = pcm[i];
                }
                ASSERT_LE(static_cast<uint32_t>(std::abs(a - b)), threshold) << "level " << level << " at " << i;
            }
        }
    }
}

} // namespace

// Seeds of fuzz_sound_input: Zorblax files (selector 1) and AVI files with
// sound (selector 2), behind the two selector bytes. Run by
// fuzz/sound_input.seeds.sh with ZORB_SEED_DIR set.
TEST(SoundCorpus, WriteFuzzSeeds)
{
    const char *dir = std::getenv("ZORB_SEED_DIR");
    if (!dir)
        GTEST_SKIP() << "ZORB_SEED_DIR not set";
    std::vector<Bytes> files;
    for (uint32_t s = 1; s <= 8; ++s) {
        Bytes f{static_cast<uint8_t>(1 + 5 * (s % 3)), static_cast<uint8_t>(s * 29)};
        const Bytes zbx = zbxgen::Build(zbxgen::RandomDescription(s));
        f.insert(f.end(), zbx.begin(), zbx.end());
        files.push_back(f);
    }
    for (const auto &seed : zbxgen::FuzzSeeds(9, 12)) {
        Bytes f{1, 0};
        f.insert(f.end(), seed.begin(), seed.end());
        files.push_back(f);
    }
    for (int bits : {8, 16}) {
        gfxsamples::AviBuilder avi;
        avi.SetVideo(4, 4, 8, 10, 1, gfxsamples::TestPalette());
        const int stream = avi.AddSound(bits / 8, 8000, bits);
        for (int i = 0; i < 3; ++i) {
            avi.AddFrame(Bytes(16, static_cast<uint8_t>(i)));
            avi.AddSoundChunk(stream, Bytes(64, static_cast<uint8_t>(i * 40)));
        }
        Bytes f{2, static_cast<uint8_t>(bits)};
        const Bytes b = avi.Build();
        f.insert(f.end(), b.begin(), b.end());
        files.push_back(f);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        std::ofstream(std::string(dir) + "/seed_z" + std::to_string(i), std::ios::binary)
            .write(reinterpret_cast<const char *>(files[i].data()), static_cast<std::streamsize>(files[i].size()));
    }
}

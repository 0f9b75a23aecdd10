// Checks the test file generator with a deliberately naive reader of its own
// (bit by bit, no tables), independent of the codec library.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "tests/support/zbxgen.h"

namespace {

using namespace zbxgen;

struct Reader {
    const std::vector<uint8_t> &b;
    size_t pos; // in bits
    size_t end; // in bits
    uint32_t Bit()
    {
        if (pos >= end)
            throw std::runtime_error("read past end");
        const uint32_t v = (b[pos / 8] >> (pos % 8)) & 1;
        ++pos;
        return v;
    }
    uint32_t Bits(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= Bit() << i;
        return v;
    }
};

struct Node {
    int zero = -1, one = -1;
    uint16_t value = 0;
    int escape = -1;
};
using NaiveTree = std::vector<Node>;

int ReadByteTree(Reader &r, NaiveTree &t)
{
    const int me = static_cast<int>(t.size());
    t.push_back({});
    if (r.Bit()) {
        const int z = ReadByteTree(r, t);
        const int o = ReadByteTree(r, t);
        t[me].zero = z;
        t[me].one = o;
    } else {
        t[me].value = static_cast<uint16_t>(r.Bits(8));
    }
    return me;
}
NaiveTree ByteTree(Reader &r)
{
    NaiveTree t;
    ReadByteTree(r, t);
    EXPECT_EQ(r.Bit(), 0u);
    return t;
}
uint16_t Walk(const NaiveTree &t, Reader &r)
{
    int n = 0;
    while (t[n].zero >= 0)
        n = r.Bit() ? t[n].one : t[n].zero;
    return t[n].value;
}

struct Big {
    bool present = false;
    NaiveTree t;
    uint16_t esc[3];
    uint16_t cache[3];
};
int ReadBig(Reader &r, Big &big, const NaiveTree &lo, const NaiveTree &hi)
{
    const int me = static_cast<int>(big.t.size());
    big.t.push_back({});
    if (r.Bit()) {
        const int z = ReadBig(r, big, lo, hi);
        const int o = ReadBig(r, big, lo, hi);
        big.t[me].zero = z;
        big.t[me].one = o;
    } else {
        const uint16_t l = Walk(lo, r);
        const uint16_t h = Walk(hi, r);
        big.t[me].value = static_cast<uint16_t>(l | (h << 8));
        for (int k = 0; k < 3; ++k)
            if (big.t[me].value == big.esc[k]) {
                big.t[me].escape = k;
                break;
            }
    }
    return me;
}
uint16_t DecodeBig(Big &big, Reader &r)
{
    int n = 0;
    while (big.t[n].zero >= 0)
        n = r.Bit() ? big.t[n].one : big.t[n].zero;
    const uint16_t v = big.t[n].escape >= 0 ? big.cache[big.t[n].escape] : big.t[n].value;
    if (v != big.cache[0]) {
        big.cache[2] = big.cache[1];
        big.cache[1] = big.cache[0];
        big.cache[0] = v;
    }
    return v;
}

uint32_t U32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

constexpr uint32_t kRun[64] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,  13,  14,  15,   16,
                               17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,  29,  30,  31,   32,
                               33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,  45,  46,  47,   48,
                               49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 128, 256, 512, 1024, 2048};

// Decodes every stored frame: pictures (coded height), 8-bit palettes, per-track sound.
struct Decoded {
    std::vector<std::vector<uint8_t>> pictures;
    std::vector<std::array<uint8_t, 768>> palettes;
    std::vector<std::array<std::vector<uint8_t>, 7>> sound;
};

std::vector<uint8_t> DecodeSound(const std::vector<uint8_t> &b, size_t at, uint32_t len, uint32_t U)
{
    Reader r{b, at * 8, (at + len) * 8};
    std::vector<uint8_t> out;
    if (!r.Bit())
        return out;
    const bool stereo = r.Bit(), sixteen = r.Bit();
    const int trees = (stereo ? 2 : 1) * (sixteen ? 2 : 1);
    std::vector<NaiveTree> t;
    for (int i = 0; i < trees; ++i) {
        r.Bit();
        t.push_back(ByteTree(r));
    }
    if (U == 0)
        return out;
    uint32_t s[2] = {};
    if (!sixteen && !stereo)
        s[0] = r.Bits(8);
    if (sixteen && !stereo)
        s[0] = r.Bits(8) << 8, s[0] |= r.Bits(8);
    if (!sixteen && stereo)
        s[1] = r.Bits(8), s[0] = r.Bits(8);
    if (sixteen && stereo)
        s[1] = r.Bits(8) << 8, s[1] |= r.Bits(8), s[0] = r.Bits(8) << 8, s[0] |= r.Bits(8);
    auto put = [&] {
        for (int ch = 0; ch < (stereo ? 2 : 1); ++ch) {
            out.push_back(static_cast<uint8_t>(s[ch]));
            if (sixteen)
                out.push_back(static_cast<uint8_t>(s[ch] >> 8));
        }
    };
    put();
    while (out.size() < U) {
        for (int ch = 0; ch < (stereo ? 2 : 1); ++ch) {
            if (sixteen) {
                const uint32_t lo = Walk(t[ch * 2], r), hi = Walk(t[ch * 2 + 1], r);
                s[ch] = (s[ch] + (hi << 8 | lo)) & 0xFFFF;
            } else {
                s[ch] = (s[ch] + Walk(t[ch], r)) & 0xFF;
            }
        }
        put();
    }
    return out;
}

Decoded NaiveDecode(const std::vector<uint8_t> &b)
{
    Decoded d;
    EXPECT_EQ(std::memcmp(b.data(), "ZBX2", 4), 0);
    const uint32_t w = U32(b, 4), h = U32(b, 8), frames = U32(b, 12), flags = U32(b, 20);
    const uint32_t N = frames + (flags & 1);
    const uint32_t treeSize = U32(b, 52);
    size_t at = 104;
    std::vector<uint32_t> sizes;
    for (uint32_t i = 0; i < N; ++i)
        sizes.push_back(U32(b, at + 4 * i));
    at += 4 * N;
    std::vector<uint8_t> types(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + N));
    at += N;
    Reader tr{b, at * 8, (at + treeSize) * 8};
    Big big[4];
    NaiveTree lo, hi;
    for (int t = 0; t < 4; ++t) {
        big[t].present = tr.Bit();
        if (!big[t].present)
            continue;
        if (tr.Bit())
            lo = ByteTree(tr);
        if (tr.Bit())
            hi = ByteTree(tr);
        for (auto &e : big[t].esc)
            e = static_cast<uint16_t>(tr.Bits(16));
        ReadBig(tr, big[t], lo, hi);
        EXPECT_EQ(tr.Bit(), 0u);
        EXPECT_LE(big[t].t.size() * 4, U32(b, 56 + 4 * t));
    }
    at += treeSize;
    std::vector<uint8_t> pic(static_cast<size_t>(w) * h, 0);
    std::array<uint8_t, 768> pal{};
    for (uint32_t f = 0; f < N; ++f) {
        const size_t p = at, end = at + sizes[f];
        size_t c = p;
        if (types[f] & 1) {
            std::array<uint8_t, 768> old = pal;
            size_t q = p + 1;
            int idx = 0;
            while (idx < 256) {
                const uint8_t x = b[q++];
                if (x & 0x80) {
                    idx += (x & 0x7F) + 1;
                } else if (x & 0x40) {
                    const int s = b[q++];
                    for (int k = 0; k <= (x & 0x3F); ++k)
                        std::memcpy(&pal[(idx + k) * 3], &old[(s + k) * 3], 3);
                    idx += (x & 0x3F) + 1;
                } else {
                    const uint8_t v[3] = {x, b[q], b[q + 1]};
                    q += 2;
                    for (int k = 0; k < 3; ++k)
                        pal[idx * 3 + k] = static_cast<uint8_t>((v[k] << 2) | (v[k] >> 4));
                    ++idx;
                }
            }
            c = p + 4 * b[p];
        }
        std::array<std::vector<uint8_t>, 7> snd;
        for (int n = 0; n < 7; ++n) {
            if (!(types[f] & (2 << n)))
                continue;
            const uint32_t L = U32(b, c), fmt = U32(b, 72 + 4 * n);
            if (fmt & 0x80000000u) {
                const uint32_t U = U32(b, c + 4);
                snd[n] = DecodeSound(b, c + 8, L - 8, U);
                if (snd[n].empty())
                    snd[n].assign(U, (fmt & 0x20000000u) ? 0 : 0x80);
            } else {
                snd[n].assign(b.begin() + static_cast<long>(c + 4), b.begin() + static_cast<long>(c + L));
            }
            c += L;
        }
        Reader vr{b, c * 8, end * 8};
        for (auto &bt : big)
            bt.cache[0] = bt.cache[1] = bt.cache[2] = 0;
        const uint32_t bpr = w / 4, total = bpr * (h / 4);
        uint32_t blk = 0;
        while (blk < total) {
            if (vr.pos >= vr.end)
                throw std::runtime_error("video of frame " + std::to_string(f) + " ends at block " +
                                         std::to_string(blk));
            const uint16_t t = DecodeBig(big[3], vr);
            const uint32_t n = kRun[(t >> 2) & 63];
            for (uint32_t i = 0; i < n && blk < total; ++i, ++blk) {
                uint8_t px[16];
                const uint32_t type = t & 3;
                if (type == 2)
                    continue;
                if (type == 3)
                    std::memset(px, t >> 8, 16);
                if (type == 0) {
                    const uint16_t cp = DecodeBig(big[1], vr), m = DecodeBig(big[0], vr);
                    for (int k = 0; k < 16; ++k)
                        px[k] = static_cast<uint8_t>(((m >> k) & 1) ? cp >> 8 : cp);
                }
                if (type == 1)
                    for (int y = 0; y < 4; ++y) {
                        const uint16_t a = DecodeBig(big[2], vr), bb = DecodeBig(big[2], vr);
                        px[y * 4] = static_cast<uint8_t>(bb), px[y * 4 + 1] = static_cast<uint8_t>(bb >> 8);
                        px[y * 4 + 2] = static_cast<uint8_t>(a), px[y * 4 + 3] = static_cast<uint8_t>(a >> 8);
                    }
                const uint32_t bx = blk % bpr, by = blk / bpr;
                for (int y = 0; y < 4; ++y)
                    std::memcpy(&pic[(by * 4 + y) * w + bx * 4], px + y * 4, 4);
            }
        }
        d.pictures.push_back(pic);
        d.palettes.push_back(pal);
        d.sound.push_back(snd);
        at = end;
    }
    EXPECT_EQ(at, b.size());
    return d;
}

void ExpectRoundTrip(const Description &desc)
{
    const auto bytes = Build(desc);
    Decoded got;
    try {
        got = NaiveDecode(bytes);
    } catch (const std::exception &e) {
        FAIL() << e.what();
    }
    const size_t N = desc.frames.size() + (desc.ringFrame ? 1 : 0);
    ASSERT_EQ(got.pictures.size(), N);
    for (size_t i = 0; i < N; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got.pictures[i], PictureAt(desc, i));
        EXPECT_EQ(got.palettes[i], PaletteAt(desc, i));
        const Frame &f = i < desc.frames.size() ? desc.frames[i] : *desc.ringFrame;
        for (int n = 0; n < 7; ++n) {
            if (!f.sound[n])
                continue;
            const SoundFormat fmt = *desc.tracks[n];
            std::vector<uint8_t> want = f.sound[n]->pcm;
            if (fmt.compressed)
                want.resize(want.size() / SampleFrameBytes(fmt) * SampleFrameBytes(fmt));
            if (fmt.compressed && f.sound[n]->noData)
                want.assign(want.size(), fmt.sixteenBit ? 0 : 0x80);
            EXPECT_EQ(got.sound[i][n], want) << "track " << n;
        }
    }
}

TEST(ZbxGen, RandomDescriptionsRoundTrip)
{
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        SCOPED_TRACE(seed);
        ExpectRoundTrip(RandomDescription(seed));
    }
}

TEST(ZbxGen, EveryContentKindAlone)
{
    for (int c = 0; c < 5; ++c)
        for (int v = 0; v < 2; ++v) {
            SCOPED_TRACE(c * 10 + v);
            Rng rng(5);
            Description d;
            d.width = 256;
            d.height = 144;
            d.options.variety = v;
            Frame f;
            f.picture = MakePicture(d.width, d.height, static_cast<Content>(c), rng, nullptr);
            d.frames.push_back(f);
            ExpectRoundTrip(d);
        }
}

TEST(ZbxGen, EveryContentKindAndLongRuns)
{
    Rng rng(5);
    Description d;
    d.width = 256;
    d.height = 144; // 2304 blocks: runs of 2048 and a cut run at the end
    for (Content c : {Content::Fill, Content::TwoColour, Content::Full, Content::MostlySkipped, Content::Random}) {
        Frame f;
        const std::vector<uint8_t> *prev = d.frames.empty() ? nullptr : &d.frames.back().picture;
        f.picture = MakePicture(d.width, d.height, c, rng, prev);
        f.palette = RandomPalette(rng);
        d.frames.push_back(f);
    }
    Frame flat;
    flat.picture.assign(256 * 144, 7);
    d.frames.push_back(flat);
    d.frames.push_back(Frame{}); // unchanged: all skipped
    ExpectRoundTrip(d);
    d.options.variety = false;
    d.options.escapePercent = 0;
    ExpectRoundTrip(d);
}

TEST(ZbxGen, HandMadeValuesAndSoundVariants)
{
    Description d;
    d.width = 16;
    d.height = 4;
    Frame f;
    f.values = std::vector<std::pair<Tree, uint16_t>>{{BlockTypeTree, 0x0007}, {BlockTypeTree, 0xFF03 | (63 << 2)}};
    d.tracks[0] = SoundFormat{22050, false, false, true};
    d.tracks[1] = SoundFormat{22050, true, true, true};
    d.tracks[2] = SoundFormat{22050, true, false, false};
    f.sound[0] = SoundChunk{{0x80, 0x81, 0x80}, false, {}};
    f.sound[1] = SoundChunk{{1, 2, 3, 4, 5, 6, 7, 8}, false, {}};
    f.sound[2] = SoundChunk{{9, 9}, false, {}};
    d.frames.push_back(f);
    const Decoded got = NaiveDecode(Build(d));
    std::vector<uint8_t> want(64, 255);
    for (int y = 0; y < 4; ++y)
        std::memset(&want[y * 16], 0, 8);
    EXPECT_EQ(got.pictures[0], want);
    EXPECT_EQ(got.sound[0][0], (std::vector<uint8_t>{0x80, 0x81, 0x80}));
    EXPECT_EQ(got.sound[0][1], (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(got.sound[0][2], (std::vector<uint8_t>{9, 9}));
}

TEST(ZbxGen, FuzzSeedsAreProduced)
{
    const auto seeds = FuzzSeeds(3, 20);
    ASSERT_EQ(seeds.size(), 20u);
    for (const auto &s : seeds)
        EXPECT_GE(s.size(), 104u);
}

} // namespace

// Shared helpers of the compressor tests: a scratch directory, generated
// clips, and a decoder of whole files built on the codec's trees.
#ifndef ZORB_TESTS_ENCODER_ENCODER_HELPERS_H
#define ZORB_TESTS_ENCODER_ENCODER_HELPERS_H

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec/trees.h"
#include "encoder/encoder.h"
#include "encoder/writer_internal.h"

namespace enctest {

using namespace zenc;

struct TempDir {
    std::string path;
    TempDir()
    {
        char name[] = "/tmp/zenc-test-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir()
    {
        if (DIR *d = opendir(path.c_str())) {
            while (dirent *e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    unlink((path + "/" + e->d_name).c_str());
            closedir(d);
        }
        rmdir(path.c_str());
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        if (DIR *d = opendir(path.c_str())) {
            while (dirent *e = readdir(d))
                if (e->d_name[0] != '.' || std::string(e->d_name).find(".part-") != std::string::npos)
                    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                        out.push_back(e->d_name);
            closedir(d);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
};

struct Clip {
    uint32_t width, height;
    std::vector<std::vector<uint8_t>> pixels;       // width x height each
    std::vector<std::array<uint8_t, 768>> palettes; // 8-bit, top six bits significant
};

inline std::array<uint8_t, 768> Palette(std::mt19937 &rng, int style)
{
    std::array<uint8_t, 768> p{};
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
            p[i * 3 + c] = static_cast<uint8_t>(style == 0 ? (i / 4) << 2 : (rng() & 63) << 2);
    return p;
}

inline Clip MakeClip(int kind, uint32_t w, uint32_t h, int frames, uint32_t seed)
{
    std::mt19937 rng(seed);
    Clip c{w, h, {}, {}};
    auto pal = Palette(rng, 0);
    for (int t = 0; t < frames; ++t) {
        std::vector<uint8_t> px(static_cast<size_t>(w) * h);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t v = 0;
                switch (kind) {
                case 0:
                    v = static_cast<uint8_t>(rng());
                    break;
                case 1:
                    v = static_cast<uint8_t>((x / 20 * 40 + y / 12 * 7) & 0xFF);
                    break;
                case 2:
                    v = static_cast<uint8_t>(((x + 2 * t) / 6 + (y + t) / 9) * 5);
                    break;
                case 3:
                    v = static_cast<uint8_t>(rng() % 7 ? ((x + t) / 8 + y / 8) * 3 : rng());
                    break;
                }
                px[static_cast<size_t>(y) * w + x] = v;
            }
        if (kind == 2 && t % 4 == 2)
            pal = Palette(rng, 1); // palette changes
        c.pixels.push_back(std::move(px));
        c.palettes.push_back(pal);
    }
    return c;
}

// Encodes the clip into out; effort -1 keeps the encoder's default.
inline bool Encode(const Clip &c, const std::string &out, ZencParams p, ZencProgressFn progress = nullptr,
                   int effort = -1)
{
    p.width = c.width;
    p.height = c.height;
    if (!p.frameRate)
        p.frameRate = 67;
    ZENC *enc = ZencOpen(&p);
    if (!enc)
        return false;
    if (effort >= 0)
        ZencSetEffort(enc, effort);
    for (size_t i = 0; i < c.pixels.size(); ++i)
        ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
    const int ok = ZencWrite(enc, out.c_str(), progress);
    ZencClose(enc);
    return ok == 1;
}

struct Decoded {
    ContainerFile file;
    std::vector<std::vector<uint8_t>> pictures; // coded size
    std::vector<Palette6> palettes;
};

// Decodes every frame with the codec's trees.
inline ::testing::AssertionResult Decode(const std::string &name, Decoded &d)
{
    std::string error;
    if (!ReadContainer(name, d.file, error))
        return ::testing::AssertionFailure() << error;
    const ContainerHeader &h = d.file.header;
    std::string why;
    zorb::TreeTable *t = zorb::NewTreeTable(d.file.treeData.data(), d.file.treeData.size(), h.TreeSize, why);
    if (!t)
        return ::testing::AssertionFailure() << "trees refused: " << why;
    const uint32_t w = h.Width & ~3u, ch = h.Height & ~3u, total = (w / 4) * (ch / 4);
    std::vector<uint8_t> picture(static_cast<size_t>(w) * ch, 0);
    Palette6 palette{};
    for (size_t i = 0; i < d.file.frames.size(); ++i) {
        FrameChunks parts;
        if (!SplitFrame(d.file.frames[i], d.file.frameTypes[i], parts)) {
            zorb::FreeTreeTable(t);
            return ::testing::AssertionFailure() << "frame " << i << " does not split";
        }
        if (!parts.palette.empty() && !ApplyPaletteChunk(parts.palette.data(), parts.palette.size(), palette)) {
            zorb::FreeTreeTable(t);
            return ::testing::AssertionFailure() << "bad palette chunk in frame " << i;
        }
        zorb::BitReader in(parts.video.data(), parts.video.size());
        zorb::ResetCaches(t);
        std::vector<uint32_t> symbols;
        for (uint32_t block = 0; block < total;) {
            const uint16_t v = zorb::DecodeBig(t->tree[ZBX_TREE_BLOCK_TYPE], in);
            symbols.push_back(MakeSymbol(ZBX_TREE_BLOCK_TYPE, v));
            const uint32_t end = std::min(total, block + RunLength(v >> 2));
            for (; block < end; ++block) {
                if ((v & 3) == ZBX_BLOCK_TWO_COLOUR) {
                    symbols.push_back(
                        MakeSymbol(ZBX_TREE_COLOUR_PAIR, zorb::DecodeBig(t->tree[ZBX_TREE_COLOUR_PAIR], in)));
                    symbols.push_back(MakeSymbol(ZBX_TREE_BITMAP, zorb::DecodeBig(t->tree[ZBX_TREE_BITMAP], in)));
                } else if ((v & 3) == ZBX_BLOCK_FULL) {
                    for (int k = 0; k < 8; ++k)
                        symbols.push_back(
                            MakeSymbol(ZBX_TREE_PIXEL_PAIR, zorb::DecodeBig(t->tree[ZBX_TREE_PIXEL_PAIR], in)));
                }
            }
        }
        if (in.Overrun()) {
            zorb::FreeTreeTable(t);
            return ::testing::AssertionFailure() << "frame " << i << " reads past its data";
        }
        ApplySymbols(symbols, w, ch, picture);
        d.pictures.push_back(picture);
        d.palettes.push_back(palette);
    }
    zorb::FreeTreeTable(t);
    return ::testing::AssertionSuccess();
}

// Decodes one sound chunk (compressed or raw) as a player does; false when
// the chunk is malformed.
inline bool DecodeSoundChunk(const std::vector<uint8_t> &chunk, bool compressed, std::vector<uint8_t> &out)
{
    auto get32 = [&](size_t at) {
        return static_cast<uint32_t>(chunk[at]) | (static_cast<uint32_t>(chunk[at + 1]) << 8) |
               (static_cast<uint32_t>(chunk[at + 2]) << 16) | (static_cast<uint32_t>(chunk[at + 3]) << 24);
    };
    if (chunk.size() < 4 || get32(0) != chunk.size())
        return false;
    if (!compressed) {
        out.insert(out.end(), chunk.begin() + 4, chunk.end());
        return true;
    }
    if (chunk.size() < 8)
        return false;
    const uint32_t u = get32(4);
    zorb::BitReader in(chunk.data() + 8, chunk.size() - 8);
    if (!in.ReadBit())
        return true;
    const bool stereo = in.ReadBit(), wide = in.ReadBit();
    const int trees = (stereo ? 2 : 1) * (wide ? 2 : 1);
    std::vector<zorb::ByteNode> nodes(static_cast<size_t>(trees) * zorb::kByteTreeMaxNodes);
    for (int t = 0; t < trees; ++t) {
        in.ReadBit();
        if (!zorb::ReadByteTree(in, &nodes[static_cast<size_t>(t) * zorb::kByteTreeMaxNodes]))
            return false;
    }
    if (u == 0)
        return true;
    auto tree = [&](int t) { return &nodes[static_cast<size_t>(t) * zorb::kByteTreeMaxNodes]; };
    auto raw8 = [&]() {
        uint32_t v = 0;
        for (int b = 0; b < 8; ++b)
            v |= in.ReadBit() << b;
        return v;
    };
    const size_t start = out.size();
    uint32_t left = 0, right = 0;
    auto emit = [&](uint32_t v) {
        if (wide) {
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        } else {
            out.push_back(static_cast<uint8_t>(v));
        }
    };
    if (!stereo && !wide)
        left = raw8();
    if (!stereo && wide) {
        left = raw8() << 8;
        left |= raw8();
    }
    if (stereo && !wide) {
        right = raw8();
        left = raw8();
    }
    if (stereo && wide) {
        right = raw8() << 8;
        right |= raw8();
        left = raw8() << 8;
        left |= raw8();
    }
    emit(left);
    if (stereo)
        emit(right);
    const uint32_t mask = wide ? 0xFFFF : 0xFF;
    while (out.size() - start < u) {
        uint32_t d = zorb::DecodeByte(tree(0), in);
        if (wide)
            d |= static_cast<uint32_t>(zorb::DecodeByte(tree(1), in)) << 8;
        left = (left + d) & mask;
        if (stereo) {
            uint32_t e = zorb::DecodeByte(tree(wide ? 2 : 1), in);
            if (wide)
                e |= static_cast<uint32_t>(zorb::DecodeByte(tree(3), in)) << 8;
            right = (right + e) & mask;
        }
        emit(left);
        if (stereo)
            emit(right);
        if (in.Overrun())
            return false;
    }
    return out.size() - start == u;
}

// A track's decoded sound, frame after frame (the ring frame left out);
// perFrame, when given, receives each frame's share.
inline std::vector<uint8_t> TrackSound(const Decoded &d, int track, std::vector<uint32_t> *perFrame = nullptr)
{
    std::vector<uint8_t> out;
    const bool compressed = (d.file.header.AudioFormat[track] & ZBX_AUDIO_COMPRESSED) != 0;
    for (size_t i = 0; i < d.file.header.FrameCount; ++i) {
        FrameChunks parts;
        EXPECT_TRUE(SplitFrame(d.file.frames[i], d.file.frameTypes[i], parts));
        const size_t before = out.size();
        if (!parts.sound[track].empty()) {
            EXPECT_TRUE(DecodeSoundChunk(parts.sound[track], compressed, out)) << i;
        }
        if (perFrame)
            perFrame->push_back(static_cast<uint32_t>(out.size() - before));
    }
    return out;
}

// A wave file of generated PCM; returns the PCM bytes.
inline std::vector<uint8_t> WriteWave(const std::string &name, uint32_t rate, int bits, int channels, double seconds,
                                      uint32_t seed)
{
    std::mt19937 rng(seed);
    const size_t frames = static_cast<size_t>(rate * seconds);
    std::vector<uint8_t> pcm;
    double phase = 0;
    for (size_t i = 0; i < frames; ++i) {
        phase += 0.03 + 0.01 * (i % 100) / 100.0;
        for (int c = 0; c < channels; ++c) {
            const double v = std::sin(phase * (c + 1)) * 0.6 + (static_cast<int>(rng() % 200) - 100) / 3000.0;
            if (bits == 8) {
                pcm.push_back(static_cast<uint8_t>(128 + static_cast<int>(v * 120)));
            } else {
                const int16_t s = static_cast<int16_t>(v * 30000);
                pcm.push_back(static_cast<uint8_t>(s));
                pcm.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
            }
        }
    }
    std::string s = "RIFF";
    auto put32 = [&](uint32_t v) {
        for (int k = 0; k < 4; ++k)
            s.push_back(static_cast<char>(v >> (8 * k)));
    };
    auto put16 = [&](uint32_t v) {
        for (int k = 0; k < 2; ++k)
            s.push_back(static_cast<char>(v >> (8 * k)));
    };
    put32(static_cast<uint32_t>(36 + pcm.size()));
    s += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(static_cast<uint32_t>(channels));
    put32(rate);
    put32(rate * static_cast<uint32_t>(channels * bits / 8));
    put16(static_cast<uint32_t>(channels * bits / 8));
    put16(static_cast<uint32_t>(bits));
    s += "data";
    put32(static_cast<uint32_t>(pcm.size()));
    s.append(reinterpret_cast<const char *>(pcm.data()), pcm.size());
    FILE *f = std::fopen(name.c_str(), "wb");
    if (f) {
        std::fwrite(s.data(), 1, s.size(), f);
        std::fclose(f);
    }
    return pcm;
}

} // namespace enctest

#endif

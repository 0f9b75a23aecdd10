#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/gfx_samples.h"
#include "vexutil/graphics/avi_reader.h"
#include "vexutil/graphics/avi_writer.h"
#include "vexutil/vexutil.h"

using gfxsamples::Bytes;

namespace {

std::string Dir()
{
    return gfxsamples::ScratchDir("ogfile");
}
bool Exists(const std::string &p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

std::vector<std::string> gMessages;
int Record(const char *text, int level)
{
    gMessages.push_back(std::to_string(level) + ":" + (text ? text : "(null)"));
    return 0;
}

struct GCloser {
    void operator()(GFILE *g) const { GFileClose(g); }
};

// Three frames of width x height: 8-bit pictures with palettes that change,
// or the same as 32-bit pixels (blue, green, red, 0) rows of pitch bytes.
struct Clip {
    uint32_t w, h, pitch;
    bool trueColour;
    std::vector<Bytes> pixels, palettes;
};
Clip MakeClip(uint32_t w, uint32_t h, bool trueColour, uint32_t seed)
{
    std::mt19937 rng(seed);
    Clip c{w, h, trueColour ? ((w + 3) & ~3u) * 4 : (w + 3) & ~3u, trueColour, {}, {}};
    Bytes pal = gfxsamples::TestPalette(seed);
    for (int f = 0; f < 3; ++f) {
        Bytes px(size_t(c.pitch) * h, 0);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t v = static_cast<uint8_t>((x / 3 + y * 5 + f * 17 + (rng() % 7 == 0 ? rng() : 0)) & 255);
                if (trueColour) {
                    uint8_t *p = &px[y * c.pitch + 4 * x];
                    p[0] = v, p[1] = static_cast<uint8_t>(x * 9 + f), p[2] = static_cast<uint8_t>(y * 11);
                } else {
                    px[y * c.pitch + x] = v;
                }
            }
        if (f == 2)
            pal[30] ^= 0x55, pal[400] ^= 0x0F;
        c.pixels.push_back(px);
        c.palettes.push_back(pal);
    }
    return c;
}

uint32_t Write(const std::string &name, const Clip &c, uint32_t flags = OGFILE_OVERWRITE)
{
    OGFILE *og = OGFileCreate(nullptr, name.c_str(), c.trueColour, 3, c.w, c.h, c.pitch, -6667, Record, flags);
    EXPECT_NE(og, nullptr) << name;
    if (!og)
        return 0;
    for (int f = 0; f < 3; ++f)
        OGFilePut(og, c.pixels[size_t(f)].data(), c.palettes[size_t(f)].data());
    EXPECT_EQ(og->error, 0u);
    return OGFileClose(og);
}

// Frame f of the clip as 0x00RRGGBB per pixel.
std::vector<uint32_t> Colours(const Clip &c, int f)
{
    std::vector<uint32_t> out;
    for (uint32_t y = 0; y < c.h; ++y)
        for (uint32_t x = 0; x < c.w; ++x) {
            if (c.trueColour) {
                const uint8_t *p = &c.pixels[size_t(f)][y * c.pitch + 4 * x];
                out.push_back(uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
            } else {
                const uint8_t *p = &c.palettes[size_t(f)][3 * c.pixels[size_t(f)][y * c.pitch + x]];
                out.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
            }
        }
    return out;
}

} // namespace

// Every output kind read back with the graphics input: 8-bit kinds index for
// index and palette for palette, true-colour kinds colour for colour.
TEST(GraphicsOutput, RoundTripsThroughTheGraphicsInput)
{
    struct Case {
        const char *name, *readAs;
        bool trueColour, indices;
        int tolerance;
    } cases[] = {
        {"o.flc", "o.flc", false, true, 0},       {"o8.avi", "o8.avi", false, true, 0},
        {"o24.avi", "o24.avi", true, false, 0},   {"b.bmp", "b?.bmp*0-2", false, true, 0},
        {"t.tif", "t?.tif*0-2", false, true, 0},  {"p.pcx", "p?.pcx*0-2", false, true, 0},
        {"g.gif", "g.gif", false, false, 0},      {"n.png", "n?.png*0-2", false, true, 0},
        {"a.tga", "a?.tga*0-2", false, false, 0}, {"c.bmp", "c?.bmp*0-2", true, false, 0},
        {"d.png", "d?.png*0-2", true, false, 0},  {"e.tga", "e?.tga*0-2", true, false, 0},
        {"f.tif", "f?.tif*0-2", true, false, 0},  {"j.jpg", "j?.jpg*0-2", true, false, 40},
    };
    for (const Case &k : cases) {
        for (uint32_t w : {16u, 13u}) {
            SCOPED_TRACE(std::string(k.name) + " width " + std::to_string(w));
            if (w == 13 && std::strstr(k.name, ".flc"))
                continue; // odd widths: refused, tested below
            const Clip c = MakeClip(w, 7, k.trueColour, w);
            gMessages.clear();
            ASSERT_GT(Write(Dir() + "/" + k.name, c), 0u);
            EXPECT_TRUE(gMessages.empty()) << gMessages[0];
            std::unique_ptr<GFILE, GCloser> g(GFileOpen((Dir() + "/" + k.readAs).c_str(), k.indices ? 0 : GFILE_32BIT,
                                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, nullptr, nullptr, nullptr));
            ASSERT_NE(g, nullptr);
            ASSERT_EQ(g->frames, 3u);
            ASSERT_EQ(g->width, w);
            for (int f = 0; f < 3; ++f) {
                ASSERT_TRUE(GFileGet(g.get()));
                if (k.indices) {
                    for (uint32_t y = 0; y < c.h; ++y)
                        ASSERT_EQ(0, std::memcmp(g->pixels + y * g->pitch, &c.pixels[size_t(f)][y * c.pitch], w))
                            << "frame " << f << " row " << y;
                    ASSERT_EQ(0, std::memcmp(g->palette, c.palettes[size_t(f)].data(), 768)) << "frame " << f;
                } else {
                    std::vector<uint32_t> want = Colours(c, f);
                    for (uint32_t y = 0; y < c.h; ++y)
                        for (uint32_t x = 0; x < w; ++x) {
                            uint32_t got = 0, exp = want[y * w + x];
                            std::memcpy(&got, g->pixels + y * g->pitch + 4 * x, 4);
                            for (int s = 0; s < 24; s += 8)
                                ASSERT_LE(std::abs(int((got >> s) & 255) - int((exp >> s) & 255)), k.tolerance)
                                    << "frame " << f << " at " << x << "," << y;
                        }
                }
            }
        }
    }
}

TEST(GraphicsOutput, NumberedImageNames)
{
    const Clip c = MakeClip(8, 4, false, 3);
    struct Case {
        uint32_t frames;
        const char *pattern, *first, *second;
    } cases[] = {{1, "one.bmp", "one.bmp", nullptr},
                 {12, "twelve%02i.bmp", "twelve00.bmp", "twelve01.bmp"},
                 {10000, "many%05i.BMP", "many00000.BMP", "many00001.BMP"},
                 {5, "pct%%a%01i.bmp", "pct%a0.bmp", "pct%a1.bmp"}};
    const char *names[] = {"one.bmp", "twelve.bmp", "many.BMP", "pct%a.bmp"};
    for (size_t i = 0; i < 4; ++i) {
        const Case &k = cases[i];
        OGFILE *og = OGFileCreate(nullptr, (Dir() + "/" + names[i]).c_str(), 0, k.frames, 8, 4, 8, 100, Record,
                                  OGFILE_OVERWRITE);
        ASSERT_NE(og, nullptr);
        EXPECT_EQ(std::string(og->name), Dir() + "/" + k.pattern);
        OGFilePut(og, c.pixels[0].data(), c.palettes[0].data());
        EXPECT_EQ(std::string(og->summary), k.first);
        if (k.second) {
            OGFilePut(og, c.pixels[1].data(), nullptr);
            EXPECT_EQ(std::string(og->summary), std::string(k.first) + " to " + k.second);
        } else {
            gMessages.clear();
            OGFilePut(og, c.pixels[1].data(), nullptr); // would overwrite the first image
            EXPECT_EQ(og->error, 1u);
            EXPECT_EQ(gMessages.size(), 1u);
        }
        EXPECT_TRUE(Exists(Dir() + "/" + k.first));
        const uint32_t total = OGFileClose(og);
        if (k.second) {
            EXPECT_GT(total, 0u);
        }
    }
    EXPECT_FALSE(Exists(Dir() + "/twelve02.bmp"));
}

TEST(GraphicsOutput, RefusalsAndTheirTexts)
{
    struct Case {
        const char *name;
        uint32_t trueColour, width, flags;
        std::string message; // the start of the message
    } cases[] = {
        {"x.xyz", 0, 8, 0, "2:Unsupported output file type or color depth."},
        {"x.xyz", 0, 8, OGFILE_QUIET, ""},
        {"x.gif", 1, 8, 0, "2:Unsupported output file type or color depth."},
        {"x.pcx", 1, 8, 0, "2:Unsupported output file type or color depth."},
        {"x", 1, 8, 0, "2:Unsupported output file type or color depth."},
        {"odd.flc", 0, 321, 0, "2:Error creating " + Dir() + "/odd.flc: a flic needs an even width"},
        {"nodir/x.flc", 0, 8, 0, "2:Error creating " + Dir() + "/nodir/x.flc: no such file or directory"},
        {"nodir/x.avi", 0, 8, 0, "2:Error creating " + Dir() + "/nodir/x.avi: no such file or directory"},
    };
    for (const Case &k : cases) {
        gMessages.clear();
        EXPECT_EQ(OGFileCreate(nullptr, (Dir() + "/" + k.name).c_str(), k.trueColour, 2, k.width, 4, 0, 100, Record,
                               k.flags | OGFILE_OVERWRITE),
                  nullptr)
            << k.name;
        if (!k.message.empty()) {
            ASSERT_EQ(gMessages.size(), 1u) << k.name;
            EXPECT_EQ(gMessages[0].rfind(k.message, 0), 0u) << gMessages[0];
        } else {
            EXPECT_TRUE(gMessages.empty()) << k.name;
        }
    }
    EXPECT_FALSE(Exists(Dir() + "/odd.flc"));
    // Declining to overwrite (no terminal: the default answer, No) leaves the old file.
    const std::string old = Dir() + "/old.flc";
    ASSERT_TRUE(gfxsamples::WriteFile(old, Bytes(10, 1)));
    gMessages.clear();
    EXPECT_EQ(OGFileCreate(nullptr, old.c_str(), 0, 2, 8, 4, 8, 100, Record, 0), nullptr);
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0], "3:(null)");
    EXPECT_EQ(gfxsamples::ReadFile(old).size(), 10u);
    // An output abandoned by the caller leaves nothing behind.
    const Clip c = MakeClip(8, 4, false, 5);
    OGFILE *og = OGFileCreate(nullptr, old.c_str(), 0, 2, 8, 4, 8, 100, Record, OGFILE_OVERWRITE);
    ASSERT_NE(og, nullptr);
    OGFilePut(og, c.pixels[0].data(), c.palettes[0].data());
    og->error = 1;
    EXPECT_EQ(OGFileClose(og), 0u);
    EXPECT_EQ(gfxsamples::ReadFile(old).size(), 10u);
}

// Long outputs go on in extension parts with their indexes; the reader reads
// every frame and palette back.
TEST(AviWriter, ExtensionPartsAndPaletteChanges)
{
    for (uint32_t bits : {8u, 24u}) {
        SCOPED_TRACE(bits);
        vex::AviWriterSettings s;
        s.width = 30, s.height = 20, s.bits = bits, s.scale = 6667, s.rate = 100000;
        s.partLimit = 16 * 1024; // a few frames a part
        const std::string path = Dir() + "/parts" + std::to_string(bits) + ".avi";
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        std::string error;
        auto w = vex::AviWriter::Create(fd, s, error);
        ASSERT_NE(w, nullptr) << error;
        std::vector<Bytes> frames, palettes;
        Bytes pal = gfxsamples::TestPalette(2);
        std::mt19937 rng(bits);
        for (int f = 0; f < 40; ++f) {
            Bytes dib(size_t(w->RowBytes()) * s.height);
            for (auto &v : dib)
                v = static_cast<uint8_t>(rng());
            if (f % 7 == 3)
                pal[rng() % 768] ^= 0xFF;
            ASSERT_TRUE(w->PutFrame(dib.data(), pal.data()));
            frames.push_back(dib);
            palettes.push_back(pal);
        }
        ASSERT_TRUE(w->Close());
        close(fd);
        EXPECT_GE(w->Parts(), 3u);
        const Bytes file = gfxsamples::ReadFile(path);
        const std::string text(file.begin(), file.end());
        EXPECT_NE(text.find("indx"), std::string::npos);
        EXPECT_NE(text.find("dmlh"), std::string::npos);
        EXPECT_NE(text.find("idx1"), std::string::npos);
        EXPECT_NE(text.find("AVIX"), std::string::npos);
        // The super index points at each part's standard index, whose entries
        // point at the frames' data.
        auto le32 = [&](size_t at) {
            return uint32_t(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t(file[at + 3]) << 24);
        };
        const size_t indx = text.find("indx");
        ASSERT_EQ(le32(indx + 12), w->Parts());
        uint32_t indexed = 0;
        for (uint32_t part = 0; part < w->Parts(); ++part) {
            const size_t ix = le32(indx + 32 + 16 * part); // files here stay below 4 GB
            ASSERT_EQ(text.substr(ix, 4), "ix00");
            const uint32_t entries = le32(ix + 12), base = le32(ix + 20);
            EXPECT_EQ(le32(indx + 32 + 16 * part + 12), entries);
            for (uint32_t e = 0; e < entries; ++e, ++indexed) {
                const size_t data = base + le32(ix + 32 + 8 * e);
                ASSERT_EQ(text.substr(data - 8, 4), "00db");
                ASSERT_EQ(le32(ix + 36 + 8 * e), le32(data - 4));
                ASSERT_EQ(0, std::memcmp(&file[data], frames[indexed].data(), frames[indexed].size()));
            }
        }
        EXPECT_EQ(indexed, 40u);
        auto r = vex::AviReader::OpenFile(path.c_str(), error);
        ASSERT_NE(r, nullptr) << error;
        ASSERT_EQ(r->FrameCount(), 40u);
        EXPECT_EQ(r->Video()->scale, 6667u);
        for (uint32_t f = 0; f < 40; ++f) {
            ASSERT_TRUE(r->ReadFrame(f));
            const uint8_t *top = r->FrameTopRow();
            for (uint32_t y = 0; y < s.height; ++y)
                ASSERT_EQ(0, std::memcmp(top + r->FramePitch() * ptrdiff_t(y),
                                         &frames[f][(s.height - 1 - y) * w->RowBytes()], w->RowBytes()));
            if (bits == 8) {
                ASSERT_EQ(0, std::memcmp(r->FramePalette(), palettes[f].data(), 768)) << f;
            }
        }
    }
}

// Animated GIF and WebP output and input, and y4m streams: frames and times
// survive every way through, the GIF is built the way its size depends on
// (changed rectangles, colour tables), and other programs' GIFs are composed
// as GIF says.
#include <gtest/gtest.h>

#include <gif_lib.h>
#include <sys/stat.h>
#include <webp/demux.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/gfx_samples.h"
#include "tests/support/photo_source.h"
#include "tests/support/run_tool.h"
#include "vexutil/graphics/anim_source.h"
#include "vexutil/graphics/anim_timing.h"
#include "vexutil/vexutil.h"

using gfxsamples::Bytes;

namespace {

std::string Dir()
{
    return gfxsamples::ScratchDir("animated");
}

struct GCloser {
    void operator()(GFILE *g) const { GFileClose(g); }
};
using GPtr = std::unique_ptr<GFILE, GCloser>;

using Picture = std::vector<uint32_t>; // 0x00RRGGBB per pixel

// 8-bit frames with their palettes.
struct Clip {
    uint32_t w = 0, h = 0;
    std::vector<Bytes> pixels, palettes;
    Picture Colours(size_t f) const
    {
        Picture out(pixels[f].size());
        for (size_t i = 0; i < out.size(); ++i) {
            const uint8_t *c = &palettes[f][3 * pixels[f][i]];
            out[i] = uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2];
        }
        return out;
    }
};

enum class Kind { Sprite, Noise, PaletteSwaps, Stills, Photo, Tiny };

// Sprite: a small sprite moves over a still picture of few colours. Noise:
// every pixel changes. PaletteSwaps: each few frames bring a palette of other
// colours (over 256 colours in all). Stills: repeated frames. Photo: a
// photograph panned, dithered to 256 colours. Tiny: 1 x 1.
Clip MakeClip(Kind kind, uint32_t w, uint32_t h, uint32_t frames)
{
    Clip c;
    c.w = kind == Kind::Tiny ? 1 : w;
    c.h = kind == Kind::Tiny ? 1 : h;
    std::mt19937 rng(static_cast<uint32_t>(kind) + 7);
    photo::Options po;
    po.dithered = true;
    if (kind == Kind::Photo)
        c.w = po.width, c.h = po.height;
    for (uint32_t f = 0; f < frames; ++f) {
        Bytes px(size_t(c.w) * c.h), pal = gfxsamples::TestPalette(kind == Kind::PaletteSwaps ? 1 + f / 3 : 1);
        switch (kind) {
        case Kind::Sprite:
            for (uint32_t y = 0; y < c.h; ++y)
                for (uint32_t x = 0; x < c.w; ++x)
                    px[y * c.w + x] = static_cast<uint8_t>((x / 8 + y / 8) % 6);
            for (uint32_t y = 0; y < 6 && y + 3 < c.h; ++y)
                for (uint32_t x = 0; x < 5 && x + 2 * f < c.w; ++x)
                    px[(y + 3) * c.w + x + 2 * f] = static_cast<uint8_t>(10 + (x ^ y) % 3);
            break;
        case Kind::Noise:
        case Kind::PaletteSwaps:
        case Kind::Tiny:
            for (auto &p : px)
                p = static_cast<uint8_t>(rng());
            break;
        case Kind::Stills:
            for (uint32_t i = 0; i < px.size(); ++i)
                px[i] = static_cast<uint8_t>(i * 7 + (f / 2) * 3);
            break;
        case Kind::Photo: {
            px = photo::Frame(po, f);
            const auto p8 = photo::Palette8(po);
            pal.assign(p8.begin(), p8.end());
            break;
        }
        }
        c.pixels.push_back(std::move(px));
        c.palettes.push_back(std::move(pal));
    }
    return c;
}

uint32_t WriteClip(const std::string &name, const Clip &c, int32_t frameTime)
{
    OGFILE *og = OGFileCreate(nullptr, name.c_str(), 0, static_cast<uint32_t>(c.pixels.size()), c.w, c.h, c.w,
                              frameTime, nullptr, OGFILE_OVERWRITE);
    EXPECT_NE(og, nullptr) << name;
    if (!og)
        return 0;
    for (size_t f = 0; f < c.pixels.size(); ++f)
        OGFilePut(og, c.pixels[f].data(), c.palettes[f].data());
    EXPECT_EQ(og->error, 0u);
    return OGFileClose(og);
}

struct Read {
    std::vector<Picture> frames;
    int32_t frameTime = 0;
    uint32_t kind = 0, depth = 0;
};

// Every frame of a graphics input as colours.
Read ReadAll(const std::string &name)
{
    Read r;
    GPtr g(GFileOpen(name.c_str(), GFILE_32BIT, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, nullptr, nullptr, nullptr));
    EXPECT_NE(g, nullptr) << name;
    if (!g)
        return r;
    r.frameTime = g->frameTime;
    r.kind = g->kind;
    r.depth = g->depth;
    for (uint32_t f = 0; f < g->frames; ++f) {
        if (!GFileGet(g.get())) {
            ADD_FAILURE() << name << ": frame " << f;
            break;
        }
        Picture p(size_t(g->width) * g->height);
        for (uint32_t y = 0; y < g->height; ++y)
            for (uint32_t x = 0; x < g->width; ++x)
                std::memcpy(&p[y * g->width + x], g->pixels + y * g->pitch + 4 * x, 4);
        r.frames.push_back(std::move(p));
    }
    return r;
}

// The time of n frames in 10-microsecond units.
int64_t Duration(int32_t frameTime, size_t n)
{
    return vex::FramePeriodUnits(frameTime) * static_cast<int64_t>(n);
}

struct GifCloser {
    void operator()(GifFileType *g) const
    {
        int err;
        DGifCloseFile(g, &err);
    }
};
std::unique_ptr<GifFileType, GifCloser> Slurp(const std::string &name)
{
    int err = 0;
    std::unique_ptr<GifFileType, GifCloser> g(DGifOpenFileName(name.c_str(), &err));
    EXPECT_NE(g, nullptr);
    if (g) {
        EXPECT_EQ(DGifSlurp(g.get()), GIF_OK);
    }
    return g;
}

// Sum of the GIF's delays (centiseconds), read independently with giflib.
int64_t GifDelays(GifFileType *g, bool *loops)
{
    int64_t total = 0;
    *loops = false;
    for (int i = 0; i < g->ImageCount; ++i) {
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(g, i, &gcb) == GIF_OK)
            total += gcb.DelayTime;
    }
    // Extensions before the first image belong to it.
    const int count = g->ImageCount > 0 ? g->SavedImages[0].ExtensionBlockCount : 0;
    for (int i = 0; i < count; ++i) {
        const ExtensionBlock &e = g->SavedImages[0].ExtensionBlocks[i];
        if (e.Function == APPLICATION_EXT_FUNC_CODE && e.ByteCount == 11 &&
            std::memcmp(e.Bytes, "NETSCAPE2.0", 11) == 0)
            *loops = true;
    }
    return total;
}

// Sum of the WebP's frame durations (ms) and its loop count.
int64_t WebpDurations(const std::string &name, int *frames, int *loops)
{
    const Bytes file = gfxsamples::ReadFile(name);
    WebPData data{file.data(), file.size()};
    WebPDemuxer *d = WebPDemux(&data);
    EXPECT_NE(d, nullptr);
    if (!d)
        return -1;
    *loops = static_cast<int>(WebPDemuxGetI(d, WEBP_FF_LOOP_COUNT));
    int64_t total = 0;
    *frames = 0;
    WebPIterator it;
    if (WebPDemuxGetFrame(d, 1, &it)) {
        do {
            total += it.duration;
            ++*frames;
        } while (WebPDemuxNextFrame(&it));
        WebPDemuxReleaseIterator(&it);
    }
    WebPDemuxDelete(d);
    return total;
}

} // namespace

// Every kind of clip through GIF and WebP and back: the same colours in every
// frame, the same number of frames, and the total time exact to the file's
// unit (read both by the graphics input and, independently, by the libraries).
TEST(AnimatedOutput, GifAndWebpKeepEveryFrameAndTheTotalTime)
{
    const struct {
        Kind kind;
        uint32_t w, h, frames;
        int32_t frameTime;
    } clips[] = {{Kind::Sprite, 40, 24, 9, -6667}, {Kind::Noise, 13, 7, 4, 40},  {Kind::PaletteSwaps, 24, 16, 8, -4167},
                 {Kind::Stills, 16, 8, 6, 100},    {Kind::Tiny, 1, 1, 3, -3333}, {Kind::Photo, 0, 0, 5, -10000}};
    for (const auto &k : clips) {
        const Clip c = MakeClip(k.kind, k.w, k.h, k.frames);
        for (const char *ext : {".gif", ".webp"}) {
            SCOPED_TRACE(std::string("clip ") + std::to_string(static_cast<int>(k.kind)) + ext);
            const std::string name = Dir() + "/clip" + std::to_string(static_cast<int>(k.kind)) + ext;
            ASSERT_GT(WriteClip(name, c, k.frameTime), 0u);
            const Read r = ReadAll(name);
            // libwebp stores identical frames in a row once, for their total time.
            if (!(k.kind == Kind::Stills && std::string(ext) == ".webp")) {
                ASSERT_EQ(r.frames.size(), c.pixels.size());
            }
            EXPECT_EQ(r.kind, std::string(ext) == ".gif" ? uint32_t(GFILE_GIF) : uint32_t(GFILE_WEBP));
            // What shows in the middle of each source frame.
            const int64_t period = vex::FramePeriodUnits(k.frameTime), shown = vex::FramePeriodUnits(r.frameTime);
            for (size_t f = 0; f < c.pixels.size(); ++f) {
                const size_t at = static_cast<size_t>((int64_t(f) * period + period / 2) / shown);
                ASSERT_LT(at, r.frames.size());
                ASSERT_EQ(r.frames[at], c.Colours(f)) << "frame " << f;
            }
            const int64_t exact = Duration(k.frameTime, k.frames);
            EXPECT_LE(std::llabs(Duration(r.frameTime, r.frames.size()) - exact), vex::kUnitsPerCentisecond);
            if (std::string(ext) == ".gif") {
                bool loops = false;
                auto g = Slurp(name);
                ASSERT_NE(g, nullptr);
                EXPECT_EQ(g->ImageCount, static_cast<int>(k.frames));
                EXPECT_EQ(GifDelays(g.get(), &loops), (exact + 500) / 1000);
                EXPECT_TRUE(loops);
            } else {
                int frames = 0, loops = -1;
                const int64_t ms = WebpDurations(name, &frames, &loops);
                EXPECT_EQ(ms, (exact + 50) / 100);
                EXPECT_EQ(loops, 0); // for ever
                EXPECT_GE(frames, 1);
            }
        }
    }
}

// The GIF stores only what changed, and colour tables only where needed.
TEST(AnimatedOutput, GifStoresChangedRectanglesAndLocalTablesOnlyForNewColours)
{
    {
        const Clip c = MakeClip(Kind::Sprite, 64, 32, 6);
        const std::string name = Dir() + "/rects.gif";
        ASSERT_GT(WriteClip(name, c, 100), 0u);
        auto g = Slurp(name);
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(g->ImageCount, 6);
        ASSERT_NE(g->SColorMap, nullptr);
        EXPECT_LE(g->SColorMap->ColorCount, 16); // nine colours used, and room for transparency
        const GifImageDesc &first = g->SavedImages[0].ImageDesc;
        EXPECT_EQ(first.Width * first.Height, 64 * 32);
        for (int i = 1; i < 6; ++i) {
            const GifImageDesc &d = g->SavedImages[i].ImageDesc;
            EXPECT_EQ(d.ColorMap, nullptr) << i;
            EXPECT_LE(d.Width, 7) << i; // the sprite's old and new place
            EXPECT_LE(d.Height, 6) << i;
        }
    }
    {
        // Palettes of other colours every third frame: over 256 colours in all.
        const Clip c = MakeClip(Kind::PaletteSwaps, 32, 32, 7);
        const std::string name = Dir() + "/tables.gif";
        ASSERT_GT(WriteClip(name, c, 100), 0u);
        auto g = Slurp(name);
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(g->ImageCount, 7);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(g->SavedImages[i].ImageDesc.ColorMap != nullptr, i >= 3) << i;
    }
    {
        // An unchanged frame costs a single pixel.
        const Clip c = MakeClip(Kind::Stills, 32, 16, 2);
        const std::string name = Dir() + "/still.gif";
        ASSERT_GT(WriteClip(name, c, 100), 0u);
        auto g = Slurp(name);
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(g->ImageCount, 2);
        EXPECT_EQ(g->SavedImages[1].ImageDesc.Width * g->SavedImages[1].ImageDesc.Height, 1);
    }
}

// True-colour frames: WebP and y4m take them, GIF refuses them.
TEST(AnimatedOutput, TrueColourGoesToWebpNotGif)
{
    std::vector<uint8_t> px(8 * 4 * 4);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<uint8_t>(i * 37);
    EXPECT_EQ(OGFileCreate(nullptr, (Dir() + "/tc.gif").c_str(), 1, 1, 8, 4, 32, 100, nullptr, OGFILE_OVERWRITE),
              nullptr);
    const std::string name = Dir() + "/tc.webp";
    OGFILE *og = OGFileCreate(nullptr, name.c_str(), 1, 1, 8, 4, 32, 100, nullptr, OGFILE_OVERWRITE);
    ASSERT_NE(og, nullptr);
    EXPECT_EQ(og->kind, uint32_t(OGFILE_WEBP));
    OGFilePut(og, px.data(), nullptr);
    ASSERT_GT(OGFileClose(og), 0u);
    const Read r = ReadAll(name);
    ASSERT_EQ(r.frames.size(), 1u);
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(r.frames[0][i], uint32_t(px[4 * i + 2]) << 16 | uint32_t(px[4 * i + 1]) << 8 | px[4 * i]) << i;
}

namespace {

// A GIF made with giflib as other programs make them: frames with offsets,
// transparency, disposal methods, interlacing and delays.
struct GifFrame {
    int left, top, width, height;
    std::vector<uint8_t> pixels;
    int delay = 10, disposal = DISPOSE_DO_NOT, transparent = NO_TRANSPARENT_COLOR;
    bool interlace = false;
};

bool WriteGif(const std::string &name, int w, int h, const std::vector<GifFrame> &frames)
{
    int err = 0;
    GifFileType *g = EGifOpenFileName(name.c_str(), false, &err);
    if (!g)
        return false;
    // Colours: 0 black, 1 red, 2 green, 3 blue.
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    g->SWidth = w, g->SHeight = h, g->SColorResolution = 8, g->SBackGroundColor = 0;
    g->SColorMap = GifMakeMapObject(4, colours);
    for (const GifFrame &f : frames) {
        SavedImage *s = GifMakeSavedImage(g, nullptr);
        s->ImageDesc = GifImageDesc{f.left, f.top, f.width, f.height, f.interlace, nullptr};
        s->RasterBits = static_cast<GifByteType *>(malloc(f.pixels.size()));
        // Interlaced rasters are stored in pass order.
        std::vector<uint8_t> stored = f.pixels;
        if (f.interlace) {
            stored.clear();
            static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < f.height; y += step[pass])
                    stored.insert(stored.end(), f.pixels.begin() + y * f.width, f.pixels.begin() + (y + 1) * f.width);
        }
        std::memcpy(s->RasterBits, stored.data(), stored.size());
        GraphicsControlBlock gcb{f.disposal, false, f.delay, f.transparent};
        EGifGCBToSavedExtension(&gcb, g, g->ImageCount - 1);
    }
    // EGifSpew closes the file but leaves the saved images and the screen's
    // colour map to the caller.
    GifFileType images{};
    images.SavedImages = g->SavedImages;
    images.ImageCount = g->ImageCount;
    ColorMapObject *map = g->SColorMap;
    const bool ok = EGifSpew(g) == GIF_OK;
    GifFreeSavedImages(&images);
    GifFreeMapObject(map);
    return ok;
}

constexpr uint32_t kBlack = 0, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

} // namespace

// Frames of other programs' GIFs are composed as GIF defines it.
TEST(AnimatedInput, GifFramesAreComposedByTheirDisposal)
{
    // 4 x 2 screen. 1: all red. 2: green 2 x 1 at (1, 0), pixel 2 transparent
    // (index 0 is transparent), then cleared to the background. 3: blue 1 x 1 at
    // (3, 1), restored afterwards. 4: interlaced full frame, 1 row blue.
    std::vector<GifFrame> f(4);
    f[0] = {0, 0, 4, 2, {1, 1, 1, 1, 1, 1, 1, 1}};
    f[1] = {1, 0, 2, 1, {2, 0}};
    f[1].transparent = 0, f[1].disposal = DISPOSE_BACKGROUND;
    f[2] = {3, 1, 1, 1, {3}};
    f[2].disposal = DISPOSE_PREVIOUS;
    f[3] = {0, 1, 4, 1, {3, 3, 2, 2}};
    f[3].interlace = true;
    // 5: a frame wholly past the screen's right edge, cleared afterwards,
    // changes nothing.
    f.push_back({6, 0, 2, 2, {1, 1, 1, 1}});
    f[4].disposal = DISPOSE_BACKGROUND;
    const std::string name = Dir() + "/composed.gif";
    ASSERT_TRUE(WriteGif(name, 4, 2, f));
    const Read r = ReadAll(name);
    ASSERT_EQ(r.frames.size(), 5u);
    EXPECT_EQ(r.frames[4], r.frames[3]);
    EXPECT_EQ(r.frameTime, -10000);
    EXPECT_EQ(r.depth, 8u);
    const Picture want[4] = {{kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed},
                             {kRed, kGreen, kRed, kRed, kRed, kRed, kRed, kRed},
                             {kRed, kBlack, kBlack, kRed, kRed, kRed, kRed, kBlue},
                             {kRed, kBlack, kBlack, kRed, kBlue, kBlue, kGreen, kGreen}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.frames[size_t(i)], want[i]) << "frame " << i;
}

// Delays become one frame time: rounding noise gives the mean, real
// differences repeat frames at their common step unless that multiplies them
// by more than four; a frame without a delay shows for 10 centiseconds.
TEST(AnimatedInput, GifDelaysBecomeOneFrameTime)
{
    const struct {
        std::vector<int> delays;
        int32_t frameTime;
        std::vector<int> shown; // how often each frame is delivered
    } cases[] = {
        {{7, 6, 7}, -6667, {1, 1, 1}}, {{10, 20, 10}, -10000, {1, 2, 1}},   {{3, 100}, -51500, {1, 1}},
        {{0, 0}, -10000, {1, 1}},      {{5, 5, 5, 5}, -5000, {1, 1, 1, 1}}, {{4, 8}, -4000, {1, 2}},
    };
    int n = 0;
    for (const auto &k : cases) {
        SCOPED_TRACE("case " + std::to_string(n));
        std::vector<GifFrame> frames;
        for (size_t i = 0; i < k.delays.size(); ++i) {
            GifFrame f{0, 0, 1, 1, {static_cast<uint8_t>(i % 4)}};
            f.delay = k.delays[i];
            frames.push_back(f);
        }
        const std::string name = Dir() + "/delays" + std::to_string(n++) + ".gif";
        ASSERT_TRUE(WriteGif(name, 1, 1, frames));
        const Read r = ReadAll(name);
        EXPECT_EQ(r.frameTime, k.frameTime);
        std::vector<Picture> want;
        const uint32_t colour[4] = {kBlack, kRed, kGreen, kBlue};
        for (size_t i = 0; i < k.shown.size(); ++i)
            for (int s = 0; s < k.shown[i]; ++s)
                want.push_back({colour[i % 4]});
        EXPECT_EQ(r.frames, want);
    }
}

// A GIF of one picture stays a still image; a damaged animation is refused.
TEST(AnimatedInput, StillDamagedAndOversizedFiles)
{
    const std::string still = Dir() + "/one.gif";
    ASSERT_TRUE(WriteGif(still, 2, 1, {GifFrame{0, 0, 2, 1, {1, 3}}}));
    const Read r = ReadAll(still);
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0], (Picture{kRed, kBlue}));

    const Clip c = MakeClip(Kind::Noise, 16, 16, 4);
    const std::string whole = Dir() + "/whole.gif";
    ASSERT_GT(WriteClip(whole, c, 100), 0u);
    Bytes bytes = gfxsamples::ReadFile(whole);
    for (size_t cut : {bytes.size() / 2, bytes.size() - 40}) {
        const std::string broken = Dir() + "/broken.gif";
        ASSERT_TRUE(gfxsamples::WriteFile(broken, Bytes(bytes.begin(), bytes.begin() + long(cut))));
        GPtr g(GFileOpen(broken.c_str(), GFILE_32BIT, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, nullptr, nullptr, nullptr));
        if (g) { // what GraphicsMagick still makes of the first picture
            EXPECT_EQ(g->frames, 1u) << cut;
        }
    }

    // A WebP whose header claims a canvas of 65536 x 32768 pixels is refused
    // before the 8 GB canvas is allocated.
    const std::string webp = Dir() + "/whole.webp", huge = Dir() + "/huge.webp";
    ASSERT_GT(WriteClip(webp, c, 100), 0u);
    bytes = gfxsamples::ReadFile(webp);
    ASSERT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "VP8X");
    for (int i = 0; i < 3; ++i) {
        bytes[24 + i] = static_cast<uint8_t>(65535 >> 8 * i);
        bytes[27 + i] = static_cast<uint8_t>(32767 >> 8 * i);
    }
    ASSERT_TRUE(gfxsamples::WriteFile(huge, bytes));
    EXPECT_EQ(GFileOpen(huge.c_str(), GFILE_32BIT, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, nullptr, nullptr, nullptr),
              nullptr);
}

// The palette of 8-bit delivery keeps colours where they are.
TEST(AnimatedInput, StablePaletteKeepsColoursAtTheirIndex)
{
    vex::StablePalette p;
    auto px = [](std::vector<uint32_t> colours) {
        std::vector<uint8_t> out;
        for (uint32_t c : colours)
            out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
        return out;
    };
    uint8_t idx[4], idx2[4], pal[768];
    bool changed = false;
    auto a = px({kRed, kGreen, kBlue, kRed});
    ASSERT_TRUE(p.Map(a.data(), 4, idx, &changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(idx[0], idx[3]);
    auto b = px({kGreen, kGreen, kBlue, kBlack});
    ASSERT_TRUE(p.Map(b.data(), 4, idx2, &changed));
    EXPECT_TRUE(changed); // black is new
    EXPECT_EQ(idx2[0], idx[1]);
    EXPECT_EQ(idx2[2], idx[2]);
    ASSERT_TRUE(p.Map(b.data(), 4, idx2, &changed));
    EXPECT_FALSE(changed);
    p.Get(pal);
    EXPECT_EQ(pal[3 * idx2[3]] | pal[3 * idx2[3] + 1] | pal[3 * idx2[3] + 2], 0);
    std::vector<uint32_t> many(257);
    for (uint32_t i = 0; i < 257; ++i)
        many[i] = i * 65;
    auto m = px(many);
    std::vector<uint8_t> mi(257);
    EXPECT_FALSE(p.Map(m.data(), 257, mi.data(), &changed));
    // 256 colours after that: all fit.
    EXPECT_TRUE(p.Map(m.data(), 256, mi.data(), &changed));
}

// zorbc makes a Zorblax file of an animated GIF or WebP, frame for frame.
TEST(AnimatedInput, ZorbcMakesAZorblaxFileFromAnAnimation)
{
    Clip c = MakeClip(Kind::Sprite, 40, 24, 8);
    for (auto &pal : c.palettes) // colours a Zorblax palette holds exactly (6 bits, expanded)
        for (auto &v : pal)
            v = static_cast<uint8_t>((v & 0xFC) | v >> 6);
    for (const char *ext : {".gif", ".webp"}) {
        SCOPED_TRACE(ext);
        const std::string in = Dir() + "/anim" + ext, out = Dir() + "/anim" + (ext + 1) + ".zbx";
        ASSERT_GT(WriteClip(in, c, -6667), 0u);
        const auto run = zorb::test::RunTool("zorbc", in + " " + out + " /O");
        ASSERT_EQ(run.status, 0) << run.output;
        const Read r = ReadAll(out);
        ASSERT_EQ(r.frames.size(), c.pixels.size());
        for (size_t f = 0; f < c.pixels.size(); ++f)
            EXPECT_EQ(r.frames[f], c.Colours(f)) << "frame " << f;
        EXPECT_LE(std::llabs(Duration(r.frameTime, r.frames.size()) - Duration(-6667, c.pixels.size())),
                  vex::kUnitsPerCentisecond);
    }
}

// pictproc and zorbc's graphics outputs, run headless: conversions between
// every kind read back pixel for pixel, and the failures with their exit
// statuses and messages.
#include <sys/wait.h>

#include <cstdio>

#include "tests/encoder/encoder_helpers.h"
#include "tests/support/gfx_samples.h"
#include "tests/support/link_server.h"

using namespace enctest;

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result RunTool(const std::string &program, const std::string &args, const std::string &prefix = "")
{
    static int serial = 0;
    const std::string errName = "/tmp/zorb-gout-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    const std::string line =
        prefix + std::string(ZORB_BINARY_DIR) + "/bin/" + program + " " + args + " 2>" + errName + " < /dev/null";
    Result r{-1, {}, {}};
    FILE *p = popen(line.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    gfxsamples::Bytes e = gfxsamples::ReadFile(errName);
    r.err.assign(e.begin(), e.end());
    unlink(errName.c_str());
    return r;
}

size_t Count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

void WriteRaw(const Clip &c, const std::string &name)
{
    std::vector<gfxsamples::RawFrame> frames;
    for (size_t i = 0; i < c.pixels.size(); ++i) {
        gfxsamples::RawFrame f;
        if (i == 0 || c.palettes[i] != c.palettes[i - 1])
            f.palette.assign(c.palettes[i].begin(), c.palettes[i].end());
        f.pixels = c.pixels[i];
        frames.push_back(f);
    }
    ASSERT_TRUE(gfxsamples::WriteFile(name, gfxsamples::BuildRaw(c.width, c.height, 6667, frames)));
}

// Reads name with the graphics input and compares it with the clip: indices,
// and the palette (as a Zorblax file keeps it when sixBits), or colours.
void ExpectClip(const std::string &name, const Clip &c, bool trueColour = false, bool sixBits = false)
{
    SCOPED_TRACE(name);
    GFILE *g = GFileOpen(name.c_str(), trueColour ? GFILE_32BIT : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, nullptr,
                         nullptr, nullptr);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->frames, c.pixels.size());
    EXPECT_EQ(g->width, c.width);
    for (size_t f = 0; f < c.pixels.size() && f < g->frames; ++f) {
        ASSERT_TRUE(GFileGet(g));
        for (uint32_t y = 0; y < c.height; ++y)
            for (uint32_t x = 0; x < c.width; ++x) {
                const uint8_t v = c.pixels[f][y * c.width + x];
                if (trueColour) {
                    const uint8_t *p = g->pixels + y * g->pitch + 4 * x, *q = &c.palettes[f][3 * v];
                    ASSERT_TRUE(p[0] == q[2] && p[1] == q[1] && p[2] == q[0]) << "frame " << f;
                } else {
                    ASSERT_EQ(g->pixels[y * g->pitch + x], v) << "frame " << f << " at " << x << "," << y;
                }
            }
        if (!trueColour)
            for (int k = 0; k < 768; ++k) {
                const uint8_t want =
                    sixBits ? static_cast<uint8_t>(c.palettes[f][k] | c.palettes[f][k] >> 6) : c.palettes[f][k];
                ASSERT_EQ(g->palette[k], want) << "frame " << f << " entry " << k / 3;
            }
    }
    GFileClose(g);
}

} // namespace

TEST(Pictproc, ConvertsBetweenEveryKind)
{
    TempDir dir;
    const std::string d = dir.path + "/";
    const Clip c = MakeClip(2, 64, 48, 8, 7);
    WriteRaw(c, d + "in.raw");
    ZencParams zp{};
    ASSERT_TRUE(Encode(c, d + "in.zbx", zp));
    // Each step converts the previous output (or the raw input).
    struct Step {
        const char *input, *output, *readAs, *switches;
        bool trueColour, sixBits;
    } steps[] = {
        {"in.raw", "a", "a.flc", "", false, false}, // no extension: the input's kind cannot be written, a flic
        {"a.flc", "b", "b.flc", "", false, false},  // the input's kind
        {"b.flc", "c.avi", "c.avi", "", false, false},      {"c.avi", "d.bmp", "d?.bmp*0-7", "", false, false},
        {"d?.bmp*0-7", "e.avi", "e.avi", "", false, false}, {"e.avi", "f.png", "f?.png*0-7", "", false, false},
        {"in.raw", "g.avi", "g.avi", "/A", true, false},    {"g.avi", "h.tga", "h?.tga*0-7", "/A", true, false},
        {"in.zbx", "i.flc", "i.flc", "", false, true},
    };
    for (const Step &s : steps) {
        const Result r = RunTool("pictproc", d + s.input + " " + d + s.output + " " + s.switches);
        ASSERT_EQ(r.status, 0) << s.output << ": " << r.err;
        EXPECT_NE(r.err.find("Converted "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(" 8 frames"), std::string::npos) << r.err;
        ExpectClip(d + s.readAs, c, s.trueColour, s.sixBits);
    }
    // The flic keeps the exact frame time.
    VEXFLIC *f = VEXFlicOpen((d + "a.flc").c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->frameTime, -6667);
    VEXFlicClose(f);
    // Crop, range and frame rate switches mean what the compressor's mean.
    ASSERT_EQ(RunTool("pictproc", d + "in.raw " + d + "crop.flc /X8/Y4/W32/H16/S2/E5/F10").status, 0);
    GFILE *g = GFileOpen((d + "crop.flc").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, nullptr, nullptr, nullptr);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->frames, 4u);
    EXPECT_EQ(g->width, 32u);
    EXPECT_EQ(g->frameTime, -10000);
    ASSERT_TRUE(GFileGet(g));
    EXPECT_EQ(0, std::memcmp(g->pixels, &c.pixels[1][4 * 64 + 8], 32));
    GFileClose(g);
}

TEST(Pictproc, ZorbcWritesTheSameKinds)
{
    TempDir dir;
    const std::string d = dir.path + "/";
    const Clip c = MakeClip(2, 64, 48, 8, 9);
    WriteRaw(c, d + "in.raw");
    ZencParams zp{};
    ASSERT_TRUE(Encode(c, d + "in.zbx", zp));
    struct Step {
        const char *input, *output, *readAs;
        bool sixBits, colours; // colours: the animated GIF keeps colours, not indices
    } steps[] = {{"in.raw", "z.flc", "z.flc", false, false},
                 {"z.flc", "z.avi", "z.avi", false, false},
                 {"z.avi", "z.gif", "z.gif", false, true},
                 {"z.gif", "y.bmp", "y?.bmp*0-7", false, true},
                 {"in.zbx", "x.avi", "x.avi", true, false}};
    for (const Step &s : steps) {
        const Result r = RunTool("zorbc", d + s.input + " " + d + s.output + " /O");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("Converted "), std::string::npos) << r.out;
        ExpectClip(d + s.readAs, c, s.colours, s.sixBits);
    }
}

TEST(Pictproc, ReportGoesToTheFrontEnd)
{
    TempDir dir;
    const Clip c = MakeClip(1, 32, 32, 12, 8);
    WriteRaw(c, dir.path + "/in.raw");
    zorb::test::LinkServer frontEnd;
    const Result r =
        RunTool("pictproc", dir.path + "/in.raw " + dir.path + "/o.tif /#" + std::to_string(frontEnd.frontEnd()));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(frontEnd.waitForMessages(3, 2000));
    bool report = false;
    for (const auto &m : frontEnd.messages())
        if (m.code == 4660) {
            report = true;
            EXPECT_NE(m.text().find("PictProc - "), std::string::npos) << m.text();
            EXPECT_NE(m.text().find("Converted"), std::string::npos) << m.text();
            EXPECT_NE(m.text().find("o00.tif to o11.tif: 12 frames"), std::string::npos) << m.text();
        }
    EXPECT_TRUE(report);
}

TEST(Pictproc, FailuresExitNonZeroAndLeaveNoOutput)
{
    TempDir dir;
    const std::string d = dir.path + "/";
    Result r = RunTool("pictproc", "");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Usage: pictproc"), std::string::npos);
    r = RunTool("pictproc", "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: pictproc"), std::string::npos);
    EXPECT_EQ(RunTool("pictproc", "--version").status, 0);
    EXPECT_EQ(RunTool("pictproc", "a.flc b.flc /Z").status, 2);

    r = RunTool("pictproc", d + "missing.bmp " + d + "x.flc");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Count(r.err, "Error opening " + d + "missing.bmp: no such file"), 1u) << r.err;

    // An odd width cannot be a flic.
    WriteRaw(MakeClip(1, 321, 8, 2, 1), d + "odd.raw");
    r = RunTool("pictproc", d + "odd.raw " + d + "odd.flc");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Count(r.err, "Error creating the output flic."), 1u) << r.err;

    // An existing output is kept when the answer is no (no terminal: the default).
    const Clip c = MakeClip(0, 320, 200, 8, 3);
    WriteRaw(c, d + "big.raw");
    ASSERT_TRUE(gfxsamples::WriteFile(d + "old.flc", gfxsamples::Bytes(5, 1)));
    r = RunTool("pictproc", d + "big.raw " + d + "old.flc");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("overwrite? No."), std::string::npos) << r.err;
    EXPECT_EQ(gfxsamples::ReadFile(d + "old.flc").size(), 5u);

    // A full disk (a file size limit): the error is reported, the old file
    // stays and no temporary file is left.
    for (const char *out : {"old.flc", "full.avi"}) {
        r = RunTool("pictproc", d + "big.raw " + d + out + " /O", "trap '' XFSZ; ulimit -f 200; exec ");
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_EQ(Count(r.err, "Error writing the output file " + d + out), 1u) << r.err;
    }
    EXPECT_EQ(gfxsamples::ReadFile(d + "old.flc").size(), 5u);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"big.raw", "odd.raw", "old.flc"}));
}

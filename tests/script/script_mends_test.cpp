// Runs that end well: fades over the whole 0-255 range, the default ramps
// from black to full intensity, UTF-8 text on the code-page-437 font, and
// files kept when a signal ends the run.
#include "tests/script/script_fixture.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using namespace script_test;

class ScriptMends : public ScriptRun {
protected:
    // Component c of palette entry e of frame f (w x h pictures).
    static int Component(const Result &r, size_t f, int w, int h, int e, int c)
    {
        return static_cast<uint8_t>(r.frames[f][static_cast<size_t>(w * h + e * 3 + c)]);
    }
};

// A white screen fades out in 16 steps, each darker than the one before,
// the last one black; locked entries stay. A gold palette fades in to its
// exact values.
TEST_F(ScriptMends, FadesSpanTheWholeRange)
{
    Result r = Script("SCREENGRAPHICS ok 8 4\nSCREENPALETTELOCK 2 1 1\nBITMAPALLOC b 1 1\n"
                      "BITMAPSETPALETTEVALUE b 1 16777215\nBITMAPSETPALETTEVALUE b 3 4316927\nBITMAPSETPALETTE b\n"
                      "SCREENCLEAR 1\nSCREENFADESPEED 0\nDELAY 0\nSCREENFADEOUTCLEAR 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GE(r.frames.size(), 17u); // the white screen and the 16 steps
    EXPECT_EQ(Component(r, 0, 8, 4, 1, 0), 255);
    for (size_t f = 1; f <= 16; ++f)
        for (int c = 0; c < 3; ++c)
            EXPECT_LT(Component(r, f, 8, 4, 1, c), Component(r, f - 1, 8, 4, 1, c)) << "step " << f;
    for (int e = 0; e < 256; ++e)
        for (int c = 0; c < 3; ++c)
            if (e != 2) {
                EXPECT_EQ(Component(r, 16, 8, 4, e, c), 0) << e;
            }
    EXPECT_EQ(Component(r, 16, 8, 4, 2, 0), 2 * 255 / 63); // locked: the grey ramp

    r = Script("SCREENGRAPHICS ok 8 4\nBITMAPALLOC b 1 1\nBITMAPSETPALETTEVALUE b 3 4316927\n"
               "SCREENFADESPEED 0\nBITMAPFADEINPALETTE b\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GE(r.frames.size(), 16u);
    const int gold[3] = {255, 222, 65};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(Component(r, 0, 8, 4, 3, c), gold[c] / 16) << c;
        for (size_t f = 1; f < 16; ++f)
            EXPECT_GT(Component(r, f, 8, 4, 3, c), Component(r, f - 1, 8, 4, 3, c)) << "step " << f;
        EXPECT_EQ(Component(r, 15, 8, 4, 3, c), gold[c]);
        EXPECT_EQ(Component(r, r.frames.size() - 1, 8, 4, 3, c), gold[c]);
    }
}

// The default palette: grey, red, green and blue ramps from black to full
// intensity (entry k of a ramp is k * 255 / 63); text colour 7 is a grey
// one can read. Values a script sets and reads are its own.
TEST_F(ScriptMends, DefaultRampsReachFullIntensity)
{
    const Result r = Script("SCREENGRAPHICS ok 8 4\nBITMAPALLOC b 1 1\nBITMAPGETPALETTE b\n"
                            "BITMAPGETPALETTEVALUE v7 b 7\nBITMAPGETPALETTEVALUE v255 b 255\n"
                            "BITMAPSETPALETTEVALUE b 9 197121\nBITMAPGETPALETTEVALUE v9 b 9\n"
                            "FILECREATE o 'out.txt'\nFILEWRITE o '%v7% %v255% %v9%'\nDELAY 0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.frames.empty());
    for (int k = 0; k < 64; ++k) {
        const int v = k * 255 / 63;
        const int ramps[4][3] = {{v, v, v}, {v, 0, 0}, {0, v, 0}, {0, 0, v}};
        for (int ramp = 0; ramp < 4; ++ramp)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(Component(r, 0, 8, 4, 64 * ramp + k, c), ramps[ramp][c]) << ramp << " " << k;
    }
    EXPECT_EQ(Component(r, 0, 8, 4, 7, 0), 28); // the default text colour
    EXPECT_EQ(Read("out.txt"), "1842204 16711680 197121\r\n");
}

// UTF-8 text takes the font's code-page-437 glyphs (others show "?"); bytes
// that are not UTF-8 are codes of their own, one cell each.
TEST_F(ScriptMends, Utf8TextUsesTheFontsGlyphs)
{
    const Result r = Script("SCREENGRAPHICS ok 64 32\nTEXTCOLOR 63\n"
                            "TEXTNOCR 'caf\xC3\xA9'\nTEXTNOCR '\xC3\x9F'\nTEXTNOCR '\xE9x'\nTEXTNOCR '\xE2\x82\xAC'\n"
                            "TEXTSETXY 0 16\nTEXTNOCR 'caf\x82'\nTEXTNOCR '?'\nTEXTNOCR ' x'\nTEXTNOCR '?'\n"
                            "BITMAPALLOC b 64 16\nBITMAPTEXT b 0 0 'Gr\xC3\xBC\xC3\x9F"
                            "e'\nDELAY 0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.frames.empty());
    const std::string &f = r.frames[0];
    int lit = 0;
    for (int y = 0; y < 16; ++y) {
        EXPECT_EQ(f.substr(static_cast<size_t>(y * 64), 64), f.substr(static_cast<size_t>((y + 16) * 64), 64))
            << "row " << y;
        for (int x = 0; x < 64; ++x)
            lit += f[static_cast<size_t>(y * 64 + x)] != 0;
    }
    EXPECT_GT(lit, 60); // something was drawn
}

// A signal ends the run with 128 + its number, and what the script wrote to
// its files before it is on the disk.
TEST_F(ScriptMends, SignalsKeepWhatWasWritten)
{
    struct Case {
        int signal;
        const char *wait; // what the script is doing when the signal comes
    };
    for (const Case &c : {Case{SIGTERM, ":L\nGOTO 'L'\n"}, Case{SIGINT, "DELAY 60000\n"},
                          Case{SIGHUP, "VARSET n 0\n:L\nCOMPUTE n = n + 1\nGOTO 'L'\n"}}) {
        SCOPED_TRACE(c.signal);
        fs::remove(dir_ / "out.txt");
        Write("t.zs", std::string("FILECREATE o 'out.txt'\nFILEWRITE o 'before loop'\n") + c.wait);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (chdir(dir_.c_str()) != 0)
                _exit(99);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            execl(kZorbscw.c_str(), kZorbscw.c_str(), "--unattended", "t.zs", static_cast<char *>(nullptr));
            _exit(98);
        }
        // Running once the file exists (its text still in the buffer).
        const auto start = std::chrono::steady_clock::now();
        while (!fs::exists(dir_ / "out.txt") && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        kill(child, c.signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
        EXPECT_EQ(Read("out.txt"), "before loop\r\n");
    }
}

} // namespace

// A script's window under a real X server: text, boxes and a bitmap drawn by
// zorbscw in Xvfb, read back from the X window and compared, pixel by pixel,
// with the frame captured when the script started to wait. Skipped when
// xvfb-run or xdotool is missing.
#include "tests/script/script_fixture.h"
#include "tests/support/xvfb.h"

#include <chrono>
#include <thread>

namespace {

using namespace script_test;
namespace xvfb = zorb::xvfb;

class ScriptScreenshot : public ScriptRun {};

TEST_F(ScriptScreenshot, UnderXvfb)
{
    if (xvfb::Inside())
        GTEST_SKIP() << "runs the child below";
    if (!xvfb::Have("xvfb-run") || !xvfb::Have("xdotool"))
        GTEST_SKIP() << "xvfb-run or xdotool is missing";
    const std::string out = xvfb::RunSelf("ScriptScreenshot.InXvfb", "640x480x24");
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

TEST_F(ScriptScreenshot, InXvfb)
{
    if (!xvfb::Inside())
        GTEST_SKIP() << "only inside xvfb-run";
    constexpr int kW = 160, kH = 120;
    Write("t.zs", "SCREENWINDOWTITLE 'ZorbShotX'\nSCREENWINDOWPOS 0 0\nSCREENGRAPHICS ok 160 120\n"
                  "BITMAPALLOC b 32 24\nBITMAPSETPALETTEVALUE b 200 16744512\nBITMAPSETPALETTEVALUE b 201 4259584\n"
                  "BITMAPSETPALETTE b\nBITMAPCLEAR b 200\nBITMAPLINE b 0 0 31 23 201\nSCREENCLEAR 40\n"
                  "SCREENFILLEDBOX 4 70 60 40 150\nSCREENBOX 2 2 150 30 60\nTEXTCOLOR 63\nTEXTTRANSCOLOR 0\n"
                  "TEXTSETXY 8 8\nTEXT 'Zorblax!'\nBITMAPTOSCREEN b 100 60\nSCREENLINE 0 119 159 40 201\n"
                  "SCREENWINDOWTITLE 'ZorbShotX shown'\nDELAY 2500\n");
    const std::string capture = (dir_ / "cap").string();
    fs::create_directories(capture);
    const std::string cmd =
        "cd '" + dir_.string() + "' && ZORB_CAPTURE='" + capture + "' exec " + kZorbscw + " t.zs >.stdout 2>.stderr";
    const pid_t child = xvfb::Start(cmd);
    ASSERT_GT(child, 0);
    const std::string found = xvfb::Output("timeout 20 xdotool search --sync --onlyvisible --name '^ZorbShotX shown$'");
    const unsigned long window = std::strtoul(found.c_str(), nullptr, 10);
    EXPECT_NE(window, 0ul) << found;
    std::vector<uint32_t> shot;
    if (window != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // mapped and painted
        EXPECT_TRUE(xvfb::Grab(window, 0, 0, kW, kH, shot));
    }
    const int status = xvfb::Finish(child, 30);
    EXPECT_NE(status, -1) << "zorbscw did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Read(".stderr");
    // The frame captured when DELAY started is what the window shows.
    const std::string frame = Slurp(fs::path(capture) / "frame_00001.raw");
    ASSERT_EQ(frame.size(), static_cast<size_t>(kW * kH + 768));
    ASSERT_EQ(shot.size(), static_cast<size_t>(kW * kH));
    // Within 8 per component: the DIB-section mode may go through the
    // renderer's own pixel format (as the display layer's screenshot test allows).
    int bad = 0, colours = 0;
    std::vector<bool> seen(256);
    for (int i = 0; i < kW * kH; ++i) {
        const auto index = static_cast<uint8_t>(frame[static_cast<size_t>(i)]);
        const auto *c = reinterpret_cast<const uint8_t *>(frame.data()) + kW * kH + index * 3;
        const uint32_t px = shot[static_cast<size_t>(i)];
        for (int k = 0; k < 3; ++k)
            if (std::abs(static_cast<int>((px >> (16 - 8 * k)) & 255) - c[k]) > 8) {
                if (bad++ < 5)
                    ADD_FAILURE() << "at " << i % kW << "," << i / kW << ": index " << int(index) << " shown "
                                  << std::hex << px << std::dec;
                break;
            }
        colours += !seen[index];
        seen[index] = true;
    }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(colours, 6); // background, box, outline, text, the bitmap's two
}

// On a display, with standard error going to a file (as from a launcher or
// CI), a run ends by itself: the closing line goes to standard error only.
// With --unattended a script error ends the run without a box too.
class ScriptEnds : public ScriptRun {};

TEST_F(ScriptEnds, UnderXvfb)
{
    if (xvfb::Inside())
        GTEST_SKIP() << "runs the child below";
    if (!xvfb::Have("xvfb-run"))
        GTEST_SKIP() << "xvfb-run is missing";
    const std::string out = xvfb::RunSelf("ScriptEnds.InXvfb", "320x240x24");
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

TEST_F(ScriptEnds, InXvfb)
{
    if (!xvfb::Inside())
        GTEST_SKIP() << "only inside xvfb-run";
    struct Case {
        const char *args, *script;
        int status;
        const char *said;
    } const cases[] = {
        {"t.zs", "SCREENGRAPHICS ok 64 48\nSCREENCLEAR 63\nDELAY 200\n", 0, "ZorbScript - V3.1n: "},
        {"--unattended t.zs", "SCREENGRAPHICS ok 64 48\nVARSET a 1 2\n", 1, "Bad script command:"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        Write("t.zs", c.script);
        // Nobody clicks: ending at all means the box closed by itself (the
        // bound only has to outlast its few seconds on a loaded, sanitized build).
        const pid_t child =
            xvfb::Start("cd '" + dir_.string() + "' && exec " + kZorbscw + " " + c.args + " >.stdout 2>.stderr");
        ASSERT_GT(child, 0);
        const int status = xvfb::Finish(child, 40);
        ASSERT_NE(status, -1) << "zorbscw did not end by itself";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << Read(".stderr");
        EXPECT_NE(Read(".stderr").find(c.said), std::string::npos) << Read(".stderr");
    }
}

} // namespace

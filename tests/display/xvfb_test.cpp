// A real window under Xvfb: the picture on the X screen, read back with
// XGetImage, in modes 4 and 5, showing a decoded frame. Skipped when xvfb-run is missing.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codec/zorb.h"
#include "platform/platform.h"
#include "runtime/display.h"
#include "tests/support/xvfb.h"
#include "tests/support/zbxgen.h"

namespace {

using zorb::xvfb::Inside;

TEST(Screenshot, UnderXvfb)
{
    if (Inside())
        GTEST_SKIP() << "runs the child below";
    if (!zorb::xvfb::Have("xvfb-run"))
        GTEST_SKIP() << "xvfb-run is missing";
    const std::string out = zorb::xvfb::RunSelf("Screenshot.InXvfb");
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

struct ScreenCase {
    uint32_t flags;
    int scale;
};

TEST(Screenshot, InXvfb)
{
    if (!Inside())
        GTEST_SKIP() << "only inside xvfb-run";
    // A frame as the decoder shows it.
    zbxgen::Rng rng(11);
    zbxgen::Description desc;
    desc.width = 64;
    desc.height = 48;
    zbxgen::Frame frame;
    frame.picture = zbxgen::MakePicture(64, 48, zbxgen::Content::Random, rng);
    frame.palette = zbxgen::RandomPalette(rng);
    desc.frames.push_back(frame);
    const auto picture = zbxgen::PictureAt(desc, 0);
    const auto palette = zbxgen::PaletteAt(desc, 0);
    char dir[] = "/tmp/zorbshotXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/frame.zbx";
    ASSERT_TRUE(zbxgen::WriteFile(desc, file));

    // On this 24-bit screen every mode shows the palette's colours exactly:
    // the standard mode, DIBSection (drawn in 32-bit colour) and the
    // automatic choice the player makes by default.
    for (ScreenCase c : {ScreenCase{24, 1}, ScreenCase{24, 2}, ScreenCase{25, 1}, ScreenCase{25, 2}, ScreenCase{0, 1},
                         ScreenCase{0, 2}}) {
        WindowSetStretch(64 * c.scale, 48 * c.scale);
        ZorbDisplay *d = WindowOpen(64, 48, 40, 32, c.flags);
        WindowSetStretch(0, 0);
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d->Mode, c.flags == 24 ? 4 : 5);
        // Decode frame 0 of the file into the display and draw its changes.
        ZorbHandle *h = ZorbOpen(const_cast<char *>(file.c_str()), ZORB_OPEN_NEVER_SKIP, -1);
        ASSERT_NE(h, nullptr);
        DisplayAttach(d, h);
        DisplaySetPalette(d, h->Palette, 0);
        ZorbDecodeFrame(h);
        DisplayDrawChanges(d, h);
        for (int i = 0; i < 20; ++i) { // let the server map and expose the window
            WindowPump();
            SDL_Delay(20);
        }
        ZorbClose(h);
        int wx = 0, wy = 0;
        SDL_GetWindowPosition(WindowHandle(), &wx, &wy);
        std::vector<uint32_t> shot;
        ASSERT_TRUE(zorb::xvfb::Grab(0, wx, wy, d->OutWidth, d->OutHeight, shot));
        int bad = 0;
        for (int y = 0; y < d->OutHeight; ++y)
            for (int xx = 0; xx < d->OutWidth; ++xx) {
                const uint8_t index = picture[(y / c.scale) * 64 + xx / c.scale];
                const uint32_t px = shot[static_cast<size_t>(y * d->OutWidth + xx)];
                const int r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
                if (r != palette[index * 3] || g != palette[index * 3 + 1] || b != palette[index * 3 + 2])
                    ++bad;
            }
        char text[128];
        EXPECT_EQ(bad, 0) << DisplayDescribe(d, text) << " at " << wx << "," << wy;
        if (c.flags != 24) {
            EXPECT_NE(std::string(DisplayDescribe(d, text)).find("with accelerated blitting (32-bit"),
                      std::string::npos)
                << text;
        }
    }
    // A real display and standard error on a pipe: the graphical box is wanted.
    EXPECT_EQ(DisplayInstallMessageBox(), isatty(STDERR_FILENO) ? 0 : 1);
    PlatformSetMessageBox(nullptr);
    WindowClose();
    std::remove(file.c_str());
    rmdir(dir);
}

} // namespace

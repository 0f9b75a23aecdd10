// A real window under Xvfb: the picture on the X screen, read back with
// XGetImage, in modes 4 and 5, showing a decoded frame. Skipped when xvfb-run is missing.
#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codec/zorb.h"
#include "platform/platform.h"
#include "runtime/display.h"
#include "tests/support/zbxgen.h"

namespace {

// The few Xlib calls we need, loaded at run time (libX11 comes with SDL).
struct XImageView {
    int width, height, xoffset, format;
    char *data;
    int byte_order, bitmap_unit, bitmap_bit_order, bitmap_pad, depth, bytes_per_line, bits_per_pixel;
    unsigned long red_mask, green_mask, blue_mask;
    void *obdata;
    struct {
        void *create_image;
        int (*destroy_image)(XImageView *);
        unsigned long (*get_pixel)(XImageView *, int, int);
        void *put_pixel, *sub_image, *add_pixel;
    } f;
};

struct X11 {
    void *lib = dlopen("libX11.so.6", RTLD_NOW);
    using OpenFn = void *(*)(const char *);
    using RootFn = unsigned long (*)(void *);
    using ImageFn = XImageView *(*)(void *, unsigned long, int, int, unsigned, unsigned, unsigned long, int);
    using CloseFn = int (*)(void *);
    template <typename F>
    F Get(const char *name) const {
        return lib ? reinterpret_cast<F>(dlsym(lib, name)) : nullptr;
    }
    ~X11() {
        if (lib) dlclose(lib);
    }
};

bool Inside() { return std::getenv("ZORB_XVFB_CHILD") != nullptr; }

TEST(Screenshot, UnderXvfb) {
    if (Inside()) GTEST_SKIP() << "runs the child below";
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is missing";
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = 0;
    // The X11 side of SDL (D-Bus, GL drivers) keeps memory until exit: leak
    // checking stays with the headless tests.
    const std::string cmd = std::string("xvfb-run -a -s '-screen 0 800x600x24' env ZORB_XVFB_CHILD=1 "
                                        "SDL_VIDEODRIVER=x11 ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}"
                                        "detect_leaks=0\" '") +
                            self + "' --gtest_filter=Screenshot.InXvfb 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char line[512];
    while (std::fgets(line, sizeof line, p)) out += line;
    const int status = pclose(p);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

struct ScreenCase {
    uint32_t flags;
    int scale;
    int tolerance;
};

TEST(Screenshot, InXvfb) {
    if (!Inside()) GTEST_SKIP() << "only inside xvfb-run";
    X11 x;
    ASSERT_NE(x.lib, nullptr);
    auto open = x.Get<X11::OpenFn>("XOpenDisplay");
    auto root = x.Get<X11::RootFn>("XDefaultRootWindow");
    auto image = x.Get<X11::ImageFn>("XGetImage");
    auto close = x.Get<X11::CloseFn>("XCloseDisplay");
    ASSERT_TRUE(open && root && image && close);

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

    for (ScreenCase c : {ScreenCase{24, 1, 0}, ScreenCase{24, 2, 0}, ScreenCase{25, 1, 8}, ScreenCase{25, 2, 8}}) {
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
        for (int i = 0; i < 20; ++i) {  // let the server map and expose the window
            WindowPump();
            SDL_Delay(20);
        }
        ZorbClose(h);
        int wx = 0, wy = 0;
        SDL_GetWindowPosition(WindowHandle(), &wx, &wy);
        void *dpy = open(nullptr);
        ASSERT_NE(dpy, nullptr);
        XImageView *img = image(dpy, root(dpy), wx, wy, d->OutWidth, d->OutHeight, ~0ul, 2 /* ZPixmap */);
        ASSERT_NE(img, nullptr);
        int bad = 0;
        for (int y = 0; y < d->OutHeight; ++y)
            for (int xx = 0; xx < d->OutWidth; ++xx) {
                const uint8_t index = picture[(y / c.scale) * 64 + xx / c.scale];
                const unsigned long px = img->f.get_pixel(img, xx, y);
                const int r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
                if (std::abs(r - palette[index * 3]) > c.tolerance || std::abs(g - palette[index * 3 + 1]) > c.tolerance ||
                    std::abs(b - palette[index * 3 + 2]) > c.tolerance)
                    ++bad;
            }
        img->f.destroy_image(img);
        close(dpy);
        char text[128];
        EXPECT_EQ(bad, 0) << DisplayDescribe(d, text) << " at " << wx << "," << wy;
        if (c.flags == 25) {
            EXPECT_NE(std::string(DisplayDescribe(d, text)).find("accelerated blitting"), std::string::npos);
        }
    }
    // A real display and standard error on a pipe: the graphical box is wanted.
    EXPECT_EQ(DisplayInstallMessageBox(), isatty(STDERR_FILENO) ? 0 : 1);
    PlatformSetMessageBox(nullptr);
    WindowClose();
    std::remove(file.c_str());
    rmdir(dir);
}

}  // namespace

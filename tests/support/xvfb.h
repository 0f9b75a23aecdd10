// Shared by the tests that run a real X server: re-running one test of this
// program under xvfb-run, running commands, and reading a window's pixels
// back with XGetImage (libX11 comes with SDL and is loaded at run time).
#ifndef ZORB_TESTS_SUPPORT_XVFB_H
#define ZORB_TESTS_SUPPORT_XVFB_H

#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace zorb::xvfb {

// True in the child that RunSelf starts.
inline bool Inside()
{
    return std::getenv("ZORB_XVFB_CHILD") != nullptr;
}

inline bool Have(const char *program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A command's standard output.
inline std::string Output(const std::string &cmd)
{
    std::string out;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    return out;
}

// Starts a shell command in the background; its process id, or -1.
inline pid_t Start(const std::string &cmd)
{
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    return child;
}

// Waits up to `seconds` for a started command to end (killing it after
// that); its wait status, or -1 when it had to be killed.
inline int Finish(pid_t child, int seconds)
{
    int status = -1;
    for (int i = 0; i < seconds * 10 && waitpid(child, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return -1;
    }
    return status;
}

// Runs this test program with only `filter` under xvfb-run on SDL's X11
// driver; returns its output. The X11 side of SDL keeps memory until exit, so
// leak checking stays with the headless tests.
inline std::string RunSelf(const std::string &filter, const std::string &screen = "800x600x24")
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "no /proc/self/exe";
    self[n] = 0;
    return Output("xvfb-run -a -s '-screen 0 " + screen +
                  "' env ZORB_XVFB_CHILD=1 SDL_VIDEODRIVER=x11 "
                  "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" '" +
                  self + "' --gtest_filter=" + filter + " 2>&1");
}

// The pixels (0xRRGGBB) of a w x h rectangle at (x, y) of an X window (0: the
// root window) on the default display; false when it cannot be read.
inline bool Grab(unsigned long window, int x, int y, int w, int h, std::vector<uint32_t> &rgb)
{
    struct Image {
        int width, height, xoffset, format;
        char *data;
        int byte_order, bitmap_unit, bitmap_bit_order, bitmap_pad, depth, bytes_per_line, bits_per_pixel;
        unsigned long red_mask, green_mask, blue_mask;
        void *obdata;
        struct {
            void *create_image;
            int (*destroy_image)(Image *);
            unsigned long (*get_pixel)(Image *, int, int);
            void *put_pixel, *sub_image, *add_pixel;
        } f;
    };
    void *lib = dlopen("libX11.so.6", RTLD_NOW);
    if (!lib)
        return false;
    auto open = reinterpret_cast<void *(*)(const char *)>(dlsym(lib, "XOpenDisplay"));
    auto root = reinterpret_cast<unsigned long (*)(void *)>(dlsym(lib, "XDefaultRootWindow"));
    auto image = reinterpret_cast<Image *(*)(void *, unsigned long, int, int, unsigned, unsigned, unsigned long, int)>(
        dlsym(lib, "XGetImage"));
    auto close = reinterpret_cast<int (*)(void *)>(dlsym(lib, "XCloseDisplay"));
    void *dpy = open && root && image && close ? open(nullptr) : nullptr;
    Image *img = dpy ? image(dpy, window ? window : root(dpy), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                             ~0ul, 2 /* ZPixmap */)
                     : nullptr;
    if (img) {
        rgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx)
                rgb[static_cast<size_t>(yy * w + xx)] = static_cast<uint32_t>(img->f.get_pixel(img, xx, yy) & 0xFFFFFF);
        img->f.destroy_image(img);
    }
    if (dpy)
        close(dpy);
    dlclose(lib);
    return img != nullptr;
}

} // namespace zorb::xvfb

#endif

// Keys and mouse under a real X server: zorbscw runs in Xvfb and xdotool
// presses keys, types, moves and clicks (XTEST events), and the window is
// closed the way a window manager asks (WM_DELETE_WINDOW). Skipped when
// xvfb-run or xdotool is missing.
#include "tests/script/script_fixture.h"
#include "tests/support/xvfb.h"

#include <dlfcn.h>

#include <cstdio>

namespace {

using namespace script_test;

using zorb::xvfb::Have;
using zorb::xvfb::Inside;
using zorb::xvfb::Output;
// Asks the window to close as a window manager does: WM_PROTOCOLS with
// WM_DELETE_WINDOW (libX11 comes with SDL and is loaded at run time).
bool AskToClose(unsigned long window)
{
    void *lib = dlopen("libX11.so.6", RTLD_NOW);
    if (!lib)
        return false;
    using OpenFn = void *(*)(const char *);
    using AtomFn = unsigned long (*)(void *, const char *, int);
    using SendFn = int (*)(void *, unsigned long, int, long, void *);
    using DisplayFn = int (*)(void *);
    auto open = reinterpret_cast<OpenFn>(dlsym(lib, "XOpenDisplay"));
    auto atom = reinterpret_cast<AtomFn>(dlsym(lib, "XInternAtom"));
    auto send = reinterpret_cast<SendFn>(dlsym(lib, "XSendEvent"));
    auto flush = reinterpret_cast<DisplayFn>(dlsym(lib, "XFlush"));
    auto close = reinterpret_cast<DisplayFn>(dlsym(lib, "XCloseDisplay"));
    void *dpy = open && atom && send && flush && close ? open(nullptr) : nullptr;
    if (!dpy) {
        dlclose(lib);
        return false;
    }
    struct ClientMessage {
        int type;
        unsigned long serial;
        int sendEvent;
        void *display;
        unsigned long window, messageType;
        int format;
        long data[5];
    };
    union {
        ClientMessage c;
        long pad[24];
    } ev{};
    ev.c.type = 33; // ClientMessage
    ev.c.display = dpy;
    ev.c.window = window;
    ev.c.messageType = atom(dpy, "WM_PROTOCOLS", 0);
    ev.c.format = 32;
    ev.c.data[0] = static_cast<long>(atom(dpy, "WM_DELETE_WINDOW", 0));
    const bool sent = send(dpy, window, 0, 0, &ev) != 0;
    flush(dpy);
    close(dpy);
    dlclose(lib);
    return sent;
}

class ScriptInputX : public ScriptRun {};

TEST_F(ScriptInputX, UnderXvfb)
{
    if (Inside())
        GTEST_SKIP() << "runs the child below";
    if (!Have("xvfb-run") || !Have("xdotool"))
        GTEST_SKIP() << "xvfb-run or xdotool is missing";
    const std::string out = zorb::xvfb::RunSelf("ScriptInputX.InXvfb", "640x480x24");
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

TEST_F(ScriptInputX, InXvfb)
{
    if (!Inside())
        GTEST_SKIP() << "only inside xvfb-run";
    Write("t.zs", "SCREENWINDOWTITLE 'ZorbInputX'\nSCREENWINDOWPOS 0 0\nSCREENGRAPHICS ok 160 120\n"
                  "MOUSEADD 'big' 0 0 100 100 0\nMOUSEADD 'small' 20 20 30 30 0\nFILECREATE o 'out.txt'\n"
                  "INPUTCHAR a ; FILEWRITE o a\nINPUTCHAR a ; FILEWRITE o a\n"
                  "INPUTSTR a 3 'Name? ' ; FILEWRITE o a\nINPUTCHAR a ; FILEWRITE o a\nINPUTCHAR a ; FILEWRITE o a\n"
                  "INPUTCHARORDELAY a 300 ; FILEWRITE o a\nSCREENWINDOWTITLE 'ZorbInputX closing'\n"
                  "INPUTCHAR a ; FILEWRITE o a\n");
    const std::string cmd = "cd '" + dir_.string() + "' && exec " + kZorbscw + " t.zs >.stdout 2>.stderr";
    const pid_t child = zorb::xvfb::Start(cmd);
    ASSERT_GT(child, 0);
    const std::string found = Output("timeout 20 xdotool search --sync --onlyvisible --name '^ZorbInputX$' 2>&1");
    const unsigned long window = std::strtoul(found.c_str(), nullptr, 10);
    EXPECT_NE(window, 0ul) << found;
    if (window != 0) {
        const std::string w = std::to_string(window);
        // "type" takes every word after it: one xdotool run per typed text.
        // The shift of shift+F2 comes after F1 was taken: SDL's X11 side may
        // read the modifier state when it takes a batch of queued events.
        const std::string x = "xdotool ";
        EXPECT_EQ(std::system((x + "windowfocus --sync " + w + " key F1 sleep 0.3 key shift+F2 && " + x +
                               "type abx && " + x + "key BackSpace && " + x + "type cd && " + x +
                               "key Return mousemove --window " + w + " 30 30 sleep 0.2 click 1 sleep 0.2 click 3")
                                  .c_str()),
                  0);
        Output("timeout 20 xdotool search --sync --name '^ZorbInputX closing$'");
        EXPECT_TRUE(AskToClose(window));
    }
    const int status = zorb::xvfb::Finish(child, 30);
    EXPECT_NE(status, -1) << "zorbscw did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Read(".stderr");
    EXPECT_EQ(Read("out.txt"), "F1\r\nSHIFT F2\r\nabc\r\nsmall\r\nRIGHT MOUSE\r\nDELAY\r\nALT F4\r\n")
        << Read(".stderr");
}

} // namespace

// The graphical message box. A child process draws it on its own X connection
// (the program's window and connection are never touched from the child), so
// the box cannot disturb the program, and it never outlives it: the child dies
// with its parent, gives up after the given seconds by itself, and closes on a
// key, a click or the window's close button.
#include "runtime/message_box.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zorb::display {

namespace {

std::atomic<pid_t> g_boxChild{0};

// The text as lines to draw: carriage returns dropped, tabs expanded to
// eight-column stops (the font is a fixed one).
std::vector<std::string> BoxLines(const char *text)
{
    std::vector<std::string> lines(1);
    for (const char *c = text; *c; ++c) {
        if (*c == '\r')
            continue;
        if (*c == '\n') {
            lines.emplace_back();
            continue;
        }
        if (*c == '\t') {
            do
                lines.back() += ' ';
            while (lines.back().size() % 8 != 0);
            continue;
        }
        lines.back() += *c;
    }
    while (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    return lines;
}

struct BoxLayout {
    int lineHeight, ascent, margin;
    int width, height;
    int buttonX, buttonY, buttonW, buttonH;
};

BoxLayout Measure(XFontStruct *font, const std::vector<std::string> &lines, int screenW, int screenH)
{
    BoxLayout l{};
    l.ascent = font->ascent;
    l.lineHeight = font->ascent + font->descent + 2;
    l.margin = 16;
    int widest = 0;
    for (const std::string &s : lines)
        widest = std::max(widest, XTextWidth(font, s.data(), static_cast<int>(s.size())));
    l.buttonW = std::max(80, XTextWidth(font, "OK (00)", 7) + 24);
    l.buttonH = l.lineHeight + 10;
    l.width = std::min(std::max(widest, l.buttonW) + 2 * l.margin, std::max(screenW - 40, 200));
    l.height =
        std::min(static_cast<int>(lines.size()) * l.lineHeight + 3 * l.margin + l.buttonH, std::max(screenH - 60, 120));
    l.buttonX = (l.width - l.buttonW) / 2;
    l.buttonY = l.height - l.margin - l.buttonH;
    return l;
}

void Draw(Display *dpy, Window w, GC gc, XFontStruct *font, const BoxLayout &l, const std::vector<std::string> &lines,
          int secondsLeft)
{
    XClearWindow(dpy, w);
    XSetForeground(dpy, gc, BlackPixel(dpy, DefaultScreen(dpy)));
    int y = l.margin + l.ascent;
    for (const std::string &s : lines) {
        if (y > l.buttonY - l.margin / 2)
            break;
        XDrawString(dpy, w, gc, l.margin, y, s.data(), static_cast<int>(s.size()));
        y += l.lineHeight;
    }
    XDrawRectangle(dpy, w, gc, l.buttonX, l.buttonY, static_cast<unsigned>(l.buttonW),
                   static_cast<unsigned>(l.buttonH));
    char label[32];
    std::snprintf(label, sizeof label, "OK (%d)", secondsLeft);
    const int labelW = XTextWidth(font, label, static_cast<int>(std::strlen(label)));
    XDrawString(dpy, w, gc, l.buttonX + (l.buttonW - labelW) / 2, l.buttonY + 5 + l.ascent, label,
                static_cast<int>(std::strlen(label)));
    XFlush(dpy);
}

long NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

// The child's whole life: the box, on a connection of its own. Returns the
// exit status (0 shown and closed, 3 no display).
int RunBox(const char *caption, const char *text, unsigned seconds)
{
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return 3;
    const int screen = DefaultScreen(dpy);
    XFontStruct *font = XLoadQueryFont(dpy, "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1");
    if (!font)
        font = XLoadQueryFont(dpy, "fixed");
    if (!font)
        return 3;
    const std::vector<std::string> lines = BoxLines(text);
    const BoxLayout l = Measure(font, lines, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen));
    const int x = (DisplayWidth(dpy, screen) - l.width) / 2, y = (DisplayHeight(dpy, screen) - l.height) / 2;
    const Window w =
        XCreateSimpleWindow(dpy, RootWindow(dpy, screen), x, y, static_cast<unsigned>(l.width),
                            static_cast<unsigned>(l.height), 1, BlackPixel(dpy, screen), WhitePixel(dpy, screen));
    XStoreName(dpy, w, caption);
    XClassHint cls{const_cast<char *>("zorblax-box"), const_cast<char *>("Zorblax")};
    XSetClassHint(dpy, w, &cls);
    XSizeHints hints{};
    hints.flags = PPosition | PMinSize | PMaxSize;
    hints.x = x, hints.y = y;
    hints.min_width = hints.max_width = l.width;
    hints.min_height = hints.max_height = l.height;
    XSetWMNormalHints(dpy, w, &hints);
    const long pid = getpid();
    XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(&pid), 1);
    const Atom dialog = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(&dialog), 1);
    Atom closeAtom = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, w, &closeAtom, 1);
    XSelectInput(dpy, w, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
    GC gc = XCreateGC(dpy, w, 0, nullptr);
    XSetFont(dpy, gc, font->fid);
    XMapRaised(dpy, w);
    XFlush(dpy);

    const long end = NowMs() + 1000L * seconds;
    int shownLeft = -1;
    bool pressed = false;
    for (;;) {
        const long now = NowMs();
        if (now >= end)
            break;
        const int left = static_cast<int>((end - now + 999) / 1000);
        bool redraw = left != shownLeft;
        bool done = false;
        while (!done && XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            switch (e.type) {
            case Expose:
                redraw = redraw || e.xexpose.count == 0;
                break;
            case KeyPress:
                done = true;
                break;
            case ButtonPress:
                pressed = true;
                break;
            case ButtonRelease:
                done = pressed;
                break;
            case ClientMessage:
                done = static_cast<Atom>(e.xclient.data.l[0]) == closeAtom;
                break;
            case DestroyNotify:
                done = true;
                break;
            default:
                break;
            }
        }
        if (done)
            break;
        if (redraw) {
            Draw(dpy, w, gc, font, l, lines, left);
            shownLeft = left;
        }
        pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
        const long wait = std::min<long>(250, end - NowMs());
        ::poll(&fd, 1, static_cast<int>(std::max<long>(wait, 0)));
    }
    XDestroyWindow(dpy, w);
    XCloseDisplay(dpy);
    return 0;
}

void KillBoxAtExit()
{
    if (const pid_t child = g_boxChild.exchange(0); child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
}

} // namespace

int ShowTimedBox(const char *caption, const char *text, unsigned seconds)
{
    static const bool registered = std::atexit(KillBoxAtExit) == 0;
    (void)registered;
    const pid_t parent = ::getpid();
    std::fflush(nullptr); // the child must not write the parent's buffers twice
    const pid_t child = ::fork();
    if (child < 0)
        return 0;
    if (child == 0) {
        // The box ends with its parent, whatever ends the parent; and a box
        // that cannot close (a stuck server) ends by the clock.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(0);
        for (int sig : {SIGALRM, SIGTERM, SIGINT, SIGHUP, SIGQUIT})
            ::signal(sig, SIG_DFL); // never the parent's clean-up handlers
        ::alarm(seconds + 5);
        ::_exit(RunBox(caption ? caption : "", text ? text : "", seconds));
    }
    g_boxChild.store(child);
    int status = 0;
    pid_t got;
    do
        got = ::waitpid(child, &status, 0);
    while (got < 0 && errno == EINTR);
    g_boxChild.store(0);
    return got == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
}

pid_t MessageBoxChild()
{
    return g_boxChild.load();
}

} // namespace zorb::display

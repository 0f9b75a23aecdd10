// The status family on a terminal. The "window" is one live line on standard
// error: rewritten in place when standard error is a terminal, printed as
// plain lines (at most one a second, and only when it changed) otherwise.
// Questions are asked on the terminal; without one the default answer is
// taken. Ctrl-C is the Cancel button: it runs the cancel path (a confirmed
// cancel closes the window, so StatusCheck and StatusSet return 0 from then
// on); a Ctrl-C confirmed on the terminal, one without a terminal to ask, and
// a second one while the question is pending end the program by the
// interrupt rule (PlatformInterruptExit: partial outputs removed, status 130).
// At close the final report goes to the front end over the link.
#include "vexutil/core/last_error.h"
#include "vexutil/core/status_io.h"

#include "platform/platform.h"
#include "vexutil/vexutil.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr size_t kStatusTextMax = 255;
constexpr uint32_t kTerminalRedrawMs = 50;
constexpr uint32_t kPlainLineMs = 1000;

struct StatusState {
    uint32_t owner = 0;
    bool noWait = false;
    bool exists = false;
    bool visible = false;
    VEXCANCELPROC cancel = nullptr;
    bool cancelled = false;
    uint32_t presses = 0;
    std::string title, text, secondLine;
    // Terminal bookkeeping.
    bool liveShown = false;  // a live line without its newline is on screen
    bool errorShown = false; // the text is an error already printed whole: never drawn again
    bool drawPending = false;
    uint32_t lastDraw = 0;
    std::string lastPlain;
    bool plainPrinted = false;
    uint32_t lastPlainTime = 0;
    bool handlerInstalled = false;
    struct sigaction oldInt {};
};

StatusState g_status;
vex::StatusIo g_io;
bool g_quiet = false;

volatile sig_atomic_t g_interruptPending = 0;
volatile sig_atomic_t g_interruptFinal = 0; // set once cancelled: the next Ctrl-C ends the program

bool inIsTerminal()
{
    return g_io.inIsTerminal >= 0 ? g_io.inIsTerminal != 0 : ::isatty(g_io.inFd) == 1;
}

bool outIsTerminal()
{
    return g_io.outIsTerminal >= 0 ? g_io.outIsTerminal != 0 : ::isatty(g_io.outFd) == 1;
}

// Ctrl-C is the Cancel button while a user can answer the question on the
// terminal; otherwise (no one to ask, or a second press) it ends the run by
// the toolkit's interrupt rule: partial outputs removed, status 130.
void onInterrupt(int)
{
    if (g_interruptPending || g_interruptFinal || !inIsTerminal())
        PlatformInterruptExit(SIGINT);
    g_interruptPending = 1;
}

int columns()
{
    if (g_io.columns > 0)
        return g_io.columns;
    winsize ws{};
    if (::ioctl(g_io.outFd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

void emit(const std::string &s)
{
    const char *p = s.data();
    size_t left = s.size();
    while (left > 0) {
        const ssize_t w = ::write(g_io.outFd, p, left);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        p += w;
        left -= static_cast<size_t>(w);
    }
}

std::string lineText()
{
    std::string line = g_status.title.empty() ? g_status.text : g_status.title + ": " + g_status.text;
    for (char &c : line)
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    return line;
}

// Shows the status text; forced draws ignore the rate limits.
void draw(bool force)
{
    if (!g_status.visible || g_status.errorShown || g_quiet)
        return;
    const uint32_t now = PlatformTimeMs();
    const std::string line = lineText();
    if (outIsTerminal()) {
        if (!force && g_status.liveShown && now - g_status.lastDraw < kTerminalRedrawMs) {
            g_status.drawPending = true;
            return;
        }
        const size_t width = static_cast<size_t>(columns() > 1 ? columns() - 1 : 1);
        emit("\r" + (line.size() > width ? line.substr(0, width) : line) + "\x1b[K");
        g_status.liveShown = true;
        g_status.drawPending = false;
        g_status.lastDraw = now;
        return;
    }
    if (g_status.plainPrinted && line == g_status.lastPlain)
        return;
    if (!force && g_status.plainPrinted && now - g_status.lastPlainTime < kPlainLineMs) {
        g_status.drawPending = true;
        return;
    }
    emit(line + "\n");
    g_status.lastPlain = line;
    g_status.plainPrinted = true;
    g_status.lastPlainTime = now;
    g_status.drawPending = false;
}

// Ends the live line so other output starts on a fresh line.
void breakLiveLine()
{
    if (g_status.liveShown) {
        emit("\n");
        g_status.liveShown = false;
    }
}

void setText(const char *text)
{
    g_status.text = text ? text : "";
    if (g_status.text.size() > kStatusTextMax)
        g_status.text.resize(kStatusTextMax);
}

void installHandler()
{
    if (g_status.handlerInstalled)
        return;
    PlatformInterruptInstall(); // what Ctrl-C does again after the close
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &sa, &g_status.oldInt) == 0)
        g_status.handlerInstalled = true;
}

void removeHandler()
{
    if (!g_status.handlerInstalled)
        return;
    ::sigaction(SIGINT, &g_status.oldInt, nullptr);
    g_status.handlerInstalled = false;
    g_interruptPending = 0;
    g_interruptFinal = 0;
}

// Reads one answer line; -1 at the end of input.
int readAnswer()
{
    std::string line;
    for (;;) {
        char c;
        const ssize_t r = ::read(g_io.inFd, &c, 1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return line.empty() ? -1 : 0;
        if (c == '\n')
            break;
        line += c;
    }
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i < line.size() && (line[i] == 'y' || line[i] == 'Y'))
        return 1;
    if (i < line.size() && (line[i] == 'n' || line[i] == 'N'))
        return 2;
    return 0;
}

bool ask(const char *question, bool defaultNo, bool interruptConfirms)
{
    const std::string q = question ? question : "";
    breakLiveLine();
    bool yes;
    if (interruptConfirms && !inIsTerminal()) {
        yes = true;
    } else if (inIsTerminal()) {
        const std::string prefix = g_status.title.empty() ? "" : g_status.title + ": ";
        emit(prefix + q + (defaultNo ? " [y/N] " : " [Y/n] "));
        const int a = readAnswer();
        yes = a == 1 || (a <= 0 && !defaultNo);
        if (a < 0)
            emit("\n");
    } else {
        yes = !defaultNo;
    }
    setText((q + (yes ? " Yes." : " No.")).c_str());
    if (g_status.visible) {
        draw(true);
    } else if (!inIsTerminal() || interruptConfirms) {
        // Record the decision taken without asking.
        const std::string prefix = g_status.title.empty() ? "" : g_status.title + ": ";
        emit(prefix + g_status.text + "\n");
    }
    return yes;
}

void doCancel(bool fromInterrupt)
{
    ++g_status.presses;
    if (g_status.cancelled)
        return;
    if (ask("Do you want to cancel?", true, fromInterrupt)) {
        g_status.cancelled = true;
        g_interruptFinal = 1;
        if (g_status.cancel)
            g_status.cancel();
    }
}

// Runs a pending Ctrl-C: the close path of the window.
void pollInterrupt()
{
    if (!g_interruptPending)
        return;
    doCancel(true);
    g_interruptPending = 0;
    if (g_status.cancelled) {
        // A confirmed Ctrl-C ends the run here: the front end hears of it,
        // partial outputs go, and the status is 130.
        breakLiveLine();
        if (g_status.owner) {
            const std::string report = g_status.title + " - " + g_status.secondLine + "\r\n  Cancelled.";
            PlatformLinkReport(g_status.owner, report.c_str());
        }
        PlatformInterruptExit(SIGINT);
    }
}

void message(const char *text, const char *title, int error)
{
    pollInterrupt();
    const std::string said = text ? text : "";
    // An error is printed once, whole: it becomes the status text (the
    // front end's report carries it) and is never drawn again as a status
    // line, where the terminal's width would cut it.
    if (error && g_status.errorShown && said == g_status.text)
        return;
    if (!error && g_quiet)
        return;
    breakLiveLine();
    const char *caption = title && *title ? title : (error ? "Error" : "Information");
    PlatformMessage(caption, said.c_str());
    if (error && g_status.exists) {
        setText(said.c_str());
        g_status.errorShown = true;
        return;
    }
    draw(true);
}

} // namespace

namespace vex {
void statusSetIo(const StatusIo *io)
{
    g_io = io ? *io : StatusIo{};
}
} // namespace vex

extern "C" {

VEXAPI void StatusInit(void *instance, uint32_t owner, int noWait)
{
    (void)instance;
    g_status.owner = owner;
    g_status.noWait = noWait != 0;
}

VEXAPI int StatusOpen(const char *title, const char *secondLine, VEXCANCELPROC cancel)
{
    g_status.title = title ? title : "";
    g_status.secondLine = secondLine ? secondLine : "";
    g_status.cancel = cancel;
    g_status.cancelled = false;
    g_status.presses = 0;
    g_status.exists = true;
    g_status.errorShown = false;
    g_status.visible = false;
    g_status.liveShown = false;
    g_status.plainPrinted = false;
    g_status.drawPending = false;
    setText("Loading...");
    g_interruptPending = 0;
    g_interruptFinal = 0;
    installHandler();
    return 1;
}

VEXAPI int StatusSet(const char *text)
{
    pollInterrupt();
    if (!g_status.exists)
        return 0;
    setText(text);
    g_status.errorShown = false;
    g_status.visible = true;
    draw(false);
    return 1;
}

VEXAPI int StatusCheck(void)
{
    pollInterrupt();
    if (g_status.exists && g_status.drawPending)
        draw(false);
    return g_status.exists ? 1 : 0;
}

VEXAPI int StatusAsk(const char *question, int defaultNo)
{
    pollInterrupt();
    return ask(question, defaultNo != 0, false) ? 1 : 0;
}

VEXAPI int StatusMessage(const char *text, int error)
{
    if (error && text)
        vex::SetLastError(text);
    message(text, g_status.title.c_str(), error);
    return g_status.exists ? 1 : 0;
}

VEXAPI int StatusMessageTitle(const char *text, const char *title, int error)
{
    if (error && text)
        vex::SetLastError(text);
    message(text, title, error);
    return g_status.exists ? 1 : 0;
}

VEXAPI int StatusDoCancel(void)
{
    doCancel(false);
    return g_status.cancelled ? 1 : 0;
}

VEXAPI uint32_t StatusGetHWND(void)
{
    return g_status.owner;
}

VEXAPI void StatusSetQuiet(int quiet)
{
    g_quiet = quiet != 0;
}

VEXAPI void StatusClose(int wait)
{
    // On a terminal the final text stays on screen: there is nothing to wait for.
    (void)wait;
    if (g_status.owner) {
        const std::string report = g_status.title + " - " + g_status.secondLine + "\r\n  " + g_status.text;
        PlatformLinkReport(g_status.owner, report.c_str());
    }
    if (g_status.exists && g_status.visible) {
        if (g_quiet) {
            // errors only: they were printed when they came
        } else if (outIsTerminal() && !g_status.errorShown) {
            // The final line whole, on its own: the live line is cleared
            // first, and the terminal's width never cuts it.
            emit("\r\x1b[K" + lineText() + "\n");
            g_status.liveShown = false;
        } else {
            draw(true);
        }
    }
    g_status.exists = false;
    g_status.visible = false;
    removeHandler();
}

VEXAPI uint32_t CopyData(uint32_t window, uint32_t sender, uint32_t identifier, uint32_t size, const void *data)
{
    (void)sender;
    uint32_t answer = 0;
    if (!PlatformLinkSend(window, identifier, data, data ? size : 0, &answer))
        return 0;
    return answer;
}

} // extern "C"

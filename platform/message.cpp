// Message output, one rule for every program: the text always goes to
// standard error; a graphical box (the display layer installs it when a
// display is up) only for errors, questions and an asked-for summary, only
// when standard error is not a terminal (someone at a terminal reads the
// text there) and never in unattended runs. The box closes by itself.
#include "platform/fdio.h"
#include "platform/platform.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
std::atomic<PlatformMessageBoxFn> g_box{nullptr};
std::atomic<int> g_unattended{-1}; // -1: not decided, read from the environment

void WriteLine(const char *caption, const char *text)
{
    std::string line;
    if (caption && *caption) {
        line = caption;
        line += ": ";
    }
    if (text)
        line += text;
    if (line.empty() || line.back() != '\n')
        line += '\n';
    zorb::platform::writeAll(STDERR_FILENO, line.data(), line.size());
}
} // namespace

extern "C" void PlatformNotice(const char *caption, const char *text)
{
    WriteLine(caption, text);
}

extern "C" void PlatformSetUnattended(int on)
{
    g_unattended.store(on ? 1 : 0);
}

extern "C" int PlatformUnattended(void)
{
    int on = g_unattended.load();
    if (on < 0) {
        const char *env = std::getenv("ZORBLAX_NO_BOX");
        on = env && *env && std::strcmp(env, "0") != 0 ? 1 : 0;
        g_unattended.store(on);
    }
    return on;
}

namespace {
// The box under the rule; false when none may be shown.
bool Box(const char *caption, const char *text)
{
    PlatformMessageBoxFn box = g_box.load();
    if (!box || PlatformUnattended() || isatty(STDERR_FILENO))
        return false;
    box(caption ? caption : "", text ? text : "");
    return true;
}
} // namespace

extern "C" void PlatformMessage(const char *caption, const char *text)
{
    WriteLine(caption, text);
    Box(caption, text);
}

extern "C" void PlatformSetMessageBox(PlatformMessageBoxFn fn)
{
    g_box.store(fn);
}

extern "C" int PlatformShowBox(const char *caption, const char *text)
{
    return Box(caption, text) ? 1 : 0;
}

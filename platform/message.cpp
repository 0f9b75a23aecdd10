// Message output: always standard error, plus the graphical box the display
// layer may install.
#include "platform/fdio.h"
#include "platform/platform.h"

#include <atomic>
#include <string>
#include <unistd.h>

namespace {
std::atomic<PlatformMessageBoxFn> g_box{nullptr};
}

extern "C" void PlatformMessage(const char *caption, const char *text)
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
    if (PlatformMessageBoxFn box = g_box.load())
        box(caption ? caption : "", text ? text : "");
}

extern "C" void PlatformSetMessageBox(PlatformMessageBoxFn fn)
{
    g_box.store(fn);
}

extern "C" int PlatformShowBox(const char *caption, const char *text)
{
    PlatformMessageBoxFn box = g_box.load();
    if (!box)
        return 0;
    box(caption ? caption : "", text ? text : "");
    return 1;
}

// vexsiw: prints the system information a user of the toolkit needs; with
// /#N the same text goes to the front end as the tool's report.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tools/vexsiw/system_info.h"

namespace {

const char kUsage[] = "Usage: vexsiw [/#N]\n"
                      "Prints the processor and its wide-loop support, memory, displays and their modes, sound\n"
                      "drivers and devices, the image formats at hand, and where the toolkit's programs and\n"
                      "settings live. /#N (given by the front end) also sends the text to front end N.\n";

} // namespace

int main(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "vexsiw", kUsage); status >= 0)
        return status;
    uint32_t frontEnd = 0;
    for (int i = 1; i < argc; ++i) {
        unsigned long n = 0;
        char extra = 0;
        if (std::sscanf(argv[i], "/#%lu%c", &n, &extra) == 1 && n > 0 && n <= 0xFFFFFFFFul) {
            frontEnd = static_cast<uint32_t>(n);
            continue;
        }
        std::fprintf(stderr, "vexsiw: unknown argument: %s\n\n%s", argv[i], kUsage);
        return PLATFORM_EXIT_USAGE;
    }
    const uint32_t link = PlatformLinkAttach(frontEnd, nullptr);
    const auto sections = tool::vexsiw::Gather();
    std::fputs(tool::vexsiw::Format(sections, "\n").c_str(), stdout);
    std::fflush(stdout);
    if (link) {
        const std::string report = "VexSIW - system information\r\n" + tool::vexsiw::Format(sections, "\r\n");
        PlatformLinkReport(link, report.c_str());
    }
    return PLATFORM_EXIT_DONE;
}

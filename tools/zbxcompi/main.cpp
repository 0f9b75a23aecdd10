// zbxcompi: makes a self-playing copy of the player. The copy carries its own
// command line and its Zorblax files, appended to the program file and named
// ":offset" on that line.
//
//   zbxcompi [-s "SWITCHES"] PLAYER OUTPUT FILE.zbx... [/#N]
//
// Started by the front end with /#N, it reports its result there at the end.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "player/player.h"

namespace {

// Messages go to standard error; the last one is the result the front end is told about.
std::string g_result;

void Say(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fputs(text, stderr);
    g_result = text;
    while (!g_result.empty() && g_result.back() == '\n')
        g_result.pop_back();
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: zbxcompi [-s \"SWITCHES\"] PLAYER OUTPUT FILE.zbx...\n"
                 "  Makes OUTPUT, a copy of the player PLAYER that plays the FILEs by itself\n"
                 "  with the player switches SWITCHES (for example \"/L /S\").\n");
    return 2;
}

bool ReadAll(const std::string &name, std::vector<unsigned char> &data)
{
    std::ifstream in(name, std::ios::binary);
    if (!in)
        return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool LooksLikeZorblax(const std::vector<unsigned char> &data)
{
    return data.size() >= 104 && std::memcmp(data.data(), "ZBX2", 4) == 0;
}

}  // namespace

int Run(int argc, char **argv)
{
    std::string switches;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "-s") == 0) {
        if (arg + 1 >= argc)
            return Usage();
        switches = argv[arg + 1];
        arg += 2;
    }
    if (argc - arg < 3)
        return Usage();
    const std::string playerName = argv[arg];
    const std::string outputName = argv[arg + 1];

    std::vector<unsigned char> image;
    if (!ReadAll(playerName, image)) {
        Say("zbxcompi: cannot read the player %s: %s\n", playerName.c_str(), std::strerror(errno));
        return 1;
    }
    long area = player::FindSelfPlayArea(image.data(), image.size());
    if (area < 0) {
        Say("zbxcompi: %s has no self-play area (not a Zorblax player)\n", playerName.c_str());
        return 1;
    }

    // Append each file and name it by its offset in the copy.
    std::string line;
    for (int i = arg + 2; i < argc; ++i) {
        std::vector<unsigned char> file;
        if (!ReadAll(argv[i], file)) {
            Say("zbxcompi: cannot read %s: %s\n", argv[i], std::strerror(errno));
            return 1;
        }
        if (!LooksLikeZorblax(file)) {
            Say("zbxcompi: %s is not a Zorblax file\n", argv[i]);
            return 1;
        }
        if (!line.empty())
            line += ' ';
        line += ':' + std::to_string(image.size());
        image.insert(image.end(), file.begin(), file.end());
    }
    if (!switches.empty())
        line += ' ' + switches;
    if (line.size() >= player::kSelfPlayLineSize) {
        Say("zbxcompi: the command line \"%s\" is longer than %zu characters\n", line.c_str(),
            player::kSelfPlayLineSize - 1);
        return 1;
    }
    unsigned char *slot = image.data() + area + 8;
    std::memset(slot, 0, player::kSelfPlayLineSize);
    std::memcpy(slot, line.data(), line.size());

    // Write beside the target and rename into place only when complete.
    zorb::platform::SafeFile out;
    std::string error;
    if (!out.Create(outputName, error) || !out.Write(image.data(), image.size()) ||
        fchmod(out.Fd(), 0755) != 0 || !out.Commit(image.size(), error)) {
        if (error.empty())
            error = std::string("cannot write ") + outputName + ": " + std::strerror(errno);
        Say("zbxcompi: %s\n", error.c_str());
        return 1;
    }
    Say("zbxcompi: wrote %s (%zu bytes): %s\n", outputName.c_str(), image.size(), line.c_str());
    return 0;
}

int main(int argc, char **argv)
{
    // The front end's hidden /#N may stand anywhere; it is taken out first.
    std::vector<char *> args;
    uint32_t frontEnd = 0;
    for (int i = 0; i < argc; ++i) {
        std::string word = argv[i];
        if (i > 0 && word.rfind("/#", 0) == 0) {
            frontEnd = player::TakeReportWindow(word);
            continue;
        }
        args.push_back(argv[i]);
    }
    frontEnd = PlatformLinkAttach(frontEnd, nullptr);
    const int status = Run(static_cast<int>(args.size()), args.data());
    if (frontEnd != 0) {
        const std::string text = g_result.empty() ? std::string("zbxcompi: ended with status ") + std::to_string(status)
                                                  : g_result;
        PlatformLinkReport(frontEnd, text.c_str());
    }
    return status;
}

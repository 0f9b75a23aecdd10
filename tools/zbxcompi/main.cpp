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

#include "codec/format.h"
#include "codec/zorb.h"
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
const char kUsage[] = "usage: zbxcompi [-s \"SWITCHES\"] PLAYER OUTPUT FILE.zbx...\n"
                      "  Makes OUTPUT, a copy of the player PLAYER that plays the FILEs by itself\n"
                      "  with the player switches SWITCHES (for example \"/L /S\").\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return PLATFORM_EXIT_USAGE;
}

int Fail(const std::string &file, const std::string &reason)
{
    PlatformError("zbxcompi", file.c_str(), reason.c_str());
    g_result = "zbxcompi: " + (file.empty() ? reason : file + ": " + reason);
    return PLATFORM_EXIT_FAILURE;
}

// A file the copy could not play is refused: the header, the tables and the
// trees must open, and every frame must lie whole inside the file. `why`
// gets the reason the open gave.
bool PlaysWhole(const std::string &name, std::string &why)
{
    ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), ZORB_OPEN_PRELOAD, -1);
    if (!h) {
        why = ZorbLastOpenError();
        return false;
    }
    bool ok = !h->ReadFailed;
    for (uint32_t i = 0; ok && i + 1 < h->FrameCount; ++i) {
        ZorbAdvanceFrame(h);
        ok = !h->ReadFailed;
    }
    ZorbClose(h);
    return ok;
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
    return data.size() >= ZBX_HEADER_SIZE && ZbxGet32(data.data()) == ZBX_MAGIC;
}

} // namespace

int Run(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "zbxcompi", kUsage); status >= 0)
        return status;
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
    if (!ReadAll(playerName, image))
        return Fail(playerName, PlatformOpenFailure(playerName.c_str(), "cannot be read"));
    long area = player::FindSelfPlayArea(image.data(), image.size());
    if (area < 0)
        return Fail(playerName, "no self-play area (not a Zorblax player)");

    // Append each file and name it by its offset in the copy.
    std::string line;
    for (int i = arg + 2; i < argc; ++i) {
        std::vector<unsigned char> file;
        if (!ReadAll(argv[i], file))
            return Fail(argv[i], PlatformOpenFailure(argv[i], "cannot be read"));
        std::string why;
        if (!LooksLikeZorblax(file) || !PlaysWhole(argv[i], why))
            return Fail(argv[i], "not a Zorblax file, or damaged" + (why.empty() ? "" : ": " + why));
        if (!line.empty())
            line += ' ';
        line += ':' + std::to_string(image.size());
        image.insert(image.end(), file.begin(), file.end());
    }
    if (!switches.empty())
        line += ' ' + switches;
    if (line.size() >= player::kSelfPlayLineSize) {
        return Fail("", "the command line \"" + line + "\" is longer than " +
                            std::to_string(player::kSelfPlayLineSize - 1) + " characters");
    }
    unsigned char *slot = image.data() + area + 8;
    std::memset(slot, 0, player::kSelfPlayLineSize);
    std::memcpy(slot, line.data(), line.size());

    // Write beside the target and rename into place only when complete.
    zorb::platform::SafeFile out;
    std::string error;
    if (!out.Create(outputName, error) || !out.Write(image.data(), image.size()) || fchmod(out.Fd(), 0755) != 0 ||
        !out.Commit(image.size(), error)) {
        if (error.empty())
            error = std::string("cannot be written: ") + std::strerror(errno);
        return Fail(outputName, error);
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
        const std::string text =
            g_result.empty() ? std::string("zbxcompi: ended with status ") + std::to_string(status) : g_result;
        PlatformLinkReport(frontEnd, text.c_str());
    }
    return status;
}

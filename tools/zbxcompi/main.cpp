// zbxcompi: makes a self-playing copy of the player. The copy carries its own
// command line and its Zorblax files, appended to the program file and named
// ":offset" on that line.
//
//   zbxcompi [-s "SWITCHES"] PLAYER OUTPUT FILE.zbx... [/#N]
//
// Started by the front end with /#N, it reports its result there at the end.
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codec/format.h"
#include "codec/zorb.h"
#include "platform/fdio.h"
#include "platform/platform.h"
#include "player/selfplay.h"
#include "tools/common/tool_arguments.h"
#include "tools/common/zorblax_failure.h"

namespace {

// Messages go to standard error; the last one is the result the front end is told about.
std::string g_result;
bool g_quiet = false; // /Q: errors only

void Say(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (!g_quiet)
        std::fputs(text, stderr);
    g_result = text;
    while (!g_result.empty() && g_result.back() == '\n')
        g_result.pop_back();
}
const char kUsage[] = "usage: zbxcompi [-s \"SWITCHES\"] [/O] [/Q] PLAYER OUTPUT FILE.zbx...\n"
                      "  Makes OUTPUT, a copy of the player PLAYER that plays the FILEs by itself\n"
                      "  with the player switches SWITCHES (for example \"/L /S\").\n"
                      "  /O replaces an existing OUTPUT; /Q prints errors only.\n";

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

// Reads a whole regular file; why says what stood in the way.
bool ReadAll(const std::string &name, std::vector<unsigned char> &data, std::string &why)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        why = PlatformOpenFailure(name.c_str(), "not a regular file");
        return false;
    }
    data.resize(static_cast<size_t>(st.st_size));
    const long got = zorb::platform::readUpTo(fd, data.data(), data.size());
    const int saved = errno;
    ::close(fd);
    if (got < 0 || static_cast<size_t>(got) != data.size()) {
        why = got < 0 ? std::strerror(saved) : "the file changed while it was read";
        return false;
    }
    return true;
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
    bool replace = false;
    std::vector<char *> words;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-s") == 0) {
            if (i + 1 >= argc)
                return Usage();
            switches = argv[++i];
        } else if (strcasecmp(argv[i], "/O") == 0) {
            replace = true;
        } else if (strcasecmp(argv[i], "/Q") == 0) {
            g_quiet = true;
        } else {
            words.push_back(argv[i]);
        }
    }
    if (words.size() < 3)
        return Usage();
    argv = words.data();
    argc = static_cast<int>(words.size());
    const int arg = 0;
    const std::string playerName = argv[arg];
    const std::string outputName = argv[arg + 1];

    // The copy never replaces what it is made from, nor anything without /O.
    for (int i = arg; i < argc; ++i)
        if (i != arg + 1 && tool::SameFile(argv[i], outputName.c_str()))
            return Fail(outputName, i == arg ? "the output file must be different from the player"
                                             : "the output file must be different from the input file");
    struct stat existing {};
    if (!replace && ::lstat(outputName.c_str(), &existing) == 0)
        return Fail(outputName, "exists and was not overwritten (use /O)");

    std::vector<unsigned char> image;
    std::string why;
    if (!ReadAll(playerName, image, why))
        return Fail(playerName, why);
    long area = player::FindSelfPlayArea(image.data(), image.size());
    if (area < 0)
        return Fail(playerName, "no self-play area (not a Zorblax player)");

    // Append each file and name it by its offset in the copy.
    std::string line;
    for (int i = arg + 2; i < argc; ++i) {
        std::vector<unsigned char> file;
        if (!ReadAll(argv[i], file, why))
            return Fail(argv[i], why);
        if (!LooksLikeZorblax(file) || !PlaysWhole(argv[i], why))
            return Fail(argv[i], tool::ZorblaxFailure(argv[i]));
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
    const bool fresh = ::stat(outputName.c_str(), &existing) != 0;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (!out.Create(outputName, error) || !out.Write(image.data(), image.size()) ||
        (fresh && fchmod(out.Fd(), 0777 & ~mask) != 0) || !out.Commit(image.size(), error)) {
        if (error.empty())
            error = "Error writing " + outputName + ": " + std::strerror(errno);
        PlatformError("zbxcompi", nullptr, error.c_str());
        g_result = "zbxcompi: " + error;
        return PLATFORM_EXIT_FAILURE;
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
            char *end = nullptr;
            const unsigned long n = std::strtoul(word.c_str() + 2, &end, 10);
            frontEnd = end != word.c_str() + 2 && n <= UINT32_MAX ? static_cast<uint32_t>(n) : 0;
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

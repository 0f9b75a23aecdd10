// zbxcompi: makes a self-playing copy of the player. The copy carries its own
// command line and its Zorblax files, appended to the program file and named
// ":offset" on that line.
//
//   zbxcompi [-s "SWITCHES"] PLAYER OUTPUT FILE.zbx...
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "player/player.h"

namespace {

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

int main(int argc, char **argv)
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
        std::fprintf(stderr, "zbxcompi: cannot read the player %s: %s\n", playerName.c_str(), std::strerror(errno));
        return 1;
    }
    long area = player::FindSelfPlayArea(image.data(), image.size());
    if (area < 0) {
        std::fprintf(stderr, "zbxcompi: %s has no self-play area (not a Zorblax player)\n", playerName.c_str());
        return 1;
    }

    // Append each file and name it by its offset in the copy.
    std::string line;
    for (int i = arg + 2; i < argc; ++i) {
        std::vector<unsigned char> file;
        if (!ReadAll(argv[i], file)) {
            std::fprintf(stderr, "zbxcompi: cannot read %s: %s\n", argv[i], std::strerror(errno));
            return 1;
        }
        if (!LooksLikeZorblax(file)) {
            std::fprintf(stderr, "zbxcompi: %s is not a Zorblax file\n", argv[i]);
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
        std::fprintf(stderr, "zbxcompi: the command line \"%s\" is longer than %zu characters\n", line.c_str(),
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
        std::fprintf(stderr, "zbxcompi: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "zbxcompi: wrote %s (%zu bytes): %s\n", outputName.c_str(), image.size(), line.c_str());
    return 0;
}

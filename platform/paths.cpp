// File names told from switches on command lines.
#include <cctype>
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"

namespace {

// "F", "L3", "F-66", "@", "#5": what a switch looks like after its slash.
bool SwitchForm(const std::string &piece)
{
    if (piece.empty() || !(std::isalpha(static_cast<unsigned char>(piece[0])) || piece[0] == '@' || piece[0] == '#'))
        return false;
    size_t i = 1;
    if (i < piece.size() && piece[i] == '-')
        ++i;
    while (i < piece.size() && std::isdigit(static_cast<unsigned char>(piece[i])))
        ++i;
    return i == piece.size();
}

} // namespace

extern "C" int PlatformNamesPath(const char *word)
{
    if (word == nullptr || word[0] == '\0')
        return 0;
    struct stat st;
    if (::stat(word, &st) == 0)
        return 1;
    const std::string path = word;
    if (path[0] == '/') {
        // The shape of a file name: a last part with an extension and a
        // first part that is no switch ("/film.zbx", "/tmp/new/film.zbx";
        // "/N0/K0" and "/Tname/X" are switches, "/Pfoo" a bad switch).
        const size_t second = path.find('/', 1);
        const std::string first = path.substr(1, second == std::string::npos ? std::string::npos : second - 1);
        const std::string last = path.substr(path.rfind('/') + 1);
        if (!SwitchForm(first) && std::isalnum(static_cast<unsigned char>(first[0])) &&
            last.find('.') != std::string::npos && last.find('.') > 0)
            return 1;
    }
    const size_t last = path.rfind('/');
    if (last == std::string::npos || last == 0)
        return 0;
    return ::stat(path.substr(0, last).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

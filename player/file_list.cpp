// The player's file list: names separated by blanks (and an optional comma),
// double quotes around names with blanks, ".Zbx" added to bare names, and a
// case-insensitive match on disk for names written for a case-blind system.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include "platform/text.h"
#include "player/player.h"

namespace player {
namespace {

using zorb::platform::IsBlank;

void TrimInPlace(std::string &s)
{
    size_t a = 0;
    while (a < s.size() && IsBlank(s[a]))
        ++a;
    size_t b = s.size();
    while (b > a && IsBlank(s[b - 1]))
        --b;
    s = s.substr(a, b - a);
}

bool Exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace

std::string WithDefaultExtension(const std::string &name)
{
    struct stat st;
    if (stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return name; // the name as given first, then with the default extension
    for (size_t i = name.size(); i-- > 0;) {
        char c = name[i];
        if (c == '.')
            return name;
        if (c == '\\' || c == '/' || c == ':')
            break;
    }
    return name + ".Zbx";
}

std::string TakeFileName(std::string &list)
{
    TrimInPlace(list);
    if (list.empty())
        return {};
    std::string name;
    size_t used = 0;
    if (list[0] == '"' && list.find('"', 1) != std::string::npos) {
        size_t close = list.find('"', 1);
        name = list.substr(1, close - 1);
        used = close + 1;
    } else {
        while (used < list.size() && !IsBlank(list[used]))
            ++used;
        name = list.substr(0, used);
    }
    while (used < list.size() && IsBlank(list[used]))
        ++used;
    if (used < list.size() && list[used] == ',')
        ++used;
    list.erase(0, used);
    TrimInPlace(list);
    TrimInPlace(name);
    // A bare name ending in a comma ("a,b") keeps the comma as a separator.
    while (!name.empty() && name.back() == ',')
        name.pop_back();
    if (name.empty())
        return TakeFileName(list);
    if (name[0] == ':')
        return name;
    return WithDefaultExtension(name);
}

std::string ResolveCaseInsensitive(const std::string &given)
{
    std::string name = given;
    for (char &c : name)
        if (c == '\\')
            c = '/';
    if (Exists(name))
        return name;
    size_t slash = name.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : name.substr(0, slash));
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    // The directory part may itself be written in another case.
    if (slash != std::string::npos && !Exists(dir))
        dir = ResolveCaseInsensitive(dir);
    DIR *d = opendir(dir.c_str());
    if (d == nullptr)
        return name;
    std::string found;
    while (dirent *e = readdir(d)) {
        if (strcasecmp(e->d_name, base.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    if (found.empty())
        return name;
    return (slash == std::string::npos ? std::string() : dir + "/") + found;
}

} // namespace player

// File names told from switches on command lines.
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"

extern "C" int PlatformNamesPath(const char *word)
{
    if (word == nullptr || word[0] == '\0')
        return 0;
    struct stat st;
    if (::stat(word, &st) == 0)
        return 1;
    const std::string path = word;
    const size_t last = path.rfind('/');
    if (last == std::string::npos || last == 0)
        return 0;
    return ::stat(path.substr(0, last).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

#include "vexutil/core/pathmap.h"

#include <cctype>

namespace vex {

std::string hostPath(const char *name)
{
    if (!name)
        return {};
    std::string s(name);
    if (s.size() >= 2 && s[1] == ':' && std::isalpha(static_cast<unsigned char>(s[0])))
        s.erase(0, 2);
    for (char &c : s)
        if (c == '\\')
            c = '/';
    return s;
}

} // namespace vex

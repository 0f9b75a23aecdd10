// File slots, the file check, and how script file names find files: either
// separator, and a name that does not exist as written is matched on disk
// without regard to case, one directory level at a time.
#include "script/commands/names.h"
#include "script/core/interp.h"
#include "vexutil/core/pathmap.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zscript {

namespace {

constexpr int32_t kSlotBuffer = 3072;

bool Exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Join(const std::string &dir, const std::string &name)
{
    if (dir.empty())
        return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// The entry of dir whose name equals name without regard to case, or "".
std::string FindCaseless(const std::string &dir, const std::string &name)
{
    DIR *d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return {};
    std::string match;
    while (const dirent *e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            match = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return match;
}

bool MatchHere(const char *p, const char *n)
{
    for (; *p; ++p, ++n) {
        if (*p == '*') {
            while (p[1] == '*')
                ++p;
            if (!p[1])
                return true;
            for (const char *t = n; *t; ++t)
                if (MatchHere(p + 1, t))
                    return true;
            return MatchHere(p + 1, n + std::char_traits<char>::length(n));
        }
        if (!*n)
            return false;
        if (*p != '?' && ::tolower(static_cast<unsigned char>(*p)) != ::tolower(static_cast<unsigned char>(*n)))
            return false;
    }
    return *n == '\0';
}

} // namespace

std::string ResolveName(const std::string &nameIn)
{
    const std::string name = vex::hostPath(nameIn.c_str());
    if (name.empty() || Exists(name))
        return name;
    std::string out = name[0] == '/' ? "/" : "";
    size_t i = out.size();
    while (i < name.size()) {
        const size_t start = i;
        size_t j = name.find('/', i);
        if (j == std::string::npos)
            j = name.size();
        const std::string part = name.substr(start, j - start);
        i = j + 1;
        if (part.empty())
            continue;
        std::string next = Join(out, part);
        if (!Exists(next)) {
            const std::string match = FindCaseless(out, part);
            if (match.empty())
                return Join(out, name.substr(start));
            next = Join(out, match);
        }
        out = next;
    }
    if (name.back() == '/' && (out.empty() || out.back() != '/'))
        out += '/';
    return out;
}

std::string FullPath(const std::string &name)
{
    char buffer[kTextMax + 1];
    const std::string resolved = ResolveName(name).substr(0, kTextMax);
    std::memcpy(buffer, resolved.c_str(), resolved.size() + 1);
    return !resolved.empty() && ExpandFileName(buffer) ? std::string(buffer) : std::string();
}

bool HasWildcards(const std::string &name)
{
    return name.find_first_of("*?") != std::string::npos;
}

bool WildcardMatch(const std::string &pattern, const std::string &name)
{
    if (MatchHere(pattern.c_str(), name.c_str()))
        return true;
    return name.find('.') == std::string::npos && MatchHere(pattern.c_str(), (name + ".").c_str());
}

std::string DirectoryPart(const std::string &name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string FilePart(const std::string &name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::vector<std::string> MatchingEntries(const std::string &directory, const std::string &pattern, bool filesOnly)
{
    std::vector<std::string> out;
    DIR *d = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!d)
        return out;
    while (const dirent *e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == ".." || !WildcardMatch(pattern, n))
            continue;
        if (filesOnly) {
            struct stat st {};
            if (::stat(Join(directory, n).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
                continue;
        }
        out.push_back(n);
    }
    ::closedir(d);
    std::sort(out.begin(), out.end(),
              [](const std::string &a, const std::string &b) { return ::strcasecmp(a.c_str(), b.c_str()) < 0; });
    return out;
}

uint8_t OpenFileSlot(Interp &in, const std::string &name, int mode)
{
    if (in.sandbox || name.empty())
        return kNoSlot;
    int slot = 0;
    while (slot < kFileSlots && in.slots[slot])
        ++slot;
    if (slot == kFileSlots)
        return kNoSlot;
    const std::string path = ResolveName(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return kNoSlot; // a directory is not a file
    VEXFILE *f = nullptr;
    if (mode == 0)
        f = VEXFileOpen(kSlotBuffer, path.c_str(), VEXFILE_READ);
    else if (mode == 1)
        f = VEXFileCreate(kSlotBuffer, path.c_str());
    else
        f = VEXFileOpen(kSlotBuffer, path.c_str(), VEXFILE_READWRITE);
    if (!f)
        return kNoSlot;
    in.slots[slot] = f;
    return static_cast<uint8_t>(slot);
}

std::string OpenFailure(Interp &in, const std::string &name)
{
    int slot = 0;
    while (slot < kFileSlots && in.slots[slot])
        ++slot;
    if (slot == kFileSlots)
        return "too many open files";
    const std::string path = ResolveName(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? "no such file or directory" : std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return "is a directory";
    if (::access(path.c_str(), R_OK) != 0)
        return errno == EACCES ? "permission denied" : std::strerror(errno);
    return "cannot be read";
}

void CloseFileSlot(Interp &in, uint8_t slot)
{
    if (slot >= kFileSlots || !in.slots[slot])
        return;
    if (slot == in.debugFile)
        in.debugFile = kNoSlot;
    VEXFILE *f = in.slots[slot];
    VEXFileFlush(f);
    VEXFileClose(f);
    in.slots[slot] = nullptr;
    if (slot == in.printSlot) {
        in.printSlot = kNoSlot;
        FinishPrintJob(in);
    }
}

uint8_t CheckFile(Interp &in, int32_t number)
{
    if (number < 5000 || number >= 5000 + kFileSlots || !in.slots[number - 5000])
        CommandError(in, "  Bad file parameter:\r\n    ");
    return static_cast<uint8_t>(number - 5000);
}

void RefuseInSandbox(Interp &in)
{
    if (in.sandbox)
        CommandError(in, "  Command not available in this run:\r\n    ");
}

} // namespace zscript

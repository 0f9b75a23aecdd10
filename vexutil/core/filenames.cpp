// File names. On input '\' and '/' both separate directories and a leading
// drive prefix ("C:") is dropped; output always uses '/'. There are no drive
// letters: the root is the one drive, reported as 'C'.
#include "vexutil/core/pathmap.h"
#include "vexutil/vexutil.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using vex::hostPath;

namespace {

constexpr size_t kPathBuffer = 256; // the buffer callers hand to the name functions

std::string currentDirectory()
{
    std::vector<char> buf(4096);
    for (;;) {
        if (::getcwd(buf.data(), buf.size()))
            return buf.data();
        if (errno != ERANGE)
            return "/";
        buf.resize(buf.size() * 2);
    }
}

// The absolute, lexically normalised form of name ("." and ".." resolved, no
// doubled separators). A trailing separator is kept when the name had one.
std::string absolutePath(const char *name)
{
    std::string p = hostPath(name);
    if (p.empty())
        return {};
    const bool trailing = p.back() == '/';
    if (p[0] != '/')
        p = currentDirectory() + "/" + p;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos)
            j = p.size();
        const std::string part = p.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string &part : parts)
        out += "/" + part;
    if (out.empty() || trailing)
        out += "/";
    return out;
}

bool isDirectoryPath(const std::string &p)
{
    struct stat st {};
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writeBack(char *buffer, const std::string &text)
{
    if (text.size() + 1 > kPathBuffer)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

extern "C" {

VEXAPI char *HasExtension(const char *name)
{
    if (!name)
        return nullptr;
    for (const char *p = name + std::strlen(name); p > name;) {
        --p;
        if (*p == '.')
            return const_cast<char *>(p);
        if (*p == ':' || *p == '\\' || *p == '/')
            return nullptr;
    }
    return nullptr;
}

VEXAPI uint32_t ExpandFileName(char *name)
{
    if (!name)
        return 0;
    const std::string full = absolutePath(name);
    if (full.empty() || !writeBack(name, full))
        return 0;
    return static_cast<uint32_t>(full.size() + 1);
}

VEXAPI int IsDirectory(char *path, int stay)
{
    if (!path)
        return 0;
    std::string full = absolutePath(path);
    if (full.empty())
        return 0;
    if (full.size() > 1 && full.back() == '/')
        full.pop_back();
    writeBack(path, full);
    if (!isDirectoryPath(full) || ::access(full.c_str(), X_OK) != 0)
        return 0;
    if (stay)
        return ::chdir(full.c_str()) == 0;
    return 1;
}

VEXAPI char *GetFilePieces(char *path, int keepDrive, int keepDirectory, int keepName, int keepExtension)
{
    (void)keepDrive; // no drive piece on this system
    if (!path)
        return path;
    Trim(path);
    std::string full = absolutePath(path);
    if (full.empty()) {
        path[0] = '\0';
        return path;
    }
    const bool directory = isDirectoryPath(full);
    if (directory && full.back() != '/')
        full += '/';
    const size_t slash = full.rfind('/');
    const std::string dir = full.substr(0, slash + 1);
    std::string name = directory ? std::string() : full.substr(slash + 1);
    std::string ext;
    if (const char *dot = HasExtension(name.c_str())) {
        ext = dot;
        name.resize(static_cast<size_t>(dot - name.c_str()));
    }
    std::string out;
    if (keepDirectory)
        out += dir;
    if (keepName)
        out += name;
    if (keepExtension)
        out += ext;
    if (!writeBack(path, out))
        path[0] = '\0';
    return path;
}

VEXAPI char GetDrive(const char *path)
{
    (void)path;
    return 'C';
}

VEXAPI char *GetTempName(char *destination, const char *directory, const char *prefix, uint32_t number)
{
    if (!destination)
        return destination;
    char name[13];
    for (int i = 0; i < 12; ++i) {
        const uint32_t group = i < 8 ? (number >> (4 * i)) & 15u : 0u;
        name[i] = static_cast<char>('A' + group);
    }
    if (prefix) {
        for (int i = 0; i < 12 && prefix[i]; ++i)
            name[i] = prefix[i];
    }
    name[8] = '.';
    name[12] = '\0';
    std::string dir = directory ? directory : "";
    for (char &c : dir)
        if (c == '\\')
            c = '/';
    const std::string out = dir + name;
    std::memcpy(destination, out.c_str(), out.size() + 1);
    return destination;
}

VEXAPI char *AddBackslash(char *path)
{
    if (!path)
        return path;
    Trim(path);
    const size_t n = std::strlen(path);
    if (n == 0 || path[n - 1] == ':' || path[n - 1] == '\\' || path[n - 1] == '/')
        return path;
    path[n] = '/';
    path[n + 1] = '\0';
    return path;
}

VEXAPI uint32_t vexfilesize(const char *name)
{
    VEXFILE *f = VEXFileOpen(0, name, VEXFILE_READ);
    if (!f)
        return 0;
    const uint32_t size = VEXFileSize(f);
    VEXFileClose(f);
    return size;
}

VEXAPI int overwrite(const char *name)
{
    VEXFILE *f = name ? VEXFileOpen(0, name, VEXFILE_READ) : nullptr;
    if (!f)
        return 1;
    VEXFileClose(f);
    const std::string question = std::string("File ") + name + " exists, overwrite?";
    return StatusAsk(question.c_str(), 1);
}

VEXAPI int CheckForDup(const char *inputName, const char *outputName)
{
    const std::string a = absolutePath(inputName ? inputName : "");
    const std::string b = absolutePath(outputName ? outputName : "");
    if (!a.empty() && strcasecmp(a.c_str(), b.c_str()) == 0) {
        StatusMessage("Output filename must be different than the input filename.", 1);
        return 0;
    }
    return 1;
}

} // extern "C"

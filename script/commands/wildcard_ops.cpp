// FILEDELETE, FILECOPY and FILERENAME: one file, or every file matching a
// pattern, with the destination's wildcards filled from each source name.
#include "script/commands/names.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace zscript {

namespace {

enum class Op { Delete, Copy, Rename };

bool IsDir(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A file or directory name: anything naming a directory gets "/*.*".
std::string Prepare(const std::string &text)
{
    std::string name = ResolveName(text.empty() ? "*.*" : text);
    if (IsDir(name)) {
        if (name.back() != '/')
            name += '/';
        name += "*.*";
    }
    const std::string dir = DirectoryPart(name), file = FilePart(name);
    std::string full = FullPath(dir.empty() ? "." : dir);
    if (full.empty())
        full = dir.empty() ? "." : dir; // too long to expand: kept as it is
    if (full.back() != '/')
        full += '/';
    return full + file;
}

void SplitName(const std::string &file, std::string &name, std::string &ext)
{
    const char *dot = HasExtension(file.c_str());
    if (dot) {
        const size_t at = static_cast<size_t>(dot - file.c_str());
        name = file.substr(0, at);
        ext = file.substr(at + 1);
    } else {
        name = file;
        ext.clear();
    }
}

std::string Fill(const std::string &pattern, const std::string &source)
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '?') {
            if (i < source.size())
                out += source[i];
        } else if (pattern[i] == '*') {
            if (i < source.size())
                out += source.substr(i);
            break;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string Target(const std::string &destination, const std::string &sourceFile)
{
    std::string dn, de, sn, se;
    SplitName(FilePart(destination), dn, de);
    SplitName(sourceFile, sn, se);
    const std::string name = Fill(dn, sn), ext = Fill(de, se);
    return DirectoryPart(destination) + name + (ext.empty() ? "" : "." + ext);
}

bool CopyFile(const std::string &from, const std::string &to)
{
    if (::strcasecmp(from.c_str(), to.c_str()) == 0)
        return false;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    char block[4096];
    off_t copied = 0;
    bool ok = true;
    while (ok && copied < st.st_size) {
        const ssize_t got = ::read(in, block, sizeof block);
        if (got <= 0) {
            ok = got == 0 ? copied == st.st_size : false;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, block + done, static_cast<size_t>(got - done));
            if (put <= 0) {
                ok = false;
                break;
            }
            done += put;
        }
        copied += got;
    }
    if (ok) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    ::close(in);
    if (::close(out) != 0)
        ok = false;
    if (!ok)
        ::unlink(to.c_str());
    return ok;
}

bool Apply(Op op, const std::string &from, const std::string &to)
{
    switch (op) {
    case Op::Delete:
        return !IsDir(from) && ::unlink(from.c_str()) == 0;
    case Op::Rename:
        return ::rename(from.c_str(), to.c_str()) == 0;
    case Op::Copy:
        return CopyFile(from, to);
    }
    return false;
}

void Operation(Interp &in, Op op)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const std::string sourceText = ReadText(in, 1);
    const std::string destinationText = op == Op::Delete ? std::string() : ReadText(in, 2);
    const std::string source = Prepare(sourceText);
    const std::string destination = Prepare(destinationText);
    const std::string dir = DirectoryPart(source), pattern = FilePart(source);
    int result = 1;
    if (!HasWildcards(pattern)) {
        result = Apply(op, source, Target(destination, pattern)) ? 1 : 0;
    } else {
        for (const std::string &entry : MatchingEntries(dir, pattern, true)) {
            if (!Apply(op, dir + entry, Target(destination, entry))) {
                result = 0;
                break;
            }
        }
    }
    SetVariableNumber(in, name, result);
}

} // namespace

void CmdFileDelete(Interp &in)
{
    Operation(in, Op::Delete);
}
void CmdFileCopy(Interp &in)
{
    Operation(in, Op::Copy);
}
void CmdFileRename(Interp &in)
{
    Operation(in, Op::Rename);
}

} // namespace zscript

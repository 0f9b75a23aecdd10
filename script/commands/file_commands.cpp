// File commands: slots (FILEOPEN, FILECREATE, FILEAPPEND, FILECLOSE,
// FILEREAD, FILEWRITE, FILEEOF), sizes, existence, searches, names,
// attributes, temporary names and the slot listing.
#include "script/commands/names.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace zscript {

namespace {

constexpr int kReadOnly = 1, kHidden = 2, kDirectory = 16, kArchive = 32;

void OpenCommand(Interp &in, int mode)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const std::string file = ReadText(in, 1);
    uint8_t slot = OpenFileSlot(in, file, mode);
    if (mode == 2 && slot != kNoSlot) {
        if (VEXFileSetPos(in.slots[slot], VEXFileSize(in.slots[slot])) == 0 &&
            VEXFileGetPos(in.slots[slot]) != VEXFileSize(in.slots[slot])) {
            CloseFileSlot(in, slot);
            slot = kNoSlot;
        }
    }
    if (mode == 2 && slot == kNoSlot)
        slot = OpenFileSlot(in, file, 1);
    SetVariableNumber(in, name, slot == kNoSlot ? 0 : 5000 + slot);
}

// The attribute bits of one entry; -1 when it does not exist.
int Attributes(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    int bits = S_ISDIR(st.st_mode) ? kDirectory : (S_ISREG(st.st_mode) ? kArchive : 0);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        bits |= kReadOnly;
    const std::string name = FilePart(path.back() == '/' ? path.substr(0, path.size() - 1) : path);
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        bits |= kHidden;
    return bits;
}

std::string Base32(uint32_t v)
{
    std::string s;
    do {
        s.insert(s.begin(), "0123456789abcdefghijklmnopqrstuv"[v % 32]);
        v /= 32;
    } while (v);
    return s;
}

void NextFound(Interp &in, const std::string &name)
{
    if (in.foundNext < in.found.size()) {
        SetVariable(in, name, in.foundDir + in.found[in.foundNext++]);
        return;
    }
    in.found.clear();
    in.foundNext = 0;
    SetVariable(in, name, {});
}

} // namespace

void CmdFileOpen(Interp &in)
{
    OpenCommand(in, 0);
}
void CmdFileCreate(Interp &in)
{
    OpenCommand(in, 1);
}
void CmdFileAppend(Interp &in)
{
    OpenCommand(in, 2);
}

void CmdFileClose(Interp &in)
{
    std::string name = ReadName(in);
    const std::string value(GetVariable(in, name));
    CloseFileSlot(in, CheckFile(in, ToNumber(value)));
    SetVariable(in, name, {});
}

void CmdFileRead(Interp &in)
{
    const std::string name = ReadName(in);
    const uint8_t slot = CheckFile(in, ReadNumber(in, 1));
    char line[255];
    VEXFileGetLine(in.slots[slot], line, sizeof line);
    SetVariable(in, name, line);
}

void CmdFileWrite(Interp &in)
{
    const uint8_t slot = CheckFile(in, ReadNumber(in));
    std::string text = ReadValue(in, 1);
    text += "\r\n";
    VEXFilePut(in.slots[slot], text.data(), static_cast<uint32_t>(text.size()));
}

void CmdFileEof(Interp &in)
{
    const std::string name = ReadName(in);
    const uint8_t slot = CheckFile(in, ReadNumber(in, 1));
    SetVariableNumber(in, name, VEXFileAtEnd(in.slots[slot]) ? 1 : 0);
}

void CmdFileSize(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const std::string text = ReadText(in, 1);
    if (IsNumber(text)) {
        const int32_t n = ToNumber(text);
        if (n >= 5000 && n < 5000 + kFileSlots && in.slots[n - 5000]) {
            SetVariable(in, name, std::to_string(VEXFileSize(in.slots[n - 5000])));
            return;
        }
    }
    uint64_t size = 0;
    const int fd = ::open(ResolveName(text).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
            size = static_cast<uint64_t>(st.st_size);
        ::close(fd);
    }
    SetVariable(in, name, std::to_string(size));
}

void CmdFileExists(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const uint8_t slot = OpenFileSlot(in, ReadText(in, 1), 0);
    if (slot != kNoSlot)
        CloseFileSlot(in, slot);
    SetVariableNumber(in, name, slot != kNoSlot ? 1 : 0);
}

void CmdFileFind(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    std::string pattern = ReadValue(in, 1);
    if (pattern.empty())
        pattern = "*.*";
    pattern = ResolveName(pattern);
    struct stat st {};
    if (!HasWildcards(pattern) && ::stat(pattern.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (pattern.back() != '/')
            pattern += '/';
        pattern += "*.*";
    }
    in.foundDir = DirectoryPart(pattern);
    const std::string file = FilePart(pattern);
    in.found = MatchingEntries(in.foundDir, file.empty() ? "*.*" : file, false);
    in.foundNext = 0;
    NextFound(in, name);
}

void CmdFileFindNext(Interp &in)
{
    RefuseInSandbox(in);
    NextFound(in, ReadName(in));
}

void CmdFileFullPath(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    SetVariable(in, name, FullPath(ReadText(in, 1)));
}

void CmdFilePieces(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const int32_t drive = ReadNumber(in, 1);
    const int32_t directory = ReadNumber(in, 1);
    const int32_t file = ReadNumber(in, 1);
    const int32_t extension = ReadNumber(in, 1);
    char path[kTextMax + 1];
    const std::string resolved = ResolveName(ReadText(in, 1)).substr(0, kTextMax);
    std::memcpy(path, resolved.c_str(), resolved.size() + 1);
    GetFilePieces(path, drive, directory, file, extension);
    SetVariable(in, name, path);
}

void CmdFileGetAttrib(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    std::string path = ResolveName(ReadText(in, 1));
    if (HasWildcards(FilePart(path))) {
        const std::vector<std::string> m = MatchingEntries(DirectoryPart(path), FilePart(path), false);
        path = m.empty() ? std::string() : DirectoryPart(path) + m.front();
    }
    const int bits = path.empty() ? -1 : Attributes(path);
    SetVariableNumber(in, name, bits < 0 ? 0 : bits);
}

void CmdFileSetAttrib(Interp &in)
{
    RefuseInSandbox(in);
    const std::string path = ResolveName(ReadText(in));
    const int32_t bits = ReadNumber(in, 1);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return;
    mode_t mode = st.st_mode & 07777;
    if (bits & kReadOnly)
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        mode |= S_IWUSR;
    ::chmod(path.c_str(), mode);
}

void CmdFileTemp(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    std::string path = ResolveName(ReadText(in, 1));
    struct stat st {};
    if (!path.empty() && path.back() != '/' && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        path += '/';
    const std::string base =
        DirectoryPart(path) + FilePart(path).substr(0, 3) + "s" + Base32(static_cast<uint32_t>(::getpid())) + ".";
    std::string result;
    for (uint32_t counter = 0; counter < 100000; ++counter) {
        result = base + std::to_string(counter);
        if (::lstat(result.c_str(), &st) != 0)
            break;
    }
    SetVariable(in, name, result);
}

void CmdFileList(Interp &in)
{
    NeedWindow(in);
    for (int i = 0; i < kFileSlots; ++i) {
        if (!in.slots[i])
            continue;
        char file[128];
        VEXFileGetName(in.slots[i], file);
        ListLine(in, "Number: " + std::to_string(5000 + i) + "  File: " + file);
    }
}

} // namespace zscript

// Directories and drives: DIRCHANGE, DIREXISTS, DIRCURRENT, DIRMAKE,
// DIRREMOVE, DRIVEAVAIL, DRIVESIZE, and the drive kinds FILECDROM,
// FILEREMOTE, FILEREMOVABLE (from the mount table).
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zscript {

namespace {

enum class DriveKind { Fixed, CdRom, Remote, Removable };

// Mount points are written with octal escapes for blanks.
std::string Unescape(const std::string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        auto octal = [&](size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '7'; };
        if (s[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

DriveKind KindOf(const std::string &path)
{
    std::ifstream mounts("/proc/self/mounts");
    std::string line, bestType, bestSource;
    size_t bestLength = 0;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string source, point, type;
        if (!(fields >> source >> point >> type))
            continue;
        point = Unescape(point);
        const bool inside =
            path == point || point == "/" ||
            (path.compare(0, point.size(), point) == 0 && path.size() > point.size() && path[point.size()] == '/');
        if (inside && point.size() >= bestLength) {
            bestLength = point.size();
            bestType = type;
            bestSource = source;
        }
    }
    if (bestType == "iso9660" || bestType == "udf")
        return DriveKind::CdRom;
    static const char *const kRemote[] = {"nfs", "nfs4", "cifs",       "smb3", "smbfs",    "ncpfs",
                                          "afs", "9p",   "fuse.sshfs", "ceph", "glusterfs"};
    for (const char *r : kRemote)
        if (bestType == r)
            return DriveKind::Remote;
    // A block device whose disk the kernel marks removable.
    if (bestSource.rfind("/dev/", 0) == 0) {
        std::string dev = bestSource.substr(5);
        for (std::string disk = dev; !disk.empty(); disk.pop_back()) {
            std::ifstream removable("/sys/block/" + disk + "/removable");
            int flag = 0;
            if (removable >> flag)
                return flag ? DriveKind::Removable : DriveKind::Fixed;
        }
    }
    return DriveKind::Fixed;
}

void KindCommand(Interp &in, DriveKind kind)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const std::string path = FullPath(ReadText(in, 1));
    SetVariableNumber(in, name, !path.empty() && KindOf(path) == kind ? 1 : 0);
}

void SpaceCommand(Interp &in, bool total)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const std::string path = FullPath(ReadText(in, 1));
    struct statvfs vfs {};
    uint64_t bytes = 0;
    if (!path.empty() && ::statvfs(path.c_str(), &vfs) == 0)
        bytes = static_cast<uint64_t>(total ? vfs.f_blocks : vfs.f_bavail) * vfs.f_frsize;
    SetVariable(in, name, std::to_string(bytes));
}

// DIRCHANGE (stay in the directory) and DIREXISTS.
void DirectoryCommand(Interp &in, bool stay)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    char path[kTextMax + 1];
    const std::string n = ResolveName(ReadText(in, 1)).substr(0, kTextMax);
    std::memcpy(path, n.c_str(), n.size() + 1);
    SetVariableNumber(in, name, IsDirectory(path, stay ? 1 : 0) ? 1 : 0);
}

} // namespace

void CmdDirChange(Interp &in)
{
    DirectoryCommand(in, true);
}
void CmdDirExists(Interp &in)
{
    DirectoryCommand(in, false);
}

void CmdDirCurrent(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    char path[4096];
    SetVariable(in, name, ::getcwd(path, sizeof path) ? std::string(path).substr(0, kTextMax) : std::string());
}

void CmdDirMake(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const std::string path = ResolveName(ReadText(in, 1));
    SetVariableNumber(in, name, ::mkdir(path.c_str(), 0777) == 0 ? 1 : 0);
}

void CmdDirRemove(Interp &in)
{
    RefuseInSandbox(in);
    const std::string name = ReadName(in);
    const std::string path = ResolveName(ReadText(in, 1));
    SetVariableNumber(in, name, ::rmdir(path.c_str()) == 0 ? 1 : 0);
}

void CmdDriveAvail(Interp &in)
{
    SpaceCommand(in, false);
}
void CmdDriveSize(Interp &in)
{
    SpaceCommand(in, true);
}
void CmdFileCdRom(Interp &in)
{
    KindCommand(in, DriveKind::CdRom);
}
void CmdFileRemote(Interp &in)
{
    KindCommand(in, DriveKind::Remote);
}
void CmdFileRemovable(Interp &in)
{
    KindCommand(in, DriveKind::Removable);
}

} // namespace zscript

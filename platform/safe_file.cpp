// Output files appear only when complete: written under a temporary name in
// the target's directory, then renamed over the target.
#include "platform/fdio.h"
#include "platform/last_error.h"
#include "platform/platform.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct PlatformSafeFile {
    std::string target; // the name the user gave, for messages
    std::string real;   // what is replaced: the target, or the file a symbolic link points to
    std::string path;   // the temporary file
    int fd = -1;

    ~PlatformSafeFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!path.empty()) {
            ::unlink(path.c_str());
            PlatformCleanupRemove(path.c_str());
        }
    }
};

using zorb::platform::ReasonText;

extern "C" PlatformSafeFile *PlatformSafeCreate(const char *target)
{
    zorb::platform::ClearLastError();
    if (!target || !*target) {
        zorb::platform::SetLastError("Error: no output file name.");
        return nullptr;
    }
    const std::string name = target;
    // A symbolic link stays: the file it points to is replaced.
    std::string real = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat lst {};
        if (::lstat(real.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode))
            break;
        std::vector<char> link(4096);
        const ssize_t n = ::readlink(real.c_str(), link.data(), link.size() - 1);
        if (n <= 0)
            break;
        const std::string to(link.data(), static_cast<size_t>(n));
        const size_t cut = real.find_last_of('/');
        real = to[0] == '/' || cut == std::string::npos ? to : real.substr(0, cut + 1) + to;
    }
    std::string dir = ".", base = real;
    const size_t slash = real.find_last_of('/');
    if (slash != std::string::npos) {
        dir = slash == 0 ? "/" : real.substr(0, slash);
        base = real.substr(slash + 1);
    }
    struct stat st {};
    const bool exists = ::stat(real.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        zorb::platform::SetLastError("Error creating " + name + ": " + ReasonText(EISDIR));
        return nullptr;
    }
    const std::string pattern = (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".part-XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    // Registered before it exists, so no signal can leave it behind.
    sigset_t all, old;
    sigfillset(&all);
    ::sigprocmask(SIG_BLOCK, &all, &old);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    const int saved = errno;
    if (fd >= 0)
        PlatformCleanupAdd(temp.data(), 0);
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    if (fd < 0) {
        zorb::platform::SetLastError("Error creating " + name + ": " + ReasonText(saved));
        return nullptr;
    }
    if (exists && S_ISREG(st.st_mode)) {
        // A replaced file keeps its permissions, owner and group.
        (void)::fchown(fd, st.st_uid, st.st_gid);
        (void)::fchmod(fd, st.st_mode & 07777);
    } else {
        // mkstemp makes the file private; a new file gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        (void)::fchmod(fd, 0666 & ~mask);
    }
    auto *f = new PlatformSafeFile;
    f->target = name;
    f->real = real;
    f->path = temp.data();
    f->fd = fd;
    return f;
}

extern "C" int PlatformSafeFd(const PlatformSafeFile *f)
{
    return f ? f->fd : -1;
}

extern "C" const char *PlatformSafePath(const PlatformSafeFile *f)
{
    return f ? f->path.c_str() : "";
}

extern "C" int PlatformSafeWrite(PlatformSafeFile *f, const void *data, size_t size)
{
    return f && f->fd >= 0 && (size == 0 || zorb::platform::writeAll(f->fd, data, size));
}

extern "C" int PlatformSafeCommit(PlatformSafeFile *f, uint64_t expectedSize)
{
    zorb::platform::ClearLastError();
    if (!f) {
        zorb::platform::SetLastError("Error: no output file.");
        return 0;
    }
    std::unique_ptr<PlatformSafeFile> owned(f); // removed unless renamed
    struct stat st {};
    if (::stat(f->path.c_str(), &st) != 0) {
        zorb::platform::SetLastError("Error writing " + f->target + ": " + ReasonText(errno));
        return 0;
    }
    if (expectedSize != PLATFORM_SAFE_ANY_SIZE) {
        if (static_cast<uint64_t>(st.st_size) > expectedSize) {
            if (::truncate(f->path.c_str(), static_cast<off_t>(expectedSize)) != 0)
                st.st_size = 0;
            else
                st.st_size = static_cast<off_t>(expectedSize);
        }
        if (static_cast<uint64_t>(st.st_size) != expectedSize) {
            zorb::platform::SetLastError("Error writing " + f->target + ": " + ReasonText(ENOSPC));
            return 0;
        }
    }
    // A failed close is the last word on data that never reached the disk.
    const int fd = f->fd;
    f->fd = -1;
    if (::close(fd) != 0) {
        zorb::platform::SetLastError("Error writing " + f->target + ": " + ReasonText(errno));
        return 0;
    }
    if (std::rename(f->path.c_str(), f->real.c_str()) != 0) {
        zorb::platform::SetLastError("Error creating " + f->target + ": " + ReasonText(errno));
        return 0;
    }
    PlatformCleanupRemove(f->path.c_str());
    f->path.clear();
    return 1;
}

extern "C" void PlatformSafeDiscard(PlatformSafeFile *f)
{
    delete f;
}

// Output files appear only when complete: written under a temporary name in
// the target's directory, then renamed over the target.
#include "platform/fdio.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct PlatformSafeFile {
    std::string target, path;
    int fd = -1;

    ~PlatformSafeFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!path.empty())
            ::unlink(path.c_str());
    }
};

namespace {

void setError(char *error, size_t size, const std::string &text)
{
    if (error && size) {
        const size_t n = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(error, text.data(), n);
        error[n] = '\0';
    }
}

} // namespace

extern "C" PlatformSafeFile *PlatformSafeCreate(const char *target, char *error, size_t errorSize)
{
    if (!target || !*target) {
        setError(error, errorSize, "Error: no output file name.");
        return nullptr;
    }
    const std::string name = target;
    std::string dir = ".", base = name;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) {
        dir = slash == 0 ? "/" : name.substr(0, slash);
        base = name.substr(slash + 1);
    }
    struct stat st {};
    if (::stat(target, &st) == 0 && S_ISDIR(st.st_mode)) {
        setError(error, errorSize, "Error: the output " + name + " is a directory.");
        return nullptr;
    }
    const std::string pattern = (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".part-XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        setError(error, errorSize, "Error creating the output file " + name + ": " + std::strerror(errno));
        return nullptr;
    }
    // mkstemp makes the file private; the result gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd, 0666 & ~mask);
    auto *f = new PlatformSafeFile;
    f->target = name;
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

extern "C" int PlatformSafeCommit(PlatformSafeFile *f, uint64_t expectedSize, char *error, size_t errorSize)
{
    if (!f)
        return 0;
    std::unique_ptr<PlatformSafeFile> owned(f); // removed unless renamed
    struct stat st {};
    if (::stat(f->path.c_str(), &st) != 0) {
        setError(error, errorSize, "Error writing the output file " + f->target + ".");
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
            setError(error, errorSize, "Error writing the output file " + f->target + " (disk full?).");
            return 0;
        }
    }
    // A failed close is the last word on data that never reached the disk.
    const int fd = f->fd;
    f->fd = -1;
    if (::close(fd) != 0) {
        setError(error, errorSize, "Error writing the output file " + f->target + ": " + std::strerror(errno));
        return 0;
    }
    if (std::rename(f->path.c_str(), f->target.c_str()) != 0) {
        setError(error, errorSize, "Error replacing " + f->target + ": " + std::strerror(errno));
        return 0;
    }
    f->path.clear();
    return 1;
}

extern "C" void PlatformSafeDiscard(PlatformSafeFile *f)
{
    delete f;
}

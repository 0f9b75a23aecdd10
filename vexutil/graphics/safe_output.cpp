// Outputs that appear only when complete (see safe_output.h).
#include "vexutil/graphics/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vex {

bool SafeOutput::Begin(const std::string &target, std::string *error)
{
    Discard();
    struct stat st;
    if (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (error) *error = "it is a directory";
        return false;
    }
    const size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = dir + "." + base + ".part-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    // The permissions a newly created file would get.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    target_ = target;
    temp_ = name.data();
    return true;
}

bool SafeOutput::Commit(std::string *error)
{
    if (temp_.empty()) return false;
    if (rename(temp_.c_str(), target_.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        Discard();
        return false;
    }
    temp_.clear();
    return true;
}

void SafeOutput::Discard()
{
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
}

bool WriteFileSafely(const std::string &target, const void *data, size_t size, std::string *error)
{
    SafeOutput out;
    if (!out.Begin(target, error)) return false;
    int fd;
    do fd = open(out.TempPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    const uint8_t *p = static_cast<const uint8_t *>(data);
    size_t left = size;
    int err = 0;
    while (left > 0) {
        const ssize_t w = write(fd, p, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            err = w < 0 ? errno : ENOSPC;
            break;
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    if (close(fd) != 0 && !err) err = errno;
    if (err) {
        if (error) *error = std::strerror(err);
        return false;
    }
    return out.Commit(error);
}

}  // namespace vex

// Output files appear only when complete: written under a temporary name in
// the target's directory, then renamed over the target.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "encoder/writer_internal.h"

namespace zenc {

bool TempOutput::Create(const std::string &target, std::string &error) {
    Discard();
    if (target.empty()) {
        error = "Error: no output file name.";
        return false;
    }
    std::string dir = ".", base = target;
    const size_t slash = target.find_last_of('/');
    if (slash != std::string::npos) {
        dir = slash == 0 ? "/" : target.substr(0, slash);
        base = target.substr(slash + 1);
    }
    struct stat st;
    if (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = "Error: the output " + target + " is a directory.";
        return false;
    }
    std::string pattern = (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".part-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "Error creating the output file " + target + ": " + std::strerror(errno);
        return false;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    target_ = target;
    path_ = name.data();
    return true;
}

bool TempOutput::Commit(uint64_t expectedSize, std::string &error) {
    struct stat st;
    if (path_.empty() || stat(path_.c_str(), &st) != 0) {
        error = "Error writing the output file " + target_ + ".";
        Discard();
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > expectedSize) {
        if (truncate(path_.c_str(), static_cast<off_t>(expectedSize)) != 0) st.st_size = 0;
        else st.st_size = static_cast<off_t>(expectedSize);
    }
    if (static_cast<uint64_t>(st.st_size) != expectedSize) {
        error = "Error writing the output file " + target_ + " (disk full?).";
        Discard();
        return false;
    }
    if (rename(path_.c_str(), target_.c_str()) != 0) {
        error = "Error replacing " + target_ + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    path_.clear();
    return true;
}

void TempOutput::Discard() {
    if (!path_.empty()) unlink(path_.c_str());
    path_.clear();
}

}  // namespace zenc

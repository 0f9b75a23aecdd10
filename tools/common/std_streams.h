// "-" for standard input and standard output in tools whose readers and
// writers work on files: the input stream is first kept in a temporary file
// (sound readers seek), and the output is written to a temporary file that is
// sent to standard output when complete. Both temporary files live in
// $TMPDIR (else /tmp), are removed at the end and by the interrupt rule.
#ifndef ZORB_TOOLS_COMMON_STD_STREAMS_H
#define ZORB_TOOLS_COMMON_STD_STREAMS_H

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fdio.h"
#include "platform/platform.h"

namespace tool {

class StreamFile {
public:
    StreamFile() = default;
    StreamFile(const StreamFile &) = delete;
    StreamFile &operator=(const StreamFile &) = delete;
    ~StreamFile()
    {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
            PlatformCleanupRemove(path_.c_str());
        }
    }

    // Makes the temporary file (extension ext, for readers that go by it).
    bool Make(const char *ext, std::string &error)
    {
        const char *dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/zorblax-stream-XXXXXX" + ext;
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int fd = ::mkstemps(name.data(), static_cast<int>(std::strlen(ext)));
        if (fd < 0) {
            error = std::string("Error creating a temporary file in ") + (dir && *dir ? dir : "/tmp") + ": " +
                    std::strerror(errno);
            return false;
        }
        ::close(fd);
        path_ = name.data();
        PlatformCleanupAdd(path_.c_str(), 0);
        return true;
    }

    // Standard input, whole, into the file.
    bool TakeStandardInput(std::string &error)
    {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0)
            return Failed(error, "Error reading standard input");
        std::vector<char> buf(1 << 16);
        for (;;) {
            const long got = zorb::platform::readUpTo(0, buf.data(), buf.size());
            if (got < 0) {
                ::close(fd);
                return Failed(error, "Error reading standard input");
            }
            if (got == 0)
                break;
            if (!zorb::platform::writeAll(fd, buf.data(), static_cast<size_t>(got))) {
                ::close(fd);
                return Failed(error, "Error writing " + path_);
            }
        }
        return ::close(fd) == 0 || Failed(error, "Error writing " + path_);
    }

    // The file, whole, to standard output.
    bool SendToStandardOutput(std::string &error)
    {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return Failed(error, "Error reading " + path_);
        std::vector<char> buf(1 << 16);
        bool ok = true;
        for (;;) {
            const long got = zorb::platform::readUpTo(fd, buf.data(), buf.size());
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            if (!zorb::platform::writeAll(1, buf.data(), static_cast<size_t>(got))) {
                ::close(fd);
                return Failed(error, "Error writing standard output");
            }
        }
        ::close(fd);
        return ok || Failed(error, "Error reading " + path_);
    }

    const std::string &Path() const { return path_; }

private:
    bool Failed(std::string &error, const std::string &what)
    {
        error = what + ": " + std::strerror(errno);
        return false;
    }
    std::string path_;
};

} // namespace tool

#endif

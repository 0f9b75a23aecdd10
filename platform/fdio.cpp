#include "platform/fdio.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorb::platform {

bool writeAll(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    // Sockets are written with send() so a vanished peer gives EPIPE, not SIGPIPE.
    struct stat st {};
    const bool isSocket = fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
    while (size > 0) {
        const ssize_t w = isSocket ? ::send(fd, p, size, MSG_NOSIGNAL) : ::write(fd, p, size);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        size -= static_cast<size_t>(w);
    }
    return true;
}

long readUpTo(int fd, void *data, size_t size)
{
    char *p = static_cast<char *>(data);
    size_t got = 0;
    while (got < size) {
        const ssize_t r = ::read(fd, p + got, size - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return got ? static_cast<long>(got) : -1;
        if (r == 0)
            break;
        got += static_cast<size_t>(r);
    }
    return static_cast<long>(got);
}

} // namespace zorb::platform

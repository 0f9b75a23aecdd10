// The front-end link, client side: one Unix-domain stream connection per
// message. Request: 32-bit code, 32-bit byte count, the bytes (numbers
// little-endian). Answer: a 32-bit number, except for the title query, whose
// answer is the title text up to the end of the connection.
#include "platform/byte_order.h"
#include "platform/fdio.h"
#include "platform/platform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::atomic<uint32_t> g_timeoutSeconds{10};

constexpr size_t kMaxTitle = 1024;

class LinkSocket {
public:
    explicit LinkSocket(uint32_t frontEnd)
    {
        if (frontEnd == 0)
            return;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (PlatformLinkPath(frontEnd, addr.sun_path, sizeof addr.sun_path) == 0)
            return;
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return;
        timeval tv{};
        tv.tv_sec = static_cast<time_t>(g_timeoutSeconds.load());
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        int rc;
        do
            rc = ::connect(fd_, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            // No socket (or nobody listening) means no front end: carry on silently.
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~LinkSocket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LinkSocket(const LinkSocket &) = delete;
    LinkSocket &operator=(const LinkSocket &) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    bool sendMessage(uint32_t code, const void *data, uint32_t size)
    {
        unsigned char head[8];
        ZbxPut32(head, code);
        ZbxPut32(head + 4, data ? size : 0);
        if (!zorb::platform::writeAll(fd_, head, sizeof head))
            return false;
        if (data && size && !zorb::platform::writeAll(fd_, data, size))
            return false;
        ::shutdown(fd_, SHUT_WR);
        return true;
    }

private:
    int fd_ = -1;
};

} // namespace

extern "C" size_t PlatformLinkPath(uint32_t frontEnd, char *path, size_t size)
{
    if (!path || size == 0)
        return 0;
    std::string p;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/')
        p = std::string(runtime) + "/zorblax";
    else
        p = "/tmp/zorblax-" + std::to_string(static_cast<unsigned long>(getuid()));
    p += "/link-" + std::to_string(frontEnd) + ".sock";
    if (p.size() + 1 > size)
        return 0;
    std::memcpy(path, p.c_str(), p.size() + 1);
    return p.size();
}

extern "C" int PlatformLinkSend(uint32_t frontEnd, uint32_t code, const void *data, uint32_t size, uint32_t *answer)
{
    LinkSocket s(frontEnd);
    if (!s.ok() || !s.sendMessage(code, data, size))
        return 0;
    unsigned char reply[4];
    if (zorb::platform::readUpTo(s.fd(), reply, sizeof reply) != 4)
        return 0;
    if (answer)
        *answer = ZbxGet32(reply);
    return 1;
}

extern "C" int PlatformLinkTitle(uint32_t frontEnd, char *title, size_t size)
{
    if (!title || size == 0)
        return 0;
    title[0] = '\0';
    LinkSocket s(frontEnd);
    if (!s.ok() || !s.sendMessage(PLATFORM_LINK_TITLE, nullptr, 0))
        return 0;
    char buf[kMaxTitle];
    const long n = zorb::platform::readUpTo(s.fd(), buf, sizeof buf);
    if (n < 0)
        return 0;
    size_t len = static_cast<size_t>(n);
    if (const void *nul = std::memchr(buf, '\0', len))
        len = static_cast<size_t>(static_cast<const char *>(nul) - buf);
    if (len > size - 1)
        len = size - 1;
    std::memcpy(title, buf, len);
    title[len] = '\0';
    return 1;
}

extern "C" uint32_t PlatformLinkAttach(uint32_t frontEnd, int *titleMatched)
{
    static const char kTitle[] = "Zorblax for Windows";
    if (titleMatched)
        *titleMatched = 0;
    if (frontEnd == 0)
        return 0;
    char title[32]; // the first 31 characters, as the window title was read
    if (!PlatformLinkTitle(frontEnd, title, sizeof title))
        return frontEnd; // no front end: the report at the end goes nowhere, silently
    if (std::strncmp(title, kTitle, sizeof kTitle - 1) != 0)
        return frontEnd;
    if (titleMatched)
        *titleMatched = 1;
    uint32_t answer = 0;
    if (PlatformLinkSend(frontEnd, PLATFORM_LINK_HELLO, nullptr, 0, &answer) && answer == PLATFORM_LINK_FORGET)
        return 0;
    return frontEnd;
}

extern "C" int PlatformLinkReport(uint32_t frontEnd, const char *text)
{
    if (!text)
        return 0;
    const size_t len = std::strlen(text) + 1;
    if (len > UINT32_MAX)
        return 0;
    uint32_t answer = 0;
    return PlatformLinkSend(frontEnd, PLATFORM_LINK_REPORT, text, static_cast<uint32_t>(len), &answer) && answer == 1;
}

extern "C" void PlatformLinkSetTimeout(uint32_t seconds)
{
    g_timeoutSeconds.store(seconds ? seconds : 1);
}

// The front-end link, server side: the front end's listening socket. One
// epoll descriptor covers the listening socket and every unfinished
// connection, so an event loop watches a single descriptor and calls
// PlatformLinkServerServe when it is readable; nothing here blocks.
#include "platform/byte_order.h"
#include "platform/fdio.h"
#include "platform/last_error.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kMaxMessage = 16u << 20; // larger claims drop the connection
constexpr size_t kMaxConnections = 64;      // more at once are refused
constexpr size_t kMaxTitle = 1024;

struct Connection {
    unsigned char head[8] = {};
    size_t got = 0; // bytes of head + data received
    std::vector<unsigned char> data;
};

// The directory that holds the socket must be ours and private: under /tmp
// anyone could have made it first.
bool privateDirectory(const std::string &dir)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        errno = EPERM; // someone else's, or not a directory
        return false;
    }
    return (st.st_mode & 077) == 0 || ::chmod(dir.c_str(), 0700) == 0;
}

// A socket file nobody listens on is what a crashed front end leaves behind.
bool clearStaleSocket(const sockaddr_un &addr)
{
    struct stat st {};
    if (::lstat(addr.sun_path, &st) != 0)
        return errno == ENOENT;
    if (!S_ISSOCK(st.st_mode)) {
        errno = EEXIST;
        return false;
    }
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool live = ::connect(probe, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) == 0;
    ::close(probe);
    if (live)
        errno = EADDRINUSE; // another front end answers there
    return !live && ::unlink(addr.sun_path) == 0;
}

} // namespace

struct PlatformLinkServer {
    uint32_t frontEnd = 0;
    std::string path;
    ino_t inode = 0;
    int listenFd = -1;
    int pollFd = -1;
    PlatformLinkHandlers handlers{};
    void *context = nullptr;
    std::map<int, Connection> connections;

    ~PlatformLinkServer()
    {
        for (auto &c : connections)
            ::close(c.first);
        if (pollFd >= 0)
            ::close(pollFd);
        if (listenFd >= 0) {
            ::close(listenFd);
            // Remove the socket only when it is still the one we made.
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0 && st.st_ino == inode)
                ::unlink(path.c_str());
        }
    }

    bool listen()
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (PlatformLinkPath(frontEnd, addr.sun_path, sizeof addr.sun_path) == 0)
            return false;
        path = addr.sun_path;
        if (!privateDirectory(path.substr(0, path.rfind('/'))) || !clearStaleSocket(addr))
            return false;
        listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listenFd < 0 || ::bind(listenFd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
            if (listenFd >= 0)
                ::close(listenFd);
            listenFd = -1;
            return false;
        }
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0)
            inode = st.st_ino;
        pollFd = ::epoll_create1(EPOLL_CLOEXEC);
        return ::listen(listenFd, 16) == 0 && pollFd >= 0 && watch(listenFd);
    }

    bool watch(int fd)
    {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        return ::epoll_ctl(pollFd, EPOLL_CTL_ADD, fd, &ev) == 0;
    }

    void drop(int fd)
    {
        ::epoll_ctl(pollFd, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        connections.erase(fd);
    }

    void acceptPending()
    {
        for (;;) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                return;
            }
            if (connections.size() >= kMaxConnections || !watch(fd)) {
                ::close(fd);
                continue;
            }
            connections.emplace(fd, Connection{});
        }
    }

    // Reads what has arrived; true when the message is complete.
    bool receive(int fd, Connection &c, bool &broken)
    {
        broken = false;
        for (;;) {
            unsigned char *dst;
            size_t want;
            if (c.got < sizeof c.head) {
                dst = c.head + c.got;
                want = sizeof c.head - c.got;
            } else {
                const size_t have = c.got - sizeof c.head;
                if (have == c.data.size())
                    return true;
                dst = c.data.data() + have;
                want = c.data.size() - have;
            }
            const ssize_t r = ::recv(fd, dst, want, 0);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return false;
            if (r <= 0) {
                broken = true;
                return false;
            }
            const bool headDone = c.got < sizeof c.head && c.got + static_cast<size_t>(r) == sizeof c.head;
            c.got += static_cast<size_t>(r);
            if (headDone) {
                const uint32_t size = ZbxGet32(c.head + 4);
                if (size > kMaxMessage) {
                    broken = true;
                    return false;
                }
                c.data.resize(size);
            }
        }
    }

    void answer(int fd, const Connection &c)
    {
        const uint32_t code = ZbxGet32(c.head);
        const auto size = static_cast<uint32_t>(c.data.size());
        const void *data = c.data.empty() ? nullptr : c.data.data();
        const PlatformLinkHandlers &h = handlers;
        if (h.received)
            h.received(context, code, data, size);
        std::string reply;
        uint32_t number = 0;
        switch (code) {
        case PLATFORM_LINK_TITLE: {
            char title[kMaxTitle];
            size_t n = h.title ? h.title(context, title, sizeof title) : 0;
            reply.assign(title, n < sizeof title ? n : sizeof title);
            break;
        }
        case PLATFORM_LINK_HELLO:
            number = h.hello ? h.hello(context) : 0;
            break;
        case PLATFORM_LINK_REPORT: {
            std::string text(c.data.begin(), c.data.end());
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            number = h.report ? h.report(context, text.c_str(), text.size()) : 1;
            break;
        }
        case PLATFORM_LINK_RESTORE:
            number = h.restore ? h.restore(context) : 0;
            break;
        default:
            number = h.other ? h.other(context, code, data, size) : 0;
            break;
        }
        if (code != PLATFORM_LINK_TITLE) {
            unsigned char bytes[4];
            ZbxPut32(bytes, number);
            reply.assign(reinterpret_cast<const char *>(bytes), sizeof bytes);
        }
        // A fresh connection's send buffer always has room for the answer.
        if (!reply.empty())
            (void)::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
};

extern "C" PlatformLinkServer *PlatformLinkServerOpen(uint32_t frontEnd, const PlatformLinkHandlers *handlers,
                                                      void *context)
{
    auto server = std::make_unique<PlatformLinkServer>();
    server->frontEnd = frontEnd ? frontEnd : static_cast<uint32_t>(::getpid());
    if (handlers)
        server->handlers = *handlers;
    server->context = context;
    zorb::platform::ClearLastError();
    if (!server->listen()) {
        const int reason = errno;
        zorb::platform::SetLastError("Error opening the front-end link " + server->path + ": " +
                                     zorb::platform::ReasonText(reason));
        return nullptr;
    }
    return server.release();
}

extern "C" int PlatformLinkServerFd(const PlatformLinkServer *server)
{
    return server ? server->pollFd : -1;
}

extern "C" uint32_t PlatformLinkServerFrontEnd(const PlatformLinkServer *server)
{
    return server ? server->frontEnd : 0;
}

extern "C" const char *PlatformLinkServerPath(const PlatformLinkServer *server)
{
    return server ? server->path.c_str() : "";
}

extern "C" int PlatformLinkServerServe(PlatformLinkServer *server)
{
    if (!server)
        return 0;
    int answered = 0;
    epoll_event events[16];
    for (;;) {
        const int n = ::epoll_wait(server->pollFd, events, 16, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return answered;
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == server->listenFd) {
                server->acceptPending();
                continue;
            }
            const auto it = server->connections.find(fd);
            if (it == server->connections.end())
                continue;
            bool broken = false;
            if (server->receive(fd, it->second, broken)) {
                server->answer(fd, it->second);
                ++answered;
                server->drop(fd);
            } else if (broken) {
                server->drop(fd);
            }
        }
        if (n < 16)
            return answered;
    }
}

extern "C" void PlatformLinkServerClose(PlatformLinkServer *server)
{
    delete server;
}

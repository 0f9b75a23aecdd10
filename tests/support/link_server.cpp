#include "tests/support/link_server.h"

#include "platform/platform.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorb::test {

namespace {

bool readExact(int fd, void *dst, size_t n)
{
    char *p = static_cast<char *>(dst);
    while (n > 0) {
        const ssize_t r = ::read(fd, p, n);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

void writeExact(int fd, const void *src, size_t n)
{
    const char *p = static_cast<const char *>(src);
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        p += w;
        n -= static_cast<size_t>(w);
    }
}

uint32_t le32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

LinkServer::LinkServer(uint32_t frontEnd) : frontEnd_(frontEnd ? frontEnd : static_cast<uint32_t>(getpid()))
{
    answers_[PLATFORM_LINK_REPORT] = 1;
    if (const char *old = std::getenv("XDG_RUNTIME_DIR")) {
        hadRuntime_ = true;
        oldRuntime_ = old;
    }
    const char *tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/zlinkXXXXXX";
    if (!mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    dir_ = templ;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    ::mkdir((dir_ + "/zorblax").c_str(), 0700);
    char path[108];
    if (PlatformLinkPath(frontEnd_, path, sizeof path) == 0)
        throw std::runtime_error("link path too long");
    path_ = path;
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 16) != 0)
        throw std::runtime_error("cannot listen on the link socket");
    if (::pipe(wakePipe_) != 0)
        throw std::runtime_error("pipe failed");
    thread_ = std::thread([this] { run(); });
}

LinkServer::~LinkServer()
{
    const char c = 'x';
    (void)!::write(wakePipe_[1], &c, 1);
    if (thread_.joinable())
        thread_.join();
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    ::unlink(path_.c_str());
    ::rmdir((dir_ + "/zorblax").c_str());
    ::rmdir(dir_.c_str());
    if (hadRuntime_)
        setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

void LinkServer::setTitle(const std::string &title)
{
    std::lock_guard<std::mutex> lock(mutex_);
    title_ = title;
}

void LinkServer::setAnswer(uint32_t code, uint32_t answer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[code] = answer;
}

void LinkServer::setSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(mutex_);
    silent_ = silent;
}

std::vector<LinkMessage> LinkServer::messages() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

bool LinkServer::waitForMessages(size_t count, int ms) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (messages_.size() >= count)
                return true;
        }
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void LinkServer::run()
{
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                serve(fd);
                ::close(fd);
            }
        }
    }
}

void LinkServer::serve(int fd)
{
    unsigned char head[8];
    if (!readExact(fd, head, sizeof head))
        return;
    LinkMessage m;
    m.code = le32(head);
    const uint32_t size = le32(head + 4);
    if (size > (16u << 20))
        return;
    m.data.resize(size);
    if (size && !readExact(fd, m.data.data(), size))
        return;
    std::string title;
    uint32_t answer = 0;
    bool silent;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(m);
        title = title_;
        const auto it = answers_.find(m.code);
        answer = it == answers_.end() ? 0 : it->second;
        silent = silent_;
    }
    if (silent) {
        // Hold the connection until the client gives up (hang-up) or the
        // server stops.
        for (;;) {
            pollfd fds[2] = {{fd, 0, 0}, {wakePipe_[0], POLLIN, 0}};
            const int r = ::poll(fds, 2, 10000);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0 || fds[0].revents || fds[1].revents)
                return;
        }
    }
    if (m.code == PLATFORM_LINK_TITLE) {
        writeExact(fd, title.data(), title.size());
        return;
    }
    unsigned char reply[4] = {static_cast<unsigned char>(answer), static_cast<unsigned char>(answer >> 8),
                              static_cast<unsigned char>(answer >> 16), static_cast<unsigned char>(answer >> 24)};
    writeExact(fd, reply, sizeof reply);
}

} // namespace zorb::test

#include "tests/support/link_server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace zorb::test {

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

    PlatformLinkHandlers h{};
    h.received = &LinkServer::received;
    h.title = &LinkServer::title;
    h.hello = [](void *self) { return number(static_cast<LinkServer *>(self), PLATFORM_LINK_HELLO); };
    h.report = [](void *self, const char *, size_t) {
        return number(static_cast<LinkServer *>(self), PLATFORM_LINK_REPORT);
    };
    h.restore = [](void *self) { return number(static_cast<LinkServer *>(self), PLATFORM_LINK_RESTORE); };
    h.other = [](void *self, uint32_t code, const void *, uint32_t) {
        return number(static_cast<LinkServer *>(self), code);
    };
    server_ = PlatformLinkServerOpen(frontEnd_, &h, this);
    if (!server_)
        throw std::runtime_error("cannot listen on the link socket");
    path_ = PlatformLinkServerPath(server_);
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
    PlatformLinkServerClose(server_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
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

void LinkServer::received(void *self, uint32_t code, const void *data, uint32_t size)
{
    auto *s = static_cast<LinkServer *>(self);
    LinkMessage m;
    m.code = code;
    if (size)
        m.data.assign(static_cast<const unsigned char *>(data), static_cast<const unsigned char *>(data) + size);
    std::lock_guard<std::mutex> lock(s->mutex_);
    s->messages_.push_back(std::move(m));
}

size_t LinkServer::title(void *self, char *title, size_t size)
{
    auto *s = static_cast<LinkServer *>(self);
    std::lock_guard<std::mutex> lock(s->mutex_);
    const size_t n = std::min(size, s->title_.size());
    std::memcpy(title, s->title_.data(), n);
    return n;
}

uint32_t LinkServer::number(LinkServer *self, uint32_t code)
{
    std::lock_guard<std::mutex> lock(self->mutex_);
    const auto it = self->answers_.find(code);
    return it == self->answers_.end() ? 0 : it->second;
}

void LinkServer::run()
{
    for (;;) {
        const auto isSilent = [this] {
            std::lock_guard<std::mutex> lock(mutex_);
            return silent_;
        };
        pollfd fds[2] = {{PlatformLinkServerFd(server_), static_cast<short>(isSilent() ? 0 : POLLIN), 0},
                         {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, 20) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if ((fds[0].revents & POLLIN) && !isSilent())
            PlatformLinkServerServe(server_);
    }
}

} // namespace zorb::test

// An in-process front end for tests: the platform's link server on a thread,
// listening as front end N in a private runtime directory; records every
// message and answers the way the test asks.
#ifndef ZORB_TESTS_SUPPORT_LINK_SERVER_H
#define ZORB_TESTS_SUPPORT_LINK_SERVER_H

#include "platform/platform.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zorb::test {

struct LinkMessage {
    uint32_t code = 0;
    std::vector<unsigned char> data;
    std::string text() const { return std::string(data.begin(), data.end()); }
};

class LinkServer {
public:
    // Points XDG_RUNTIME_DIR at a fresh directory and listens as front end N
    // (by default this process's id). The previous XDG_RUNTIME_DIR comes back
    // on destruction.
    explicit LinkServer(uint32_t frontEnd = 0);
    ~LinkServer();
    LinkServer(const LinkServer &) = delete;
    LinkServer &operator=(const LinkServer &) = delete;

    uint32_t frontEnd() const { return frontEnd_; }
    const std::string &socketPath() const { return path_; }

    void setTitle(const std::string &title);
    // The number answered to a code (codes not set answer 0, a report 1).
    void setAnswer(uint32_t code, uint32_t answer);
    // Stops serving: connections wait unanswered (timeouts).
    void setSilent(bool silent);

    std::vector<LinkMessage> messages() const;
    // Waits up to ms for at least count messages.
    bool waitForMessages(size_t count, int ms) const;

private:
    void run();
    static void received(void *self, uint32_t code, const void *data, uint32_t size);
    static size_t title(void *self, char *title, size_t size);
    static uint32_t number(LinkServer *self, uint32_t code);

    uint32_t frontEnd_;
    std::string dir_, path_, oldRuntime_;
    bool hadRuntime_ = false;
    PlatformLinkServer *server_ = nullptr;
    int wakePipe_[2] = {-1, -1};
    mutable std::mutex mutex_;
    std::string title_ = "Zorblax for Windows";
    std::map<uint32_t, uint32_t> answers_;
    bool silent_ = false;
    std::vector<LinkMessage> messages_;
    std::thread thread_;
};

} // namespace zorb::test

#endif

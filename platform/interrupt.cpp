// The writers' interrupt rule: SIGINT, SIGTERM, SIGHUP and SIGQUIT remove
// every temporary file and every partial output registered here, then end the
// process by the same signal (the shell reports 128 + the signal).
//
// The list is changed only with these signals blocked, so the handler always
// sees it whole; the handler itself calls nothing but unlink, rmdir, signal
// and raise.
#include "platform/platform.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

// One list per process: a program and the shared library it uses share these
// functions (the library exports them), so a signal removes the files of both.
#define ZORB_SHARED __attribute__((visibility("default")))

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

struct Entry {
    char *path;
    int directory;
};

Entry *g_entries = nullptr;
volatile size_t g_count = 0;
size_t g_capacity = 0;
bool g_installed = false;

class Blocked {
public:
    Blocked()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kSignals)
            sigaddset(&set, s);
        ::sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~Blocked() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
    Blocked(const Blocked &) = delete;
    Blocked &operator=(const Blocked &) = delete;

private:
    sigset_t old_;
};

// Files first (newest first), then directories (the innermost was registered last).
void removeAll()
{
    for (size_t i = g_count; i-- > 0;)
        if (!g_entries[i].directory)
            ::unlink(g_entries[i].path);
    for (size_t i = g_count; i-- > 0;)
        if (g_entries[i].directory)
            ::rmdir(g_entries[i].path);
}

void endBy(int sig)
{
    removeAll();
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    ::_exit(128 + sig); // not reached: the default action ends the process
}

void onSignal(int sig)
{
    endBy(sig);
}

} // namespace

extern "C" ZORB_SHARED void PlatformInterruptInstall(void)
{
    if (g_installed)
        return;
    g_installed = true;
    for (int s : kSignals) {
        struct sigaction old {};
        if (::sigaction(s, nullptr, &old) != 0)
            continue;
        // A signal the program (or its parent, for SIGHUP under nohup) set
        // aside keeps its setting.
        if (old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO))
            continue;
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        for (int t : kSignals)
            sigaddset(&sa.sa_mask, t);
        ::sigaction(s, &sa, nullptr);
    }
}

extern "C" ZORB_SHARED void PlatformCleanupAdd(const char *path, int directory)
{
    if (!path || !*path)
        return;
    PlatformInterruptInstall();
    char *copy = ::strdup(path);
    if (!copy)
        return;
    Blocked blocked;
    if (g_count == g_capacity) {
        const size_t capacity = g_capacity ? g_capacity * 2 : 16;
        auto *grown = static_cast<Entry *>(std::realloc(g_entries, capacity * sizeof(Entry)));
        if (!grown) {
            std::free(copy);
            return;
        }
        g_entries = grown;
        g_capacity = capacity;
    }
    g_entries[g_count] = Entry{copy, directory ? 1 : 0};
    g_count = g_count + 1;
}

extern "C" ZORB_SHARED void PlatformCleanupRemove(const char *path)
{
    if (!path)
        return;
    Blocked blocked;
    for (size_t i = g_count; i-- > 0;) {
        if (std::strcmp(g_entries[i].path, path) == 0) {
            std::free(g_entries[i].path);
            for (size_t j = i + 1; j < g_count; ++j)
                g_entries[j - 1] = g_entries[j];
            g_count = g_count - 1;
            return;
        }
    }
}

extern "C" ZORB_SHARED void PlatformInterruptExit(int sig)
{
    Blocked blocked; // the list stays as it is while it is removed
    endBy(sig);
}

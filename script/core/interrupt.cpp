// Interrupts: SIGINT, SIGTERM and SIGHUP end a run the orderly way. The
// handler only notes the signal; the interpreter sees it between commands
// and in its waits, unwinds, closes (flushes) every file slot and ends with
// 128 + the signal number. A run that does not react within a few seconds
// (a blocking call), or a second signal, ends at once.
#include "script/core/interp.h"

#include <signal.h>
#include <unistd.h>

#include <exception>

namespace zscript {

namespace {

volatile sig_atomic_t g_signal = 0;

extern "C" void OnWatchdog(int)
{
    _exit(128 + (g_signal ? static_cast<int>(g_signal) : SIGALRM));
}

extern "C" void OnInterrupt(int signal)
{
    if (g_signal != 0)
        _exit(128 + signal);
    g_signal = signal;
    alarm(5);
}

} // namespace

void InstallInterruptHandlers()
{
    struct sigaction watchdog {};
    watchdog.sa_handler = OnWatchdog;
    sigemptyset(&watchdog.sa_mask);
    sigaction(SIGALRM, &watchdog, nullptr);
    struct sigaction stop {};
    stop.sa_handler = OnInterrupt;
    sigemptyset(&stop.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &stop, nullptr);
}

int PendingInterrupt()
{
    return static_cast<int>(g_signal);
}

void CheckInterrupt()
{
    if (g_signal != 0 && std::uncaught_exceptions() == 0)
        throw ScriptInterrupt{static_cast<int>(g_signal)};
}

void InterruptHandled()
{
    alarm(0);
}

} // namespace zscript

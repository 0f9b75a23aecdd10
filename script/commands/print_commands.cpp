// The print file (PRINTBEGIN, PRINTEND, PRINTPAGEADV); TEXT and the listing
// commands write to it while it is open (text_commands.cpp). A print job
// without a file name goes to the system's spooler `lp` when there is one;
// when there is none, or it refuses the job, the text is appended to
// "zorbscw-print.txt" in the current directory, so nothing printed is lost.
#include "platform/platform.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zscript {

namespace {

constexpr const char *kPrintFallback = "zorbscw-print.txt";

bool IsPrinterName(const std::string &name)
{
    return name.empty() || ::strcasecmp(name.c_str(), "lpt1") == 0 || ::strcasecmp(name.c_str(), "prn") == 0 ||
           ::strcasecmp(name.c_str(), "lpt1:") == 0;
}

bool HaveSpooler()
{
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t i = 0;
    while (i <= dirs.size()) {
        size_t j = dirs.find(':', i);
        if (j == std::string::npos)
            j = dirs.size();
        const std::string candidate = dirs.substr(i, j - i) + "/lp";
        if (j > i && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        i = j + 1;
    }
    return false;
}

bool AppendFile(const std::string &from, const char *to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(to, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    bool ok = out >= 0;
    char block[4096];
    ssize_t got;
    while (ok && (got = ::read(in, block, sizeof block)) > 0)
        ok = ::write(out, block, static_cast<size_t>(got)) == got;
    ::close(in);
    if (out >= 0 && ::close(out) != 0)
        ok = false;
    return ok;
}

} // namespace

void FinishPrintJob(Interp &in)
{
    if (in.printSpool.empty())
        return;
    const std::string spool = in.printSpool;
    in.printSpool.clear();
    const long pid = PlatformStartProcess(("lp '" + spool + "'").c_str());
    if (pid > 0 && PlatformWaitProcess(pid) == 0) {
        ::unlink(spool.c_str());
        return;
    }
    if (AppendFile(spool, kPrintFallback)) {
        ::unlink(spool.c_str());
        PlatformMessage("ZorbScript",
                        (std::string("the printer refused the job; the text was added to ") + kPrintFallback).c_str());
    } else {
        PlatformMessage("ZorbScript", ("the printer refused the job; the text is kept in " + spool).c_str());
    }
}

void CmdPrintBegin(Interp &in)
{
    std::string name;
    if (!ParamsDone(in))
        ReadToken(in, name, false);
    if (in.printSlot != kNoSlot)
        return;
    RefuseInSandbox(in);
    if (!IsPrinterName(name)) {
        in.printSlot = OpenFileSlot(in, name, 1);
        return;
    }
    if (!HaveSpooler()) {
        in.printSlot = OpenFileSlot(in, kPrintFallback, 2);
        if (in.printSlot != kNoSlot)
            VEXFileSetPos(in.slots[in.printSlot], VEXFileSize(in.slots[in.printSlot]));
        else
            in.printSlot = OpenFileSlot(in, kPrintFallback, 1);
        return;
    }
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zorbscw-print-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return;
    ::close(fd);
    in.printSlot = OpenFileSlot(in, pattern, 1);
    if (in.printSlot != kNoSlot)
        in.printSpool = pattern;
    else
        ::unlink(pattern.c_str());
}

void CmdPrintEnd(Interp &in)
{
    if (in.printSlot != kNoSlot)
        CloseFileSlot(in, in.printSlot);
}

void CmdPrintPageAdv(Interp &in)
{
    if (in.printSlot != kNoSlot && in.slots[in.printSlot])
        VEXFilePut8(in.slots[in.printSlot], 12);
}

} // namespace zscript

// System commands: SYSTEM*, ENVGET, ENVSET, RANDOM, RANDOMIZE, EXECUTE,
// SOUND, MCISENDSTRING.
#include "codec/zorb.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

namespace zscript {

namespace {

std::string Upper(std::string s)
{
    zorb::platform::UpperCase(s);
    return s;
}

// Part n (0 major, 1 minor) of the kernel's release number.
int32_t OsVersion(int part)
{
    utsname u{};
    if (::uname(&u) != 0)
        return 0;
    const char *p = u.release;
    for (int i = 0; i < part; ++i) {
        while (*p >= '0' && *p <= '9')
            ++p;
        if (*p != '.')
            return 0;
        ++p;
    }
    return static_cast<int32_t>(std::strtol(p, nullptr, 10));
}

uint32_t NextRandom(Interp &in)
{
    in.seed = in.seed * 214013u + 2531011u;
    return (in.seed >> 16) & 0x7FFFu;
}

} // namespace

void ReapChildren(Interp &in)
{
    for (size_t i = 0; i < in.children.size();) {
        int status = 0;
        const pid_t r = ::waitpid(static_cast<pid_t>(in.children[i]), &status, WNOHANG);
        if (r == 0) {
            ++i;
            continue;
        }
        in.children.erase(in.children.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void CmdSystemCommandLine(Interp &in)
{
    SetVariable(in, ReadName(in), in.commandLine);
}

void CmdSystemCurrentExe(Interp &in)
{
    const std::string name = ReadName(in);
    char path[4096];
    SetVariable(in, name, PlatformSelfPath(path, sizeof path) ? path : "");
}

void CmdSystemCurrentScript(Interp &in)
{
    SetVariable(in, ReadName(in), FullPath(in.scriptName));
}

void CmdSystemDateTime(Interp &in)
{
    const std::string name = ReadName(in);
    std::string format = ReadValue(in, 1);
    for (char &c : format)
        if (c == '^')
            c = '%';
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[kTextMax + 1];
    const size_t n = format.empty() ? 0 : std::strftime(text, sizeof text, format.c_str(), &local);
    SetVariable(in, name, std::string(text, n));
}

void CmdSystemTimer(Interp &in)
{
    SetVariableNumber(in, ReadName(in), static_cast<int32_t>(PlatformTimeMs()));
}

void CmdSystemMemory(Interp &in)
{
    const std::string name = ReadName(in);
    // Scripts compare it as a 32-bit number: held at the largest one.
    uint64_t bytes = 0;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kb = 0;
    while (meminfo >> key >> kb) {
        if (key == "MemAvailable:") {
            bytes = kb * 1024u;
            break;
        }
        meminfo.ignore(256, '\n');
    }
    if (bytes == 0)
        bytes = static_cast<uint64_t>(::sysconf(_SC_AVPHYS_PAGES)) * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    SetVariable(in, name, std::to_string(std::min<uint64_t>(bytes, 2147483647u)));
}

void CmdSystemOsMajor(Interp &in)
{
    SetVariableNumber(in, ReadName(in), OsVersion(0));
}
void CmdSystemOsMinor(Interp &in)
{
    SetVariableNumber(in, ReadName(in), OsVersion(1));
}
void CmdSystemPlatform(Interp &in)
{
    SetVariable(in, ReadName(in), "Win32");
}

void CmdSystemColors(Interp &in)
{
    SetVariable(in, ReadName(in), std::to_string(in.host->ScreenColours()));
}

void CmdSystemDisplayResolution(Interp &in)
{
    const int32_t mode = ReadNumber(in);
    RefuseInSandbox(in);
    in.host->SetResolution(mode);
}

void CmdSystemUseDirectSound(Interp &in)
{
    in.host->UseDirectSound();
}

void CmdSystemUseMMX(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t request = ReadNumber(in, 1);
    SetVariableNumber(in, name, ZorbSetMMX(static_cast<uint32_t>(request)) ? 1 : 0);
}

void CmdEnvGet(Interp &in)
{
    const std::string name = ReadName(in);
    const char *value = std::getenv(Upper(ReadText(in, 1)).c_str());
    SetVariable(in, name, value ? value : "");
}

void CmdEnvSet(Interp &in)
{
    const std::string variable = Upper(ReadValue(in));
    const std::string &text = ReadValue(in, 1);
    RefuseInSandbox(in);
    if (!variable.empty() && variable.find('=') == std::string::npos)
        ::setenv(variable.c_str(), text.c_str(), 1);
}

void CmdExecute(Interp &in)
{
    const std::string name = ReadName(in);
    const std::string command = ReadText(in, 1);
    RefuseInSandbox(in);
    const long pid = PlatformStartProcess(command.c_str());
    if (pid > 0)
        in.children.push_back(pid);
    SetVariableNumber(in, name, pid > 0 ? 33 : 2);
}

void CmdRandom(Interp &in)
{
    const std::string name = ReadName(in);
    const auto n = static_cast<uint32_t>(ReadNumber(in, 1));
    uint32_t r = (NextRandom(in) * (n + 1u)) / 32767u;
    if (r > n)
        r = n;
    SetVariableNumber(in, name, static_cast<int32_t>(r));
}

void CmdRandomize(Interp &in)
{
    in.seed = static_cast<uint32_t>(ReadNumber(in));
}

void CmdSound(Interp &in)
{
    const int32_t frequency = ReadNumber(in);
    const int32_t duration = ReadNumber(in, 1);
    RefuseInSandbox(in);
    in.host->Tone(frequency, duration);
}

void CmdMciSendString(Interp &in)
{
    const std::string name = ReadName(in);
    const std::string command = ReadValue(in, 1);
    RefuseInSandbox(in);
    SetVariable(in, name, in.host->Mci(command));
}

} // namespace zscript

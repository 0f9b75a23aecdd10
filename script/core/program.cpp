// The program around the interpreter: the command line, the front-end link,
// the usage and closing boxes, and the run of the main script.
#include "script/core/program.h"
#include "platform/platform.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <vector>

namespace zscript {

namespace {

constexpr const char *kVersion = "3.1n";
constexpr const char *kNotice = "part of the Zorblax toolkit, free to use and share";
constexpr const char *kUsage = " Syntax:  ZorbScr  <Zorblax Script[.zs]>";

std::string Banner()
{
    return std::string("ZorbScript - V") + kVersion + "  " + kNotice;
}

std::string UsageCaption()
{
    return std::string("ZorbScript V ") + kVersion + " - " + kNotice;
}

// The arguments as one command line, as the program always received it.
std::string JoinArguments(int argc, char **argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (!line.empty())
            line += ' ';
        const std::string arg = argv[i];
        if (arg.find_first_of(" \t") != std::string::npos && arg.front() != '"')
            line += '"' + arg + '"';
        else
            line += arg;
    }
    return line;
}

// A word starting with "/" that is not a file name is a switch this program
// does not have.
bool HasUnknownSwitch(const std::string &line)
{
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t j = i;
        if (i < line.size() && line[i] == '"') {
            j = line.find('"', i + 1);
            j = j == std::string::npos ? line.size() : j + 1;
        } else {
            while (j < line.size() && line[j] != ' ' && line[j] != '\t')
                ++j;
        }
        std::string word = line.substr(i, j - i);
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
            word = word.substr(1, word.size() - 2);
        if (!word.empty() && word[0] == '/' && !PlatformNamesPath(word.c_str()))
            return true;
        i = j;
    }
    return false;
}

constexpr const char *kHelp =
    "usage: zorbscw [--unattended] [SCRIPT[.zs] [ARGUMENTS...]]\n"
    "Runs a ZorbScript file (autoexec.zs when none is named); the arguments are what\n"
    "SYSTEMCOMMANDLINE gives the script.\n"
    "  --unattended   never show a message box (messages go to standard error only)\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "Exit status: 0 the script ran, 1 a script error, 2 usage, 128 + N a signal N ended it.\n";

// The program's own switches stand before the script name: --unattended is
// taken out; any other word starting with "-" there is a switch this program
// does not have (returned, else empty). "--" ends the switches. Arguments
// after the script name belong to the script.
std::string TakeOwnSwitches(int &argc, char **argv, bool &unattended)
{
    int out = 1;
    bool switches = true;
    std::string unknown;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (switches && arg == "--") {
            switches = false;
            continue;
        }
        if (switches && arg == "--unattended") {
            unattended = true;
            continue;
        }
        if (switches && arg.size() > 1 && arg[0] == '-') {
            if (unknown.empty())
                unknown = arg;
        } else if (arg.empty() || arg[0] != '/') {
            switches = false; // the script name
        }
        argv[out++] = argv[i];
    }
    argc = out;
    return unknown;
}

} // namespace

int RunProgram(Host &host, int argc, char **argv)
{
    if (PlatformStandardOptions(argc, argv, "zorbscw", kHelp) >= 0)
        return PLATFORM_EXIT_DONE;
    bool unattended = false;
    const std::string unknownSwitch = TakeOwnSwitches(argc, argv, unattended);
    if (unattended)
        PlatformSetUnattended(1);
    if (!unknownSwitch.empty()) {
        PlatformMessage("zorbscw", ("unknown switch " + unknownSwitch + "\n" + kHelp).c_str());
        return PLATFORM_EXIT_USAGE;
    }
    const std::string joined = JoinArguments(argc, argv);
    std::vector<char> line(joined.begin(), joined.end());
    line.resize(joined.size() + 16, '\0');
    const int32_t frontEnd = GetSwitchNum(line.data(), '#', 0);
    GetSwitch(line.data(), '#');
    int titleMatched = 0;
    uint32_t link = 0;
    if (frontEnd > 0)
        link = PlatformLinkAttach(static_cast<uint32_t>(frontEnd), &titleMatched);

    Interp in;
    in.host = &host;
    InstallInterruptHandlers();
    in.seed = PlatformTimeMs();
    int status = 0;
    std::string rest(line.data());
    if (HasUnknownSwitch(rest)) {
        host.Message(UsageCaption(), kUsage);
        status = PLATFORM_EXIT_USAGE;
    } else {
        std::vector<char> copy(rest.begin(), rest.end());
        copy.resize(rest.size() + 1, '\0');
        Trim(copy.data());
        std::vector<char> name(copy.size() + 1, '\0');
        GetAndRemoveFirstQuoted(name.data(), copy.data());
        in.commandLine = copy.data();
        try {
            if (name[0] != '\0') {
                std::string tried;
                if (!RunScriptFile(in, name.data(), {}, &tried))
                    ScriptError(in, "  Error opening ", tried + ": " + OpenFailure(in, tried), "\r\n");
            } else if (!RunScriptFile(in, "autoexec.zs")) {
                host.Message(UsageCaption(), kUsage);
                status = PLATFORM_EXIT_USAGE;
            }
        } catch (const ScriptAbort &) {
            status = PLATFORM_EXIT_FAILURE;
        } catch (const ScriptInterrupt &stop) {
            status = 128 + stop.signal;
        }
        CloseAllSlots(in);
        CloseScreen(in);
    }
    CloseAnimations(in);
    host.Shutdown();
    ReapChildren(in);
    // The closing line never waits for anybody: standard error only, and not
    // after an interrupt (the shell reports that).
    if (!titleMatched && status < 128)
        PlatformNotice((std::string("ZorbScript - V") + kVersion).c_str(),
                       "ZorbScript runs Zorblax presentation scripts: animations, pictures, text, sound and files.");
    if (link)
        PlatformLinkReport(link, Banner().c_str());
    InterruptHandled();
    return status;
}

} // namespace zscript

// zorbfr: the frame-rate changer. Gives a Zorblax file a new frame rate with
// the same running time, pictures and sound.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "codec/format.h"
#include "encoder/encoder.h"
#include "platform/platform.h"
#include "tools/common/tool_arguments.h"
#include "tools/common/tool_status.h"
#include "vexutil/vexutil.h"

using tool::Fail;
using tool::Progress;

namespace {

const char kUsage[] =
    "Usage: zorbfr INPUT.zbx OUTPUT.zbx /Fn [switches]\n"
    "Gives a Zorblax file a new frame rate with the same running time: frames are dropped or\n"
    "repeated by their display times, the pictures are coded again and every sound track is\n"
    "cut again for the new frame period, sample for sample.\n"
    "  /Fn       the new frame rate: n frames per second; -n milliseconds per frame;\n"
    "            below -1500, -n hundredths of a millisecond per frame\n"
    "  /Nv /Kv   regular and key frame compression as zorbc takes them (default 0, lossless)\n"
    "  /Jn       a key frame at least every n frames   /An  a key frame when n% of the picture changes\n"
    "  /Ln       sound quality 0 (exact, default) to 9; /L-1 leaves the sound out\n"
    "  /O        overwrite OUTPUT without asking\n"
    "  /Q        quiet: errors and warnings only\n";

std::string Rate(int32_t frameRate)
{
    const uint32_t period = ZbxFramePeriod(frameRate);
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", period ? 100000.0 / period : 0.0);
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "zorbfr", kUsage); status >= 0)
        return status;
    const char *given[2] = {};
    char *cmd = nullptr;
    const int count = tool::SplitArguments(argc, argv, 2, given, &cmd);
    if (count < 0) {
        PlatformError("zorbfr", nullptr, "out of memory");
        return PLATFORM_EXIT_FAILURE;
    }
    const std::unique_ptr<char, void (*)(void *)> line(cmd, std::free);
    const std::vector<std::string> names(given, given + count);
    const int32_t link = GetSwitchNum(cmd, '#', 0);
    tool::TakeQuiet(cmd);
    const bool overwriteAll = GetSwitch(cmd, 'O') != 0;
    const int32_t rate = GetSwitchNum(cmd, 'F', 0);
    ZencRetimeParams params{};
    params.regular = GetSwitchNum(cmd, 'N', 0);
    params.key = GetSwitchNum(cmd, 'K', 0);
    const int32_t keyEvery = GetSwitchNum(cmd, 'J', 0);
    const int32_t autoKey = GetSwitchNum(cmd, 'A', 0);
    params.soundQuality = GetSwitchNum(cmd, 'L', 0);
    Trim(cmd);
    std::string problem;
    if (cmd[0])
        problem = std::string("unknown switch or extra argument: ") + cmd;
    else if (names.size() < 2)
        problem = "an input and an output Zorblax file are needed.";
    else if (rate == 0)
        problem = "/F must give the new frame rate (e.g. /F10 for 10 frames per second).";
    else if (rate > 1000)
        problem = "/F takes at most 1000 frames per second (a frame time of 1 ms).";
    else if (keyEvery < 0)
        problem = "/J takes a frame count from 0.";
    else if (autoKey < 0 || autoKey > 100)
        problem = "/A takes a percentage from 0 to 100.";
    else if (params.soundQuality < -1 || params.soundQuality > 9)
        problem = "/L takes a sound quality from -1 to 9.";
    if (!problem.empty()) {
        std::fprintf(stderr, "zorbfr: %s\n\n%s", problem.c_str(), kUsage);
        return PLATFORM_EXIT_USAGE;
    }
    params.frameRate = -MakeFrameRate(rate);
    params.keyEvery = static_cast<uint32_t>(keyEvery);
    params.autoKeyPercent = static_cast<uint32_t>(autoKey);
    std::string input = names[0], output = names[1];
    struct stat st;
    if (!HasExtension(input.c_str()) && stat(input.c_str(), &st) != 0)
        input += ".zbx";
    if (!HasExtension(output.c_str()))
        output += ".zbx";

    // A front end that started us gets the final report (after the hello).
    StatusInit(nullptr, PlatformLinkAttach(link > 0 ? static_cast<uint32_t>(link) : 0, nullptr), 1);
    StatusOpen("ZorbFR", (input + " -> " + output).c_str(), nullptr);
    const uint32_t started = PlatformTimeMs();
    if (const int failed = tool::CheckOutput(input, output, overwriteAll, overwrite))
        return failed;
    ZencFileInfo info;
    if (!ZencReadInfo(input.c_str(), &info))
        return Fail("Error opening " + input + ": " + tool::ZorblaxFailure(input));

    ZencReport r;
    if (!ZencChangeFrameRate(input.c_str(), output.c_str(), &params, &r, Progress))
        return tool::FailConversion();
    char elapsed[64];
    GetElapsedTime(elapsed, PlatformTimeMs() - started);
    char report[1024];
    std::snprintf(report, sizeof report,
                  "Changed %s (%u frames at %s per second) into %s: %u frames at %s per second, %llu bytes, in %s.",
                  input.c_str(), info.frameCount, Rate(info.frameRate).c_str(), output.c_str(), r.frames,
                  Rate(params.frameRate).c_str(), static_cast<unsigned long long>(r.fileBytes), elapsed);
    if (r.damagedFrame)
        return tool::FinishDamaged(report, "zorbfr", input, r.damagedFrame, "converted");
    return tool::Finish(report);
}

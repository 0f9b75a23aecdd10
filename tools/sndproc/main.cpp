// sndproc: the sound processor. Writes the sound of any input the sound
// reader knows (wave, AVI, a Zorblax track, headerless PCM) as a wave file,
// converted as the switches ask.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "encoder/encoder.h"
#include "platform/platform.h"
#include "tools/common/std_streams.h"
#include "tools/common/tool_arguments.h"
#include "tools/common/tool_status.h"
#include "vexutil/vexutil.h"

using tool::Fail;
using tool::Progress;

namespace {

const char kUsage[] = "Usage: sndproc INPUT OUTPUT[.wav] [switches]\n"
                      "Writes the sound of INPUT (wave, AVI, a Zorblax track, a wave list, headerless PCM) as the\n"
                      "PCM wave file OUTPUT. Without switches the samples are copied exactly. A - for INPUT reads\n"
                      "standard input; a - for OUTPUT writes the wave file to standard output.\n"
                      "  /O        overwrite OUTPUT without asking (it keeps its permissions; a link's target is\n"
                      "            replaced)                  /Q  quiet: errors and warnings only\n"
                      "  /Rn       output sample rate (high-quality resampling)\n"
                      "  /Bn       output bits: 8 or 16          /Cn  output channels: 1 (mono) or 2 (stereo)\n"
                      "  /Tn       the input track (Zorblax 1-7, AVI sound stream)\n"
                      "  /Sn /En   start and end in milliseconds (-n: frame n of the input's video)\n"
                      "  /Yn       headerless input: 1 8-bit mono, 2 8-bit stereo, 3 16-bit mono, 4 16-bit stereo\n"
                      "  /Dn       its sample rate (default 11025)   /Kn  bytes to skip at its start\n";

const char *Layout(uint32_t channels)
{
    return channels == 1 ? "mono" : "stereo";
}

} // namespace

int main(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "sndproc", kUsage); status >= 0)
        return status;
    const char *given[2] = {};
    char *cmd = nullptr;
    const int count = tool::SplitArguments(argc, argv, 2, given, &cmd);
    if (count < 0) {
        PlatformError("sndproc", nullptr, "out of memory");
        return PLATFORM_EXIT_FAILURE;
    }
    const std::unique_ptr<char, void (*)(void *)> line(cmd, std::free);
    const std::vector<std::string> names(given, given + count);
    const int32_t link = GetSwitchNum(cmd, '#', 0);
    tool::TakeQuiet(cmd);
    const bool overwriteAll = GetSwitch(cmd, 'O') != 0;
    ZencSoundRequest req{};
    req.rate = GetSwitchNum(cmd, 'R', 0);
    req.bits = GetSwitchNum(cmd, 'B', 0);
    req.channels = GetSwitchNum(cmd, 'C', 0);
    req.track = GetSwitchNum(cmd, 'T', 0);
    req.start = GetSwitchNum(cmd, 'S', 0);
    req.end = GetSwitchNum(cmd, 'E', 0);
    const int32_t type = GetSwitchNum(cmd, 'Y', 0);
    const int32_t rawRate = GetSwitchNum(cmd, 'D', 11025);
    const int32_t skip = GetSwitchNum(cmd, 'K', 0);
    Trim(cmd);
    std::string problem;
    if (cmd[0])
        problem = std::string("unknown switch or extra argument: ") + cmd;
    else if (names.size() < 2)
        problem = "an input and an output file are needed.";
    else if (req.rate < 0 || req.rate > 1000000)
        problem = "/R takes a sample rate from 1 to 1000000 Hz.";
    else if (req.bits != 0 && req.bits != 8 && req.bits != 16)
        problem = "/B takes 8 or 16 bits.";
    else if (req.channels < 0 || req.channels > 2)
        problem = "/C takes 1 (mono) or 2 (stereo) channels.";
    else if (req.track < 0)
        problem = "/T takes a track number from 1.";
    else if (type < 0 || type > 4)
        problem = "/Y takes a headerless input type from 1 to 4.";
    else if (rawRate < 1 || rawRate > 1000000)
        problem = "/D takes a sample rate from 1 to 1000000 Hz.";
    else if (skip < 0)
        problem = "/K takes a byte count from 0.";
    if (!problem.empty()) {
        std::fprintf(stderr, "sndproc: %s\n\n%s", problem.c_str(), kUsage);
        return PLATFORM_EXIT_USAGE;
    }
    if (type > 0) {
        req.rawFlags = static_cast<uint32_t>(type - 1) + 8u * static_cast<uint32_t>(rawRate);
        req.rawOffset = static_cast<uint32_t>(skip);
    }
    // "-": standard input and standard output (a wave stream).
    const bool fromStdin = names[0] == "-", toStdout = names[1] == "-";
    std::string output = names[1];
    if (!toStdout && !HasExtension(output.c_str()))
        output += ".wav";

    // A front end that started us gets the final report (after the hello).
    StatusInit(nullptr, PlatformLinkAttach(link > 0 ? static_cast<uint32_t>(link) : 0, nullptr), 1);
    StatusOpen("SndProc", (names[0] + " -> " + output).c_str(), nullptr);
    const uint32_t started = PlatformTimeMs();
    if (!toStdout)
        if (const int failed = tool::CheckOutput(names[0], output, overwriteAll, overwrite))
            return failed;

    tool::StreamFile in, out;
    std::string input = names[0], written = output, streamError;
    if (fromStdin) {
        if (!in.Make(".wav", streamError) || !in.TakeStandardInput(streamError))
            return Fail(streamError);
        input = in.Path();
    }
    if (toStdout) {
        if (!out.Make(".wav", streamError))
            return Fail(streamError);
        written = out.Path();
    }
    ZencSoundResult r;
    if (!ZencConvertSound(input.c_str(), written.c_str(), &req, &r, Progress)) {
        if (tool::LastError().find("Error opening") != std::string::npos)
            return tool::FailOpen(names[0], "not a sound file it can read");
        return tool::FailConversion();
    }
    if (toStdout && !out.SendToStandardOutput(streamError))
        return Fail(streamError);

    const uint32_t frameBytes = r.channels * r.bits / 8;
    const uint64_t frames = frameBytes ? r.dataBytes / frameBytes : 0;
    char duration[64], elapsed[64];
    GetElapsedTime(duration, r.rate ? static_cast<uint32_t>(frames * 1000 / r.rate) : 0);
    GetElapsedTime(elapsed, PlatformTimeMs() - started);
    char report[1024];
    std::snprintf(report, sizeof report,
                  "Converted %s (%u Hz, %u-bit, %s) into %s (%u Hz, %u-bit, %s): %llu samples, %s of sound, in %s.",
                  names[0].c_str(), r.sourceRate, r.sourceBits, Layout(r.sourceChannels), output.c_str(), r.rate,
                  r.bits, Layout(r.channels), static_cast<unsigned long long>(frames), duration, elapsed);
    if (toStdout) // the wave stream alone on standard output: the report stays on the status line
        tool::Quiet() = true;
    return tool::Finish(report);
}

// zorbmix: puts a sound into one track of a copy of a Zorblax file.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec/format.h"
#include "encoder/encoder.h"
#include "platform/platform.h"
#include "tools/common/tool_arguments.h"
#include "tools/common/tool_status.h"
#include "vexutil/vexutil.h"

namespace {

const char kUsage[] = "Usage: zorbmix ZBXFILE SOUNDFILE OUTPUT [switches]\n"
                      "Puts the sound of SOUNDFILE (wave, headerless PCM, a Zorblax track, AVI sound, wave list)\n"
                      "into one track of a copy of ZBXFILE; the video and the other tracks stay as they are.\n"
                      "  /Mn     the track to fill, 1 to 7 (default 1); a track already there is replaced\n"
                      "  /Ln     sound quality 0 (lossless, default) to 9\n"
                      "  /Fn     frame rate of the output (fps; -n milliseconds per frame)\n"
                      "  /Gn     the frame at which the sound begins (default 1)\n"
                      "  /P      loop the sound to the end of the video\n"
                      "  /O      overwrite without asking       /Q  quiet: errors and warnings only\n"
                      "  /Rn /Bn /Cn   output rate, bits (8, 16) and channels (1, 2)\n"
                      "  /Tn     the track of the sound file to take   /Sn /En  start and end in milliseconds\n"
                      "  /Yn /Dn /Kn   headerless input: type 1-5, rate, bytes to skip\n";

using tool::Fail;

int32_t SoundProgress(const char *text, int32_t level)
{
    return tool::Progress(text, level);
}

// Seconds of the sound (with its lead-in) that lie past the end of `frames`
// frames of `period` hundredths of a millisecond, where the mixer cuts it.
double SecondsPastTheEnd(const CSFILE *cs, uint32_t frames, uint32_t period)
{
    if (!cs || !cs->sound || cs->sound->rate <= 0 || cs->sound->outputFrameSize <= 0)
        return 0;
    const uint64_t rate = static_cast<uint64_t>(cs->sound->rate);
    const uint64_t fits = static_cast<uint64_t>(frames) * period * rate / 100000; // sample frames, as the mixer cuts
    const uint64_t all =
        (static_cast<uint64_t>(cs->leadInLeft) + cs->soundLeft) / static_cast<uint64_t>(cs->sound->outputFrameSize);
    return all > fits ? static_cast<double>(all - fits) / static_cast<double>(rate) : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "zorbmix", kUsage); status >= 0)
        return status;
    const char *given[3] = {};
    char *cmd = nullptr;
    const int count = tool::SplitArguments(argc, argv, 3, given, &cmd);
    if (count < 0) {
        PlatformError("zorbmix", nullptr, "out of memory");
        return PLATFORM_EXIT_FAILURE;
    }
    const std::unique_ptr<char, void (*)(void *)> line(cmd, std::free);
    const std::vector<std::string> names(given, given + count);
    const int32_t link = GetSwitchNum(cmd, '#', 0);
    tool::TakeQuiet(cmd);
    const int32_t track = GetSwitchNum(cmd, 'M', 1);
    const int32_t frameRate = GetSwitchNum(cmd, 'F', 0);
    const int32_t begin = GetSwitchNum(cmd, 'G', 1);
    const bool overwriteAll = GetSwitch(cmd, 'O') != 0;
    int32_t quality = 0, loop = 0, rate = 0, bits = 0, channels = 0, start = 0, end = 0, inTrack = 0;
    uint32_t rawFlags = 0, rawOffset = 0;
    CSFileCommandline(cmd, &quality, &loop, &rate, &bits, &channels, &start, &end, &inTrack, &rawFlags, &rawOffset);
    Trim(cmd);
    std::string problem;
    if (cmd[0])
        problem = std::string("unknown switch or extra argument: ") + cmd;
    else if (names.size() < 3)
        problem = "a Zorblax file, a sound file and an output file are needed.";
    else if (track < 1 || track > 7)
        problem = "/M takes a track from 1 to 7.";
    else if (quality < 0 || quality > 9)
        problem = "/L takes a sound quality from 0 to 9.";
    else if (bits != 0 && bits != 8 && bits != 16)
        problem = "/B takes 8 or 16 bits.";
    else if (frameRate > 1000)
        problem = "/F takes at most 1000 frames per second (a frame time of 1 ms).";
    else if (begin < 1)
        problem = "/G takes a frame number from 1.";
    if (!problem.empty()) {
        std::fprintf(stderr, "zorbmix: %s\n\n%s", problem.c_str(), kUsage);
        return PLATFORM_EXIT_USAGE;
    }
    std::string output = names[2];
    if (!HasExtension(output.c_str()))
        output += ".zbx";

    // A front end that started us gets the final report (after the hello).
    StatusInit(nullptr, PlatformLinkAttach(link > 0 ? static_cast<uint32_t>(link) : 0, nullptr), 1);
    StatusOpen("ZorbMix", (names[1] + " -> " + output).c_str(), nullptr);
    const uint32_t started = PlatformTimeMs();
    if (!CheckForDup(names[0].c_str(), output.c_str()) || !CheckForDup(names[1].c_str(), output.c_str()))
        return Fail("Output filename must be different than the input filename.");
    struct stat st;
    if (!overwriteAll && stat(output.c_str(), &st) == 0 && !overwrite(output.c_str()))
        return Fail("The output file " + output + " was not overwritten.");

    ZencFileInfo info;
    if (!ZencReadInfo(names[0].c_str(), &info))
        return Fail("Error opening " + names[0] + ": " + tool::ZorblaxFailure(names[0]));
    if (static_cast<uint32_t>(begin) > info.frameCount) // the sound would start after the last frame
        return tool::RefuseFrame("zorbmix", 'G', begin, names[0], info.frameCount);
    // A file cut short gives the frames that lie whole in it.
    const uint32_t tableFrames = info.frameCount + (info.headerFlags & ZBX_RING_FRAME ? 1 : 0);
    const uint32_t damaged = info.wholeFrames < tableFrames ? info.wholeFrames + 1 : 0;
    const int32_t fileRate = frameRate ? -MakeFrameRate(frameRate) : info.frameRate;
    uint32_t period = ZbxFramePeriod(fileRate);
    if (period == 0)
        period = 6667;
    const uint32_t frames = std::min(info.frameCount, info.wholeFrames);
    const uint32_t first = static_cast<uint32_t>(begin) > frames ? frames : static_cast<uint32_t>(begin);
    const int32_t leadIn = static_cast<int32_t>((static_cast<uint64_t>(first - (first ? 1 : 0)) * period) / 100);
    const int32_t length =
        loop ? static_cast<int32_t>(static_cast<uint64_t>(frames - (first ? first - 1 : 0)) * period / 100) : 0;
    CSFILE *cs = CSFileOpen(names[1].c_str(), quality, loop, 0, leadIn, length, rate, bits, channels, start, end,
                            inTrack, rawFlags, rawOffset, SoundProgress);
    if (!cs)
        return tool::FailOpen(names[1], "not a sound file it can read");
    const double cut = loop ? 0 : SecondsPastTheEnd(cs, frames, period);
    if (!ZencMixTrack(names[0].c_str(), output.c_str(), static_cast<uint32_t>(track - 1), frameRate ? fileRate : 0, cs,
                      tool::Progress))
        return tool::FailConversion();

    ZencFileInfo out;
    ZencReadInfo(output.c_str(), &out);
    char elapsed[64];
    GetElapsedTime(elapsed, PlatformTimeMs() - started);
    char report[1024];
    std::snprintf(report, sizeof report,
                  "Mixed %s into track %d of %s: %u frames, %u sound bytes per frame at most, in %s.", names[1].c_str(),
                  track, output.c_str(), out.frameCount, out.audioMaxSize[track - 1], elapsed);
    if (damaged)
        return tool::FinishDamaged(report, "zorbmix", names[0], damaged, "mixed");
    const int status = tool::Finish(report);
    if (cut > 0) { // a warning: the mix is written
        char text[256];
        std::snprintf(text, sizeof text, "the last %.2f seconds of the sound run past the video's end and were cut.",
                      cut);
        PlatformError("zorbmix", names[1].c_str(), text);
    }
    return status;
}

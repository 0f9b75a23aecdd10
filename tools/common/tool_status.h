// What the converting tools (zorbc, pictproc, sndproc, zorbfr) share around
// vexutil's status line: the progress function that keeps the last error, the
// final report and the final error, each printed once and carried by the front
// end's report, and the output check.
#ifndef ZORB_TOOLS_COMMON_TOOL_STATUS_H
#define ZORB_TOOLS_COMMON_TOOL_STATUS_H

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <strings.h>

#include "encoder/encoder.h"
#include "platform/platform.h"
#include "tools/common/tool_arguments.h"
#include "tools/common/zorblax_failure.h"
#include "vexutil/vexutil.h"

namespace tool {

// /Q: errors and warnings only (no status line, no final report).
inline bool &Quiet()
{
    static bool quiet = false;
    return quiet;
}

// Takes a lone /Q from the command line (a /Q with a number is another switch).
inline void TakeQuiet(char *line)
{
    if (GetSwitch(line, 'Q')) {
        Quiet() = true;
        StatusSetQuiet(1);
    }
}

// The last error text the converter sent at level 2.
inline std::string &LastError()
{
    static std::string text;
    return text;
}

inline int Progress(const char *text, int level)
{
    if (level == 2) { // the run ends with it: Fail prints it, once
        LastError() = text ? text : "";
        return 1;
    }
    return StatusSet(text) ? 0 : 1; // the status line is gone once the user cancelled
}

// The final error: printed once, whole, and carried by the front end's report.
inline int Fail(const std::string &text)
{
    StatusMessage(text.c_str(), 1);
    StatusClose(0);
    return PLATFORM_EXIT_FAILURE;
}

// True when standard output goes where the status line is drawn (the same
// terminal, pipe or file as standard error).
inline bool OutputIsStatusStream()
{
    struct stat out, err;
    return ::fstat(STDOUT_FILENO, &out) == 0 && ::fstat(STDERR_FILENO, &err) == 0 && out.st_dev == err.st_dev &&
           out.st_ino == err.st_ino;
}

// The final report of a run that worked: the status line's last text (the
// front end's report carries it) and the result line on standard output,
// unless standard output is where the status line already shows it, so it is
// seen once.
inline int Finish(const std::string &report)
{
    StatusSet(report.c_str());
    if (!Quiet() && !OutputIsStatusStream()) {
        std::printf("%s\n", report.c_str());
        std::fflush(stdout);
    }
    StatusClose(0);
    return PLATFORM_EXIT_DONE;
}

// A frame switch (/S200, /G500) that lies past the input's last frame asks
// for the impossible: refused, naming the value and the input's frames, with
// the usage status.
inline int RefuseFrame(const char *program, char letter, int32_t value, const std::string &input, uint32_t frames)
{
    StatusClose(0);
    const std::string text = std::string("/") + letter + std::to_string(value) + ": " + input + " has only " +
                             std::to_string(frames) + (frames == 1 ? " frame." : " frames.");
    PlatformError(program, nullptr, text.c_str());
    return PLATFORM_EXIT_USAGE;
}

// The range of /S and /E against the input's frames: a first frame past the
// end is refused (RefuseFrame); a last frame past the end runs to the end, as
// the readers clamp it, which is said on standard error. Returns 0 when the
// run goes on, else its status.
inline int CheckFrameRange(const char *program, const std::string &input, int32_t first, int32_t last, uint32_t frames)
{
    if (first > 0 && static_cast<uint32_t>(first) > frames)
        return RefuseFrame(program, 'S', first, input, frames);
    if (last > 0 && static_cast<uint32_t>(last) > frames) {
        const std::string text = "/E" + std::to_string(last) + ": " + input + " has only " + std::to_string(frames) +
                                 (frames == 1 ? " frame" : " frames") + ", so /E" + std::to_string(frames) +
                                 " is used.";
        PlatformError(program, nullptr, text.c_str());
    }
    return 0;
}

// The words for a frame that cannot be read, the same in every tool.
inline std::string DamagedFrameText(uint32_t frame)
{
    return "frame " + std::to_string(frame) + " is damaged or cut off";
}

// The end of a run that kept the frames before a damaged one: the report,
// then the warning naming the first bad frame, and status 1.
inline int FinishDamaged(const std::string &report, const char *program, const std::string &input, uint32_t frame,
                         const char *done)
{
    Finish(report);
    const std::string warning = DamagedFrameText(frame) + "; the " + std::to_string(frame - 1) + " frame" +
                                (frame == 2 ? "" : "s") + " before it were " + done + ".";
    PlatformError(program, input.c_str(), warning.c_str());
    return PLATFORM_EXIT_FAILURE;
}

// An input that could not be opened, once, with its name and why: what the
// system says (missing, unreadable, a directory), else what the reader found
// ("Error opening NAME: REASON" from the graphics input, or another error
// that says more than "Error opening"), else `otherwise` ("not a graphics
// file it can read").
inline int FailOpen(const std::string &name, const std::string &otherwise)
{
    std::string reason = PlatformOpenFailure(name.c_str(), "");
    if (reason.empty() && StartsAsZorblax(name))
        reason = ZorblaxFailure(name); // the decode library's words, as in every tool
    if (reason.empty()) {
        const std::string &found = LastError();
        const std::string named = "Error opening " + name + ": ";
        if (found.rfind(named, 0) == 0 && found.size() > named.size())
            reason = found.substr(named.size());
        else
            reason = found.empty() || found.find("Error opening") != std::string::npos ? otherwise : found;
        if (reason.size() > 1 && std::isupper(static_cast<unsigned char>(reason[0])) &&
            std::islower(static_cast<unsigned char>(reason[1])))
            reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    return Fail("Error opening " + name + ": " + reason);
}

// The failure of a converter call: its last error, or the user's cancel.
inline int FailConversion()
{
    return Fail(LastError().empty() ? "Cancelled; nothing was written." : LastError());
}

// Refuses an output that is the input, or that exists and may not be
// replaced (askOverwrite answers the question when overwriteAll is off).
// Returns 0 when the output may be written, else the failure status.
template <class Ask>
int CheckOutput(const std::string &input, const std::string &output, bool overwriteAll, Ask askOverwrite)
{
    if (tool::SameFile(input.c_str(), output.c_str()))
        return Fail(output + ": the output file must be different from the input file.");
    struct stat st;
    if (!overwriteAll && stat(output.c_str(), &st) == 0 && !askOverwrite(output.c_str()))
        return Fail(output + ": exists and was not overwritten (use /O).");
    return 0;
}

// True when the input is a Zorblax file with a sound track.
inline bool HasSound(const std::string &input)
{
    if (!StartsAsZorblax(input))
        return false;
    ZorbHandle *h = ZorbOpen(const_cast<char *>(input.c_str()), 0, -1);
    bool sound = false;
    for (int t = 0; h && t < ZBX_MAX_TRACKS; ++t)
        sound = sound || ((h->AudioFormat[t] & ZBX_AUDIO_PRESENT) && (h->AudioFormat[t] & ZBX_AUDIO_RATE_MASK));
    ZorbClose(h);
    return sound;
}

// Runs a conversion of graphics (ZencConvertGraphics) under the status line
// and ends the run: the final error once, or the report "Converted INPUT into
// OUTPUTS: ..." (Finish).
inline int ConvertGraphics(const ZencConvertParams &params, uint32_t started, const char *program)
{
    const std::string input = params.input, output = params.output;
    ZencConvertReport r{};
    if (!ZencConvertGraphics(&params, Progress, &r)) {
        if (r.declined)
            return Fail("The output file " + output + " was not overwritten.");
        if (r.inputFailed)
            return FailOpen(input, "not a graphics file it can read");
        if (r.firstBeyond)
            return RefuseFrame(program, 'S', params.first, input, r.sourceFrames);
        if (r.damagedFrame)
            return Fail("Error reading " + input + ": " + DamagedFrameText(r.damagedFrame));
        return FailConversion();
    }
    CheckFrameRange(program, input, params.first, params.last, r.sourceFrames);
    char elapsed[64];
    GetElapsedTime(elapsed, PlatformTimeMs() - started);
    char report[2048];
    std::snprintf(report, sizeof report, "Converted %s into %s: %u frames, %llu bytes, in %s.", input.c_str(),
                  r.summary, r.frames, static_cast<unsigned long long>(r.bytes), elapsed);
    // A y4m stream (a .y4m file or "-") carries the sound beside it; other
    // kinds take the pictures only, which is said.
    const bool stream = output == "-";
    const bool y4m = stream || (output.size() > 4 && strcasecmp(output.c_str() + output.size() - 4, ".y4m") == 0);
    if (!y4m && HasSound(input))
        PlatformError(program, input.c_str(),
                      ("its sound is not carried into " + output + ": only the pictures were converted.").c_str());
    if (stream) { // standard output carries the frames: the report stays on the status line
        StatusSet(report);
        StatusClose(0);
        if (!r.damagedFrame)
            return PLATFORM_EXIT_DONE;
        PlatformError(program, input.c_str(),
                      (DamagedFrameText(r.damagedFrame) + "; the frames before it were converted.").c_str());
        return PLATFORM_EXIT_FAILURE;
    }
    if (r.damagedFrame)
        return FinishDamaged(report, program, input, r.damagedFrame, "converted");
    return Finish(report);
}

} // namespace tool

#endif

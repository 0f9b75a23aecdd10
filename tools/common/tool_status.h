// What the converting tools (zorbc, pictproc, sndproc, zorbfr) share around
// vexutil's status line: the progress function that keeps the last error, the final error
// printed once and carried by the front end's report, and the output check.
#ifndef TOOLS_COMMON_TOOL_STATUS_H
#define TOOLS_COMMON_TOOL_STATUS_H

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "encoder/encoder.h"
#include "platform/platform.h"
#include "vexutil/vexutil.h"

namespace tool {

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
    return StatusSet(text) ? 0 : 1;  // the status line is gone once the user cancelled
}

// The final error: printed once, whole, and carried by the front end's report.
inline int Fail(const std::string &text)
{
    StatusMessage(text.c_str(), 1);
    StatusClose(0);
    return PLATFORM_EXIT_FAILURE;
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
    if (ZencSameFile(input.c_str(), output.c_str()))
        return Fail(output + ": the output file must be different from the input file.");
    struct stat st;
    if (!overwriteAll && stat(output.c_str(), &st) == 0 && !askOverwrite(output.c_str()))
        return Fail(output + ": exists and was not overwritten (use /O).");
    return 0;
}

// Runs a conversion of graphics (ZencConvertGraphics) under the status line
// and ends the run: the final error once, or the report "Converted INPUT into
// OUTPUTS: ..." on the status line (and on standard output when asked).
inline int ConvertGraphics(const ZencConvertParams &params, uint32_t started, bool printReport)
{
    const std::string input = params.input, output = params.output;
    ZencConvertReport r{};
    if (!ZencConvertGraphics(&params, Progress, &r)) {
        if (r.declined) return Fail("The output file " + output + " was not overwritten.");
        // Why the input did not open, in words, when the system can tell.
        const std::string reason = r.inputFailed ? PlatformOpenFailure(input.c_str(), "") : "";
        if (!reason.empty()) return Fail("Error opening " + input + ": " + reason);
        return FailConversion();
    }
    char elapsed[64];
    GetElapsedTime(elapsed, PlatformTimeMs() - started);
    char report[2048];
    std::snprintf(report, sizeof report, "Converted %s into %s: %u frames, %llu bytes, in %s.", input.c_str(),
                  r.summary, r.frames, static_cast<unsigned long long>(r.bytes), elapsed);
    StatusSet(report);
    if (printReport) std::printf("%s\n", report);
    StatusClose(0);
    return PLATFORM_EXIT_DONE;
}

}  // namespace tool

#endif

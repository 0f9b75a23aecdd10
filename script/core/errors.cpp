// ScriptError: the one way a command fails. The report goes to the trace
// file and the message box (standard error), every file is flushed and
// closed, and the run unwinds to the main routine.
#include "script/core/commands.h"
#include "script/core/interp.h"

namespace zscript {

namespace {

std::string WithLinuxLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

} // namespace

void CloseAllSlots(Interp &in)
{
    for (int i = 0; i < kFileSlots; ++i)
        if (in.slots[i])
            CloseFileSlot(in, static_cast<uint8_t>(i));
}

void ScriptError(Interp &in, std::string_view message, std::string_view detail, std::string_view tail)
{
    if (in.host)
        CloseScreen(in);
    std::string report(tail);
    if (!in.scriptName.empty())
        report += "  In script file: " + in.scriptName + "  At line number: " + std::to_string(in.lineNumber) + ".\r\n";
    if (Tracing(in)) {
        std::string t = "\r\n";
        t += message;
        t += detail;
        t += tail;
        t += "\r\n";
        TraceWrite(in, t);
    }
    // What the script wrote so far reaches the disk before the report.
    CloseAllSlots(in);
    std::string text(message.substr(!message.empty() && message[0] == ' ' ? 1 : 0));
    text += detail;
    text += report;
    if (in.host)
        in.host->Message("Error", WithLinuxLineEnds(text));
    throw ScriptAbort{};
}

void CommandError(Interp &in, std::string_view message)
{
    const std::string line = LineBuffer(in);
    ScriptError(in, message, line, "\r\n");
}

void CmdNotBuilt(Interp &in)
{
    CommandError(in, "  Command not available in this version:\r\n    ");
}

void ListLine(Interp &in, std::string_view text)
{
    if (Tracing(in)) {
        std::string t(text);
        t += "\r\n";
        TraceWrite(in, t);
    } else {
        TextOut(in, text, true);
    }
}

} // namespace zscript

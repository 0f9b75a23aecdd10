// Flow commands: GOTO, GOSUB, RETURN, CALL, CALLANDGOSUB, IF, IFSET,
// INTERPRET, END, EXIT, and the trace file commands DEBUGFILE, DEBUGTEXT.
#include "script/core/commands.h"
#include "script/core/interp.h"

namespace zscript {

namespace {

void Unindent(Interp &in)
{
    in.indent.resize(in.indent.size() >= 2 ? in.indent.size() - 2 : 0);
}

// CALL and CALLANDGOSUB: the called file reuses the command buffers, so the
// rest of the calling line is kept aside and runs after the call returns.
void CallScript(Interp &in, const std::string &name, const std::string &label)
{
    const std::string scriptName = in.scriptName;
    const std::string line = LineBuffer(in);
    const std::string rest(in.params.substr(in.pos));
    const uint32_t lineNumber = in.lineNumber;
    const bool ok = RunScriptFile(in, name, label);
    in.scriptName = scriptName;
    SetLine(in, line);
    SetParams(in, rest);
    in.lineNumber = lineNumber;
    if (!ok)
        CommandError(in, "  Error opening script in command:\r\n    ");
}

void Condition(Interp &in, bool result)
{
    TraceWrite(in, result ? "  ***True " : "  ***False");
}

} // namespace

void CmdGoto(Interp &in)
{
    JumpToLabel(in, ReadTextView(in));
}

void CmdGosub(Interp &in)
{
    if (in.returnDepth > kReturnDepth - 1)
        ScriptError(in, "  Too many GOSUBs.");
    in.indent += "  ";
    in.returnStack[in.returnDepth++] = in.position;
    JumpToLabel(in, ReadTextView(in));
}

void CmdReturn(Interp &in)
{
    SkipBlanks(in);
    // Only the entries of the running file are popped: its GOSUBs and the
    // end mark its start pushed.
    if (in.returnDepth > in.fileDepthBase) {
        in.position = in.returnStack[--in.returnDepth];
        Unindent(in);
    } else {
        in.control = CTRL_LEAVE_SCRIPT;
    }
    TraceWrite(in, "\r\n");
}

void CmdCall(Interp &in)
{
    const std::string name = ReadText(in);
    CallScript(in, name, {});
}

void CmdCallAndGosub(Interp &in)
{
    const std::string name = ReadText(in);
    const std::string label = ReadText(in, 1);
    CallScript(in, name, label);
}

void CmdIf(Interp &in)
{
    const Operand left = ReadValueOperand(in, 0);
    const std::string_view op = ReadTextView(in, 1);
    const Operand right = ReadValueOperand(in, 2);
    const bool result = CompareOperands(in, left, op, right);
    Condition(in, result);
    if (result) {
        SetLineFrom(in, in.params.substr(in.pos), false);
        in.control = CTRL_EXECUTE_LINE;
    }
    in.params = {};
    in.pos = 0;
}

void CmdIfSet(Interp &in)
{
    const std::string left = ReadValue(in, 0);
    const std::string op = ReadText(in, 1);
    const std::string right = ReadValue(in, 2);
    const std::string name = ReadName(in, 0);
    const std::string ifTrue = ReadValue(in, 1);
    const std::string ifFalse = ReadValue(in, 2);
    const bool result = CompareValues(left, op, right);
    Condition(in, result);
    SetVariable(in, name, result ? ifTrue : ifFalse);
}

void CmdInterpret(Interp &in)
{
    SetLine(in, ReadText(in));
    in.params = {};
    in.pos = 0;
    in.control = CTRL_EXECUTE_LINE;
}

void CmdEnd(Interp &in)
{
    SkipBlanks(in);
    in.control = CTRL_END_ALL;
}

void CmdExit(Interp &in)
{
    SkipBlanks(in);
    in.control = CTRL_LEAVE_SCRIPT;
}

void CmdDebugFile(Interp &in)
{
    const std::string name = ReadValue(in);
    if (in.debugFile != kNoSlot) {
        const uint8_t slot = in.debugFile;
        in.debugFile = kNoSlot;
        CloseFileSlot(in, slot);
    }
    if (name.empty())
        return;
    RefuseInSandbox(in);
    in.debugFile = OpenFileSlot(in, name, 1);
}

void CmdDebugText(Interp &in)
{
    const std::string &text = ReadValue(in);
    if (!Tracing(in))
        return;
    TraceWrite(in, "\r\n" + text + "\r\n");
    VEXFileFlush(in.slots[in.debugFile]);
}

} // namespace zscript

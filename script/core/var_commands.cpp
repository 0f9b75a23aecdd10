// Variable and arithmetic commands: VARSET, VARFREE, VARPUSH, VARPOP, VARLIST,
// COMPUTE, COMPUTEABS, COMPUTESQRT.
#include "script/core/commands.h"
#include "script/core/interp.h"

namespace zscript {

namespace {

// Reads names up to the end of the command (";" or "#" or nothing left). A
// parameter that cannot start a name stops the command instead of being
// read again for ever.
std::vector<std::string> ReadNameList(Interp &in)
{
    std::vector<std::string> names;
    while (!ParamsDone(in)) {
        const size_t before = in.pos;
        std::string &name = ReadName(in);
        if (name.empty() && in.pos == before)
            CommandError(in, "  Needed a variable in command:\r\n    ");
        names.push_back(name);
    }
    return names;
}

} // namespace

uint32_t IntegerSquareRoot(uint32_t n)
{
    if (n <= 1)
        return n;
    uint32_t x = 65535;
    for (;;) {
        const uint32_t s = n / x + x;
        const uint32_t y = s / 2;
        if (y < x) {
            x = y;
            continue;
        }
        return y + (s & 1u);
    }
}

void CmdVarSet(Interp &in)
{
    std::string name = ReadName(in);
    std::string &value = in.tok[1];
    uint8_t kind = ReadToken(in, value, true);
    if (kind == TOKEN_COMPARE && value == "=")
        kind = ReadToken(in, value, true);
    if (kind == TOKEN_NONE)
        CommandError(in, "  Needed a parameter in command:\r\n    ");
    SetVariable(in, name, value);
}

void CmdVarFree(Interp &in)
{
    for (const std::string &name : ReadNameList(in))
        SetVariable(in, name, {});
}

void CmdVarPush(Interp &in)
{
    PushVariables(in, ReadNameList(in));
}

void CmdVarPop(Interp &in)
{
    PopVariables(in);
}

void CmdVarList(Interp &in)
{
    NeedWindow(in);
    for (const std::string &entry : ListVariables(in))
        ListLine(in, entry);
}

void CmdCompute(Interp &in)
{
    const Operand name = ReadNameOperand(in);
    int32_t left;
    const Operand first = ReadOperand(in, in.tok[1], true, false);
    if (first.kind == TOKEN_NUMBER)
        left = first.number;
    else if (first.kind == TOKEN_COMPARE && first.text == "=")
        left = ReadNumber(in, 1);
    else
        CommandError(in, "  Error in compute command:\r\n    ");
    std::string_view op = ReadValueView(in, 2);
    int32_t right;
    if (op.size() > 1 && op[0] == '-') {
        right = ToNumber(op);
        right = static_cast<int32_t>(0u - static_cast<uint32_t>(right));
        op = "-";
    } else {
        right = ReadNumber(in, 1);
    }
    const auto a = static_cast<uint32_t>(left), b = static_cast<uint32_t>(right);
    uint32_t r;
    if (op == "+")
        r = a + b;
    else if (op == "-")
        r = a - b;
    else if (op == "*")
        r = a * b;
    else if (op == "/")
        r = right == 0 ? 0u : static_cast<uint32_t>(static_cast<int64_t>(left) / right);
    else if (op == "%")
        r = right == 0 ? 0u : static_cast<uint32_t>(static_cast<int64_t>(left) % right);
    else if (op == "&")
        r = a & b;
    else if (op == "|")
        r = a | b;
    else if (op == "^")
        r = a ^ b;
    else
        CommandError(in, "  Unknown operator in command:\r\n    ");
    SetVariableNumber(in, name, static_cast<int32_t>(r));
}

void CmdComputeAbs(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t v = ReadNumber(in, 1);
    const uint32_t u = static_cast<uint32_t>(v);
    SetVariableNumber(in, name, static_cast<int32_t>(v < 0 ? 0u - u : u));
}

void CmdComputeSqrt(Interp &in)
{
    const std::string name = ReadName(in);
    const auto v = static_cast<uint32_t>(ReadNumber(in, 1));
    const uint32_t r = IntegerSquareRoot(v);
    SetVariable(in, name, std::to_string(r));
}

} // namespace zscript

// The mouse family: areas with their levels and pointer images, the
// pointer's position and the mouse queries.
#include "script/commands/input_family.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

namespace zscript {

namespace {

// A pointer bitmap parameter: 0 for none, else a bitmap that exists.
int32_t ReadPointerBitmap(Interp &in)
{
    const int32_t number = ReadNumber(in, 1);
    return CheckBitmapOrNone(in, number) ? number : kNoPointerBitmap;
}

} // namespace

void CmdMouseAdd(Interp &in)
{
    MouseArea area;
    area.name = ReadText(in);
    const int32_t x = ReadNumber(in, 1) + in.screen.originX;
    const int32_t y = ReadNumber(in, 1) + in.screen.originY;
    const int32_t width = ReadNumber(in, 1), height = ReadNumber(in, 1);
    area.bitmap = ReadPointerBitmap(in);
    area.left = x;
    area.top = y;
    area.right = static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(width));
    area.bottom = static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(height));
    if (!in.input.areas.Add(std::move(area)))
        CommandError(in, "  Could not add mouse area in command:\r\n    ");
    PointerImageFromAreas(in);
}

void CmdMouseRemove(Interp &in)
{
    const std::string name = ReadText(in);
    in.input.areas.Remove(name);
    PointerImageFromAreas(in);
}

void CmdMouseRemoveAll(Interp &in)
{
    in.input.areas.RemoveAll();
    PointerImageFromAreas(in);
}

void CmdMousePushAndRemoveAll(Interp &in)
{
    RemovePointer(in);
    in.input.areas.Push();
    PointerImageFromAreas(in);
}

void CmdMousePop(Interp &in)
{
    RemovePointer(in);
    in.input.areas.Pop();
    PointerImageFromAreas(in);
}

void CmdMouseArea(Interp &in)
{
    const std::string &name = ReadName(in);
    const SoftPointer &p = in.input.pointer;
    const MouseArea *area = p.x == -1 && p.y == -1 ? nullptr : in.input.areas.At(p.x, p.y);
    SetVariable(in, name, area ? std::string_view(area->name) : std::string_view());
}

void CmdMouseX(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, in.input.pointer.x - in.screen.originX);
}

void CmdMouseY(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, in.input.pointer.y - in.screen.originY);
}

void CmdMouseSetXY(Interp &in)
{
    int32_t x = ReadNumber(in) + in.screen.originX;
    int32_t y = ReadNumber(in, 1) + in.screen.originY;
    ClampPointer(in, x, y);
    SoftPointer &p = in.input.pointer;
    p.x = x;
    p.y = y;
    if (in.screen.open && in.host->HasWindow())
        in.host->MovePointer(x, y);
}

void CmdMousePresent(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, in.host->MousePresent() ? 1 : 0);
}

void CmdMouseMode(Interp &in)
{
    in.input.mouseMode = ReadNumber(in);
}

} // namespace zscript

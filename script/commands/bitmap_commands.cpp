// Bitmap commands: allocating and freeing the numbered bitmaps and their sizes.
#include "script/core/bitmap_store.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

namespace zscript {

void CmdBitmapalloc(Interp &in)
{
    const std::string name = ReadName(in);
    const auto width = static_cast<uint32_t>(ReadNumber(in, 1));
    const auto height = static_cast<uint32_t>(ReadNumber(in, 1));
    SetVariableNumber(in, name, AllocBitmap(in, width, height));
}

// The parameter is a variable holding the number; the variable is deleted.
void CmdBitmapfree(Interp &in)
{
    const std::string name = ReadName(in);
    std::string key = name;
    FreeBitmap(in, ToNumber(GetVariable(in, key)));
    SetVariable(in, name, "");
}

void CmdBitmapwidth(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(CheckBitmap(in, ReadNumber(in, 1)).width));
}

void CmdBitmapheight(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(CheckBitmap(in, ReadNumber(in, 1)).height));
}

}  // namespace zscript

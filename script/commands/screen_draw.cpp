// Changes of the script's screen: pointer removal, clipping and showing the
// changed rectangles (see screen_draw.h).
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"

#include <algorithm>
#include <cstring>

namespace zscript {

ScreenRect ClipToScreen(const Screen &s, int64_t x, int64_t y, int64_t width, int64_t height)
{
    if (!s.open || width <= 0 || height <= 0)
        return {};
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(x + width, s.surface.width);
    const int64_t y1 = std::min<int64_t>(y + height, s.surface.height);
    if (x0 >= x1 || y0 >= y1)
        return {};
    return {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1 - x0),
            static_cast<int32_t>(y1 - y0)};
}

ScreenChange::ScreenChange(Interp &in, int64_t x, int64_t y, int64_t width, int64_t height)
    : in_(in), rect_(ClipToScreen(in.screen, x, y, width, height))
{
    if (!rect_.Empty())
        RemovePointerOver(in_, rect_.x, rect_.y, rect_.width, rect_.height);
}

ScreenChange::~ScreenChange()
{
    if (!rect_.Empty() && in_.screen.open)
        in_.host->ShowRect(rect_.x, rect_.y, rect_.width, rect_.height);
}

void FillScreen(Interp &in, int64_t x, int64_t y, int64_t width, int64_t height, uint8_t colour)
{
    const ScreenChange change(in, x, y, width, height);
    const ScreenRect &r = change.Rect();
    for (int32_t row = r.y; row < r.y + r.height; ++row)
        std::memset(in.screen.surface.Row(row) + r.x, colour, static_cast<size_t>(r.width));
}

void NeedWindow(Interp &in)
{
    if (!in.screen.open || !in.host->HasWindow())
        ScriptError(in, "  A window hasn't been created yet (use ScreenGraphics first).\r\n");
}

void ScreenWaitStarts(Interp &in)
{
    if (in.screen.open)
        in.host->ShowChanges(true);
}

} // namespace zscript

// The bitmap slots: allocation in the first free slot, the number check,
// freeing.
#include "script/core/bitmap_store.h"
#include "script/core/interp.h"

#include <new>

namespace zscript {

int32_t AllocBitmap(Interp &in, uint32_t width, uint32_t height)
{
    BitmapStore &store = in.bitmaps;
    const uint64_t size = uint64_t{width} * height;
    if (width > kBitmapPixelLimit || height > kBitmapPixelLimit || size > kBitmapPixelLimit ||
        store.pixelsInUse + size > kBitmapTotalLimit)
        return 0;
    for (int i = 0; i < kBitmapSlots; ++i) {
        if (store.slots[i])
            continue;
        try {
            auto bitmap = std::make_unique<ScriptBitmap>();
            bitmap->width = width;
            bitmap->height = height;
            bitmap->pixels.assign(static_cast<size_t>(size), 0);
            store.slots[i] = std::move(bitmap);
        } catch (const std::bad_alloc &) {
            return 0;
        }
        store.pixelsInUse += size;
        return kBitmapBase + i;
    }
    return 0;
}

ScriptBitmap &CheckBitmap(Interp &in, int32_t number)
{
    const int64_t slot = int64_t{number} - kBitmapBase;
    if (slot < 0 || slot >= kBitmapSlots || !in.bitmaps.slots[slot])
        CommandError(in, "  Bad frame parameter:\r\n    ");
    return *in.bitmaps.slots[slot];
}

ScriptBitmap *CheckBitmapOrNone(Interp &in, int32_t number)
{
    return number == 0 ? nullptr : &CheckBitmap(in, number);
}

void FreeBitmap(Interp &in, int32_t number)
{
    ScriptBitmap &bitmap = CheckBitmap(in, number);
    in.bitmaps.pixelsInUse -= bitmap.pixels.size();
    in.bitmaps.slots[number - kBitmapBase].reset();
}

} // namespace zscript

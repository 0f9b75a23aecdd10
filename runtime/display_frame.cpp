// A decoded frame on the display: the decoder's output pointed at the buffer,
// and the changed rectangles drawn as one batch.
#include "codec/zorb.h"
#include "runtime/display.h"

extern "C" void DisplayAttach(ZorbDisplay *d, ZorbHandle *h)
{
    if (!d || !h)
        return;
    ZorbSetOutput(h, 0, 0, static_cast<uint32_t>(d->Pitch), static_cast<uint32_t>(d->Height), d->Buffer,
                  d->BottomUp ? 1u : 0u);
}

extern "C" void DisplayDrawChanges(ZorbDisplay *d, ZorbHandle *h)
{
    if (!d)
        return;
    DisplayBeginBatch(d);
    if (h) {
        while (ZorbNextDirtyRect(h, d->RectMode)) {
            const int32_t x = h->LastRectX, y = h->LastRectY;
            if (DisplayDraw(d, nullptr, x, y, x, y, h->LastRectW, h->LastRectH) == DISPLAY_REPAINTED)
                break;
        }
    }
    DisplayEndBatch(d);
}

// The blitter handle's private side: allocation layout and the table state
// that the public record does not show.
#ifndef ZORB_RUNTIME_BLIT_HANDLE_H
#define ZORB_RUNTIME_BLIT_HANDLE_H

#include <cstdint>

#include "runtime/blit.h"

namespace zorb::blit {

struct Handle {
    ZorbBlitter pub; // first: a ZorbBlitter* is a Handle*
    // 16-bit pixel format (1 = 5-6-5) the colour table and the 16-bit pair table
    // were built for: a format change through set-flags rebuilds them.
    uint32_t colourTableIs565;
    uint32_t pairTableIs565;
};

inline Handle *Priv(ZorbBlitter *h)
{
    return reinterpret_cast<Handle *>(h);
}

inline bool Is16Bit(uint32_t flags)
{
    return flags >= ZORB_BLIT_16BIT_ANY;
}
inline bool Is565(uint32_t flags)
{
    return (flags & ZORB_BLIT_16BIT_565) == ZORB_BLIT_16BIT_565;
}
uint32_t ModeOf(uint32_t flags);

// True when the wide loops are in use (process-wide level 2).
bool UseWide();

} // namespace zorb::blit

#endif

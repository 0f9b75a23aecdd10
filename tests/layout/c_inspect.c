/* Compiled as C: codec/inspect.h stands alone in a C program. */
#include "codec/inspect.h"

#include <stddef.h>

size_t zorb_c_header_inspect(void);
size_t zorb_c_header_inspect(void)
{
    return sizeof(ZorbFrameLayout);
}

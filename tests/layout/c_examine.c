/* Compiled as C: codec/examine.h stands alone in a C program. */
#include "codec/examine.h"

#include <stddef.h>

size_t zorb_c_header_examine(void);
size_t zorb_c_header_examine(void)
{
    return sizeof(ZorbFrameLayout);
}

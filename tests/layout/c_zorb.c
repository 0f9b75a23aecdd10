/* Compiled as C: codec/zorb.h stands alone in a C program. */
#include "codec/zorb.h"

#include <stddef.h>

size_t zorb_c_header_zorb(void);
size_t zorb_c_header_zorb(void)
{
    return sizeof(ZorbHandle) + sizeof(ZorbStats);
}

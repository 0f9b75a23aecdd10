/* Compiled as C: runtime/blit.h stands alone in a C program. */
#include "runtime/blit.h"

#include <stddef.h>

size_t zorb_c_header_blit(void);
size_t zorb_c_header_blit(void)
{
    return sizeof(ZorbBlitter);
}

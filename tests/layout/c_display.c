/* Compiled as C: runtime/display.h stands alone in a C program. */
#include "runtime/display.h"

#include <stddef.h>

size_t zorb_c_header_display(void);
size_t zorb_c_header_display(void)
{
    return sizeof(ZorbDisplay) + sizeof(DisplayRect);
}

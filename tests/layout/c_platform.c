/* Compiled as C: platform/platform.h stands alone in a C program. */
#include "platform/platform.h"

#include <stddef.h>

size_t zorb_c_header_platform(void);
size_t zorb_c_header_platform(void)
{
    return sizeof(PlatformRiffWriter);
}

/* Compiled as C: runtime/sound.h stands alone in a C program. */
#include "runtime/sound.h"

#include <stddef.h>

size_t zorb_c_header_sound(void);
size_t zorb_c_header_sound(void)
{
    return 1;
}

/* Compiled as C: encoder/encoder.h stands alone in a C program. */
#include "encoder/encoder.h"

#include <stddef.h>

size_t zorb_c_header_encoder(void);
size_t zorb_c_header_encoder(void)
{
    return sizeof(ZencParams) + sizeof(ZencReport);
}

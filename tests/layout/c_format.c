/* Compiled as C: codec/format.h stands alone in a C program. */
#include "codec/format.h"

#include <stddef.h>

size_t zorb_c_header_format(void);
size_t zorb_c_header_format(void)
{
    return sizeof(ZbxHeader) + ZBX_TREE_COUNT;
}

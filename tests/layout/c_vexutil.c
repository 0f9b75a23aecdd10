/* Compiled as C: vexutil/vexutil.h stands alone in a C program. */
#include "vexutil/vexutil.h"

#include <stddef.h>

size_t zorb_c_header_vexutil(void);
size_t zorb_c_header_vexutil(void)
{
    return sizeof(GFILE) + sizeof(SFILE) + sizeof(CSFILE);
}

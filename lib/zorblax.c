/* Everything of libzorblax.so comes from the toolkit's static libraries
   (see CMakeLists.txt); this file only gives the library its one source. */
#include "codec/examine.h"
#include "codec/zorb.h"
#include "runtime/blit.h"

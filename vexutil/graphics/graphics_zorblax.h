// Zorblax files as a graphics input source, through the decode library.
#ifndef ZORB_VEXUTIL_GRAPHICS_GRAPHICS_ZORBLAX_H
#define ZORB_VEXUTIL_GRAPHICS_GRAPHICS_ZORBLAX_H

#include <string>

#include "vexutil/graphics/graphics_input_internal.h"

namespace vex {

// Opens name (".zbx" appended when it has no extension) as the handle's
// source; false when it is not a Zorblax file.
bool OpenZorblaxSource(GFILE *g, const std::string &name);

} // namespace vex

#endif

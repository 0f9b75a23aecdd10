// Zorblax files as a graphics input source, through the decode library.
#ifndef VEXUTIL_GRAPHICS_ZORBLAX_H
#define VEXUTIL_GRAPHICS_ZORBLAX_H

#include <string>

#include "vexutil/graphics/graphics_input_internal.h"

namespace vex {

// Opens name (".zbx" appended when it has no extension); false when it is
// not a Zorblax file.
bool OpenZorblaxSource(GFILE *g, const std::string &name);
ReadResult ReadZorblaxFrame(GFILE *g, bool *paletteChanged);
void RewindZorblaxSource(GFILE *g);
void CloseZorblaxSource(GFILE *g);

}  // namespace vex

#endif

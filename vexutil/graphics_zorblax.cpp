// Zorblax files as a graphics input source.
#include "vexutil/graphics_zorblax.h"

namespace vex {

bool OpenZorblaxSource(GFILE *, const std::string &)
{
    return false;
}

ReadResult ReadZorblaxFrame(GFILE *, bool *paletteChanged)
{
    *paletteChanged = false;
    return ReadResult::Failed;
}

void RewindZorblaxSource(GFILE *) {}

void CloseZorblaxSource(GFILE *) {}

}  // namespace vex

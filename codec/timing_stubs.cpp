// Placeholder until the sound chunk decoder lands: compressed chunks play as silence.
#include "codec/timing.h"

namespace zorb {

void DecodeSoundIntoRing(const uint8_t *, uint32_t, uint32_t, uint8_t *, uint8_t *, uint8_t *, uint8_t *) {}

}  // namespace zorb

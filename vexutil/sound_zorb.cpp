// Zorblax sound tracks as a sound input source (placeholder until the decode
// library's track interface is available).
#include "vexutil/sound_source.h"

namespace vex::sound {

bool OpenZorbSource(const std::string &, int32_t, SFILEPROGRESS, Opened *, bool *failed) {
    *failed = false;
    return false;
}

}  // namespace vex::sound

// Sound tracks: waiting for the sound chunk encoder of libvexutil.
#include "encoder/writer_internal.h"

namespace zenc {

void CloseTrack(CSFILE *) {}

bool SpoolTrack(CSFILE *, uint32_t, uint32_t, const std::string &, std::vector<std::vector<uint8_t>> &, uint32_t &,
                uint32_t &, ProgressFn, std::string &error) {
    error = "Error: sound tracks cannot be written yet.";
    return false;
}

}  // namespace zenc

// The mixer's reading of a Zorblax file: header, tables, tree data and
// frames checked against the data, every frame split into its chunks.
#include <cstddef>
#include <cstdint>

#include "encoder/writer_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    zenc::ContainerFile file;
    std::string error;
    if (!zenc::ParseContainer(data, size, "input", file, error))
        return 0;
    for (size_t i = 0; i < file.frames.size(); ++i) {
        zenc::FrameChunks parts;
        if (zenc::SplitFrame(file.frames[i], file.frameTypes[i], parts) && !parts.palette.empty()) {
            zenc::Palette6 palette{};
            zenc::ApplyPaletteChunk(parts.palette.data(), parts.palette.size(), palette);
        }
    }
    return 0;
}

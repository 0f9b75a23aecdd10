// Still images out through GraphicsMagick: a picture of 8-bit colour indices
// with its 256-entry palette, or of 24-bit pixels, encoded in one of the
// image layer's formats. Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_IMAGE_WRITER_H
#define ZORB_VEXUTIL_GRAPHICS_IMAGE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vexutil/graphics/image_layer.h"

namespace vex {

struct PictureToSave {
    int width = 0, height = 0;
    int bits = 8;                     // 8: indices into palette; 24: blue, green, red
    const uint8_t *pixels = nullptr;  // top row first
    size_t stride = 0;                // bytes between rows
    const uint8_t *palette = nullptr; // 768 bytes red, green, blue (8-bit pictures)
};

// The file's bytes. 8-bit pictures keep their indices and all 256 palette
// entries in the palettised formats (BMP, PCX, TIFF, GIF, PNG); JPEG and TGA
// are written in true colour. Returns false with a reason when encoding fails.
bool EncodeStillImage(ImageFormat format, const PictureToSave &picture, std::vector<uint8_t> *out, std::string &error);

} // namespace vex

#endif

// Writes test images with GraphicsMagick: 8-bit palettised (given indices and
// colour table) and true colour, in any format it writes by name prefix
// ("BMP3", "PCX", "TGA", "TIFF", "GIF", "PNG8", "JPEG", ...).
#ifndef ZORB_TESTS_SUPPORT_GFX_IMAGES_H
#define ZORB_TESTS_SUPPORT_GFX_IMAGES_H

#include <cstdint>
#include <string>
#include <vector>

namespace gfxsamples {

// indices: width x height, top row first; palette: 768 bytes.
bool WritePalettedImage(const std::string &magick, const std::string &path, int width, int height,
                        const std::vector<uint8_t> &indices, const std::vector<uint8_t> &palette);
// rgb: width x height x 3, top row first.
bool WriteTrueColourImage(const std::string &magick, const std::string &path, int width, int height,
                          const std::vector<uint8_t> &rgb);

} // namespace gfxsamples

#endif

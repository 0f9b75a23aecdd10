// The still-image layer of graphics input: BMP, PCX, TGA, TIFF, GIF, JPEG and
// PNG through GraphicsMagick, described by width, height and bits per pixel
// and delivered as pixel rows and a colour table. Palettised images (1 to 8
// bits) come as one byte per pixel holding the file's own colour indices,
// with the file's colour table unchanged; all others as 24-bit pixels in the
// byte order of the other true-colour sources (blue, green, red). Internal to
// vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_IMAGE_LAYER_H
#define ZORB_VEXUTIL_GRAPHICS_IMAGE_LAYER_H

#include <cstdint>
#include <string>
#include <vector>

namespace vex {

enum class ImageFormat { Bmp, Gif, Tiff, Jpeg, Tga, Pcx, Png };

struct StillImage {
    int width = 0, height = 0;
    int bits = 0;      // bits per pixel of the source: 1..8 palettised, 24 otherwise
    int delivered = 0; // 8 (indices) or 24 (blue, green, red)
    size_t stride = 0; // bytes per delivered row, top row first
    std::vector<uint8_t> pixels;
    uint8_t palette[768] = {}; // red, green, blue; entries beyond the table are 0
    int colours = 0;           // entries in the file's colour table
};

// Starts GraphicsMagick once per process (every use of it calls this first).
void InitImageLibrary();

// Reads the image at path as the given format (the format decides; the
// content must agree). Returns false with a reason in error when it cannot.
// A picture larger than the limits of picture_limits.h fails with its size
// in `out` and the reason in `error`.
bool LoadStillImage(const char *path, ImageFormat format, StillImage *out, std::string &error);

// The format whose extension (".bmp", ".gif", ".tif", ".tiff", ".jpg",
// ".jpeg", ".tga", ".pcx", ".png"; any case) the name ends with.
bool ImageFormatFromName(const char *name, ImageFormat *format);
const char *ImageFormatExtension(ImageFormat format); // ".bmp" etc.
// GraphicsMagick's name of the format (its reading coder: "BMP", "PNG" ...).
const char *ImageMagickName(ImageFormat format);

} // namespace vex

#endif

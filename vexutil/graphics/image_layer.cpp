// Still images through GraphicsMagick (see image_layer.h).
#include "vexutil/graphics/image_layer.h"

#include <Magick++.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>

#include "vexutil/graphics/picture_limits.h"

namespace vex {
namespace {

uint8_t To8(Magick::Quantum q)
{
    return static_cast<uint8_t>(static_cast<uint32_t>(q) * 255u / MaxRGB);
}

} // namespace

void InitImageLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // A damaged header must not make the library allocate gigabytes for
        // a picture we would refuse anyway: it refuses such files itself.
        // (Limits on the sides would make some readers fail on the header,
        // before the size can be told.)
        MagickLib::SetMagickResourceLimit(MagickLib::PixelsResource, static_cast<int64_t>(kMaxPicturePixels));
    });
}

const char *ImageFormatExtension(ImageFormat f)
{
    switch (f) {
    case ImageFormat::Bmp:
        return ".bmp";
    case ImageFormat::Gif:
        return ".gif";
    case ImageFormat::Tiff:
        return ".tif";
    case ImageFormat::Jpeg:
        return ".jpg";
    case ImageFormat::Tga:
        return ".tga";
    case ImageFormat::Pcx:
        return ".pcx";
    case ImageFormat::Png:
        return ".png";
    }
    return "";
}

bool ImageFormatFromName(const char *name, ImageFormat *format)
{
    if (!name)
        return false;
    const char *dot = std::strrchr(name, '.');
    if (!dot || std::strchr(dot, '/') || std::strchr(dot, '\\'))
        return false;
    static const struct {
        const char *ext;
        ImageFormat f;
    } table[] = {{".bmp", ImageFormat::Bmp},   {".gif", ImageFormat::Gif},  {".tif", ImageFormat::Tiff},
                 {".tiff", ImageFormat::Tiff}, {".jpg", ImageFormat::Jpeg}, {".jpeg", ImageFormat::Jpeg},
                 {".tga", ImageFormat::Tga},   {".pcx", ImageFormat::Pcx},  {".png", ImageFormat::Png}};
    for (const auto &t : table)
        if (strcasecmp(dot, t.ext) == 0) {
            *format = t.f;
            return true;
        }
    return false;
}

bool LoadStillImage(const char *path, ImageFormat format, StillImage *out, std::string &error)
{
    InitImageLibrary();
    // The bytes are read here and handed over as a blob, so that names with
    // characters the image library would interpret ("[0]", "fmt:") stay names.
    std::vector<uint8_t> bytes;
    if (FILE *f = std::fopen(path, "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    if (bytes.empty()) {
        error = "cannot read the file";
        return false;
    }
    Magick::Image img;
    try {
        Magick::Blob blob(bytes.data(), bytes.size());
        img.magick(ImageMagickName(format));
        // Only the first picture of a file that holds several is read.
        img.subRange(1);
        // The size first, from the header alone: a picture beyond the limits
        // is refused by its size, before anything is allocated for it.
        Magick::Image header;
        header.magick(ImageMagickName(format));
        header.subRange(1);
        header.ping(blob);
        const size_t w = header.columns(), h = header.rows();
        if (!WithinPictureLimits(w, h)) {
            error = "the picture is " + std::to_string(w) + " x " + std::to_string(h) + " pixels: too large (at most " +
                    std::to_string(kMaxPictureSide) + " pixels a side)";
            out->width = static_cast<int>(std::min<size_t>(w, INT32_MAX));
            out->height = static_cast<int>(std::min<size_t>(h, INT32_MAX));
            return false;
        }
        img.read(blob);
    } catch (const Magick::Warning &) {
        // A warning still leaves a usable picture.
    } catch (const std::exception &e) {
        error = e.what();
        return false;
    }
    int w = static_cast<int>(img.columns()), h = static_cast<int>(img.rows());
    if (w <= 0 || h <= 0) {
        error = "empty image";
        return false;
    }
    try {
        out->width = w;
        out->height = h;
        std::memset(out->palette, 0, sizeof out->palette);
        // Printing colour spaces (CMYK JPEG and TIFF files) are turned into RGB.
        if (img.classType() != MagickLib::PseudoClass && img.colorSpace() != Magick::RGBColorspace &&
            img.colorSpace() != Magick::GRAYColorspace)
            img.colorSpace(Magick::RGBColorspace);
        const Magick::PixelPacket *px = img.getConstPixels(0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
        if (!px) {
            error = "cannot read the pixels";
            return false;
        }
        const Magick::IndexPacket *idx = nullptr;
        size_t mapSize = 0;
        if (img.classType() == MagickLib::PseudoClass) {
            mapSize = img.colorMapSize();
            idx = img.getConstIndexes();
        }
        if (idx && mapSize > 0 && mapSize <= 256) {
            out->colours = static_cast<int>(mapSize);
            for (size_t i = 0; i < mapSize; i++) {
                Magick::Color c = img.colorMap(i);
                out->palette[3 * i] = To8(c.redQuantum());
                out->palette[3 * i + 1] = To8(c.greenQuantum());
                out->palette[3 * i + 2] = To8(c.blueQuantum());
            }
            // Bits per pixel of the file: the image's own depth when it is
            // below 8 (1, 2 or 4-bit files), else 8.
            unsigned depth = img.depth();
            out->bits = mapSize <= 2 && depth == 1 ? 1 : (mapSize <= 16 && depth < 8 ? 4 : 8);
            out->delivered = 8;
            out->stride = static_cast<size_t>(w);
            out->pixels.resize(out->stride * static_cast<size_t>(h));
            for (size_t i = 0; i < out->pixels.size(); i++) {
                size_t v = idx[i];
                out->pixels[i] = static_cast<uint8_t>(v < mapSize ? v : 0);
            }
        } else {
            out->colours = 0;
            out->bits = 24;
            out->delivered = 24;
            out->stride = static_cast<size_t>(w) * 3;
            out->pixels.resize(out->stride * static_cast<size_t>(h));
            uint8_t *d = out->pixels.data();
            for (size_t i = 0; i < static_cast<size_t>(w) * static_cast<size_t>(h); i++) {
                d[3 * i] = To8(px[i].blue);
                d[3 * i + 1] = To8(px[i].green);
                d[3 * i + 2] = To8(px[i].red);
            }
        }
    } catch (const std::exception &e) {
        error = e.what();
        return false;
    }
    return true;
}

const char *ImageMagickName(ImageFormat f)
{
    switch (f) {
    case ImageFormat::Bmp:
        return "BMP";
    case ImageFormat::Gif:
        return "GIF";
    case ImageFormat::Tiff:
        return "TIFF";
    case ImageFormat::Jpeg:
        return "JPEG";
    case ImageFormat::Tga:
        return "TGA";
    case ImageFormat::Pcx:
        return "PCX";
    case ImageFormat::Png:
        return "PNG";
    }
    return "";
}

} // namespace vex

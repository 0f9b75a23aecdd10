// Still images out through GraphicsMagick (see image_writer.h).
#include "vexutil/graphics/image_writer.h"

#include <Magick++.h>

namespace vex {
namespace {

Magick::Quantum Q(uint8_t v)
{
    return static_cast<Magick::Quantum>(v * (MaxRGB / 255));
}

// The coder that writes the format at the picture's depth.
const char *Coder(ImageFormat f, bool paletted)
{
    if (f == ImageFormat::Bmp)
        return "BMP3";
    if (f == ImageFormat::Png)
        return paletted ? "PNG8" : "PNG24";
    return ImageMagickName(f);
}

} // namespace

bool EncodeStillImage(ImageFormat format, const PictureToSave &pic, std::vector<uint8_t> *out, std::string &error)
{
    InitImageLibrary();
    if (pic.width <= 0 || pic.height <= 0 || !pic.pixels || (pic.bits != 8 && pic.bits != 24) ||
        (pic.bits == 8 && !pic.palette)) {
        error = "bad picture";
        return false;
    }
    const bool keepIndices = pic.bits == 8 && format != ImageFormat::Jpeg && format != ImageFormat::Tga;
    const unsigned w = static_cast<unsigned>(pic.width), h = static_cast<unsigned>(pic.height);
    Magick::Blob blob;
    try {
        Magick::Image img(Magick::Geometry(w, h), Magick::Color(0, 0, 0));
        if (keepIndices) {
            img.classType(MagickLib::PseudoClass);
            img.colorMapSize(256);
            for (unsigned i = 0; i < 256; i++)
                img.colorMap(
                    i, Magick::Color(Q(pic.palette[3 * i]), Q(pic.palette[3 * i + 1]), Q(pic.palette[3 * i + 2])));
        } else {
            img.type(Magick::TrueColorType);
        }
        img.modifyImage();
        Magick::PixelPacket *px = img.getPixels(0, 0, w, h);
        Magick::IndexPacket *ix = keepIndices ? img.getIndexes() : nullptr;
        if (!px || (keepIndices && !ix)) {
            error = "no picture memory";
            return false;
        }
        for (unsigned y = 0; y < h; y++) {
            const uint8_t *row = pic.pixels + y * pic.stride;
            for (unsigned x = 0; x < w; x++, px++) {
                uint8_t r, g, b;
                if (pic.bits == 8) {
                    const uint8_t v = row[x];
                    if (ix)
                        *ix++ = v;
                    r = pic.palette[3 * v];
                    g = pic.palette[3 * v + 1];
                    b = pic.palette[3 * v + 2];
                } else {
                    b = row[3 * x];
                    g = row[3 * x + 1];
                    r = row[3 * x + 2];
                }
                px->red = Q(r);
                px->green = Q(g);
                px->blue = Q(b);
                px->opacity = 0;
            }
        }
        img.syncPixels();
        img.magick(Coder(format, keepIndices));
        if (format == ImageFormat::Jpeg)
            img.quality(100);
        img.write(&blob);
    } catch (const Magick::Warning &) {
        // A warning still leaves a written picture, when there are bytes.
    } catch (const std::exception &e) {
        error = e.what();
        return false;
    }
    const uint8_t *data = static_cast<const uint8_t *>(blob.data());
    out->assign(data, data + blob.length());
    if (out->empty()) {
        error = "nothing encoded";
        return false;
    }
    return true;
}

} // namespace vex

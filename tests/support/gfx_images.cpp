#include "tests/support/gfx_images.h"

#include <Magick++.h>

#include <mutex>

namespace gfxsamples {
namespace {

void Init()
{
    static std::once_flag once;
    std::call_once(once, [] { Magick::InitializeMagick(nullptr); });
}

Magick::Quantum Q(uint8_t v)
{
    return static_cast<Magick::Quantum>(v * (MaxRGB / 255));
}

} // namespace

bool WritePalettedImage(const std::string &magick, const std::string &path, int width, int height,
                        const std::vector<uint8_t> &indices, const std::vector<uint8_t> &palette)
{
    Init();
    try {
        Magick::Image img(Magick::Geometry(static_cast<unsigned>(width), static_cast<unsigned>(height)),
                          Magick::Color(0, 0, 0));
        img.classType(MagickLib::PseudoClass);
        size_t colours = palette.size() / 3;
        img.colorMapSize(colours);
        for (size_t i = 0; i < colours; i++)
            img.colorMap(i, Magick::Color(Q(palette[3 * i]), Q(palette[3 * i + 1]), Q(palette[3 * i + 2])));
        img.modifyImage();
        Magick::PixelPacket *px = img.getPixels(0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
        Magick::IndexPacket *ix = img.getIndexes();
        if (!px || !ix)
            return false;
        for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); i++) {
            uint8_t v = indices[i];
            ix[i] = v;
            px[i].red = Q(palette[3 * v]);
            px[i].green = Q(palette[3 * v + 1]);
            px[i].blue = Q(palette[3 * v + 2]);
            px[i].opacity = 0;
        }
        img.syncPixels();
        img.write(magick + ":" + path);
    } catch (const Magick::Warning &) {
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

bool WriteTrueColourImage(const std::string &magick, const std::string &path, int width, int height,
                          const std::vector<uint8_t> &rgb)
{
    Init();
    try {
        Magick::Image img(Magick::Geometry(static_cast<unsigned>(width), static_cast<unsigned>(height)),
                          Magick::Color(0, 0, 0));
        img.type(Magick::TrueColorType);
        img.modifyImage();
        Magick::PixelPacket *px = img.getPixels(0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (!px)
            return false;
        for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); i++) {
            px[i].red = Q(rgb[3 * i]);
            px[i].green = Q(rgb[3 * i + 1]);
            px[i].blue = Q(rgb[3 * i + 2]);
            px[i].opacity = 0;
        }
        img.syncPixels();
        img.write(magick + ":" + path);
    } catch (const Magick::Warning &) {
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

} // namespace gfxsamples

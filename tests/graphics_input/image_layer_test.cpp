#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/gfx_images.h"
#include "tests/support/gfx_samples.h"
#include "vexutil/graphics/image_layer.h"

#include <Magick++.h>

using namespace vex;

namespace {

std::string TempDir()
{
    return gfxsamples::ScratchDir("img");
}

struct FormatCase {
    const char *magick;
    const char *ext;
    ImageFormat format;
};

const FormatCase kPaletted[] = {
    {"BMP3", "bmp", ImageFormat::Bmp},  {"PCX", "pcx", ImageFormat::Pcx}, {"TGA", "tga", ImageFormat::Tga},
    {"TIFF", "tif", ImageFormat::Tiff}, {"GIF", "gif", ImageFormat::Gif}, {"PNG8", "png", ImageFormat::Png},
};

const FormatCase kTrueColour[] = {
    {"BMP3", "bmp", ImageFormat::Bmp},  {"PCX", "pcx", ImageFormat::Pcx},   {"TGA", "tga", ImageFormat::Tga},
    {"TIFF", "tif", ImageFormat::Tiff}, {"PNG24", "png", ImageFormat::Png},
};

} // namespace

TEST(ImageLayer, PalettedImagesKeepIndicesAndPalette)
{
    // 256 distinct colours, every index used, in a scrambled order.
    std::vector<uint8_t> pal(768), idx(16 * 16);
    for (int i = 0; i < 256; i++) {
        pal[size_t(3 * i)] = uint8_t(i);
        pal[size_t(3 * i + 1)] = uint8_t(255 - i);
        pal[size_t(3 * i + 2)] = uint8_t((i * 37) & 255);
    }
    for (int i = 0; i < 256; i++)
        idx[size_t(i)] = uint8_t((i * 97 + 13) & 255);
    for (const FormatCase &f : kPaletted) {
        std::string path = TempDir() + "/pal." + f.ext;
        ASSERT_TRUE(gfxsamples::WritePalettedImage(f.magick, path, 16, 16, idx, pal)) << f.magick;
        StillImage img;
        std::string err;
        ASSERT_TRUE(LoadStillImage(path.c_str(), f.format, &img, err)) << f.magick << ": " << err;
        EXPECT_EQ(img.width, 16);
        EXPECT_EQ(img.height, 16);
        EXPECT_EQ(img.delivered, 8) << f.magick;
        EXPECT_EQ(img.bits, 8) << f.magick;
        if (img.delivered != 8)
            continue;
        EXPECT_EQ(img.colours, 256) << f.magick;
        EXPECT_EQ(0, std::memcmp(img.palette, pal.data(), 768)) << f.magick;
        EXPECT_EQ(img.pixels, idx) << f.magick;
    }
}

TEST(ImageLayer, TrueColourImagesKeepTheirPixels)
{
    const int w = 19, h = 7; // odd width: row padding in the files
    std::vector<uint8_t> rgb(size_t(w * h * 3));
    for (size_t i = 0; i < rgb.size(); i++)
        rgb[i] = uint8_t(i * 53 + 7);
    for (const FormatCase &f : kTrueColour) {
        std::string path = TempDir() + "/tc." + f.ext;
        ASSERT_TRUE(gfxsamples::WriteTrueColourImage(f.magick, path, w, h, rgb)) << f.magick;
        StillImage img;
        std::string err;
        ASSERT_TRUE(LoadStillImage(path.c_str(), f.format, &img, err)) << f.magick << ": " << err;
        EXPECT_EQ(img.width, w);
        EXPECT_EQ(img.height, h);
        EXPECT_EQ(img.delivered, 24) << f.magick;
        EXPECT_EQ(img.bits, 24) << f.magick;
        std::vector<uint8_t> bgr = rgb;
        for (size_t i = 0; i + 2 < bgr.size(); i += 3)
            std::swap(bgr[i], bgr[i + 2]);
        EXPECT_EQ(img.pixels, bgr) << f.magick;
    }
    // JPEG is lossy: close enough on a smooth picture.
    std::vector<uint8_t> smooth(size_t(32 * 32 * 3));
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            uint8_t *p = &smooth[size_t((y * 32 + x) * 3)];
            p[0] = uint8_t(x * 8);
            p[1] = uint8_t(y * 8);
            p[2] = 128;
        }
    std::string path = TempDir() + "/tc.jpg";
    ASSERT_TRUE(gfxsamples::WriteTrueColourImage("JPEG", path, 32, 32, smooth));
    StillImage img;
    std::string error;
    ASSERT_TRUE(LoadStillImage(path.c_str(), ImageFormat::Jpeg, &img, error)) << error;
    ASSERT_EQ(img.delivered, 24);
    int worst = 0;
    for (size_t i = 0; i < smooth.size(); i++)
        worst = std::max(worst, std::abs(int(img.pixels[i]) - int(smooth[i - i % 3 + 2 - i % 3])));
    EXPECT_LT(worst, 24);
}

TEST(ImageLayer, WrongContentAndMissingFilesFail)
{
    std::string path = TempDir() + "/notbmp.bmp";
    ASSERT_TRUE(gfxsamples::WriteFile(path, gfxsamples::Bytes(100, 7)));
    StillImage img;
    std::string error;
    EXPECT_FALSE(LoadStillImage(path.c_str(), ImageFormat::Bmp, &img, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(LoadStillImage((TempDir() + "/missing.png").c_str(), ImageFormat::Png, &img, error));
    EXPECT_EQ(error, "cannot read the file");
    // A damaged header claiming a huge picture is refused before the library
    // allocates for it (this one asks for 20000 x 20000 pixels).
    std::vector<uint8_t> huge = {'G', 'I', 'F', '8', '9', 'a', 0x20, 0x4E, 0x20, 0x4E, 0x80, 0, 0};
    huge.resize(huge.size() + 6, 0);
    for (uint8_t b :
         {',', '\0', '\0', '\0', '\0', '\x20', '\x4E', '\x20', '\x4E', '\0', '\x08', '\x02', '\0', '\x01', '\0', ';'})
        huge.push_back(b);
    ASSERT_TRUE(gfxsamples::WriteFile(path, huge));
    error.clear();
    struct rusage before, after;
    ::getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(LoadStillImage(path.c_str(), ImageFormat::Gif, &img, error));
    EXPECT_FALSE(error.empty());
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024) << "kilobytes taken for a refused picture";
    ImageFormat f;
    EXPECT_TRUE(ImageFormatFromName("a/b.TIFF", &f));
    EXPECT_EQ(f, ImageFormat::Tiff);
    EXPECT_FALSE(ImageFormatFromName("a.b/c", &f));
    EXPECT_FALSE(ImageFormatFromName("c.flc", &f));
}

TEST(ImageLayer, NamesAreNotInterpretedByTheImageLibrary)
{
    std::vector<uint8_t> pal(768, 0), idx(4, 1);
    pal[3] = 200;
    std::string path = TempDir() + "/odd[1]name.bmp";
    ASSERT_TRUE(gfxsamples::WritePalettedImage("BMP3", TempDir() + "/plain.bmp", 2, 2, idx, pal));
    std::rename((TempDir() + "/plain.bmp").c_str(), path.c_str());
    StillImage img;
    std::string err;
    ASSERT_TRUE(LoadStillImage(path.c_str(), ImageFormat::Bmp, &img, err)) << err;
    EXPECT_EQ(img.width, 2);
    EXPECT_EQ(img.palette[3], 200);
}

TEST(ImageLayer, PrintingColourSpacesBecomeRgb)
{
    Magick::InitializeMagick(nullptr);
    std::string path = TempDir() + "/cmyk.tif";
    {
        Magick::Image img(Magick::Geometry(4, 4), Magick::Color(MaxRGB, 0, 0));
        img.colorSpace(Magick::CMYKColorspace);
        img.write("TIFF:" + path);
    }
    StillImage img;
    std::string err;
    ASSERT_TRUE(LoadStillImage(path.c_str(), ImageFormat::Tiff, &img, err)) << err;
    ASSERT_EQ(img.delivered, 24);
    EXPECT_GT(img.pixels[2], 240); // red (blue, green, red order)
    EXPECT_LT(img.pixels[1], 16);
    EXPECT_LT(img.pixels[0], 16);
}

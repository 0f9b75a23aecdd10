// pictproc: the graphics processor. Converts any graphics input of the
// toolkit (images, numbered sequences, list files, flics, AVI, Zorblax and
// raw frame files) into a flic, an AVI file or numbered still images.
#include <cstdio>
#include <string>

#include "encoder/encoder.h"
#include "platform/platform.h"
#include "tools/common/tool_status.h"
#include "tools/pictproc/command_line.h"
#include "vexutil/vexutil.h"

namespace {

const char kUsage[] = "Usage: pictproc INPUT OUTPUT [switches]\n"
                      "Converts INPUT (images, numbered sequences such as pic???.bmp*1-20, list files, flics, AVI,\n"
                      "animated GIF or WebP, Zorblax or RAWB files) into OUTPUT: a flic (.flc, or no extension), an\n"
                      "AVI file (.avi), an animated GIF (.gif) or lossless WebP (.webp), a y4m stream (.y4m, or -\n"
                      "for standard output) or numbered images (.bmp .jpg .tga .tif .pcx .png: out.bmp gives\n"
                      "out00.bmp, out01.bmp ...). A y4m stream's sound goes to NAME.wav, or to --sound=FILE (a\n"
                      "file or a named pipe).\n"
                      "An OUTPUT without an extension takes the kind of INPUT.\n"
                      "  /A         true colour: no palette work (AVI 24-bit, BMP, JPEG, TGA, TIFF, PNG)\n"
                      "  /Qn /In    palette colours and first palette index  /Un  new palette at least every n frames\n"
                      "  /Pn        8-bit input palettes: 0 copy, 1 create new, 2 new when they change\n"
                      "  /Tn        halftoning: 0 when high colour, 1 always, 2 never\n"
                      "  /Dn        system colours: 0 on new palettes, 1 always, 2 never\n"
                      "  /&FILE     use or create the palette from FILE\n"
                      "  /Sn /En    first and last frame                     /Fn  frame rate override (fps; -n ms)\n"
                      "  /Xn /Yn /Wn /Hn   crop rectangle\n"
                      "  /O         overwrite without asking           /Q  quiet: errors and warnings only\n"
                      "  --sound=FILE       a y4m stream's sound (wave) goes to FILE\n"
                      "  --help, -h  this text                               --version  the version\n";

using tool::Fail;

} // namespace

int main(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "pictproc", kUsage); status >= 0)
        return status;
    tool::pictproc::Options opt;
    std::string error;
    if (!tool::pictproc::ParseCommandLine(argc, argv, opt, error)) {
        std::fprintf(stderr, "pictproc: %s\n\n%s", error.c_str(), kUsage);
        return PLATFORM_EXIT_USAGE;
    }
    StatusInit(nullptr, PlatformLinkAttach(opt.frontEnd, nullptr), 1);
    StatusOpen("PictProc", (opt.input + " -> " + opt.output).c_str(), nullptr);
    const uint32_t started = PlatformTimeMs();
    if (!CheckForDup(opt.input.c_str(), opt.output.c_str()))
        return Fail("Output filename must be different than the input filename.");
    return tool::ConvertGraphics(opt.params, started, "pictproc");
}

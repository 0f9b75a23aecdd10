// zorbc: the Zorblax compressor. Reads any graphics input the toolkit knows
// (images, numbered sequences, list files, flics, AVI, Zorblax, raw frames)
// with its sound, and writes a Zorblax file.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "encoder/encoder.h"
#include "platform/platform.h"
#include "tools/common/tool_status.h"
#include "tools/zorbc/command_line.h"
#include "vexutil/vexutil.h"

namespace {

const char kUsage[] =
    "Usage: zorbc INPUT OUTPUT [switches]\n"
    "Compresses INPUT (images, numbered sequences such as pic???.bmp*1-20, list files, flics, AVI,\n"
    "animated GIF or WebP, Zorblax or RAWB files) into the Zorblax file OUTPUT (.zbx).\n"
    "Other outputs convert: .flc .avi, animated .gif .webp, a y4m stream (.y4m, or - for standard\n"
    "  output; its sound goes to NAME.wav, or to --sound=FILE, e.g. a named pipe), numbered images.\n"
    "Compression values (/N regular frames, /K key frames): 0 lossless; 1-100 an error percentage;\n"
    "  above 100 a data rate in bytes per second; -1 to -400 a percentage of the average frame;\n"
    "  -401 and below (-400 - p) p percent of each frame's lossless size.\n"
    "  /Nv /Kv    regular and key frame compression (default 0, lossless)\n"
    "  /Jn        a key frame at least every n frames      /An  a key frame when n% of the picture changes\n"
    "  /Z1 /Z2    interlaced or doubled height (every other row is coded)\n"
    "  /V         skip every other frame                   /G   add a ring frame for seamless looping\n"
    "  /Sn /En    first and last frame                     /Fn  frame rate override (fps; -n ms)\n"
    "  /Xn /Yn /Wn /Hn   crop rectangle\n"
    "  /Ln        sound quality 0 (lossless) to 9; /L-1 leaves the sound out\n"
    "  /Rn /Bn /Cn       sound rate, bits (8, 16) and channels (1, 2)\n"
    "  /Qn /In    palette colours and first palette index  /Un  new palette at least every n frames\n"
    "  /Pn /Tn /Dn       8-bit palettes, halftoning, system colours (see docs/zorbc.md)\n"
    "  /&FILE     use or create the palette from FILE      /M   mix the original sound into the output\n"
    "  /O         overwrite without asking                 /@*FILE  frame-specific settings\n"
    "  /Q         quiet: errors and warnings only\n"
    "             (lines of: first last regular key, e.g. \"50 60 300000 0\")\n";

using tool::Fail;
using tool::Progress;

const char kNotGraphics[] = "not a graphics file it can read";

int32_t QuietProgress(const char *text, int32_t level)
{
    if (level == 2)
        return 0; // probing for sound: absence is no error
    return Progress(text, level);
}

// The handles of a run, released on every way out.
using GraphicsInput = std::unique_ptr<GFILE, decltype(&GFileClose)>;
using Compressor = std::unique_ptr<ZENC, decltype(&ZencClose)>;

bool FileExists(const std::string &name)
{
    struct stat st;
    return stat(name.c_str(), &st) == 0;
}

// The graphics processor's conversion, for the output kinds other than
// Zorblax files ("Create a Flic", "Create an AVI file", "Create BMPs" ...).
ZencConvertParams GraphicsParams(const tool::zorbc::Options &opt)
{
    ZencConvertParams p{};
    p.input = opt.input.c_str();
    p.output = opt.output.c_str();
    p.cropX = opt.cropX;
    p.cropY = opt.cropY;
    p.width = opt.width;
    p.height = opt.height;
    p.first = opt.first;
    p.last = opt.last;
    p.frameRate = opt.frameRate;
    p.skipOdd = opt.skipOdd;
    p.paletteMode = opt.paletteMode;
    p.analysisLimit = opt.analysisLimit;
    p.firstIndex = opt.firstIndex;
    p.colours = opt.colours;
    p.systemColours = opt.systemColours;
    p.conversion = opt.conversion;
    p.paletteFile = opt.paletteFile.empty() ? nullptr : opt.paletteFile.c_str();
    p.overwrite = opt.overwrite;
    p.soundOutput = opt.soundOutput.empty() ? nullptr : opt.soundOutput.c_str();
    return p;
}

} // namespace

int main(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "zorbc", kUsage); status >= 0)
        return status;
    tool::zorbc::Options opt;
    std::string error;
    if (!tool::zorbc::ParseCommandLine(argc, argv, opt, error)) {
        std::fprintf(stderr, "zorbc: %s\n\n%s", error.c_str(), kUsage);
        return PLATFORM_EXIT_USAGE;
    }
    // A front end that started us gets the final report (after the hello).
    StatusInit(nullptr, PlatformLinkAttach(opt.frontEnd, nullptr), 1);
    StatusOpen("ZorbC", (opt.input + " -> " + opt.output).c_str(), nullptr);
    const uint32_t started = PlatformTimeMs();

    if (!CheckForDup(opt.input.c_str(), opt.output.c_str()))
        return Fail("Output filename must be different than the input filename.");
    if (opt.graphicsOutput)
        return tool::ConvertGraphics(GraphicsParams(opt), started, "zorbc");
    if (!opt.overwrite && FileExists(opt.output) && !overwrite(opt.output.c_str()))
        return Fail("The output file " + opt.output + " was not overwritten.");

    std::vector<char> paletteName(opt.paletteFile.begin(), opt.paletteFile.end());
    paletteName.push_back('\0');
    GraphicsInput g(GFileOpen(opt.input.c_str(), 0, opt.cropX, opt.cropY, opt.width, opt.height, opt.first, opt.last,
                              opt.paletteMode, opt.analysisLimit, opt.firstIndex, opt.colours, opt.systemColours,
                              opt.conversion, opt.paletteFile.empty() ? nullptr : paletteName.data(), "Reading",
                              Progress),
                    GFileClose);
    if (!g)
        return tool::FailOpen(opt.input, kNotGraphics);
    if (const int refused = tool::CheckFrameRange("zorbc", opt.input, opt.first, opt.last, g->sourceFrames))
        return refused;

    const bool halfHeight = opt.heightMode == 1 || opt.heightMode == 2;
    ZencParams params{};
    params.width = static_cast<uint32_t>(g->width) & ~3u;
    params.height = (static_cast<uint32_t>(g->height) / (halfHeight ? 2 : 1)) & ~3u;
    if (params.width < 4 || params.height < 4)
        return Fail("Error: the picture is smaller than one 4x4 block.");
    int32_t frameTime = g->frameTime;
    if (opt.frameRate)
        frameTime = -MakeFrameRate(opt.frameRate);
    if (opt.skipOdd)
        frameTime *= 2;
    params.frameRate = frameTime;
    params.headerFlags = (opt.ring ? ZBX_RING_FRAME : 0) | (opt.heightMode == 1 ? ZBX_HEIGHT_INTERLACED : 0) |
                         (opt.heightMode == 2 ? ZBX_HEIGHT_DOUBLED : 0);
    params.regular = opt.regular;
    params.key = opt.key;
    params.keyEvery = opt.keyEvery > 0 ? static_cast<uint32_t>(opt.keyEvery) : 0;
    params.autoKeyPercent = opt.autoKey > 0 ? static_cast<uint32_t>(opt.autoKey) : 0;
    params.settings = opt.settings.data();
    params.settingCount = static_cast<uint32_t>(opt.settings.size());
    Compressor enc(ZencOpen(&params), ZencClose);
    if (!enc)
        return Fail("Error: the compressor could not start (no memory, or no temporary file in $TMPDIR or /tmp).");
    ZencSetEffort(enc.get(), opt.effort);

    // Pictures: every frame of the range (or every other one), every other row
    // with interlaced or doubled height.
    std::vector<uint8_t> coded(static_cast<size_t>(params.width) * params.height);
    const int32_t frames = g->frames;
    uint32_t damaged = 0; // the first damaged frame of the input: the frames before it are kept
    for (int32_t i = 0; i < frames; ++i) {
        if (!GFileGet(g.get())) {
            damaged = g->damagedFrame;
            if (!damaged)
                return tool::FailConversion();
            if (i == 0)
                return Fail("Error reading " + opt.input + ": " + tool::DamagedFrameText(damaged));
            break;
        }
        if (opt.skipOdd && (i & 1))
            continue;
        const uint8_t *px = static_cast<const uint8_t *>(g->pixels);
        const size_t step = static_cast<size_t>(g->pitch) * (halfHeight ? 2 : 1);
        for (uint32_t y = 0; y < params.height; ++y)
            std::memcpy(&coded[y * params.width], px + y * step, params.width);
        if (!ZencAddFrame(enc.get(), coded.data(), params.width, g->palette))
            return Fail("Error: the compressor's temporary file could not take the frames (disk full?).");
    }
    const uint32_t kind = g->kind;
    g.reset();

    // The input's own sound, unless left out.
    if (opt.soundQuality >= 0) {
        const int32_t start = opt.first > 1 ? -opt.first : 0;
        const int32_t end = opt.last > 0 ? -opt.last : 0;
        const bool zorblax = kind == GFILE_ZORBLAX; // a Zorblax input brings its seven tracks
        const int tracks = zorblax ? ZBX_MAX_TRACKS : 1;
        for (int t = 0; t < tracks; ++t) {
            CSFILE *cs = CSFileOpen(opt.input.c_str(), opt.soundQuality, 0, 0, 0, 0, opt.soundRate, opt.soundBits,
                                    opt.soundChannels, start, end, zorblax ? t + 1 : 0, 0, 0, QuietProgress);
            if (cs)
                ZencAddTrack(enc.get(), static_cast<uint32_t>(t), cs);
        }
    }

    if (!ZencWrite(enc.get(), opt.output.c_str(), Progress))
        return tool::FailConversion();
    ZencReport r;
    ZencGetReport(enc.get(), &r);
    const std::string warning = ZencWarning(enc.get());
    enc.reset();
    if (!warning.empty())
        std::fprintf(stderr, "zorbc: %s\n", warning.c_str());
    char elapsed[64];
    GetElapsedTime(elapsed, PlatformTimeMs() - started);
    char report[1024];
    std::snprintf(report, sizeof report,
                  "Compressed %s into %s: %u frames, %llu bytes, %.0f bytes per second (largest second %u), in %s.",
                  opt.input.c_str(), opt.output.c_str(), r.frames, static_cast<unsigned long long>(r.fileBytes),
                  r.bytesPerSecond, r.largestSecond, elapsed);
    if (r.worstErrorPercent > 0) {
        const size_t used = std::strlen(report);
        std::snprintf(report + used - 1, sizeof report - used + 1, "; worst frame error %.2f%%.", r.worstErrorPercent);
    }
    if (r.changedPixels) {
        const size_t used = std::strlen(report);
        std::snprintf(report + used - 1, sizeof report - used + 1, "; not exact: %llu pixels in %u frames changed.",
                      static_cast<unsigned long long>(r.changedPixels), r.changedFrames);
    }
    if (damaged)
        return tool::FinishDamaged(report, "zorbc", opt.input, damaged, "converted");
    return tool::Finish(report);
}

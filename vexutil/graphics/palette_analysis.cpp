// Palette analysis of graphics input: GFileBestPalette (the histogram of a
// stretch of frames, reduced into the palette range) and its use when 8-bit
// frames are delivered (when to rebuild, remap table, colour cache).
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "vexutil/graphics/graphics_input_internal.h"
#include "vexutil/graphics/palette_reduction.h"

namespace vex {
namespace {

int ReduceProgressText(void *context, int percent, int level)
{
    return Progress(static_cast<GFILE *>(context), level, "Reducing the number of colors (%i%%)...", percent);
}

bool NeedsAnalysis(const GFILE *g)
{
    const GFilePrivate *p = g->priv;
    return !p->paletteFile.empty() || p->paletteMode != 0 || g->depth > 8 || p->analysisLimit < 32000;
}

GFILE *OpenAnalysis(GFILE *g)
{
    GFilePrivate *p = g->priv;
    if (!p->paletteFile.empty())
        return GFileOpen(p->paletteFile.c_str(), 0, 0, 0, 0, 0, 0, 0, p->paletteMode, p->analysisLimit, p->firstIndex,
                         p->paletteCount, p->systemColourMode, 2, nullptr, "Analyzing colors in", p->progress);
    return GFileOpen(p->openName.c_str(), 0, g->cropX, g->cropY, p->requestedWidth, p->requestedHeight, p->openFirst,
                     p->openLast, p->paletteMode, p->analysisLimit, p->firstIndex, p->paletteCount, p->systemColourMode,
                     p->conversionMode, nullptr, "Analyzing colors in", p->progress);
}

// Remap table or colour cache, rebuilt when the palettes they were made
// for have changed.
void MapPixels(GFILE *g)
{
    GFilePrivate *p = g->priv;
    bool paletteSame = p->mapValid && std::memcmp(p->mappedPalette, g->palette, 768) == 0;
    if (g->frameDepth <= 8) {
        if (!paletteSame || std::memcmp(p->mappedSource, g->sourcePalette, 768) != 0) {
            BuildRemapTable(g->sourcePalette, g->palette, p->firstIndex, p->paletteCount, p->remap);
            std::memcpy(p->mappedSource, g->sourcePalette, 768);
        }
        if (!paletteSame)
            std::fill(p->cache.begin(), p->cache.end(), 0);
    } else if (!paletteSame) {
        std::fill(p->cache.begin(), p->cache.end(), 0);
        // The remap table belongs to the old palette too.
        BuildRemapTable(g->sourcePalette, g->palette, p->firstIndex, p->paletteCount, p->remap);
        std::memcpy(p->mappedSource, g->sourcePalette, 768);
    }
    std::memcpy(p->mappedPalette, g->palette, 768);
    p->mapValid = true;
    if (g->frameDepth <= 8)
        Deliver8Remap(g, p->remap);
    else
        Deliver8Nearest(g);
}

} // namespace

bool Deliver8(GFILE *g, bool sourcePaletteChanged)
{
    GFilePrivate *p = g->priv;
    int I = p->firstIndex, Q = p->paletteCount;
    if (!NeedsAnalysis(g)) {
        std::memcpy(g->palette, g->sourcePalette, 768);
        if (p->systemColourMode == 1)
            WriteSystemColours(g->palette);
        g->paletteChanged = sourcePaletteChanged ? 1 : 0;
        if (p->systemColourMode == 1 || I != 0 || Q != 256)
            MapPixels(g);
        else
            Deliver8Copy(g);
        return true;
    }
    bool rebuild = false;
    if (!p->analysisStarted) {
        rebuild = true;
        std::memcpy(g->palette, g->sourcePalette, 768);
    } else if (!p->analysisDone && p->countdown <= 0) {
        rebuild = true;
        std::memcpy(g->palette, g->sourcePalette, 3 * static_cast<size_t>(I));
        std::memcpy(g->palette + 3 * (I + Q), g->sourcePalette + 3 * (I + Q), 3 * static_cast<size_t>(256 - I - Q));
    } else {
        p->countdown--;
    }
    g->paletteChanged = 0;
    if (rebuild) {
        if (!p->analysis)
            p->analysis = OpenAnalysis(g);
        if (!p->analysis) {
            // The design's words, then which file and why.
            const std::string &name = p->paletteFile.empty() ? p->openName : p->paletteFile;
            const std::string text = "Error opening palette graphics file. " + name + ": " +
                                     PlatformOpenFailure(name.c_str(), "not a graphics file it can read");
            Progress(g, 2, "%s", text.c_str());
            return false;
        }
        int32_t n = GFileBestPalette(p->analysis, g->palette);
        if (n == 0)
            return false; // cancelled
        p->analysisStarted = true;
        p->countdown = static_cast<int64_t>(n) - 1;
        if (p->countdown > 32767) {
            // The palette serves the rest of the source.
            GFileClose(p->analysis);
            p->analysis = nullptr;
            p->analysisDone = true;
        }
        g->paletteChanged = 1;
    }
    MapPixels(g);
    return true;
}

} // namespace vex

using namespace vex;

extern "C" VEXAPI int32_t GFileBestPalette(GFILE *g, uint8_t *palette)
{
    if (!g || !g->priv || !palette)
        return 0;
    GFilePrivate *p = g->priv;
    int I = p->firstIndex, Q = p->paletteCount;
    if (!(p->paletteMode != 0 || p->analysisLimit < 32000 || g->depth > 8)) {
        // No reduction: the source's own colours (read a frame first when
        // none has been read, so that they are known).
        if (g->frameIndex == 0 && !p->heldFrame && g->frames > 0) {
            bool changed;
            if (ReadNextFrame(g, &changed) == ReadResult::Cancelled)
                return 0;
            p->heldFrame = true;
            p->heldPaletteChanged = changed;
        }
        std::memcpy(palette + 3 * I, g->sourcePalette + 3 * I, 3 * static_cast<size_t>(Q));
        if (p->systemColourMode == 1)
            WriteSystemColours(palette);
        return g->lastFrame ? 65536 : 1;
    }
    std::vector<uint32_t> hist(kCells, 0);
    int32_t analysed = 0;
    bool reachedEnd = false;
    for (;;) {
        if (!p->heldFrame && (g->lastFrame || g->frameIndex >= g->frames)) {
            reachedEnd = true;
            break;
        }
        long shown = static_cast<long>(p->firstFrameIndex) + g->frameIndex + 1 - (p->heldFrame ? 1 : 0);
        if (Progress(g, analysed == 0 ? 1 : 0, "%s frame %li of %li...", p->progressText.c_str(), shown,
                     static_cast<long>(p->firstFrameIndex) + g->frames))
            return 0;
        bool changed;
        if (p->heldFrame) {
            p->heldFrame = false;
            changed = p->heldPaletteChanged;
        } else if (ReadNextFrame(g, &changed) == ReadResult::Cancelled) {
            return 0;
        }
        if (p->paletteMode == 2 && analysed > 0 && changed) {
            // A new source palette starts the next stretch.
            p->heldFrame = true;
            p->heldPaletteChanged = changed;
            break;
        }
        CountFrameColours(g, hist.data());
        analysed++;
        if (g->lastFrame) {
            reachedEnd = true;
            break;
        }
        if (analysed >= p->analysisLimit)
            break;
    }
    int low = 0, high = 0;
    if (p->systemColourMode != 2) {
        low = I < 10 ? 10 - I : 0;
        high = I + Q > 246 ? I + Q - 246 : 0;
        // Mode 0 puts the system colours in only where the range reaches them.
        if (p->systemColourMode == 1 || low > 0 || high > 0)
            WriteSystemColours(palette);
    }
    ReduceHistogram(hist.data(), palette, I, Q, low, high, ReduceProgressText, g);
    return reachedEnd ? 65536 : analysed;
}

// The GFile family: open, get, reset and close of any picture source.
#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "vexutil/core/last_error.h"
#include "vexutil/graphics/graphics_input_internal.h"

namespace vex {

int Progress(GFILE *g, int level, const char *format, ...)
{
    char text[512];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (level == 2)
        vex::SetLastError(text);
    if (g && g->priv && g->priv->progress)
        return g->priv->progress(text, level);
    if (level == 2)
        PlatformDebugLog("%s", text);
    return 0;
}

bool FileExists(const std::string &name)
{
    struct stat st;
    return stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void ComputeGeometry(GFILE *g)
{
    auto axis = [](int32_t origin, uint32_t size, uint32_t source, uint32_t *visible, uint32_t *padding) {
        uint32_t o = origin < 0 ? 0 : static_cast<uint32_t>(origin);
        if (o >= source) {
            *visible = 0;
            *padding = size;
        } else if (uint64_t(o) + size > source) {
            *visible = source - o;
            *padding = o + size - source;
        } else {
            *visible = size;
            *padding = 0;
        }
    };
    axis(g->cropX, g->width, g->sourceWidth, &g->visibleWidth, &g->rightPadding);
    axis(g->cropY, g->height, g->sourceHeight, &g->visibleHeight, &g->bottomPadding);
}

// Reads the next source frame, counts it and converts it to 24 bits when the
// conversion is on.
ReadResult ReadNextFrame(GFILE *g, bool *paletteChanged)
{
    GFilePrivate *p = g->priv;
    *paletteChanged = false;
    ReadResult r = p->source ? p->source->Read(g, paletteChanged) : ReadResult::Failed;
    if (r == ReadResult::Cancelled)
        return r;
    g->frameIndex++;
    if (g->frameIndex >= g->frames)
        g->lastFrame = 1;
    p->srcCropped = false;
    if (p->convert)
        ConvertTo24(g);
    return r;
}

} // namespace vex

using namespace vex;

namespace {

thread_local int openDepth = 0; // lists inside lists, bounded

void FreeHandle(GFILE *g)
{
    if (!g)
        return;
    if (g->priv) {
        GFileClose(g->priv->analysis);
        g->priv->analysis = nullptr;
        g->priv->source.reset();
        delete g->priv;
    }
    vexfree(g);
}

} // namespace

extern "C" {

VEXAPI GFILE *GFileOpen(const char *name, uint32_t flags, int32_t cropX, int32_t cropY, int32_t width, int32_t height,
                        int32_t firstFrame, int32_t lastFrame, int32_t paletteMode, int32_t analysisLimit,
                        int32_t firstIndex, int32_t paletteCount, int32_t systemColourMode, int32_t conversionMode,
                        const char *paletteFile, const char *progressText, VEXPROGRESS progress)
{
    vex::ClearLastError();
    if (!name)
        return nullptr;
    if (openDepth > 16) {
        vex::SetLastError("Error: lists nested too deeply.");
        if (progress)
            progress("Error: lists nested too deeply.", 2);
        return nullptr;
    }
    auto *g = static_cast<GFILE *>(vexmalloc(static_cast<int32_t>(sizeof(GFILE))));
    if (!g)
        return nullptr;
    std::memset(g, 0, sizeof *g);
    g->priv = new (std::nothrow) GFilePrivate();
    if (!g->priv) {
        vexfree(g);
        return nullptr;
    }
    GFilePrivate *p = g->priv;
    g->flags = flags;
    g->cropX = cropX < 0 ? 0 : cropX;
    g->cropY = cropY < 0 ? 0 : cropY;
    p->requestedWidth = width < 0 ? 0 : width;
    p->requestedHeight = height < 0 ? 0 : height;
    p->paletteMode = paletteMode;
    p->analysisLimit = analysisLimit <= 0 ? 65536 : analysisLimit;
    // The palette range stays inside the 256 entries.
    p->paletteCount = paletteCount <= 0 || paletteCount > 256 ? 256 : paletteCount;
    p->firstIndex = firstIndex < 0 ? 0 : firstIndex;
    if (p->firstIndex + p->paletteCount > 256)
        p->firstIndex = 256 - p->paletteCount;
    p->systemColourMode = systemColourMode;
    p->conversionMode = conversionMode;
    if (paletteFile && *paletteFile)
        p->paletteFile = paletteFile;
    p->progressText = progressText ? progressText : "Processing";
    p->progress = progress;
    p->openName = name;

    ListLine line = ParseListLine(name);
    if (line.first)
        firstFrame = line.first;
    if (line.last)
        lastFrame = line.last;
    p->openFirst = firstFrame;
    p->openLast = lastFrame;
    std::snprintf(g->name, sizeof g->name, "%s", line.name.c_str());

    openDepth++;
    bool ok;
    if (line.sequence) {
        auto walker = std::make_unique<EntryWalker>();
        walker->OpenSequence(line);
        ok = OpenListSource(g, std::move(walker));
    } else if (line.name.empty() || (HasExtension(line.name.c_str()) && !FileExists(line.name))) {
        Progress(g, 2, "Error opening: %s", line.name.c_str());
        ok = false;
    } else {
        ok = OpenSource(g, line.name);
        if (ok && g->kind != GFILE_LIST)
            g->totalSize = vexfilesize(g->name);
    }
    openDepth--;
    if (!ok) {
        FreeHandle(g);
        return nullptr;
    }

    // Frame range.
    uint32_t count = p->sourceFrames;
    g->sourceFrames = count;
    uint32_t first = firstFrame <= 0 ? 1 : static_cast<uint32_t>(firstFrame);
    uint32_t last = lastFrame <= 0 ? 16777215u : static_cast<uint32_t>(lastFrame);
    first = std::min(first, count);
    last = std::min(last, count);
    if (count == 0) {
        p->firstFrameIndex = 0;
        g->frames = 0;
    } else {
        p->firstFrameIndex = first - 1;
        g->frames = std::max(last, first) - first + 1;
    }

    // Geometry.
    g->width = p->requestedWidth ? static_cast<uint32_t>(p->requestedWidth) : g->sourceWidth;
    g->height = p->requestedHeight ? static_cast<uint32_t>(p->requestedHeight) : g->sourceHeight;
    if (g->width > 32768 || g->height > 32768) {
        Progress(g, 2, "Error opening: %s", g->name);
        FreeHandle(g);
        return nullptr;
    }
    g->pitch = (g->width + 3) & ~3u;
    if (flags & GFILE_32BIT)
        g->pitch *= 4;
    if (g->rateNumerator == 0 && g->rateDenominator == 0) {
        int32_t t = g->frameTime;
        if (t < 0) {
            g->rateNumerator = 100000;
            g->rateDenominator = static_cast<uint32_t>(-static_cast<int64_t>(t));
        } else {
            g->rateNumerator = 1000;
            g->rateDenominator = static_cast<uint32_t>(t);
        }
    }
    ComputeGeometry(g);
    g->unconvertedDepth = g->depth;
    if (conversionMode == 1 || (!(flags & GFILE_32BIT) && conversionMode == 0 && g->depth > 8 && g->frames >= 10)) {
        p->convert = true;
        g->depth = 24;
        p->convBuffer.assign(static_cast<size_t>(g->width) * g->height * 3 + 4, 0);
        p->convTemp.assign(p->convBuffer.size(), 0);
    }
    p->delivered.assign(static_cast<size_t>(g->pitch) * g->height, 0);
    g->pixels = p->delivered.data();
    return g;
}

VEXAPI int GFileGet(GFILE *g)
{
    if (!g || !g->priv)
        return 0;
    GFilePrivate *p = g->priv;
    if (g->frameIndex >= g->frames)
        return 0;
    if (p->progress && Progress(g, 0, "%s frame %li of %li...", p->progressText.c_str(),
                                static_cast<long>(p->firstFrameIndex) + g->frameIndex + 1,
                                static_cast<long>(p->firstFrameIndex) + g->frames))
        return 0;
    bool changed = false;
    if (p->heldFrame) {
        // A frame read ahead by the palette analysis of this handle.
        p->heldFrame = false;
        changed = p->heldPaletteChanged;
    } else {
        const ReadResult r = ReadNextFrame(g, &changed);
        if (r == ReadResult::Cancelled)
            return 0;
        if (r == ReadResult::Failed) {
            if (!g->damagedFrame)
                g->damagedFrame = p->firstFrameIndex + g->frameIndex;
            return 0;
        }
    }
    if (g->flags & GFILE_32BIT) {
        Deliver32(g);
        return 1;
    }
    return Deliver8(g, changed) ? 1 : 0;
}

VEXAPI void GFileReset(GFILE *g)
{
    if (!g || !g->priv)
        return;
    GFilePrivate *p = g->priv;
    g->frameIndex = 0;
    g->lastFrame = 0;
    p->heldFrame = false;
    p->countdown = 0;
    p->analysisStarted = false;
    p->analysisDone = false;
    p->mapValid = false;
    std::memset(g->palette, 0, sizeof g->palette);
    std::memset(g->sourcePalette, 0, sizeof g->sourcePalette);
    std::fill(p->delivered.begin(), p->delivered.end(), 0);
    GFileClose(p->analysis);
    p->analysis = nullptr;
    if (p->source)
        p->source->Rewind(g);
}

VEXAPI void GFileClose(GFILE *g)
{
    FreeHandle(g);
}

} // extern "C"

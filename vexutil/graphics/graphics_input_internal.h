// Internal state of a GFILE handle and the helpers shared by the graphics
// input files (sources, lists, conversion, palette analysis).
#ifndef ZORB_VEXUTIL_GRAPHICS_GRAPHICS_INPUT_INTERNAL_H
#define ZORB_VEXUTIL_GRAPHICS_GRAPHICS_INPUT_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vexutil/graphics/picture_limits.h"
#include "vexutil/vexutil.h"

namespace vex {

// One entry of a list file or numbered sequence.
struct ListEntry {
    std::string name;
    int32_t first = 0, last = 0;
};

// A list line or a name given to open, with its switches taken out.
struct ListLine {
    std::string name;            // trimmed, switches removed
    int32_t first = 0, last = 0; // /S and /E (0 when absent)
    bool sequence = false;       // a run of '?' makes it a numbered sequence
    std::string prefix, suffix;
    int digits = 0;
    int64_t firstNumber = 0, lastNumber = -1; // -1: up to the first missing file
};

// Parses a line: /S and /E (taken only at the start or after a blank, so
// path names keep their slashes), trimming, the numbered-name pattern.
ListLine ParseListLine(const std::string &text);
std::string SequenceName(const ListLine &line, int64_t number);

// Walks the entries of a list file or a numbered sequence.
class EntryWalker {
public:
    // A list file (buffer 4096) or a numbered sequence.
    bool OpenList(const char *path);
    void OpenSequence(const ListLine &line);
    // The next entry; false at the end (the walk is then rewound).
    bool Next(ListEntry *entry);
    void Rewind();
    ~EntryWalker();

private:
    VEXFILE *list_ = nullptr;
    std::string dir_; // the list file's directory, for relative names
    bool isSequence_ = false;
    ListLine seq_; // the sequence being walked (of the name or of a line)
    bool inSequence_ = false;
    int64_t number_ = 0;
};

enum class ReadResult { Ok, Cancelled, Failed };

// One source of graphics input: a file of one kind, or a list of entries.
// The opening probe sets the handle's size, frame time, depth and kind; the
// source then delivers the frames.
class GraphicsSource {
public:
    virtual ~GraphicsSource() = default;
    // Reads the next frame: sets the handle's source palette, frameDepth and
    // frameDataSize and its private src and srcPitch (the frame stays valid
    // until the next call); *paletteChanged when the palette is new.
    virtual ReadResult Read(GFILE *g, bool *paletteChanged) = 0;
    // Goes back so that the next Read delivers the first frame again.
    virtual void Rewind(GFILE *g) = 0;
};

} // namespace vex

// The private part of a GFILE (declared in vexutil.h as an opaque record).
struct GFilePrivate {
    // Options.
    int32_t paletteMode = 0, analysisLimit = 65536, firstIndex = 0, paletteCount = 256;
    int32_t systemColourMode = 0, conversionMode = 0;
    std::string paletteFile; // empty: none
    std::string progressText;
    VEXPROGRESS progress = nullptr;
    int32_t requestedWidth = 0, requestedHeight = 0;
    std::string openName; // the name as given to open (for the analysis handle)
    std::string whyNot;   // why a file that was recognised could not be read (reported with "Error opening")
    int32_t openFirst = 0, openLast = 0;

    uint32_t firstFrameIndex = 0; // first frame to deliver, 0-based
    uint32_t sourceFrames = 0;    // frames of the whole source

    // The source of the frames (null until a probe opened one).
    std::unique_ptr<vex::GraphicsSource> source;

    // The current source frame.
    const uint8_t *src = nullptr;
    ptrdiff_t srcPitch = 0;
    bool srcCropped = false; // src already holds only the visible area (after conversion)

    // 24-bit conversion.
    bool convert = false;
    std::vector<uint8_t> convBuffer, convTemp;

    // Palette analysis (see palette use in palette_analysis.cpp).
    GFILE *analysis = nullptr;
    bool analysisStarted = false, analysisDone = false;
    int64_t countdown = 0;
    bool heldFrame = false;
    bool heldPaletteChanged = false;
    std::vector<uint16_t> cache;
    uint8_t remap[256] = {};
    uint8_t mappedPalette[768] = {}; // delivered palette the remap/cache were built for
    uint8_t mappedSource[768] = {};  // source palette the remap table was built for
    bool mapValid = false;

    std::vector<uint8_t> delivered;
};

namespace vex {

// Sources (graphics_sources.cpp): probes the kinds in their order and opens
// the first that takes the name into g->priv->source; reports the failure.
bool OpenSource(GFILE *g, const std::string &name);
void ComputeGeometry(GFILE *g); // crop, visible size and padding from the source size

// Lists (graphics_lists.cpp): opens every entry once to learn the frames and
// the largest size, then makes the list the handle's source.
bool OpenListSource(GFILE *g, std::unique_ptr<EntryWalker> walker);

// Pixel conversion (pixel_convert.cpp).
void ConvertTo24(GFILE *g); // visible area -> conversion buffer, smoothed
void SmoothFilter(const uint8_t *in, uint8_t *out, uint32_t width, uint32_t height, size_t pitch);
void Deliver32(GFILE *g);
void Deliver8Copy(GFILE *g);                        // 8-bit sources, indices as they are
void Deliver8Remap(GFILE *g, const uint8_t *remap); // 8-bit sources through a table
void Deliver8Nearest(GFILE *g);                     // 16/24/32-bit sources through the cache

// Reads, counts and (when on) converts the next source frame (graphics_input.cpp).
ReadResult ReadNextFrame(GFILE *g, bool *paletteChanged);

// Palette use and 8-bit delivery (palette_analysis.cpp). False on failure
// (already reported) or cancel.
bool Deliver8(GFILE *g, bool sourcePaletteChanged);
void CountFrameColours(GFILE *g, uint32_t *hist);

// Reporting.
int Progress(GFILE *g, int level, const char *format, ...) __attribute__((format(printf, 3, 4)));
bool FileExists(const std::string &name);

// Passes over the frames before the first one to deliver, each with step(),
// showing progress; false when the user cancelled.
template <typename Step>
bool SkipToFirstFrame(GFILE *g, Step step)
{
    for (uint32_t i = 0; i < g->priv->firstFrameIndex; i++) {
        if (Progress(g, i == 0 ? 1 : 0, "Skipping frame %li...", static_cast<long>(i) + 1))
            return false;
        step();
    }
    return true;
}

} // namespace vex

#endif

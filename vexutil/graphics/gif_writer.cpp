// Animated GIF output: frames spooled to a temporary file, then encoded with
// chosen colour tables, changed rectangles and transparency (see the header).
#include "vexutil/graphics/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "vexutil/graphics/anim_timing.h"

namespace vex {
namespace {

constexpr uint32_t kNotSeen = 0xFF000000u; // canvas value no colour has

uint32_t Rgb(const uint8_t *palette, uint8_t index)
{
    const uint8_t *c = palette + 3 * index;
    return static_cast<uint32_t>(c[0]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[2];
}

// A colour table as giflib wants it (a power of two of entries).
struct ColourMap {
    std::vector<uint32_t> colours;
    int transparent = NO_TRANSPARENT_COLOR;

    ColorMapObject *Make() const
    {
        const size_t used = colours.size() + (transparent >= 0 ? 1 : 0);
        const int size = 1 << GifBitSize(static_cast<int>(std::max<size_t>(used, 2)));
        std::vector<GifColorType> entries(static_cast<size_t>(size), GifColorType{0, 0, 0});
        for (size_t i = 0; i < colours.size(); ++i)
            entries[i] = GifColorType{static_cast<GifByteType>(colours[i] >> 16),
                                      static_cast<GifByteType>(colours[i] >> 8), static_cast<GifByteType>(colours[i])};
        return GifMakeMapObject(size, entries.data());
    }
};

struct MapDeleter {
    void operator()(ColorMapObject *m) const { GifFreeMapObject(m); }
};
using MapPtr = std::unique_ptr<ColorMapObject, MapDeleter>;

int ToMemory(GifFileType *gif, const GifByteType *data, int size)
{
    auto *out = static_cast<std::vector<uint8_t> *>(gif->UserData);
    out->insert(out->end(), data, data + size);
    return size;
}

// One image (its control extension and data) as giflib writes it, alone in a
// stream after a screen descriptor: the bytes between that and the trailer.
struct EncodedImage {
    int left = 0, top = 0, width = 0, height = 0;
    const uint8_t *pixels = nullptr; // width x height indices
    ColorMapObject *local = nullptr;
    int transparent = NO_TRANSPARENT_COLOR;
    int delay = 0;
};

bool EncodeImage(uint32_t screenW, uint32_t screenH, ColorMapObject *global, const EncodedImage &im,
                 std::vector<uint8_t> *out, std::vector<uint8_t> *scratch)
{
    scratch->clear();
    int err = 0;
    GifFileType *gif = EGifOpen(scratch, ToMemory, &err);
    if (!gif)
        return false;
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, static_cast<int>(screenW), static_cast<int>(screenH), 8, 0, global) == GIF_OK;
    const size_t prefix = scratch->size();
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = im.delay;
    gcb.TransparentColor = im.transparent;
    GifByteType ext[4];
    const size_t extSize = EGifGCBToExtension(&gcb, ext);
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extSize), ext) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, im.left, im.top, im.width, im.height, false, im.local) == GIF_OK;
    ok = ok && EGifPutLine(gif, const_cast<GifPixelType *>(im.pixels), im.width * im.height) == GIF_OK;
    if (EGifCloseFile(gif, &err) != GIF_OK)
        ok = false;
    if (!ok || scratch->size() < prefix + 1)
        return false;
    out->assign(scratch->begin() + static_cast<ptrdiff_t>(prefix), scratch->end() - 1); // without the trailer
    return true;
}

class Writer final : public GifAnimWriter {
public:
    Writer(uint32_t w, uint32_t h, int64_t period, FILE *spool) : w_(w), h_(h), period_(period), spool_(spool) {}
    ~Writer() override
    {
        if (spool_)
            std::fclose(spool_);
    }

    bool PutFrame(const uint8_t *pixels, const uint8_t *palette) override
    {
        if (failed_)
            return false;
        const size_t n = static_cast<size_t>(w_) * h_;
        const bool newPalette = frames_ == 0 || std::memcmp(palette, palette_, 768) != 0;
        if (newPalette) {
            if (frames_ > 0)
                CloseEpoch();
            std::memcpy(palette_, palette, 768);
        }
        bool used[256] = {};
        for (size_t i = 0; i < n; ++i)
            used[pixels[i]] = true;
        for (int i = 0; i < 256; ++i)
            epochUsed_[i] = epochUsed_[i] || used[i];
        const uint8_t tag = newPalette ? 1 : 0;
        failed_ = std::fwrite(&tag, 1, 1, spool_) != 1 || (newPalette && std::fwrite(palette, 768, 1, spool_) != 1) ||
                  std::fwrite(pixels, 1, n, spool_) != n;
        ++frames_;
        return !failed_;
    }

    bool Finish(const Sink &write, std::string &error) override
    {
        if (frames_ > 0)
            CloseEpoch();
        if (failed_ || std::fflush(spool_) != 0 || std::fseek(spool_, 0, SEEK_SET) != 0) {
            error = "the temporary file of the frames failed (disk full?)";
            return false;
        }
        // The global table: every colour when they fit, else the first palette's.
        ColourMap global;
        const bool allFit = union_.size() <= 256;
        global.colours = allFit ? union_ : firstEpoch_;
        if (global.colours.size() < 256)
            global.transparent = static_cast<int>(global.colours.size());
        std::unordered_map<uint32_t, uint8_t> globalIndex;
        for (size_t i = 0; i < global.colours.size(); ++i)
            globalIndex[global.colours[i]] = static_cast<uint8_t>(i);
        MapPtr globalMap(global.Make());
        if (!globalMap) {
            error = "no memory for a colour table";
            return false;
        }

        // Header, screen and loop extension.
        std::vector<uint8_t> bytes, scratch;
        int err = 0;
        GifFileType *gif = EGifOpen(&bytes, ToMemory, &err);
        if (!gif) {
            error = "giflib could not start";
            return false;
        }
        EGifSetGifVersion(gif, true);
        static const GifByteType kLoopName[] = "NETSCAPE2.0";
        static const GifByteType kLoopForever[] = {1, 0, 0};
        bool ok = EGifPutScreenDesc(gif, static_cast<int>(w_), static_cast<int>(h_), 8, 0, globalMap.get()) == GIF_OK;
        ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, kLoopName) == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, kLoopForever) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
        // Closing writes the trailer; the frames go between.
        EGifCloseFile(gif, &err);
        if (!ok || bytes.empty()) {
            error = "giflib could not write the header";
            return false;
        }
        const uint8_t trailer = bytes.back();
        bytes.pop_back();
        if (!write(bytes.data(), bytes.size())) {
            error = "write failed";
            return false;
        }

        // Frames whose colours are all in the global table.
        std::vector<bool> covered(frames_, true);
        if (!allFit)
            for (size_t e = 0; e < epochs_.size(); ++e) {
                const uint32_t end = e + 1 < epochs_.size() ? epochs_[e + 1].first : frames_;
                for (uint32_t f = epochs_[e].first; f < end; ++f)
                    covered[f] = epochs_[e].inFirst;
            }

        const size_t n = static_cast<size_t>(w_) * h_;
        std::vector<uint8_t> frame(n), palette(768);
        std::vector<uint32_t> canvas(n, kNotSeen), rgb(n);
        std::vector<uint8_t> plain, clear, best, candidate;
        for (uint32_t f = 0; f < frames_; ++f) {
            uint8_t tag = 0;
            if (std::fread(&tag, 1, 1, spool_) != 1 || (tag && std::fread(palette.data(), 768, 1, spool_) != 1) ||
                std::fread(frame.data(), 1, n, spool_) != n) {
                error = "the temporary file of the frames could not be read";
                return false;
            }
            for (size_t i = 0; i < n; ++i)
                rgb[i] = Rgb(palette.data(), frame[i]);
            // The changed rectangle (one pixel when nothing changed).
            uint32_t x0 = w_, y0 = h_, x1 = 0, y1 = 0;
            for (uint32_t y = 0; y < h_; ++y) {
                const uint32_t *a = &rgb[static_cast<size_t>(y) * w_], *b = &canvas[static_cast<size_t>(y) * w_];
                uint32_t l = 0;
                while (l < w_ && a[l] == b[l])
                    ++l;
                if (l == w_)
                    continue;
                uint32_t r = w_ - 1;
                while (a[r] == b[r])
                    --r;
                x0 = std::min(x0, l), x1 = std::max(x1, r), y0 = std::min(y0, y), y1 = y;
            }
            if (x0 > x1)
                x0 = x1 = y0 = y1 = 0;
            EncodedImage im;
            im.left = static_cast<int>(x0), im.top = static_cast<int>(y0);
            im.width = static_cast<int>(x1 - x0 + 1), im.height = static_cast<int>(y1 - y0 + 1);
            im.delay = static_cast<int>(std::min<int64_t>(RoundedFrameStart(f + 1, period_, kUnitsPerCentisecond) -
                                                              RoundedFrameStart(f, period_, kUnitsPerCentisecond),
                                                          65535));
            // Plain: every pixel of the rectangle; clear: unchanged ones transparent.
            bool haveBest = false;
            for (int variant = 0; variant < 2; ++variant) {
                const bool transparent = variant == 1;
                if (transparent && f == 0)
                    break;
                ColourMap local;
                const ColourMap *map = &global;
                if (!covered[f]) {
                    for (uint32_t y = y0; y <= y1; ++y)
                        for (uint32_t x = x0; x <= x1; ++x) {
                            const size_t i = static_cast<size_t>(y) * w_ + x;
                            if (!(transparent && rgb[i] == canvas[i]))
                                local.colours.push_back(rgb[i]);
                        }
                    std::sort(local.colours.begin(), local.colours.end());
                    local.colours.erase(std::unique(local.colours.begin(), local.colours.end()), local.colours.end());
                    if (transparent)
                        local.transparent = static_cast<int>(local.colours.size());
                    if (local.colours.size() + (transparent ? 1 : 0) > 256)
                        continue;
                    map = &local;
                } else if (transparent && global.transparent < 0) {
                    continue;
                }
                std::unordered_map<uint32_t, uint8_t> localIndex;
                if (map == &local)
                    for (size_t i = 0; i < local.colours.size(); ++i)
                        localIndex[local.colours[i]] = static_cast<uint8_t>(i);
                const auto &index = map == &local ? localIndex : globalIndex;
                std::vector<uint8_t> &px = transparent ? clear : plain;
                px.resize(static_cast<size_t>(im.width) * im.height);
                size_t k = 0;
                uint32_t last = kNotSeen;
                uint8_t lastIndex = 0;
                for (uint32_t y = y0; y <= y1; ++y)
                    for (uint32_t x = x0; x <= x1; ++x) {
                        const size_t i = static_cast<size_t>(y) * w_ + x;
                        if (transparent && rgb[i] == canvas[i]) {
                            px[k++] = static_cast<uint8_t>(map->transparent);
                            continue;
                        }
                        if (rgb[i] != last)
                            last = rgb[i], lastIndex = index.at(rgb[i]);
                        px[k++] = lastIndex;
                    }
                MapPtr localMap(map == &local ? local.Make() : nullptr);
                if (map == &local && !localMap) {
                    error = "no memory for a colour table";
                    return false;
                }
                im.pixels = px.data();
                im.local = localMap.get();
                im.transparent = transparent ? map->transparent : NO_TRANSPARENT_COLOR;
                if (!EncodeImage(w_, h_, globalMap.get(), im, &candidate, &scratch)) {
                    error = "giflib could not encode a frame";
                    return false;
                }
                if (!haveBest || candidate.size() < best.size()) {
                    best.swap(candidate);
                    haveBest = true;
                }
            }
            if (!haveBest) {
                error = "a frame could not be given a colour table";
                return false;
            }
            if (!write(best.data(), best.size())) {
                error = "write failed";
                return false;
            }
            for (uint32_t y = y0; y <= y1; ++y)
                std::memcpy(&canvas[static_cast<size_t>(y) * w_ + x0], &rgb[static_cast<size_t>(y) * w_ + x0],
                            (x1 - x0 + 1) * sizeof(uint32_t));
        }
        if (!write(&trailer, 1)) {
            error = "write failed";
            return false;
        }
        return true;
    }

private:
    // Ends the run of frames sharing one palette: its colours join the union
    // (while it fits) and are checked against the first run's.
    void CloseEpoch()
    {
        std::vector<uint32_t> colours;
        for (int i = 0; i < 256; ++i)
            if (epochUsed_[i])
                colours.push_back(Rgb(palette_, static_cast<uint8_t>(i)));
        std::sort(colours.begin(), colours.end());
        colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
        if (epochs_.empty())
            firstEpoch_ = colours;
        if (union_.size() <= 256) {
            std::vector<uint32_t> merged;
            std::set_union(union_.begin(), union_.end(), colours.begin(), colours.end(), std::back_inserter(merged));
            union_.swap(merged);
        }
        const bool inFirst = std::includes(firstEpoch_.begin(), firstEpoch_.end(), colours.begin(), colours.end());
        epochs_.push_back({epochStart_, inFirst});
        epochStart_ = frames_;
        std::fill(std::begin(epochUsed_), std::end(epochUsed_), false);
    }

    struct Epoch {
        uint32_t first;
        bool inFirst;
    };

    uint32_t w_, h_;
    int64_t period_;
    FILE *spool_;
    bool failed_ = false;
    uint32_t frames_ = 0;
    uint8_t palette_[768] = {};
    bool epochUsed_[256] = {};
    uint32_t epochStart_ = 0;
    std::vector<Epoch> epochs_;
    std::vector<uint32_t> firstEpoch_, union_; // sorted colours
};

} // namespace

std::unique_ptr<GifAnimWriter> GifAnimWriter::Create(uint32_t width, uint32_t height, int64_t period,
                                                     std::string &error)
{
    if (width == 0 || height == 0 || width > 65535 || height > 65535 || period <= 0) {
        error = "the picture or frame time cannot be stored in a GIF";
        return nullptr;
    }
    FILE *spool = std::tmpfile();
    if (!spool) {
        error = "no temporary file for the frames in the temporary directory";
        return nullptr;
    }
    return std::make_unique<Writer>(width, height, period, spool);
}

} // namespace vex

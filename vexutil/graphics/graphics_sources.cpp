// The single sources of graphics input: wave files, flics, Zorblax files,
// still images, AVI files and raw frame files. Probing order, and a source
// class for each kind that reads its frames.
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/format.h"
#include "platform/platform.h"
#include "vexutil/graphics/anim_source.h"
#include "vexutil/graphics/avi_reader.h"
#include "vexutil/graphics/graphics_input_internal.h"
#include "vexutil/graphics/graphics_zorblax.h"
#include "vexutil/graphics/image_layer.h"

namespace vex {
namespace {

std::string ExtensionOf(const std::string &name)
{
    const char *dot = HasExtension(name.c_str());
    return dot ? std::string(dot) : std::string();
}

// The file a probe looks at: the name itself when its extension is the
// probe's, the name with the probe's extension when it has none.
bool ProbeName(const std::string &name, const char *ext, std::string *out)
{
    std::string e = ExtensionOf(name);
    if (e.empty()) {
        *out = name + ext;
        return FileExists(*out);
    }
    if (strcasecmp(e.c_str(), ext) != 0)
        return false;
    *out = name;
    return true;
}

void SetName(GFILE *g, const std::string &name)
{
    std::snprintf(g->name, sizeof g->name, "%s", name.c_str());
}

// ---- Wave files: blank frames carrying a running time -----------------------------

class WaveSource final : public GraphicsSource {
public:
    ReadResult Read(GFILE *g, bool *changed) override
    {
        *changed = g->frameIndex == 0;
        g->priv->src = blank_;
        g->priv->srcPitch = 4;
        g->frameDepth = 8;
        g->frameDataSize = 0;
        return ReadResult::Ok;
    }
    void Rewind(GFILE *) override {}

private:
    uint8_t blank_[16] = {};
};

bool OpenWave(GFILE *g, const std::string &path)
{
    VEXFILE *f = VEXFileOpen(16384, path.c_str(), VEXFILE_READ);
    if (!f)
        return false;
    uint8_t h[12];
    bool ok = false;
    uint32_t channels = 0, rate = 0, bits = 0, dataSize = 0;
    bool haveFormat = false, haveData = false;
    if (VEXFileGet(f, h, 12) == 12 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVE", 4) == 0) {
        uint32_t fileSize = VEXFileSize(f);
        uint32_t pos = 12;
        while (pos + 8 <= fileSize && !(haveFormat && haveData)) {
            uint8_t c[8];
            VEXFileSetPos(f, pos);
            if (VEXFileGet(f, c, 8) != 8)
                break;
            uint32_t size = ZbxGet32(c + 4);
            if (std::memcmp(c, "fmt ", 4) == 0 && size >= 16) {
                uint8_t fmt[16];
                if (VEXFileGet(f, fmt, 16) != 16)
                    break;
                if (ZbxGet16(fmt) != 1)
                    break; // PCM only
                channels = ZbxGet16(fmt + 2);
                rate = ZbxGet32(fmt + 4);
                bits = ZbxGet16(fmt + 14);
                haveFormat = true;
            } else if (std::memcmp(c, "data", 4) == 0) {
                dataSize = std::min(size, fileSize - (pos + 8));
                haveData = true;
            }
            uint64_t next = uint64_t(pos) + 8 + size + (size & 1);
            if (next > fileSize)
                break;
            pos = static_cast<uint32_t>(next);
        }
        uint64_t bytesPerSecond = uint64_t(channels) * rate * bits / 8;
        if (haveFormat && haveData && bytesPerSecond > 0) {
            ok = true;
            GFilePrivate *p = g->priv;
            p->sourceFrames = static_cast<uint32_t>(uint64_t(dataSize) * 10 / bytesPerSecond + 1);
            g->frameTime = 100;
            g->sourceWidth = g->sourceHeight = 4;
            g->depth = 8;
            g->kind = GFILE_WAVE;
            p->source = std::make_unique<WaveSource>();
            SetName(g, path);
        }
    }
    VEXFileClose(f);
    return ok;
}

// ---- Flics ---------------------------------------------------------------------

class FlicSource final : public GraphicsSource {
public:
    explicit FlicSource(VEXFLIC *f) : flic_(f), frame_(static_cast<size_t>(f->pitch) * f->rows, 0) {}
    ~FlicSource() override { VEXFlicClose(flic_); }

    ReadResult Read(GFILE *g, bool *changed) override
    {
        GFilePrivate *p = g->priv;
        bool first = !skipped_;
        if (first) {
            if (!SkipToFirstFrame(g, [this] { VEXFlicGetNext(flic_, frame_.data()); }))
                return ReadResult::Cancelled;
            skipped_ = true;
        }
        int r = VEXFlicGetNext(flic_, frame_.data());
        *changed = first || r == 2;
        std::memcpy(g->sourcePalette, flic_->palette, 768);
        g->frameDataSize = flic_->frameDataSize;
        p->src = frame_.data();
        p->srcPitch = flic_->pitch;
        g->frameDepth = 8;
        return r ? ReadResult::Ok : ReadResult::Failed;
    }

    void Rewind(GFILE *) override
    {
        skipped_ = false;
        VEXFlicGoto(flic_, 0, frame_.data());
    }

private:
    VEXFLIC *flic_;
    std::vector<uint8_t> frame_;
    bool skipped_ = false; // the first read skipped to the first frame
};

bool OpenFlic(GFILE *g, const std::string &name)
{
    VEXFLIC *f = VEXFlicOpen(name.c_str());
    if (!f)
        return false;
    GFilePrivate *p = g->priv;
    p->source = std::make_unique<FlicSource>(f);
    p->sourceFrames = f->frames;
    g->sourceWidth = f->width;
    g->sourceHeight = f->height;
    g->frameTime = f->frameTime;
    g->depth = 8;
    g->kind = GFILE_FLIC;
    char opened[128];
    if (VEXFlicGetName(f, opened))
        SetName(g, opened);
    return true;
}

// ---- Still images ----------------------------------------------------------------------

const struct {
    ImageFormat format;
    uint32_t kind;
} kImageKinds[] = {{ImageFormat::Bmp, GFILE_BMP},   {ImageFormat::Gif, GFILE_GIF}, {ImageFormat::Tiff, GFILE_TIFF},
                   {ImageFormat::Jpeg, GFILE_JPEG}, {ImageFormat::Tga, GFILE_TGA}, {ImageFormat::Pcx, GFILE_PCX},
                   {ImageFormat::Png, GFILE_PNG}};

class ImageSource final : public GraphicsSource {
public:
    explicit ImageSource(std::unique_ptr<StillImage> image) : image_(std::move(image)) {}

    ReadResult Read(GFILE *g, bool *changed) override
    {
        const StillImage &img = *image_;
        *changed = g->frameIndex == 0 || std::memcmp(g->sourcePalette, img.palette, 768) != 0;
        std::memcpy(g->sourcePalette, img.palette, 768);
        g->priv->src = img.pixels.data();
        g->priv->srcPitch = static_cast<ptrdiff_t>(img.stride);
        g->frameDepth = static_cast<uint32_t>(img.delivered);
        g->frameDataSize = g->totalSize;
        return ReadResult::Ok;
    }
    void Rewind(GFILE *) override {}

private:
    std::unique_ptr<StillImage> image_;
};

bool OpenImage(GFILE *g, const std::string &path, ImageFormat format)
{
    auto img = std::make_unique<StillImage>();
    std::string error;
    if (!LoadStillImage(path.c_str(), format, img.get(), error)) {
        PlatformDebugLog("graphics input: %s: %s", path.c_str(), error.c_str());
        if (img->width > 0) // a picture whose size is known but too large
            g->priv->whyNot = error;
        return false;
    }
    GFilePrivate *p = g->priv;
    for (const auto &k : kImageKinds)
        if (k.format == format)
            g->kind = k.kind;
    p->sourceFrames = 1;
    g->frameTime = 100;
    g->sourceWidth = static_cast<uint32_t>(img->width);
    g->sourceHeight = static_cast<uint32_t>(img->height);
    g->depth = img->bits <= 8 ? 8 : 24;
    p->source = std::make_unique<ImageSource>(std::move(img));
    SetName(g, path);
    return true;
}

bool TryImage(GFILE *g, const std::string &name, ImageFormat format, bool *handled)
{
    std::string path;
    if (!ProbeName(name, ImageFormatExtension(format), &path)) {
        // ".tiff" and ".jpeg" name the same formats.
        const char *alias = format == ImageFormat::Tiff ? ".tiff" : format == ImageFormat::Jpeg ? ".jpeg" : nullptr;
        if (!alias || !ProbeName(name, alias, &path))
            return false;
    }
    *handled = true;
    return OpenImage(g, path, format);
}

// ---- AVI -----------------------------------------------------------------------------

class AviSource final : public GraphicsSource {
public:
    AviSource(std::unique_ptr<AviReader> reader, uint32_t soundBytesPerFrame)
        : avi_(std::move(reader)), soundBytesPerFrame_(soundBytesPerFrame)
    {}

    ReadResult Read(GFILE *g, bool *changed) override
    {
        GFilePrivate *p = g->priv;
        uint32_t n = p->firstFrameIndex + g->frameIndex;
        bool ok = avi_->ReadFrame(n);
        const AviVideoStream *v = avi_->Video();
        g->frameDataSize = avi_->FrameStoredSize(n) + soundBytesPerFrame_;
        g->frameDepth = v->bitCount;
        if (v->bitCount <= 8) {
            *changed = g->frameIndex == 0 || std::memcmp(g->sourcePalette, avi_->FramePalette(), 768) != 0;
            std::memcpy(g->sourcePalette, avi_->FramePalette(), 768);
        } else {
            *changed = g->frameIndex == 0;
        }
        p->src = avi_->FrameTopRow();
        p->srcPitch = avi_->FramePitch();
        return ok ? ReadResult::Ok : ReadResult::Failed;
    }
    void Rewind(GFILE *) override {} // frames are read by number

private:
    std::unique_ptr<AviReader> avi_;
    uint32_t soundBytesPerFrame_; // counted in each frame's data size
};

bool OpenAvi(GFILE *g, const std::string &path)
{
    std::string error;
    auto reader = AviReader::OpenFile(path.c_str(), error);
    if (!reader || !reader->Video()) {
        PlatformDebugLog("graphics input: %s: %s", path.c_str(),
                         reader ? "the video is not uncompressed DIB (8, 16, 24 or 32 bits)" : error.c_str());
        return false;
    }
    const AviVideoStream *v = reader->Video();
    if (v->rate == 0 || v->scale == 0)
        return false;
    GFilePrivate *p = g->priv;
    g->sourceWidth = static_cast<uint32_t>(v->width);
    g->sourceHeight = static_cast<uint32_t>(v->height);
    g->rateNumerator = v->rate;
    g->rateDenominator = v->scale;
    int64_t t = int64_t(100000) * v->scale / v->rate;
    g->frameTime = static_cast<int32_t>(-std::min<int64_t>(t, INT32_MAX));
    p->sourceFrames = reader->FrameCount();
    uint32_t soundBytesPerFrame = 0;
    for (size_t i = 0; i < reader->SoundCount(); i++) {
        const AviSoundStream *s = reader->Sound(i);
        if (s->formatSize == 16 && p->sourceFrames > 0) {
            soundBytesPerFrame =
                static_cast<uint32_t>(uint64_t(s->length) * s->channels * s->bitsPerSample / p->sourceFrames / 8);
        }
        break; // the first sound stream
    }
    g->depth = v->bitCount;
    g->kind = GFILE_AVI;
    p->source = std::make_unique<AviSource>(std::move(reader), soundBytesPerFrame);
    SetName(g, path);
    return true;
}

// ---- Raw frame files ---------------------------------------------------------------

// The RAWB header: magic, frames, width, height and frame time.
constexpr uint32_t kRawHeaderBytes = 20;

class RawSource final : public GraphicsSource {
public:
    RawSource(VEXFILE *f, uint32_t width, uint32_t height)
        : raw_(f), width_(width), height_(height), pitch_((width + 3) & ~3u),
          frame_(static_cast<size_t>(pitch_) * height, 0)
    {}
    ~RawSource() override { VEXFileClose(raw_); }

    ReadResult Read(GFILE *g, bool *changed) override
    {
        GFilePrivate *p = g->priv;
        bool first = !skipped_;
        *changed = first;
        // Frames before the first to deliver are read past on the first read.
        uint32_t toSkip = first ? p->firstFrameIndex : 0;
        skipped_ = true;
        ReadResult result = ReadResult::Ok;
        for (;;) {
            if (VEXFileAtEnd(raw_)) {
                result = ReadResult::Failed;
                break;
            }
            uint32_t tag = VEXFileGet32(raw_);
            if (tag == 0) {
                uint8_t pal[768];
                if (VEXFileGet(raw_, pal, 768) != 768) {
                    result = ReadResult::Failed;
                    break;
                }
                std::memcpy(g->sourcePalette, pal, 768);
                *changed = true;
                continue;
            }
            if (tag != 1) {
                result = ReadResult::Failed;
                break;
            }
            bool shortRead = false;
            for (uint32_t y = 0; y < height_; y++) {
                uint8_t *row = frame_.data() + static_cast<size_t>(y) * pitch_;
                if (VEXFileGet(raw_, row, width_) != width_)
                    shortRead = true;
            }
            if (shortRead) {
                result = ReadResult::Failed;
                break;
            }
            if (toSkip == 0)
                break;
            if (Progress(g, toSkip == p->firstFrameIndex ? 1 : 0, "Skipping frame %li...",
                         static_cast<long>(p->firstFrameIndex - toSkip) + 1))
                return ReadResult::Cancelled;
            toSkip--;
        }
        g->frameDataSize = width_ * height_;
        p->src = frame_.data();
        p->srcPitch = pitch_;
        g->frameDepth = 8;
        return result;
    }

    void Rewind(GFILE *) override
    {
        skipped_ = false;
        VEXFileSetPos(raw_, kRawHeaderBytes);
    }

private:
    VEXFILE *raw_;
    uint32_t width_, height_, pitch_;
    std::vector<uint8_t> frame_;
    bool skipped_ = false; // the first read skipped to the first frame
};

bool OpenRaw(GFILE *g, const std::string &path)
{
    VEXFILE *f = VEXFileOpen(16384, path.c_str(), VEXFILE_READ);
    if (!f)
        return false;
    uint8_t h[kRawHeaderBytes];
    if (VEXFileGet(f, h, kRawHeaderBytes) != kRawHeaderBytes || std::memcmp(h, "RAWB", 4) != 0) {
        VEXFileClose(f);
        return false;
    }
    uint32_t frames = ZbxGet32(h + 4), w = ZbxGet32(h + 8), ht = ZbxGet32(h + 12), t = ZbxGet32(h + 16);
    if (w == 0 || ht == 0 || !WithinPictureLimits(w, ht) || t == 0 || t > 0x7FFFFFFF) {
        VEXFileClose(f);
        return false;
    }
    GFilePrivate *p = g->priv;
    p->source = std::make_unique<RawSource>(f, w, ht);
    p->sourceFrames = frames;
    g->sourceWidth = w;
    g->sourceHeight = ht;
    g->frameTime = -static_cast<int32_t>(t);
    g->depth = 8;
    g->kind = GFILE_RAW;
    SetName(g, path);
    return true;
}

} // namespace

namespace {

// What a file's first bytes say it is: its content decides, not its name.
enum class Content { Unknown, Wave, Avi, WebP, Flic, Zorblax, Raw, Image };

Content Sniff(const std::string &path, ImageFormat *format)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Content::Unknown;
    uint8_t b[16] = {};
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return Content::Unknown;
    const size_t n = std::fread(b, 1, sizeof b, f);
    std::fclose(f);
    if (n < 4)
        return Content::Unknown;
    if (std::memcmp(b, "ZBX2", 4) == 0)
        return Content::Zorblax;
    if (std::memcmp(b, "RAWB", 4) == 0)
        return Content::Raw;
    if (n >= 12 && std::memcmp(b, "RIFF", 4) == 0)
        return std::memcmp(b + 8, "WAVE", 4) == 0   ? Content::Wave
               : std::memcmp(b + 8, "AVI ", 4) == 0 ? Content::Avi
               : std::memcmp(b + 8, "WEBP", 4) == 0 ? Content::WebP
                                                    : Content::Unknown;
    if (n >= 6 && b[5] == 0xAF && (b[4] == 0x11 || b[4] == 0x12))
        return Content::Flic;
    const struct {
        const char *magic;
        size_t size;
        ImageFormat format;
    } images[] = {{"BM", 2, ImageFormat::Bmp},     {"\x89PNG", 4, ImageFormat::Png},
                  {"GIF8", 4, ImageFormat::Gif},   {"\xFF\xD8\xFF", 3, ImageFormat::Jpeg},
                  {"II*\0", 4, ImageFormat::Tiff}, {"MM\0*", 4, ImageFormat::Tiff},
                  {"\x0A", 1, ImageFormat::Pcx}};
    for (const auto &i : images)
        if (std::memcmp(b, i.magic, i.size) == 0) {
            *format = i.format;
            return Content::Image;
        }
    return Content::Unknown;
}

// A file named exactly, whose content is known, opened as what it is.
bool OpenByContent(GFILE *g, const std::string &path, bool *handled)
{
    ImageFormat format = ImageFormat::Bmp;
    const Content c = Sniff(path, &format);
    *handled = c != Content::Unknown;
    switch (c) {
    case Content::Wave:
        return OpenWave(g, path);
    case Content::Avi:
        return OpenAvi(g, path);
    case Content::Flic:
        return OpenFlic(g, path);
    case Content::Zorblax:
        return OpenZorblaxSource(g, path);
    case Content::Raw:
        return OpenRaw(g, path);
    case Content::WebP:
        return OpenAnimatedSource(g, path, true, handled);
    case Content::Image:
        // A GIF with several frames is an animation; one picture goes on to
        // the image reader.
        if (format == ImageFormat::Gif) {
            bool animated = false;
            if (OpenAnimatedSource(g, path, false, &animated))
                return true;
            if (animated)
                return false;
        }
        return OpenImage(g, path, format);
    case Content::Unknown:
        break;
    }
    return false;
}

} // namespace

bool OpenSource(GFILE *g, const std::string &name)
{
    std::string path;
    // 0. A file of that very name whose content is known (the name as given
    //    comes first; the extension then decides nothing).
    bool known = false;
    if (OpenByContent(g, name, &known))
        return true;
    // 1. Wave files.
    if (ProbeName(name, ".wav", &path) && OpenWave(g, path))
        return true;
    // 2. List files.
    if (ProbeName(name, ".lst", &path)) {
        auto walker = std::make_unique<EntryWalker>();
        if (walker->OpenList(path.c_str())) {
            SetName(g, path);
            return OpenListSource(g, std::move(walker));
        }
    }
    // 3. Flics (the flic reader tries its own extensions).
    if (OpenFlic(g, name))
        return true;
    // 4. Zorblax files.
    if (OpenZorblaxSource(g, name))
        return true;
    // 5.-7. Images and AVI in the order of the probes.
    bool handled = false;
    for (ImageFormat f : {ImageFormat::Bmp, ImageFormat::Pcx, ImageFormat::Tga}) {
        if (TryImage(g, name, f, &handled))
            return true;
        if (handled)
            break;
    }
    if (!handled && ProbeName(name, ".avi", &path)) {
        if (OpenAvi(g, path))
            return true;
        handled = true;
    }
    if (!handled)
        for (ImageFormat f : {ImageFormat::Tiff, ImageFormat::Gif, ImageFormat::Jpeg, ImageFormat::Png}) {
            // Animated GIFs: every frame; single pictures go on to the image reader.
            if (f == ImageFormat::Gif && ProbeName(name, ".gif", &path)) {
                if (OpenAnimatedSource(g, path, false, &handled))
                    return true;
                if (handled)
                    break;
            }
            if (TryImage(g, name, f, &handled))
                return true;
            if (handled)
                break;
        }
    // Animated (or still) WebP files.
    if (!handled && ProbeName(name, ".webp", &path)) {
        if (OpenAnimatedSource(g, path, true, &handled))
            return true;
        handled = true;
    }
    // 8. Raw frame files.
    if (!handled && ProbeName(name, ".raw", &path) && OpenRaw(g, path))
        return true;
    if (!g->priv->whyNot.empty())
        Progress(g, 2, "Error opening %s: %s", name.c_str(), g->priv->whyNot.c_str());
    else
        Progress(g, 2, "Error opening: %s", name.c_str());
    return false;
}

} // namespace vex

// OGFile: one output for a sequence of frames, a flic, an AVI file or
// numbered still images, chosen by the output name's extension.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "vexutil/core/last_error.h"
#include "vexutil/graphics/anim_timing.h"
#include "vexutil/graphics/avi_writer.h"
#include "vexutil/graphics/gif_writer.h"
#include "vexutil/graphics/image_layer.h"
#include "vexutil/graphics/image_writer.h"
#include "vexutil/graphics/webp_writer.h"
#include "vexutil/graphics/y4m_writer.h"
#include "vexutil/vexutil.h"

struct OGFilePrivate {
    std::string target;              // flic or AVI: the final name
    zorb::platform::SafeFile output; // flic and AVI: the file being written
    std::unique_ptr<vex::AviWriter> avi;
    std::unique_ptr<vex::GifAnimWriter> gif;
    std::unique_ptr<vex::WebpAnimWriter> webp;
    std::unique_ptr<vex::Y4mWriter> y4m;
    bool toStandardOutput = false; // a y4m stream on standard output
    vex::ImageFormat format = vex::ImageFormat::Bmp;
    std::string prefix, suffix; // numbered images: prefix, number, suffix
    int digits = 0;
    uint32_t frames = 0;
    VEXPROGRESS progress = nullptr;
    uint8_t palette[768] = {};
    std::vector<uint8_t> rows; // the frame in the output's layout
    // Numbered images written so far: removed when the sequence is abandoned
    // or the program is interrupted, kept only when it is complete.
    std::vector<std::string> written;
};

namespace {

const char kFlicFailed[] = "the flic could not be started";
const char kAviFailed[] = "the AVI file could not be started";
const char kAnimFailed[] = "the animation could not be started";
const char kUnsupported[] = "Unsupported output file type or color depth.";

void Report(VEXPROGRESS progress, const std::string &text, int level = 2)
{
    if (level == 2)
        vex::SetLastError(text);
    else if (level == 3)
        vex::SetLastError("The output file was kept: overwriting it was declined.");
    if (progress)
        progress(level == 3 ? nullptr : text.c_str(), level);
}

void CopyField(char *field, size_t size, const std::string &text)
{
    std::snprintf(field, size, "%s", text.c_str());
}

// The image number's digits for a count of frames (none below 2).
int DigitsFor(uint32_t frames)
{
    if (frames >= 10000)
        return 5;
    if (frames >= 1000)
        return 4;
    if (frames >= 100)
        return 3;
    if (frames >= 10)
        return 2;
    return frames >= 2 ? 1 : 0;
}

std::string ImageName(const OGFilePrivate &p, uint32_t number)
{
    if (p.digits == 0)
        return p.prefix + p.suffix;
    char n[16];
    std::snprintf(n, sizeof n, "%0*u", p.digits, number);
    return p.prefix + n + p.suffix;
}

std::string BaseName(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Declined overwrites are reported as (null, 3).
bool MayWrite(const std::string &name, uint32_t flags, VEXPROGRESS progress)
{
    if ((flags & OGFILE_OVERWRITE) || overwrite(name.c_str()))
        return true;
    Report(progress, "", 3);
    return false;
}

// Sets the error field; the first failure is also reported.
void Fail(OGFILE *og, const std::string &text)
{
    if (!og->error)
        Report(og->priv->progress, text);
    og->error = 1;
}

// Row length of the input: the pitch, unless it is shorter than a row (then
// rows follow each other without padding).
size_t InputRow(const OGFILE *og)
{
    const size_t row = static_cast<size_t>(og->width) * (og->trueColour ? 4 : 1);
    return std::max<size_t>(og->inputPitch, row);
}

// Fills rows (bottom-up when asked, stride apart) with the frame at the
// output depth: 8-bit indices, or blue, green, red.
void Convert(const OGFILE *og, const uint8_t *pixels, const uint8_t *palette, uint8_t *out, size_t stride,
             bool bottomUp)
{
    const size_t in = InputRow(og);
    for (uint32_t y = 0; y < og->height; ++y) {
        const uint8_t *s = pixels + y * in;
        uint8_t *d = out + (bottomUp ? og->height - 1 - y : y) * stride;
        if (og->depth == 8) {
            std::memcpy(d, s, og->width);
        } else if (og->trueColour) {
            for (uint32_t x = 0; x < og->width; ++x, s += 4, d += 3)
                d[0] = s[0], d[1] = s[1], d[2] = s[2];
        } else {
            for (uint32_t x = 0; x < og->width; ++x, d += 3) {
                const uint8_t *c = palette + 3 * s[x];
                d[0] = c[2], d[1] = c[1], d[2] = c[0];
            }
        }
    }
}

// The kinds written as one file of all frames, by name; 0 for the others.
uint32_t AnimatedKind(const std::string &name)
{
    if (name == "-")
        return OGFILE_Y4M;
    const char *ext = HasExtension(name.c_str());
    if (!ext)
        return 0;
    if (strcasecmp(ext, ".gif") == 0)
        return OGFILE_GIF;
    if (strcasecmp(ext, ".webp") == 0)
        return OGFILE_WEBP;
    if (strcasecmp(ext, ".y4m") == 0)
        return OGFILE_Y4M;
    return 0;
}

// The frame as blue, green, red, unused bytes, rows without padding.
void ToBgrx(const OGFILE *og, const uint8_t *pixels, const uint8_t *palette, uint8_t *out)
{
    const size_t in = InputRow(og);
    for (uint32_t y = 0; y < og->height; ++y) {
        const uint8_t *s = pixels + y * in;
        uint8_t *d = out + static_cast<size_t>(y) * og->width * 4;
        if (og->trueColour) {
            std::memcpy(d, s, static_cast<size_t>(og->width) * 4);
            continue;
        }
        for (uint32_t x = 0; x < og->width; ++x, d += 4) {
            const uint8_t *c = palette + 3 * s[x];
            d[0] = c[2], d[1] = c[1], d[2] = c[0], d[3] = 0;
        }
    }
}

// One file for all frames: an animated GIF (8-bit frames), an animated WebP
// or a y4m stream (to a file, or to standard output for the name "-").
bool CreateAnimated(OGFILE *og, const std::string &name, int32_t frameTime, uint32_t flags, uint32_t kind)
{
    OGFilePrivate &p = *og->priv;
    if (kind == OGFILE_GIF && og->trueColour) {
        if (!(flags & OGFILE_QUIET))
            Report(p.progress, kUnsupported);
        return false;
    }
    p.toStandardOutput = name == "-";
    p.target = p.toStandardOutput ? "standard output" : name;
    if (!p.toStandardOutput && !MayWrite(p.target, flags, p.progress))
        return false;
    std::string why;
    if (!p.toStandardOutput && !p.output.Create(p.target, why)) {
        Report(p.progress, why.empty() ? "Error creating " + p.target + ": " + kAnimFailed : why);
        return false;
    }
    const int64_t period = vex::FramePeriodUnits(frameTime);
    bool ok = false;
    if (kind == OGFILE_GIF) {
        ok = (p.gif = vex::GifAnimWriter::Create(og->width, og->height, period, why)) != nullptr;
        p.rows.resize(static_cast<size_t>(og->width) * og->height);
    } else {
        p.rows.resize(static_cast<size_t>(og->width) * og->height * 4);
        if (kind == OGFILE_WEBP) {
            ok = (p.webp = vex::WebpAnimWriter::Create(og->width, og->height, period, why)) != nullptr;
        } else {
            p.y4m = std::make_unique<vex::Y4mWriter>();
            ok = p.y4m->Open(p.toStandardOutput ? 1 : p.output.Fd(), og->width, og->height, frameTime, why);
        }
    }
    if (!ok) {
        Report(p.progress, std::string("Error creating the output file ") + p.target + ": " + why + ".");
        return false;
    }
    og->kind = kind;
    og->depth = kind == OGFILE_GIF ? 8 : 24;
    CopyField(og->name, sizeof og->name, p.target);
    CopyField(og->summary, sizeof og->summary, p.target);
    return true;
}

void PutAnimated(OGFILE *og, const uint8_t *pixels)
{
    OGFilePrivate &p = *og->priv;
    std::string why;
    bool ok;
    if (p.gif) {
        Convert(og, pixels, p.palette, p.rows.data(), og->width, false);
        ok = p.gif->PutFrame(p.rows.data(), p.palette);
    } else {
        ToBgrx(og, pixels, p.palette, p.rows.data());
        const size_t stride = static_cast<size_t>(og->width) * 4;
        ok = p.webp ? p.webp->PutFrame(p.rows.data(), stride, why) : p.y4m->PutFrame(p.rows.data(), stride, why);
    }
    if (!ok)
        Fail(og, "Error writing the output file " + p.target + (why.empty() ? "." : ": " + why + "."));
    ++og->nextNumber;
}

// Encodes what waits for the end; the bytes written.
uint64_t FinishAnimated(OGFILE *og)
{
    OGFilePrivate &p = *og->priv;
    std::string why;
    uint64_t size = 0;
    bool ok = true;
    if (p.gif && !og->error) {
        ok = p.gif->Finish(
            [&](const uint8_t *data, size_t n) {
                size += n;
                return p.output.Write(data, n);
            },
            why);
    } else if (p.webp && !og->error) {
        std::vector<uint8_t> file;
        ok = p.webp->Finish(&file, why) && p.output.Write(file.data(), file.size());
        size = file.size();
    } else if (p.y4m) {
        size = p.y4m->Size();
    }
    if (!ok)
        Fail(og, "Error writing the output file " + p.target + (why.empty() ? "." : ": " + why + "."));
    p.gif.reset();
    p.webp.reset();
    p.y4m.reset();
    return size;
}

bool CreateFlic(OGFILE *og, const std::string &name, int32_t frameTime, uint32_t flags)
{
    OGFilePrivate &p = *og->priv;
    p.target = HasExtension(name.c_str()) ? name : name + ".flc";
    if (!MayWrite(p.target, flags, p.progress))
        return false;
    std::string why;
    // Widths are kept as they are: odd widths cannot be coded and are refused.
    if (og->width & 1) {
        Report(p.progress, "Error creating " + p.target + ": a flic needs an even width (the picture is " +
                               std::to_string(og->width) + " pixels wide; crop it with /W).");
        return false;
    }
    if (!p.output.Create(p.target, why) ||
        !(og->flic = VEXOFlicCreate(p.output.Path().c_str(), og->width, og->height, frameTime))) {
        Report(p.progress, why.empty() ? "Error creating " + p.target + ": " + kFlicFailed : why);
        return false;
    }
    og->kind = OGFILE_FLIC;
    og->depth = 8;
    p.rows.resize(static_cast<size_t>(og->width) * og->height);
    CopyField(og->name, sizeof og->name, p.target);
    CopyField(og->summary, sizeof og->summary, p.target);
    return true;
}

bool CreateAvi(OGFILE *og, const std::string &name, int32_t frameTime, uint32_t flags)
{
    OGFilePrivate &p = *og->priv;
    p.target = name;
    if (!MayWrite(p.target, flags, p.progress))
        return false;
    vex::AviWriterSettings s;
    s.width = og->width;
    s.height = og->height;
    s.bits = og->trueColour ? 24 : 8;
    if (frameTime < 0)
        s.scale = static_cast<uint32_t>(-static_cast<int64_t>(frameTime)), s.rate = 100000;
    else if (frameTime > 0)
        s.scale = static_cast<uint32_t>(frameTime), s.rate = 1000;
    else
        s.scale = 100, s.rate = 1000; // no frame time: 10 frames a second
    std::string why;
    if (!p.output.Create(p.target, why)) {
        Report(p.progress, why);
        return false;
    }
    if (!(p.avi = vex::AviWriter::Create(p.output.Fd(), s, why))) {
        Report(p.progress, "Error creating " + p.target + ": " + (why.empty() ? kAviFailed : why));
        return false;
    }
    og->kind = OGFILE_AVI;
    og->depth = s.bits;
    p.rows.resize(static_cast<size_t>(p.avi->RowBytes()) * og->height);
    CopyField(og->name, sizeof og->name, p.target);
    CopyField(og->summary, sizeof og->summary, p.target);
    return true;
}

bool CreateImages(OGFILE *og, const std::string &name, uint32_t flags)
{
    OGFilePrivate &p = *og->priv;
    static const uint32_t kinds[] = {OGFILE_BMP, OGFILE_GIF, OGFILE_TIFF, OGFILE_JPEG,
                                     OGFILE_TGA, OGFILE_PCX, OGFILE_PNG};
    vex::ImageFormat f;
    if (!vex::ImageFormatFromName(name.c_str(), &f) ||
        (og->trueColour && (f == vex::ImageFormat::Pcx || f == vex::ImageFormat::Gif))) {
        if (!(flags & OGFILE_QUIET))
            Report(p.progress, kUnsupported);
        return false;
    }
    p.format = f;
    og->kind = kinds[static_cast<int>(f)];
    og->depth = og->trueColour || f == vex::ImageFormat::Tga ? 24 : 8;
    const char *dot = HasExtension(name.c_str());
    p.prefix = name.substr(0, static_cast<size_t>(dot - name.c_str()));
    p.suffix = dot;
    p.digits = DigitsFor(p.frames);
    // The pattern as a format text, for callers that show it.
    std::string pattern;
    for (char c : p.prefix)
        pattern += c == '%' ? std::string("%%") : std::string(1, c);
    if (p.digits)
        pattern += "%0" + std::to_string(p.digits) + "i";
    for (char c : p.suffix)
        pattern += c == '%' ? std::string("%%") : std::string(1, c);
    CopyField(og->name, sizeof og->name, pattern);
    if (!MayWrite(ImageName(p, 0), flags, p.progress))
        return false;
    const size_t stride = og->depth == 8 ? og->width : static_cast<size_t>(og->width) * 3;
    p.rows.resize(stride * og->height);
    return true;
}

void PutImage(OGFILE *og, const uint8_t *pixels)
{
    OGFilePrivate &p = *og->priv;
    if (p.digits == 0 && og->nextNumber > 0) {
        Fail(og, "Error: more frames than announced for " + ImageName(p, 0) + "; it was not overwritten.");
        return;
    }
    const size_t stride = og->depth == 8 ? og->width : static_cast<size_t>(og->width) * 3;
    Convert(og, pixels, p.palette, p.rows.data(), stride, false);
    vex::PictureToSave pic;
    pic.width = static_cast<int>(og->width);
    pic.height = static_cast<int>(og->height);
    pic.bits = static_cast<int>(og->depth);
    pic.pixels = p.rows.data();
    pic.stride = stride;
    pic.palette = p.palette;
    const std::string name = ImageName(p, og->nextNumber++);
    std::vector<uint8_t> bytes;
    std::string why;
    if (!vex::EncodeStillImage(p.format, pic, &bytes, why)) {
        Fail(og, "Error writing the output file " + name + ": " + why);
        return;
    }
    // Each image appears whole or not at all.
    zorb::platform::SafeFile file;
    PlatformCleanupAdd(name.c_str(), 0); // before the rename: no signal leaves it behind
    p.written.push_back(name);
    if (!file.Create(name, why) || !file.Write(bytes.data(), bytes.size()) || !file.Commit(bytes.size(), why)) {
        PlatformCleanupRemove(name.c_str()); // not ours: an older file of the name stays
        p.written.pop_back();
        Fail(og, why.empty() ? "Error writing the output file " + name + "." : why);
        return;
    }
    og->total = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(og->total) + bytes.size(), UINT32_MAX));
    if (og->nextNumber == 1) {
        CopyField(og->firstName, sizeof og->firstName, BaseName(name));
        CopyField(og->summary, sizeof og->summary, og->firstName);
    } else {
        CopyField(og->summary, sizeof og->summary, std::string(og->firstName) + " to " + BaseName(name));
    }
}

} // namespace

extern "C" {

VEXAPI OGFILE *OGFileCreate(void *parent, const char *name, uint32_t trueColour, uint32_t frames, uint32_t width,
                            uint32_t height, uint32_t inputPitch, int32_t frameTime, VEXPROGRESS progress,
                            uint32_t flags)
{
    (void)parent; // no dialogs here
    vex::ClearLastError();
    if (!name || !name[0] || width == 0 || height == 0 || width > 65535 || height > 65535) {
        vex::SetLastError("Error: no output file name, or a picture size beyond 1 to 65535.");
        return nullptr;
    }
    OGFILE *og = static_cast<OGFILE *>(vexmalloc(sizeof(OGFILE)));
    if (!og)
        return nullptr;
    std::memset(og, 0, sizeof *og);
    og->priv = new (std::nothrow) OGFilePrivate;
    if (!og->priv) {
        vexfree(og);
        return nullptr;
    }
    og->trueColour = trueColour ? 1 : 0;
    og->width = width;
    og->height = height;
    og->inputPitch = inputPitch;
    og->priv->progress = progress;
    og->priv->frames = frames;
    const std::string n = name;
    const char *ext = HasExtension(name);
    bool ok;
    try {
        const uint32_t animated = AnimatedKind(n);
        if (animated)
            ok = CreateAnimated(og, n, frameTime, flags, animated);
        else if ((!ext || strcasecmp(ext, ".flc") == 0) && !trueColour)
            ok = CreateFlic(og, n, frameTime, flags);
        else if (ext && strcasecmp(ext, ".avi") == 0)
            ok = CreateAvi(og, n, frameTime, flags);
        else if (ext)
            ok = CreateImages(og, n, flags);
        else {
            if (!(flags & OGFILE_QUIET))
                Report(progress, kUnsupported);
            ok = false;
        }
    } catch (const std::bad_alloc &) {
        Report(progress, "Out of memory.");
        ok = false;
    }
    if (!ok) {
        og->error = 1;
        OGFileClose(og);
        return nullptr;
    }
    return og;
}

VEXAPI void OGFilePut(OGFILE *og, const uint8_t *pixels, const uint8_t *palette)
{
    if (!og || !pixels || og->error)
        return;
    OGFilePrivate &p = *og->priv;
    if (palette)
        std::memcpy(p.palette, palette, 768);
    if (og->kind == OGFILE_FLIC) {
        const uint8_t *rows = pixels;
        if (InputRow(og) != og->width) {
            Convert(og, pixels, p.palette, p.rows.data(), og->width, false);
            rows = p.rows.data();
        }
        if (!VEXOFlicPutNext(og->flic, rows, palette))
            Fail(og, "Error writing the output file " + p.target + ".");
        ++og->nextNumber;
    } else if (og->kind == OGFILE_AVI) {
        Convert(og, pixels, p.palette, p.rows.data(), p.avi->RowBytes(), true);
        if (!p.avi->PutFrame(p.rows.data(), og->depth == 8 ? p.palette : nullptr))
            Fail(og, "Error writing the output file " + p.target + ".");
        ++og->nextNumber;
    } else if (p.gif || p.webp || p.y4m) {
        PutAnimated(og, pixels);
    } else {
        PutImage(og, pixels);
    }
}

VEXAPI uint32_t OGFileClose(OGFILE *og)
{
    if (!og)
        return 0;
    OGFilePrivate &p = *og->priv;
    uint64_t size = og->total;
    std::string why;
    if (og->kind == OGFILE_FLIC && og->flic) {
        size = VEXOFlicClose(og->flic);
        og->flic = nullptr;
        if (!og->error && size == 0)
            Fail(og, "Error writing the output file " + p.target + ".");
    } else if (og->kind == OGFILE_AVI && p.avi) {
        const bool ok = p.avi->Close();
        size = p.avi->Size();
        p.avi.reset();
        if (!og->error && !ok)
            Fail(og, "Error writing the output file " + p.target + ".");
    } else if (p.gif || p.webp || p.y4m) {
        size = FinishAnimated(og);
    }
    const bool oneFile = og->kind == OGFILE_FLIC || og->kind == OGFILE_AVI || og->kind == OGFILE_GIF ||
                         og->kind == OGFILE_WEBP || og->kind == OGFILE_Y4M;
    if (oneFile && !p.toStandardOutput) {
        if (og->error)
            p.output.Discard();
        else if (!p.output.Commit(size, why))
            Fail(og, why);
    }
    for (auto it = p.written.rbegin(); it != p.written.rend(); ++it) {
        const std::string &name = *it;
        if (og->error)
            std::remove(name.c_str());
        PlatformCleanupRemove(name.c_str());
    }
    const uint32_t result = og->error ? 0 : static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX));
    delete og->priv;
    vexfree(og);
    return result;
}

} // extern "C"

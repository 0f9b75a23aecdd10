// The graphics conversion shared by pictproc and the compressor's graphics
// output kinds: frames from GFile into OGFile.
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "encoder/encoder.h"
#include "encoder/last_error.h"
#include "encoder/sound_beside.h"

namespace {

bool gDeclined = false;
ZencProgressFn gProgress = nullptr;

// Passes everything on and notes a declined overwrite (level 3).
int Relay(const char *text, int level)
{
    if (level == 3) {
        gDeclined = true;
        return 0;
    }
    return gProgress ? gProgress(text, level) : 0;
}

const char *const kKinds[] = {".flc",  ".avi", ".bmp", ".jpg", ".jpeg", ".tga", ".tif",
                              ".tiff", ".pcx", ".gif", ".png", ".webp", ".y4m"};

bool IsKind(const char *ext)
{
    if (!ext)
        return false;
    for (const char *k : kKinds)
        if (strcasecmp(ext, k) == 0)
            return true;
    return false;
}

// A y4m stream: to a ".y4m" file or to standard output ("-").
bool IsStream(const char *name)
{
    const char *ext = HasExtension(name);
    return std::strcmp(name, "-") == 0 || (ext && strcasecmp(ext, ".y4m") == 0);
}

} // namespace

extern "C" int ZencIsGraphicsOutput(const char *name)
{
    return name && (IsKind(HasExtension(name)) || std::strcmp(name, "-") == 0) ? 1 : 0;
}

extern "C" void ZencOutputLikeInput(const char *input, const char *output, char *result, size_t size)
{
    if (!result || size == 0)
        return;
    std::string out = output ? output : "";
    if (!HasExtension(out.c_str()) && input && out != "-") {
        // The input's own name: without a frame range ("*1-9") or switches.
        std::string in = input;
        in = in.substr(0, in.find_first_of("* \t"));
        const char *ext = HasExtension(in.c_str());
        if (ext && strcasecmp(ext, ".fli") == 0)
            out += ".flc";
        else if (IsKind(ext))
            out += ext;
    }
    std::snprintf(result, size, "%s", out.c_str());
}

extern "C" int ZencConvertGraphics(const ZencConvertParams *p, ZencProgressFn progress, ZencConvertReport *report)
{
    ZencConvertReport r{};
    if (report)
        *report = r;
    zenc::ErrorScope errors(progress);
    progress = errors.Progress();
    if (!p || !p->input || !p->output)
        return errors.Fail("Error: bad arguments to the graphics converter.");
    gProgress = progress;
    gDeclined = false;
    GFILE *g = GFileOpen(p->input, p->trueColour ? GFILE_32BIT : 0, p->cropX, p->cropY, p->width, p->height, p->first,
                         p->last, p->paletteMode, p->analysisLimit, p->firstIndex, p->colours, p->systemColours,
                         p->conversion, p->paletteFile, "Converting", Relay);
    if (!g) {
        r.inputFailed = 1;
        if (report)
            *report = r;
        return errors.Fail(""); // the reader has said why
    }
    r.sourceFrames = g->sourceFrames;
    if (p->first > 0 && static_cast<uint32_t>(p->first) > g->sourceFrames) {
        GFileClose(g);
        r.firstBeyond = 1;
        if (report)
            *report = r;
        return 0;
    }
    int32_t frameTime = g->frameTime;
    if (p->frameRate)
        frameTime = -MakeFrameRate(p->frameRate);
    const uint32_t frames = p->skipOdd ? (g->frames + 1) / 2 : g->frames;
    if (p->skipOdd)
        frameTime *= 2;
    OGFILE *og = OGFileCreate(nullptr, p->output, p->trueColour, frames, g->width, g->height, g->pitch, frameTime,
                              Relay, p->overwrite ? OGFILE_OVERWRITE : 0);
    if (!og) {
        GFileClose(g);
        r.declined = gDeclined;
        if (report)
            *report = r;
        return gDeclined ? errors.Declined() : errors.Fail("");
    }
    // A y4m stream's sound goes beside it.
    zenc::SoundBeside sound;
    const int64_t period = frameTime < 0   ? -static_cast<int64_t>(frameTime)
                           : frameTime > 0 ? int64_t(frameTime) * 100
                                           : 10000;
    std::string why, soundTarget;
    if (IsStream(p->output)) {
        const std::string target =
            p->soundOutput && p->soundOutput[0] ? std::string(p->soundOutput) : zenc::SoundBesideName(p->output);
        const bool asked = p->soundOutput && p->soundOutput[0];
        bool declined = false;
        soundTarget = target;
        if (!target.empty() && !sound.Open(p->input, p->first, p->last, target, p->overwrite != 0, why, &declined)) {
            sound.Abandon();
            if (asked || declined) { // a sound file asked for, or kept: no conversion
                if (!declined && progress)
                    progress(why.c_str(), 2);
                og->error = 1;
                OGFileClose(og);
                GFileClose(g);
                r.declined = declined;
                if (report)
                    *report = r;
                return declined ? errors.Declined() : errors.Fail("");
            }
        }
    }
    bool ok = true;
    for (uint32_t i = 0; i < g->frames && ok; ++i) {
        if (!GFileGet(g)) {
            // The frames before a damaged one are kept; cancelled, or an
            // input that failed otherwise (reported), gives nothing.
            r.damagedFrame = g->damagedFrame;
            ok = r.damagedFrame > 1 && r.frames > 0;
            break;
        }
        if (p->skipOdd && (i & 1))
            continue;
        if (!sound.Until(r.frames + 1, period, why)) {
            if (progress)
                progress(why.c_str(), 2);
            ok = false;
            break;
        }
        OGFilePut(og, g->pixels, p->trueColour ? nullptr : g->palette);
        if (og->error)
            ok = false;
        else
            ++r.frames;
    }
    const bool withSound = sound.IsOpen();
    if (ok && withSound && !sound.Finish(why)) {
        if (progress)
            progress(why.c_str(), 2);
        ok = false;
    }
    if (!ok)
        og->error = 1; // abandons a flic or AVI output
    if (sound.IsOpen())
        sound.Abandon();
    const std::string summary = withSound ? std::string(og->summary) + " (sound: " + soundTarget + ")" : og->summary;
    std::snprintf(r.summary, sizeof r.summary, "%s", summary.c_str());
    r.bytes = OGFileClose(og);
    GFileClose(g);
    ok = ok && r.bytes > 0;
    if (ok)
        sound.Keep(); // the stream is complete: its sound stays beside it
    else
        sound.Abandon();
    if (report)
        *report = r;
    return ok ? 1 : errors.Fail("");
}

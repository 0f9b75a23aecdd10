// zbxinfo: what a user wants to know about .zbx files before playing them.
//
//   zbxinfo [--frames] FILE...
//   zbxinfo --dump DIR FILE
//   zbxinfo --json FILE
//
// Started by the front end with /#N, it reports one line per file there.
//
// For each file: size, frames, frame rate, picture and height mode, sound
// tracks, trees, largest frame, largest second of data, mean frame size and
// the memory the open took. --frames adds one line per frame. A file that
// cannot be opened gives one error line; the others are still reported and
// the exit status is 1.
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "codec/examine.h"
#include "codec/format.h"
#include "codec/zorb.h"
#include "platform/platform.h"
#include "tools/common/std_streams.h"
#include "tools/zbxinfo/dump.h"
#include "tools/zbxinfo/json.h"
#include "vexutil/vexutil.h"

namespace {

struct Options {
    bool frames = false;
    bool json = false;
    std::string dumpDir;  // --dump DIR
    bool replace = false; // /O: --dump may replace an older dump
    bool quiet = false;   // /Q: errors only
    std::vector<std::string> files;
    uint32_t frontEnd = 0; // /#N
    bool attached = false;
};

// One line per file for the front end's history.
std::string g_report;

void NoteReport(const std::string &line)
{
    if (!g_report.empty())
        g_report += "\r\n";
    g_report += line;
}

const char kUsage[] = "usage: zbxinfo [--frames] FILE...   (a FILE - is standard input)\n"
                      "       zbxinfo --dump DIR FILE [/O] [/Q]\n"
                      "       zbxinfo --json FILE\n"
                      "  --frames   one line per frame: size, palette chunk, sound chunks, video bytes\n"
                      "  --dump     write every decoded frame and sound track of FILE into DIR as raw data\n"
                      "             (DIR is made, or must be empty; /O replaces an older dump there;\n"
                      "             DIR - writes one stream to standard output)\n"
                      "  --json     header, tracks, frames, rates and data rates of FILE as one JSON object\n"
                      "  /Q         errors only\n"
                      "  --help, -h this text; --version the toolkit's version\n";

void Usage(FILE *out)
{
    std::fputs(kUsage, out);
}

std::string FrameRateText(const ZorbHandle *h)
{
    char buf[160];
    if (h->FramePeriod == 0) {
        std::snprintf(buf, sizeof buf, "no pacing, as fast as possible (header: %" PRId32 ")", h->FrameRate);
    } else {
        double fps = 100000.0 / h->FramePeriod;
        if (h->FrameRate > 0)
            std::snprintf(buf, sizeof buf, "%.3f frames per second (header: %" PRId32 " = %" PRId32 " ms per frame)",
                          fps, h->FrameRate, h->FrameRate);
        else
            std::snprintf(buf, sizeof buf, "%.3f frames per second (header: %" PRId32 " = %.2f ms per frame)", fps,
                          h->FrameRate, h->FramePeriod / 100.0);
    }
    return buf;
}

const char *HeightModeText(const ZorbHandle *h)
{
    if (h->OpenFlags & ZORB_OPEN_HEIGHT_DOUBLE)
        return "doubled (each coded row on two lines)";
    if (h->OpenFlags & ZORB_OPEN_HEIGHT_INTERLACE)
        return "interlaced (each coded row on every other line)";
    return "normal";
}

void PrintSummary(const std::string &path, const ZorbHandle *h, uint64_t fileSize)
{
    const uint32_t n = ZorbTableFrames(h);
    const bool doubled = h->OpenFlags & (ZORB_OPEN_HEIGHT_DOUBLE | ZORB_OPEN_HEIGHT_INTERLACE);
    std::printf("%s\n", path.c_str());
    std::printf("  size:            %" PRIu64 " bytes\n", fileSize);
    if (h->HeaderFlags & ZBX_RING_FRAME)
        std::printf("  frames:          %" PRIu32 " and a ring frame (frame %" PRIu32 ")\n", h->FrameCount,
                    h->FrameCount + 1);
    else
        std::printf("  frames:          %" PRIu32 "\n", h->FrameCount);
    std::printf("  frame rate:      %s\n", FrameRateText(h).c_str());
    if (h->FramePeriod)
        std::printf("  duration:        %.2f s\n", h->FrameCount * (h->FramePeriod / 100000.0));
    std::printf("  picture:         %" PRIu32 " x %" PRIu32, h->Width, h->Height);
    if (doubled)
        std::printf(" (coded %" PRIu32 " x %" PRIu32 ")", h->Width, h->Height / 2);
    std::printf("\n  height mode:     %s\n", HeightModeText(h));
    bool anyTrack = false;
    for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
        uint32_t f = h->AudioFormat[t];
        if (!(f & ZBX_AUDIO_PRESENT))
            continue;
        anyTrack = true;
        std::printf("  sound track %d:   %" PRIu32 " Hz, %s, %s, %s, largest chunk %" PRIu32 " bytes decoded%s\n",
                    t + 1, f & ZBX_AUDIO_RATE_MASK, f & ZBX_AUDIO_16BIT ? "16-bit" : "8-bit",
                    f & ZBX_AUDIO_STEREO ? "stereo" : "mono", f & ZBX_AUDIO_COMPRESSED ? "compressed" : "raw",
                    h->AudioMaxSize[t], f & ZBX_AUDIO_RATE_MASK ? "" : " (no rate: cannot be played)");
    }
    if (!anyTrack)
        std::printf("  sound:           none\n");
    std::printf("  trees:           %" PRIu32 " bytes of tree data; node memory: bitmap %" PRIu32
                ", colour pair %" PRIu32 ", pixel pair %" PRIu32 ", block type %" PRIu32 " bytes\n",
                h->TreeDataSize, h->BitmapTreeSize, h->ColourPairTreeSize, h->PixelPairTreeSize, h->BlockTypeTreeSize);
    std::printf("  frame data:      %" PRIu32 " bytes in %" PRIu32 " frames, from offset %" PRIu32 "\n",
                h->TotalFrameBytes, n, h->DataStart);
    std::printf("  largest frame:   %" PRIu32 " bytes\n", h->LargestFrameSize);
    std::printf("  largest second:  %" PRIu32 " bytes (%.1f kB/s) from frame %" PRIu32 "\n", h->LargestSecondBytes,
                h->LargestSecondBytes / 1000.0, h->LargestSecondFrame);
    std::printf("  mean frame:      %" PRIu32 " bytes\n", h->MeanFrameBytes);
    std::printf("  reading:         %s", h->ReadBufferStart ? "read-ahead" : "preloaded");
    if (h->ReadBufferStart)
        std::printf(" (%" PRIu32 "-byte buffer)", h->ReadBufferSize);
    std::printf("\n  memory:          %" PRIu32 " bytes after the open, %" PRIu32 " at most\n", h->MemoryInUse,
                h->PeakMemory);
}

// One line per frame: number (from 1), size, palette chunk, sound chunks, video bytes.
// Returns false when a frame was damaged or could not be read.
bool PrintFrames(ZorbHandle *h)
{
    const uint32_t n = ZorbTableFrames(h);
    std::printf("  frame       size  palette");
    for (int t = 0; t < ZBX_MAX_TRACKS; ++t)
        std::printf("  sound%d", t + 1);
    std::printf("    video\n");
    bool ok = true;
    for (uint32_t i = 0; i < n; ++i) {
        ZorbFrameLayout f;
        if (!ZorbInspectFrame(h, i, &f)) {
            std::printf("  %5" PRIu32 " %10" PRIu32 "  damaged or unreadable\n", i + 1, f.Size);
            ok = false;
            continue;
        }
        std::printf("  %5" PRIu32 " %10" PRIu32, i + 1, f.Size);
        if (f.Type & ZBX_FRAME_PALETTE)
            std::printf(" %8" PRIu32, f.PaletteBytes);
        else
            std::printf(" %8s", "-");
        for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
            if (f.SoundBytes[t])
                std::printf(" %7" PRIu32, f.SoundBytes[t]);
            else
                std::printf(" %7s", "-");
        }
        std::printf(" %8" PRIu32 "%s\n", f.VideoBytes, i == h->FrameCount ? "  (ring)" : "");
    }
    return ok;
}

// Reports one file; false when it could not be opened.
bool ReportPath(const std::string &path, const Options &opt);

// "-" is standard input, kept in a temporary file while it is reported.
bool Report(const std::string &name, const Options &opt)
{
    if (name != "-")
        return ReportPath(name, opt);
    tool::StreamFile in;
    std::string error;
    if (!in.Make(".zbx", error) || !in.TakeStandardInput(error)) {
        std::fprintf(stderr, "zbxinfo: %s\n", error.c_str());
        NoteReport(error);
        return false;
    }
    return ReportPath(in.Path(), opt);
}

bool ReportPath(const std::string &path, const Options &opt)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        std::string reason = std::strerror(errno); // in the toolkit's words: lower case
        if (!reason.empty())
            reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
        std::fprintf(stderr, "zbxinfo: %s: %s\n", path.c_str(), reason.c_str());
        NoteReport(path + ": " + reason);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "zbxinfo: %s: not a regular file\n", path.c_str());
        NoteReport(path + ": not a regular file");
        return false;
    }
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), 0, -1);
    if (!h) {
        const std::string why = ZorbLastOpenError();
        std::fprintf(stderr, "zbxinfo: %s: not a Zorblax file, or damaged: %s\n", path.c_str(), why.c_str());
        NoteReport(path + ": not a Zorblax file, or damaged: " + why);
        return false;
    }
    if (opt.json) {
        bool intact = true;
        std::fputs(tool::zbxinfo::JsonReport(path, h, static_cast<uint64_t>(st.st_size), intact).c_str(), stdout);
        NoteReport(path + (intact ? ": described" : ": damaged or unreadable frames"));
        ZorbClose(h);
        return intact;
    }
    PrintSummary(path, h, static_cast<uint64_t>(st.st_size));
    NoteReport(path + ": " + std::to_string(h->FrameCount) + " frames, " + std::to_string(h->Width) + " x " +
               std::to_string(h->Height) + ", " + FrameRateText(h));
    bool ok = true;
    if (opt.frames)
        ok = PrintFrames(h);
    if (h->IntactFrames < ZorbTableFrames(h)) {
        // A file cut short: the frames before the damage can be played.
        const std::string why = "frame " + std::to_string(h->IntactFrames + 1) + " is damaged or cut off; the " +
                                std::to_string(h->IntactFrames) + " frames before it are whole";
        std::fflush(stdout);
        std::fprintf(stderr, "zbxinfo: %s: %s\n", path.c_str(), why.c_str());
        NoteReport(path + ": " + why);
        ok = false;
    }
    ZorbClose(h);
    return ok;
}

} // namespace

int Run(int argc, char **argv, Options &opt)
{
    if (int status = PlatformStandardOptions(argc, argv, "zbxinfo", kUsage); status >= 0)
        return status;
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && a == "--frames") {
            opt.frames = true;
        } else if (!endOfOptions && a == "--json") {
            opt.json = true;
        } else if (!endOfOptions && a == "--dump") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zbxinfo: --dump needs a directory\n");
                Usage(stderr);
                return 2;
            }
            opt.dumpDir = argv[++i];
        } else if (!endOfOptions && (a == "/O" || a == "/o")) {
            opt.replace = true;
        } else if (!endOfOptions && (a == "/Q" || a == "/q")) {
            opt.quiet = true;
        } else if (!endOfOptions && a.rfind("/#", 0) == 0) {
            const int32_t link = GetSwitchNum(argv[i], '#', 0);
            opt.frontEnd = link > 0 ? static_cast<uint32_t>(link) : 0;
        } else if (!endOfOptions && (a == "--help" || a == "-h")) {
            Usage(stdout);
            return 0;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "zbxinfo: unknown option %s\n", a.c_str());
            Usage(stderr);
            return 2;
        } else {
            opt.files.push_back(a);
        }
    }
    opt.frontEnd = PlatformLinkAttach(opt.frontEnd, nullptr);
    opt.attached = true;
    if (opt.files.empty()) {
        NoteReport("zbxinfo: no file named");
        Usage(stderr);
        return 2;
    }
    if (opt.json && (opt.files.size() != 1 || opt.frames || !opt.dumpDir.empty())) {
        std::fprintf(stderr, "zbxinfo: --json takes one file\n");
        Usage(stderr);
        return 2;
    }
    if (!opt.dumpDir.empty()) {
        if (opt.files.size() != 1 || opt.frames) {
            std::fprintf(stderr, "zbxinfo: --dump takes one directory and one file\n");
            Usage(stderr);
            return 2;
        }
        return tool::zbxinfo::DumpFile(opt.dumpDir, opt.files[0], opt.replace, opt.quiet);
    }
    int status = 0;
    for (size_t i = 0; i < opt.files.size(); ++i) {
        if (i > 0)
            std::printf("\n");
        if (!Report(opt.files[i], opt))
            status = 1;
        std::fflush(stdout);
    }
    return status;
}

int main(int argc, char **argv)
{
    Options opt;
    const int status = Run(argc, argv, opt);
    const uint32_t frontEnd = opt.attached ? opt.frontEnd : PlatformLinkAttach(opt.frontEnd, nullptr);
    if (frontEnd != 0)
        PlatformLinkReport(frontEnd, g_report.empty() ? "zbxinfo: nothing reported" : g_report.c_str());
    return status;
}

// Sound input: opens a source (or a list of them), trims it to the requested
// stretch and delivers it converted to the requested rate, sample size and
// channel count.

#include "codec/format.h"
#include "platform/text.h"
#include "vexutil/sound/sound_input_internal.h"
#include "vexutil/sound/sound_source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>

using vex::sound::Format;
using vex::sound::Opened;
using vex::sound::ReportError;

namespace {

constexpr size_t kReadBuffer = 16384;
constexpr int kMaxListDepth = 8;
constexpr int32_t kListBuffer = 4096;

bool EndsWithLst(const char *name)
{
    const size_t n = std::strlen(name);
    if (n < 4)
        return false;
    const char *e = name + n - 4;
    return e[0] == '.' && std::toupper(static_cast<unsigned char>(e[1])) == 'L' &&
           std::toupper(static_cast<unsigned char>(e[2])) == 'S' &&
           std::toupper(static_cast<unsigned char>(e[3])) == 'T';
}

uint64_t RoundDown(uint64_t v, uint32_t unit)
{
    return unit ? v / unit * unit : v;
}

// Milliseconds of a start or end given as -n (frame n of the video).
int64_t FrameToMs(int32_t value, bool isEnd, uint32_t framePeriod)
{
    if (value >= 0)
        return value;
    const int64_t n = -static_cast<int64_t>(value);
    if (!framePeriod)
        return n;
    return (isEnd ? n : n - 1) * framePeriod / 100;
}

} // namespace

namespace vex::sound {

SFILE *NewSFile()
{
    SFILE *sf = static_cast<SFILE *>(vexmalloc(sizeof(SFILE)));
    if (!sf)
        return nullptr;
    std::memset(sf, 0, sizeof(SFILE));
    sf->state = new (std::nothrow) SFilePrivate;
    if (!sf->state) {
        vexfree(sf);
        return nullptr;
    }
    return sf;
}

void FreeSFile(SFILE *sf)
{
    if (!sf)
        return;
    delete sf->state;
    vexfree(sf);
}

// ---- Trimming and the output format -------------------------------------------

// Applies start and end (milliseconds) to a stretch of total source bytes.
// Returns the bytes to skip; *total becomes the bytes of the stretch.
uint64_t Trim(const Format &src, int64_t startMs, int64_t endMs, bool haveEnd, uint64_t *total)
{
    const uint32_t frame = static_cast<uint32_t>(src.frameBytes());
    const uint64_t bps = src.bytesPerSecond();
    uint64_t skip = 0;
    if (startMs > 0)
        skip = RoundDown(bps * static_cast<uint64_t>(startMs) / 1000, frame);
    if (skip < *total) {
        *total -= skip;
    } else {
        // A start at or past the end leaves nothing, rather than the whole source.
        skip = *total;
        *total = 0;
    }
    if (haveEnd && endMs >= startMs) {
        const uint64_t span =
            RoundDown(bps * static_cast<uint64_t>(endMs - std::max<int64_t>(startMs, 0)) / 1000, frame);
        *total = std::min(*total, span);
    }
    return skip;
}

Format OutputFormat(const Format &src, int32_t rate, int32_t bits, int32_t channels)
{
    Format out;
    out.rate = rate > 0 ? rate : src.rate;
    out.bits = bits == 8 || bits == 16 ? bits : src.bits;
    out.channels = channels == 1 || channels == 2 ? channels : src.channels;
    return out;
}

void SetFormats(SFILE *sf, const Format &src, const Format &out)
{
    sf->rate = out.rate;
    sf->bits = out.bits;
    sf->channels = out.channels;
    sf->outputFrameSize = out.frameBytes();
    sf->sourceRate = src.rate;
    sf->sourceBits = src.bits;
    sf->sourceChannels = src.channels;
    sf->sourceFrameSize = src.frameBytes();
}

// ---- Conversion ---------------------------------------------------------------------

void Converter::Start(const Format &src, const Format &out)
{
    src_ = src;
    out_ = out;
    Restart();
}

void Converter::Restart()
{
    srcIndex_ = outIndex_ = 0;
    haveA_ = haveB_ = false;
    aIndex_ = 0;
}

// Writes one output frame from 16-bit left and right values.
uint8_t *Converter::Put(uint8_t *dst, int32_t l, int32_t r) const
{
    auto put = [&](int32_t v) {
        if (out_.bits == 16) {
            *dst++ = static_cast<uint8_t>(v & 0xFF);
            *dst++ = static_cast<uint8_t>((v >> 8) & 0xFF);
        } else {
            *dst++ = static_cast<uint8_t>(v / 256 + 128);
        }
    };
    if (out_.channels == 1) {
        put(l == r ? l : (l + r) / 2);
    } else {
        put(l);
        put(r);
    }
    return dst;
}

size_t Converter::Run(uint8_t *dst, size_t frames, const PullFn &pull)
{
    size_t made = 0;
    const uint64_t sr = static_cast<uint64_t>(src_.rate), orate = static_cast<uint64_t>(out_.rate);
    while (made < frames) {
        int32_t l = 0, r = 0;
        if (sr == orate) {
            if (!pull(l, r))
                break;
        } else if (orate < sr) {
            // Every source frame whose scaled index falls on this output frame.
            int64_t sumL = 0, sumR = 0;
            int64_t n = 0;
            while (srcIndex_ * orate / sr <= outIndex_) {
                int32_t x, y;
                if (!pull(x, y))
                    break;
                sumL += x;
                sumR += y;
                ++n;
                ++srcIndex_;
            }
            if (!n)
                break;
            l = static_cast<int32_t>(sumL / n);
            r = static_cast<int32_t>(sumR / n);
        } else {
            // Linear interpolation between neighbouring source frames, 10
            // fractional bits.
            const uint64_t scaled = outIndex_ * sr;
            const uint64_t k = scaled / orate;
            const int32_t frac = static_cast<int32_t>(((scaled % orate) << 10) / orate);
            if (!haveA_) {
                if (!pull(aL_, aR_))
                    break;
                haveA_ = true;
                aIndex_ = 0;
            }
            bool ended = false;
            while (aIndex_ < k) {
                if (!haveB_ && !(haveB_ = pull(bL_, bR_))) {
                    ended = true;
                    break;
                }
                aL_ = bL_;
                aR_ = bR_;
                haveB_ = false;
                ++aIndex_;
            }
            if (ended)
                break;
            l = aL_;
            r = aR_;
            if (frac) {
                if (!haveB_)
                    haveB_ = pull(bL_, bR_);
                if (haveB_) {
                    l = aL_ + (bL_ - aL_) * frac / 1024;
                    r = aR_ + (bR_ - aR_) * frac / 1024;
                }
            }
        }
        dst = Put(dst, l, r);
        ++outIndex_;
        ++made;
    }
    return made;
}

} // namespace vex::sound

using namespace vex::sound;

namespace {

// ---- Single sources ---------------------------------------------------------------

bool Pull(SFILE *sf, int32_t &l, int32_t &r)
{
    SFilePrivate &p = *sf->state;
    const size_t fb = static_cast<size_t>(sf->sourceFrameSize);
    if (p.bufLen - p.bufPos < fb) {
        const size_t keep = p.bufLen - p.bufPos;
        std::memmove(p.buf.data(), p.buf.data() + p.bufPos, keep);
        p.bufPos = 0;
        p.bufLen = keep;
        const size_t want = std::min<uint64_t>(p.buf.size() - keep, p.unread);
        const size_t got = want ? p.source->Read(p.buf.data() + keep, want) : 0;
        p.unread -= got;
        p.bufLen += got;
        if (p.bufLen < fb)
            return false;
    }
    const uint8_t *s = p.buf.data() + p.bufPos;
    p.bufPos += fb;
    sf->remaining -= static_cast<uint32_t>(std::min<size_t>(fb, sf->remaining));
    if (sf->sourceBits == 16) {
        l = static_cast<int16_t>(ZbxGet16(s));
        r = sf->sourceChannels == 2 ? static_cast<int16_t>(ZbxGet16(s + 2)) : l;
    } else {
        l = (s[0] - 128) * 256;
        r = sf->sourceChannels == 2 ? (s[1] - 128) * 256 : l;
    }
    return true;
}

void RestartSingle(SFILE *sf)
{
    SFilePrivate &p = *sf->state;
    p.source->Seek(p.skip);
    p.bufPos = p.bufLen = 0;
    p.converter.Restart();
    p.unread = sf->total;
    sf->remaining = sf->total;
}

SFILE *OpenSingle(const char *name, int32_t rate, int32_t bits, int32_t channels, int32_t start, int32_t end,
                  int32_t track, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress)
{
    Opened o;
    if (!OpenSource(name, track, rawFlags, rawOffset, progress, &o))
        return nullptr;
    SFILE *sf = NewSFile();
    if (!sf)
        return nullptr;
    SFilePrivate &p = *sf->state;
    p.progress = progress;
    p.source = std::move(o.source);
    p.buf.resize(kReadBuffer);
    std::snprintf(sf->name, sizeof sf->name, "%s", o.name.c_str());
    sf->kind = o.kind;
    sf->trackMask = o.trackMask;
    const Format out = OutputFormat(o.format, rate, bits, channels);
    SetFormats(sf, o.format, out);
    p.converter.Start(o.format, out);
    uint64_t total = o.bytes;
    p.skip =
        Trim(o.format, FrameToMs(start, false, o.framePeriod), FrameToMs(end, true, o.framePeriod), end != 0, &total);
    sf->total = static_cast<uint32_t>(std::min<uint64_t>(total, 0xFFFFFFF0u / 4 * 4));
    RestartSingle(sf);
    return sf;
}

uint32_t GetSingle(SFILE *sf, uint8_t *dst, uint32_t count)
{
    const size_t frames = count / static_cast<uint32_t>(sf->outputFrameSize);
    const PullFn pull = [sf](int32_t &l, int32_t &r) { return Pull(sf, l, r); };
    const size_t made = sf->state->converter.Run(dst, frames, pull);
    return static_cast<uint32_t>(made * static_cast<uint32_t>(sf->outputFrameSize));
}

// ---- Lists and numbered sequences ----------------------------------------------------

std::string Trimmed(const std::string &s)
{
    size_t a = 0, b = s.size();
    while (a < b && zorb::platform::IsBlank(s[a]))
        ++a;
    while (b > a && zorb::platform::IsBlank(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

bool FileExists(const std::string &name)
{
    VEXFILE *f = VEXFileOpen(0, name.c_str(), VEXFILE_READ);
    if (!f)
        return false;
    VEXFileClose(f);
    return true;
}

bool NumberedExists(const std::string &name)
{
    if (HasExtension(name.c_str()))
        return FileExists(name);
    for (const char *ext : {".wav", ".zbx", ".avi"})
        if (FileExists(name + ext))
            return true;
    return false;
}

} // namespace

namespace vex::sound {

// "prefix???suffix*a-b": the run of ? gives the digits; "*a" and "-b" the
// first and last number. Without a range the line's /S and /E give them; with
// neither the numbers run from 0 (or 1 when there is no 0) while files exist.
bool ParseNumbered(const std::string &text, int32_t lineStart, int32_t lineEnd, Numbered *out)
{
    const size_t q = text.find('?');
    if (q == std::string::npos)
        return false;
    size_t e = q;
    while (e < text.size() && text[e] == '?')
        ++e;
    out->prefix = text.substr(0, q);
    out->digits = static_cast<int>(std::min<size_t>(e - q, 9));
    const size_t star = text.find('*', e);
    out->suffix = text.substr(e, star == std::string::npos ? std::string::npos : star - e);
    out->ranged = false;
    out->openEnded = false;
    if (star != std::string::npos) {
        const char *p = text.c_str() + star + 1;
        char *after = nullptr;
        const long a = std::strtol(p, &after, 10);
        if (after != p) {
            out->next = a;
            out->last = a;
            out->ranged = true;
            if (*after == '-') {
                const char *b = after + 1;
                char *bend = nullptr;
                const long last = std::strtol(b, &bend, 10);
                if (bend != b)
                    out->last = last;
            }
        }
    }
    if (!out->ranged) {
        out->next = lineStart > 0 ? lineStart : 0;
        if (lineEnd > 0) {
            out->last = lineEnd;
        } else {
            out->openEnded = true;
            out->last = 999999999;
            if (out->next == 0 && !NumberedExists(Name(*out, 0)))
                out->next = 1;
        }
    }
    return true;
}

std::string Name(const Numbered &n, int64_t number)
{
    char format[64];
    std::snprintf(format, sizeof format, "%%s%%0%ili%%s", n.digits);
    char name[512];
    std::snprintf(name, sizeof name, format, n.prefix.c_str(), static_cast<long>(number), n.suffix.c_str());
    return name;
}

} // namespace vex::sound

namespace {

SFILE *OpenAny(const char *name, int32_t rate, int32_t bits, int32_t channels, int32_t start, int32_t end,
               int32_t track, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress, int depth);

// The next entry of a list: its name, start and end.
bool NextEntry(SFilePrivate &p, std::string *name, int32_t *start, int32_t *end)
{
    for (;;) {
        if (p.inSequence) {
            Numbered &n = p.sequence;
            if (n.next <= n.last) {
                const std::string candidate = Name(n, n.next);
                if (!n.openEnded || NumberedExists(candidate)) {
                    ++n.next;
                    *name = candidate;
                    *start = n.ranged ? p.sequenceStart : 0;
                    *end = n.ranged ? p.sequenceEnd : 0;
                    return true;
                }
            }
            p.inSequence = false;
        }
        if (p.nextLine >= p.lines.size())
            return false;
        const ListLine &line = p.lines[p.nextLine++];
        if (ParseNumbered(line.name, line.start, line.end, &p.sequence)) {
            p.inSequence = true;
            p.sequenceStart = line.start;
            p.sequenceEnd = line.end;
            continue;
        }
        *name = line.name;
        *start = line.start;
        *end = line.end;
        return true;
    }
}

uint64_t EntryOutputBytes(const SFILE *e, const Format &out)
{
    const uint64_t srcBps = static_cast<uint64_t>(e->sourceRate) * static_cast<uint32_t>(e->sourceFrameSize);
    if (!srcBps)
        return 0;
    return RoundDown(static_cast<uint64_t>(e->total) * out.bytesPerSecond() / srcBps,
                     static_cast<uint32_t>(out.frameBytes()));
}

void Discard(SFILE *e, uint64_t bytes)
{
    uint8_t scratch[4096];
    const uint32_t unit =
        sizeof scratch / static_cast<uint32_t>(e->outputFrameSize) * static_cast<uint32_t>(e->outputFrameSize);
    while (bytes > 0) {
        const uint32_t got = SFileGet(e, scratch, static_cast<uint32_t>(std::min<uint64_t>(bytes, unit)));
        if (!got)
            break;
        bytes -= got;
    }
}

// Opens the list's next entry in the list's format, skipping entries that the
// list's start covers.
bool OpenNextEntry(SFILE *sf)
{
    SFilePrivate &p = *sf->state;
    std::string name;
    int32_t start = 0, end = 0;
    while (NextEntry(p, &name, &start, &end)) {
        SFILE *e = OpenAny(name.c_str(), p.out.rate, p.out.bits, p.out.channels, start, end, p.track, 0, 0, p.progress,
                           p.depth + 1);
        if (!e)
            continue; // reported by the entry's open
        e->state->quiet = true;
        if (p.listSkip > 0) {
            const uint64_t bytes = EntryOutputBytes(e, p.out);
            if (bytes <= p.listSkip) {
                p.listSkip -= bytes;
                SFileClose(e);
                continue;
            }
            const uint64_t bps = p.out.bytesPerSecond();
            if (start >= 0 && bps) {
                // Reopened with the rest of the start added to its own.
                const int64_t restMs = static_cast<int64_t>(p.listSkip * 1000 / bps);
                SFileClose(e);
                e = OpenAny(name.c_str(), p.out.rate, p.out.bits, p.out.channels,
                            static_cast<int32_t>(std::min<int64_t>(start + restMs, 0x7FFFFFFF)), end, p.track, 0, 0,
                            p.progress, p.depth + 1);
                if (!e)
                    continue;
                e->state->quiet = true;
            } else {
                Discard(e, p.listSkip);
            }
            p.listSkip = 0;
        }
        p.entry = e;
        return true;
    }
    return false;
}

uint32_t GetList(SFILE *sf, uint8_t *dst, uint32_t count)
{
    SFilePrivate &p = *sf->state;
    uint32_t delivered = 0;
    const uint32_t frame = static_cast<uint32_t>(sf->outputFrameSize);
    while (delivered < count && sf->remaining > 0) {
        if (!p.entry && !OpenNextEntry(sf))
            break;
        uint32_t want = std::min(count - delivered, sf->remaining);
        want -= want % frame;
        if (!want)
            break;
        const uint32_t got = SFileGet(p.entry, dst + delivered, want);
        if (!got) {
            SFileClose(p.entry);
            p.entry = nullptr;
            continue;
        }
        delivered += got;
        sf->remaining -= got;
    }
    return delivered;
}

void RestartList(SFILE *sf)
{
    SFilePrivate &p = *sf->state;
    SFileClose(p.entry);
    p.entry = nullptr;
    p.nextLine = 0;
    p.inSequence = false;
    p.listSkip = p.skip;
    sf->remaining = sf->total;
}

bool ReadListFile(const char *name, std::vector<ListLine> *lines)
{
    VEXFILE *f = VEXFileOpen(kListBuffer, name, VEXFILE_READ);
    if (!f)
        return false;
    char text[512];
    while (!VEXFileAtEnd(f)) {
        VEXFileGetLine(f, text, sizeof text);
        text[128] = '\0'; // list lines hold up to 128 characters
        // Only a slash after a blank starts a switch: the slashes inside a
        // path ("/music/s1/a.wav") are kept away from the switch reader.
        constexpr char kHidden = '\x01';
        for (char *c = text; *c; ++c)
            if (*c == '/' && (c == text || static_cast<signed char>(c[-1]) > 32))
                *c = kHidden;
        ListLine line;
        line.start = GetSwitchNum(text, 'S', 0);
        line.end = GetSwitchNum(text, 'E', 0);
        for (char *c = text; *c; ++c)
            if (*c == kHidden)
                *c = '/';
        line.name = Trimmed(text);
        if (line.name.empty() || line.name[0] == '#')
            continue;
        lines->push_back(line);
    }
    VEXFileClose(f);
    return true;
}

SFILE *OpenList(const char *name, std::vector<ListLine> lines, int32_t rate, int32_t bits, int32_t channels,
                int32_t start, int32_t end, int32_t track, SFILEPROGRESS progress, int depth)
{
    SFILE *sf = NewSFile();
    if (!sf)
        return nullptr;
    SFilePrivate &p = *sf->state;
    p.progress = progress;
    p.depth = depth;
    p.track = track;
    p.lines = std::move(lines);
    std::snprintf(sf->name, sizeof sf->name, "%s", name);
    sf->kind = SFILE_KIND_LIST;

    // Every entry is opened once to learn the format and the total.
    uint64_t total = 0;
    bool first = true;
    Format out;
    std::string entry;
    int32_t es = 0, ee = 0;
    while (NextEntry(p, &entry, &es, &ee)) {
        SFILE *e = OpenAny(entry.c_str(), first ? rate : out.rate, first ? bits : out.bits,
                           first ? channels : out.channels, es, ee, track, 0, 0, progress, depth + 1);
        if (!e) {
            FreeSFile(sf);
            return nullptr;
        }
        if (first) {
            out.rate = e->rate;
            out.bits = e->bits;
            out.channels = e->channels;
            first = false;
        }
        total += EntryOutputBytes(e, out);
        SFileClose(e);
    }
    if (total == 0) {
        ReportError(progress, "No files in the wave list file.");
        FreeSFile(sf);
        return nullptr;
    }
    p.out = out;
    SetFormats(sf, out, out);
    p.skip = Trim(out, start, end, end != 0, &total);
    sf->total = static_cast<uint32_t>(std::min<uint64_t>(total, 0xFFFFFFF0u / 4 * 4));
    RestartList(sf);
    return sf;
}

SFILE *OpenAny(const char *name, int32_t rate, int32_t bits, int32_t channels, int32_t start, int32_t end,
               int32_t track, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress, int depth)
{
    if (!name || !*name)
        return nullptr;
    if (depth > kMaxListDepth) {
        ReportError(progress, "Wave list files nested too deeply.");
        return nullptr;
    }
    const std::string text = Trimmed(name);
    if (text.find('?') != std::string::npos) {
        std::vector<ListLine> lines{ListLine{text, 0, 0}};
        return OpenList(text.c_str(), std::move(lines), rate, bits, channels, start, end, track, progress, depth);
    }
    if (!rawFlags && EndsWithLst(text.c_str())) {
        std::vector<ListLine> lines;
        if (!ReadListFile(text.c_str(), &lines)) {
            ReportError(progress, "Error opening the input file.");
            return nullptr;
        }
        return OpenList(text.c_str(), std::move(lines), rate, bits, channels, start, end, track, progress, depth);
    }
    return OpenSingle(text.c_str(), rate, bits, channels, start, end, track, rawFlags, rawOffset, progress);
}

} // namespace

extern "C" {

SFILE *SFileOpen(const char *name, int32_t rate, int32_t bits, int32_t channels, int32_t start, int32_t end,
                 int32_t track, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress)
{
    vex::ClearLastError();
    return OpenAny(name, rate, bits, channels, start, end, track, rawFlags, rawOffset, progress, 0);
}

uint32_t SFileGet(SFILE *sf, void *dest, uint32_t count)
{
    if (!sf || !dest)
        return 0;
    SFilePrivate &p = *sf->state;
    if (p.cancelled)
        return 0;
    if (p.progress && !p.quiet) {
        const uint64_t done = sf->total - sf->remaining;
        const int percent = sf->total ? static_cast<int>(done * 100 / sf->total) : 100;
        char text[64];
        std::snprintf(text, sizeof text, "Processing sound data (%i%%)...", percent);
        const int32_t level = p.progressStarted ? 0 : 1;
        p.progressStarted = true;
        if (p.progress(text, level)) {
            p.cancelled = true;
            sf->done = 1;
            return 0;
        }
    }
    count -= count % static_cast<uint32_t>(sf->outputFrameSize);
    uint8_t *dst = static_cast<uint8_t *>(dest);
    const uint32_t got = sf->kind == SFILE_KIND_LIST ? GetList(sf, dst, count) : GetSingle(sf, dst, count);
    if (got < count)
        sf->done = 1;
    return got;
}

void SFileReset(SFILE *sf)
{
    if (!sf)
        return;
    sf->done = 0;
    if (sf->kind == SFILE_KIND_LIST)
        RestartList(sf);
    else
        RestartSingle(sf);
}

void SFileClose(SFILE *sf)
{
    if (!sf)
        return;
    SFileClose(sf->state->entry);
    sf->state->entry = nullptr;
    FreeSFile(sf);
}

void SFileCommandLine(char *commandLine, int32_t *rate, int32_t *bits, int32_t *channels, int32_t *start, int32_t *end,
                      int32_t *track, uint32_t *rawFlags, uint32_t *rawOffset)
{
    if (!commandLine)
        return;
    if (rate)
        *rate = GetSwitchNum(commandLine, 'R', 0);
    if (bits)
        *bits = GetSwitchNum(commandLine, 'B', 0);
    if (channels)
        *channels = GetSwitchNum(commandLine, 'C', 0);
    if (start)
        *start = GetSwitchNum(commandLine, 'S', 0);
    if (end)
        *end = GetSwitchNum(commandLine, 'E', 0);
    if (track)
        *track = GetSwitchNum(commandLine, 'T', 0);
    if (!rawFlags)
        return;
    *rawFlags = 0;
    const int32_t type = GetSwitchNum(commandLine, 'Y', 0);
    const int32_t offset = rawOffset ? GetSwitchNum(commandLine, 'K', 0) : 0;
    if (rawOffset)
        *rawOffset = 0;
    if (type >= 1 && type <= 5) {
        const int32_t rawRate = GetSwitchNum(commandLine, 'D', 11025);
        *rawFlags = static_cast<uint32_t>(type - 1) + 8u * static_cast<uint32_t>(std::max(rawRate, 0));
        if (rawOffset)
            *rawOffset = static_cast<uint32_t>(std::max(offset, 0));
    }
}

} // extern "C"

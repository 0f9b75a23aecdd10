// Sound chunk encoder: one chunk of sound per call, with lead-in silence,
// a set sound length, looping and repeating, written raw or as delta-coded,
// Huffman-coded samples with a lossy quantisation by quality level.

#include "codec/format.h"
#include "platform/platform.h"
#include "vexutil/sound/sound_input_internal.h"
#include "vexutil/vexutil.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

struct CSFilePrivate {
    std::vector<uint8_t> chunk;
    std::vector<uint16_t> deltas; // quantised deltas of one chunk, in coding order
};

namespace {

struct Quantiser {
    uint32_t mask8, threshold8, mask16, threshold16;
};

constexpr std::array<Quantiser, 10> kLevels{{
    {0xFF, 0, 0xFFFF, 0},
    {0xFE, 1, 0xFFFC, 4},
    {0xFC, 2, 0xFFF8, 8},
    {0xFC, 4, 0xFFF0, 16},
    {0xF8, 6, 0xFFC0, 64},
    {0xF8, 8, 0xFF80, 128},
    {0xF0, 12, 0xFF00, 256},
    {0xF0, 16, 0xFE00, 512},
    {0xE0, 24, 0xFC00, 1024},
    {0xE0, 32, 0xF800, 2048},
}};

uint64_t RoundUp(uint64_t v, uint32_t unit)
{
    return (v + unit - 1) / unit * unit;
}

// ---- Coding one chunk ---------------------------------------------------------------

// The coding of one chunk: per channel a prediction that follows the decoder.
class ChunkCoder {
public:
    ChunkCoder(CSFILE *cs, const uint8_t *pcm, uint32_t bytes)
        : cs_(cs), pcm_(pcm), stereo_(cs->sound->channels == 2), wide_(cs->sound->bits == 16)
    {
        frames_ = bytes / static_cast<uint32_t>(cs->sound->outputFrameSize);
        trees_ = (stereo_ ? 2 : 1) * (wide_ ? 2 : 1);
    }

    void Write()
    {
        VEXFILE *out = cs_->output;
        const uint32_t codedStart = VEXFileGetPos(out); // a byte boundary
        const uint32_t flags = 1u | (stereo_ ? 2u : 0u) | (wide_ ? 4u : 0u);
        VEXFilePutBits(out, flags, 3);
        Quantise();
        // A code deeper than 30 bits needs flatter statistics: the flags and
        // trees are written again over the failed attempt.
        for (int flatten = 1; !WriteTrees(flatten - 1); ++flatten) {
            if (PlatformDebugOn())
                PlatformDebugLog("CSFilePut: sound trees too deep, flattening (%d)", flatten);
            VEXFileByteAlign(out); // a pending partial byte would survive a seek to its own position
            VEXFileSetPos(out, codedStart);
            VEXFilePutBits(out, flags, 3);
        }
        WriteStartValues();
        size_t d = 0;
        const std::vector<uint16_t> &q = cs_->state->deltas;
        for (uint32_t f = 1; f < frames_; ++f) {
            for (int c = 0; c < (stereo_ ? 2 : 1); ++c) {
                const uint16_t v = q[d++];
                if (wide_) {
                    HuffEncode(Tree(c, 0), v & 0xFF);
                    HuffEncode(Tree(c, 1), v >> 8);
                } else {
                    HuffEncode(Tree(c, 0), v);
                }
            }
        }
        VEXFileByteAlign(out);
    }

private:
    int32_t Sample(uint32_t frame, int channel) const
    {
        const uint8_t *p = pcm_ + frame * static_cast<uint32_t>(cs_->sound->outputFrameSize);
        if (wide_) {
            p += channel * 2;
            return ZbxGet16(p);
        }
        return p[channel];
    }

    // Channel c's tree for the low (part 0) or high (part 1) byte.
    HUFF *Tree(int c, int part) const { return cs_->trees[c * (wide_ ? 2 : 1) + part]; }

    // Works out every quantised delta the way the decoder will add them up.
    void Quantise()
    {
        std::vector<uint16_t> &q = cs_->state->deltas;
        q.clear();
        const uint32_t wrap = wide_ ? 0xFFFF : 0xFF;
        const uint32_t mask = cs_->mask, threshold = cs_->threshold;
        int32_t pred[2] = {Sample(0, 0), stereo_ ? Sample(0, 1) : 0};
        for (uint32_t f = 1; f < frames_; ++f) {
            for (int c = 0; c < (stereo_ ? 2 : 1); ++c) {
                const int32_t s = Sample(f, c);
                const uint32_t delta = static_cast<uint32_t>(s - pred[c]) & wrap;
                uint32_t d = delta & mask;
                const uint32_t made = static_cast<uint32_t>(pred[c] + static_cast<int32_t>(d)) & wrap;
                int32_t miss;
                if (wide_)
                    miss = static_cast<int16_t>(made) - static_cast<int16_t>(s);
                else
                    miss = static_cast<int32_t>(made) - s;
                if (static_cast<uint32_t>(miss < 0 ? -miss : miss) > threshold)
                    d = delta;
                pred[c] = static_cast<int32_t>(static_cast<uint32_t>(pred[c] + static_cast<int32_t>(d)) & wrap);
                q.push_back(static_cast<uint16_t>(d));
            }
        }
    }

    // Statistics over the whole chunk, then the trees. Every tree gets at least
    // one symbol: the decoder always reads a tree, so a chunk without deltas
    // (one sample frame) writes a one-leaf tree of delta 0.
    bool WriteTrees(int flatten)
    {
        std::array<std::array<uint32_t, 256>, 4> counts{};
        const std::vector<uint16_t> &q = cs_->state->deltas;
        const int channels = stereo_ ? 2 : 1;
        for (size_t i = 0; i < q.size(); ++i) {
            const int c = static_cast<int>(i % static_cast<size_t>(channels));
            if (wide_) {
                ++counts[c * 2][q[i] & 0xFF];
                ++counts[c * 2 + 1][q[i] >> 8];
            } else {
                ++counts[c][q[i]];
            }
        }
        for (int t = 0; t < trees_; ++t) {
            HUFF *h = cs_->trees[t];
            HuffInitStats(h);
            bool any = false;
            for (uint32_t s = 0; s < 256; ++s) {
                uint32_t n = counts[t][s];
                for (int k = 0; k < flatten && n > 1; ++k)
                    n = (n + 1) / 2;
                for (uint32_t i = 0; i < n; ++i)
                    HuffAddStat(h, s);
                any = any || n;
            }
            if (!any)
                HuffAddStat(h, 0);
        }
        for (int t = 0; t < trees_; ++t)
            if (HuffStartEncode(cs_->trees[t]) < 0)
                return false;
        return true;
    }

    // First sample of each channel, right channel first, high byte first.
    void WriteStartValues()
    {
        VEXFILE *out = cs_->output;
        for (int c = stereo_ ? 1 : 0; c >= 0; --c) {
            const int32_t v = Sample(0, c);
            if (wide_) {
                VEXFilePutBits(out, static_cast<uint32_t>(v >> 8) & 0xFF, 8);
                VEXFilePutBits(out, static_cast<uint32_t>(v) & 0xFF, 8);
            } else {
                VEXFilePutBits(out, static_cast<uint32_t>(v), 8);
            }
        }
    }

    CSFILE *cs_;
    const uint8_t *pcm_;
    bool stereo_, wide_;
    uint32_t frames_ = 0;
    int trees_ = 1;
};

// ---- Filling one chunk ---------------------------------------------------------------

// Lead-in silence, then sound; loops and repeats as asked. Returns the bytes
// produced (the rest of the buffer is silence).
uint32_t Fill(CSFILE *cs, uint8_t *buf, uint32_t count)
{
    uint32_t pos = 0;
    bool freshRestart = false; // nothing has come from the source since the last reset
    while (pos < count) {
        if (cs->leadInLeft > 0) {
            const uint32_t n = std::min(cs->leadInLeft, count - pos);
            pos += n;
            cs->leadInLeft -= n;
            continue;
        }
        if (cs->soundLeft > 0) {
            const uint32_t want = std::min(cs->soundLeft, count - pos);
            const uint32_t got = cs->sound->done ? 0 : SFileGet(cs->sound, buf + pos, want);
            pos += got;
            cs->soundLeft -= got;
            if (got)
                freshRestart = false;
            if (got == want)
                continue;
            // The source ended early.
            if (cs->loop && !freshRestart && !cs->sound->state->cancelled) {
                SFileReset(cs->sound);
                freshRestart = true;
                continue;
            }
            const uint32_t rest = std::min(cs->soundLeft, count - pos);
            pos += rest;
            cs->soundLeft -= rest;
            continue;
        }
        if (!cs->repeat || (cs->leadInStart == 0 && cs->soundStart == 0) || cs->sound->state->cancelled)
            break;
        SFileReset(cs->sound);
        cs->leadInLeft = cs->leadInStart;
        cs->soundLeft = cs->soundStart;
        freshRestart = true;
    }
    return pos;
}

} // namespace

extern "C" {

CSFILE *CSFileOpen(const char *name, int32_t level, int32_t loop, int32_t repeat, int32_t leadIn, int32_t length,
                   int32_t rate, int32_t bits, int32_t channels, int32_t start, int32_t end, int32_t track,
                   uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress)
{
    const bool storeRaw = rawFlags != 0;
    if (storeRaw) {
        rate = static_cast<int32_t>(rawFlags >> 3);
        bits = 0;
        channels = 0;
    }
    SFILE *sf = SFileOpen(name, rate, bits, channels, start, end, track, rawFlags, rawOffset, progress);
    if (!sf)
        return nullptr;
    CSFILE *cs = static_cast<CSFILE *>(vexmalloc(sizeof(CSFILE)));
    if (!cs) {
        SFileClose(sf);
        return nullptr;
    }
    std::memset(cs, 0, sizeof(CSFILE));
    cs->sound = sf;
    cs->state = new (std::nothrow) CSFilePrivate;
    bool ok = cs->state != nullptr;
    for (HUFF *&t : cs->trees) {
        t = HuffOpen(1);
        ok = ok && t;
    }
    if (!ok) {
        CSFileClose(cs);
        return nullptr;
    }
    cs->storeRaw = storeRaw;
    cs->silence = sf->bits == 16 ? 0 : 0x80;
    const Quantiser &q = kLevels[static_cast<size_t>(std::clamp(level, 0, 9))];
    cs->mask = sf->bits == 16 ? q.mask16 : q.mask8;
    cs->threshold = sf->bits == 16 ? q.threshold16 : q.threshold8;
    cs->loop = loop;
    cs->repeat = repeat;

    const uint32_t frame = static_cast<uint32_t>(sf->outputFrameSize);
    const uint64_t outBps = static_cast<uint64_t>(sf->rate) * frame;
    const uint64_t srcBps = static_cast<uint64_t>(sf->sourceRate) * static_cast<uint32_t>(sf->sourceFrameSize);
    const uint64_t lead = RoundUp(static_cast<uint64_t>(std::max(leadIn, 0)) * outBps / 1000, frame);
    uint64_t sound;
    if (length <= 0 || storeRaw)
        sound = srcBps ? static_cast<uint64_t>(sf->total) * outBps / srcBps / frame * frame : 0;
    else
        sound = RoundUp(static_cast<uint64_t>(length) * outBps / 1000, frame);
    const uint64_t cap = 0xFFFFFFFFu / frame * frame;
    cs->leadInLeft = cs->leadInStart = static_cast<uint32_t>(std::min(lead, cap));
    cs->soundLeft = cs->soundStart = static_cast<uint32_t>(std::min(sound, cap));
    return cs;
}

void CSFileSetOutput(CSFILE *cs, VEXFILE *output)
{
    if (!cs)
        return;
    cs->output = output;
    for (HUFF *t : cs->trees)
        HuffSetOutput(t, output);
}

void CSFilePut(CSFILE *cs, uint32_t count)
{
    if (!cs)
        return;
    cs->lastSoundBytes = 0;
    cs->lastWrittenSize = 0;
    const uint32_t frame = static_cast<uint32_t>(cs->sound->outputFrameSize);
    count -= count % frame;
    if (!count)
        return;
    std::vector<uint8_t> &buf = cs->state->chunk;
    buf.assign(count, static_cast<uint8_t>(cs->silence));
    const uint32_t bytes = Fill(cs, buf.data(), count);
    if (!bytes || !cs->output)
        return;

    VEXFILE *out = cs->output;
    const uint32_t start = VEXFileGetPos(out);
    VEXFilePut32(out, 0);
    uint8_t pad = 0;
    if (cs->storeRaw) {
        VEXFilePut(out, buf.data(), bytes);
        // The player plays a raw chunk's padding too: make it silence.
        pad = static_cast<uint8_t>(cs->silence);
    } else {
        VEXFilePut32(out, bytes);
        ChunkCoder(cs, buf.data(), bytes).Write();
    }
    while (VEXFileGetPos(out) % 4)
        VEXFilePut8(out, pad);
    const uint32_t end = VEXFileGetPos(out);
    VEXFileSetPos(out, start);
    VEXFilePut32(out, end - start);
    VEXFileSetPos(out, end);
    cs->lastSoundBytes = bytes;
    cs->lastWrittenSize = end - start;
    cs->totalSoundBytes += bytes;
    cs->totalWrittenSize += end - start;
}

void CSFileClose(CSFILE *cs)
{
    if (!cs)
        return;
    SFileClose(cs->sound);
    for (HUFF *t : cs->trees)
        HuffClose(t);
    delete cs->state;
    vexfree(cs);
}

void CSFileCommandline(char *commandLine, int32_t *level, int32_t *p, int32_t *rate, int32_t *bits, int32_t *channels,
                       int32_t *start, int32_t *end, int32_t *track, uint32_t *rawFlags, uint32_t *rawOffset)
{
    if (!commandLine)
        return;
    if (level)
        *level = GetSwitchNum(commandLine, 'L', 0);
    if (p)
        *p = GetSwitch(commandLine, 'P') ? 1 : 0;
    SFileCommandLine(commandLine, rate, bits, channels, start, end, track, rawFlags, rawOffset);
}

} // extern "C"

#include "tests/support/gfx_samples.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdlib.h>

namespace gfxsamples {

void Put16(Bytes &b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes &b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutTag(Bytes &b, const char *tag)
{
    for (int i = 0; i < 4; i++)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

bool WriteFile(const std::string &path, const Bytes &b)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = b.empty() || std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

std::string ScratchDir(const std::string &tag)
{
    struct Dirs {
        std::map<std::string, std::string> byTag;
        ~Dirs()
        {
            std::error_code ec;
            for (auto &d : byTag)
                std::filesystem::remove_all(d.second, ec);
        }
    };
    static Dirs dirs;
    auto it = dirs.byTag.find(tag);
    if (it != dirs.byTag.end())
        return it->second;
    std::string tmpl = (std::filesystem::temp_directory_path() / ("zorb_" + tag + "_XXXXXX")).string();
    const char *d = mkdtemp(tmpl.data());
    std::string dir = d ? std::string(d) : std::filesystem::temp_directory_path().string();
    if (d)
        dirs.byTag[tag] = dir;
    return dir;
}

Bytes ReadFile(const std::string &path)
{
    Bytes b;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return b;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        b.insert(b.end(), buf, buf + n);
    std::fclose(f);
    return b;
}

namespace {

void PutChunk(Bytes &out, const char *id, const Bytes &data)
{
    PutTag(out, id);
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
}

void PutList(Bytes &out, const char *type, const Bytes &content)
{
    PutTag(out, "LIST");
    Put32(out, static_cast<uint32_t>(content.size() + 4));
    PutTag(out, type);
    out.insert(out.end(), content.begin(), content.end());
}

} // namespace

// ---- AVI ----------------------------------------------------------------------

void AviBuilder::SetVideo(int32_t width, int32_t height, int bits, uint32_t rate, uint32_t scale, const Bytes &palette,
                          uint32_t compression)
{
    Stream s;
    s.video = true;
    s.width = width;
    s.height = height;
    s.bits = bits;
    s.rate = rate;
    s.scale = scale;
    s.palette = palette;
    s.compression = compression;
    streams_.insert(streams_.begin(), s);
}

int AviBuilder::AddSound(int channels, uint32_t rate, int bits, uint32_t formatSize, uint16_t tag)
{
    Stream s;
    s.video = false;
    s.channels = channels;
    s.sampleRate = rate;
    s.bits = bits;
    s.formatSize = formatSize;
    s.tag = tag;
    streams_.push_back(s);
    return static_cast<int>(streams_.size()) - 1;
}

void AviBuilder::AddFrame(const Bytes &pixels)
{
    chunks_.push_back({"00db", pixels});
    streams_[0].length++;
}

void AviBuilder::AddPaletteChange(int first, const Bytes &rgb)
{
    Bytes d;
    size_t n = rgb.size() / 3;
    d.push_back(static_cast<uint8_t>(first));
    d.push_back(static_cast<uint8_t>(n == 256 ? 0 : n));
    Put16(d, 0);
    for (size_t i = 0; i < n; i++) {
        d.push_back(rgb[3 * i]);
        d.push_back(rgb[3 * i + 1]);
        d.push_back(rgb[3 * i + 2]);
        d.push_back(0);
    }
    chunks_.push_back({"00pc", d});
}

void AviBuilder::AddSoundChunk(int stream, const Bytes &data)
{
    char id[5];
    std::snprintf(id, sizeof id, "%02dwb", stream);
    chunks_.push_back({id, data});
    Stream &s = streams_[static_cast<size_t>(stream)];
    uint32_t block = static_cast<uint32_t>(s.channels * s.bits / 8);
    s.length += block ? static_cast<uint32_t>(data.size()) / block : 0;
}

Bytes AviBuilder::Build() const
{
    Bytes hdrl;
    Bytes avih;
    uint32_t frames = streams_.empty() || !streams_[0].video ? 0 : streams_[0].length;
    Put32(avih, 66666); // microseconds per frame (informational)
    for (int i = 0; i < 3; i++)
        Put32(avih, 0);
    Put32(avih, frames);
    Put32(avih, 0);
    Put32(avih, static_cast<uint32_t>(streams_.size()));
    Put32(avih, 0);
    Put32(avih, streams_.empty() ? 0 : static_cast<uint32_t>(streams_[0].width));
    Put32(avih, streams_.empty() ? 0 : static_cast<uint32_t>(streams_[0].height));
    for (int i = 0; i < 4; i++)
        Put32(avih, 0);
    PutChunk(hdrl, "avih", avih);
    for (const Stream &s : streams_) {
        Bytes strl, strh, strf;
        PutTag(strh, s.video ? "vids" : "auds");
        if (s.video)
            PutTag(strh, "DIB ");
        else
            Put32(strh, 0);
        Put32(strh, 0); // flags
        Put32(strh, 0); // priority, language
        Put32(strh, 0); // initial frames
        if (s.video) {
            Put32(strh, s.scale);
            Put32(strh, s.rate);
        } else {
            uint32_t block = static_cast<uint32_t>(s.channels * s.bits / 8);
            Put32(strh, block);
            Put32(strh, block * s.sampleRate);
        }
        Put32(strh, 0); // start
        Put32(strh, s.length);
        Put32(strh, 0); // suggested buffer size
        Put32(strh, 0xFFFFFFFF);
        Put32(strh, s.video ? 0 : static_cast<uint32_t>(s.channels * s.bits / 8));
        Put16(strh, 0);
        Put16(strh, 0);
        Put16(strh, static_cast<uint32_t>(s.width));
        Put16(strh, static_cast<uint32_t>(s.height < 0 ? -s.height : s.height));
        if (s.video) {
            Put32(strf, 40);
            Put32(strf, static_cast<uint32_t>(s.width));
            Put32(strf, static_cast<uint32_t>(s.height));
            Put16(strf, 1);
            Put16(strf, static_cast<uint32_t>(s.bits));
            Put32(strf, s.compression);
            Put32(strf, 0);
            Put32(strf, 0);
            Put32(strf, 0);
            Put32(strf, s.bits == 8 ? 256 : 0);
            Put32(strf, 0);
            if (s.bits == 8) {
                for (int i = 0; i < 256; i++) {
                    uint8_t r = 0, g = 0, b = 0;
                    if (s.palette.size() >= 768) {
                        r = s.palette[3 * i];
                        g = s.palette[3 * i + 1];
                        b = s.palette[3 * i + 2];
                    }
                    strf.push_back(b);
                    strf.push_back(g);
                    strf.push_back(r);
                    strf.push_back(0);
                }
            }
        } else {
            uint32_t block = static_cast<uint32_t>(s.channels * s.bits / 8);
            Put16(strf, s.tag);
            Put16(strf, static_cast<uint32_t>(s.channels));
            Put32(strf, s.sampleRate);
            Put32(strf, s.sampleRate * block);
            Put16(strf, block);
            Put16(strf, static_cast<uint32_t>(s.bits));
            while (strf.size() < s.formatSize)
                strf.push_back(0);
        }
        PutChunk(strl, "strh", strh);
        PutChunk(strl, "strf", strf);
        PutList(hdrl, "strl", strl);
    }
    Bytes movi;
    if (recEvery_ > 0) {
        for (size_t i = 0; i < chunks_.size(); i += static_cast<size_t>(recEvery_)) {
            Bytes rec;
            for (size_t j = i; j < chunks_.size() && j < i + static_cast<size_t>(recEvery_); j++)
                PutChunk(rec, chunks_[j].id.c_str(), chunks_[j].data);
            PutList(movi, "rec ", rec);
        }
    } else {
        for (const Chunk &c : chunks_)
            PutChunk(movi, c.id.c_str(), c.data);
    }
    Bytes body;
    PutTag(body, "AVI ");
    PutList(body, "hdrl", hdrl);
    PutChunk(body, "JUNK", Bytes(10, 0));
    PutList(body, "movi", movi);
    PutChunk(body, "idx1", Bytes());
    Bytes out;
    PutTag(out, "RIFF");
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// ---- FLI / FLC ------------------------------------------------------------------

Bytes FlicBuilder::Build() const
{
    Bytes frames;
    for (const auto &f : frames_) {
        Bytes body;
        for (const FlicChunk &c : f) {
            Put32(body, static_cast<uint32_t>(c.data.size() + 6));
            Put16(body, c.type);
            body.insert(body.end(), c.data.begin(), c.data.end());
        }
        Put32(frames, static_cast<uint32_t>(body.size() + 16));
        Put16(frames, 0xF1FA);
        Put16(frames, static_cast<uint32_t>(f.size()));
        for (int i = 0; i < 8; i++)
            frames.push_back(0);
        frames.insert(frames.end(), body.begin(), body.end());
    }
    Bytes h(128, 0);
    auto set16 = [&](size_t at, uint32_t v) {
        h[at] = static_cast<uint8_t>(v);
        h[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto set32 = [&](size_t at, uint32_t v) {
        set16(at, v & 0xFFFF);
        set16(at + 2, v >> 16);
    };
    set32(0, static_cast<uint32_t>(128 + frames.size()));
    set16(4, magic_);
    set16(6, static_cast<uint32_t>(frameCount_ >= 0 ? frameCount_ : static_cast<int>(frames_.size())));
    set16(8, static_cast<uint32_t>(width_));
    set16(10, static_cast<uint32_t>(height_));
    set16(12, 8);
    set16(14, 3);
    if (magic_ == 0xAF11) {
        set16(16, speed_);
    } else {
        set32(16, speed_);
        set32(26, static_cast<uint32_t>(creator_));
        set32(80, 128);
    }
    h.insert(h.end(), frames.begin(), frames.end());
    return h;
}

FlicChunk FlicBuilder::Color256(int skip, const Bytes &rgb)
{
    FlicChunk c{4, {}};
    size_t n = rgb.size() / 3;
    Put16(c.data, 1);
    c.data.push_back(static_cast<uint8_t>(skip));
    c.data.push_back(static_cast<uint8_t>(n == 256 ? 0 : n));
    c.data.insert(c.data.end(), rgb.begin(), rgb.begin() + static_cast<ptrdiff_t>(3 * n));
    return c;
}

FlicChunk FlicBuilder::Color64(int skip, const Bytes &rgb6)
{
    FlicChunk c = Color256(skip, rgb6);
    c.type = 11;
    return c;
}

FlicChunk FlicBuilder::Copy(int width, int height, const Bytes &pixels)
{
    FlicChunk c{16, {}};
    c.data.assign(pixels.begin(), pixels.begin() + width * height);
    return c;
}

FlicChunk FlicBuilder::ByteRun(int width, int height, const Bytes &pixels)
{
    FlicChunk c{15, {}};
    for (int y = 0; y < height; y++) {
        const uint8_t *row = &pixels[static_cast<size_t>(y * width)];
        c.data.push_back(0); // packet count, ignored by readers
        int x = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < 127 && row[x + run] == row[x])
                run++;
            if (run >= 3) {
                c.data.push_back(static_cast<uint8_t>(run));
                c.data.push_back(row[x]);
                x += run;
                continue;
            }
            int lit = 0;
            while (x + lit < width && lit < 127) {
                int r = 1;
                while (x + lit + r < width && r < 3 && row[x + lit + r] == row[x + lit])
                    r++;
                if (r >= 3)
                    break;
                lit++;
            }
            if (lit == 0)
                lit = 1;
            c.data.push_back(static_cast<uint8_t>(-lit));
            c.data.insert(c.data.end(), row + x, row + x + lit);
            x += lit;
        }
    }
    return c;
}

// ---- Raw frame files and wave files ----------------------------------------------

Bytes BuildRaw(uint32_t width, uint32_t height, uint32_t frameTime, const std::vector<RawFrame> &frames)
{
    Bytes b;
    PutTag(b, "RAWB");
    Put32(b, static_cast<uint32_t>(frames.size()));
    Put32(b, width);
    Put32(b, height);
    Put32(b, frameTime);
    for (const RawFrame &f : frames) {
        if (!f.palette.empty()) {
            Put32(b, 0);
            b.insert(b.end(), f.palette.begin(), f.palette.end());
        }
        Put32(b, 1);
        b.insert(b.end(), f.pixels.begin(), f.pixels.end());
    }
    return b;
}

Bytes BuildWave(int channels, uint32_t rate, int bits, uint32_t dataBytes, uint16_t tag)
{
    Bytes b;
    PutTag(b, "RIFF");
    Put32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, tag);
    Put16(b, static_cast<uint32_t>(channels));
    Put32(b, rate);
    Put32(b, rate * static_cast<uint32_t>(channels * bits / 8));
    Put16(b, static_cast<uint32_t>(channels * bits / 8));
    Put16(b, static_cast<uint32_t>(bits));
    PutTag(b, "data");
    Put32(b, dataBytes);
    for (uint32_t i = 0; i < dataBytes; i++)
        b.push_back(static_cast<uint8_t>(i * 7));
    return b;
}

Bytes TestPalette(uint32_t seed)
{
    Bytes p(768);
    uint32_t x = seed * 2654435761u + 1;
    for (int i = 0; i < 256; i++) {
        if (i < 128) {
            p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = static_cast<uint8_t>(i * 2);
        } else {
            for (int c = 0; c < 3; c++) {
                x = x * 1103515245u + 12345u;
                p[3 * i + c] = static_cast<uint8_t>(x >> 16);
            }
        }
    }
    return p;
}

} // namespace gfxsamples

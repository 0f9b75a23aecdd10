// Build-time tool: writes the script player's built-in font as a C++ source.
// The glyphs for the codes 32 to 175 in code-page-437 order are looked up by
// their Unicode code points in console fonts (PSF 1 or 2, already
// decompressed) of 8 x 16 cells; the first font that has a character gives
// its glyph, a character no font has stays blank.
//
//   zorb_fontgen OUTPUT.cpp FONT.psf [MORE.psf ...]
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/byte_order.h"

namespace {

constexpr int kFirst = 32, kLast = 175, kCellBytes = 16;

// Code points of the codes 127 to 175 of code page 437 (32 to 126 are ASCII).
constexpr uint32_t kHigh[] = {0x2302, 0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA,
                              0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6,
                              0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3,
                              0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
                              0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB};
static_assert(sizeof kHigh / sizeof kHigh[0] == kLast - 126);

uint32_t CodePoint(int code)
{
    return code < 127 ? static_cast<uint32_t>(code) : kHigh[code - 127];
}

struct Psf {
    std::string name;
    std::vector<uint8_t> glyphs;    // count x 16 bytes
    std::map<uint32_t, size_t> map; // code point -> glyph
};

// Decodes one UTF-8 sequence of the PSF 2 table; false at a malformed one.
bool Utf8(const std::vector<uint8_t> &d, size_t &i, size_t end, uint32_t &cp)
{
    const uint8_t b = d[i];
    const int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= end)
        return false;
    cp = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k)
        cp = cp << 6 | (d[i + static_cast<size_t>(k)] & 0x3F);
    i += static_cast<size_t>(extra) + 1;
    return true;
}

bool Load(const std::string &path, Psf &font, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    font.name = path.substr(path.find_last_of('/') + 1);
    size_t header = 0, count = 0, size = 0;
    uint32_t width = 8, height = 0;
    bool table = false, psf2 = false;
    if (d.size() >= 4 && d[0] == 0x36 && d[1] == 0x04) {
        header = 4;
        count = (d[2] & 1) ? 512 : 256;
        table = (d[2] & 2) != 0;
        height = d[3];
        size = height;
    } else if (d.size() >= 32 && ZbxGet32(&d[0]) == 0x864AB572u) {
        psf2 = true;
        header = ZbxGet32(&d[8]);
        table = (ZbxGet32(&d[12]) & 1) != 0;
        count = ZbxGet32(&d[16]);
        size = ZbxGet32(&d[20]);
        height = ZbxGet32(&d[24]);
        width = ZbxGet32(&d[28]);
    } else {
        error = "not a PSF font";
        return false;
    }
    if (width != 8 || height != 16 || size != kCellBytes || count == 0 || count > 65536 || header > d.size() ||
        (d.size() - header) / size < count) {
        error = "not a complete font of 8 x 16 cells";
        return false;
    }
    font.glyphs.assign(d.begin() + static_cast<ptrdiff_t>(header),
                       d.begin() + static_cast<ptrdiff_t>(header + count * size));
    if (!table) { // no Unicode table: the glyph order is code page 437
        for (int code = kFirst; code <= kLast; ++code)
            font.map.emplace(CodePoint(code), static_cast<size_t>(code));
        return true;
    }
    size_t i = header + count * size, glyph = 0;
    while (i < d.size() && glyph < count) {
        if (psf2) {
            if (d[i] == 0xFF) {
                ++glyph, ++i;
            } else if (d[i] == 0xFE) { // sequences follow: not single characters
                while (i < d.size() && d[i] != 0xFF)
                    ++i;
            } else {
                uint32_t cp = 0;
                if (!Utf8(d, i, d.size(), cp)) {
                    error = "malformed Unicode table";
                    return false;
                }
                font.map.emplace(cp, glyph);
            }
        } else {
            if (i + 1 >= d.size())
                break;
            const uint32_t u = ZbxGet16(&d[i]);
            i += 2;
            if (u == 0xFFFF) {
                ++glyph;
            } else if (u == 0xFFFE) {
                while (i + 1 < d.size() && ZbxGet16(&d[i]) != 0xFFFF)
                    i += 2;
            } else {
                font.map.emplace(u, glyph);
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: zorb_fontgen OUTPUT.cpp FONT.psf [MORE.psf ...]\n");
        return 2;
    }
    std::vector<Psf> fonts(static_cast<size_t>(argc - 2));
    for (int a = 2; a < argc; ++a) {
        std::string error;
        if (!Load(argv[a], fonts[static_cast<size_t>(a - 2)], error)) {
            std::fprintf(stderr, "zorb_fontgen: %s: %s\n", argv[a], error.c_str());
            return 1;
        }
    }
    std::string out = "// Generated at build time by zorb_fontgen from the console font";
    out += fonts.size() > 1 ? "s" : "";
    for (const Psf &f : fonts)
        out += " " + f.name;
    out += ".\n#include \"script/core/font.h\"\n\nnamespace zscript {\n\n"
           "const uint8_t kBuiltinGlyphs[kBuiltinGlyphCount * 16] = {\n";
    int missing = 0;
    for (int code = kFirst; code <= kLast; ++code) {
        const uint8_t *glyph = nullptr;
        for (const Psf &f : fonts) {
            const auto it = f.map.find(CodePoint(code));
            if (it != f.map.end()) {
                glyph = f.glyphs.data() + it->second * kCellBytes;
                break;
            }
        }
        missing += glyph == nullptr;
        char line[160];
        int n = std::snprintf(line, sizeof line, "    /* %3d */", code);
        for (int row = 0; row < kCellBytes; ++row)
            n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), " 0x%02X,", glyph ? glyph[row] : 0);
        out += line;
        out += "\n";
    }
    out += "};\n\n}  // namespace zscript\n";
    if (missing)
        std::fprintf(stderr, "zorb_fontgen: %d characters are in none of the fonts and stay blank\n", missing);
    FILE *f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "zorb_fontgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

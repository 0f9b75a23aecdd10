// Photographic test content (see photo_source.h).
//
// The scene has two smooth fields, a light field and a tint field, each a sum
// of value-noise octaves over a broad gradient, plus a grain fixed to the
// scene. The palette is a 16 x 16 grid over (light, tint), so quantising is
// done per field: plainly by rounding down, or by Floyd-Steinberg error
// diffusion of each field on its own.
#include "tests/support/photo_source.h"

#include <algorithm>
#include <cmath>

namespace photo {

namespace {

constexpr int kLevels = 16; // per field; 16 x 16 palette entries

uint32_t Hash(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double Unit(int32_t x, int32_t y, uint32_t seed)
{
    return (Hash(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

// Value noise with smooth interpolation, period `scale` pixels, in [0, 1).
double Noise(double x, double y, double scale, uint32_t seed)
{
    const double fx = x / scale, fy = y / scale;
    const double x0 = std::floor(fx), y0 = std::floor(fy);
    const auto ix = static_cast<int32_t>(x0), iy = static_cast<int32_t>(y0);
    double tx = fx - x0, ty = fy - y0;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double a = Unit(ix, iy, seed), b = Unit(ix + 1, iy, seed);
    const double c = Unit(ix, iy + 1, seed), d = Unit(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

// A field in [0, 1): octaves over a gradient, contrast stretched so that
// every level occurs, plus grain.
// `zoom` scales the features: smaller pictures show a smaller copy of the
// same scene, so they hold as many colours.
double Field(double x, double y, double zoom, uint32_t seed, double gradientX, double gradientY)
{
    double v = 0.40 * Noise(x, y, 97 * zoom, seed) + 0.25 * Noise(x, y, 41 * zoom, seed + 1) +
               0.12 * Noise(x, y, 17 * zoom, seed + 2) + 0.06 * Noise(x, y, 7 * zoom, seed + 3);
    v += gradientX * std::sin(x / (211 * zoom)) + gradientY * std::cos(y / (173 * zoom));
    v = (v - 0.42) * 2.6 + 0.5;
    // Grain, strong in textured parts of the scene and faint in smooth ones.
    const double texture = 0.05 + 0.45 * Noise(x, y, 150 * zoom, seed + 5);
    v += (Unit(static_cast<int32_t>(x), static_cast<int32_t>(y), seed + 4) - 0.5) * texture;
    return std::clamp(v, 0.0, 0.999999);
}

} // namespace

std::array<uint8_t, 768> Palette6(const Options &o)
{
    std::array<uint8_t, 768> p{};
    const double turn = 0.55 + 0.1 * (o.seed % 4);
    for (int l = 0; l < kLevels; ++l) {
        for (int t = 0; t < kLevels; ++t) {
            const double luma = 0.06 + 0.88 * (l + 0.5) / kLevels;
            const double angle = 6.283185307 * turn * (t + 0.5) / kLevels + 0.3 * o.seed;
            const double chroma = 0.10 + 0.16 * std::sin(3.14159265 * (l + 0.5) / kLevels);
            const double rgb[3] = {luma + chroma * std::cos(angle), luma + chroma * std::cos(angle - 2.0943951),
                                   luma + chroma * std::cos(angle + 2.0943951)};
            for (int k = 0; k < 3; ++k)
                p[static_cast<size_t>(t * kLevels + l) * 3 + k] =
                    static_cast<uint8_t>(std::lround(std::clamp(rgb[k], 0.0, 1.0) * 63));
        }
    }
    return p;
}

std::array<uint8_t, 768> Palette8(const Options &o)
{
    std::array<uint8_t, 768> p = Palette6(o);
    for (uint8_t &v : p)
        v = static_cast<uint8_t>(v << 2 | v >> 4);
    return p;
}

std::vector<uint8_t> Frame(const Options &o, uint32_t index)
{
    const uint32_t w = o.width, h = o.height;
    std::vector<uint8_t> out(size_t{w} * h);
    const double x0 = static_cast<double>(index) * o.panPerFrame;
    const double zoom = std::max(0.25, std::max(w, h) / 900.0);
    // Both fields of the window, in palette levels.
    std::vector<double> light(size_t{w} * h), tint(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const double sx = x0 + x, sy = y;
            light[size_t{y} * w + x] = Field(sx, sy, zoom, o.seed * 16, 0.10, 0.06) * kLevels;
            tint[size_t{y} * w + x] = Field(sx + 5000, sy, zoom, o.seed * 16 + 8, 0.08, 0.10) * kLevels;
        }
    }
    auto quantise = [&](std::vector<double> &f, std::vector<int> &q) {
        q.assign(f.size(), 0);
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                const size_t i = size_t{y} * w + x;
                const int level = std::clamp(static_cast<int>(std::floor(f[i])), 0, kLevels - 1);
                q[i] = level;
                if (!o.dithered)
                    continue;
                const double err = f[i] - (level + 0.5);
                if (x + 1 < w)
                    f[i + 1] += err * 7 / 16;
                if (y + 1 < h) {
                    if (x > 0)
                        f[i + w - 1] += err * 3 / 16;
                    f[i + w] += err * 5 / 16;
                    if (x + 1 < w)
                        f[i + w + 1] += err * 1 / 16;
                }
            }
        }
    };
    std::vector<int> ql, qt;
    quantise(light, ql);
    quantise(tint, qt);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(qt[i] * kLevels + ql[i]);
    return out;
}

} // namespace photo

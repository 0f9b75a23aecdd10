// The text font: the built-in glyphs, the three colour rules, clipping at
// every edge of the surface, and fonts cut from a picture.
#include "script/core/font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace zscript;

struct Pic {
    int w, h;
    std::vector<uint8_t> px;
    Pic(int width, int height, uint8_t fill) : w(width), h(height), px(static_cast<size_t>(width * height), fill) {}
    ScreenSurface Surface() { return ScreenSurface{px.data(), w, w, h, false}; }
    uint8_t At(int x, int y) const { return px[static_cast<size_t>(y * w + x)]; }
};

bool Set(const Font &f, uint8_t code, int x, int y)
{
    return (f.Glyph(code)[y * f.RowBytes() + x / 8] & (0x80 >> (x % 8))) != 0;
}

TEST(Font, BuiltinGlyphs)
{
    const Font f;
    int setInA = 0, setInSpace = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x) {
            setInA += Set(f, 'A', x, y);
            setInSpace += Set(f, ' ', x, y);
        }
    EXPECT_GT(setInA, 10);
    EXPECT_EQ(setInSpace, 0);
    // Outside 32..175 the first glyph (the blank) is drawn; 128 (C cedilla) and 175 exist.
    EXPECT_EQ(f.Glyph(10), f.Glyph(' '));
    EXPECT_EQ(f.Glyph(200), f.Glyph(' '));
    for (int code = 33; code <= 175; ++code) {
        int set = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x)
                set += Set(f, static_cast<uint8_t>(code), x, y);
        EXPECT_GT(set, 0) << "code " << code;
    }
}

TEST(Font, ColourRulesAndClipping)
{
    const Font f;
    struct Case {
        TextColours colours;
        int set, clear; // expected pixel for set and clear glyph pixels (-1: left as it was, 9)
    } cases[] = {
        {{7, 0, 128}, 7, 0},
        {{128, 3, 128}, -1, 3}, // text colour transparent: only the background is drawn
        {{5, 128, 128}, 5, -1}, // background transparent: only the text
        {{4, 4, 128}, 4, 4},
    };
    for (const Case &c : cases) {
        Pic p(20, 20, 9);
        EXPECT_EQ(DrawText(p.Surface(), 2, 1, "AB", f, c.colours), 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool set = Set(f, x < 8 ? 'A' : 'B', x % 8, y);
                const int want = set ? c.set : c.clear;
                ASSERT_EQ(p.At(2 + x, 1 + y), want < 0 ? 9 : want) << x << "," << y;
            }
        EXPECT_EQ(p.At(1, 1), 9);
        EXPECT_EQ(p.At(2, 0), 9);
        EXPECT_EQ(p.At(18, 1), 9);
        EXPECT_EQ(p.At(2, 17), 9);
    }
    // Partly or wholly off every edge: only pixels on the surface change.
    const TextColours all{1, 2, 128};
    for (const auto &[x, y] : std::vector<std::pair<int, int>>{{-5, -7}, {15, 12}, {-100, 0}, {0, 1000}, {19, 19}}) {
        Pic p(20, 20, 9);
        Pic q(60, 60, 9); // the same drawing on a larger surface, offset by 20
        DrawText(p.Surface(), x, y, "MW", f, all);
        DrawText(q.Surface(), x + 20, y + 20, "MW", f, all);
        for (int yy = 0; yy < 20; ++yy)
            for (int xx = 0; xx < 20; ++xx)
                ASSERT_EQ(p.At(xx, yy), q.At(xx + 20, yy + 20)) << x << "," << y;
    }
}

TEST(Font, FromPicture)
{
    // 3 cells of 4 x 2 per row in a 12 x 4 picture: glyph k has pixel (k % 4, 0) set.
    Pic p(12, 4, 0);
    for (int k = 0; k < 6; ++k)
        p.px[static_cast<size_t>((k / 3) * 2 * 12 + (k % 3) * 4 + k % 4)] = 200;
    const Font f = FontFromPicture(p.Surface(), 4, 2, 'a', 'h');
    EXPECT_EQ(f.cellWidth, 4u);
    EXPECT_EQ(f.last, static_cast<uint32_t>('h'));
    for (int k = 0; k < 6; ++k)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(Set(f, static_cast<uint8_t>('a' + k), x, 0), x == k % 4) << k;
    // Glyphs past the picture are blank; codes outside the range draw the first glyph.
    for (int x = 0; x < 4; ++x)
        EXPECT_FALSE(Set(f, 'h', x, 0));
    EXPECT_EQ(f.Glyph('z'), f.Glyph('a'));
    // A range past 255 or backwards holds one glyph.
    EXPECT_EQ(FontFromPicture(p.Surface(), 4, 2, 250, 9000).last, 255u);
    EXPECT_EQ(FontFromPicture(p.Surface(), 4, 2, 60, 50).glyphs.size(), 2u);
}

} // namespace

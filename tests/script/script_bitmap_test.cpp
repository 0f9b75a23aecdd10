// zorbscw's bitmap commands headless: values the scripts write to a file and
// the pictures captured when the window closes.
#include "tests/script/script_fixture.h"

#include "script/commands/line.h"
#include "tests/support/plain_line.h"

#include <random>
#include <set>
#include <utility>

namespace {

using namespace script_test;

class ScriptBitmap : public ScriptRun {
protected:
    // Runs the script with an output file o open and returns what it wrote.
    std::string Values(const std::string &text)
    {
        const Result r = Script("FILECREATE o 'out.txt'\n" + text);
        EXPECT_EQ(r.status, 0) << r.err;
        return Read("out.txt");
    }
    void ExpectError(const std::string &text, const std::string &message)
    {
        const Result r = Script(text);
        EXPECT_EQ(r.status, 1) << text;
        EXPECT_NE(r.err.find(message), std::string::npos) << text << r.err;
    }
};

TEST_F(ScriptBitmap, SlotsAllocationAndFreeing)
{
    // 128 slots: the 129th allocation gives 0; a freed slot is the next one taken.
    EXPECT_EQ(Values("VARSET n 0\n:L\nBITMAPALLOC b 2 3\nIF b <> 0 COMPUTE n = n + 1 ; VARSET last b ; GOTO 'L'\n"
                     "BITMAPWIDTH w 9000\nBITMAPHEIGHT h last\nVARSET f 9005\nBITMAPFREE f\n"
                     "BITMAPALLOC a 0 0\nBITMAPWIDTH z a\nBITMAPALLOC huge 100000 100000\n"
                     "FILEWRITE o '%n% %last% %w% %h% [%f%] %a% %z% %huge%'\n"),
              "128 9127 2 3 [] 9005 0 0\r\n");
    for (const char *bad :
         {"VARSET v 0\nBITMAPFREE v\n", "BITMAPWIDTH w 9000\n", "BITMAPALLOC b 1 1\nBITMAPHEIGHT h 9001\n",
          "BITMAPALLOC b 1 1\nBITMAPFREE b\nBITMAPFREE b\n", "BITMAPALLOC b 1 1\nBITMAPTOBITMAP b 8999 0 0\n"})
        ExpectError(bad, "Bad frame parameter:");
    ExpectError("BITMAPALLOC b 1 1\nBITMAPTOSCREEN b 0 0\n", "A window hasn't been created yet");
    ExpectError("BITMAPLIST\n", "A window hasn't been created yet");
}

// Pixels with the clamping rules, drawing through the edges of an empty and a
// small bitmap, palettes of bitmaps.
TEST_F(ScriptBitmap, PixelsAndPalettes)
{
    EXPECT_EQ(Values("BITMAPALLOC b 6 4\nBITMAPCLEAR b 258\nBITMAPSETPIXEL b 5 3 9\nBITMAPGETPIXEL br b 5000 5000\n"
                     "BITMAPSETPIXEL b -1 0 7\nBITMAPGETPIXEL neg b 5 0\nBITMAPGETPIXEL c b 0 0\n"
                     "BITMAPCHANGECOLOR b 2 300\nBITMAPGETPIXEL d b 1 1\n"
                     "BITMAPLINE b -100 -7 900 400 3\nBITMAPBOX b -3 -3 100 100 3\nBITMAPFILLEDBOX b 4 2 99 99 5\n"
                     "BITMAPFILLEDBOX b -5 -5 6 6 6\nBITMAPGETPIXEL e b 5 3\nBITMAPGETPIXEL f b 0 0\n"
                     "BITMAPALLOC z 0 5\nBITMAPSETPIXEL z 0 0 1\nBITMAPGETPIXEL g z 0 0\nBITMAPLINE z 0 0 9 9 1\n"
                     "BITMAPFILLEDBOX z 0 0 9 9 1\nBITMAPBOX z 0 0 9 9 1\n"
                     "FILEWRITE o '%br% %neg% %c% %d% %e% %f% %g%'\n"
                     // Palettes: none yet, a value, an index above 255, darkest and brightest.
                     "BITMAPGETPALETTEVALUE p0 b 3\nBITMAPGETDARKESTPALETTEINDEX k0 b\n"
                     "BITMAPSETPALETTEVALUE b 3 8519935\nBITMAPGETPALETTEVALUE p1 b 259\n"
                     "BITMAPGETPALETTEVALUE p2 b 4\nBITMAPGETDARKESTPALETTEINDEX k1 b\n"
                     "BITMAPGETBRIGHTESTPALETTEINDEX k2 b\n"
                     "BITMAPALLOC c 1 1\nBITMAPPALETTETOPALETTE c b\nBITMAPGETPALETTEVALUE p3 c 3\n"
                     "BITMAPPALETTETOPALETTE b z\nBITMAPGETPALETTEVALUE p4 b 3\n"
                     "BITMAPSETPALETTEVALUE c 7 -1\nBITMAPSETPALETTEVALUE c 9 16777215\n"
                     "BITMAPGETBRIGHTESTPALETTEINDEX k3 c\nBITMAPSETPALETTEVALUE c 0 1\n"
                     "BITMAPGETDARKESTPALETTEINDEX k4 c\n"
                     "FILEWRITE o '%p0% %k0% %p1% %p2% %k1% %k2% %p3% %p4% %k3% %k4%'\n"),
              "9 7 2 44 5 6 0\r\n"
              "0 0 8519935 0 0 3 8519935 0 9 1\r\n");
}

// The bitmap-to-bitmap crop and place rules, the screen's clipping, boxes of
// both kinds, the keyed copies, reading the screen back, and palette locks.
TEST_F(ScriptBitmap, CopiesToBitmapsAndScreen)
{
    const Result r = Script(
        "SCREENGRAPHICS ok 640 480\nSCREENPALETTELOCK 0 16 1\n"
        // Boxes: BITMAPBOX covers w + 1 by h + 1, SCREENBOX w by h.
        "BITMAPALLOC b 12 12\nBITMAPCLEAR b 0\nBITMAPBOX b 1 1 9 9 1\nBITMAPTOSCREEN b 0 0\nSCREENBOX 20 1 9 9 2\n"
        // Crop: a 100 x 100 destination gets the source's 50..149 x 20..119.
        "BITMAPALLOC big 320 200\nBITMAPCLEAR big 5\nBITMAPSETPIXEL big 50 20 1\nBITMAPSETPIXEL big 149 119 2\n"
        "BITMAPSETPIXEL big 150 119 3\nBITMAPALLOC small 100 100\nBITMAPCLEAR small 9\n"
        "BITMAPTOBITMAP small big 50 20\nBITMAPTOBITMAP small big 320 0\nBITMAPTOSCREEN small 400 0\n"
        // Place: the small one at (60, 30) in the large one; outside: nothing.
        "BITMAPALLOC s2 100 100\nBITMAPCLEAR s2 7\nBITMAPSETPIXEL s2 0 0 8\nBITMAPTOBITMAP big s2 60 30\n"
        "BITMAPTOBITMAP big s2 0 200\nBITMAPTOBITMAP big s2 -1 0\nBITMAPTOBITMAP big s2 250 150\n"
        "BITMAPTOSCREEN big 0 200\n"
        // Clipping at the screen's edges.
        "BITMAPALLOC c 20 20\nBITMAPCLEAR c 4\nBITMAPTOSCREEN c -10 100\nBITMAPTOSCREEN c 630 100\n"
        "BITMAPTOSCREEN c 600 475\n"
        // Keyed copies (key 0): source 0 1 0 2, mask 3 3 0 0, background 6 6 6 6, onto 9s.
        "BITMAPALLOC src 4 1\nBITMAPCLEAR src 0\nBITMAPSETPIXEL src 1 0 1\nBITMAPSETPIXEL src 3 0 2\n"
        "BITMAPALLOC m 4 1\nBITMAPCLEAR m 0\nBITMAPSETPIXEL m 0 0 3\nBITMAPSETPIXEL m 1 0 3\n"
        "BITMAPALLOC bg 4 1\nBITMAPCLEAR bg 6\nBITMAPALLOC d 4 3\nBITMAPCLEAR d 9\n"
        "BITMAPTOBITMAPTRANS d src 0 0 256\nBITMAPTOBITMAPMASK d src m 0 1 0\nBITMAPTOBITMAPMERGE d src bg 0 2 0\n"
        "BITMAPTOSCREEN d 400 150\nSCREENFILLEDBOX 410 150 4 3 9\nBITMAPTOSCREENTRANS src 410 150 0\n"
        "BITMAPTOSCREENMASK src m 410 151 0\nBITMAPTOSCREENMERGE src bg 410 152 0\n"
        "BITMAPTOSCREENMASK src d 410 153 0\nBITMAPTOBITMAPMERGE d src c 0 0 0\n"
        // Within one bitmap: the source is read before it is overwritten.
        "BITMAPALLOC w 4 2\nBITMAPCLEAR w 0\nBITMAPSETPIXEL w 0 0 1\nBITMAPSETPIXEL w 1 0 2\n"
        "BITMAPTOBITMAP w w 1 1\nBITMAPTOSCREEN w 420 150\n"
        // The screen back into a bitmap, partly off the screen (read as 0).
        "BITMAPALLOC f 4 4\nBITMAPFROMSCREEN f 637 97\nBITMAPTOSCREEN f 500 150\n"
        // The bitmap's palette onto the screen: locked entries 0-15 stay.
        "VARSET i 0\n:P\nBITMAPSETPALETTEVALUE b i 65793\nCOMPUTE i = i + 1\nIF i < 256 GOTO 'P'\n"
        "BITMAPSETPALETTE b\n"
        // Text into a bitmap with the two transparency rules, and outside it.
        "BITMAPALLOC t 16 20\nBITMAPCLEAR t 3\nTEXTCOLOR 1\nTEXTBACKCOLOR 128\nBITMAPTEXT t 0 2 'H'\n"
        "TEXTCOLOR 128\nTEXTBACKCOLOR 2\nBITMAPTEXT t 8 2 'H'\nBITMAPTEXT t -4 100 'xyz'\nBITMAPTOSCREEN t 600 0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture p = Frame(r, 640, 480);
    if (!p.data)
        return;
    auto run = [&](int x, int y, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += static_cast<char>('0' + p.At(x + i, y));
        return s;
    };
    EXPECT_EQ(run(0, 1, 12), "011111111110"); // BITMAPBOX 1 1 9 9: 10 pixels
    EXPECT_EQ(run(0, 5, 12), "010000000010");
    EXPECT_EQ(run(0, 10, 12), "011111111110");
    EXPECT_EQ(run(0, 11, 12), "000000000000");
    EXPECT_EQ(run(19, 1, 11), "02222222220"); // SCREENBOX 20 1 9 9: 9 pixels
    EXPECT_EQ(run(19, 9, 11), "02222222220");
    EXPECT_EQ(run(19, 5, 11), "02000000020");
    EXPECT_EQ(p.At(20, 10), 0);
    // Crop.
    EXPECT_EQ(p.At(400, 0), 1);
    EXPECT_EQ(p.At(499, 99), 2);
    EXPECT_EQ(p.At(450, 50), 5);
    EXPECT_EQ(p.At(500, 99), 0);
    // Place, and the copies that fell outside drew nothing.
    EXPECT_EQ(p.At(60, 230), 8);
    EXPECT_EQ(p.At(159, 329), 7);
    EXPECT_EQ(p.At(160, 330), 5);
    EXPECT_EQ(p.At(59, 229), 5);
    EXPECT_EQ(p.At(0, 200), 5);
    EXPECT_EQ(p.At(250, 350), 8); // placed at (250, 150), cut at the bitmap's edges
    EXPECT_EQ(p.At(251, 350), 7);
    EXPECT_EQ(p.At(319, 399), 7);
    EXPECT_EQ(p.At(249, 350), 5);
    // Screen edges: nothing at x = -10; a 10-pixel strip at 630; 5 rows at y 475.
    EXPECT_EQ(run(626, 100, 14), "00004444444444");
    EXPECT_EQ(p.At(0, 100), 0);
    EXPECT_EQ(p.At(9, 100), 0);
    EXPECT_EQ(run(598, 474, 24), "000000000000000000000000");
    EXPECT_EQ(run(598, 479, 24), "004444444444444444444400");
    // Keyed copies to a bitmap (then shown) and to the screen; a mask of another
    // size, or merging with a background of another size, draws nothing.
    EXPECT_EQ(run(400, 150, 4), "9192");
    EXPECT_EQ(run(400, 151, 4), "0199");
    EXPECT_EQ(run(400, 152, 4), "6162");
    EXPECT_EQ(run(410, 150, 4), "9192");
    EXPECT_EQ(run(410, 151, 4), "0199");
    EXPECT_EQ(run(410, 152, 4), "6162");
    EXPECT_EQ(run(410, 153, 4), "0000");
    EXPECT_EQ(run(420, 150, 4), "1200");
    EXPECT_EQ(run(420, 151, 4), "0120");
    // Read back from the screen: the 3 x 3 on-screen part of the strip, the rest 0.
    EXPECT_EQ(run(500, 150, 4), "0000");
    EXPECT_EQ(run(500, 153, 4), "4440");
    // Text: the set pixels of the first 'H' are the untouched ones of the second.
    int set = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 8; ++x) {
            const int left = p.At(600 + x, y), right = p.At(608 + x, y);
            if (y < 2 || y >= 18) {
                EXPECT_EQ(left * 10 + right, 33) << x << "," << y;
                continue;
            }
            set += left == 1;
            EXPECT_TRUE((left == 1 && right == 3) || (left == 3 && right == 2)) << x << "," << y;
        }
    EXPECT_GT(set, 10);
    // Palette: entries 0-15 kept the grey ramp, the others came from the bitmap.
    EXPECT_EQ(p.Palette(5, 0), 5 * 255 / 63);
    EXPECT_EQ(p.Palette(15, 2), 15 * 255 / 63);
    EXPECT_EQ(p.Palette(16, 0), 1);
    EXPECT_EQ(p.Palette(200, 1), 1);
}

TEST_F(ScriptBitmap, ListingAndFadingIn)
{
    Result r = Script("SCREENGRAPHICS ok 320 40\nBITMAPALLOC a 3 4\nBITMAPALLOC b 5 6\nVARSET f a\nBITMAPFREE f\n"
                      "BITMAPLIST\nTEXTY y\nFILECREATE o 'out.txt'\nFILEWRITE o y\n"
                      "DEBUGFILE 'trace.txt'\nBITMAPLIST\nDEBUGFILE ''\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string trace = Read("trace.txt");
    EXPECT_NE(trace.find("BITMAPLIST Number: 9001  Width: 5  Height: 6\r\n\r\n"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("9000"), std::string::npos);
    EXPECT_EQ(Read("out.txt"), "16\r\n"); // one line at the text cursor
    const Picture p = Frame(r, 320, 40);
    if (p.data) {
        int lit = 0;
        for (int x = 0; x < 320; ++x)
            for (int y = 0; y < 16; ++y)
                lit += p.At(x, y) == 7;
        EXPECT_GT(lit, 100);
    }

    // A fade ends on the bitmap's palette; the locked entry 0 stays.
    r = Script("SCREENGRAPHICS ok 8 8\nSCREENFADESPEED 0\nSCREENPALETTELOCK 0 1 1\nSCREENFORCEPALETTEZEROBLACK 0\n"
               "SCREENPALETTELOCK 3 1 1\nBITMAPALLOC b 1 1\nBITMAPSETPALETTEVALUE b 3 255\n"
               "BITMAPSETPALETTEVALUE b 200 16777215\nBITMAPFADEINPALETTE b\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.frames.empty());
    const Picture q{8, 8, &r.frames.back()};
    EXPECT_EQ(q.Palette(200, 0) + q.Palette(200, 1) + q.Palette(200, 2), 3 * 255);
    EXPECT_EQ(q.Palette(3, 0), 3 * 255 / 63); // locked: still the grey ramp
    EXPECT_EQ(q.Palette(4, 0), 0);            // the bitmap's black
}

// The line walk against the incremental walk exactly as written, unclipped
// and filtered, on random end points in and around a small area.
TEST(BitmapLine, ClippedWalkMatchesThePlainWalk)
{
    auto plain = [](int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t w, int64_t h) {
        std::vector<std::pair<int64_t, int64_t>> out;
        auto plot = [&](int64_t x, int64_t y) {
            if (x >= 0 && y >= 0 && x < w && y < h)
                out.emplace_back(x, y);
        };
        zbxtest::PlainLineWalk(x1, y1, x2, y2, plot);
        return out;
    };
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        const int64_t span = round % 4 == 0 ? 3000 : 60;
        std::uniform_int_distribution<int64_t> coord(-span, span + 40);
        const int64_t w = 1 + round % 41, h = 1 + round % 29;
        const int64_t x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
        std::vector<std::pair<int64_t, int64_t>> got;
        zscript::DrawLine(x1, y1, x2, y2, w, h, [&](int64_t x, int64_t y) { got.emplace_back(x, y); });
        ASSERT_EQ(got, plain(x1, y1, x2, y2, w, h))
            << x1 << "," << y1 << " " << x2 << "," << y2 << " in " << w << "x" << h;
    }
    // Far-away end points cost nothing: only the visible points are walked.
    size_t count = 0;
    zscript::DrawLine(-2147483648LL, -2147483648LL, 2147483647LL, 2147483647LL, 64, 48,
                      [&](int64_t x, int64_t y) { count += x == y; });
    EXPECT_EQ(count, 48u);
}

} // namespace

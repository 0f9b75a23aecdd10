// zorbscw's screen commands headless: what the window showed is read back
// from the capture written when it closes, and values the scripts store.
#include "script/commands/line.h"
#include "script/core/font.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace script_test;

class ScriptScreen : public ScriptRun {};

TEST_F(ScriptScreen, FullScreenOriginDrawingAndClipping)
{
    const Result r = Script("SCREENWIDTH w0\nSCREENSETTINGS 1\nSCREENPALETTELOCK 4 2 1\nSCREENGRAPHICS ok 320 200\n"
                            "SCREENWIDTH w\nSCREENHEIGHT h\nSCREENSETPIXEL 0 0 3\nSCREENSETPIXEL 999 -999 5\n"
                            "TEXTSETXY 0 0\nTEXTY ty\nSCREENGETPIXEL p 0 0\nSCREENGETPIXEL q -5 1000\n"
                            "SCREENFILLEDBOX 310 190 20 40 300\nSCREENFILLEDBOX -1 0 5 5 7\nSCREENBOX 0 1 4 3 9\n"
                            "SCREENBOX 316 197 8 8 6\nSCREENINFO info\n"
                            "FILECREATE o 'out.txt'\nFILEWRITE o '%w0% %ok% %w% %h% %ty% %p% %q%'\nFILEWRITE o info\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "80 1 320 240 0 3 0\r\nFull screen 320x240\r\n");
    const Picture p = Frame(r, 320, 240);
    if (!p.data)
        return;
    EXPECT_EQ(p.At(0, 20), 3); // (0, 0) is the origin (0, 20)
    EXPECT_EQ(p.At(0, 19), 0);
    for (int x = 0; x < 4; ++x) { // the box covers 4 x 3 pixels
        EXPECT_EQ(p.At(x, 21), 9);
        EXPECT_EQ(p.At(x, 23), 9);
    }
    EXPECT_EQ(p.At(4, 21), 0);
    EXPECT_EQ(p.At(1, 22), 0);
    EXPECT_EQ(p.At(0, 24), 0);
    EXPECT_EQ(p.At(319, 239), 44); // filled box cut at the edges, colour 300 & 255
    EXPECT_EQ(p.At(309, 239), 0);
    EXPECT_EQ(p.At(0, 20 + 4), 0); // a filled box starting outside draws nothing
    EXPECT_EQ(p.At(316, 217), 6);  // an outline partly outside: the inside part only
    EXPECT_EQ(p.At(319, 217), 6);
    // The default palette: four ramps; locked entries 4 and 5 kept their black.
    EXPECT_EQ(p.Palette(3, 0), 3 * 255 / 63);
    EXPECT_EQ(p.Palette(4, 0), 0);
    EXPECT_EQ(p.Palette(6, 1), 6 * 255 / 63);
    EXPECT_EQ(p.Palette(64 + 9, 0), 9 * 255 / 63);
    EXPECT_EQ(p.Palette(64 + 9, 1), 0);
    EXPECT_EQ(p.Palette(192 + 9, 2), 9 * 255 / 63);
}

TEST_F(ScriptScreen, WindowSettingsAndErrors)
{
    Result r = Script("SCREENSETTINGS 7\nSCREENGRAPHICS ok 64 48\nSCREENWIDTH w\nSCREENCLEAR 5\n"
                      "SCREENFORCEPALETTEZEROBLACK 1\nSCREENTEXT\nSCREENWIDTH t\n"
                      "FILECREATE o 'out.txt'\nFILEWRITE o '%ok% %w% %t%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "1 64 80\r\n");
    const Picture p = Frame(r, 64, 48); // captured when SCREENTEXT closed the window
    if (p.data) {
        EXPECT_EQ(p.At(63, 47), 5);
    }

    // TEXT goes to the print file while one is open.
    r = Script("SCREENGRAPHICS ok 32 16\nPRINTBEGIN 'p.txt'\nTEXT 'hello'\nTEXTNOCR 'x'\nPRINTPAGEADV\nPRINTEND\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Read("p.txt"), "hello\r\nx\f");

    r = Script("SCREENGRAPHICS ok 0 200\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Zero dimension in command:\n    SCREENGRAPHICS ok 0 200\n"), std::string::npos) << r.err;

    r = Script("SCREENCLEAR 1\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("A window hasn't been created yet (use ScreenGraphics first)."), std::string::npos);

    // An error closes the window; its last picture is captured first.
    r = Script("SCREENGRAPHICS ok 32 16\nSCREENSETPIXEL 1 1 77\nGOTO 'nowhere'\n");
    EXPECT_EQ(r.status, 1);
    const Picture q = Frame(r, 32, 16);
    if (q.data) {
        EXPECT_EQ(q.At(1, 1), 77);
    }
}

} // namespace

namespace {

using namespace script_test;

class ScriptDrawing : public ScriptRun {};

// Lines and boxes at the edges, palette locks and searches, a frame captured
// at each wait and the fade out at the end.
TEST_F(ScriptDrawing, LinesBoxesPalettesAndFades)
{
    const Result r =
        Script("SCREENGRAPHICS ok 64 48\nSCREENADJUSTXY 0 2\nSCREENBOX 0 0 9 9 1\nBITMAPALLOC b 12 12\n"
               "BITMAPBOX b 0 0 9 9 2\nBITMAPTOSCREEN b 20 0\nSCREENLINE 10 30 1000 33 4\nSCREENLINE -50 44 3 -9 6\n"
               "SCREENBOX 60 42 10 10 5\nSCREENBOX -3 40 2 2 7\n"
               "SCREENPALETTELOCK 0 16 1\nBITMAPSETPALETTEVALUE b 5 16777215\nBITMAPSETPALETTEVALUE b 20 16777215\n"
               "BITMAPSETPALETTE b\nSCREENGETDARKESTPALETTEINDEX d\nSCREENGETBRIGHTESTPALETTEINDEX br\nDELAY 0\n"
               "SCREENFADESPEED 0\nSCREENFADEOUTCLEAR 300\nDELAY 0\n"
               "FILECREATE o 'out.txt'\nFILEWRITE o '%d% %br%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "0 20\r\n");
    ASSERT_EQ(r.frames.size(), 19u); // two waits, the 16 steps of the fade and the window's close

    Expected e(64, 48);
    e.Fill(0, 2, 9, 1, 1), e.Fill(0, 10, 9, 1, 1), e.Fill(0, 2, 1, 9, 1), e.Fill(8, 2, 1, 9, 1);         // 9 x 9
    e.Fill(20, 2, 10, 1, 2), e.Fill(20, 11, 10, 1, 2), e.Fill(20, 2, 1, 10, 2), e.Fill(29, 2, 1, 10, 2); // 10 x 10
    zscript::DrawLine(10, 32, 63, 35, 64, 48, [&](int64_t x, int64_t y) { e.Set(int(x), int(y), 4); });  // limited
    zscript::DrawLine(0, 46, 3, 0, 64, 48, [&](int64_t x, int64_t y) { e.Set(int(x), int(y), 6); });
    e.Fill(60, 44, 4, 1, 5), e.Fill(60, 44, 1, 4, 5); // the inside part of a box past the corner
    EXPECT_EQ(FirstBadRow(r, e, 0), -1);
    const std::string &frame = r.frames[0];
    auto palette = [&](const std::string &f, int entry, int c) { return uint8_t(f[64 * 48 + entry * 3 + c]); };
    EXPECT_EQ(palette(frame, 5, 0), 5 * 255 / 63); // locked: the bitmap's white did not reach it
    EXPECT_EQ(palette(frame, 20, 0), 255);
    EXPECT_EQ(palette(frame, 20, 2), 255);
    EXPECT_EQ(palette(frame, 16, 0), 0);

    // Faded out (to black, locked entries kept) and cleared to 300 & 255.
    EXPECT_EQ(FirstBadRow(r, Expected(64, 48, 44), 17), -1);
    EXPECT_EQ(palette(r.frames[8], 20, 0), 255 * 8 / 16); // half way
    EXPECT_EQ(palette(r.frames[17], 20, 0), 0);
    EXPECT_EQ(palette(r.frames[17], 20, 1), 0);
    EXPECT_EQ(palette(r.frames[17], 5, 0), 5 * 255 / 63);
    EXPECT_EQ(palette(r.frames[17], 63 + 128, 1), 0);
}

// A font cut from a bitmap: 4 x 4 cells, two per cell row of an 8 x 8 bitmap.
TEST_F(ScriptDrawing, FontFromBitmap)
{
    const Result r = Script("SCREENGRAPHICS ok 32 16\nBITMAPALLOC f 8 8\nBITMAPCLEAR f 0\nBITMAPSETPIXEL f 0 0 9\n"
                            "BITMAPSETPIXEL f 5 1 9\nBITMAPSETPIXEL f 2 6 9\nTEXTFONTFROMBITMAP f 4 4 65 67\n"
                            "TEXTCOLOR 3\nTEXTBACKCOLOR 1\nTEXT 'ABCz'\nTEXTY y\nTEXTFONTFROMBITMAP 0 a b c d\n"
                            "TEXTNOCR 'A'\nFILECREATE o 'out.txt'\nFILEWRITE o y\nTEXTFONTFROMBITMAP f 0 4 65 67\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Bad font cell size in command:\n    TEXTFONTFROMBITMAP f 0 4 65 67\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(Read("out.txt"), "4\r\n");
    Expected e(32, 16);
    e.Fill(0, 0, 16, 4, 1);
    e.Set(0, 0, 3), e.Set(5, 1, 3), e.Set(10, 2, 3), e.Set(12, 0, 3); // A, B, C, then z drawn as A
    zscript::DrawText(e.Surface(), 0, 4, "A", zscript::Font{}, {3, 1, 128});
    EXPECT_EQ(FirstBadRow(r, e), -1);
}

} // namespace

namespace {

using namespace script_test;

class ScriptPointer : public ScriptRun {};

// The software pointer drawn at (10, 10) by a wait is taken off first by
// every drawing over it: putting the screen under it back later (here when
// the window closes) must not bring old pixels back over the new drawing.
TEST_F(ScriptPointer, DrawingRemovesThePointerFirst)
{
    struct Case {
        const char *drawing;
        int x, y, w, h; // the rectangle it fills with colour 5
    } cases[] = {
        {"SCREENFILLEDBOX 0 0 64 48 5", 0, 0, 64, 48},
        {"SCREENCLEAR 5", 0, 0, 64, 48},
        {"BITMAPALLOC b 64 48 ; BITMAPCLEAR b 5 ; BITMAPTOSCREEN b 0 0", 0, 0, 64, 48},
        {"TEXTCOLOR 5 ; TEXTBACKCOLOR 5 ; TEXTNOCR 'abcdefgh'", 0, 0, 64, 16},
        {"SCREENLINE 12 0 12 47 5", 12, 0, 1, 48},
    };
    for (const Case &c : cases) {
        Write("t.zs", std::string("SCREENGRAPHICS ok 64 48\nINPUTCHARORDELAY k 50\n") + c.drawing + "\nSCREENTEXT\n");
        const Result r = Run("t.zs", "ZORBSCW_TEST_INPUT='1:move=10/10'");
        ASSERT_EQ(r.status, 0) << r.err;
        Expected e(64, 48);
        e.Fill(c.x, c.y, c.w, c.h, 5);
        EXPECT_EQ(FirstBadRow(r, e, r.frames.size() - 1), -1) << c.drawing;
    }
}

} // namespace

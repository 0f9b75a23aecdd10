// zorbscw's screen commands headless: what the window showed is read back
// from the capture written when it closes, and values the scripts store.
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
    EXPECT_EQ(p.At(0, 20), 3);      // (0, 0) is the origin (0, 20)
    EXPECT_EQ(p.At(0, 19), 0);
    for (int x = 0; x < 4; ++x) {   // the box covers 4 x 3 pixels
        EXPECT_EQ(p.At(x, 21), 9);
        EXPECT_EQ(p.At(x, 23), 9);
    }
    EXPECT_EQ(p.At(4, 21), 0);
    EXPECT_EQ(p.At(1, 22), 0);
    EXPECT_EQ(p.At(0, 24), 0);
    EXPECT_EQ(p.At(319, 239), 44);  // filled box cut at the edges, colour 300 & 255
    EXPECT_EQ(p.At(309, 239), 0);
    EXPECT_EQ(p.At(0, 20 + 4), 0);  // a filled box starting outside draws nothing
    EXPECT_EQ(p.At(316, 217), 6);   // an outline partly outside: the inside part only
    EXPECT_EQ(p.At(319, 217), 6);
    // The default palette: four ramps; locked entries 4 and 5 kept their black.
    EXPECT_EQ(p.Palette(3, 0), 3);
    EXPECT_EQ(p.Palette(4, 0), 0);
    EXPECT_EQ(p.Palette(6, 1), 6);
    EXPECT_EQ(p.Palette(64 + 9, 0), 9);
    EXPECT_EQ(p.Palette(64 + 9, 1), 0);
    EXPECT_EQ(p.Palette(192 + 9, 2), 9);
}

TEST_F(ScriptScreen, WindowSettingsAndErrors)
{
    Result r = Script("SCREENSETTINGS 7\nSCREENGRAPHICS ok 64 48\nSCREENWIDTH w\nSCREENCLEAR 5\n"
                      "SCREENFORCEPALETTEZEROBLACK 1\nSCREENTEXT\nSCREENWIDTH t\n"
                      "FILECREATE o 'out.txt'\nFILEWRITE o '%ok% %w% %t%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "1 64 80\r\n");
    const Picture p = Frame(r, 64, 48);  // captured when SCREENTEXT closed the window
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

}  // namespace

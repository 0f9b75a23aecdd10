// zorbscw's text on the screen, headless: each script's window is compared
// through its capture with the same text drawn by the font code at the
// positions the text state must have reached; TEXTBEGIN blocks go to the
// print file.
#include "script/core/font.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace script_test;

void Text(Expected &e, int x, int y, std::string_view text, zscript::TextColours c = {})
{
    zscript::DrawText(e.Surface(), x, y, text, zscript::Font{}, c);
}

class ScriptText : public ScriptRun {};

TEST_F(ScriptText, CursorLinesEdgesAndColours)
{
    // 64 x 40 holds two lines of 16: at the bottom line a line end does nothing.
    const Result r = Script("SCREENGRAPHICS ok 64 40\nTEXTCOLOR 263\nTEXT 'AB'\nTEXT 'CD'\nTEXTX a\nTEXTY b\n"
                            "TEXTNOCR 'EFGHIJ'\nTEXTNOCR 'K'\nTEXTX c\nTEXTBACKCOLOR 9\nTEXTNOCR '\b'\nTEXTX d\n"
                            "TEXTSETXY 4 0\nTEXTNOCR '\b'\nTEXTX e\n"
                            "TEXTCOLOR 5\nTEXTBACKCOLOR 0\nTEXTTRANSCOLOR 0\nTEXTSETXY 40 0\nTEXTNOCR 'xyzw'\n"
                            "FILECREATE o 'out.txt'\nFILEWRITE o '%a% %b% %c% %d% %e%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "16 16 64 56 0\r\n");
    Expected e(64, 40);
    Text(e, 0, 0, "AB", {7, 0, 128}); // TEXTCOLOR 263 is 7
    Text(e, 0, 16, "CDEFGHIJ", {7, 0, 128});
    e.Fill(56, 16, 8, 16, 9);         // the backspace cleared J's cell
    e.Fill(0, 0, 8, 16, 9);           // near the left edge a backspace goes to 0
    Text(e, 40, 0, "xyz", {5, 0, 0}); // cut at the edge; transparent background
    EXPECT_EQ(FirstBadRow(r, e), -1);
}

TEST_F(ScriptText, OriginAndTextBlocks)
{
    // In the 320 x 240 full-screen surface the origin is (0, 20).
    Write("sub.zs", "TEXTBEGIN\nsub %N%\n"); // no TEXTEND: the file ends with the block
    const Result r = Script("SCREENSETTINGS 1\nSCREENGRAPHICS ok 320 200\nVARSET n 7\nTEXTSETXY 8 0\nTEXTY y\n"
                            "TEXTBEGIN\n  %N% apples\n:notalabel\n textEnd here\nTEXT 'after'\n"
                            "IF n = 8 TEXTBEGIN\nnot shown\nTEXTEND\n"
                            "PRINTBEGIN 'p.txt'\nTEXTBEGIN\nline %n%\n\nTEXTEND\nCALL 'sub'\nPRINTEND\n"
                            "FILECREATE o 'out.txt'\nFILEWRITE o '%y%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "0\r\n");
    EXPECT_EQ(Read("p.txt"), "line 7\r\n\r\nsub 7\r\n");
    Expected e(320, 240);
    Text(e, 8, 20, "  7 apples");
    Text(e, 0, 36, ":notalabel");
    Text(e, 0, 52, "after");
    EXPECT_EQ(FirstBadRow(r, e), -1);
}

} // namespace

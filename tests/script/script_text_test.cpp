// zorbscw's text on the screen, headless: each script's window is compared
// through its capture with the same text drawn by the font code at the
// positions the text state must have reached; TEXTBEGIN blocks go to the
// print file.
#include "script/core/font.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace script_test;

// What the window must show: a w x h picture of colour 0 with texts drawn.
struct Expected {
    int w, h;
    std::string px;
    Expected(int width, int height) : w(width), h(height), px(static_cast<size_t>(width * height), '\0') {}
    void Text(int x, int y, std::string_view text, zscript::TextColours c = {})
    {
        const zscript::ScreenSurface s{reinterpret_cast<uint8_t *>(px.data()), w, w, h, false};
        zscript::DrawText(s, x, y, text, zscript::Font{}, c);
    }
    void Fill(int x, int y, int fw, int fh, uint8_t colour)
    {
        for (int yy = y; yy < y + fh; ++yy)
            for (int xx = x; xx < x + fw; ++xx)
                px[static_cast<size_t>(yy * w + xx)] = static_cast<char>(colour);
    }
};

// The first row where the capture differs from the expected picture, or -1.
int FirstBadRow(const Result &r, const Expected &e)
{
    if (r.frames.size() != 1 || r.frames[0].size() != e.px.size() + 768)
        return -2;
    for (int y = 0; y < e.h; ++y)
        if (r.frames[0].compare(static_cast<size_t>(y * e.w), static_cast<size_t>(e.w), e.px,
                                static_cast<size_t>(y * e.w), static_cast<size_t>(e.w)) != 0)
            return y;
    return -1;
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
    e.Text(0, 0, "AB", {7, 0, 128});  // TEXTCOLOR 263 is 7
    e.Text(0, 16, "CDEFGHIJ", {7, 0, 128});
    e.Fill(56, 16, 8, 16, 9);        // the backspace cleared J's cell
    e.Fill(0, 0, 8, 16, 9);          // near the left edge a backspace goes to 0
    e.Text(40, 0, "xyz", {5, 0, 0}); // cut at the edge; transparent background
    EXPECT_EQ(FirstBadRow(r, e), -1);
}

TEST_F(ScriptText, OriginAndTextBlocks)
{
    // In the 320 x 240 full-screen surface the origin is (0, 20).
    Write("sub.zs", "TEXTBEGIN\nsub %N%\n");  // no TEXTEND: the file ends with the block
    const Result r = Script("SCREENSETTINGS 1\nSCREENGRAPHICS ok 320 200\nVARSET n 7\nTEXTSETXY 8 0\nTEXTY y\n"
                            "TEXTBEGIN\n  %N% apples\n:notalabel\n textEnd here\nTEXT 'after'\n"
                            "IF n = 8 TEXTBEGIN\nnot shown\nTEXTEND\n"
                            "PRINTBEGIN 'p.txt'\nTEXTBEGIN\nline %n%\n\nTEXTEND\nCALL 'sub'\nPRINTEND\n"
                            "FILECREATE o 'out.txt'\nFILEWRITE o '%y%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "0\r\n");
    EXPECT_EQ(Read("p.txt"), "line 7\r\n\r\nsub 7\r\n");
    Expected e(320, 240);
    e.Text(8, 20, "  7 apples");
    e.Text(0, 36, ":notalabel");
    e.Text(0, 52, "after");
    EXPECT_EQ(FirstBadRow(r, e), -1);
}

}  // namespace

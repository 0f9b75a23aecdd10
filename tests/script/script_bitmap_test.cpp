// zorbscw's bitmap commands headless: values the scripts write to a file and
// the pictures captured when the window closes.
#include "tests/script/script_fixture.h"

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
};

TEST_F(ScriptBitmap, SlotsAllocationAndFreeing)
{
    // 128 slots: the 129th allocation gives 0; a freed slot is the next one taken.
    EXPECT_EQ(Values("VARSET n 0\n:L\nBITMAPALLOC b 2 3\nIF b <> 0 COMPUTE n = n + 1 ; VARSET last b ; GOTO 'L'\n"
                     "BITMAPWIDTH w 9000\nBITMAPHEIGHT h last\nVARSET f 9005\nBITMAPFREE f\n"
                     "BITMAPALLOC a 0 0\nBITMAPWIDTH z a\nBITMAPALLOC huge 100000 100000\n"
                     "FILEWRITE o '%n% %last% %w% %h% [%f%] %a% %z% %huge%'\n"),
              "128 9127 2 3 [] 9005 0 0\r\n");
    for (const char *bad : {"VARSET v 0\nBITMAPFREE v\n", "BITMAPWIDTH w 9000\n", "BITMAPALLOC b 1 1\nBITMAPHEIGHT h 9001\n",
                            "BITMAPALLOC b 1 1\nBITMAPFREE b\nBITMAPFREE b\n"}) {
        const Result r = Script(bad);
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_NE(r.err.find("Bad frame parameter:"), std::string::npos) << bad << r.err;
    }
}

}  // namespace

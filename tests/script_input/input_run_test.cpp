// zorbscw's input commands end to end, headless: the test hook
// (ZORBSCW_TEST_INPUT) feeds SDL key, text, pointer and window events at the
// start of numbered waits, and the scripts write what they got into a file.
#include "tests/script/script_fixture.h"

#include <sys/resource.h>

namespace {

using namespace script_test;

class ScriptInput : public ScriptRun {
protected:
    // Runs the script with the events; the script writes out.txt.
    Result Feed(const std::string &script, const std::string &events)
    {
        Write("t.zs", script);
        return Run("t.zs", "ZORBSCW_TEST_INPUT='" + events + "'");
    }
};

TEST_F(ScriptInput, KeysClicksAreasAndTheWindowClose)
{
    const Result r = Feed("SCREENGRAPHICS ok 64 48\n"
                          "MOUSEADD 'big' 0 0 40 40 0\nMOUSEADD 'small' 10 10 10 10 0\n"
                          "INPUTCHAR a\nINPUTCHAR b\nINPUTCHAR c\nINPUTCHAR d\nINPUTCHAR e\nINPUTCHAR f\n"
                          "INPUTCHAR g\nINPUTCHAR h\nINPUTCHAR i\nMOUSEAREA ma\nMOUSEX mx\nMOUSEY my\n"
                          "FILECREATE o 'out.txt'\nFILEWRITE o '%a%|%b%|%c%|%d%|%e%|%f%|%g%|%h%|%i%|%ma%|%mx%,%my%'\n",
                          "1:key=F1,2:key=shift+F2,3:key=ctrl+F3,4:key=alt+F5,5:text=x,6:click=15/15,"
                          "7:click=30/30,8:rclick=60/5,9:close");
    ASSERT_EQ(r.status, 0) << r.err;
    // The right click left the pointer at 64 - 10 (clamped for the 10-pixel image).
    EXPECT_EQ(Read("out.txt"), "F1|SHIFT F2|CONTROL F3|ALT F5|x|small|big|RIGHT MOUSE|ALT F4||54,5\r\n");
}

TEST_F(ScriptInput, KeysBeforeClicksAndTimeLimits)
{
    // A key waiting is taken before a click; INPUTCHARORDELAY 0 gives DELAY
    // at once unless a key waits; a limit that passes gives DELAY after it.
    const Result r = Feed("SCREENGRAPHICS ok 64 48\nINPUTCHARORDELAY a 0\nINPUTCHAR b\nINPUTCHAR c\n"
                          "SYSTEMTIMER t0\nINPUTCHARORDELAY d 150\nSYSTEMTIMER t1\nCOMPUTE dt t1 - t0\n"
                          "INPUTCHARORDELAY e 0\nDELAY 30\nINPUTCHARORDELAY f 0\n"
                          "FILECREATE o 'out.txt'\nFILEWRITE o '%a%|%b%|%c%|%d%|%e%|%f%'\nFILEWRITE o dt\n",
                          "1:key=Left,2:click=1/1,2:key=Escape,5:key=PageDown,6:key=Delete");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string out = Read("out.txt");
    EXPECT_EQ(out.substr(0, out.find("\r\n")), "LEFT|ESCAPE|LEFT MOUSE|DELAY|PAGEDOWN|DELETE");
    const int dt = std::atoi(out.substr(out.find("\r\n") + 2).c_str());
    EXPECT_GE(dt, 150);
    EXPECT_LT(dt, 1500);
}

TEST_F(ScriptInput, LevelsSetXyAndTheAreaLimit)
{
    Result r = Feed("SCREENGRAPHICS ok 64 48\nSCREENADJUSTXY 2 3\n"
                    "MOUSEADD 'under' 0 0 20 20 0\nMOUSEPUSHANDREMOVEALL\nMOUSEADD 'over' 0 0 20 20 0\n"
                    "MOUSESETXY 5 5\nMOUSEAREA a1\nMOUSEPOP\nMOUSEAREA a2\nMOUSEPOP\nMOUSEPOP\nMOUSEAREA a3\n"
                    "MOUSEREMOVE 'UNDER'\nMOUSEAREA a4\nMOUSEREMOVE 'under'\nMOUSEAREA a5\n"
                    "MOUSESETXY 1000 -7\nMOUSEX x\nMOUSEY y\nMOUSEPRESENT p\nMOUSEMODE 3\n"
                    "FILECREATE o 'out.txt'\nFILEWRITE o '%a1%|%a2%|%a3%|%a4%|%a5%|%x%|%y%|%p%'\n",
                    "");
    ASSERT_EQ(r.status, 0) << r.err;
    // MOUSESETXY beyond the right edge: screen width - image width, minus the origin.
    EXPECT_EQ(Read("out.txt"), "over|under|under|under||52|-3|1\r\n");

    std::string many = "SCREENGRAPHICS ok 64 48\n";
    for (int i = 0; i < 129; ++i)
        many += "MOUSEADD 'a" + std::to_string(i) + "' 0 0 1 1 0\n";
    r = Feed(many, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Could not add mouse area in command:\n    MOUSEADD 'a128' 0 0 1 1 0\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("At line number: 130."), std::string::npos) << r.err;

    r = Feed("INPUTCHAR a\n", "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("A window hasn't been created yet"), std::string::npos) << r.err;
}

TEST_F(ScriptInput, DelaysWaitForTheClock)
{
    const Result r = Feed("SYSTEMTIMER t0\nDELAY 120\nSYSTEMTIMER t1\nDELAY -50\nDELAYUNTIL 5\nSYSTEMTIMER t2\n"
                          "COMPUTE u t1 + 80\nDELAYUNTIL u\nSYSTEMTIMER t3\n"
                          "FILECREATE o 'out.txt'\nCOMPUTE a t1 - t0\nCOMPUTE b t2 - t1\nCOMPUTE c t3 - t1\n"
                          "FILEWRITE o '%a% %b% %c%'\n",
                          "");
    ASSERT_EQ(r.status, 0) << r.err;
    int a = 0, b = 0, c = 0;
    ASSERT_EQ(std::sscanf(Read("out.txt").c_str(), "%d %d %d", &a, &b, &c), 3);
    EXPECT_GE(a, 120);
    EXPECT_LT(a, 1000);
    EXPECT_LT(b, 50); // a delay into the past returns at once
    EXPECT_GE(c, 80);
    EXPECT_LT(c, 1000);
}

TEST_F(ScriptInput, WaitingSleepsAndKeepsKeys)
{
    // Two seconds of waiting cost next to no processor time; the window
    // closed during a DELAY is read by the next INPUTCHAR.
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    const Result r = Feed("SCREENGRAPHICS ok 320 200\nDELAY 1000\nINPUTCHARORDELAY a 1000\nINPUTCHARORDELAY b 1000\n"
                          "FILECREATE o 'out.txt'\nFILEWRITE o '%a%|%b%'\n",
                          "1:close");
    getrusage(RUSAGE_CHILDREN, &after);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "ALT F4|DELAY\r\n");
    const auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    const double cpu =
        seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
    EXPECT_LT(cpu, 0.6) << "a busy wait";
}

TEST_F(ScriptInput, MessageBoxWithoutDisplayAnswersCancel)
{
    const Result r = Feed("SCREENWINDOWTITLE 'Quiz'\nINPUTMSGWIN a -1 -1 12 'Sure?'\n"
                          "FILECREATE o 'out.txt'\nFILEWRITE o a\n",
                          "");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "2\r\n");
    EXPECT_NE(r.err.find("Quiz: Sure?\n"), std::string::npos) << r.err;
}

} // namespace

namespace {

using namespace script_test;

// The screen of a capture (the palette follows it).
struct Shot {
    int width;
    const std::string &data;
    int At(int x, int y) const { return static_cast<uint8_t>(data[static_cast<size_t>(y * width + x)]); }
};

class ScriptInputScreen : public ScriptRun {};

TEST_F(ScriptInputScreen, PointerImagesSavedScreenAndClamping)
{
    Write("t.zs", "SCREENGRAPHICS ok 64 48\nSCREENCLEAR 100\nBITMAPALLOC bm 4 4\nBITMAPCLEAR bm 9\n"
                  "BITMAPSETPIXEL bm 0 0 0\nMOUSEADD 'hot' 40 20 10 10 bm\n"
                  "INPUTCHAR a\nINPUTCHAR b\nINPUTCHAR c\nMOUSESETXY 1000 1000\nMOUSEX x\nMOUSEY y\n"
                  "SCREENFILLEDBOX 0 0 64 48 5\nINPUTCHARORDELAY d 0\n"
                  "FILECREATE o 'out.txt'\nFILEWRITE o '%a%|%b%|%c%|%x%|%y%'\n");
    const Result r = Run("t.zs", "ZORBSCW_TEST_INPUT='1:click=20/10,2:click=42/22,3:rclick=63/47'");
    ASSERT_EQ(r.status, 0) << r.err;
    // Positions are kept where the whole image fits: MOUSESETXY at the far
    // corner with the built-in 10 x 19 arrow.
    EXPECT_EQ(Read("out.txt"), "LEFT MOUSE|hot|RIGHT MOUSE|54|29\r\n");
    ASSERT_GE(r.frames.size(), 4u); // a capture at each wait, and at the end
    const Shot second{64, r.frames[1]}, third{64, r.frames[2]}, fourth{64, r.frames[3]};
    // The built-in arrow at (20, 10): darkest 0 and brightest 63 of the grey
    // ramp, its clear pixels showing the screen.
    EXPECT_EQ(second.At(20, 10), 0);
    EXPECT_EQ(second.At(21, 10), 100);
    EXPECT_EQ(second.At(21, 12), 63);
    EXPECT_EQ(second.At(27, 28), 0);
    EXPECT_EQ(second.At(29, 28), 100);
    // Over the area its bitmap (colour 0 clear); the arrow's place is put back.
    EXPECT_EQ(third.At(20, 10), 100);
    EXPECT_EQ(third.At(21, 12), 100);
    EXPECT_EQ(third.At(42, 22), 100);
    EXPECT_EQ(third.At(43, 22), 9);
    EXPECT_EQ(third.At(45, 25), 9);
    EXPECT_EQ(third.At(46, 25), 100);
    // The box drawn over the pointer took it off first: nothing of it is left.
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(fourth.At(x, y), 5) << x << "," << y;
}

TEST_F(ScriptInputScreen, LineInputAndTheInputBox)
{
    Write("t.zs", "SCREENGRAPHICS ok 160 120\nINPUTSTR s 3 'Name? '\nINPUTSTR t 8 ''\nINPUTSTR u 8 'u'\n"
                  "TEXTCOLOR 9\nINPUTSTRWIN w -1 -1 5 'Word?'\nINPUTCHARORDELAY z 0\n"
                  "FILECREATE o 'out.txt'\nFILEWRITE o '%s%|%t%|%u%|%w%|'\n");
    const Result r = Run("t.zs", "ZORBSCW_TEST_INPUT='1:text=abcd,1:key=Return,2:text=xy,2:key=Escape,"
                                 "3:text=abc,3:key=Backspace,3:text=d,3:key=Return,4:text=hello!,4:key=Return'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "abc||abd|hello|\r\n");
    ASSERT_GE(r.frames.size(), 5u);
    // The box: 8 x (5 + 4) by 16 x 6 pixels, centred at (44, 12); its
    // outline one pixel in, the input outline around the five cells.
    const Shot box{160, r.frames[3]}, after{160, r.frames[4]}, before{160, r.frames[2]};
    EXPECT_EQ(box.At(44, 12), 0);
    EXPECT_EQ(box.At(45, 13), 9);
    EXPECT_EQ(box.At(44 + 70, 12 + 94), 9);
    EXPECT_EQ(box.At(44 + 71, 12 + 95), 0);
    EXPECT_EQ(box.At(44 + 12, 12 + 60), 9);
    EXPECT_EQ(box.At(44 + 60, 12 + 80), 9);
    EXPECT_EQ(box.At(44 + 13, 12 + 61), 0);
    // Afterwards the screen under the box is back as it was.
    for (int y = 12; y < 12 + 96; ++y)
        for (int x = 44; x < 44 + 72; ++x)
            ASSERT_EQ(after.At(x, y), before.At(x, y)) << x << "," << y;
}

} // namespace

// zorbscw's input commands end to end, headless: the test hook
// (ZORBSCW_TEST_INPUT) feeds SDL key, text, pointer and window events at the
// start of numbered waits, and the scripts write what they got into a file.
#include "tests/script/script_fixture.h"


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
    EXPECT_LT(b, 50);  // a delay into the past returns at once
    EXPECT_GE(c, 80);
    EXPECT_LT(c, 1000);
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

}  // namespace

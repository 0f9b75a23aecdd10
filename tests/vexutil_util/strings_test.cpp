// Switches, strings, durations and frame rates.
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

struct Line {
    explicit Line(const char *text) { std::strncpy(buf, text, sizeof buf - 1); }
    char buf[256] = {};
    std::string str() const { return buf; }
};

TEST(Switches, NumbersAreTakenOutOfTheLine)
{
    Line l("a /S12 b");
    EXPECT_EQ(GetSwitchNum(l.buf, 'S', 99), 12);
    EXPECT_EQ(l.str(), "a  b");
    EXPECT_EQ(GetSwitchNum(l.buf, 'Q', 99), 99);
    EXPECT_EQ(l.str(), "a  b");

    Line n("/S-5");
    EXPECT_EQ(GetSwitchNum(n.buf, 'S', 0), -5);
    EXPECT_EQ(n.str(), "");

    Line skip("/Sx /S7");
    EXPECT_EQ(GetSwitchNum(skip.buf, 'S', 0), 7);
    EXPECT_EQ(skip.str(), "/Sx ");

    Line lower("in.flc /f15 out.zbx");
    EXPECT_EQ(GetSwitchNum(lower.buf, 'F', 0), 15);
    EXPECT_EQ(lower.str(), "in.flc  out.zbx");
    Line minusAlone("/S- /S-x");
    EXPECT_EQ(GetSwitchNum(minusAlone.buf, 'S', 3), 3);
    Line front("/#4242 file");
    EXPECT_EQ(GetSwitchNum(front.buf, '#', 0), 4242);
    EXPECT_EQ(front.str(), " file");
    Line trailing("x /S");
    EXPECT_EQ(GetSwitchNum(trailing.buf, 'S', 1), 1);
    Line huge("/S99999999999");
    GetSwitchNum(huge.buf, 'S', 0); // wraps, no overflow trap
    EXPECT_EQ(huge.str(), "");
    EXPECT_EQ(GetSwitchNum(nullptr, 'S', 8), 8);
}

TEST(Switches, FlagsStandAlone)
{
    Line a("/P1");
    EXPECT_FALSE(GetSwitch(a.buf, 'P'));
    EXPECT_EQ(a.str(), "/P1");
    Line b("/P x");
    EXPECT_TRUE(GetSwitch(b.buf, 'P'));
    EXPECT_EQ(b.str(), " x");
    Line c("/Px /p");
    EXPECT_TRUE(GetSwitch(c.buf, 'P'));
    EXPECT_EQ(c.str(), "/Px ");
    Line d("/O/V");
    EXPECT_TRUE(GetSwitch(d.buf, 'o'));
    EXPECT_EQ(d.str(), "/V");
    EXPECT_TRUE(GetSwitch(d.buf, 'V'));
    EXPECT_EQ(d.str(), "");
    EXPECT_FALSE(GetSwitch(nullptr, 'V'));
}

TEST(Switches, StringValues)
{
    Line a("x /T\"a b\" y");
    char v[64];
    EXPECT_TRUE(GetSwitchStr(a.buf, 'T', v, "d"));
    EXPECT_STREQ(v, "a b");
    EXPECT_EQ(a.str(), "x  y");

    Line b("/Tname/X /T more");
    EXPECT_TRUE(GetSwitchStr(b.buf, 't', v, "d"));
    EXPECT_STREQ(v, "name");
    EXPECT_EQ(b.str(), "/X /T more");
    EXPECT_FALSE(GetSwitchStr(b.buf, 'T', v, "dflt")); // a value must not begin with a blank
    EXPECT_STREQ(v, "dflt");
    EXPECT_EQ(b.str(), "/X /T more");

    Line open("/T\"unterminated value");
    EXPECT_TRUE(GetSwitchStr(open.buf, 'T', v, nullptr));
    EXPECT_STREQ(v, "unterminated value");
    EXPECT_EQ(open.str(), "");

    // The sized form cuts a value to the destination.
    Line c("/Fabcdefghij rest");
    char small[5];
    EXPECT_TRUE(GetSwitchStrN(c.buf, 'F', small, sizeof small, ""));
    EXPECT_STREQ(small, "abcd");
    EXPECT_EQ(c.str(), " rest");
    EXPECT_FALSE(GetSwitchStrN(c.buf, 'F', small, sizeof small, "longdefault"));
    EXPECT_STREQ(small, "long");
}

TEST(Strings, Trimming)
{
    Line a(" \t\x01 ab c \r\n\xC8");
    EXPECT_EQ(std::string(Trim(a.buf)), "ab c");
    Line b("  x  ");
    EXPECT_EQ(std::string(TrimL(b.buf)), "x  ");
    Line c("\xE9t\xE9");
    EXPECT_EQ(std::string(TrimAscii(c.buf)), "t"); // bytes 128-255 are blanks
    Line d("   ");
    EXPECT_EQ(std::string(Trim(d.buf)), "");
    EXPECT_EQ(Trim(nullptr), nullptr);
}

TEST(Strings, FirstWord)
{
    char w[64];
    Line a("  copy  a.zbx b.zbx ");
    EXPECT_STREQ(GetAndRemoveFirst(w, a.buf), "copy");
    EXPECT_EQ(a.str(), "a.zbx b.zbx ");
    Line b("x , y");
    EXPECT_STREQ(GetAndRemoveFirst(w, b.buf), "x ,");
    EXPECT_EQ(b.str(), "y");
    Line c("");
    EXPECT_STREQ(GetAndRemoveFirst(w, c.buf), "");
    Line d("\"my file.zs\"  /D1 ");
    EXPECT_STREQ(GetAndRemoveFirstQuoted(w, d.buf), "my file.zs");
    EXPECT_EQ(d.str(), "/D1");
    Line e("\"no close here");
    EXPECT_STREQ(GetAndRemoveFirstQuoted(w, e.buf), "\"no");
    EXPECT_EQ(e.str(), "close here");
    Line f("plain rest ");
    EXPECT_STREQ(GetAndRemoveFirstQuoted(w, f.buf), "plain");
    EXPECT_EQ(f.str(), "rest");
    // The destination may be the text itself.
    Line g("one two");
    EXPECT_STREQ(GetAndRemoveFirst(g.buf, g.buf), "one");
}

TEST(Strings, QuotesNumbersAndSearch)
{
    Line a("  \"quoted text\" ");
    EXPECT_STREQ(RemoveQuotes(a.buf), "quoted text");
    Line b("\"");
    EXPECT_STREQ(RemoveQuotes(b.buf), "\"");
    Line c("\"\"");
    EXPECT_STREQ(RemoveQuotes(c.buf), "");
    Line d("\"half");
    EXPECT_STREQ(RemoveQuotes(d.buf), "\"half");

    char n[16];
    char *end = u32toa(n, 4294967295u);
    EXPECT_STREQ(n, "4294967295");
    EXPECT_EQ(end, n + 10);
    EXPECT_EQ(*u32toa(n, 0), '\0');
    EXPECT_STREQ(n, "0");
    EXPECT_EQ(atou32("12345xyz"), 12345u);
    EXPECT_EQ(atou32("x1"), 0u);
    EXPECT_EQ(atou32(nullptr), 0u);

    const char *t = "a:b:c";
    EXPECT_EQ(findchar(t, ':'), t + 1);
    EXPECT_EQ(findchar(t, '/'), nullptr);
    EXPECT_EQ(findchar(t, 0), nullptr);
}

TEST(Strings, ElapsedTime)
{
    char t[64];
    EXPECT_STREQ(GetElapsedTime(t, 1), "1 millisecond");
    EXPECT_STREQ(GetElapsedTime(t, 0), "0 milliseconds");
    EXPECT_STREQ(GetElapsedTime(t, 999), "999 milliseconds");
    EXPECT_STREQ(GetElapsedTime(t, 1000), "1 second");
    EXPECT_STREQ(GetElapsedTime(t, 59999), "59 seconds");
    EXPECT_STREQ(GetElapsedTime(t, 61000), "1 minute 1 second");
    EXPECT_STREQ(GetElapsedTime(t, 125000), "2 minutes 5 seconds");
    EXPECT_STREQ(GetElapsedTime(t, 7260000), "2 hours 1 minute");
    EXPECT_STREQ(GetElapsedTime(t, 3600000), "1 hour 0 minutes");
    EXPECT_STREQ(GetElapsedTime(t, 4294967295u), "1193 hours 2 minutes");
}

TEST(Strings, FrameRates)
{
    EXPECT_EQ(MakeFrameRate(15), 6666);
    EXPECT_EQ(MakeFrameRate(-100), 10000);
    EXPECT_EQ(MakeFrameRate(-20000), 20000);
    EXPECT_EQ(MakeFrameRate(30000), 5);
    EXPECT_EQ(MakeFrameRate(0), 0);
    EXPECT_EQ(MakeFrameRate(-1500), 150000);
    EXPECT_EQ(MakeFrameRate(-1501), 1501);
    EXPECT_EQ(MakeFrameRate(-1), 100);
    EXPECT_EQ(MakeFrameRate(INT32_MIN), INT32_MAX);
}

} // namespace

namespace {

// A scratch tree with a few directories, removed at the end of the test.
struct ScratchTree {
    ScratchTree()
    {
        char pattern[] = "/tmp/zorb_switch_XXXXXX";
        root = ::mkdtemp(pattern);
        std::string cmd = "mkdir -p '" + root + "/s1/a' '" + root + "/pal'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    ~ScratchTree() { std::system(("rm -rf '" + root + "'").c_str()); }
    std::string root;
};

} // namespace

TEST(Switches, FileNamesKeepTheirSlashes)
{
    ScratchTree t;
    // "/s1" and "/a" inside paths are not the switches S1 and A.
    std::string text = t.root + "/s1/in.wav " + t.root + "/s1/a/out.zbx /S5/A/K0 rel/s2/x.bmp";
    Line l(text.c_str());
    EXPECT_EQ(GetSwitchNum(l.buf, 'S', 0), 5);
    EXPECT_TRUE(GetSwitch(l.buf, 'A'));
    EXPECT_EQ(GetSwitchNum(l.buf, 'K', 9), 0);
    EXPECT_EQ(GetSwitchNum(l.buf, 'S', 0), 0);
    EXPECT_FALSE(GetSwitch(l.buf, 'A'));
    EXPECT_EQ(l.str(), t.root + "/s1/in.wav " + t.root + "/s1/a/out.zbx  rel/s2/x.bmp");

    // A text value may be a path; glued switches still end at their slash.
    std::string pal = t.root + "/pal/my.pal";
    std::string withValue = "in.bmp /&" + pal + " /Tname/N5";
    Line v(withValue.c_str());
    char value[256];
    EXPECT_TRUE(GetSwitchStr(v.buf, '&', value, ""));
    EXPECT_EQ(std::string(value), pal);
    EXPECT_TRUE(GetSwitchStr(v.buf, 'T', value, ""));
    EXPECT_EQ(std::string(value), "name");
    EXPECT_EQ(GetSwitchNum(v.buf, 'N', 0), 5);
    EXPECT_EQ(v.str(), "in.bmp  ");
}

// End-to-end: zorbscw runs scripts written into a private directory; the
// results are read back from the files the scripts write, the trace file,
// standard error and the exit status.
#include <sstream>

#include "tests/script/script_fixture.h"
#include "tests/support/link_server.h"
#include "tests/support/run_tool.h"

namespace {

using namespace script_test;

// A script, what it must leave in out.txt (lines end with CR LF), its exit
// status and a piece of its standard error.
struct Case {
    const char *name;
    const char *script;
    const char *out;
    int status;
    const char *err;
};

std::string Lines(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

const Case kCases[] = {
    {"expansion_and_if",
     "VARSET a 5\nVARSET b 'x%a%y'\nIF 1 = 1 VARSET c 5 ; VARSET d 6\nIF 1 = 2 VARSET e 5 ; VARSET f 6\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%b%|%c%|%d%|%e%|%f%'\n",
     "x5y|5|6||\n", 0, ""},
    {"compute",
     "COMPUTE a = 7 / 0\nCOMPUTE b = -7 % 3\nCOMPUTE c = 5 -3\nCOMPUTE d 2147483647 + 1\nCOMPUTE e = -2147483648 / -1\n"
     "COMPUTESQRT f 15\nCOMPUTESQRT g 4294967295\nCOMPUTESQRT h 24\nCOMPUTEABS i -9\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%a% %b% %c% %d% %e% %f% %g% %h% %i%'\n",
     "0 -1 2 -2147483648 -2147483648 4 65536 5 9\n", 0, ""},
    {"compare",
     "IFSET 'abc' = 'ABC' a 1 0\nIFSET 'abc' @= 'ABC' b 1 0\nIFSET 10 > 9 c 1 0\nIFSET '10' > '9a' d 1 0\n"
     "IFSET 1 'foo' 1 e 1 0\nFILECREATE o 'out.txt'\nFILEWRITE o '%a%%b%%c%%d%%e%'\n",
     "10100\n", 0, ""},
    {"names_any_case_and_every_operator",
     "VARSET abc 'x1'\nVARSET  AbC  'x2'\nVARSET Other 'y'\nCOMPUTE cnt = 5 + 1\nIFSET 3 >= 3 g 1 0\nIFSET 2 <= 1 l 1 "
     "0\n"
     "IFSET 1 <> 2 n 1 0\nIFSET 1 <>= 1 q 1 0\nIFSET 'b' >= 'A' s 1 0\nFILECREATE o 'out.txt'\n"
     "FILEWRITE o '%ABC% %abc% %CNT% %oTHER% %g%%l%%n%%q%%s%'\n",
     "x2 x2 6 y 10101\n", 0, ""},
    {"push_pop",
     "VARSET a 1\nVARSET b 2\nVARPUSH a b\nVARSET a 9\nVARSET b ''\nVARSET c 3\nVARPOP\nVARPOP\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%a% %b% %c%'\n",
     "1 2 3\n", 0, ""},
    {"labels",
     "FILECREATE o 'out.txt'\nGOTO 'L'\n:L\nFILEWRITE o 'first'\n:l # later one\nFILEWRITE o 'second'\n: L\n"
     "FILEWRITE o 'blank'\nSTRISLABEL a ' L'\nSTRISLABEL b 'l'\nFILEWRITE o '%a%%b%'\n",
     "second\nblank\n11\n", 0, ""},
    {"gosub_depth",
     "VARSET n 0\nGOSUB 'DEEP'\nFILECREATE o 'out.txt'\nFILEWRITE o '%n%'\nEND\n"
     ":DEEP\nCOMPUTE n = n + 1\nIF n < 63 GOSUB 'DEEP'\nRETURN\n",
     "63\n", 0, ""},
    {"gosub_overflow", "VARSET n 0\n:DEEP\nCOMPUTE n = n + 1\nGOSUB 'DEEP'\n", nullptr, 1,
     "Too many GOSUBs.  In script file: t.zs  At line number: 4.\n"},
    {"unknown_keyword_stops_before_running",
     "FILECREATE o 'out.txt'\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\nFOO bar\n",
     nullptr, 1, "Error:  Bad script command:\n    FOO bar\n  In script file: t.zs  At line number: 40.\n"},
    {"leftover_parameters", "DEBUGFILE 'trace.txt'\nVARSET a 1 2\n", nullptr, 1,
     "Bad script command:\n    VARSET a 1 2\n  In script file: t.zs  At line number: 2.\n"},
    {"percent_outside_quotes", "VARSET a 5\nVARSET b %a%\n", nullptr, 1, "Bad script command:\n    VARSET b %a%\n"},
    {"goto_undefined_variable", "GOTO END\n:END\n", nullptr, 1,
     "Needed a non-empty parameter in command:\n    GOTO END\n"},
    {"label_not_found", "GOTO 'nowhere'\n", nullptr, 1, "Label not found:\n    NOWHERE\n"},
    {"number_needed", "COMPUTE a = 1 + x\n", nullptr, 1, "Needed a number in command:\n    COMPUTE a = 1 + x\n"},
    {"unknown_operator", "COMPUTE a = 1 '!' 2\n", nullptr, 1, "Unknown operator in command:"},
    {"compute_without_operator", "COMPUTE a = 1\n", nullptr, 1, "Needed a parameter in command:"},
    {"varfree_bad_name_stops", "VARFREE a $\n", nullptr, 1, "Needed a variable in command:\n    VARFREE a $\n"},
    {"strings",
     "STRPIECE a 2 3 'abcdef'\nSTRPIECE b 9 1 'abc'\nSTRLPAD c 5 'ab'\nSTRRPAD d 5 'ab'\nSTRLPADZERO e 4 7\n"
     "VARSET rest 'x,y,z'\nSTRFIRST f rest ','\nSTRFIND g 1 'CD' 'abcdef'\nSTRFIND h 0 'CD' 'abcdef'\n"
     "STRREPEAT i 65 3\nSTRREPEAT j '*' 2\nSTRUCASE k 'aB1'\nSTRLENGTH l 'four'\nSTRISNUMERIC m '-12'\n"
     "STRISLABEL n 'here'\nSTRTRIM p '  q  '\nSTRADDBACKSLASH q 'dir'\n:HERE\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%a%|%b%|%c%|%d%|%e%|%f%|%rest%|%g%|%h%|%i%|%j%|%k%|%l%|%m%|%n%|%p%|%q%'\n",
     "bcd||   ab|ab   |0007|x|y,z|3|0|AAA|**|AB1|4|1|1|q|dir/\n", 0, ""},
    {"random",
     "RANDOMIZE 7\nRANDOM a 0\nRANDOM b 1\nRANDOM c 1\nRANDOM d 1\nFILECREATE o 'out.txt'\n"
     "IFSET b < 2 e 'ok' 'bad'\nFILEWRITE o '%a% %e%'\n",
     "0 ok\n", 0, ""},
    {"files",
     "FILECREATE w 'data.txt'\nFILEWRITE w 'abc'\nFILEWRITE w ''\nFILECLOSE w\n"
     "FILESIZE s 'data.txt'\nFILEOPEN r 'DATA.TXT'\nFILEREAD a r\nFILEREAD b r\nFILEEOF e r\nFILEREAD c r\n"
     "FILEEXISTS x 'Data.Txt'\nFILEEXISTS y 'none.txt'\nFILECOPY z 'data.txt' 'data.txt'\nFILECOPY k 'data.txt' "
     "'copy.txt'\n"
     "FILEAPPEND w 'copy.txt'\nFILEWRITE w 'more'\nFILECLOSE w\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%s%|%a%|%b%|%e%|%c%|%x%%y%|%z%|%k%|%r%|%w%'\n",
     "7|abc||1||10|0|1|5000|\n", 0, ""},
    {"push_stack_full", "STRREPEAT a 'y' 700\n:L\nVARPUSH a a\nGOTO 'L'\n", nullptr, 1,
     "Too many variables pushed in command:\n    VARPUSH a a\n"},
    // 45 values of 700 bytes fit in the 32768-byte store; the 46th is an error.
    {"store_full_is_an_error",
     "FILECREATE o 'out.txt'\nSTRREPEAT big 'v' 700\nVARSET n 0\n:L\nCOMPUTE n = n + 1\nINTERPRET 'VARSET v%n% big'\n"
     "FILEWRITE o n\nGOTO 'L'\n",
     "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\n21\n22\n23\n24\n25\n26\n27\n"
     "28\n29\n30\n31\n32\n33\n34\n35\n36\n37\n38\n39\n40\n41\n42\n43\n44\n45\n",
     1, "Too many variables.  In script file: t.zs  At line number: 6.\n"},
    {"growing_value_past_the_limit",
     "STRREPEAT big 'v' 700\nVARSET n 0\n:MAKE\nCOMPUTE n = n + 1\nINTERPRET 'VARSET g%n% 1'\nIF n < 50 GOTO 'MAKE'\n"
     ":GROW\nCOMPUTE n = n - 1\nINTERPRET 'VARSET g%n% big'\nGOTO 'GROW'\n",
     nullptr, 1, "Too many variables.  In script file: t.zs  At line number: 9.\n"},
    // Deleting and re-creating many variables keeps the values (the index
    // follows the entries), names found in any case.
    {"many_variables",
     "VARSET n 0\n:MAKE\nCOMPUTE n = n + 1\nINTERPRET 'VARSET x%n% %n%'\nIF n < 300 GOTO 'MAKE'\n"
     "VARSET n 0\n:DROP\nCOMPUTE n = n + 2\nINTERPRET \"VARSET X%n% ''\"\nIF n < 300 GOTO 'DROP'\n"
     "VARSET x2 'back'\nVARSET n 0\nVARSET t 0\n:SUM\nCOMPUTE n = n + 1\nINTERPRET 'VARSET w x%n%'\n"
     "IFSET w = '' e 0 1\nCOMPUTE t = t + e\nIF n < 300 GOTO 'SUM'\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%t% %x1% %X299% %x2% [%x4%]'\n",
     "151 1 299 back []\n", 0, ""},
    // A line read over and over sees its variable defined, changed between
    // text and number, deleted, pushed and popped in between.
    {"variable_changes_inside_a_loop",
     "FILECREATE o 'out.txt'\nVARSET n 0\n:L\nCOMPUTE n = n + 1\nIF n = 2 VARSET v 'text'\nIF n = 3 VARFREE v\n"
     "IF n = 4 COMPUTE v = 40 + 2\nIF n = 5 VARPUSH v ; VARSET v 'pushed'\nIF n = 6 VARPOP\nIF n = 7 VARSET v 12abc\n"
     "IFSET v < 50 w 'lt' 'ge'\nSTRLENGTH l v\nFILEWRITE o '%n% [%v%] %w% %l%'\nIF n < 7 GOTO 'L'\n",
     "1 [] lt 0\n2 [text] ge 4\n3 [] lt 0\n4 [42] lt 2\n5 [pushed] ge 6\n6 [42] lt 2\n7 [12abc] lt 5\n", 0, ""},
    // Numbers computed keep the text form "%i" wherever a text is read.
    {"computed_numbers_as_text",
     "COMPUTE a = 0 - 2147483647\nCOMPUTE a = a - 1\nCOMPUTE b = 9 + 1\nCOMPUTE c = 99999 * 10\nVARSET d a\n"
     "STRLENGTH e a\nIFSET a = '-2147483648' f 1 0\nIFSET b @= '10' g 1 0\nIFSET b @< '9x' h 1 0\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%a% %b% %c% %d% %e% %f%%g%%h%'\nFILEWRITE o b\n",
     "-2147483648 10 999990 -2147483648 11 111\n10\n", 0, ""},
    // A file called again is read again: its new text runs, not the old one's.
    {"called_file_read_again",
     "FILECREATE s 'sub.zs'\nFILEWRITE s 'VARSET r 1'\nFILECLOSE s\nCALL 'sub'\nVARSET first r\n"
     "FILECREATE s 'sub.zs'\nFILEWRITE s 'VARSET r 2'\nFILECLOSE s\nCALL 'sub'\n"
     "FILECREATE o 'out.txt'\nFILEWRITE o '%first% %r%'\n",
     "1 2\n", 0, ""},
    {"file_errors_flush_first", "FILECREATE o 'out.txt'\nFILEWRITE o 'kept'\nFILEWRITE 5063 'x'\n", "kept\n", 1,
     "Bad file parameter:\n    FILEWRITE 5063 'x'\n"},
};

TEST_F(ScriptRun, Cases)
{
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir_ / "out.txt");
        const Result r = Script(c.script);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.out) {
            EXPECT_EQ(Read("out.txt"), Lines(c.out));
        }
        if (*c.err) {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.err.find("Error:"), std::string::npos) << r.err;
        }
    }
}

TEST_F(ScriptRun, TraceFile)
{
    const Result r = Script("DEBUGFILE 'trace.txt'\nVARSET a 1 ; IF a = 1 VARSET b 2\nGOSUB 'S'\nVARSET a 1 2\n"
                            ":S\nDEBUGTEXT 'note'\nRETURN\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Read("trace.txt"), "\r\n"
                                 "  2:      VARSET a 1 ; IF a = 1 VARSET b 2  ***A=\"1\"\r\n"
                                 "   -> 2:      IF a = 1 VARSET b 2  ***True \r\n"
                                 "   -> 2:      VARSET b 2  ***B=\"2\"\r\n"
                                 "  3:      GOSUB 'S'\r\n\r\n"
                                 "    6:      DEBUGTEXT 'note'\r\nnote\r\n\r\n"
                                 "    7:      RETURN \r\n\r\n"
                                 "  4:      VARSET a 1 2  ***A=\"1\"\r\n"
                                 "\r\n  Bad script command:\r\n    VARSET a 1 2\r\n\r\n");
}

TEST_F(ScriptRun, LongTextsAndSelfReference)
{
    // Expansion results are cut at 767 characters; a value that refers to
    // itself stops expanding instead of looping.
    Write("ref.txt", "%q%\n");
    const Result r = Script("STRREPEAT a 'y' 700\nVARSET b '%a%%a%'\nSTRLENGTH n b\nFILEOPEN r 'ref.txt'\n"
                            "FILEREAD q r\nVARSET c '<%q%>'\nFILECREATE o 'out.txt'\nFILEWRITE o n\nFILEWRITE o c\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "767\r\n<%q%>\r\n");
}

TEST_F(ScriptRun, LongLinesSplit)
{
    // 767 characters are one line; the rest of an 800-character line is the next.
    const std::string first = "VARSET a '" + std::string(757, 'x');
    const Result r = Script(first + "VARSET b 1\nBAD\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Bad script command:\n    BAD \n  In script file: t.zs  At line number: 3."),
              std::string::npos)
        << r.err;
}

TEST_F(ScriptRun, CalledFiles)
{
    Write("Sub/Called.zs", "VARSET c1 1\nRETURN\nVARSET never 1\n");
    Write("exiting.zs", "VARSET c2 1\nEXIT\n");
    Write("ending.zs", "FILEWRITE 5000 'ended'\nEND\n");
    Write("jumper.zs", "GOTO 'OUTER'\n");
    Write("entry.zs", "VARSET c3 start\nRETURN\n:AT\nVARSET c3 'label'\nRETURN\n");
    Result r = Script("FILECREATE o 'out.txt'\nCALL 'sub\\called' ; VARSET after 1\nCALL 'exiting.zs'\n"
                      "CALLANDGOSUB 'entry' 'at'\nFILEWRITE o '%c1%%c2%%after%%never%%c3%'\n"
                      "CALL 'ending'\nFILEWRITE o 'not reached'\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), Lines("111label\nended\n"));

    r = Script(":OUTER\nCALL 'jumper'\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Label not found:\n    OUTER\n  In script file: jumper.zs  At line number: 1."),
              std::string::npos)
        << r.err;

    Write("again.zs", "CALL 'again'\n");
    r = Script("CALL 'again'\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Too many GOSUBs.  In script file: again.zs"), std::string::npos) << r.err;

    r = Script("CALL 'missing'\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error opening script in command:\n    CALL 'missing'\n  In script file: t.zs"),
              std::string::npos)
        << r.err;
}

TEST_F(ScriptRun, WildcardsAndNames)
{
    Write("a.txt", "1");
    Write("B.TXT", "22");
    Write("keep.dat", "3");
    Write("Dir/x.txt", "4");
    fs::create_directories(dir_ / "copies");
    const Result r2 =
        Script("FILERENAME a '*.txt' '*.bak'\nFILECOPY b 'dir\\*.*' 'copies\\'\nFILEFIND c 'copies'\nFILEFINDNEXT d\n"
               "FILEDELETE e 'keep.dat'\nFILETEMP f 'dir\\abcdef'\nFILEGETATTRIB g 'dir'\n"
               "FILEGETATTRIB h 'a.bak'\nDIREXISTS i 'DIR'\nDIRMAKE j 'copies2'\nDIRREMOVE k 'copies2'\n"
               "FILECREATE o 'out.txt'\nFILEWRITE o '%a% %b% %c% [%d%] %e% %g% %h% %i%%j%%k%'\n"
               "FILEWRITE o f\n");
    EXPECT_EQ(r2.status, 0) << r2.err;
    EXPECT_TRUE(fs::exists(dir_ / "a.bak"));
    EXPECT_TRUE(fs::exists(dir_ / "B.bak"));
    EXPECT_FALSE(fs::exists(dir_ / "keep.dat"));
    EXPECT_EQ(Read("copies/x.txt"), "4");
    const std::string out = Read("out.txt");
    EXPECT_EQ(out.substr(0, out.find('\r')), "1 1 copies/x.txt [] 1 16 32 111");
    const std::string temp = out.substr(out.find('\n') + 1);
    EXPECT_EQ(temp.rfind("Dir/abcs", 0), 0u) << temp;
}

TEST_F(ScriptRun, ProgramRules)
{
    Result r = Run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: zorbscw"), std::string::npos);
    r = Run(""); // no autoexec.zs: the usage box
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Syntax:  ZorbScr  <Zorblax Script[.zs]>"), std::string::npos) << r.err;
    r = Run("/x");
    EXPECT_EQ(r.status, 2);
    // Unknown switches before the script name: usage, status 2; after it
    // they are the script's arguments.
    for (const char *bad : {"--bogus", "-x", "--bogus t.zs", "--unattended -q"}) {
        r = Run(bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("unknown switch -"), std::string::npos) << bad << ": " << r.err;
        EXPECT_NE(r.err.find("usage: zorbscw"), std::string::npos) << bad << ": " << r.err;
    }
    // The name actually tried, and why it failed.
    r = Run("missing");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error opening missing.zs: no such file or directory\n"), std::string::npos) << r.err;
    fs::create_directories(dir_ / "folder.zs");
    r = Run("folder");
    EXPECT_NE(r.err.find("Error opening folder.zs: is a directory\n"), std::string::npos) << r.err;
    if (::geteuid() != 0) {
        Write("locked.zs", "VARSET a 1\n");
        fs::permissions(dir_ / "locked.zs", fs::perms::none);
        r = Run("locked.zs");
        EXPECT_NE(r.err.find("Error opening locked.zs: permission denied\n"), std::string::npos) << r.err;
    }
    Write("args.zs", "SYSTEMCOMMANDLINE c\nFILECREATE o 'out.txt'\nFILEWRITE o c\n");
    r = Run("--unattended args -x --bogus");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "-x --bogus\r\n");
    Write("autoexec.zs", "FILECREATE o 'out.txt'\nSYSTEMCOMMANDLINE c\nSYSTEMPLATFORM p\nFILEWRITE o '%c%|%p%'\n");
    r = Run("");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "|Win32\r\n");
    r = Run((dir_ / "autoexec.zs").string() + " one two"); // a full path is a name, not a switch
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "one two|Win32\r\n");
}

// The program starts without SDL (and the libraries it brings) and loads it
// when a script first needs it: a run that only computes does not load it,
// one that opens a window does.
TEST_F(ScriptRun, LoadsSdlWhenFirstNeeded)
{
    EXPECT_EQ(zorb::test::ShellOutput("readelf -d '" + kZorbscw + "'").find("libSDL2"), std::string::npos);
    Write("plain.zs", "VARSET a 1\n");
    Write("window.zs", "SCREENGRAPHICS ok 64 48\nSCREENCLEAR 1\n");
    auto loads = [&](const char *script) {
        return zorb::test::ShellOutput("cd '" + dir_.string() +
                                       "' && LD_DEBUG=files SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy '" + kZorbscw +
                                       "' --unattended " + script + " 2>&1")
                   .find("libSDL2") != std::string::npos;
    };
    EXPECT_FALSE(loads("plain.zs"));
    EXPECT_TRUE(loads("window.zs"));
}

TEST_F(ScriptRun, ReportsToTheFrontEnd)
{
    zorb::test::LinkServer frontEnd;
    const Result r = Script("VARSET a 1\n", "/#" + std::to_string(frontEnd.frontEnd()));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(frontEnd.waitForMessages(3, 5000));
    const auto messages = frontEnd.messages();
    EXPECT_EQ(messages[1].code, 10019u);
    EXPECT_EQ(messages.back().code, 4660u);
    EXPECT_EQ(messages.back().text().rfind("ZorbScript - V3.1n  ", 0), 0u);
    EXPECT_EQ(r.err.find("ZorbScript - V3.1n:"), std::string::npos) << "no closing box under the front end";
}

TEST_F(ScriptRun, SystemAndNotBuilt)
{
    Result r = Script("EXECUTE a 'true'\nEXECUTE b 'no-such-program-zorb'\nDRIVEAVAIL c '/'\nSYSTEMDATETIME d '^H:^M'\n"
                      "SOUND 440 30\nMCISENDSTRING e 'open none.wav alias s'\nMCISENDSTRING f 'seek s to 0'\n"
                      "FILECREATE o 'out.txt'\nFILEWRITE o '%a% %b%'\nFILEWRITE o c\nFILEWRITE o d\n"
                      "FILEWRITE o e\nFILEWRITE o f\n");
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream out(Read("out.txt"));
    std::string line;
    std::getline(out, line);
    EXPECT_EQ(line, "33 2\r");
    std::getline(out, line);
    EXPECT_GT(line.size(), 1u);
    EXPECT_EQ(line.find_first_not_of("0123456789\r"), std::string::npos) << line;
    std::getline(out, line);
    EXPECT_TRUE(line.size() == 6 && line[2] == ':') << line;
    std::getline(out, line);
    EXPECT_EQ(line.rfind("Error: ", 0), 0u) << line;
    std::getline(out, line);
    EXPECT_EQ(line.rfind("Error: ", 0), 0u) << line;

    r = Script("ANIMATIONOPEN a 'x.zbx'\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Needed a number in command:\n    ANIMATIONOPEN a 'x.zbx'\n"), std::string::npos);
    r = Script("VARLIST\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("A window hasn't been created yet (use ScreenGraphics first)."), std::string::npos);
}

} // namespace

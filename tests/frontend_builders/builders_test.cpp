// Switch strings of every tool tab, the selection processing and
// "--print-command", table-driven.
#include "frontend/core/selection.h"
#include "frontend/core/toolcommands.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>

using namespace zfront;

namespace {

using namespace toolcmd;

struct Case {
    const char *what;
    std::function<void(Settings &)> set;
    const char *expected;
};

// The compressor's cases start from a tab with nothing set and key frames at
// "to a specific data rate." with an empty value, so each case shows only
// what it sets.
Settings quietZorb()
{
    Settings s;
    s.zorb.KeyCompressType = 0;
    s.zorb.KeyRate.clear();
    s.zorb.NormalRate.clear();
    s.zorb.AutoKeyFrame.clear();
    return s;
}

TEST(Builders, Compressor)
{
    const Case cases[] = {
        {"nothing", [](Settings &) {}, "/L0 "},
        {"data rate, lossless keys, auto-key, lossy 0",
         [](Settings &s) {
             s.zorb.NormalRate = "240000";
             s.zorb.KeyCompressType = 4;
             s.zorb.AutoKeyFrame = "95";
         },
         "/N240000/K0/A95/L0 "},
        {"% of its size", [](Settings &s) { s.zorb.RegularCompressType = 2, s.zorb.NormalFramePerc = "80"; },
         "/N-480/L0 "},
        {"% of the average frame", [](Settings &s) { s.zorb.RegularCompressType = 1, s.zorb.NormalFilePerc = "75x"; },
         "/N-75/L0 "},
        {"total error", [](Settings &s) { s.zorb.KeyCompressType = 3, s.zorb.KeyErrorPerc = " 20 "; }, "/K20/L0 "},
        {"percentage without digits", [](Settings &s) { s.zorb.RegularCompressType = 2, s.zorb.NormalFramePerc = " "; },
         "/L0 "},
        {"auto-key digits only", [](Settings &s) { s.zorb.AutoKeyFrame = "95 %"; }, "/A95/L0 "},
        {"no sound suppresses R B C",
         [](Settings &s) {
             s.zorb.NoSound = true;
             s.zorb.LossySound = 5;
             s.zorb.Rate = 2, s.zorb.Quality = 2, s.zorb.Channels = 1;
         },
         "/L-1 "},
        {"sound options",
         [](Settings &s) {
             s.zorb.LossySound = 5;
             s.zorb.Rate = 3, s.zorb.Quality = 2, s.zorb.Channels = 1;
         },
         "/L5 /R44100/B16/C1"},
        {"typed rate", [](Settings &s) { s.zorb.Rate = 4, s.zorb.RateNum = " 8000 "; }, "/L0 /R8000"},
        {"typed rate empty", [](Settings &s) { s.zorb.Rate = 4; }, "/L0 "},
        {"checks need values and checks",
         [](Settings &s) {
             s.zorb.KeyFrames = true, s.zorb.KeyFramesNum = "10";
             s.zorb.Start = true, s.zorb.StartNum = "";
             s.zorb.EndNum = "99"; // not checked
             s.zorb.FrameRate = true, s.zorb.FrameRateNum = "-66";
             s.zorb.X = s.zorb.Y = s.zorb.W = s.zorb.H = true;
             s.zorb.XNum = "1", s.zorb.YNum = "2", s.zorb.WNum = "3", s.zorb.HNum = "4";
         },
         "/J10/F-66/X1/Y2/W3/H4/L0 "},
        {"flags and palette in order",
         [](Settings &s) {
             s.zorb.YScale = 2;
             s.zorb.MixOriginal = s.zorb.EveryOther = s.zorb.Ring = s.zorb.Overwrite = true;
             s.zorb.PaletteColors = true, s.zorb.PaletteColorsNum = "236";
             s.zorb.PaletteStart = true, s.zorb.PaletteStartNum = "10";
             s.zorb.Halftone = 1, s.zorb.PaletteControl = 2, s.zorb.WindowsColors = 1;
             s.zorb.PaletteEvery = true, s.zorb.PaletteEveryNum = "30";
         },
         "/Z2/M/V/G/L0 /Q236/I10/T1/P2/D1/U30/O"},
        {"search effort last, the default writes none",
         [](Settings &s) {
             s.zorb.Overwrite = true;
             s.zorb.Effort = 10;
         },
         "/L0 /O/+9"},
        {"search effort 0", [](Settings &s) { s.zorb.Effort = 1; }, "/L0 /+0"},
        {"default palette text gives no &", [](Settings &s) { s.zorb.PaletteFile = "The INPUT FILE."; }, "/L0 "},
        {"palette file elsewhere with a space, quoted", [](Settings &s) { s.zorb.PaletteFile = "/pal dir/my pal.bmp"; },
         "/L0 /&\"/pal dir/my pal.bmp\""},
        {"palette file in the browser's directory, bare",
         [](Settings &s) { s.zorb.PaletteFile = "/work/clips/pal.bmp"; }, "/L0 /&pal.bmp"},
    };
    for (const Case &c : cases) {
        Settings s = quietZorb();
        c.set(s);
        EXPECT_EQ(zorbSwitches(s.zorb, "/work/clips").toStdString(), c.expected) << c.what;
    }
    // The defaults of a first start.
    EXPECT_EQ(zorbSwitches(Settings().zorb, "/"), "/N240000/K20/A95/L0 ");
}

TEST(Builders, Player)
{
    const Case cases[] = {
        {"defaults", [](Settings &) {}, ""},
        {"320x200 interlaced", [](Settings &s) { s.play.Display = 2, s.play.Stretch = 1; }, "/V130"},
        {"no blit acceleration",
         [](Settings &s) { s.play.Display = 2, s.play.Stretch = 1, s.play.DirectDrawOff = true; }, "/V386"},
        {"tracks 1 and 2", [](Settings &s) { s.play.Tracks = 3; }, "/T3"},
        {"no tracks", [](Settings &s) { s.play.Tracks = 0; }, "/T0"},
        {"loop forever", [](Settings &s) { s.play.Loop = true; }, "/L"},
        {"loop and rate numbers",
         [](Settings &s) { s.play.Loop = s.play.FrameRate = true, s.play.LoopNum = " 3", s.play.FrameRateNum = "15"; },
         "/L3/F15"},
        {"fast", [](Settings &s) { s.play.FrameRate = true; }, "/F"},
        {"every switch in order",
         [](Settings &s) {
             auto &p = s.play;
             p.Preload = p.ShowSummary = p.NoFrameDrop = true;
             p.X = p.Y = p.W = p.H = true;
             p.XNum = "1", p.YNum = "2", p.WNum = "3", p.HNum = "4";
             p.SoundOnly = p.DoubleBuffer = true;
             p.Style = 4;
             p.NoClear = true;
             p.NoRemap = 2;
             p.LoadExtra = p.DeltasOnly = p.NoPause = p.DirectSound = p.ShowFrames = p.MMXOff = true;
             p.Display = 4;
             p.Use = 3;
             p.Tracks = 64;
             p.DisabledControls = 7;
             p.YScale = 1;
             p.Simulate = true, p.SimulateNum = "150000";
             p.ExtraMem = true, p.ExtraMemNum = "";
         },
         "/P/S/N/X1/Y2/W3/H4/O/B/I4/C/R2/G/K/J/Z/Q/@/V4/D3/T64/U7/A1/M150000"},
    };
    for (const Case &c : cases) {
        Settings s;
        c.set(s);
        EXPECT_EQ(playSwitches(s.play).toStdString(), c.expected) << c.what;
    }
}

TEST(Builders, MixerGraphicsSound)
{
    const Case mixer[] = {
        {"track 1, lossy 0", [](Settings &) {}, ""},
        {"track 3, lossy 4", [](Settings &s) { s.mix.Track = 3, s.mix.Lossy = 4; }, "/L4/M3"},
        {"everything",
         [](Settings &s) {
             auto &m = s.mix;
             m.FrameRate = m.Start = m.Loop = m.Overwrite = true;
             m.FrameRateNum = "15", m.StartNum = "10";
             m.Rate = 1, m.Quality = 1, m.Channels = 2;
             m.InputTrack = m.InputStart = m.InputEnd = true;
             m.InputTrackNum = "2", m.InputStartNum = "100", m.InputEndNum = "900";
             m.Format = 5, m.ForceRate = "22050", m.SkipIntoNum = "44";
         },
         "/F15/G10/P/O/R11025/B8/C2/T2/S100/E900/Y5/D22050/K44"},
        {"forced rate needs an input type", [](Settings &s) { s.mix.ForceRate = "22050", s.mix.SkipIntoNum = "4"; },
         ""},
    };
    for (const Case &c : mixer) {
        Settings s;
        c.set(s);
        EXPECT_EQ(mixSwitches(s.mix).toStdString(), c.expected) << c.what;
    }

    const Case graphics[] = {
        {"nothing", [](Settings &) {}, ""},
        {"true colour: no Q but A",
         [](Settings &s) {
             s.graphics.PaletteType = 2;
             s.graphics.PaletteColors = true, s.graphics.PaletteColorsNum = "200";
             s.graphics.Halftone = 1, s.graphics.PaletteFile = "/x/pal.bmp";
         },
         "/A"},
        {"palette file only for source 1",
         [](Settings &s) { s.graphics.PaletteType = 0, s.graphics.PaletteFile = "/x/pal.bmp"; }, ""},
        {"everything",
         [](Settings &s) {
             auto &g = s.graphics;
             g.PaletteColors = g.PaletteStart = g.PaletteEvery = true;
             g.PaletteColorsNum = "236", g.PaletteStartNum = "10", g.PaletteEveryNum = "5";
             g.Halftone = 2, g.PaletteControl = 1, g.WindowsColors = 2;
             g.PaletteType = 1, g.PaletteFile = "/x/pal.bmp";
             g.Overwrite = g.FrameRate = g.Start = g.End = true;
             g.FrameRateNum = "12", g.StartNum = "1", g.EndNum = "9";
             g.XOffset = g.YOffset = g.Width = g.Height = true;
             g.XOffsetNum = "1", g.YOffsetNum = "2", g.WidthNum = "3", g.HeightNum = "4";
         },
         "/Q236/I10/T2/P1/D2/U5/&pal.bmp/O/F12/S1/E9/X1/Y2/W3/H4"},
    };
    for (const Case &c : graphics) {
        Settings s;
        c.set(s);
        EXPECT_EQ(graphicsSwitches(s.graphics, "/x").toStdString(), c.expected) << c.what;
    }

    const Case sound[] = {
        {"nothing", [](Settings &) {}, ""},
        {"16 bit mono", [](Settings &s) { s.sound.Quality = 2, s.sound.Channels = 1; }, "/B16/C1"},
        {"everything",
         [](Settings &s) {
             auto &d = s.sound;
             d.Overwrite = d.Track = d.Start = d.End = true;
             d.Rate = 4, d.RateNum = "16000";
             d.TrackNum = "2", d.StartNum = "0", d.EndNum = "500";
             d.InputType = 3, d.ForceRate = "8000", d.SkipBytes = "44";
         },
         "/O/R16000/T2/S0/E500/Y3/D8000/K44"},
    };
    for (const Case &c : sound) {
        Settings s;
        c.set(s);
        EXPECT_EQ(soundSwitches(s.sound).toStdString(), c.expected) << c.what;
    }
}

TEST(Selection, Sequences)
{
    QStringList names;
    for (int i = 5; i <= 12; ++i)
        names << QString("shot%1.bmp").arg(i, 4, 10, QLatin1Char('0'));
    names << "shot0014.bmp"
          << "other0006.bmp"
          << "shot0004.tga";
    selection::Sequence s = selection::findSequence("shot0007.bmp", names);
    ASSERT_TRUE(s.found);
    EXPECT_EQ(s.firstName, "shot0005.bmp");
    EXPECT_EQ(s.lastName, "shot0012.bmp");
    EXPECT_EQ(s.pattern, "shot????.bmp*5-12");
    EXPECT_EQ(QString(selection::SequenceQuestion).arg(s.firstName, s.lastName),
              "This file appears to be part of a sequence of files (shot0005.bmp to shot0012.bmp).\r\n"
              "Do you want to treat the sequence as a single animation?");

    EXPECT_FALSE(selection::findSequence("shot0014.bmp", names).found); // alone
    EXPECT_FALSE(selection::findSequence("nodigits.bmp", names).found);
    // Only the first run of digits counts; it stops at zero and at the width.
    s = selection::findSequence("f1x2.tga", {"f0x2.tga", "f1x2.tga", "f2x2.tga", "f1x3.tga"});
    EXPECT_EQ(s.pattern, "f?x2.tga*0-2");
    s = selection::findSequence("a8.t", {"a7.t", "a8.t", "a9.t", "a10.t"});
    EXPECT_EQ(s.pattern, "a?.t*7-9");
    EXPECT_FALSE(selection::findSequence("a123456789012345678901.t", {"a123456789012345678900.t"}).found);
}

TEST(Selection, NamesOutputsAndBatches)
{
    using namespace selection;
    EXPECT_EQ(commandName("/a/b/c.zbx", "/a/b"), "c.zbx");
    EXPECT_EQ(commandName("/a/b/c.zbx", "/a/b/"), "c.zbx");
    EXPECT_EQ(commandName("/a/b/c.zbx", "/a"), "/a/b/c.zbx");
    EXPECT_EQ(commandName("/a/b b/c.zbx", "/a"), "\"/a/b b/c.zbx\"");
    EXPECT_EQ(commandName("/a/my clip.zbx", "/a"), "\"my clip.zbx\"");

    EXPECT_EQ(distinctOutput("clip.flc", "clip.flc", "New_"), "New_clip.flc");
    EXPECT_EQ(distinctOutput("/d/clip.flc", "/d/CLIP.flc", "new_"), "/d/new_CLIP.flc");
    EXPECT_EQ(distinctOutput("clip.flc", "clip.zbx", "New_"), "clip.zbx");
    EXPECT_EQ(outputFor("/d/clip.flc", "zbx", "New_"), "/d/clip.zbx");
    EXPECT_EQ(outputFor("/d/clip.bmp", "bmp", "New_"), "/d/New_clip.bmp");
    EXPECT_EQ(outputFor("/d/clip.bmp", "", "New_"), "/d/New_clip.bmp");

    EXPECT_EQ(oneByOneBatch("/d", "sndproc", {"/d/a.wav", "/d/b c.voc"}, "wav", "New_", "/O"),
              "CD /d\nsndproc a.wav New_a.wav /O\nsndproc \"b c.voc\" \"b c.wav\" /O\n");

    QString error;
    EXPECT_EQ(writeMemoFile({"", "  \t"}, error), QString());
    const QString memo = writeMemoFile({"50 60 300000 0", "", "1 2 3 4"}, error);
    EXPECT_TRUE(error.isEmpty());
    ASSERT_FALSE(memo.isEmpty());
    QFile f(memo);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "50 60 300000 0\n\n1 2 3 4\n");
    f.remove();

    EXPECT_EQ(zorbCommand("in.flc", "out.zbx", "/N0/L0 ", "/tmp/z.txt"), "zorbc in.flc out.zbx /N0/L0 /@*/tmp/z.txt");
    EXPECT_EQ(zorbCommand("in.flc", "out.zbx", "/L0 /O", "/t t/z.txt"),
              "zorbc in.flc out.zbx /L0 /O \"/@*/t t/z.txt\"");
    EXPECT_EQ(playCommand("\"a b.zbx\"", ""), "zorbplw \"a b.zbx\"");
    EXPECT_EQ(mixCommand("a.zbx", "b.wav", "New_a.zbx", "/L4/M3"), "zorbmix a.zbx b.wav New_a.zbx /L4/M3");
    EXPECT_EQ(scriptCommand("autoexec.zs"), "zorbscw autoexec.zs");
    EXPECT_EQ(compileCommand("/bin/zorbplw", "my show", "demo.zbx", "/L/S"),
              "zbxcompi -s \"/L/S\" /bin/zorbplw \"my show\" demo.zbx");
    EXPECT_EQ(compileCommand("zorbplw", "show", "demo.zbx", ""), "zbxcompi zorbplw \"show\" demo.zbx");
}

TEST(Selection, ViewingByKind)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile program(dir.filePath("tool"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    program.setPermissions(program.permissions() | QFile::ExeOwner);
    const QString d = dir.path();
    EXPECT_EQ(viewCommand(d + "/a.LST", d), "DazuZoza a.LST");
    EXPECT_EQ(viewCommand(d + "/my clip.Zbx", d), "zorbplw \"my clip.Zbx\"");
    // Viewing never runs a file, whatever its name or permissions.
    EXPECT_EQ(viewCommand(d + "/setup.exe", d), "");
    EXPECT_EQ(viewCommand(d + "/tool", "/"), "");
    EXPECT_EQ(viewCommand(d + "/picture.bmp", d), "");
    EXPECT_FALSE(isZorblaxFile(d + "/tool"));
    EXPECT_TRUE(isZorblaxFile(ZORB_BINARY_DIR "/demo/demo.zbx"));
    // Usage errors of --print-command.
    EXPECT_EQ(printCommandMain({"zorb"}, d + "/none.ini"), 2);
    EXPECT_EQ(printCommandMain({"drums", "a"}, d + "/none.ini"), 2);
}

TEST(Selection, PrintCommands)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Settings s;
    s.play.Tracks = 3;
    s.mix.Track = 3, s.mix.Lossy = 4;
    s.sound.Quality = 2, s.sound.Channels = 1;
    s.graphics.OutputType = 1;
    s.zorb.NoSound = true;
    QStringList lines;
    QString error;
    struct {
        const char *tab;
        QStringList files;
        QStringList expected;
    } cases[] = {
        {"player", {"demo.zbx", "/elsewhere/x.zbx"}, {"zorbplw demo.zbx /T3", "zorbplw /elsewhere/x.zbx /T3"}},
        {"zorb", {"clip.flc"}, {"zorbc clip.flc clip.zbx /N240000/K20/A95/L-1"}},
        {"MIXER", {"a.zbx", "b.wav"}, {"zorbmix a.zbx b.wav New_a.zbx /L4/M3"}},
        {"sndproc", {"s.voc"}, {"sndproc s.voc s.wav /B16/C1"}},
        {"pictproc", {"p.bmp"}, {"pictproc p.bmp p.flc"}},
        {"PictProc", {"clip.zbx"}, {"pictproc clip.zbx clip.flc"}},
        {"scriptor", {"my show.zs"}, {"zorbscw \"my show.zs\""}},
    };
    for (const auto &c : cases) {
        // "Output as Input Format" for a Zorblax input: a flic, which the processor writes.
        s.graphics.OutputType = std::string(c.tab) == "PictProc" ? 0 : 1;
        EXPECT_TRUE(printCommands(s, c.tab, c.files, &lines, error)) << c.tab;
        EXPECT_EQ(lines, c.expected) << c.tab << ": " << lines.join(" | ").toStdString();
    }
    EXPECT_FALSE(printCommands(s, "drums", {"a"}, &lines, error));
    EXPECT_FALSE(printCommands(s, "mixer", {"a.zbx"}, &lines, error));
    EXPECT_FALSE(printCommands(s, "player", {}, &lines, error));
    QDir::setCurrent(old);
}

} // namespace

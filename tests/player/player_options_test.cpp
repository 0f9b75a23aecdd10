// The player's command line, file list, summary formats and self-play area.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "player/player.h"

using player::Settings;

namespace {

Settings Parse(std::string line, bool *ok = nullptr, std::string *rest = nullptr)
{
    Settings s;
    bool r = player::ParseSwitches(line, s);
    if (ok)
        *ok = r;
    if (rest)
        *rest = line;
    return s;
}

} // namespace

TEST(PlayerSwitches, LoopCounts)
{
    EXPECT_EQ(Parse("a /L").loopCount, -1);
    EXPECT_EQ(Parse("a /L0").loopCount, 1);
    EXPECT_EQ(Parse("a /l3").loopCount, 3);
    EXPECT_EQ(Parse("a").loopCount, 1);
}

TEST(PlayerSwitches, FrameRates)
{
    Settings s = Parse("a /F");
    EXPECT_EQ(s.frameRate, 0);
    EXPECT_TRUE(s.openFlags & ZORB_OPEN_FRAMERATE_OVERRIDE);
    s = Parse("a /F-1");
    EXPECT_EQ(s.frameRate, -1);
    EXPECT_FALSE(s.openFlags & ZORB_OPEN_FRAMERATE_OVERRIDE);
    s = Parse("a /F15");
    EXPECT_EQ(s.frameRate, 15);
    EXPECT_TRUE(s.openFlags & ZORB_OPEN_FRAMERATE_OVERRIDE);
    EXPECT_EQ(Parse("a /F-66").frameRate, -6600);
    EXPECT_EQ(Parse("a /F-1500").frameRate, -150000);
    EXPECT_EQ(Parse("a /F-1501").frameRate, -1501);
}

TEST(PlayerSwitches, TracksHeightAndVideo)
{
    EXPECT_EQ(Parse("a /T0").openFlags & ZORB_OPEN_TRACKS_MASK, 0u);
    EXPECT_EQ(Parse("a /T5").openFlags & ZORB_OPEN_TRACKS_MASK, (1u << 13) | (1u << 15));
    EXPECT_EQ(Parse("a").openFlags & ZORB_OPEN_TRACKS_MASK, 0xFE000u);
    EXPECT_EQ(Parse("a /A2").openFlags & ZORB_OPEN_HEIGHT_NONE, 0x200000u);
    EXPECT_EQ(Parse("a /A3").openFlags & ZORB_OPEN_HEIGHT_NONE, 0x300000u);
    // A later /A0 would restore the file's own choice: the bits are cleared.
    Settings s;
    std::string line = "a /A2";
    player::ParseSwitches(line, s);
    line = "a /A0";
    player::ParseSwitches(line, s);
    EXPECT_EQ(s.openFlags & ZORB_OPEN_HEIGHT_NONE, 0u);

    s = Parse("a /V129");
    EXPECT_EQ(s.displayFlags & WINDOW_MODE_MASK, 22u);
    EXPECT_TRUE(s.displayFlags & WINDOW_INTERLACED);
    s = Parse("a /V384");
    EXPECT_EQ(s.displayFlags, WINDOW_NO_DIRECT);
    EXPECT_EQ(Parse("a /V4").displayFlags, 25u);
    EXPECT_EQ(Parse("a /I2").displayFlags, 0xC200u);
    EXPECT_EQ(Parse("a /M1000").openFlags & ZORB_OPEN_SIMULATE_READ, ZORB_OPEN_SIMULATE_READ);
    EXPECT_EQ(Parse("a /M0").openFlags & ZORB_OPEN_SIMULATE_READ, 0u);
}

TEST(PlayerSwitches, UnknownAndMalformedSwitchesAskForUsage)
{
    bool ok = true;
    std::string rest;
    Parse("movie /Pfoo", &ok, &rest);
    EXPECT_FALSE(ok);
    Parse("movie /Y", &ok);
    EXPECT_FALSE(ok);
    Settings s = Parse("movie /P /S /J /@ /X10 /Y-5 /U7", &ok, &rest);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(s.openFlags & ZORB_OPEN_PRELOAD);
    EXPECT_TRUE(s.showSummary && s.keepPlayingUnfocused && s.noMMX);
    EXPECT_EQ(s.windowX, 10);
    EXPECT_EQ(s.windowY, -5);
    EXPECT_EQ(s.disabledControls, 7);
    EXPECT_EQ(player::TakeFileName(rest), "movie.Zbx");
    EXPECT_EQ(player::TakeFileName(rest), "");
}

TEST(PlayerSwitches, ReportWindowIsTakenFirst)
{
    std::string line = "a.zbx /#1234 /S";
    EXPECT_EQ(player::TakeReportWindow(line), 1234u);
    EXPECT_EQ(line.find('#'), std::string::npos);
}

TEST(PlayerSwitches, UsageText)
{
    std::string t = player::UsageText();
    EXPECT_EQ(t.rfind("  SYNTAX: ZorbPly <Zorb1 Zorb2...> [/Switches]\n  Switches:\n    /P  \t- Preload", 0), 0u);
    EXPECT_NE(t.find("    /V##\t- Video type: 1=320x240, 2=320x200, 3=Standard, 4=DIBSection.\n"
                     "        \t    Add 128 for interlaced, 256 for smoothing, or 384 for no DirectDraw.\n"),
              std::string::npos);
    EXPECT_EQ(player::UsageTitle().rfind("ZorbPlay  V 3.1n - ", 0), 0u);
}

TEST(PlayerFileList, NamesQuotesAndExtensions)
{
    std::string list = R"(movie  "my film" , dir.x\movie a.b :1234)";
    EXPECT_EQ(player::TakeFileName(list), "movie.Zbx");
    EXPECT_EQ(player::TakeFileName(list), "my film.Zbx");
    EXPECT_EQ(player::TakeFileName(list), "dir.x\\movie.Zbx");
    EXPECT_EQ(player::TakeFileName(list), "a.b");
    EXPECT_EQ(player::TakeFileName(list), ":1234");
    EXPECT_EQ(player::TakeFileName(list), "");
}

TEST(PlayerFileList, CaseInsensitiveMatchOnDisk)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("zorb_case_" + std::to_string(::getpid()));
    fs::create_directories(dir / "Sub");
    std::ofstream(dir / "Sub" / "Movie.zbx") << "x";
    EXPECT_EQ(player::ResolveCaseInsensitive((dir / "sub" / "movie.Zbx").string()),
              (dir / "Sub" / "Movie.zbx").string());
    EXPECT_EQ(player::ResolveCaseInsensitive((dir / "none.Zbx").string()), (dir / "none.Zbx").string());
    fs::remove_all(dir);
}

TEST(PlayerSummary, NumberFormats)
{
    EXPECT_EQ(player::Ratio(100000, 6666), "15.0");
    EXPECT_EQ(player::Ratio(100000, 10000), "10.0");
    EXPECT_EQ(player::Ratio(1000, 3), "333.3");
    EXPECT_EQ(player::Ratio(5, 0), "5.0");
    EXPECT_EQ(player::Elapsed(1), "1 millisecond");
    EXPECT_EQ(player::Elapsed(999), "999 milliseconds");
    EXPECT_EQ(player::Elapsed(2000), "2 seconds");
    EXPECT_EQ(player::Elapsed(61000), "1 minute 1 second");
    EXPECT_EQ(player::Elapsed(125000), "2 minutes 5 seconds");
    EXPECT_EQ(player::Elapsed(3720000), "1 hour 2 minutes");
}

TEST(PlayerSummary, TextForShortFiles)
{
    player::SummaryInput in;
    EXPECT_EQ(player::SummaryText(in), ""); // nothing played
    in.stats[1] = 6666;                     // FramePeriod
    in.stats[3] = 1;                        // FramesDecoded
    in.stats[11] = 1000;                    // WorstFrameMs
    in.stats[13] = 1;
    in.screenColors = 16777216;
    in.displayDescription = "Window";
    std::string t = player::SummaryText(in);
    EXPECT_EQ(t.rfind("  Frame rate: 15.0\n  Frame rate obtained: 1000.0\n", 0), 0u);
    EXPECT_NE(t.find("Percentage spent decompressing: 0.0"), std::string::npos);
    EXPECT_EQ(t.find("Second slowest"), std::string::npos);
    EXPECT_NE(t.find("\n\n  Screen colors: 16777216\n  Display blitter: Window"), std::string::npos);
    in.stats[3] = 2;
    in.stats[1] = 0;
    t = player::SummaryText(in);
    EXPECT_NE(t.find("Second slowest frame: "), std::string::npos);
    EXPECT_EQ(t.rfind("  Frame rate: As fast as possible.", 0), 0u);
}

TEST(PlayerSummary, RateReachedAsFastAsPossible)
{
    uint32_t stats[19] = {};
    EXPECT_EQ(player::FastRateText("a.zbx", stats), "");
    stats[3] = 120; // FramesDecoded
    stats[0] = 48;  // PlayTimeMs
    EXPECT_EQ(player::FastRateText("a.zbx", stats), "a.zbx: 120 frames in 48 milliseconds, 2500.0 frames per second.");
    stats[0] = 0;
    stats[3] = 1;
    EXPECT_EQ(player::FastRateText("b.zbx", stats),
              "b.zbx: 1 frame in 0 milliseconds, 1000.0 frames per second or more.");
}

TEST(PlayerSelfPlay, AreaIsFoundAndEmptyInThePlainPlayer)
{
    EXPECT_EQ(player::EmbeddedCommandLine(), "");
    std::vector<unsigned char> image(1000, 0);
    std::memcpy(image.data() + 100, "SELFPLAY", 8);
    std::memcpy(image.data() + 100 + 216, "ZORBLAX!", 8);
    std::memcpy(image.data() + 10, "SELFPLAY", 8); // a stray marker is not the area
    EXPECT_EQ(player::FindSelfPlayArea(image.data(), image.size()), 100);
    uint64_t off = 0;
    EXPECT_TRUE(player::ParseEmbeddedName(":123456", off));
    EXPECT_EQ(off, 123456u);
    EXPECT_FALSE(player::ParseEmbeddedName(":12a", off));
    EXPECT_FALSE(player::ParseEmbeddedName("movie.zbx", off));
}

TEST(PlayerSwitches, SlashesOfFileNamesAreNotSwitches)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("zorb_slash_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "film.zbx") << "x";
    bool ok = false;
    std::string rest;
    Settings s = Parse("build/demo/demo.zbx /S \"my dir/a b.zbx\" " + (dir / "film").string() + " /L2", &ok, &rest);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(s.showSummary);
    EXPECT_EQ(s.loopCount, 2);
    EXPECT_EQ(player::TakeFileName(rest), "build/demo/demo.zbx");
    EXPECT_EQ(player::TakeFileName(rest), "my dir/a b.zbx");
    EXPECT_EQ(player::TakeFileName(rest), (dir / "film").string() + ".Zbx");
    // A path is a name even when nothing is there; a word that looks like
    // switches is taken as switches.
    Parse("a /nonexistent/film.zbx", &ok, &rest);
    EXPECT_TRUE(ok);
    EXPECT_EQ(player::TakeFileName(rest), "a.Zbx");
    EXPECT_EQ(player::TakeFileName(rest), "/nonexistent/film.zbx");
    s = Parse("a /P/S", &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(s.showSummary && (s.openFlags & ZORB_OPEN_PRELOAD));
    Parse("a /P/Sx", &ok);
    EXPECT_FALSE(ok);
    fs::remove_all(dir);
}

// zbxinfo --json: one JSON object per file that a strict reader accepts, with
// the documented keys and values that agree with the file as generated.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/support/json_value.h"
#include "tests/support/run_tool.h"
#include "tests/support/zbxgen.h"

namespace {

using zorb::test::JsonValue;
using Kind = JsonValue::Kind;

zorb::test::ToolResult Json(const std::string &args)
{
    return zorb::test::RunTool("zbxinfo", "--json " + args);
}

std::string TempPath(const std::string &name)
{
    return ::testing::TempDir() + "zbxinfo_json_" + std::to_string(::getpid()) + "_" + name;
}

// 20 frames of 32 x 16 shown doubled, raw 16-bit stereo sound of 5880 bytes a
// frame in track 3, a ring frame.
zbxgen::Description Movie(int32_t frameRate)
{
    zbxgen::Description d;
    d.width = 32;
    d.height = 16;
    d.frameRate = frameRate;
    d.heightMode = zbxgen::HeightMode::Doubled;
    zbxgen::SoundFormat sound;
    sound.rate = 22050;
    sound.sixteenBit = sound.stereo = true;
    d.tracks[2] = sound;
    zbxgen::Rng rng(5);
    d.frames.resize(20);
    for (zbxgen::Frame &f : d.frames) {
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Full, rng);
        f.sound[2].emplace().pcm = zbxgen::RandomSound(sound, 5880, rng);
    }
    d.frames[0].palette = zbxgen::RandomPalette(rng);
    d.ringFrame = zbxgen::Frame();
    return d;
}

TEST(ZbxInfoJson, DescribesAPacedFileWithSound)
{
    const std::string path = TempPath("paced.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(Movie(-6667), path));
    const auto r = Json("'" + path + "'");
    std::remove(path.c_str());
    ASSERT_EQ(r.status, 0) << r.output;
    JsonValue v;
    ASSERT_TRUE(zorb::test::ParseJson(r.output, v)) << r.output;
    ASSERT_EQ(v.kind, Kind::Object);

    EXPECT_EQ(v["file"].text, path);
    EXPECT_GT(v["size"].number, 0);
    const JsonValue &header = v["header"];
    EXPECT_EQ(header["magic"].text, "ZBX2");
    EXPECT_EQ(header["width"].number, 32);
    EXPECT_EQ(header["height"].number, 16);
    EXPECT_EQ(header["frame_count"].number, 20);
    EXPECT_EQ(header["frame_rate"].number, -6667);
    EXPECT_TRUE(header["ring_frame"].boolean);
    EXPECT_EQ(v["width"].number, 32);
    EXPECT_EQ(v["height"].number, 32);
    EXPECT_EQ(v["height_mode"].text, "doubled");
    EXPECT_EQ(v["frames"].number, 20);
    EXPECT_EQ(v["table_frames"].number, 21);
    EXPECT_DOUBLE_EQ(v["frames_per_second"].number, 14.999);
    EXPECT_DOUBLE_EQ(v["frame_time_ms"].number, 66.67);
    EXPECT_DOUBLE_EQ(v["duration_seconds"].number, 1.333);
    EXPECT_EQ(v["damaged_frames"].number, 0);

    ASSERT_EQ(v["tracks"].kind, Kind::Array);
    ASSERT_EQ(v["tracks"].items.size(), 1u);
    const JsonValue &t = v["tracks"][0];
    EXPECT_EQ(t["track"].number, 3);
    EXPECT_EQ(t["rate"].number, 22050);
    EXPECT_EQ(t["bits"].number, 16);
    EXPECT_EQ(t["channels"].number, 2);
    EXPECT_FALSE(t["compressed"].boolean);
    EXPECT_TRUE(t["playable"].boolean);
    EXPECT_EQ(t["largest_frame_sound"].number, 5880);
    EXPECT_EQ(t["decoded_bytes_per_second"].number, 22050 * 4);
    EXPECT_EQ(t["stored_bytes"].number, 20 * (5880 + 4)); // raw chunks: the length word and the sound

    // Frames 1-15 start in the first second, 16-20 in the second; together
    // they are every frame but the ring frame.
    const JsonValue &rate = v["data_rate"];
    ASSERT_EQ(rate["seconds"].kind, Kind::Array);
    ASSERT_EQ(rate["seconds"].items.size(), 2u);
    const double played = rate["seconds"][0].number + rate["seconds"][1].number;
    EXPECT_GT(rate["seconds"][0].number, 2 * rate["seconds"][1].number);
    EXPECT_LT(played, v["frame_bytes"].number);
    EXPECT_NEAR(rate["mean_bytes_per_second"].number, played / 1.3334, 1.0);
    EXPECT_GE(rate["largest_second_bytes"].number, rate["seconds"][1].number);
    for (const char *key : {"data_offset", "largest_frame_bytes", "mean_frame_bytes"})
        EXPECT_EQ(v[key].kind, Kind::Number) << key;
}

TEST(ZbxInfoJson, UnpacedFilesHaveNoRatesAndErrorsGiveNoJson)
{
    const std::string path = TempPath("unpaced.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(Movie(0), path));
    auto r = Json("'" + path + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    JsonValue v;
    ASSERT_TRUE(zorb::test::ParseJson(r.output, v)) << r.output;
    for (const char *key : {"frames_per_second", "frame_time_ms", "duration_seconds"})
        EXPECT_EQ(v[key].kind, Kind::Null) << key;
    EXPECT_EQ(v["data_rate"]["seconds"].kind, Kind::Null);
    EXPECT_EQ(v["tracks"][0]["stored_bytes_per_second"].kind, Kind::Null);

    // One file only; a file that is not a Zorblax file gives status 1 and no JSON.
    EXPECT_EQ(Json("'" + path + "' '" + path + "'").status, 2);
    const std::string bad = TempPath("bad.zbx");
    ASSERT_TRUE(zbxgen::WriteBytes({'Z', 'B', 'X', '1', 0, 0}, bad));
    r = Json("'" + bad + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output.find('{'), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("not a Zorblax file"), std::string::npos) << r.output;
    std::remove(bad.c_str());
    std::remove(path.c_str());
}

} // namespace

// zbxinfo --dump: generated files come back as the pictures, palettes and
// sound the generator put in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/zbxgen.h"

namespace {

using namespace zbxgen;
namespace fs = std::filesystem;

std::vector<uint8_t> Slurp(const fs::path &p)
{
    std::ifstream f(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

int RunDump(const fs::path &dir, const fs::path &file)
{
    const std::string cmd =
        std::string(ZORB_BINARY_DIR) + "/bin/zbxinfo --dump '" + dir.string() + "' '" + file.string() + "' 2>/dev/null";
    return std::system(cmd.c_str());
}

class DumpTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(fs::path(ZORB_BINARY_DIR) / "bin/zbxinfo"))
            GTEST_SKIP() << "zbxinfo is not built";
        root = fs::path(testing::TempDir()) / ("dump_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    fs::path root;
};

TEST_F(DumpTest, FramesAndTracksAsGenerated)
{
    for (HeightMode mode : {HeightMode::Normal, HeightMode::Interlaced, HeightMode::Doubled}) {
        Rng rng(static_cast<uint32_t>(mode) + 3);
        Description d;
        d.width = 24;
        d.height = 12;
        d.heightMode = mode;
        d.tracks[0] = SoundFormat{11025, false, false, true};
        d.tracks[1] = SoundFormat{22050, true, true, true};
        d.tracks[3] = SoundFormat{8000, true, false, false};
        d.tracks[4] = SoundFormat{8000, false, true, true};
        d.tracks[5] = SoundFormat{8000, false, true, false, false}; // not present: no files
        for (int i = 0; i < 3; ++i) {
            Frame f;
            f.picture =
                MakePicture(24, 12, Content::Random, rng, d.frames.empty() ? nullptr : &d.frames.back().picture);
            if (i != 1)
                f.palette = RandomPalette(rng);
            for (int n : {0, 1, 3, 4})
                if (i != 2 || n != 3)
                    f.sound[n] = SoundChunk{RandomSound(*d.tracks[n], 40 + 8 * i, rng), n == 4 && i == 1, {}};
            d.frames.push_back(f);
        }
        Frame ring;
        ring.picture = d.frames[0].picture;
        ring.palette = d.frames[0].palette;
        ring.sound[0] = SoundChunk{RandomSound(*d.tracks[0], 20, rng), false, {}};
        d.ringFrame = ring;

        const fs::path file = root / "in.zbx", dir = root / ("out" + std::to_string(static_cast<int>(mode)));
        ASSERT_TRUE(WriteFile(d, file.string()));
        ASSERT_EQ(RunDump(dir, file), 0);
        const uint32_t lines = mode == HeightMode::Normal ? 12 : 24;
        for (size_t i = 0; i < 4; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%05zu.raw", i + 1); // numbered from 1
            const auto got = Slurp(dir / name);
            ASSERT_EQ(got.size(), 24u * lines + 768) << name;
            const auto pic = PictureAt(d, i);
            for (uint32_t L = 0; L < lines; ++L) {
                int row = static_cast<int>(L);
                if (mode == HeightMode::Doubled)
                    row = static_cast<int>(L / 2);
                if (mode == HeightMode::Interlaced)
                    row = L % 2 ? -1 : static_cast<int>(L / 2);
                for (uint32_t x = 0; x < 24; ++x)
                    ASSERT_EQ(got[L * 24 + x], row < 0 ? 0 : pic[row * 24 + x]) << name << " " << L << "," << x;
            }
            const auto pal = PaletteAt(d, i);
            EXPECT_TRUE(std::equal(pal.begin(), pal.end(), got.end() - 768)) << name;
        }
        EXPECT_FALSE(fs::exists(dir / "frame_00000.raw"));
        EXPECT_FALSE(fs::exists(dir / "frame_00005.raw"));
        for (int n = 0; n < 7; ++n) {
            const std::string track = "track_" + std::to_string(n + 1); // tracks 1 to 7
            const fs::path pcm = dir / (track + ".pcm");
            if (!d.tracks[n] || !d.tracks[n]->present) {
                EXPECT_FALSE(fs::exists(pcm)) << n;
                continue;
            }
            const SoundFormat fmt = *d.tracks[n];
            std::vector<uint8_t> want;
            for (size_t i = 0; i < 4; ++i) {
                const Frame &f = i < 3 ? d.frames[i] : *d.ringFrame;
                if (!f.sound[n])
                    continue;
                std::vector<uint8_t> s = f.sound[n]->pcm;
                if (fmt.compressed)
                    s.resize(s.size() / SampleFrameBytes(fmt) * SampleFrameBytes(fmt));
                if (f.sound[n]->noData)
                    s.assign(s.size(), fmt.sixteenBit ? 0 : 0x80);
                want.insert(want.end(), s.begin(), s.end());
            }
            EXPECT_EQ(Slurp(pcm), want) << n;
            const auto wav = Slurp(dir / (track + ".wav"));
            ASSERT_EQ(wav.size(), 44 + want.size());
            EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
            EXPECT_EQ(wav[22], fmt.stereo ? 2 : 1);
            EXPECT_EQ(wav[34], fmt.sixteenBit ? 16 : 8);
            EXPECT_EQ(wav[24] | wav[25] << 8 | wav[26] << 16, static_cast<int>(fmt.rate));
            EXPECT_EQ(static_cast<size_t>(wav[40] | wav[41] << 8 | wav[42] << 16), want.size());
            EXPECT_TRUE(std::equal(want.begin(), want.end(), wav.begin() + 44));
        }
    }
}

TEST_F(DumpTest, DamagedFilesFailAndLeaveNothingBehind)
{
    Rng rng(1);
    Description d;
    d.width = 16;
    d.height = 8;
    d.tracks[0] = SoundFormat{11025, false, false, false};
    for (int i = 0; i < 3; ++i) {
        Frame f;
        f.picture = MakePicture(16, 8, Content::Full, rng);
        f.sound[0] = SoundChunk{RandomSound(*d.tracks[0], 30, rng), false, {}};
        d.frames.push_back(f);
    }
    auto bytes = Build(d);
    // Frame 2's sound chunk claims more than its frame holds.
    const uint32_t s0 = bytes[104] | bytes[105] << 8, s1 = bytes[108] | bytes[109] << 8;
    const uint32_t tree = bytes[52] | bytes[53] << 8;
    const size_t frame2 = 104 + 5 * 3 + tree + s0 + s1;
    bytes[frame2 + 2] = 0x7F;
    const fs::path file = root / "bad.zbx", dir = root / "bad";
    ASSERT_TRUE(WriteBytes(bytes, file.string()));
    EXPECT_NE(RunDump(dir, file), 0);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_NE(RunDump(root / "none", root / "missing.zbx"), 0);
}

} // namespace

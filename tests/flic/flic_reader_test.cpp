#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/gfx_samples.h"
#include "vexutil/vexutil.h"

using namespace gfxsamples;

namespace {

std::string Dir()
{
    return gfxsamples::ScratchDir("flic");
}

std::string Write(const std::string &name, const Bytes &b)
{
    std::string path = Dir() + "/" + name;
    EXPECT_TRUE(WriteFile(path, b));
    return path;
}

struct FlicCloser {
    void operator()(VEXFLIC *f) const { VEXFlicClose(f); }
};
using FlicPtr = std::unique_ptr<VEXFLIC, FlicCloser>;

// Expected frames of the sample animation, width x height bytes each.
struct Sample {
    int w = 10, h = 6;
    Bytes bytes;
    std::vector<Bytes> frames;
    std::vector<Bytes> palettes;
};

Sample MakeSample()
{
    Sample s;
    const int w = s.w, h = s.h;
    FlicBuilder b(w, h, 0xAF12, 40);
    // Frame 1: palette and a byte-run picture.
    Bytes pal(768);
    for (int i = 0; i < 768; i++)
        pal[size_t(i)] = uint8_t(i * 3);
    Bytes f1(size_t(w * h));
    for (int i = 0; i < w * h; i++)
        f1[size_t(i)] = uint8_t(i < 20 ? 5 : i);
    b.AddFrame({FlicBuilder::Color256(0, pal), FlicBuilder::ByteRun(w, h, f1)});
    s.frames.push_back(f1);
    s.palettes.push_back(pal);
    // Frame 2: a word delta: row 2 from x = 4, two words; row 4 filled with a repeated word.
    Bytes d;
    Put16(d, 2);
    Put16(d, 0xFFFE); // skip rows 0 and 1
    Put16(d, 1);
    d.insert(d.end(), {4, 2, 100, 101, 102, 103});
    Put16(d, 0xFFFF); // skip row 3
    Put16(d, 1);
    d.insert(d.end(), {0, 0xFB, 7, 8});
    b.AddFrame({{7, d}});
    Bytes f2 = f1;
    for (int i = 0; i < 4; i++)
        f2[size_t(2 * w + 4 + i)] = uint8_t(100 + i);
    for (int x = 0; x < w; x++)
        f2[size_t(4 * w + x)] = x % 2 ? 8 : 7;
    s.frames.push_back(f2);
    s.palettes.push_back(pal);
    // Frame 3: six-bit palette change of entry 7 and a byte delta on row 5.
    Bytes d3;
    Put16(d3, 5);
    Put16(d3, 1);
    d3.push_back(1);
    d3.insert(d3.end(), {3, 2, 55, 66});
    Bytes six = {63, 31, 0};
    b.AddFrame({FlicBuilder::Color64(7, six), {12, d3}});
    Bytes f3 = f2;
    f3[size_t(5 * w + 3)] = 55;
    f3[size_t(5 * w + 4)] = 66;
    Bytes pal3 = pal;
    pal3[21] = 255;
    pal3[22] = 31 * 4 + 1;
    pal3[23] = 0;
    s.frames.push_back(f3);
    s.palettes.push_back(pal3);
    // Frame 4: a full copy; frame 5: black.
    Bytes f4(size_t(w * h));
    for (int i = 0; i < w * h; i++)
        f4[size_t(i)] = uint8_t(200 - i);
    b.AddFrame({FlicBuilder::Copy(w, h, f4)});
    s.frames.push_back(f4);
    s.palettes.push_back(pal3);
    b.AddFrame({FlicBuilder::Black()});
    s.frames.push_back(Bytes(size_t(w * h), 0));
    s.palettes.push_back(pal3);
    s.bytes = b.Build();
    return s;
}

void ExpectFrame(const VEXFLIC *f, const std::vector<uint8_t> &buf, const Bytes &expected, int w, int h,
                 const char *what)
{
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            ASSERT_EQ(buf[size_t(y) * f->pitch + size_t(x)], expected[size_t(y * w + x)])
                << what << " at " << x << "," << y;
}

} // namespace

TEST(FlicReader, EveryChunkTypeDecodesToTheExpectedFrames)
{
    Sample s = MakeSample();
    FlicPtr f(VEXFlicOpen(Write("sample.flc", s.bytes).c_str()));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->frames, 5u);
    EXPECT_EQ(f->width, 10u);
    EXPECT_EQ(f->pitch, 12u);
    EXPECT_EQ(f->rows, 8u);
    EXPECT_EQ(f->frameTime, -4000);
    std::vector<uint8_t> buf(f->pitch * f->rows, 0xAA);
    int expectedResult[5] = {2, 1, 2, 1, 1};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(VEXFlicGetNext(f.get(), buf.data()), expectedResult[i]) << i;
        ExpectFrame(f.get(), buf, s.frames[size_t(i)], 10, 6, "frame");
        EXPECT_EQ(0, std::memcmp(VEXFlicGetPalette(f.get()), s.palettes[size_t(i)].data(), 768)) << i;
        EXPECT_EQ(f->currentFrame, uint32_t(i + 1));
    }
    // Padding columns and rows are clear.
    for (uint32_t y = 0; y < f->rows; y++)
        for (uint32_t x = 0; x < f->pitch; x++)
            if (x >= 10 || y >= 6) {
                EXPECT_EQ(buf[y * f->pitch + x], 0);
            }
    // One more read starts again at frame 1.
    EXPECT_EQ(VEXFlicGetNext(f.get(), buf.data()), 2);
    EXPECT_EQ(f->currentFrame, 1u);
    ExpectFrame(f.get(), buf, s.frames[0], 10, 6, "wrapped");
}

TEST(FlicReader, GotoDecodesForwardAndRewinds)
{
    Sample s = MakeSample();
    FlicPtr f(VEXFlicOpen(Write("goto.flc", s.bytes).c_str()));
    ASSERT_TRUE(f);
    std::vector<uint8_t> buf(f->pitch * f->rows);
    EXPECT_EQ(VEXFlicGoto(f.get(), 3, buf.data()), 2);
    ExpectFrame(f.get(), buf, s.frames[2], 10, 6, "goto 3");
    EXPECT_EQ(VEXFlicGoto(f.get(), 2, buf.data()), 2); // back to the start: frame 1 has a palette
    ExpectFrame(f.get(), buf, s.frames[1], 10, 6, "goto 2");
    EXPECT_EQ(VEXFlicGoto(f.get(), 99, buf.data()), 2); // limited to the last frame
    EXPECT_EQ(f->currentFrame, 5u);
    EXPECT_EQ(VEXFlicGoto(f.get(), 0, buf.data()), 1);
    EXPECT_EQ(f->currentFrame, 0u);
    EXPECT_EQ(VEXFlicGoto(nullptr, 1, buf.data()), 0);
    EXPECT_EQ(VEXFlicGetNext(nullptr, buf.data()), 0);
    EXPECT_EQ(VEXFlicGetPalette(nullptr), nullptr);
    VEXFlicClose(nullptr);
}

TEST(FlicReader, FrameTimes)
{
    struct Case {
        uint16_t magic;
        uint32_t speed;
        int32_t exact;
        int32_t expected;
    } cases[] = {
        {0xAF12, 66, -6667, -6667},                             // the writer's exact time kept beside the speed
        {0xAF12, 67, 0, -6700},     {0xAF12, 67, -6667, -6700}, // an exact time that does not fit the speed is ignored
        {0xAF12, 0, 0, -20000},     {0xAF12, 30001, 0, -20000}, {0xAF11, 5, 0, -7142}, {0xAF11, 0, 0, -20000},
    };
    int n = 0;
    for (const Case &c : cases) {
        FlicBuilder b(4, 4, c.magic, c.speed, c.exact);
        b.AddFrame({FlicBuilder::Black()});
        std::string path = Write("t" + std::to_string(n++) + (c.magic == 0xAF11 ? ".fli" : ".flc"), b.Build());
        FlicPtr f(VEXFlicOpen(path.c_str()));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->frameTime, c.expected) << c.speed;
        if (c.magic == 0xAF11) {
            EXPECT_EQ(f->frame1Offset, 128u);
        }
    }
}

TEST(FlicReader, OddWidthRowsArePaddedWithZero)
{
    const int w = 318, h = 3;
    Bytes px(size_t(w * h), 9);
    FlicBuilder b(w, h);
    b.AddFrame({FlicBuilder::Copy(w, h, px)});
    FlicPtr f(VEXFlicOpen(Write("wide.flc", b.Build()).c_str()));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->pitch, 320u);
    std::vector<uint8_t> buf(f->pitch * f->rows, 0x55);
    VEXFlicGetNext(f.get(), buf.data());
    for (int y = 0; y < h; y++) {
        EXPECT_EQ(buf[size_t(y) * 320 + 317], 9);
        EXPECT_EQ(buf[size_t(y) * 320 + 318], 0);
        EXPECT_EQ(buf[size_t(y) * 320 + 319], 0);
    }
    EXPECT_EQ(buf[3 * 320], 0); // rows beyond the height
}

TEST(FlicReader, NamesWithoutExtensionAndBadFiles)
{
    FlicBuilder b(4, 4);
    b.AddFrame({FlicBuilder::Black()});
    Write("noext.fli", b.Build());
    FlicPtr f(VEXFlicOpen((Dir() + "/noext").c_str()));
    ASSERT_TRUE(f);
    char name[128];
    ASSERT_TRUE(VEXFlicGetName(f.get(), name));
    EXPECT_EQ(std::string(name), Dir() + "/noext.fli");
    EXPECT_FALSE(VEXFlicOpen((Dir() + "/missing").c_str()));
    Bytes bad = b.Build();
    bad[4] = 0x12;
    bad[5] = 0x34;
    EXPECT_FALSE(VEXFlicOpen(Write("badmagic.flc", bad).c_str()));
    EXPECT_FALSE(VEXFlicOpen(Write("short.flc", Bytes(100, 0)).c_str()));
}

TEST(FlicReader, ATruncatedFrameIsSkippedAndKeepsTheBuffer)
{
    Sample s = MakeSample();
    Bytes cut(s.bytes.begin(), s.bytes.end() - 3); // the black frame loses its end
    FlicPtr f(VEXFlicOpen(Write("cut.flc", cut).c_str()));
    ASSERT_TRUE(f);
    std::vector<uint8_t> buf(f->pitch * f->rows);
    EXPECT_EQ(VEXFlicGoto(f.get(), 4, buf.data()), 2);
    EXPECT_EQ(VEXFlicGetNext(f.get(), buf.data()), 1);
    EXPECT_EQ(f->currentFrame, 5u);
    ExpectFrame(f.get(), buf, s.frames[3], 10, 6, "kept");
}

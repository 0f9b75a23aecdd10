// The buffer-to-buffer family: orientation, clipping, keyed forms.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/blit.h"
#include "runtime/display.h"

namespace {

// A display buffer whose picture row y, column x holds value(x, y).
struct Buf {
    ZorbDisplay rec{};
    std::vector<uint8_t> mem;
    Buf(int w, int h, bool bottomUp, int pitch = 0)
    {
        rec.Width = w;
        rec.Height = h;
        rec.Pitch = pitch ? pitch : (w + 7) & ~7;
        rec.BottomUp = bottomUp;
        mem.assign(static_cast<size_t>(rec.Pitch) * h, 0);
        rec.Buffer = mem.data();
    }
    uint8_t &At(int x, int y)
    {
        return mem[static_cast<size_t>(rec.BottomUp ? rec.Height - 1 - y : y) * rec.Pitch + x];
    }
    void Fill(int seed)
    {
        for (int y = 0; y < rec.Height; ++y)
            for (int x = 0; x < rec.Width; ++x)
                At(x, y) = static_cast<uint8_t>(seed + x + 16 * y);
    }
};

TEST(BufferToBuffer, PictureCoordinatesInEveryOrientation)
{
    for (int so = 0; so < 2; ++so) {
        for (int dor = 0; dor < 2; ++dor) {
            Buf src(12, 9, so), dst(16, 10, dor);
            src.Fill(1);
            ZorbBufferToBuffer(&dst.rec, 3, 4, &src.rec, 2, 1, 5, 3);
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 16; ++x) {
                    const bool inside = x >= 3 && x < 8 && y >= 4 && y < 7;
                    const uint8_t want = inside ? src.At(x - 3 + 2, y - 4 + 1) : 0;
                    ASSERT_EQ(dst.At(x, y), want) << so << dor << " at " << x << "," << y;
                }
        }
    }
}

TEST(BufferToBuffer, ClipsToBothBuffersAndIgnoresNull)
{
    Buf src(8, 8, false), dst(8, 8, true);
    src.Fill(3);
    // Partly outside on every side: only the overlap is copied, nothing else written.
    ZorbBufferToBuffer(&dst.rec, -2, 6, &src.rec, 0, 0, 20, 20);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = y >= 6 && x < 6; // the source ends at its column 7
            ASSERT_EQ(dst.At(x, y), inside ? src.At(x + 2, y - 6) : 0) << x << "," << y;
        }
    ZorbBufferToBuffer(nullptr, 0, 0, &src.rec, 0, 0, 4, 4);
    ZorbBufferToBuffer(&dst.rec, 0, 0, nullptr, 0, 0, 4, 4);
    ZorbBufferToBuffer(&dst.rec, 70000, 0, &src.rec, 0, 0, 4, 4);
}

TEST(BufferToBuffer, KeyedFormsNeedMatchingOrientationAndPitch)
{
    Buf src(8, 4, true), mask(8, 4, true), other(8, 4, false), dst(8, 4, false);
    src.Fill(10);
    for (int x = 0; x < 8; ++x)
        mask.At(x, 1) = (x & 1) ? 0 : 1, other.At(x, 1) = 1;
    ZorbBufferToBufferMask(&dst.rec, 0, 0, &src.rec, 0, 0, 8, 4, 0, &other.rec); // orientation differs
    for (uint8_t v : dst.mem)
        ASSERT_EQ(v, 0);
    ZorbBufferToBufferMask(&dst.rec, 0, 0, &src.rec, 0, 0, 8, 4, 0, &mask.rec);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(dst.At(x, 1), (x & 1) ? 0 : src.At(x, 1));
        EXPECT_EQ(dst.At(x, 0), 0); // mask 0 everywhere else
    }
    // Merge: source pixels equal to the key come from the second source.
    Buf s2(8, 4, true);
    s2.Fill(100);
    src.At(2, 2) = 5;
    ZorbBufferToBufferMerge(&dst.rec, 0, 0, &src.rec, 0, 0, 8, 4, 5, &s2.rec);
    EXPECT_EQ(dst.At(2, 2), s2.At(2, 2));
    EXPECT_EQ(dst.At(3, 2), src.At(3, 2));
    Buf pitched(8, 4, true, 16);
    std::vector<uint8_t> before = dst.mem;
    ZorbBufferToBufferMerge(&dst.rec, 0, 0, &src.rec, 0, 0, 8, 4, 5, &pitched.rec); // pitch differs
    EXPECT_EQ(dst.mem, before);
    // Trans keeps the destination where the source holds the key.
    Buf t(8, 4, false);
    t.Fill(50);
    ZorbBufferToBufferTrans(&t.rec, 0, 0, &src.rec, 0, 0, 8, 4, 5);
    EXPECT_EQ(t.At(2, 2), 50 + 2 + 32);
    EXPECT_EQ(t.At(3, 2), src.At(3, 2));
}

// The blitter's names must be dynamic symbols of the programs that offer them.
TEST(BlitExports, NamesAreDynamicSymbols)
{
    const std::string probe = std::string(ZORB_BINARY_DIR) + "/runtime/blit_export_probe";
    std::vector<std::string> programs = {probe, std::string(ZORB_BINARY_DIR) + "/bin/zorbplw"};
    int checked = 0;
    for (const auto &prog : programs) {
        if (FILE *f = std::fopen(prog.c_str(), "rb"))
            std::fclose(f);
        else
            continue;
        const std::string cmd = "nm -D --defined-only '" + prog + "' 2>/dev/null";
        FILE *p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char line[512];
        while (std::fgets(line, sizeof line, p))
            out += line;
        pclose(p);
        for (const char *name :
             {"ZorbBlitOpen", "ZorbBlitSetPalette", "ZorbBlitSetFlags", "ZorbBlitString", "ZorbBlit", "ZorbBlitTrans",
              "ZorbBlitMask", "ZorbBlitMerge", "ZorbBlitClear", "ZorbBlitClose", "ZorbBufferToBuffer",
              "ZorbBufferToBufferTrans", "ZorbBufferToBufferMask", "ZorbBufferToBufferMerge"})
            EXPECT_NE(out.find(std::string(" T ") + name + "\n"), std::string::npos) << prog << ": " << name;
        // Internals stay hidden.
        EXPECT_EQ(out.find("Double8Plain"), std::string::npos) << prog;
        ++checked;
    }
    if (!checked)
        GTEST_SKIP() << "build the blit_export_probe target first";
}

} // namespace

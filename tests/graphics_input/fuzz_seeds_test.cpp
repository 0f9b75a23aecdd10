// Writes the seed corpus of the graphics readers' fuzz target when
// ZORB_SEED_DIR names a directory (fuzz/gfx_readers.seeds.sh); otherwise it
// only checks that the seeds build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/gfx_samples.h"

using namespace gfxsamples;

TEST(Corpus, WriteFuzzSeeds)
{
    std::vector<std::pair<std::string, Bytes>> seeds;
    // Flics: every chunk type, FLC and FLI.
    {
        FlicBuilder b(10, 6, 0xAF12, 66, -6667);
        Bytes pal(768);
        for (size_t i = 0; i < pal.size(); i++)
            pal[i] = uint8_t(i);
        Bytes px(60);
        for (size_t i = 0; i < px.size(); i++)
            px[i] = uint8_t(i / 3);
        b.AddFrame({FlicBuilder::Color256(0, pal), FlicBuilder::ByteRun(10, 6, px)});
        Bytes d;
        Put16(d, 2);
        Put16(d, 0xFFFF);
        Put16(d, 0x8000 | 9);
        Put16(d, 1);
        d.insert(d.end(), {2, 0xFE, 1, 2});
        Put16(d, 1);
        d.insert(d.end(), {0, 1, 5, 6});
        b.AddFrame({{7, d}});
        Bytes l;
        Put16(l, 1);
        Put16(l, 2);
        l.insert(l.end(), {1, 2, 0xFD, 4, 1, 0, 2, 7, 8});
        b.AddFrame({FlicBuilder::Color64(3, {1, 2, 3}), {12, l}});
        b.AddFrame({FlicBuilder::Copy(10, 6, px)});
        b.AddFrame({FlicBuilder::Black()});
        seeds.emplace_back("every_chunk.flc", b.Build());
        FlicBuilder fli(7, 3, 0xAF11, 5);
        fli.AddFrame({FlicBuilder::Color64(0, {63, 0, 0, 0, 63, 0}), FlicBuilder::ByteRun(7, 3, Bytes(21, 1))});
        fli.AddFrame({{12, {0, 0, 1, 0, 1, 0, 0xFE, 9}}});
        seeds.emplace_back("small.fli", fli.Build());
    }
    // Raw frame files.
    {
        std::vector<RawFrame> f(3);
        f[0].palette = TestPalette(1);
        f[0].pixels.assign(15, 4);
        f[1].pixels.assign(15, 5);
        f[2].palette = TestPalette(2);
        f[2].pixels.assign(15, 6);
        seeds.emplace_back("frames.raw", BuildRaw(5, 3, 6667, f));
    }
    // AVI files: 8-bit with palette changes and two sound streams, 24-bit
    // top-down in "rec " lists, 16-bit.
    {
        AviBuilder a;
        a.SetVideo(6, 4, 8, 15, 1, TestPalette(3));
        int s1 = a.AddSound(2, 22050, 16);
        int s2 = a.AddSound(1, 8000, 8, 18);
        for (int k = 0; k < 3; k++) {
            if (k == 1)
                a.AddPaletteChange(2, {1, 2, 3, 4, 5, 6});
            a.AddFrame(Bytes(32, uint8_t(k)));
            a.AddSoundChunk(s1, Bytes(40, uint8_t(k)));
            a.AddSoundChunk(s2, Bytes(9, uint8_t(k)));
        }
        a.AddFrame({});
        seeds.emplace_back("pal8.avi", a.Build());
        AviBuilder t;
        t.SetVideo(3, -2, 24, 25, 1);
        t.UseRecLists(2);
        for (int k = 0; k < 3; k++)
            t.AddFrame(Bytes(24, uint8_t(k * 40)));
        seeds.emplace_back("tc24.avi", t.Build());
        AviBuilder h;
        h.SetVideo(2, 2, 16, 10, 1);
        h.AddFrame(Bytes(8, 0x7F));
        seeds.emplace_back("hc16.avi", h.Build());
    }
    for (auto &s : seeds)
        EXPECT_GT(s.second.size(), 20u) << s.first;
    const char *dir = std::getenv("ZORB_SEED_DIR");
    if (!dir)
        GTEST_SKIP() << "ZORB_SEED_DIR not set: nothing written";
    for (auto &s : seeds)
        ASSERT_TRUE(WriteFile(std::string(dir) + "/" + s.first, s.second)) << s.first;
}

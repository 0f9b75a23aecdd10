// Files from the compressor played back by the decode library: every frame's
// picture and palette, the ring frame, and the sound of every track.
#include "codec/zorb.h"
#include "tests/encoder/encoder_helpers.h"

using namespace zenc;
using namespace enctest;

TEST(PlayedBack, LosslessPicturesPalettesAndSound)
{
    TempDir dir;
    for (int kind : {0, 2, 3}) {
        SCOPED_TRACE(kind);
        const Clip c = MakeClip(kind, 48, 40, 9, 40 + kind);
        const std::string name = dir.path + "/p.zbx";
        ZencParams p{};
        p.width = c.width;
        p.height = c.height;
        p.frameRate = 100;
        p.headerFlags = ZBX_RING_FRAME;
        ZENC *enc = ZencOpen(&p);
        ASSERT_NE(enc, nullptr);
        for (size_t i = 0; i < c.pixels.size(); ++i)
            ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
        const std::vector<uint8_t> pcm0 = WriteWave(dir.path + "/a.wav", 11025, 8, 1, 2.0, 1);
        const std::vector<uint8_t> pcm1 = WriteWave(dir.path + "/b.wav", 22050, 16, 2, 2.0, 2);
        ZencAddTrack(enc, 0, CSFileOpen((dir.path + "/a.wav").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
        ZencAddTrack(enc, 6, CSFileOpen((dir.path + "/b.wav").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
        ASSERT_EQ(ZencWrite(enc, name.c_str(), nullptr), 1);
        ZencClose(enc);

        ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), ZORB_OPEN_PRELOAD | ZORB_OPEN_NEVER_SKIP, -1);
        ASSERT_NE(h, nullptr);
        std::vector<uint8_t> picture(c.width * c.height, 0);
        ZorbSetOutput(h, 0, 0, c.width, c.height, picture.data(), 0);
        std::vector<uint8_t> sound[2], chunk(1 << 16);
        for (size_t i = 0; i <= c.pixels.size(); ++i) {
            const size_t src = i == c.pixels.size() ? 0 : i; // then the ring frame
            for (int t = 0; t < 2; ++t) {
                const uint32_t n = ZorbGetTrackSound(h, ZORB_OPEN_TRACK0 << (t ? 6 : 0), chunk.data());
                if (i < c.pixels.size())
                    sound[t].insert(sound[t].end(), chunk.begin(), chunk.begin() + n);
            }
            ZorbDecodeFrame(h);
            for (uint32_t y = 0; y < c.height; ++y)
                ASSERT_EQ(0, std::memcmp(&picture[y * c.width], &c.pixels[src][y * c.width], c.width & ~3u))
                    << "frame " << i << " row " << y;
            for (int k = 0; k < 768; ++k) {
                const uint8_t v = c.palettes[src][k] >> 2;
                ASSERT_EQ(h->Palette[k], static_cast<uint8_t>((v << 2) | (v >> 4))) << "frame " << i;
            }
            ZorbAdvanceFrame(h);
        }
        EXPECT_EQ(h->CurrentFrame, 1u); // after the ring frame playing goes on at frame 1
        ZorbClose(h);
        ASSERT_EQ(sound[0].size(), 9922u); // 1102.5 sample frames a frame at 11025 Hz, the remainder carried
        EXPECT_EQ(0, std::memcmp(sound[0].data(), pcm0.data(), sound[0].size()));
        ASSERT_EQ(sound[1].size(), 9u * 2205 * 4);
        EXPECT_EQ(0, std::memcmp(sound[1].data(), pcm1.data(), sound[1].size()));
    }
}

TEST(PlayedBack, DoubledAndInterlacedHeight)
{
    TempDir dir;
    const Clip c = MakeClip(2, 32, 24, 4, 60);
    for (uint32_t flag : {ZBX_HEIGHT_DOUBLED, ZBX_HEIGHT_INTERLACED}) {
        SCOPED_TRACE(flag);
        const std::string name = dir.path + "/h.zbx";
        ZencParams p{};
        p.headerFlags = flag;
        ASSERT_TRUE(Encode(c, name, p));
        ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), ZORB_OPEN_PRELOAD | ZORB_OPEN_NEVER_SKIP, -1);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->Height, 48u);
        std::vector<uint8_t> picture(32 * 48, 0xEE);
        ZorbSetOutput(h, 0, 0, 32, 48, picture.data(), 0);
        for (size_t i = 0; i < c.pixels.size(); ++i) {
            ZorbDecodeFrame(h);
            for (uint32_t y = 0; y < 24; ++y) {
                ASSERT_EQ(0, std::memcmp(&picture[2 * y * 32], &c.pixels[i][y * 32], 32)) << i << " " << y;
                if (flag == ZBX_HEIGHT_DOUBLED) {
                    ASSERT_EQ(0, std::memcmp(&picture[(2 * y + 1) * 32], &c.pixels[i][y * 32], 32)) << i << " " << y;
                }
            }
            ZorbAdvanceFrame(h);
        }
        ZorbClose(h);
    }
}

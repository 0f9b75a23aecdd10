// Damaged files: every length and offset is checked. Structural damage fails
// the open with a log line; a bad frame found while playing sets ReadFailed.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "codec/handle.h"
#include "codec/zorb.h"
#include "tests/support/treestream.h"
#include "zbxbuild.h"

using namespace zbxtest;

namespace {

ZbxBuild Good()
{
    ZbxBuild b;
    BigTreeWriter w;
    for (int i = 0; i < 4; ++i)
        w.Present(CodeTree::Balanced({static_cast<uint16_t>(i + 1), 0x2222, 0x3333}), {0x2222, 0, 0});
    b.treeData = w.Bytes();
    b.treeSizes = {20, 20, 20, 20};
    std::array<std::optional<std::vector<uint8_t>>, 7> sound;
    sound[0] = std::vector<uint8_t>(100, 0x80);
    sound[6] = std::vector<uint8_t>(10, 0x80);
    b.audioFormat[0] = b.audioFormat[6] = ZBX_AUDIO_PRESENT | 11025;
    b.frames.push_back(MakeFrame(std::vector<uint8_t>{0x01, 0x02, 0x03, 0xFF, 0xFE}, sound, {1, 2, 3}));
    for (int i = 1; i < 12; ++i)
        b.frames.push_back(MakeFrame(std::nullopt, sound, std::vector<uint8_t>(700, static_cast<uint8_t>(i))));
    return b;
}

// Opens bytes and expects a refusal whose log contains `line`.
void ExpectRefused(const std::vector<uint8_t> &bytes, const std::string &line)
{
    std::string path = WriteTemp(bytes);
    SetDebugLog(true);
    StderrCapture cap;
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), 0, -1);
    std::string text = cap.Text();
    SetDebugLog(false);
    EXPECT_EQ(h, nullptr);
    ZorbClose(h);
    EXPECT_NE(text.find(line), std::string::npos) << "log was: " << text;
}

} // namespace

TEST(Malformed, GoodFileOpens)
{
    ZorbHandle *h = ZorbOpen(const_cast<char *>(WriteTemp(Good().Bytes()).c_str()), 0, -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->ReadFailed, 0u);
    EXPECT_NE(h->AudioChunk[6], nullptr);
    ZorbClose(h);
}

TEST(Malformed, ShortHeaderAndTables)
{
    std::vector<uint8_t> bytes = Good().Bytes();
    ExpectRefused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 50), "too short for its header");
    ExpectRefused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 104 + 30), "too short for its frame tables");
    ExpectRefused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 104 + 60 + 3), "too short for its tree data");
}

TEST(Malformed, HeaderValuesOutOfRange)
{
    ZbxBuild b = Good();
    b.frameCount = 0;
    b.frames.clear();
    ExpectRefused(b.Bytes(), "no frames");
    b = Good();
    b.frameCount = 0xFFFFFFFF; // tables far past the end of the file
    ExpectRefused(b.Bytes(), "too short for its frame tables");
    b = Good();
    b.treeDataSize = 0xFFFFFFF0;
    ExpectRefused(b.Bytes(), "too short for its tree data");
    b = Good();
    b.height = 0x80000000;
    ExpectRefused(b.Bytes(), "picture size out of range");
}

TEST(Malformed, BadTrees)
{
    ZbxBuild b = Good();
    b.treeSizes[2] = 19; // below the 5 nodes the tree needs
    ExpectRefused(b.Bytes(), "big tree larger than its node memory");

    b = Good();
    BitWriter w; // a byte tree of 513 nodes
    w.Bit(1);
    w.Bit(1);
    std::vector<uint16_t> v;
    for (int i = 0; i < 257; ++i)
        v.push_back(static_cast<uint16_t>(i & 0xFF));
    WriteByteTree(w, CodeTree::Chain(v));
    w.Bits(0, 8);
    b.treeData = w.Bytes();
    ExpectRefused(b.Bytes(), "byte tree over 512 nodes");

    b = Good();
    b.treeData.resize(b.treeData.size() - 2);
    ExpectRefused(b.Bytes(), "tree data cut short");
}

TEST(Malformed, FramesPastTheEndAndChunksThatCannotFit)
{
    // A file cut inside its first frame has nothing to play.
    const ZbxBuild cut = Good();
    size_t frameBytes = 0;
    for (const auto &f : cut.frames)
        frameBytes += f.bytes.size();
    std::vector<uint8_t> bytes = cut.Bytes();
    bytes.resize(bytes.size() - frameBytes + 1);
    ExpectRefused(bytes, "Frame sizes run past the end");

    ZbxBuild b = Good();
    b.frames[5].type = 0xFF; // eight chunks in a frame ... of 700+ bytes: fits the minimum
    b.frames[7].bytes.resize(8);
    b.frames[7].type = 0x07; // three chunks in 8 bytes (frame 8 as users count)
    ExpectRefused(b.Bytes(), "Frame 8 of the Zorblax file cannot hold the chunks its type claims");
}

TEST(Malformed, BadChunkLengthsSetReadFailed)
{
    struct Damage {
        const char *what;
        void (*apply)(BuiltFrame &f);
    } damages[] = {
        {"palette length past the frame", [](BuiltFrame &f) { f.bytes[0] = 0xFF; }},
        {"palette length 0", [](BuiltFrame &f) { f.bytes[0] = 0; }},
        {"sound length past the frame", [](BuiltFrame &f) { f.bytes[8] = 0xFF; }},
        {"sound length below 4",
         [](BuiltFrame &f) {
             std::memset(&f.bytes[8], 0, 4);
             f.bytes[8] = 3;
         }},
        {"second sound chunk past the frame", [](BuiltFrame &f) { f.bytes.resize(8 + 104 + 6); }},
    };
    for (const Damage &d : damages) {
        for (uint32_t mode : {0u, uint32_t{ZORB_OPEN_PRELOAD}}) {
            ZbxBuild b = Good();
            b.frames[0] = b.frames[1];
            b.frames[0] = MakeFrame(std::vector<uint8_t>{0x01, 0x02, 0x03, 0xFF, 0xFE},
                                    {std::vector<uint8_t>(100, 0x80), std::nullopt, std::nullopt, std::nullopt,
                                     std::nullopt, std::nullopt, std::vector<uint8_t>(10, 0x80)},
                                    {1, 2, 3});
            b.frames[3] = b.frames[0];
            d.apply(b.frames[3]);
            ZorbHandle *h = ZorbOpen(const_cast<char *>(WriteTemp(b.Bytes()).c_str()), mode, 4096);
            ASSERT_NE(h, nullptr) << d.what;
            EXPECT_EQ(h->ReadFailed, 0u);
            for (uint32_t i = 1; i <= 3; ++i) {
                if (!h->ReadBufferStart)
                    h->FrameData += h->CurrentFrameSize;
                h->CurrentFrame = i;
                zorb::ReadCurrentFrame(h);
                zorb::ParseFrame(h);
            }
            EXPECT_EQ(h->ReadFailed, 1u) << d.what;
            EXPECT_EQ(h->VideoChunk, h->FrameData + h->CurrentFrameSize) << d.what;
            EXPECT_EQ(h->AudioChunk[6], nullptr) << d.what;
            EXPECT_EQ(h->FreshPalette, 0u) << d.what;
            ZorbClose(h);
        }
    }
}

TEST(Malformed, AFileCutShortPlaysItsWholeFramesThenFails)
{
    // Cut by one byte, read ahead or preloaded: frames 1 to 11 are whole, the
    // twelfth fails when it is reached.
    std::vector<uint8_t> bytes = Good().Bytes();
    bytes.pop_back();
    const std::string path = WriteTemp(bytes);
    for (uint32_t flags : {0u, uint32_t{ZORB_OPEN_PRELOAD}}) {
        for (int32_t extra : {-1, 100}) {
            ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), flags, extra);
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(h->IntactFrames, 11u);
            EXPECT_EQ(h->FrameCount, 12u);
            for (uint32_t i = 1; i < 11; ++i) {
                ZorbAdvanceFrame(h);
                EXPECT_EQ(h->ReadFailed, 0u) << i;
            }
            ZorbAdvanceFrame(h);
            EXPECT_EQ(h->CurrentFrame, 11u);
            EXPECT_EQ(h->ReadFailed, 1u);
            ZorbClose(h);
        }
    }
    // A whole file has every frame intact.
    ZorbHandle *h = ZorbOpen(const_cast<char *>(WriteTemp(Good().Bytes()).c_str()), 0, -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->IntactFrames, 12u);
    ZorbClose(h);
}

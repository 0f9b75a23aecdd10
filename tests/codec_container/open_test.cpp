#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "codec/handle.h"
#include "codec/trees.h"
#include "codec/zorb.h"
#include "tests/support/treestream.h"
#include "zbxbuild.h"

using namespace zbxtest;

namespace {

ZbxBuild Simple(int frames = 3, uint32_t frameBytes = 100)
{
    ZbxBuild b;
    for (int i = 0; i < frames; ++i)
        b.frames.push_back(PatternFrame(frameBytes, static_cast<uint8_t>(i)));
    return b;
}

ZorbHandle *OpenBytes(const std::vector<uint8_t> &bytes, uint32_t flags = 0, int32_t extra = -1)
{
    std::string path = WriteTemp(bytes);
    return ZorbOpen(const_cast<char *>(path.c_str()), flags, extra);
}

struct Closer {
    void operator()(ZorbHandle *h) const { ZorbClose(h); }
};
using HandlePtr = std::unique_ptr<ZorbHandle, Closer>;

} // namespace

TEST(ZorbOpen, NullAndMissingFiles)
{
    EXPECT_EQ(ZorbOpen(nullptr, 0, -1), nullptr);
    ZorbClose(nullptr);
    SetDebugLog(true);
    StderrCapture cap;
    EXPECT_EQ(ZorbOpen(const_cast<char *>("/nonexistent/file.zbx"), 0, -1), nullptr);
    EXPECT_EQ(cap.Text(), "ZorbOpen - file: /nonexistent/file.zbx\nCouldn't open the Zorblax file\n");
    SetDebugLog(false);
}

TEST(ZorbOpen, MagicMustMatchInEveryByte)
{
    SetDebugLog(true);
    for (int i = 0; i < 4; ++i) {
        ZbxBuild b = Simple();
        b.magic[i] ^= 0x20;
        StderrCapture cap;
        EXPECT_EQ(OpenBytes(b.Bytes()), nullptr) << i;
        EXPECT_NE(cap.Text().find("Wasn't a Zorblax file\n"), std::string::npos);
    }
    SetDebugLog(false);
}

TEST(ZorbOpen, LogLinesOfAnOpenAndClose)
{
    std::string path = WriteTemp(Simple().Bytes());
    SetDebugLog(true);
    StderrCapture cap;
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), 0, -1);
    ASSERT_NE(h, nullptr);
    std::string addr = std::to_string(reinterpret_cast<uintptr_t>(h));
    ZorbClose(h);
    EXPECT_EQ(cap.Text(), "ZorbOpen - file: " + path + "\nZorbOpen returned: " + addr + "\nZorbClose: " + addr + "\n");
    SetDebugLog(false);
}

TEST(ZorbOpen, HeaderAndFramePeriod)
{
    struct Case {
        int32_t rate;
        uint32_t period, fps;
    } cases[] = {{0, 0, 100000}, {-1, 1, 100000}, {100, 10000, 10}, {-6667, 6667, 14}, {2000000, 200000000, 1}};
    for (const Case &c : cases) {
        ZbxBuild b = Simple();
        b.frameRate = c.rate;
        HandlePtr h(OpenBytes(b.Bytes()));
        ASSERT_TRUE(h);
        EXPECT_EQ(h->FramePeriod, c.period) << c.rate;
        EXPECT_EQ(h->FramesPerSecond, c.fps) << c.rate;
        EXPECT_EQ(h->Width, 64u);
        EXPECT_EQ(h->Height, 32u);
        EXPECT_EQ(h->FrameCount, 3u);
        EXPECT_EQ(h->CurrentFrame, 0u);
        EXPECT_EQ(h->NextDueTime, UINT32_MAX);
        EXPECT_EQ(h->LastPaletteFrame, UINT32_MAX);
        EXPECT_EQ(h->PrimaryTrack, -1);
    }
}

TEST(ZorbOpen, FrameRateOverride)
{
    ZbxBuild b = Simple();
    int32_t saved = zorb::g_frameRateOverride;
    zorb::g_frameRateOverride = -5000;
    HandlePtr h(OpenBytes(b.Bytes(), ZORB_OPEN_FRAMERATE_OVERRIDE));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->FrameRate, -5000);
    EXPECT_EQ(h->FramePeriod, 5000u);
    EXPECT_EQ(h->FramesPerSecond, 20u);
    HandlePtr plain(OpenBytes(b.Bytes()));
    EXPECT_EQ(plain->FrameRate, 100);
    zorb::g_frameRateOverride = saved;
}

TEST(ZorbOpen, RingFrameMakesTablesOneLonger)
{
    ZbxBuild b;
    b.headerFlags = ZBX_RING_FRAME;
    for (int i = 0; i < 11; ++i)
        b.frames.push_back(PatternFrame(50 + i, static_cast<uint8_t>(i)));
    HandlePtr h(OpenBytes(b.Bytes(), ZORB_OPEN_PRELOAD));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->FrameCount, 10u);
    EXPECT_EQ(zorb::TableFrames(h.get()), 11u);
    EXPECT_EQ(h->FrameSizes[10], 60u);
    EXPECT_EQ(h->TotalFrameBytes, 11u * 50 + 55);
    EXPECT_EQ(h->DataStart, 104u + 5 * 11 + 1);
    h->CurrentFrame = 10;
    zorb::PositionOnCurrentFrame(h.get());
    EXPECT_EQ(h->CurrentFrameSize, 60u);
    EXPECT_EQ(std::memcmp(h->FrameData, b.frames[10].bytes.data(), 60), 0);
}

TEST(ZorbOpen, HeightModes)
{
    struct Case {
        uint32_t headerFlags, openFlags, height, modeBits;
    } cases[] = {
        {0, 0, 100, 0},
        {ZBX_HEIGHT_INTERLACED, 0, 200, ZORB_OPEN_HEIGHT_INTERLACE},
        {ZBX_HEIGHT_DOUBLED, 0, 200, ZORB_OPEN_HEIGHT_DOUBLE},
        {ZBX_HEIGHT_INTERLACED | ZBX_HEIGHT_DOUBLED, 0, 100, 0},
        {ZBX_HEIGHT_INTERLACED, ZORB_OPEN_HEIGHT_NONE, 100, 0},
        {0, ZORB_OPEN_HEIGHT_DOUBLE, 200, ZORB_OPEN_HEIGHT_DOUBLE},
        {ZBX_HEIGHT_DOUBLED, ZORB_OPEN_HEIGHT_INTERLACE, 200, ZORB_OPEN_HEIGHT_INTERLACE},
    };
    for (const Case &c : cases) {
        ZbxBuild b = Simple();
        b.height = 100;
        b.headerFlags = c.headerFlags;
        HandlePtr h(OpenBytes(b.Bytes(), c.openFlags));
        ASSERT_TRUE(h);
        EXPECT_EQ(h->Height, c.height) << c.headerFlags << " " << c.openFlags;
        EXPECT_EQ(h->OpenFlags & ZORB_OPEN_HEIGHT_NONE, c.modeBits) << c.headerFlags << " " << c.openFlags;
    }
}

TEST(ZorbOpen, OpenFlagsKeepUnlistedBitsAndDropTrackBits)
{
    ZbxBuild b = Simple();
    b.audioFormat[0] = ZBX_AUDIO_PRESENT | 22050;
    HandlePtr h(OpenBytes(b.Bytes(), 0x40000000u | ZORB_OPEN_NEVER_SKIP | ZORB_OPEN_TRACK(0) | ZORB_OPEN_TRACK(3)));
    ASSERT_TRUE(h);
    // The file is small, so it is preloaded. Track 3 does not exist in the
    // file and is never opened; track 0 opens only where a sound device does.
    EXPECT_EQ(h->OpenFlags & ~uint32_t{ZORB_OPEN_TRACKS_MASK}, 0x40000000u | ZORB_OPEN_NEVER_SKIP | ZORB_OPEN_PRELOAD);
    EXPECT_EQ(h->OpenFlags & ZORB_OPEN_TRACK(3), 0u);
}

TEST(ZorbOpen, ChunksOfAPaletteAndSoundFrame)
{
    ZbxBuild b;
    std::vector<uint8_t> sound(20, 0x80), video{1, 2, 3, 4, 5};
    b.frames.push_back(MakeFrame(std::vector<uint8_t>{0x3F, 0x00, 0x20}, {sound}, video));
    ASSERT_EQ(b.frames[0].type, 0x03);
    HandlePtr h(OpenBytes(b.Bytes()));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->PaletteChunk, h->FrameData);
    EXPECT_EQ(h->AudioChunk[0], h->FrameData + 4);
    for (int t = 1; t < 7; ++t)
        EXPECT_EQ(h->AudioChunk[t], nullptr);
    EXPECT_EQ(h->VideoOffset, 4u + 24);
    EXPECT_EQ(h->VideoChunk, h->FrameData + 28);
    EXPECT_EQ(h->VideoChunk[0], 1);
    EXPECT_EQ(h->FreshPalette, 1u);
    EXPECT_EQ(h->Palette[0], 255);
    EXPECT_EQ(h->Palette[1], 0);
    EXPECT_EQ(h->Palette[2], 130);
    EXPECT_EQ(h->ReadFailed, 0u);
}

TEST(ZorbOpen, FileHandleStaysOpenAndStartsWhereItIsPositioned)
{
    ZbxBuild b = Simple(40, 1000);
    std::vector<uint8_t> bytes(5000, 0xEE); // something before the data
    std::vector<uint8_t> zbx = b.Bytes();
    bytes.insert(bytes.end(), zbx.begin(), zbx.end());
    std::string path = WriteTemp(bytes);
    for (uint32_t mode : {0u, uint32_t{ZORB_OPEN_PRELOAD}}) {
        int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::lseek(fd, 5000, SEEK_SET), 5000);
        ZorbHandle *h =
            ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), ZORB_OPEN_FILE_HANDLE | mode, 8192);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->DataStart, 5000u + 104 + 5 * 40 + 1);
        EXPECT_EQ(h->ReadBufferStart == nullptr, mode != 0);
        EXPECT_EQ(std::memcmp(h->FrameData, b.frames[0].bytes.data(), 1000), 0);
        h->CurrentFrame = 17;
        zorb::PositionOnCurrentFrame(h);
        EXPECT_EQ(std::memcmp(h->FrameData, b.frames[17].bytes.data(), 1000), 0);
        EXPECT_EQ(h->ReadFailed, 0u);
        ZorbClose(h);
        EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "the caller's descriptor was closed";
        ::close(fd);
    }
}

TEST(ZorbOpen, CallerMemory)
{
    ZbxBuild b = Simple();
    std::string path = WriteTemp(b.Bytes());
    alignas(16) static ZorbHandle mem;
    std::memset(&mem, 0x55, sizeof mem);
    std::strcpy(reinterpret_cast<char *>(&mem), path.c_str());
    ZorbHandle *h = ZorbOpen(&mem, ZORB_OPEN_CALLER_MEMORY, -1);
    ASSERT_EQ(h, &mem);
    EXPECT_EQ(h->FrameCount, 3u);
    ZorbClose(h);
    const auto *raw = reinterpret_cast<const uint8_t *>(&mem);
    for (size_t i = 0; i < sizeof mem; ++i)
        ASSERT_EQ(raw[i], 0) << i;

    int fd = ::open(path.c_str(), O_RDONLY);
    std::memset(&mem, 0x55, sizeof mem);
    int32_t word = fd;
    std::memcpy(&mem, &word, 4);
    h = ZorbOpen(&mem, ZORB_OPEN_CALLER_MEMORY | ZORB_OPEN_FILE_HANDLE, -1);
    ASSERT_EQ(h, &mem);
    ZorbClose(h);
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);
}

TEST(ZorbOpen, MemoryIsBooked)
{
    ZbxBuild b = Simple(60, 2000); // 120000 bytes: read-ahead
    b.frameRate = 100;
    HandlePtr h(OpenBytes(b.Bytes()));
    ASSERT_TRUE(h);
    ASSERT_NE(h->ReadBufferStart, nullptr);
    uint32_t expect =
        sizeof(ZorbHandle) + h->FramesTableSize + h->TreeTableSize + h->FrameBufferSize + 8 + h->ReadBufferSize + 4096;
    EXPECT_EQ(h->MemoryInUse, expect);
    EXPECT_EQ(h->FramesTableSize, 5u * 60 + 4);
    EXPECT_EQ(h->FrameBufferSize, 2000u);
    // The tree scratch block was booked and released during the open.
    EXPECT_GE(h->PeakMemory, sizeof(ZorbHandle) + h->FramesTableSize + 8192);
    EXPECT_GE(h->PeakMemory, h->MemoryInUse);
}

TEST(ZorbOpen, ReadsTreesIntoTheTable)
{
    ZbxBuild b = Simple();
    BigTreeWriter w;
    CodeTree t = CodeTree::Balanced({0x0103, 0x0207, 0x0305});
    w.Absent();
    w.Present(t, {0xFFFF, 0xFFFF, 0xFFFF});
    w.Absent();
    w.Present(CodeTree::Balanced({1, 2}), {0, 0, 0});
    b.treeData = w.Bytes();
    b.treeSizes = {0, t.NodeBytes(), 0, 12};
    HandlePtr h(OpenBytes(b.Bytes()));
    ASSERT_TRUE(h);
    auto *tt = h->TreeTable;
    EXPECT_EQ(tt->tree[1].present, 1u);
    EXPECT_EQ(tt->tree[1].nodeCount, 5u);
    EXPECT_EQ(tt->tree[3].present, 1u);
    EXPECT_EQ(tt->tree[0].present, 0u);
    EXPECT_EQ(tt->unusedCode, 0); // no escape leaf: 0 is free
    EXPECT_EQ(h->DataStart, 104u + 15 + b.treeData.size());
}

// ---- Frame statistics -------------------------------------------------------------

TEST(FrameStats, ShortFileIsOneSecond)
{
    uint32_t sizes[5] = {10, 20, 30, 40, 50};
    zorb::FrameStats s = zorb::ComputeFrameStats(sizes, 5, 10);
    EXPECT_EQ(s.largestSecondBytes, 150u);
    EXPECT_EQ(s.largestSecondFrame, 1u);
    EXPECT_EQ(s.largestFrame, 50u);
    EXPECT_EQ(s.meanFrameBytes, 30u);
    EXPECT_EQ(s.total, 150u);
}

TEST(FrameStats, WindowsFromFrameOneToNMinusOneMinusF)
{
    std::vector<uint32_t> sizes(30, 10);
    sizes[0] = 100000; // in the window at 0 only, which is never compared
    zorb::FrameStats s = zorb::ComputeFrameStats(sizes.data(), 30, 10);
    EXPECT_EQ(s.largestSecondBytes, 100u);
    EXPECT_EQ(s.largestSecondFrame, 2u); // window at 1, the first of equals

    sizes[0] = 10;
    sizes[29] = 500; // only in the window at 20 (= N - f), never compared
    s = zorb::ComputeFrameStats(sizes.data(), 30, 10);
    EXPECT_EQ(s.largestSecondBytes, 100u);

    sizes[28] = 300; // in windows 19..: the last compared window starts at 19
    s = zorb::ComputeFrameStats(sizes.data(), 30, 10);
    EXPECT_EQ(s.largestSecondBytes, 390u);
    EXPECT_EQ(s.largestSecondFrame, 20u);

    // N - 1 == f: no window is compared.
    std::vector<uint32_t> eleven(11, 7);
    s = zorb::ComputeFrameStats(eleven.data(), 11, 10);
    EXPECT_EQ(s.largestSecondBytes, 0u);
    EXPECT_EQ(s.largestSecondFrame, 1u);
}

TEST(FrameStats, ThroughOpen)
{
    ZbxBuild b;
    for (int i = 0; i < 5; ++i)
        b.frames.push_back(PatternFrame(100 * (i + 1), 0));
    HandlePtr h(OpenBytes(b.Bytes()));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->LargestFrameSize, 500u);
    EXPECT_EQ(h->LargestSecondBytes, 1500u);
    EXPECT_EQ(h->LargestSecondFrame, 1u);
    EXPECT_EQ(h->MeanFrameBytes, 300u);
}

namespace {

// Fails the allocation numbered g_failAt (from 1), counting them in g_seen.
int g_failAt = 0;
int g_seen = 0;
bool FailOne(size_t)
{
    return ++g_seen != g_failAt;
}

} // namespace

// Every allocation of an open is made to fail in turn, with and without
// preloading and in caller memory: each failure gives a null handle, a
// reason and no block left behind; past the last allocation the open works.
TEST(ZorbOpen, EveryAllocationFailureIsClean)
{
    const std::string path = WriteTemp(Simple(5, 300).Bytes(), "alloc");
    const uint32_t modes[] = {0, ZORB_OPEN_PRELOAD, ZORB_OPEN_FILL_BUFFER};
    alignas(16) static ZorbHandle callerRecord;
    for (uint32_t flags : modes) {
        for (bool callerMemory : {false, true}) {
            bool opened = false;
            for (g_failAt = 1; g_failAt < 64 && !opened; ++g_failAt) {
                g_seen = 0;
                const size_t before = zorb::LiveBlocks();
                zorb::SetAllocationHook(FailOne);
                void *first = const_cast<char *>(path.c_str());
                if (callerMemory) {
                    std::memset(&callerRecord, 0, sizeof callerRecord);
                    std::strcpy(reinterpret_cast<char *>(&callerRecord), path.c_str());
                    first = &callerRecord;
                }
                ZorbHandle *h = ZorbOpen(first, flags | (callerMemory ? ZORB_OPEN_CALLER_MEMORY : 0), -1);
                zorb::SetAllocationHook(nullptr);
                if (h) {
                    EXPECT_GT(g_failAt, g_seen) << "an allocation failed and the open still succeeded";
                    EXPECT_STREQ(ZorbLastOpenError(), "");
                    ZorbClose(h);
                    opened = true;
                } else {
                    EXPECT_STREQ(ZorbLastOpenError(), "out of memory") << flags << " " << g_failAt;
                }
                EXPECT_EQ(zorb::LiveBlocks(), before) << flags << " " << g_failAt;
            }
            EXPECT_TRUE(opened) << flags;
            EXPECT_GT(g_failAt, 3) << "too few allocations were tried";
        }
    }
}

TEST(ZorbOpen, LastOpenErrorSaysWhy)
{
    EXPECT_EQ(ZorbOpen(const_cast<char *>("/nonexistent/file.zbx"), 0, -1), nullptr);
    EXPECT_STREQ(ZorbLastOpenError(), "cannot open the file: No such file or directory");
    ZbxBuild b = Simple();
    b.magic[3] ^= 0x20;
    EXPECT_EQ(OpenBytes(b.Bytes()), nullptr);
    EXPECT_STREQ(ZorbLastOpenError(), "the file does not start with \"ZBX2\"");
    std::vector<uint8_t> bytes = Simple().Bytes();
    bytes.resize(10);
    EXPECT_EQ(OpenBytes(bytes), nullptr);
    EXPECT_STREQ(ZorbLastOpenError(), "the file is too short for its header");
    HandlePtr h(OpenBytes(Simple().Bytes()));
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(ZorbLastOpenError(), "");
}

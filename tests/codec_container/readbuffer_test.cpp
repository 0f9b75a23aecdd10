#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

#include "codec/handle.h"
#include "codec/zorb.h"
#include "platform/platform.h"
#include "zbxbuild.h"

using namespace zbxtest;
using zorb::BufferChoice;
using zorb::ChooseBuffering;

namespace {

struct Closer {
    void operator()(ZorbHandle *h) const { ZorbClose(h); }
};
using HandlePtr = std::unique_ptr<ZorbHandle, Closer>;

// Frames of varied sizes, some larger than the ring.
ZbxBuild VariedFile(int frames, uint32_t seed, uint32_t maxSize = 30000)
{
    std::mt19937 rng(seed);
    ZbxBuild b;
    for (int i = 0; i < frames; ++i) {
        uint32_t n = rng() % 3 == 0 ? rng() % maxSize : rng() % 3000;
        b.frames.push_back(PatternFrame(n, static_cast<uint8_t>(rng())));
    }
    return b;
}

// Moves on to the next frame as the frame stepping does.
void Step(ZorbHandle *h)
{
    if (!h->ReadBufferStart)
        h->FrameData += h->CurrentFrameSize;
    ++h->CurrentFrame;
    zorb::ReadCurrentFrame(h);
    zorb::ParseFrame(h);
}

bool FrameIs(const ZorbHandle *h, const BuiltFrame &f)
{
    return h->CurrentFrameSize == f.bytes.size() &&
           (f.bytes.empty() || std::memcmp(h->FrameData, f.bytes.data(), f.bytes.size()) == 0);
}

} // namespace

TEST(Buffering, Choice)
{
    // T = 50000 at 10 frames per second, LargestSecondBytes 20000.
    BufferChoice c = ChooseBuffering(0, -1, 50000, 20000, 10000);
    EXPECT_FALSE(c.preload);
    EXPECT_EQ(c.ringSize, 16384u);
    c = ChooseBuffering(0, -1, 20000, 20000, 10000);
    EXPECT_FALSE(c.preload);
    EXPECT_EQ(c.ringSize, 12288u);
    c = ChooseBuffering(0, -1, 10000, 20000, 10000);
    EXPECT_TRUE(c.preload);
    c = ChooseBuffering(0, 100, 1000000, 0, 10000);
    EXPECT_FALSE(c.preload);
    EXPECT_EQ(c.ringSize, 8192u);
    c = ChooseBuffering(ZORB_OPEN_PRELOAD, 100, 1000000, 0, 10000);
    EXPECT_TRUE(c.preload);
    // No pacing: S = 12288, bounded by a quarter of the file.
    c = ChooseBuffering(0, -1, 1000000, 999999, 0);
    EXPECT_EQ(c.ringSize, 12288u);
    // A huge request preloads instead of allocating a huge ring.
    c = ChooseBuffering(0, INT32_MAX, 1000000, 0, 10000);
    EXPECT_TRUE(c.preload);
}

TEST(Buffering, SmallFileIsPreloadedAndClosed)
{
    ZbxBuild b;
    for (int i = 0; i < 10; ++i)
        b.frames.push_back(PatternFrame(1000, static_cast<uint8_t>(i)));
    HandlePtr h(ZorbOpen(const_cast<char *>(WriteTemp(b.Bytes()).c_str()), 0, -1));
    ASSERT_TRUE(h);
    EXPECT_TRUE(h->OpenFlags & ZORB_OPEN_PRELOAD);
    EXPECT_EQ(h->FileHandle, -1);
    EXPECT_EQ(h->ReadBufferStart, nullptr);
    EXPECT_EQ(h->FrameBufferSize, 10000u);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(FrameIs(h.get(), b.frames[i])) << i;
        if (i < 9)
            Step(h.get());
    }
}

TEST(ReadAhead, WalkWithBackgroundReadsAndSeeks)
{
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        ZbxBuild b = VariedFile(80, seed);
        std::vector<uint8_t> bytes = b.Bytes();
        std::vector<uint8_t> padded(seed * 1000, 0xAB); // start offsets off the 4096 grid
        std::string path = WriteTemp(bytes);
        int32_t extra = seed % 2 ? -1 : static_cast<int32_t>(seed * 3000);
        HandlePtr h(ZorbOpen(const_cast<char *>(path.c_str()), seed % 3 ? 0 : ZORB_OPEN_FILL_BUFFER, extra));
        ASSERT_TRUE(h);
        ASSERT_NE(h->ReadBufferStart, nullptr) << seed;
        std::mt19937 rng(seed);
        ASSERT_TRUE(FrameIs(h.get(), b.frames[0]));
        for (int step = 0; step < 300; ++step) {
            int action = static_cast<int>(rng() % 10);
            if (action < 4) {
                for (uint32_t k = rng() % 6; k > 0; --k)
                    zorb::BackgroundReadStep(h.get());
            } else if (action < 9) {
                if (h->CurrentFrame + 1 >= b.frames.size())
                    continue;
                Step(h.get());
            } else {
                h->CurrentFrame = static_cast<uint32_t>(rng() % b.frames.size());
                zorb::PositionOnCurrentFrame(h.get());
                zorb::ParseFrame(h.get());
            }
            ASSERT_TRUE(FrameIs(h.get(), b.frames[h->CurrentFrame])) << "seed " << seed << " step " << step;
            ASSERT_LE(h->BufferedBytes, h->ReadBufferSize + 4096);
            ASSERT_GE(h->ReadPtr, h->ReadBufferStart);
            ASSERT_LT(h->ReadPtr, h->ReadBufferStart + h->ReadBufferSize + 4096);
            ASSERT_EQ(h->ReadFailed, 0u);
        }
    }
}

TEST(ReadAhead, RingStateAndStatistics)
{
    ZbxBuild b;
    for (int i = 0; i < 40; ++i)
        b.frames.push_back(PatternFrame(1500, static_cast<uint8_t>(i)));
    std::string path = WriteTemp(b.Bytes());
    HandlePtr h(ZorbOpen(const_cast<char *>(path.c_str()), 0, 8192));
    ASSERT_TRUE(h);
    ASSERT_EQ(h->ReadBufferSize, 8192u);
    // Header, tables and trees come to 305 bytes; the alignment read takes the
    // rest of the first block, frame 0 is served from it.
    EXPECT_EQ(h->DataStart, 305u);
    EXPECT_EQ(h->ReadPosition, 305u + 1500);
    EXPECT_EQ(h->BufferedBytes, 4096u - 305 - 1500);
    EXPECT_EQ(h->ForegroundBytes, 4096u);
    EXPECT_EQ(h->ReadTimeAtOpen, h->ForegroundTime);

    // Fill: steps until less than 4096 bytes are free.
    uint32_t steps = 0;
    while (zorb::BackgroundReadStep(h.get()))
        ++steps;
    EXPECT_EQ(steps, 1u); // 2291 buffered, then 6387: less than 4096 free
    EXPECT_EQ(h->BackgroundBytes, 4096u);
    EXPECT_EQ(h->PeakBuffered, h->BufferedBytes);
    EXPECT_LT(h->ReadBufferSize - h->BufferedBytes, 4096u);

    // A seek into the buffered stretch reads nothing from the file.
    uint32_t before = h->ForegroundBytes;
    h->CurrentFrame = 4;
    zorb::PositionOnCurrentFrame(h.get());
    EXPECT_EQ(h->ForegroundBytes, before);
    EXPECT_TRUE(FrameIs(h.get(), b.frames[4]));

    // A seek backwards empties the ring and reads from the file again.
    h->CurrentFrame = 1;
    zorb::PositionOnCurrentFrame(h.get());
    EXPECT_GT(h->ForegroundBytes, before);
    EXPECT_TRUE(FrameIs(h.get(), b.frames[1]));
}

TEST(ReadAhead, NoBackgroundReadAtTheRingFrame)
{
    ZbxBuild b;
    b.headerFlags = ZBX_RING_FRAME;
    for (int i = 0; i < 31; ++i)
        b.frames.push_back(PatternFrame(3000, static_cast<uint8_t>(i)));
    HandlePtr h(ZorbOpen(const_cast<char *>(WriteTemp(b.Bytes()).c_str()), 0, 8192));
    ASSERT_TRUE(h);
    ASSERT_NE(h->ReadBufferStart, nullptr);
    h->CurrentFrame = 30;
    zorb::PositionOnCurrentFrame(h.get());
    EXPECT_TRUE(FrameIs(h.get(), b.frames[30]));
    EXPECT_EQ(zorb::BackgroundReadStep(h.get()), 0u);
}

TEST(ReadAhead, ShortFileSetsReadFailed)
{
    // A pipe does not reveal its size: the frames claimed by the table never arrive.
    ZbxBuild b;
    for (int i = 0; i < 20; ++i)
        b.frames.push_back(PatternFrame(5000, static_cast<uint8_t>(i)));
    std::vector<uint8_t> bytes = b.Bytes();
    bytes.resize(bytes.size() - 60000);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fds[1]);
    HandlePtr h(ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fds[0])), ZORB_OPEN_FILE_HANDLE, 8192));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->ReadFailed, 0u);
    for (int i = 1; i < 20; ++i)
        Step(h.get());
    EXPECT_EQ(h->ReadFailed, 1u);
    h.reset();
    ::close(fds[0]);
}

namespace {
uint32_t g_fakeNow = 0;
uint32_t FakeClock(void *)
{
    return g_fakeNow++;
} // one millisecond per reading
} // namespace

TEST(ReadAhead, SimulatedReadSpeed)
{
    ZbxBuild b;
    for (int i = 0; i < 30; ++i)
        b.frames.push_back(PatternFrame(50000, static_cast<uint8_t>(i)));
    std::string path = WriteTemp(b.Bytes());
    ZorbSetReadSpeed(100000);
    PlatformSetClock(FakeClock, nullptr);
    HandlePtr h(ZorbOpen(const_cast<char *>(path.c_str()), ZORB_OPEN_SIMULATE_READ, 65536));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->SimulatedReadRate, 100000u);
    uint32_t t0 = h->ForegroundTime, bytes0 = h->ForegroundBytes;
    Step(h.get());
    uint32_t read = h->ForegroundBytes - bytes0;
    EXPECT_GE(read, 45000u);
    EXPECT_GE(h->ForegroundTime - t0, read * 1000ull / 100000);
    PlatformSetClock(nullptr, nullptr);
    ZorbSetReadSpeed(0);
    HandlePtr fast(ZorbOpen(const_cast<char *>(path.c_str()), ZORB_OPEN_SIMULATE_READ, 65536));
    EXPECT_EQ(fast->SimulatedReadRate, 0u);
}

TEST(ReadAhead, FileReadsStayOnTheBlockGrid)
{
    // Through a descriptor of our own we can watch the file position: after
    // the alignment read every read starts and ends on a 4096-byte boundary
    // (until the end of the file).
    ZbxBuild b = VariedFile(60, 99, 20000);
    std::vector<uint8_t> bytes = b.Bytes();
    std::string path = WriteTemp(bytes);
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    HandlePtr h(ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), ZORB_OPEN_FILE_HANDLE, 8192));
    ASSERT_TRUE(h);
    ASSERT_NE(h->ReadBufferStart, nullptr);
    auto onGrid = [&] {
        off_t pos = ::lseek(fd, 0, SEEK_CUR);
        return pos % 4096 == 0 || pos == static_cast<off_t>(bytes.size());
    };
    EXPECT_TRUE(onGrid());
    std::mt19937 rng(4);
    for (uint32_t i = 1; i < 60; ++i) {
        for (uint32_t k = rng() % 4; k > 0; --k) {
            zorb::BackgroundReadStep(h.get());
            ASSERT_TRUE(onGrid()) << i;
        }
        Step(h.get());
        ASSERT_TRUE(onGrid()) << i;
        ASSERT_TRUE(FrameIs(h.get(), b.frames[i]));
    }
    h.reset();
    ::close(fd);
}

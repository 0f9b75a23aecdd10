// VEXFile: buffering, positions, direction changes, bit fields, lines,
// times, and a randomised run against a plain in-memory model.
#include "vexutil/core/vexfile_record.h"
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class VexFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = "/tmp/zvexfXXXXXX";
        dir_ = mkdtemp(t.data());
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const std::string &name) const { return dir_ + "/" + name; }

    std::string write(const std::string &name, const Bytes &content) const
    {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char *>(content.data()), static_cast<std::streamsize>(content.size()));
        return p;
    }
    std::string write(const std::string &name, const std::string &content) const
    {
        return write(name, Bytes(content.begin(), content.end()));
    }
    static Bytes read(const std::string &p)
    {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string dir_;
};

TEST_F(VexFileTest, OpenAndCreateRefuseBadArguments)
{
    const std::string p = write("a.bin", "abc");
    EXPECT_EQ(VEXFileOpen(16, nullptr, VEXFILE_READ), nullptr);
    EXPECT_EQ(VEXFileOpen(16, p.c_str(), 249), nullptr);
    EXPECT_EQ(VEXFileOpen(16, p.c_str(), 252), nullptr);
    EXPECT_EQ(VEXFileOpen(16, path("missing").c_str(), VEXFILE_READ), nullptr);
    EXPECT_EQ(VEXFileOpen(16, dir_.c_str(), VEXFILE_READ), nullptr);
    EXPECT_EQ(VEXFileCreate(16, nullptr), nullptr);
    EXPECT_EQ(VEXFileCreate(16, path("no/such/dir/x").c_str()), nullptr);

    // A read-only handle cannot write: the error field records it.
    VEXFILE *f = VEXFileOpen(0, p.c_str(), VEXFILE_READ);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(VEXFilePutNB(f, "x", 1), 0u);
    EXPECT_EQ(f->error, 1u);
    VEXFileClose(f);
    EXPECT_EQ(read(p), Bytes({'a', 'b', 'c'}));
}

TEST_F(VexFileTest, NegativeBufferSizeMeansItsMagnitudeAndNamesKeepTheirText)
{
    const std::string p = write("a.bin", "abcdef");
    VEXFILE *f = VEXFileOpen(-4, p.c_str(), VEXFILE_READ);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->bufferSize, 4u);
    char name[128];
    EXPECT_STREQ(VEXFileGetName(f, name), p.c_str());
    EXPECT_STREQ(name, p.c_str());
    EXPECT_EQ(VEXFileGet8(f), static_cast<uint32_t>('a'));
    VEXFileClose(f);

    // Names longer than 127 characters open; the copy handed out is cut.
    std::string longName = dir_ + "/" + std::string(150, 'n');
    write(std::string(150, 'n'), "xyz");
    f = VEXFileOpen(16, longName.c_str(), VEXFILE_READ);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::string(VEXFileGetName(f, name)), longName);
    EXPECT_EQ(std::string(name), longName.substr(0, 127));
    VEXFileClose(f);
}

TEST_F(VexFileTest, BackslashesSeparateDirectories)
{
    mkdir(path("sub").c_str(), 0755);
    std::string winName = dir_ + "\\sub\\f.bin";
    VEXFILE *f = VEXFileCreate(16, winName.c_str());
    ASSERT_NE(f, nullptr);
    VEXFilePut32(f, 0x04030201);
    VEXFileClose(f);
    EXPECT_EQ(read(path("sub/f.bin")), Bytes({1, 2, 3, 4}));
    EXPECT_TRUE(VEXFileErase(winName.c_str()));
    EXPECT_FALSE(VEXFileErase(winName.c_str()));
    EXPECT_FALSE(VEXFileErase(nullptr));
}

TEST_F(VexFileTest, UnbufferedHandleCountsMatchBufferedOnes)
{
    Bytes content(1000);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 7 + 3);
    const std::string p = write("in.bin", content);
    for (int32_t size : {0, 64}) {
        SCOPED_TRACE(size);
        VEXFILE *f = VEXFileOpen(size, p.c_str(), VEXFILE_READWRITE);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->buffer, nullptr);
        uint8_t buf[600];
        EXPECT_EQ(VEXFileGetNB(f, buf, 10), 10u);
        EXPECT_EQ(VEXFileGet16(f), static_cast<uint32_t>(content[10] | content[11] << 8));
        EXPECT_EQ(VEXFileGetBits(f, 3), content[12] & 7u);
        EXPECT_EQ(VEXFileGetPos(f), 12u);
        EXPECT_EQ(VEXFileGet(f, buf, 600), 600u);
        EXPECT_EQ(VEXFileGetPos(f), 612u);
        EXPECT_EQ(VEXFilePutNB(f, "hello", 5), 5u);
        EXPECT_EQ(VEXFileGetPos(f), 617u);
        EXPECT_EQ(VEXFileSetPos(f, 990), 617u);
        EXPECT_EQ(VEXFileGetNB(f, buf, 600), 10u); // short at the end
        EXPECT_TRUE(VEXFileAtEnd(f));
        EXPECT_EQ(VEXFileSize(f), 1000u);
        if (size == 0) {
            EXPECT_EQ(f->buffer, nullptr);
        }
        VEXFileClose(f);
        Bytes expect = content;
        std::copy_n("hello", 5, expect.begin() + 612);
        EXPECT_EQ(read(p), expect);
        write("in.bin", content);
    }
}

TEST_F(VexFileTest, BitsAreLeastSignificantFirst)
{
    const std::string p = path("bits.bin");
    VEXFILE *f = VEXFileCreate(16, p.c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(VEXFilePutBits(f, 5, 3), 5u);
    EXPECT_EQ(VEXFilePutBits(f, 1, 5), 1u);
    VEXFileFlush(f);
    EXPECT_EQ(read(p), Bytes({0x0D}));
    VEXFileClose(f);

    f = VEXFileOpen(16, p.c_str(), VEXFILE_READ);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(VEXFileGetBits(f, 3), 5u);
    EXPECT_EQ(VEXFileGetBits(f, 5), 1u);
    VEXFileClose(f);

    f = VEXFileCreate(16, p.c_str());
    VEXFilePutBits(f, 0x1, 4);
    VEXFilePutBits(f, 0xABC, 12);
    VEXFileClose(f);
    EXPECT_EQ(read(p), Bytes({0xC1, 0xAB}));

    // Wide fields straddling bytes, and a partial last byte padded with zeros.
    f = VEXFileCreate(16, p.c_str());
    VEXFilePutBits(f, 0x3, 2);
    VEXFilePutBits(f, 0xDEADBEEF, 32);
    VEXFilePutBits(f, 0x1FFFFFF, 25);
    VEXFilePutBits(f, 0x12345, 17);
    VEXFilePutBits(f, 1, 1);
    VEXFileClose(f);
    EXPECT_EQ(read(p).size(), 10u); // 77 bits
    f = VEXFileOpen(16, p.c_str(), VEXFILE_READ);
    EXPECT_EQ(VEXFileGetBits(f, 2), 3u);
    EXPECT_EQ(VEXFileGetBits(f, 32), 0xDEADBEEFu);
    EXPECT_EQ(VEXFileGetBits(f, 25), 0x1FFFFFFu);
    EXPECT_EQ(VEXFileGetBits(f, 17), 0x12345u);
    EXPECT_EQ(VEXFileGetBits(f, 1), 1u);
    EXPECT_EQ(VEXFileGetBits(f, 3), 0u); // the padding
    VEXFileClose(f);
}

TEST_F(VexFileTest, PositionNamesThePartlyConsumedByte)
{
    const std::string p = write("p.bin", Bytes{0xFF, 0x01, 0x02, 0x03});
    VEXFILE *f = VEXFileOpen(64, p.c_str(), VEXFILE_READ);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(VEXFileGetBits(f, 3), 7u);
    EXPECT_EQ(VEXFileBitPos(f), 3u);
    EXPECT_EQ(VEXFileGetPos(f), 0u);
    VEXFileByteAlign(f);
    EXPECT_EQ(VEXFileGetPos(f), 1u);
    EXPECT_EQ(VEXFileBitPos(f), 0u);
    // Byte reads with bits pending are realigned: 0x01 >> 4 | 0x02 << 4...
    EXPECT_EQ(VEXFileGetBits(f, 4), 1u);
    EXPECT_EQ(VEXFileGet8(f), 0x20u);
    EXPECT_EQ(VEXFileGetBits(f, 4), 0u);
    EXPECT_EQ(VEXFileGetPos(f), 3u);
    // Setting the position to the current one does nothing.
    const uint32_t fdPos = static_cast<uint32_t>(lseek(f->handle, 0, SEEK_CUR));
    EXPECT_EQ(VEXFileSetPos(f, 3), 3u);
    EXPECT_EQ(VEXFileGetPos(f), 3u);
    EXPECT_EQ(lseek(f->handle, 0, SEEK_CUR), static_cast<off_t>(fdPos));
    VEXFileClose(f);
}

TEST_F(VexFileTest, SeekInsideTheReadBufferLeavesTheHandleAlone)
{
    Bytes content(200);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i);
    const std::string p = write("s.bin", content);
    VEXFILE *f = VEXFileOpen(100, p.c_str(), VEXFILE_READ);
    ASSERT_NE(f, nullptr);
    uint8_t buf[50];
    ASSERT_EQ(VEXFileGetNB(f, buf, 50), 50u);
    const off_t before = lseek(f->handle, 0, SEEK_CUR);
    EXPECT_EQ(before, 100);
    EXPECT_TRUE(VEXFileIsInBuffer(f, 10));
    EXPECT_TRUE(VEXFileIsInBuffer(f, 99));
    EXPECT_FALSE(VEXFileIsInBuffer(f, 100));
    EXPECT_EQ(VEXFileSetPos(f, 10), 50u);
    EXPECT_EQ(lseek(f->handle, 0, SEEK_CUR), before);
    EXPECT_EQ(VEXFileGetPos(f), 10u);
    EXPECT_EQ(VEXFileGet8(f), 10u);
    // Outside the buffer: the handle moves.
    EXPECT_EQ(VEXFileSetPos(f, 150), 11u);
    EXPECT_FALSE(VEXFileIsInBuffer(f, 10));
    EXPECT_EQ(VEXFileGet8(f), 150u);
    VEXFileClose(f);
}

TEST_F(VexFileTest, LargeTransfersBypassTheBuffer)
{
    Bytes content(5000);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 13);
    const std::string p = write("big.bin", content);
    VEXFILE *f = VEXFileOpen(256, p.c_str(), VEXFILE_READ);
    ASSERT_NE(f, nullptr);
    Bytes got(3000);
    ASSERT_EQ(VEXFileGetNB(f, got.data(), 3000), 3000u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), content.begin()));
    // Nothing was buffered: the read went straight to the destination.
    EXPECT_FALSE(VEXFileIsInBuffer(f, 2999));
    EXPECT_EQ(f->index, f->fill);
    EXPECT_EQ(VEXFileGetPos(f), 3000u);
    VEXFileClose(f);

    const std::string q = path("out.bin");
    f = VEXFileCreate(256, q.c_str());
    ASSERT_EQ(VEXFilePutNB(f, content.data(), 3000), 3000u);
    EXPECT_EQ(f->index, 0u); // bypassed
    EXPECT_EQ(lseek(f->handle, 0, SEEK_CUR), 3000);
    ASSERT_EQ(VEXFilePutNB(f, content.data() + 3000, 100), 100u);
    EXPECT_EQ(f->index, 100u); // buffered
    ASSERT_EQ(VEXFilePutNB(f, content.data() + 3100, 1900), 1900u);
    VEXFileClose(f);
    EXPECT_EQ(read(q), content);
}

TEST_F(VexFileTest, ZeroCountsAndClosedRecords)
{
    const std::string p = write("z.bin", "abc");
    VEXFILE *f = VEXFileOpen(16, p.c_str(), VEXFILE_READ);
    uint8_t b[4];
    EXPECT_EQ(VEXFileGetNB(f, b, 0), 0u);
    EXPECT_EQ(VEXFileGet(f, b, 0), 0u);
    EXPECT_EQ(VEXFileGetBits(f, 0), 0u);
    EXPECT_EQ(VEXFileGetPos(f), 0u);
    EXPECT_EQ(VEXFilePutNB(f, b, 0), 0u);

    // A record whose handle is closed.
    ::close(f->handle);
    f->handle = -1;
    char line[8] = "zz";
    char name[128];
    EXPECT_EQ(VEXFileGet8(f), 0u);
    EXPECT_EQ(VEXFileGet16(f), 0u);
    EXPECT_EQ(VEXFileGet32(f), 0u);
    EXPECT_EQ(VEXFileGetBits(f, 5), 0u);
    EXPECT_EQ(VEXFileGetNB(f, b, 4), 0u);
    EXPECT_EQ(VEXFileGet(f, b, 4), 0u);
    EXPECT_EQ(VEXFilePut8(f, 9), 0u);
    EXPECT_EQ(VEXFilePutBits(f, 9, 4), 0u);
    EXPECT_EQ(VEXFilePut(f, b, 4), 0u);
    EXPECT_EQ(VEXFileSize(f), 0u);
    EXPECT_EQ(VEXFileSetPos(f, 2), 0u);
    EXPECT_EQ(VEXFileBitPos(f), 0u);
    EXPECT_FALSE(VEXFileIsInBuffer(f, 0));
    EXPECT_EQ(VEXFileGetName(f, name), nullptr);
    EXPECT_EQ(VEXFileGetTime(f), 0u);
    EXPECT_EQ(VEXFileSetTime(f, 5), 0);
    EXPECT_STREQ(VEXFileGetLine(f, line, sizeof line), "");
    EXPECT_TRUE(VEXFileAtEnd(f));
    VEXFileClose(f);

    // And no handle at all.
    EXPECT_TRUE(VEXFileAtEnd(nullptr));
    EXPECT_EQ(VEXFileGet32(nullptr), 0u);
    EXPECT_EQ(VEXFileGetName(nullptr, nullptr), nullptr);
    VEXFileClose(nullptr);
}

TEST_F(VexFileTest, GetLine)
{
    char line[64];
    VEXFILE *f = VEXFileOpen(16, write("l1", "ab\r\n").c_str(), VEXFILE_READ);
    EXPECT_STREQ(VEXFileGetLine(f, line, sizeof line), "ab");
    EXPECT_STREQ(VEXFileGetLine(f, line, sizeof line), ""); // end of file
    VEXFileClose(f);

    f = VEXFileOpen(16, write("l2", "abcd").c_str(), VEXFILE_READ);
    EXPECT_STREQ(VEXFileGetLine(f, line, 3), "ab");
    EXPECT_STREQ(VEXFileGetLine(f, line, 3), "cd");
    EXPECT_STREQ(VEXFileGetLine(f, line, 1), "");
    EXPECT_EQ(VEXFileGetLine(f, nullptr, 10), nullptr);
    line[0] = 'q';
    EXPECT_EQ(VEXFileGetLine(f, line, 0), line); // no room at all: untouched
    EXPECT_EQ(line[0], 'q');
    VEXFileClose(f);

    f = VEXFileOpen(4, write("l3", "one\ntwo\r\n\r\nlast").c_str(), VEXFILE_READ);
    EXPECT_STREQ(VEXFileGetLine(f, line, sizeof line), "one");
    EXPECT_STREQ(VEXFileGetLine(f, line, sizeof line), "two");
    EXPECT_STREQ(VEXFileGetLine(f, line, sizeof line), "");
    EXPECT_FALSE(VEXFileAtEnd(f));
    EXPECT_STREQ(VEXFileGetLine(f, line, sizeof line), "last");
    EXPECT_TRUE(VEXFileAtEnd(f));
    VEXFileClose(f);
}

TEST_F(VexFileTest, SizeOfAFileBeingWritten)
{
    const std::string p = path("w.bin");
    VEXFILE *f = VEXFileCreate(4096, p.c_str());
    EXPECT_EQ(VEXFileSize(f), 0u);
    for (int i = 0; i < 100; ++i)
        VEXFilePut8(f, static_cast<uint32_t>(i));
    EXPECT_EQ(VEXFileSize(f), 100u);
    EXPECT_EQ(read(p).size(), 0u); // still buffered
    EXPECT_TRUE(VEXFileAtEnd(f));
    // Back to the start: the size stays, and a pending partial byte counts once written.
    VEXFilePutBits(f, 1, 3);
    EXPECT_EQ(VEXFileSetPos(f, 0), 100u);
    EXPECT_EQ(VEXFileSize(f), 101u);
    EXPECT_FALSE(VEXFileAtEnd(f));
    EXPECT_EQ(VEXFileSetPos(f, 100), 0u);
    EXPECT_FALSE(VEXFileAtEnd(f));
    EXPECT_EQ(VEXFileGet8(f), 1u);
    EXPECT_TRUE(VEXFileAtEnd(f));
    VEXFileClose(f);
    EXPECT_EQ(read(p).size(), 101u);
}

TEST_F(VexFileTest, DirectionChanges)
{
    const std::string p = write("d.bin", "0123456789");
    VEXFILE *f = VEXFileOpen(4, p.c_str(), VEXFILE_READWRITE);
    EXPECT_EQ(VEXFileGet16(f), static_cast<uint32_t>('0' | '1' << 8));
    VEXFilePut8(f, 'x'); // at the logical position, not the read-ahead one
    EXPECT_EQ(VEXFileGetPos(f), 3u);
    EXPECT_EQ(VEXFileGet8(f), static_cast<uint32_t>('3'));
    // Writing after three bits of a byte starts that byte afresh.
    EXPECT_EQ(VEXFileGetBits(f, 3), static_cast<uint32_t>('4' & 7));
    VEXFilePutBits(f, 0x5, 4);
    EXPECT_EQ(VEXFileGetPos(f), 4u);
    // Reading after pending bits pads the byte and reads it.
    EXPECT_EQ(VEXFileGet8(f), 0x05u);
    EXPECT_EQ(VEXFileGet8(f), static_cast<uint32_t>('5'));
    VEXFileClose(f);
    EXPECT_EQ(read(p), Bytes({'0', '1', 'x', '3', 0x05, '5', '6', '7', '8', '9'}));
}

TEST_F(VexFileTest, ReadingBitsPastTheEndKeepsThePosition)
{
    const std::string p = write("e.bin", Bytes{0xA5});
    VEXFILE *f = VEXFileOpen(16, p.c_str(), VEXFILE_READ);
    EXPECT_EQ(VEXFileGetBits(f, 8), 0xA5u);
    EXPECT_TRUE(VEXFileAtEnd(f));
    VEXFileGetBits(f, 3);
    EXPECT_EQ(VEXFileGetPos(f), 1u);
    EXPECT_TRUE(VEXFileAtEnd(f));
    VEXFileClose(f);

    const std::string empty = write("empty.bin", "");
    f = VEXFileOpen(0, empty.c_str(), VEXFILE_READ);
    VEXFileGetBits(f, 5);
    EXPECT_EQ(VEXFileGetPos(f), 0u);
    EXPECT_TRUE(VEXFileAtEnd(f));
    VEXFileClose(f);
}

TEST_F(VexFileTest, ShortWritesSetTheErrorField)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    VEXFILE *f = VEXFileOpen(16, "/dev/full", VEXFILE_READWRITE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->error, 0u);
    VEXFilePut32(f, 1);
    VEXFileFlush(f);
    EXPECT_EQ(f->error, 1u);
    VEXFileClose(f);
}

TEST_F(VexFileTest, TimesAreTheHighPartOfTheWriteTime)
{
    const std::string p = write("t.bin", "x");
    const std::string q = write("u.bin", "y");
    VEXFILE *f = VEXFileOpen(0, p.c_str(), VEXFILE_READWRITE);
    const uint64_t nowFt = (static_cast<uint64_t>(std::time(nullptr)) + 11644473600ull) * 10000000ull;
    const uint32_t t = VEXFileGetTime(f);
    EXPECT_LE(static_cast<uint32_t>(nowFt >> 32) - t, 1u);
    VEXFILE *g = VEXFileOpen(0, q.c_str(), VEXFILE_READWRITE);
    EXPECT_TRUE(VEXFileSetTime(g, t - 1000));
    EXPECT_EQ(VEXFileGetTime(g), t - 1000);
    struct stat st {};
    stat(q.c_str(), &st);
    const uint64_t ft = (static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                        static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
    EXPECT_EQ(ft, static_cast<uint64_t>(t - 1000) << 32);
    VEXFileClose(f);
    VEXFileClose(g);
}

TEST(VexMalloc, AlignedBlocksAndRefusals)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(vexmalloc(0), nullptr);
    EXPECT_EQ(vexmalloc(-1), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::vector<void *> blocks;
    for (int32_t size : {1, 15, 16, 17, 100, 4096, 65536}) {
        void *b = vexmalloc(size);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
        std::memset(b, 0xAB, static_cast<size_t>(size));
        blocks.push_back(b);
    }
    for (void *b : blocks)
        vexfree(b);
    vexfree(nullptr);
}

// ---- Randomised run against a plain model -----------------------------------

// The model: the file's bytes and a bit position. Writing starts a byte
// afresh at its bit 0 (the rest of the byte becomes zero padding); a direction
// change moves to the start of the byte the position is in.
struct Model {
    Bytes data;
    uint64_t bit = 0;
    bool writing = false;

    void toWrite()
    {
        if (!writing) {
            bit &= ~uint64_t{7};
            writing = true;
        }
    }
    void toRead()
    {
        if (writing) {
            bit &= ~uint64_t{7};
            writing = false;
        }
    }
    void putBits(uint32_t v, int n)
    {
        toWrite();
        for (int i = 0; i < n; ++i) {
            const size_t j = static_cast<size_t>(bit / 8);
            const int off = static_cast<int>(bit % 8);
            if (j >= data.size())
                data.resize(j + 1, 0);
            if (off == 0)
                data[j] = 0;
            data[j] = static_cast<uint8_t>(data[j] | (((v >> i) & 1u) << off));
            ++bit;
        }
    }
    bool canRead(int nbits) const
    {
        const uint64_t start = writing ? bit & ~uint64_t{7} : bit;
        return start + static_cast<uint64_t>(nbits) <= data.size() * 8;
    }
    uint32_t getBits(int n)
    {
        toRead();
        uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++bit)
            v |= static_cast<uint32_t>((data[static_cast<size_t>(bit / 8)] >> (bit % 8)) & 1u) << i;
        return v;
    }
    void align() { bit = (bit + 7) & ~uint64_t{7}; }
    uint32_t pos() const { return static_cast<uint32_t>(bit / 8); }
    bool pending() const { return writing && bit % 8 != 0; }
};

void randomRun(const std::string &p, int32_t bufferSize, uint32_t seed, int steps)
{
    std::mt19937 rng(seed);
    auto rnd = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); };
    Model m;
    {
        // Start from an existing file of random bytes.
        m.data.resize(rnd(0, 300));
        for (uint8_t &b : m.data)
            b = static_cast<uint8_t>(rnd(0, 255));
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char *>(m.data.data()), static_cast<std::streamsize>(m.data.size()));
    }
    VEXFILE *f = VEXFileOpen(bufferSize, p.c_str(), VEXFILE_READWRITE);
    ASSERT_NE(f, nullptr);
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE(step);
        const uint32_t op = rnd(0, 15);
        switch (op) {
        case 0: { // put bits
            const int n = static_cast<int>(rnd(1, 32));
            const uint32_t v = static_cast<uint32_t>(rng());
            m.putBits(v, n);
            EXPECT_EQ(VEXFilePutBits(f, v, static_cast<uint32_t>(n)), v);
            break;
        }
        case 1: { // get bits
            const int n = static_cast<int>(rnd(1, 32));
            if (!m.canRead(n))
                break;
            const uint32_t expect = m.getBits(n);
            ASSERT_EQ(VEXFileGetBits(f, static_cast<uint32_t>(n)), expect) << "bits " << n;
            break;
        }
        case 2: { // put bytes, honouring bits
            Bytes b(rnd(1, 700));
            for (uint8_t &x : b) {
                x = static_cast<uint8_t>(rng());
                m.putBits(x, 8);
            }
            EXPECT_EQ(VEXFilePut(f, b.data(), static_cast<uint32_t>(b.size())), b.size());
            break;
        }
        case 3: { // get bytes, honouring bits
            const uint32_t n = rnd(1, 700);
            if (!m.canRead(static_cast<int>(n * 8)))
                break;
            Bytes b(n), expect(n);
            for (uint8_t &x : expect)
                x = static_cast<uint8_t>(m.getBits(8));
            ASSERT_EQ(VEXFileGet(f, b.data(), n), n);
            ASSERT_EQ(b, expect);
            break;
        }
        case 4: { // whole bytes only when no bits are pending or consumed
            if (m.pending())
                break;
            Bytes b(rnd(1, 700));
            for (uint8_t &x : b) {
                x = static_cast<uint8_t>(rng());
                m.putBits(x, 8);
            }
            EXPECT_EQ(VEXFilePutNB(f, b.data(), static_cast<uint32_t>(b.size())), b.size());
            break;
        }
        case 5: {
            if (!m.writing && m.bit % 8 != 0)
                break;
            const uint32_t n = rnd(1, 700);
            if (!m.canRead(static_cast<int>(n * 8)))
                break;
            Bytes b(n), expect(n);
            for (uint8_t &x : expect)
                x = static_cast<uint8_t>(m.getBits(8));
            ASSERT_EQ(VEXFileGetNB(f, b.data(), n), n);
            ASSERT_EQ(b, expect);
            break;
        }
        case 6: {
            const uint32_t v = static_cast<uint32_t>(rng());
            const int size = static_cast<int>(rnd(0, 2));
            m.putBits(v, 8 << size);
            if (size == 0)
                VEXFilePut8(f, v);
            else if (size == 1)
                VEXFilePut16(f, v);
            else
                VEXFilePut32(f, v);
            break;
        }
        case 7: {
            const int size = static_cast<int>(rnd(0, 2));
            if (!m.canRead(8 << size))
                break;
            const uint32_t expect = m.getBits(8 << size);
            const uint32_t got = size == 0 ? VEXFileGet8(f) : size == 1 ? VEXFileGet16(f) : VEXFileGet32(f);
            ASSERT_EQ(got, expect);
            break;
        }
        case 8:
        case 9: { // seek anywhere in the file
            const uint32_t target = rnd(0, static_cast<uint32_t>(m.data.size()));
            const uint32_t old = m.pos();
            m.bit = uint64_t{target} * 8;
            ASSERT_EQ(VEXFileSetPos(f, target), old);
            break;
        }
        case 10: { // seek backwards a little (often inside the buffer)
            const uint32_t back = rnd(0, 40);
            const uint32_t target = m.pos() > back ? m.pos() - back : 0;
            const uint32_t old = m.pos();
            if (target != old)
                m.bit = uint64_t{target} * 8;
            ASSERT_EQ(VEXFileSetPos(f, target), old);
            break;
        }
        case 11:
            m.align();
            VEXFileByteAlign(f);
            break;
        case 12:
            m.align();
            VEXFileFlush(f);
            break;
        case 13:
            ASSERT_EQ(VEXFileGetPos(f), m.pos());
            ASSERT_EQ(VEXFileBitPos(f), static_cast<uint32_t>(m.bit % 8));
            break;
        case 14:
            if (!m.pending()) {
                ASSERT_EQ(VEXFileSize(f), m.data.size());
                ASSERT_EQ(VEXFileAtEnd(f) != 0, m.pos() >= m.data.size());
            }
            break;
        case 15:
            if (!m.pending() && !m.writing && m.bit % 8 == 0 && m.pos() < m.data.size()) {
                ASSERT_EQ(VEXFileIsInBuffer(f, m.pos()) != 0, f->index < f->fill);
            }
            break;
        }
        if (::testing::Test::HasFatalFailure()) {
            VEXFileClose(f);
            return;
        }
    }
    VEXFileClose(f);
    std::ifstream in(p, std::ios::binary);
    const Bytes disk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(disk, m.data);
}

TEST_F(VexFileTest, RandomMixAgainstModel)
{
    uint32_t seed = 1;
    for (int32_t bufferSize : {0, 1, 3, 16, 100, 4096, -64}) {
        for (int run = 0; run < 12; ++run, ++seed) {
            SCOPED_TRACE("buffer " + std::to_string(bufferSize) + " seed " + std::to_string(seed));
            randomRun(path("r.bin"), bufferSize, seed, 400);
            if (HasFatalFailure())
                return;
        }
    }
}

} // namespace

// The helpers every layer shares: the blank and case rule, little-endian
// numbers, the 16-byte alignment and ZORB_ASSERT (on in this file).
#ifndef ZORB_ASSERTS
#define ZORB_ASSERTS
#endif
#include "platform/assert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codec/format.h"
#include "platform/byte_order.h"
#include "platform/text.h"
#include "vexutil/vexutil.h"

namespace {

using zorb::platform::IsBlank;
using zorb::platform::LowerCase;
using zorb::platform::ToLower;
using zorb::platform::ToUpper;
using zorb::platform::UpperCase;

// The rule, written out per byte: whatever the signedness of char, the
// bytes 1-32 and 128-255 are blanks and the terminator is none; only a-z
// and A-Z change case.
TEST(TextRule, EveryByteFollowsTheOneRule)
{
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        SCOPED_TRACE(b);
        EXPECT_EQ(IsBlank(c), b != 0 && (b <= 32 || b >= 128));
        EXPECT_EQ(static_cast<unsigned char>(ToUpper(c)), b >= 'a' && b <= 'z' ? b - 32 : b);
        EXPECT_EQ(static_cast<unsigned char>(ToLower(c)), b >= 'A' && b <= 'Z' ? b + 32 : b);
    }
}

TEST(TextRule, WholeTextsAndTheLibraryTrimAgree)
{
    struct Case {
        const char *in, *upper, *lower;
    } cases[] = {
        {"", "", ""},
        {"abc XYZ 09", "ABC XYZ 09", "abc xyz 09"},
        {"caf\xC3\xA9", "CAF\xC3\xA9", "caf\xC3\xA9"}, // bytes above 127 stay
        {"{a}[z]`@", "{A}[Z]`@", "{a}[z]`@"},          // the neighbours of the letters stay
    };
    for (const Case &c : cases) {
        std::string s = c.in;
        UpperCase(s);
        EXPECT_EQ(s, c.upper);
        char buf[32];
        std::strcpy(buf, c.in);
        UpperCase(buf);
        EXPECT_STREQ(buf, c.upper);
        s = c.in;
        LowerCase(s);
        EXPECT_EQ(s, c.lower);
    }
    // vexutil's Trim takes the same blanks: controls, space, bytes 128-255.
    char text[] = "\x01 \xA0name with blanks\t\xFF ";
    EXPECT_STREQ(Trim(text), "name with blanks");
}

TEST(ByteOrder, NumbersAreStoredLowByteFirst)
{
    const struct {
        uint32_t value;
        uint8_t bytes[4];
    } cases[] = {{0, {0, 0, 0, 0}},
                 {0x12345678u, {0x78, 0x56, 0x34, 0x12}},
                 {0xFFFFFFFFu, {0xFF, 0xFF, 0xFF, 0xFF}},
                 {0x80000001u, {0x01, 0, 0, 0x80}}};
    for (const auto &c : cases) {
        uint8_t b[4] = {};
        ZbxPut32(b, c.value);
        EXPECT_EQ(0, std::memcmp(b, c.bytes, 4));
        EXPECT_EQ(ZbxGet32(c.bytes), c.value);
        EXPECT_EQ(ZbxGet16(c.bytes), c.value & 0xFFFF);
        uint8_t h[2] = {};
        ZbxPut16(h, c.value); // only the low 16 bits
        EXPECT_EQ(0, std::memcmp(h, c.bytes, 2));

        std::vector<uint8_t> v;
        std::string s;
        ZbxAppend32(v, c.value);
        ZbxAppend16(v, c.value);
        ZbxAppend32(s, c.value);
        ASSERT_EQ(v.size(), 6u);
        EXPECT_EQ(0, std::memcmp(v.data(), c.bytes, 4));
        EXPECT_EQ(0, std::memcmp(v.data() + 4, c.bytes, 2));
        EXPECT_EQ(0, std::memcmp(s.data(), c.bytes, 4));
    }
    EXPECT_EQ(ZbxFourCC("RIFF"), 0x46464952u);
    EXPECT_EQ(ZbxFourCC("ZBX2"), ZBX_MAGIC);
}

TEST(Alignment, BlocksRoundUpToSixteenBytes)
{
    const size_t cases[][2] = {{0, 0}, {1, 16}, {15, 16}, {16, 16}, {17, 32}, {104, 112}, {4096, 4096}};
    for (const auto &c : cases)
        EXPECT_EQ(ZbxAlign16(c[0]), c[1]) << c[0];
    EXPECT_EQ(ZBX_ALIGNMENT, 16u);
}

TEST(AssertDeathTest, AFailedCheckNamesItselfAndAborts)
{
    volatile int bits = 33;
    ZORB_ASSERT(bits > 32); // a kept limit passes quietly
    EXPECT_DEATH(ZORB_ASSERT(bits <= 32), "check failed: bits <= 32");
}

} // namespace

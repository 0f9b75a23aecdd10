#include "codec/bitreader.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "tests/support/bitwriter.h"

using zorb::BitReader;

TEST(BitReader, LeastSignificantBitFirst)
{
    const uint8_t bytes[] = {0x01, 0x00};
    BitReader bits(bytes, 2);
    EXPECT_EQ(bits.ReadBit(), 1u);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(bits.ReadBit(), 0u) << i;
    EXPECT_FALSE(bits.Overrun());

    BitReader word(bytes, 2);
    EXPECT_EQ(word.ReadBits(16), 1u);

    const uint8_t le[] = {0x34, 0x12, 0xA5};
    BitReader r(le, 3);
    EXPECT_EQ(r.ReadBits(16), 0x1234u);
    EXPECT_EQ(r.ReadBits(3), 0x5u);
    EXPECT_EQ(r.ReadBits(5), 0x14u);
    EXPECT_EQ(r.BitsConsumed(), 24u);
    EXPECT_EQ(r.BitsLeft(), 0u);
}

TEST(BitReader, RunningOutIsDetectedAndReadsZeros)
{
    // An exactly sized heap block: the sanitizer build catches any read past it.
    for (size_t size = 0; size < 6; ++size) {
        auto data = std::make_unique<uint8_t[]>(size ? size : 1);
        for (size_t i = 0; i < size; ++i)
            data[i] = 0xFF;
        BitReader r(data.get(), size);
        for (size_t i = 0; i < size * 8; ++i)
            ASSERT_EQ(r.ReadBit(), 1u);
        EXPECT_FALSE(r.Overrun());
        EXPECT_EQ(r.BitsLeft(), 0u);
        EXPECT_EQ(r.ReadBits(16), 0u);
        EXPECT_TRUE(r.Overrun());
        r.Fill(48); // look-ahead past the end never touches memory
        EXPECT_EQ(r.Peek(32), 0u);
    }
    BitReader none(nullptr, 100);
    EXPECT_EQ(none.ReadBits(8), 0u);
    EXPECT_TRUE(none.Overrun());
}

TEST(BitReader, PeekAndSkipMatchReads)
{
    const uint8_t bytes[] = {0xAB, 0xCD, 0xEF};
    BitReader r(bytes, 3);
    r.Fill(12);
    EXPECT_EQ(r.Peek(12), 0xDABu);
    r.Skip(4);
    EXPECT_EQ(r.ReadBits(12), 0xCDAu);
    EXPECT_EQ(r.BitsConsumed(), 16u);
}

TEST(BitReader, RandomFieldsRoundTrip)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        zbxtest::BitWriter w;
        std::vector<std::pair<uint32_t, unsigned>> fields;
        for (int i = 0; i < 300; ++i) {
            unsigned n = 1 + rng() % 32;
            uint32_t v = static_cast<uint32_t>(rng()) & (n == 32 ? ~0u : (1u << n) - 1);
            fields.emplace_back(v, n);
            w.Bits(v, n);
        }
        BitReader r(w.Bytes().data(), w.Bytes().size());
        for (auto [v, n] : fields)
            ASSERT_EQ(r.ReadBits(n), v);
        EXPECT_EQ(r.BitsConsumed(), w.BitCount());
        EXPECT_FALSE(r.Overrun());
    }
}

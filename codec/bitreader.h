// Bit reader for every coded stream of a .zbx file.
//
// Bit order: bytes in order, least significant bit of each byte first; a value
// of n bits is read least significant bit first (a 16-bit value is its low
// byte then its high byte).
//
// The reader keeps up to 63 bits in a 64-bit accumulator whose bit 0 is the
// next bit of the stream, and refills it 16 bits (two bytes) at a time. It
// never reads outside [data, data + size): bytes past the end read as zero, and
// the stream remembers how far it went, so a caller can tell afterwards that
// more bits were consumed than the buffer holds (Overrun()). Zero fill keeps
// decoding deterministic on truncated data, so the table-driven and the plain
// tree walks stay identical even there.
#ifndef ZORB_CODEC_BITREADER_H
#define ZORB_CODEC_BITREADER_H

#include <cstddef>
#include <cstdint>

#include "platform/assert.h"

namespace zorb {

class BitReader {
public:
    BitReader() = default;
    BitReader(const uint8_t *data, size_t size) { Reset(data, size); }

    void Reset(const uint8_t *data, size_t size)
    {
        data_ = data;
        size_ = data ? size : 0;
        pos_ = 0;
        acc_ = 0;
        count_ = 0;
    }

    // Makes at least n bits (n <= 48) available to Peek, loading 16 bits at a
    // time while fewer than n are buffered.
    void Fill(unsigned n)
    {
        ZORB_ASSERT(n <= 48);
        while (count_ < n)
            Refill16();
    }

    // The next n bits (n <= 32) without consuming them; Fill(n) must precede.
    uint32_t Peek(unsigned n) const
    {
        ZORB_ASSERT(n <= 32 && n <= count_);
        return static_cast<uint32_t>(acc_ & ((uint64_t{1} << n) - 1));
    }

    // The low 32 bits of the buffer, for a caller that masks them itself
    // (only the bits made available by Fill are meaningful).
    uint32_t PeekWord() const { return static_cast<uint32_t>(acc_); }

    // Consumes n buffered bits (n <= the buffered count).
    void Skip(unsigned n)
    {
        ZORB_ASSERT(n <= count_);
        acc_ >>= n;
        count_ -= n;
    }

    uint32_t ReadBit()
    {
        Fill(1);
        uint32_t bit = static_cast<uint32_t>(acc_ & 1);
        acc_ >>= 1;
        --count_;
        return bit;
    }

    // Reads an n-bit value (n <= 32), least significant bit first.
    uint32_t ReadBits(unsigned n)
    {
        ZORB_ASSERT(n <= 32);
        if (n == 0)
            return 0;
        Fill(n);
        uint32_t v = Peek(n);
        Skip(n);
        return v;
    }

    // Bits consumed since Reset (may exceed 8 x size on a truncated stream).
    uint64_t BitsConsumed() const { return uint64_t{pos_} * 8 - count_; }

    // True when more bits were consumed than the buffer holds: the stream ran
    // out and zero bits were used in place of data.
    bool Overrun() const { return BitsConsumed() > uint64_t{size_} * 8; }

    // Bits of real data not yet consumed.
    uint64_t BitsLeft() const
    {
        uint64_t used = BitsConsumed(), total = uint64_t{size_} * 8;
        return used >= total ? 0 : total - used;
    }

    size_t Size() const { return size_; }

private:
    void Refill16()
    {
        uint32_t v;
        if (size_ >= 2 && pos_ <= size_ - 2)
            v = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8;
        else
            v = pos_ < size_ ? data_[pos_] : 0;
        pos_ += 2;
        acc_ |= uint64_t{v} << count_;
        count_ += 16;
    }

    const uint8_t *data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;     // next byte to load (may pass size_: zero fill)
    uint64_t acc_ = 0;   // buffered bits, next bit in bit 0
    unsigned count_ = 0; // number of buffered bits
};

} // namespace zorb

#endif

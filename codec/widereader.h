// Bit reader of the wide decode loop: the same stream order and the same
// zero fill past the end as BitReader, but it keeps a 64-bit buffer topped up
// with one unaligned 8-byte load. A refill ORs the next 8 bytes in above the
// buffered bits and moves on by the whole bytes that fitted, so at least 56
// bits are at hand afterwards; the bits that did not fit come again with the
// next load, in the same place. The refill's load does not wait for the bits
// being consumed, so it stays off the decoder's chain of code lengths.
#ifndef ZORB_CODEC_WIDEREADER_H
#define ZORB_CODEC_WIDEREADER_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/assert.h"

namespace zorb {

static_assert(std::endian::native == std::endian::little, "the wide reader loads little-endian words");

class WideReader {
public:
    WideReader(const uint8_t *data, size_t size) : data_(data), size_(data ? size : 0) { Refill(); }

    // Makes at least n bits (n <= 56) available.
    void Fill(unsigned n)
    {
        ZORB_ASSERT(n <= 56);
        if (count_ < n)
            Refill();
    }
    // Makes at least 56 bits available.
    void Refill()
    {
        uint64_t v = 0;
        if (pos_ + 8 <= size_) [[likely]] {
            std::memcpy(&v, data_ + pos_, 8);
        } else {
            for (unsigned i = 0; i < 8; ++i)
                if (pos_ + i < size_)
                    v |= uint64_t{data_[pos_ + i]} << (8 * i);
        }
        buffer_ |= v << count_;
        pos_ += (63 - count_) >> 3;
        count_ |= 56;
        ZORB_ASSERT(count_ >= 56 && count_ <= 63);
    }
    // The next n bits (n <= 32, n <= the buffered count).
    uint32_t Peek(unsigned n) const
    {
        ZORB_ASSERT(n <= 32 && n <= count_);
        return static_cast<uint32_t>(buffer_ & ((uint64_t{1} << n) - 1));
    }
    // The low 32 bits of the buffer, for a caller that masks them itself
    // (only the bits made available by Fill are meaningful).
    uint32_t PeekWord() const { return static_cast<uint32_t>(buffer_); }
    // Consumes n buffered bits (n <= the buffered count).
    void Skip(unsigned n)
    {
        ZORB_ASSERT(n <= count_);
        buffer_ >>= n;
        count_ -= n;
    }
    uint32_t ReadBit()
    {
        if (count_ == 0)
            Refill();
        const uint32_t bit = static_cast<uint32_t>(buffer_ & 1);
        Skip(1);
        return bit;
    }
    // Reads an n-bit value (n <= 32), least significant bit first.
    uint32_t ReadBits(unsigned n)
    {
        ZORB_ASSERT(n <= 32);
        Fill(n);
        const uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    uint64_t BitsConsumed() const { return uint64_t{pos_} * 8 - count_; }
    bool Overrun() const { return BitsConsumed() > uint64_t{size_} * 8; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;      // next byte not yet wholly in the buffer (may pass size_: zero fill)
    uint64_t buffer_ = 0; // next bit in bit 0
    unsigned count_ = 0;  // bits in the buffer, at most 63
};

} // namespace zorb

#endif

// Bit reader of the wide decode loop: the same stream order and the same
// zero fill past the end as BitReader, but it reads a 64-bit window straight
// from the data. The window starts at byte pos_ and the first used_ bits of
// it are consumed; a refill moves pos_ up by the whole bytes consumed and
// loads the window again with one unaligned 8-byte load while the data lasts,
// so that at least 57 bits are at hand; the decoder refills once per pair
// of values.
#ifndef ZORB_CODEC_WIDEREADER_H
#define ZORB_CODEC_WIDEREADER_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zorb {

static_assert(std::endian::native == std::endian::little, "the wide reader loads little-endian words");

class WideReader {
public:
    WideReader(const uint8_t *data, size_t size) : data_(data), size_(data ? size : 0) { Refill(); }

    // Makes at least n bits (n <= 57) available.
    void Fill(unsigned n)
    {
        if (used_ > 64 - n)
            Refill();
    }
    // Makes at least 57 bits available.
    void Refill()
    {
        pos_ += used_ >> 3;
        used_ &= 7;
        uint64_t v = 0;
        if (pos_ + 8 <= size_) [[likely]] {
            std::memcpy(&v, data_ + pos_, 8);
        } else {
            for (unsigned i = 0; i < 8; ++i)
                if (pos_ + i < size_)
                    v |= uint64_t{data_[pos_ + i]} << (8 * i);
        }
        window_ = v >> used_;
    }
    uint32_t Peek(unsigned n) const { return static_cast<uint32_t>(window_ & ((uint64_t{1} << n) - 1)); }
    void Skip(unsigned n)
    {
        window_ >>= n;
        used_ += n;
    }
    uint32_t ReadBit()
    {
        if (used_ > 56)
            Refill();
        const uint32_t bit = static_cast<uint32_t>(window_ & 1);
        Skip(1);
        return bit;
    }
    uint32_t ReadBits(unsigned n)
    {
        Refill();
        const uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    uint64_t BitsConsumed() const { return uint64_t{pos_} * 8 + used_; }
    bool Overrun() const { return BitsConsumed() > uint64_t{size_} * 8; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;     // byte where the window starts (may pass size_: zero fill)
    unsigned used_ = 0;  // bits of the window consumed
    uint64_t window_ = 0;
};

} // namespace zorb

#endif

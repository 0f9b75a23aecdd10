// Bit reader of the wide decode loop: the same stream order and the same
// zero fill past the end as BitReader, but refilled up to 64 bits at a time
// with one unaligned 8-byte load while the data lasts.
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
    WideReader(const uint8_t *data, size_t size) : data_(data), size_(data ? size : 0) {}

    // Makes at least n bits (n <= 56) available.
    void Fill(unsigned n)
    {
        if (count_ < n)
            Refill();
    }
    uint32_t Peek(unsigned n) const { return static_cast<uint32_t>(acc_ & ((uint64_t{1} << n) - 1)); }
    void Skip(unsigned n)
    {
        acc_ >>= n;
        count_ -= n;
    }
    uint32_t ReadBit()
    {
        Fill(1);
        const uint32_t bit = static_cast<uint32_t>(acc_ & 1);
        acc_ >>= 1;
        --count_;
        return bit;
    }
    uint32_t ReadBits(unsigned n)
    {
        if (n == 0)
            return 0;
        Fill(n);
        const uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    uint64_t BitsConsumed() const { return uint64_t{pos_} * 8 - count_; }
    bool Overrun() const { return BitsConsumed() > uint64_t{size_} * 8; }

private:
    // Bits above count_ in acc_ are either zero or the stream's own next bits,
    // so loading overlapping bytes again changes nothing.
    void Refill()
    {
        if (size_ >= 8 && pos_ <= size_ - 8) {
            uint64_t v;
            std::memcpy(&v, data_ + pos_, 8);
            acc_ |= v << count_;
            const unsigned take = (63 - count_) >> 3;
            pos_ += take;
            count_ += take * 8;
            return;
        }
        while (count_ <= 56) {
            const uint64_t byte = pos_ < size_ ? data_[pos_] : 0;
            acc_ |= byte << count_;
            ++pos_;
            count_ += 8;
        }
    }

    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
    uint64_t acc_ = 0;
    unsigned count_ = 0;
};

} // namespace zorb

#endif

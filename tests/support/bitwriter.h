// Test-side writer of bit streams in the order the decoders read them: bytes in
// order, least significant bit first; an n-bit value least significant bit first.
#ifndef ZORB_TESTS_SUPPORT_BITWRITER_H
#define ZORB_TESTS_SUPPORT_BITWRITER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zbxtest {

class BitWriter {
public:
    void Bit(unsigned b)
    {
        if (bits_ % 8 == 0)
            bytes_.push_back(0);
        if (b & 1)
            bytes_.back() = static_cast<uint8_t>(bytes_.back() | 1u << (bits_ % 8));
        ++bits_;
    }
    void Bits(uint32_t v, unsigned n)
    {
        for (unsigned i = 0; i < n; ++i)
            Bit(v >> i & 1);
    }
    size_t BitCount() const { return bits_; }
    // The bytes written so far; the last byte is padded with zero bits.
    const std::vector<uint8_t> &Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t bits_ = 0;
};

} // namespace zbxtest

#endif

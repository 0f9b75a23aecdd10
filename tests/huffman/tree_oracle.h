// An independent reader of the serialised trees, written from the tree format
// alone: a plain bit reader, pointer-free byte trees and 16-bit trees with
// their three-value cache. Used to check what the encoder writes.
#ifndef ZORB_TESTS_HUFFMAN_TREE_ORACLE_H
#define ZORB_TESTS_HUFFMAN_TREE_ORACLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace oracle {

class BitReader {
public:
    explicit BitReader(const std::vector<uint8_t> &bytes) : bytes_(bytes) {}
    int bit()
    {
        if (pos_ >= bytes_.size() * 8) {
            overrun_ = true;
            ++pos_;
            return 0;
        }
        const int b = (bytes_[pos_ / 8] >> (pos_ % 8)) & 1;
        ++pos_;
        return b;
    }
    uint32_t bits(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<uint32_t>(bit()) << i;
        return v;
    }
    void align() { pos_ = (pos_ + 7) / 8 * 8; }
    std::size_t position() const { return pos_; }
    bool overrun() const { return overrun_; }

private:
    const std::vector<uint8_t> &bytes_;
    std::size_t pos_ = 0;
    bool overrun_ = false;
};

// Nodes in a flat array: leaves carry a value, inner nodes two child indices.
struct Node {
    bool leaf;
    uint32_t value;
    int zero, one;
};

class ByteTree {
public:
    // Reads one tree (no presence bit) and its closing 0 bit.
    bool read(BitReader &br)
    {
        nodes_.clear();
        if (node(br, 0) < 0)
            return false;
        return br.bit() == 0 && !br.overrun();
    }
    uint32_t decode(BitReader &br) const
    {
        int n = 0;
        while (!nodes_[n].leaf)
            n = br.bit() ? nodes_[n].one : nodes_[n].zero;
        return nodes_[n].value;
    }
    bool empty() const { return nodes_.empty(); }

private:
    int node(BitReader &br, int depth)
    {
        if (nodes_.size() >= 511 || depth > 40 || br.overrun())
            return -1;
        const int index = static_cast<int>(nodes_.size());
        nodes_.push_back({false, 0, -1, -1});
        if (br.bit()) {
            const int z = node(br, depth + 1);
            if (z < 0)
                return -1;
            const int o = node(br, depth + 1);
            if (o < 0)
                return -1;
            nodes_[index].zero = z;
            nodes_[index].one = o;
        } else {
            nodes_[index].leaf = true;
            nodes_[index].value = br.bits(8);
        }
        return index;
    }
    std::vector<Node> nodes_;
};

class BigTree {
public:
    // Presence bit, optional byte trees, escapes, the tree and its closing bit.
    bool read(BitReader &br)
    {
        present = br.bit() != 0;
        if (!present)
            return !br.overrun();
        if (br.bit() && !low_.read(br))
            return false;
        if (br.bit() && !high_.read(br))
            return false;
        if (low_.empty() || high_.empty())
            return false;
        for (auto &e : escapes)
            e = br.bits(16);
        nodes_.clear();
        if (node(br, 0) < 0)
            return false;
        return br.bit() == 0 && !br.overrun();
    }
    void resetCache() { cache_[0] = cache_[1] = cache_[2] = 0; }
    uint32_t decode(BitReader &br)
    {
        int n = 0;
        while (!nodes_[n].leaf)
            n = br.bit() ? nodes_[n].one : nodes_[n].zero;
        uint32_t v = nodes_[n].value;
        for (int k = 0; k < 3; ++k) {
            if (v == escapes[k]) {
                v = cache_[k];
                break;
            }
        }
        if (v != cache_[0]) {
            cache_[2] = cache_[1];
            cache_[1] = cache_[0];
            cache_[0] = v;
        }
        return v;
    }

    bool present = false;
    uint32_t escapes[3] = {0, 0, 0};

private:
    int node(BitReader &br, int depth)
    {
        if (nodes_.size() >= 2 * 65536 || depth > 40 || br.overrun())
            return -1;
        const int index = static_cast<int>(nodes_.size());
        nodes_.push_back({false, 0, -1, -1});
        if (br.bit()) {
            const int z = node(br, depth + 1);
            if (z < 0)
                return -1;
            const int o = node(br, depth + 1);
            if (o < 0)
                return -1;
            nodes_[index].zero = z;
            nodes_[index].one = o;
        } else {
            nodes_[index].leaf = true;
            const uint32_t lo = low_.decode(br);
            nodes_[index].value = lo | (high_.decode(br) << 8);
        }
        return index;
    }
    ByteTree low_, high_;
    std::vector<Node> nodes_;
    uint32_t cache_[3] = {0, 0, 0};
};

} // namespace oracle

#endif

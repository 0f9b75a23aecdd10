// Colour remapping: the nearest target colour for every palette entry, then
// the coded colours of the trees rewritten in place.
#include <algorithm>

#include "codec/video.h"

namespace zorb {

void BuildRemap(const uint8_t *palette, const uint8_t *target, uint32_t count, uint32_t layout, uint8_t map[256])
{
    unsigned size = 3, off[3] = {0, 1, 2};
    if (layout & 4) {
        size = 4;
        if (layout & 8)
            off[0] = 1, off[1] = 2, off[2] = 3;
    }
    if (layout & 2)
        std::swap(off[0], off[2]);
    if (layout & 1) {
        size *= 2;
        for (unsigned &o : off)
            o *= 2;
    }
    const uint32_t n = std::min<uint32_t>(count, 256);
    for (uint32_t i = 0; i < 256; ++i) {
        if (n == 0 || !target) {
            map[i] = static_cast<uint8_t>(i);
            continue;
        }
        auto dist = [&](uint32_t k) {
            const uint8_t *e = target + size_t{k} * size;
            int sum = 0;
            for (int c = 0; c < 3; ++c) {
                const int d = int{palette[3 * i + c]} - int{e[off[c]]};
                sum += d * d;
            }
            return sum;
        };
        const uint32_t start = i < n ? i : 0;
        uint32_t best = start;
        int bestSum = dist(start);
        for (uint32_t j = 1; j < n && bestSum != 0; ++j) {
            const uint32_t k = (start + j) % n;
            const int d = dist(k);
            if (d < bestSum)
                best = k, bestSum = d;
        }
        map[i] = static_cast<uint8_t>(best);
    }
}

void RemapTrees(TreeTable &trees, const uint8_t map[256])
{
    auto isSlot = [](const BigTree &t, const TreeNode &n) {
        return &n.value == t.slot[0] || &n.value == t.slot[1] || &n.value == t.slot[2];
    };
    for (unsigned id : {ZBX_TREE_COLOUR_PAIR, ZBX_TREE_PIXEL_PAIR}) {
        BigTree &t = trees.tree[id];
        for (uint32_t i = 0; i < t.nodeCount; ++i) {
            TreeNode &n = t.nodes[i];
            if (n.one || isSlot(t, n))
                continue;
            n.value = static_cast<uint16_t>(map[n.value & 0xFF] | map[n.value >> 8] << 8);
        }
        // Colour 0 as mapped so far (both bytes), mapped again like every leaf.
        t.resetValue = static_cast<uint16_t>(map[t.resetValue & 0xFF] | map[t.resetValue >> 8] << 8);
    }
    BigTree &t = trees.tree[ZBX_TREE_BLOCK_TYPE];
    for (uint32_t i = 0; i < t.nodeCount; ++i) {
        TreeNode &n = t.nodes[i];
        if (n.one || isSlot(t, n) || (n.value & ZBX_BLOCK_TYPE_MASK) != ZBX_BLOCK_FILL)
            continue;
        n.value = static_cast<uint16_t>((n.value & 0xFF) | map[n.value >> 8] << 8);
    }
    for (unsigned id : {ZBX_TREE_COLOUR_PAIR, ZBX_TREE_PIXEL_PAIR, ZBX_TREE_BLOCK_TYPE})
        BuildLookup(trees.tree[id]); // the lookup tables hold leaf values too
}

} // namespace zorb

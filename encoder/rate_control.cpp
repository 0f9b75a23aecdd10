// Rate control: how compression values are read, code-length estimates for
// the cost of symbols, and the search for the weight of error against bits
// that meets a frame's byte or error budget.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <queue>

#include "encoder/encoder_internal.h"

namespace zenc {

RateMode DecodeRate(int32_t value)
{
    RateMode m;
    if (value == 0) {
        m.kind = RateKind::Lossless;
    } else if (value > 0 && value <= 100) {
        m.kind = RateKind::ErrorPercent;
        m.value = value;
    } else if (value > 100) {
        m.kind = RateKind::DataRate;
        m.value = value;
    } else if (value >= -400) {
        m.kind = RateKind::AverageFramePercent;
        m.value = -static_cast<double>(value);
    } else {
        m.kind = RateKind::FrameSizePercent;
        m.value = -static_cast<double>(value) - 400.0;
    }
    return m;
}

double ErrorPercent(uint64_t squaredError, uint64_t pixels)
{
    if (pixels == 0)
        return 0;
    return 100.0 * std::sqrt(static_cast<double>(squaredError) / (3.0 * static_cast<double>(pixels))) / 255.0;
}

uint64_t ErrorBudget(double percent, uint64_t pixels)
{
    const double unit = percent / 100.0 * 255.0;
    return static_cast<uint64_t>(unit * unit * 3.0 * static_cast<double>(pixels));
}

std::vector<uint8_t> HuffmanLengths(const std::vector<uint32_t> &counts)
{
    std::vector<uint8_t> lengths(counts.size(), 0);
    struct Node {
        uint64_t weight;
        int32_t parent;
    };
    std::vector<Node> nodes;
    std::vector<uint32_t> leafOf;
    for (uint32_t s = 0; s < counts.size(); ++s) {
        if (counts[s]) {
            nodes.push_back({counts[s], -1});
            leafOf.push_back(s);
        }
    }
    const size_t leaves = nodes.size();
    if (leaves == 0)
        return lengths;
    if (leaves == 1) {
        lengths[leafOf[0]] = 1;
        return lengths;
    }
    using Item = std::pair<uint64_t, int32_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> heap;
    for (size_t i = 0; i < leaves; ++i)
        heap.push({nodes[i].weight, static_cast<int32_t>(i)});
    while (heap.size() > 1) {
        const Item a = heap.top();
        heap.pop();
        const Item b = heap.top();
        heap.pop();
        const int32_t id = static_cast<int32_t>(nodes.size());
        nodes.push_back({a.first + b.first, -1});
        nodes[a.second].parent = id;
        nodes[b.second].parent = id;
        heap.push({a.first + b.first, id});
    }
    std::vector<uint8_t> depth(nodes.size(), 0);
    for (size_t i = nodes.size() - 1; i-- > 0;)
        depth[i] = static_cast<uint8_t>(std::min(255, depth[nodes[i].parent] + 1));
    for (size_t i = 0; i < leaves; ++i)
        lengths[leafOf[i]] = depth[i];
    return lengths;
}

FrameRequest ChooseLossy(const BlockCoder &coder, bool key, bool limitBits, double budgetBits, uint64_t errorBudget)
{
    FrameRequest req;
    req.key = key;
    req.lossless = true;
    double bits;
    uint64_t err;
    if (limitBits) {
        coder.Evaluate(req, bits, err);
        if (bits <= budgetBits)
            return req; // the exact coding fits
    }

    req.lossless = false;
    // Small lambda: fewest bits; large lambda: least error.
    double lo = std::log(1e-9), hi = std::log(1e3);
    req.lambda = std::exp(lo);
    coder.Evaluate(req, bits, err);
    if (limitBits ? bits > budgetBits : err <= errorBudget)
        return req; // the cheapest coding is all we can do
    for (int i = 0; i < 26; ++i) {
        const double mid = 0.5 * (lo + hi);
        req.lambda = std::exp(mid);
        coder.Evaluate(req, bits, err);
        const bool ok = limitBits ? bits <= budgetBits : err <= errorBudget;
        if (limitBits) {
            if (ok)
                lo = mid;
            else
                hi = mid; // largest lambda that still fits
        } else {
            if (ok)
                hi = mid;
            else
                lo = mid; // smallest lambda that meets the bound
        }
    }
    req.lambda = std::exp(limitBits ? lo : hi);
    return req;
}

} // namespace zenc

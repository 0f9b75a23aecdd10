// Big-tree decoding: the table-driven decode against the plain bit-by-bit
// walk, on Huffman trees built from a skewed value distribution (as video
// trees are). Reports values per second of each and, in one run, the ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <queue>
#include <random>
#include <vector>

#include "codec/trees.h"
#include "tests/support/treestream.h"

namespace {

using zbxtest::BigTreeWriter;
using zbxtest::BitWriter;
using zbxtest::CodeTree;

// Distinct values, none of them an escape (1, 2, 3).
uint16_t ValueOf(int i)
{
    return static_cast<uint16_t>(i * 17 + 5);
}

// A Huffman tree over `count` values with Zipf-like weights.
CodeTree HuffmanTree(int count, std::vector<double> &weights)
{
    struct Item {
        double w;
        int node;
        bool operator>(const Item &o) const { return w > o.w; }
    };
    CodeTree t;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> q;
    std::vector<uint16_t> values(count);
    for (int i = 0; i < count; ++i) {
        values[i] = ValueOf(i);
        weights.push_back(1.0 / (i + 1));
    }
    // Build bottom-up in a scratch tree, then renumber in pre-order.
    struct Raw {
        int zero = -1, one = -1;
        uint16_t value = 0;
    };
    std::vector<Raw> raw;
    for (int i = 0; i < count; ++i) {
        raw.push_back({-1, -1, values[i]});
        q.push({weights[i], i});
    }
    while (q.size() > 1) {
        Item a = q.top();
        q.pop();
        Item b = q.top();
        q.pop();
        raw.push_back({a.node, b.node, 0});
        q.push({a.w + b.w, static_cast<int>(raw.size()) - 1});
    }
    std::function<int(int)> copy = [&](int r) {
        int n = static_cast<int>(t.nodes.size());
        t.nodes.emplace_back();
        if (raw[r].zero < 0) {
            t.nodes[n].value = raw[r].value;
            return n;
        }
        int z = copy(raw[r].zero);
        int o = copy(raw[r].one);
        t.nodes[n].zero = z;
        t.nodes[n].one = o;
        return n;
    };
    copy(q.top().node);
    return t;
}

struct Setup {
    zorb::TreeTable *table = nullptr;
    std::vector<uint8_t> stream;
    size_t values = 0;
    Setup()
    {
        std::mt19937 rng(5);
        std::vector<double> weights;
        CodeTree t = HuffmanTree(3000, weights);
        BigTreeWriter w;
        w.Present(t, {1, 2, 3}); // escapes that no leaf uses
        w.Absent();
        w.Absent();
        w.Absent();
        const uint32_t sizes[4] = {t.NodeBytes(), 0, 0, 0};
        std::string error;
        table = zorb::NewTreeTable(w.Bytes().data(), w.Bytes().size(), sizes, error);
        std::discrete_distribution<int> pick(weights.begin(), weights.end());
        // The code of every value, by a walk over the tree.
        std::vector<std::vector<uint8_t>> codeOf(65536);
        std::vector<std::pair<int, std::vector<uint8_t>>> stack{{0, {}}};
        while (!stack.empty()) {
            auto [n, path] = stack.back();
            stack.pop_back();
            if (t.IsLeaf(n)) {
                codeOf[t.nodes[n].value] = path;
                continue;
            }
            auto z = path, o = path;
            z.push_back(0);
            o.push_back(1);
            stack.push_back({t.nodes[n].zero, z});
            stack.push_back({t.nodes[n].one, o});
        }
        BitWriter s;
        for (values = 0; values < 200000; ++values)
            for (uint8_t bit : codeOf[ValueOf(pick(rng))])
                s.Bit(bit);
        stream = s.Bytes();
    }
    ~Setup() { zorb::FreeTreeTable(table); }
};

Setup &Shared()
{
    static Setup s;
    return s;
}

template <bool kFast>
uint32_t DecodeAll(Setup &s)
{
    zorb::BitReader in(s.stream.data(), s.stream.size());
    zorb::BigTree &t = s.table->tree[0];
    uint32_t sum = 0;
    for (size_t i = 0; i < s.values; ++i)
        sum += kFast ? zorb::DecodeBig(t, in) : zorb::DecodeBigReference(t, in);
    return sum;
}

void BM_DecodeBigTable(benchmark::State &state)
{
    Setup &s = Shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeAll<true>(s));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * s.values));
}

void BM_DecodeBigPlainWalk(benchmark::State &state)
{
    Setup &s = Shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeAll<false>(s));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * s.values));
}

// Both paths timed in the same run; "ratio" is how many times faster the table is.
void BM_TableOverPlainWalk(benchmark::State &state)
{
    Setup &s = Shared();
    double fast = 0, plain = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(DecodeAll<true>(s));
        auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(DecodeAll<false>(s));
        auto t2 = std::chrono::steady_clock::now();
        fast += std::chrono::duration<double>(t1 - t0).count();
        plain += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["ratio"] = fast > 0 ? plain / fast : 0;
}

} // namespace

BENCHMARK(BM_DecodeBigTable);
BENCHMARK(BM_DecodeBigPlainWalk);
BENCHMARK(BM_TableOverPlainWalk);
BENCHMARK_MAIN();

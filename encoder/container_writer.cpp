// Writes a Zorblax file: header, frame size and type tables, the four big
// trees (built with the Huff family from statistics over every frame), then
// the frames with their palette chunk, sound chunks and coded video.
#include <algorithm>
#include <cstring>

#include "codec/format.h"
#include "encoder/encoder_internal.h"
#include "encoder/writer_internal.h"

namespace zenc {

namespace {

// Feeds a tree the statistics of its symbols, frame by frame, with the value
// cache reset where the decoder resets it.
bool FeedStats(HUFF *h, uint32_t tree, const CodedSymbols &frames)
{
    HuffInitStats(h);
    std::vector<uint32_t> scratch;
    for (size_t f = 0; f < frames.frames.size(); ++f) {
        const std::vector<uint32_t> *list = frames.Get(f, scratch);
        if (!list)
            return false;
        HuffInitLasts(h);
        for (uint32_t s : *list)
            if (SymbolTree(s) == tree)
                HuffAddStat(h, SymbolValue(s));
    }
    return true;
}

// A tree whose codes would grow too long is rebuilt from flattened counts.
// The Huff family only counts values one by one, so the flattened counts are
// fed as values with the cache cleared before each, which keeps them from
// counting as repeats; the escape hits need helper values in front of them to
// land where they belong. The value 0 keeps a count of one when it occurs.
bool FeedFlattenedStats(HUFF *h, uint32_t tree, const CodedSymbols &frames, int shift)
{
    std::vector<uint32_t> counts(65536, 0);
    uint64_t hits[3] = {0, 0, 0};
    std::vector<uint32_t> scratch;
    for (size_t f = 0; f < frames.frames.size(); ++f) {
        const std::vector<uint32_t> *list = frames.Get(f, scratch);
        if (!list)
            return false;
        uint32_t lasts[3] = {0, 0, 0};
        for (uint32_t s : *list) {
            if (SymbolTree(s) != tree)
                continue;
            const uint32_t v = SymbolValue(s);
            int match = -1;
            for (int i = 0; i < 3 && match < 0; ++i)
                if (lasts[i] == v)
                    match = i;
            if (match >= 0) {
                if (counts[v] == 0)
                    counts[v] = 1;
                ++hits[match];
                if (match == 0)
                    continue;
            } else {
                ++counts[v];
            }
            lasts[2] = lasts[1];
            lasts[1] = lasts[0];
            lasts[0] = v;
        }
    }
    auto flat = [shift](uint64_t c) -> uint64_t { return c ? std::max<uint64_t>(1, c >> shift) : 0; };
    // The three most frequent non-zero values serve as helpers.
    uint32_t helper[3] = {0, 0, 0};
    for (uint32_t v = 1; v < 65536; ++v) {
        if (!counts[v])
            continue;
        int at = 3;
        while (at > 0 && (helper[at - 1] == 0 || counts[v] > counts[helper[at - 1]]))
            --at;
        if (at == 3)
            continue;
        for (int k = 2; k > at; --k)
            helper[k] = helper[k - 1];
        helper[at] = v;
    }
    HuffInitStats(h);
    for (uint32_t v = 1; v < 65536; ++v) {
        for (uint64_t k = flat(counts[v]); k > 0; --k) {
            HuffInitLasts(h);
            HuffAddStat(h, v);
        }
    }
    if (counts[0]) {
        HuffInitLasts(h);
        HuffAddStat(h, 0); // the value 0 keeps a count (as a repeat of the reset cache)
    }
    // A hit of escape i is a short run after a cache reset that ends with a
    // repeat of cache slot i. The runs use only values that occur: the reset
    // value 0 when it occurs itself, else helpers. (Feeding 0 when it never
    // occurs would give it a leaf and could take the one value that the file
    // keeps free of every tree.)
    const bool zero = counts[0] != 0;
    const uint32_t a = helper[0], b = helper[1], c = helper[2];
    const std::vector<uint32_t> runs[3] = {zero ? std::vector<uint32_t>{0} : std::vector<uint32_t>{a, a},
                                           zero ? std::vector<uint32_t>{a, 0} : std::vector<uint32_t>{b, a, b},
                                           zero ? std::vector<uint32_t>{a, b, 0} : std::vector<uint32_t>{c, b, a, c}};
    const int available = (a != 0) + (b != 0) + (c != 0);
    for (int i = 0; i < 3; ++i) {
        if ((zero ? i : i + 1) > available)
            continue; // too few values for this escape
        for (uint64_t k = hits[i] >> shift; k > 0; --k) {
            HuffInitLasts(h);
            for (uint32_t v : runs[i])
                HuffAddStat(h, v);
        }
    }
    return true;
}

// The trees through the Huff family, as the symbols come (effort 0).
bool BuildHuffTrees(VEXFILE *f, HUFF *trees[ZBX_TREE_COUNT], const CodedSymbols &coded, ContainerHeader &header,
                    int flatten, uint32_t tableBytes, std::string &error)
{
    for (int k = 0; k < 4; ++k) {
        trees[k] = HuffOpen(0);
        if (!trees[k]) {
            error = "Error: ran out of memory!";
            return false;
        }
        HuffSetOutput(trees[k], f);
    }
    int shift[ZBX_TREE_COUNT] = {flatten, flatten, flatten, flatten};
    for (int attempt = 0;; ++attempt) {
        bool ok = true;
        for (uint32_t k = 0; k < 4 && ok; ++k) {
            const bool fed =
                shift[k] ? FeedFlattenedStats(trees[k], k, coded, shift[k]) : FeedStats(trees[k], k, coded);
            if (!fed) {
                error = "Error: the temporary storage of the compressor failed.";
                return false;
            }
            const int32_t size = HuffStartEncode(trees[k]);
            if (size < 0) {
                ++shift[k];
                ok = false;
            } else {
                header.TreeSize[k] = static_cast<uint32_t>(size);
            }
        }
        if (ok)
            break;
        if (attempt > 40) {
            error = "Error: the Huffman trees could not be built.";
            return false;
        }
        VEXFileSetPos(f, tableBytes); // start the tree data again
    }
    return true;
}

} // namespace

void SerializeHeader(const ContainerHeader &h, uint8_t out[104])
{
    ZbxHeader z = h;
    z.Magic = ZBX_MAGIC;
    ZbxSerializeHeader(&z, out);
}

namespace {

// The trees a file is coded with: the Huff family's (effort 0) or the tuned
// tree writer's codes; closed on every way out.
class FrameTrees {
public:
    explicit FrameTrees(int effort) : effort_(effort) {}
    FrameTrees(const FrameTrees &) = delete;
    FrameTrees &operator=(const FrameTrees &) = delete;
    ~FrameTrees()
    {
        for (HUFF *t : trees_)
            HuffClose(t);
    }

    // Writes the tree data at f's position and records the trees' sizes.
    bool Write(VEXFILE *f, const CodedSymbols &coded, ContainerHeader &header, int flatten, uint32_t tableBytes,
               std::string &error)
    {
        if (effort_ == 0)
            return BuildHuffTrees(f, trees_, coded, header, flatten, tableBytes, error);
        PlanTrees(coded, codes_, 1 + effort_ / 3);
        for (uint32_t k = 0; k < ZBX_TREE_COUNT; ++k) {
            header.TreeSize[k] = WriteTreeCode(f, codes_[k]);
            codes_[k].Finish();
        }
        return true;
    }

    // Codes one frame's picture symbols.
    bool Encode(VEXFILE *f, const std::vector<uint32_t> &symbols, std::string &error)
    {
        if (effort_ > 0) {
            if (EncodeFrameSymbols(f, codes_, symbols))
                return true;
            error = "Error: a value of the pictures has no code in the trees.";
            return false;
        }
        for (HUFF *t : trees_)
            HuffInitLasts(t);
        for (uint32_t s : symbols)
            HuffEncode(trees_[SymbolTree(s)], SymbolValue(s));
        return true;
    }

private:
    int effort_;
    HUFF *trees_[ZBX_TREE_COUNT] = {};
    TreeCode codes_[ZBX_TREE_COUNT];
};

// Writes a frame's palette and sound chunks; returns its frame type byte.
uint8_t WriteChunks(VEXFILE *f, const FrameOut &frame, const std::array<std::vector<uint8_t>, ZBX_MAX_TRACKS> *sound)
{
    uint8_t type = 0;
    if (!frame.paletteChunk.empty()) {
        type |= ZBX_FRAME_PALETTE;
        VEXFilePut(f, frame.paletteChunk.data(), static_cast<uint32_t>(frame.paletteChunk.size()));
    }
    for (int t = 0; sound && t < ZBX_MAX_TRACKS; ++t) {
        const std::vector<uint8_t> &chunk = (*sound)[t];
        if (chunk.empty())
            continue;
        type |= static_cast<uint8_t>(ZBX_FRAME_TRACK(t));
        VEXFilePut(f, chunk.data(), static_cast<uint32_t>(chunk.size()));
    }
    return type;
}

// The frames, each after its chunks, byte-aligned; fills sizes and types.
bool WriteFrames(VEXFILE *f, FrameTrees &trees, const CodedSymbols &coded, const std::vector<FrameOut> &frames,
                 const std::vector<std::array<std::vector<uint8_t>, ZBX_MAX_TRACKS>> &sound,
                 std::vector<uint32_t> &frameSizes, std::vector<uint8_t> &types, ProgressFn progress,
                 std::string &error)
{
    const uint32_t n = static_cast<uint32_t>(frames.size());
    frameSizes.assign(n, 0);
    types.assign(n, 0);
    std::vector<uint32_t> scratch;
    for (uint32_t i = 0; i < n; ++i) {
        if (progress && (i % 8 == 0 || i + 1 == n)) {
            char text[96];
            std::snprintf(text, sizeof text, "Writing frame %u of %u...", i + 1, n);
            if (progress(text, 0))
                return false;
        }
        const uint32_t start = VEXFileGetPos(f);
        types[i] = WriteChunks(f, frames[i], i < sound.size() ? &sound[i] : nullptr);
        const std::vector<uint32_t> *list = coded.Get(i, scratch);
        if (!list) {
            error = "Error: the temporary storage of the compressor failed.";
            return false;
        }
        if (!trees.Encode(f, *list, error))
            return false;
        VEXFileByteAlign(f);
        frameSizes[i] = VEXFileGetPos(f) - start;
    }
    return true;
}

// The header and the frame tables, written over the space kept for them at
// the start; f stays at its end.
bool WriteHeaderAndTables(VEXFILE *f, const ContainerHeader &header, const std::vector<uint32_t> &frameSizes,
                          const std::vector<uint8_t> &types, std::string &error)
{
    const uint32_t n = static_cast<uint32_t>(frameSizes.size());
    const uint32_t end = VEXFileGetPos(f);
    uint8_t head[ZBX_HEADER_SIZE];
    SerializeHeader(header, head);
    std::vector<uint8_t> tables(static_cast<size_t>(5) * n);
    ZbxSerializeFrameTables(frameSizes.data(), types.data(), n, tables.data());
    VEXFileSetPos(f, 0);
    bool ok = VEXFilePut(f, head, ZBX_HEADER_SIZE) == ZBX_HEADER_SIZE;
    if (n)
        ok = ok && VEXFilePut(f, tables.data(), 5 * n) == 5 * n;
    VEXFileSetPos(f, end);
    if (!ok)
        error = "Error writing the output file.";
    return ok;
}

} // namespace

bool WriteZorblax(VEXFILE *f, ContainerHeader &header, const std::vector<FrameOut> &frames,
                  const std::vector<std::array<std::vector<uint8_t>, ZBX_MAX_TRACKS>> &sound,
                  std::vector<uint32_t> &frameSizes, ProgressFn progress, std::string &error, int flatten,
                  const BlobStore *spill, int effort)
{
    const CodedSymbols coded{frames, spill};
    const uint32_t n = static_cast<uint32_t>(frames.size());
    const auto tableBytes = static_cast<uint32_t>(ZBX_HEADER_SIZE + ZbxTablesBytes(n));
    // Room for the header and tables, written last.
    const std::vector<uint8_t> zeros(tableBytes, 0);
    if (VEXFilePut(f, zeros.data(), tableBytes) != tableBytes) {
        error = "Error writing the output file.";
        return false;
    }
    if (progress && progress("Building the Huffman trees...", 1))
        return false;

    FrameTrees trees(effort);
    if (!trees.Write(f, coded, header, flatten, tableBytes, error))
        return false;
    VEXFileByteAlign(f);
    header.TreeDataSize = VEXFileGetPos(f) - tableBytes;

    std::vector<uint8_t> types;
    if (!WriteFrames(f, trees, coded, frames, sound, frameSizes, types, progress, error))
        return false;
    const uint32_t end = VEXFileGetPos(f);
    if (!WriteHeaderAndTables(f, header, frameSizes, types, error))
        return false;
    header.fileBytes = end;
    return true;
}

} // namespace zenc

// Internal pieces of the compressor library, shared between its stages and
// reachable by the tests. Not installed; tools use encoder/encoder.h only.
#ifndef ZORB_ENCODER_ENCODER_INTERNAL_H
#define ZORB_ENCODER_ENCODER_INTERNAL_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "codec/format.h"
#include "vexutil/vexutil.h"

namespace zenc {

// One coded symbol: the tree in the high 16 bits, the 16-bit value below.
inline uint32_t MakeSymbol(uint32_t tree, uint32_t value)
{
    return (tree << 16) | (value & 0xFFFF);
}
inline uint32_t SymbolTree(uint32_t s)
{
    return s >> 16;
}
inline uint32_t SymbolValue(uint32_t s)
{
    return s & 0xFFFF;
}

// The three values a tree saw last, newest first, as the player keeps them
// (reset at every frame's start): a value equal to the newest leaves them
// as they are, any other is pushed in front.
struct LastThree {
    uint32_t value[3] = {0, 0, 0};
    int Find(uint32_t v) const
    {
        for (int i = 0; i < 3; ++i)
            if (value[i] == v)
                return i;
        return -1;
    }
    void Push(uint32_t v)
    {
        if (v == value[0])
            return;
        value[2] = value[1];
        value[1] = value[0];
        value[0] = v;
    }
};

// ---- runs ------------------------------------------------------------------

// Blocks covered by run index r (0-63).
uint32_t RunLength(uint32_t index);
// Splits a run of n blocks (n >= 1) into run indexes. When the run reaches the
// last block of the picture (toEnd), the final piece may overshoot, since the
// decoder drops what lies past the picture.
void SplitRun(uint32_t n, bool toEnd, std::vector<uint8_t> &indexes);

// ---- palettes ----------------------------------------------------------------

using Palette6 = std::array<uint8_t, 768>; // 6-bit components, red, green, blue
using Palette8 = std::array<uint8_t, 768>; // 8-bit components

inline uint8_t Expand6(uint8_t v)
{
    return static_cast<uint8_t>((v << 2) | (v >> 4));
}
Palette8 ExpandPalette(const Palette6 &p);
Palette6 ReducePalette(const uint8_t *rgb8); // 8-bit to 6-bit (v >> 2)

// The shortest keep/copy/set command sequence that turns old into next,
// without the leading length byte.
std::vector<uint8_t> PaletteCommands(const Palette6 &old, const Palette6 &next);
// The whole chunk: length byte (units of 4 bytes), commands, zero padding.
std::vector<uint8_t> PaletteChunk(const Palette6 &old, const Palette6 &next);
// Applies a chunk's commands to a palette the way a player does (reference
// for tests; stops at entry 255 and never reads outside the chunk).
bool ApplyPaletteChunk(const uint8_t *chunk, size_t size, Palette6 &palette);

// ---- cost model ------------------------------------------------------------------

// Code lengths of a Huffman code over the given counts (0 for absent symbols).
std::vector<uint8_t> HuffmanLengths(const std::vector<uint32_t> &counts);

// Estimated bits of the symbols of each tree, refined from one pass to the next.
struct CostModel {
    std::vector<uint8_t> length[ZBX_TREE_COUNT];         // per tree, 65536 each; 0 = unseen
    double typeBits[ZBX_BLOCK_KINDS] = {3, 3, 2, 4};     // mean type-symbol bits per block of each kind
    double runStartBits[ZBX_BLOCK_KINDS] = {5, 5, 4, 7}; // mean bits of one type symbol of each kind
    double unseenBits[ZBX_TREE_COUNT] = {14, 12, 11, 12};
    uint8_t escapeLength[ZBX_TREE_COUNT][3] = {}; // code lengths of the escapes (0: no code)
    bool valid = false;
    // The trees' own description (effort above 0): estimated bytes of the four
    // trees, and per value its leaf's bits shared among its uses (a value with
    // no leaf yet carries a whole leaf).
    double treeBytes = 0;
    double leafBits[ZBX_TREE_COUNT] = {18, 18, 18, 18};
    std::vector<float> leafShare[ZBX_TREE_COUNT]; // 65536 each; empty: not estimated

    // A value's share of its leaf in the tree's description (0 when not estimated).
    double LeafShare(uint32_t tree, uint32_t value) const
    {
        return leafShare[tree].empty() ? 0.0 : leafShare[tree][value];
    }

    double Bits(uint32_t tree, uint32_t value) const
    {
        if (!valid)
            return unseenBits[tree];
        uint8_t l = length[tree][value];
        return l ? l : unseenBits[tree];
    }
};

// ---- frame coding ------------------------------------------------------------------

// Squared RGB distances between palette entries (8-bit components).
struct DistanceTable {
    std::vector<uint32_t> d; // 256 x 256
    void Build(const Palette8 &p);
    uint32_t operator()(uint8_t a, uint8_t b) const { return d[(static_cast<uint32_t>(a) << 8) | b]; }
};

// The palette entry nearest to a colour (8-bit components; the lowest index
// of equally near ones): the plain scan, and the same answer from the entries
// ordered by red, searched outwards from the colour's red.
uint8_t NearestEntry(const Palette8 &p, int r, int g, int b);
struct NearestByRed {
    Palette8 palette{};
    std::array<uint8_t, 256> order{}, red{};
    void Build(const Palette8 &p);
    uint8_t operator()(int r, int g, int b) const;
};

struct FrameStats {
    uint32_t blocks[ZBX_BLOCK_KINDS] = {0, 0, 0, 0};      // blocks per kind
    uint32_t typeSymbols[ZBX_BLOCK_KINDS] = {0, 0, 0, 0}; // type symbols per kind
    uint64_t error = 0;                                   // summed squared RGB error of the frame
    uint32_t changedPixels = 0;                           // pixels changed to keep a pixel pair out of the file
};

// How one frame is to be coded.
struct FrameRequest {
    bool key = false; // no skip blocks
    bool lossless = true;
    double lambda = 0; // lossy: weight of error against bits
};

// Codes pictures of a fixed size block by block, keeping the picture the
// decoder will hold after each frame.
class BlockCoder {
public:
    BlockCoder(uint32_t width, uint32_t height);
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t BlockCount() const { return bw_ * bh_; }

    // Loads the next source picture (rows of width bytes, pitch apart) and the
    // palette it is shown with, and works out every block's options. With
    // wantLossy (from effort 1), values are costed with their share of the
    // trees' description.
    void Prepare(const uint8_t *pixels, size_t pitch, const Palette8 &palette, bool key, const CostModel &model,
                 bool wantLossy = true);
    // Estimated bits and error of the frame for a lambda (0 = lossless).
    void Evaluate(const FrameRequest &req, double &bits, uint64_t &error) const;
    // Commits the frame: emits its symbols and updates the held picture.
    void Emit(const FrameRequest &req, std::vector<uint32_t> &symbols, FrameStats &stats);

    // 0: every block takes its first exact choice; above 0 the choices are
    // searched by their cost (alternative exact codings, runs, better lossy
    // colours).
    void SetEffort(int effort) { effort_ = effort; }
    // Whether lossy blocks may take palette entries that the block does not
    // hold (nearest to its mean colours). Only while the palette stays: held
    // indices outside the block's own would show other colours once the
    // palette moves on (palette cycling).
    void SetFreeColours(bool on) { freeColours_ = on; }

    const std::vector<uint8_t> &Picture() const { return picture_; }
    void SetPicture(const std::vector<uint8_t> &picture) { picture_ = picture; }
    // Pixel pairs that must not be coded (65536 flags, or null): a full
    // block row holding one gets its right pixel changed to the nearest
    // colour that makes an allowed pair.
    void SetForbiddenPairs(const std::vector<uint8_t> *flags) { forbidden_ = flags; }
    // Fraction (0-100) of blocks whose source pixels differ from the last
    // source picture handed to Prepare.
    double ChangedPercent() const { return changedPercent_; }

private:
    struct Option {
        uint8_t kind;
        uint8_t c0, c1; // fill colour; two-colour low (bit clear) and high colours
        uint16_t bitmap;
        float bits; // estimated bits of its symbols
        uint32_t error;
        float cost = 0; // bits with the leaves' share (the choice weighs these)
    };
    struct BlockOptions {
        Option exact;    // lossless choice
        Option alt[2];   // other exact codings (effort above 0)
        Option lossy[3]; // skip, best fill, best two colours (those that exist)
        uint8_t altCount;
        uint8_t lossyCount;
    };
    static constexpr int kAlt = 16;                                   // choice kAlt + k: alt[k]
    int Choose(const BlockOptions &b, const FrameRequest &req) const; // -1 = exact
    uint32_t AvoidPair(uint8_t left, uint8_t &right) const;           // returns the error added
    const Option &Chosen(const BlockOptions &b, int c) const
    {
        return c < 0 ? b.exact : c >= kAlt ? b.alt[c - kAlt] : b.lossy[c];
    }
    // The cheapest path through the runs (effort above 0), else each block's own best.
    void SearchChoices(const FrameRequest &req, std::vector<int> &choice) const;
    void SplitByCost(uint32_t n, bool toEnd, uint32_t typeBase, std::vector<uint8_t> &indexes) const;
    void RefineTwoColours(const uint8_t *src, Option &t) const;
    void RefineFill(const uint8_t *src, Option &f) const;

    // Prepare's steps for one block (block_coder.cpp).
    struct BlockPixels;
    struct TypeBits {
        float fill, skip, two, full; // estimated bits of a type symbol of each kind
    };
    // Loads a block's source and held pixels; false when its source differs
    // from the last source picture.
    bool LoadBlock(uint32_t bx, uint32_t by, bool haveLast, BlockPixels &p) const;
    // The lossless choice and the other exact codings.
    void ExactOptions(const BlockPixels &p, bool unchanged, const TypeBits &types, BlockOptions &b) const;
    // Skip, best fill and best two colours, as far as they exist.
    void LossyOptions(const BlockPixels &p, bool key, const TypeBits &types, BlockOptions &b) const;
    Option LossySkip(const BlockPixels &p, const TypeBits &types) const;
    Option LossyFill(const BlockPixels &p, const TypeBits &types) const;
    Option LossyTwoColours(const BlockPixels &p, const TypeBits &types) const;
    // Sets an option's bits and cost (with the leaves' share when leafCosts_).
    void FullBits(const uint8_t *src, const TypeBits &types, Option &o) const;
    void TwoColourBits(Option &t, const TypeBits &types) const;

    uint32_t width_, height_, bw_, bh_;
    std::vector<uint8_t> picture_; // what the decoder holds
    std::vector<uint8_t> source_;  // current source, width x height
    std::vector<uint8_t> lastSource_;
    std::vector<BlockOptions> options_;
    DistanceTable dist_;
    NearestByRed nearest_;
    Palette8 palette_{};
    bool havePalette_ = false;
    const std::vector<uint8_t> *forbidden_ = nullptr;
    double changedPercent_ = 100;
    int effort_ = 0;
    bool freeColours_ = true;
    const CostModel *model_ = nullptr;
    bool leafCosts_ = false; // lossy frames (effort above 0): values carry their share of the trees
    std::vector<int> choice_;
    mutable std::vector<int> evaluated_; // scratch of Evaluate
};

// Applies a frame's symbols to a picture (reference decoder of the symbol
// level, for tests and checks). Returns false on a malformed stream.
bool ApplySymbols(const std::vector<uint32_t> &symbols, uint32_t width, uint32_t height, std::vector<uint8_t> &picture);

// ---- rate control ---------------------------------------------------------------------

enum class RateKind { Lossless, ErrorPercent, DataRate, AverageFramePercent, FrameSizePercent };
struct RateMode {
    RateKind kind = RateKind::Lossless;
    double value = 0;
};
// Reads a compression value as the command line gives it.
RateMode DecodeRate(int32_t value);

// The measured error of a frame in percent: the root mean square of the RGB
// component errors relative to the full component range.
double ErrorPercent(uint64_t squaredError, uint64_t pixels);
// The squared error that a percentage allows for a picture of so many pixels.
uint64_t ErrorBudget(double percent, uint64_t pixels);

// Finds the lambda whose choices meet a byte budget (bits <= budgetBits) or an
// error budget, whichever the mode asks for.
FrameRequest ChooseLossy(const BlockCoder &coder, bool key, bool limitBits, double budgetBits, uint64_t errorBudget);

// ---- spill storage ----------------------------------------------------------------

// Blocks of bytes in an unnamed temporary file, appended in order and read
// back by index.
class BlobStore {
public:
    BlobStore();
    ~BlobStore();
    BlobStore(const BlobStore &) = delete;
    BlobStore &operator=(const BlobStore &) = delete;
    bool Ok() const { return file_ && !failed_; }
    void Clear();
    bool Append(const void *data, size_t size);
    size_t Count() const { return offsets_.size() - 1; }
    size_t Size(size_t index) const;
    bool Get(size_t index, void *data, size_t size) const;
    bool PutSymbols(const std::vector<uint32_t> &symbols);
    bool GetSymbols(size_t index, std::vector<uint32_t> &symbols) const;

private:
    std::FILE *file_;
    std::vector<uint64_t> offsets_;
    bool failed_ = false;
};

// ---- the whole sequence ------------------------------------------------------------

struct SourceFrame {
    std::vector<uint8_t> pixels; // width x height
    Palette6 palette{};
};

struct FrameSetting {
    uint32_t first, last; // 1-based, inclusive
    int32_t regular, key;
};

struct SequenceParams {
    uint32_t width = 0, height = 0;
    uint32_t period = 6667; // frame time in 1/100 ms
    bool ring = false;
    int32_t regular = 0, key = 0;
    uint32_t keyEvery = 0, autoKeyPercent = 0;
    int effort = 0; // 0: the first exact choices and the Huff family's trees; up to 9: more search
    std::vector<FrameSetting> settings;
};

// One frame as it goes into the file.
struct FrameOut {
    std::vector<uint8_t> paletteChunk; // empty: the frame keeps the palette
    std::vector<uint32_t> symbols;     // the video, in coding order
    bool key = false;
    double errorPercent = 0;
    uint32_t changedPixels = 0; // pixels changed because every pixel pair occurs
    double estimatedBytes = 0;  // palette + sound + video, from the cost model
};

using ProgressFn = int (*)(const char *text, int level);

// The pictures to code, by index.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual size_t Count() const = 0;
    virtual const Palette6 &PaletteOf(size_t i) const = 0;
    virtual bool Pixels(size_t i, std::vector<uint8_t> &out) const = 0; // width x height bytes
};

class VectorFrames : public FrameSource {
public:
    explicit VectorFrames(const std::vector<SourceFrame> &frames) : frames_(frames) {}
    size_t Count() const override { return frames_.size(); }
    const Palette6 &PaletteOf(size_t i) const override { return frames_[i].palette; }
    bool Pixels(size_t i, std::vector<uint8_t> &out) const override
    {
        out = frames_[i].pixels;
        return true;
    }

private:
    const std::vector<SourceFrame> &frames_;
};

// The symbols of coded frames: in their records, or, when a spill store is
// given, in the store (the records' symbol lists then stay empty).
struct CodedSymbols {
    const std::vector<FrameOut> &frames;
    const BlobStore *spill = nullptr;
    // Frame i's symbols; scratch holds them when they come from the store.
    const std::vector<uint32_t> *Get(size_t i, std::vector<uint32_t> &scratch) const
    {
        if (!spill)
            return &frames[i].symbols;
        return spill->GetSymbols(i, scratch) ? &scratch : nullptr;
    }
};

// Codes every frame (and the ring frame when asked, as the last entry).
// soundBytes[i] is the size of frame i's sound chunks (empty: none). With a
// spill store the symbols go there instead of into the records. Returns
// false when the progress function cancelled (error empty) or storage failed.
bool CodeSequence(const SequenceParams &params, const FrameSource &frames, const std::vector<uint32_t> &soundBytes,
                  std::vector<FrameOut> &out, ProgressFn progress, BlobStore *spill, std::string &error);
bool CodeSequence(const SequenceParams &params, const std::vector<SourceFrame> &frames,
                  const std::vector<uint32_t> &soundBytes, std::vector<FrameOut> &out, ProgressFn progress);

// The pixel pair to keep out of the file (flagged in a 65536-entry table)
// when the frames leave no free pair (other than 0) that the other trees do
// not use either; empty when all is well.
std::vector<uint8_t> PairsToAvoid(const CodedSymbols &symbols);

// The warning for frames whose pixels had to change because the pictures use
// (nearly) every pixel pair, naming them ("" when none did). frames is the
// count without the ring frame, which may follow in out.
std::string ChangedPixelsWarning(const std::vector<FrameOut> &out, size_t frames);

// ---- the tuned tree writer -------------------------------------------------------

// How often each option of a tree is taken: values by their own leaf, and the
// three escapes (cache slots).
struct TreeCounts {
    std::vector<uint64_t> literal; // 65536
    uint64_t escape[3] = {0, 0, 0};
};

// The code of one big tree. Symbols 0-65535 are values, 65536-65538 the escapes.
struct TreeCode {
    bool present = false;
    uint32_t leaves = 0;             // leaves with a code (values and used escapes)
    uint32_t single = 0;             // the symbol of a one-leaf tree (coded with no bits)
    uint32_t longest = 0;            // longest code
    std::vector<uint8_t> length;     // 65536 values; 0 = no leaf
    std::vector<uint8_t> allLengths; // 65539 symbols
    std::vector<uint32_t> reversed;  // 65539 codes, first branch in bit 0 (after Finish)
    bool escapeUsed[3] = {false, false, false};
    uint8_t escapeLength[3] = {0, 0, 0};
    uint16_t escapeValue[3] = {0, 0, 0};
    void Finish(); // works out the codes for writing
};

// Counts the options the frames take: with codes, the shortest option of
// every occurrence; without, every cache hit takes its escape (escape 0 only
// for trees flagged in onlyEscape0).
void CountChoices(const CodedSymbols &frames, const TreeCode *codes, const bool onlyEscape0[ZBX_TREE_COUNT],
                  TreeCounts counts[ZBX_TREE_COUNT]);
// A tree's code from the counts (length-limited Huffman), with escape values.
void BuildTreeCode(const TreeCounts &counts, TreeCode &code);
// Estimated bits of a tree's symbols and leaves.
double TreeBits(const TreeCounts &counts, const TreeCode &code);
// The four codes: built, then rebuilt from the choices they lead to, up to
// rounds times while the estimated total falls.
void PlanTrees(const CodedSymbols &frames, TreeCode codes[ZBX_TREE_COUNT], int rounds);
// Writes one tree as players read it; returns its node memory figure.
uint32_t WriteTreeCode(VEXFILE *f, const TreeCode &code);
// Writes a frame's symbols (caches reset at its start). False when a value
// has no code (never, for codes planned from the same frames).
bool EncodeFrameSymbols(VEXFILE *f, const TreeCode codes[ZBX_TREE_COUNT], const std::vector<uint32_t> &symbols);

// Builds a cost model from coded frames.
// With effort above 0 the lengths are those of the tuned tree writer.
CostModel BuildModel(const CodedSymbols &symbols, const std::vector<FrameStats> &stats, int effort = 0);

// Percentage of 4x4 blocks that differ between two pictures of one size.
double ChangedBlocks(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b, uint32_t width, uint32_t height);

} // namespace zenc

#endif

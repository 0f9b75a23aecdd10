// Test fixture: writes valid .zbx files from a plain description, so tests,
// benchmarks and fuzz seeds never need outside media.
//
// The video of every frame is coded from its picture against the picture the
// decoder holds at that point (the previous frame's, all zeros before frame
// 0): unchanged blocks become SkipBlock runs, one-colour blocks FillBlock,
// two-colour blocks TwoColourBlock, the rest FullBlock. The four big trees
// are Huffman trees over the values actually coded (escape leaves included),
// their leaf bytes coded with byte trees, exactly as a decoder reads them.
// Pictures are given as coded: Width x Height palette indices (Height as in
// the header, before any doubling); pixels outside whole 4x4 blocks are never
// coded and never written by a decoder.
#ifndef ZORB_TESTS_SUPPORT_ZBXGEN_H
#define ZORB_TESTS_SUPPORT_ZBXGEN_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zbxgen {

enum class HeightMode : uint8_t { Normal, Interlaced, Doubled };

// Tree numbers in stream order.
enum Tree : uint8_t { BitmapTree = 0, ColourPairTree = 1, PixelPairTree = 2, BlockTypeTree = 3 };

struct SoundFormat {
    uint32_t rate = 11025;
    bool stereo = false;
    bool sixteenBit = false;
    bool compressed = false;
    bool present = true;          // the present bit of the format word
    uint32_t maxSizeOverride = 0; // written as AudioMaxSize instead of the real maximum when non-zero
};

struct SoundChunk {
    std::vector<uint8_t> pcm;            // decoded sound (compressed chunks: trimmed to whole sample frames)
    bool noData = false;                 // compressed: the stream is a single 0 bit; U still says pcm.size()
    std::optional<uint32_t> claimedSize; // compressed: U written instead of pcm.size()
};

struct Frame {
    // Width x Height palette indices, top-down. Empty: same picture as before.
    std::vector<uint8_t> picture;
    // Palette in force from this frame on: 256 x (red, green, blue), 6-bit values.
    std::optional<std::array<uint8_t, 768>> palette;
    std::array<std::optional<SoundChunk>, 7> sound;
    // Overrides for hand-made streams: the exact (tree, value) sequence to code
    // instead of the picture, or the exact video bytes (trees still come from
    // the other frames).
    std::optional<std::vector<std::pair<Tree, uint16_t>>> values;
    std::optional<std::vector<uint8_t>> videoBytes;
};

struct Options {
    uint32_t seed = 1;
    bool skipUnchanged = true;   // unchanged blocks become SkipBlock (frame 0 is compared with zeros)
    bool variety = true;         // sometimes richer block types than needed, split runs, reused byte trees
    int escapePercent = 50;      // how often a value found in a tree's cache is sent as an escape
    bool cutLastRun = true;      // sometimes let the last run of a picture reach past its end
    bool exactTreeSizes = false; // declare exactly 4 bytes per node (else 3 spare nodes per tree)
};

struct Description {
    uint32_t width = 64;
    uint32_t height = 32; // as coded
    HeightMode heightMode = HeightMode::Normal;
    int32_t frameRate = 100;
    std::vector<Frame> frames;
    std::optional<Frame> ringFrame;
    std::array<std::optional<SoundFormat>, 7> tracks;
    Options options;
};

struct Stats {
    uint64_t treeValues = 0; // big-tree values decoded over all stored frames
    std::vector<uint64_t> treeValuesPerFrame;
    uint32_t treeDataSize = 0;
};

// The file as bytes. Throws std::invalid_argument on a description that
// cannot be coded (picture of the wrong size, more than 65535 coded values in
// one tree so that no value stays unused, ...).
std::vector<uint8_t> Build(const Description &d, Stats *stats = nullptr);
bool WriteFile(const Description &d, const std::string &path);
bool WriteBytes(const std::vector<uint8_t> &bytes, const std::string &path);

// What a decoder shows for stored frame i (i == frames.size() is the ring
// frame): the picture with "unchanged" frames resolved, and the 8-bit palette.
std::vector<uint8_t> PictureAt(const Description &d, size_t i);
std::array<uint8_t, 768> PaletteAt(const Description &d, size_t i);
std::array<uint8_t, 768> Expand(const std::array<uint8_t, 768> &sixBit);

uint32_t SampleFrameBytes(const SoundFormat &f);
uint32_t FormatWord(const SoundFormat &f);

// Small deterministic generator (same numbers on every platform).
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) {}
    uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<uint32_t>(s >> 16);
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
};

// Content makers for tests and benchmarks.
enum class Content : uint8_t { Random, Full, TwoColour, Fill, MostlySkipped };
std::vector<uint8_t> MakePicture(uint32_t w, uint32_t h, Content c, Rng &rng,
                                 const std::vector<uint8_t> *previous = nullptr);
std::array<uint8_t, 768> RandomPalette(Rng &rng);
std::vector<uint8_t> RandomSound(const SoundFormat &f, uint32_t bytes, Rng &rng);

// A small random but valid description: a few frames, palettes, sound tracks
// of every variant, maybe a ring frame and a height mode.
Description RandomDescription(uint32_t seed);

// Small files for a fuzz corpus: valid ones of every kind, and damaged ones
// (cut short, lying lengths, bad trees, streams that run out).
std::vector<std::vector<uint8_t>> FuzzSeeds(uint32_t seed, size_t count);

} // namespace zbxgen

#endif

// Builders of small graphics and animation files for the graphics input tests
// and the readers' fuzz seeds: AVI (RIFF) files, FLI/FLC animations made of
// hand-built chunks, raw frame files and wave files. Everything little-endian.
#ifndef ZORB_TESTS_SUPPORT_GFX_SAMPLES_H
#define ZORB_TESTS_SUPPORT_GFX_SAMPLES_H

#include <cstdint>
#include <string>
#include <vector>

namespace gfxsamples {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes &b, uint32_t v);
void Put32(Bytes &b, uint32_t v);
void PutTag(Bytes &b, const char *tag); // four characters
bool WriteFile(const std::string &path, const Bytes &b);
// A scratch directory for this process (one per tag), removed at exit.
std::string ScratchDir(const std::string &tag);
Bytes ReadFile(const std::string &path);

// ---- AVI ----------------------------------------------------------------------

class AviBuilder {
public:
    // The video stream: a bitmap format of the given depth. palette: 256 RGB
    // triples for 8-bit (written as the format's colour table). height < 0
    // makes a top-down format. compression 0 = plain RGB.
    void SetVideo(int32_t width, int32_t height, int bits, uint32_t rate, uint32_t scale, const Bytes &palette = {},
                  uint32_t compression = 0);
    // A sound stream (PCM unless tag says otherwise); formatSize 16 or 18.
    // Returns its stream number.
    int AddSound(int channels, uint32_t rate, int bits, uint32_t formatSize = 16, uint16_t tag = 1);
    // Data chunks in file order.
    void AddFrame(const Bytes &pixels);                 // "00db"
    void AddPaletteChange(int first, const Bytes &rgb); // "00pc", rgb.size()/3 entries
    void AddSoundChunk(int stream, const Bytes &data);  // "NNwb"
    // Wraps frame and sound chunks in "rec " lists of this many chunks.
    void UseRecLists(int n) { recEvery_ = n; }
    Bytes Build() const;

private:
    struct Stream {
        bool video;
        int32_t width = 0, height = 0;
        int bits = 0;
        uint32_t rate = 0, scale = 0, compression = 0;
        Bytes palette;
        int channels = 0;
        uint32_t sampleRate = 0, formatSize = 16;
        uint16_t tag = 1;
        uint32_t length = 0;
    };
    struct Chunk {
        std::string id;
        Bytes data;
    };
    std::vector<Stream> streams_;
    std::vector<Chunk> chunks_;
    int recEvery_ = 0;
};

// ---- FLI / FLC ------------------------------------------------------------------

struct FlicChunk {
    uint16_t type;
    Bytes data;
};

class FlicBuilder {
public:
    // magic 0xAF12 (FLC) or 0xAF11 (FLI). For FLC, speed is milliseconds and
    // creatorField the 32-bit value stored at byte 26.
    FlicBuilder(int width, int height, uint16_t magic = 0xAF12, uint32_t speed = 50, int32_t creatorField = 0)
        : width_(width), height_(height), magic_(magic), speed_(speed), creator_(creatorField)
    {}
    void AddFrame(const std::vector<FlicChunk> &chunks) { frames_.push_back(chunks); }
    // Declared frame count (defaults to the frames added).
    void SetFrameCount(int n) { frameCount_ = n; }
    Bytes Build() const;

    // Chunk makers.
    static FlicChunk Color256(int skip, const Bytes &rgb); // one packet
    static FlicChunk Color64(int skip, const Bytes &rgb6);
    static FlicChunk Black() { return {13, {}}; }
    static FlicChunk Copy(int width, int height, const Bytes &pixels);
    // Byte-run of a width x height picture: each row as literal runs of up to
    // 127 bytes, repeats for runs of 3 or more equal bytes.
    static FlicChunk ByteRun(int width, int height, const Bytes &pixels);

private:
    int width_, height_;
    uint16_t magic_;
    uint32_t speed_;
    int32_t creator_;
    int frameCount_ = -1;
    std::vector<std::vector<FlicChunk>> frames_;
};

// ---- Raw frame files ("RAWB") and wave files ----------------------------------

struct RawFrame {
    Bytes palette; // 768 bytes, or empty for none before this frame
    Bytes pixels;  // width x height
};
Bytes BuildRaw(uint32_t width, uint32_t height, uint32_t frameTime, const std::vector<RawFrame> &frames);

Bytes BuildWave(int channels, uint32_t rate, int bits, uint32_t dataBytes, uint16_t tag = 1);

// A grey ramp palette plus a few distinct colours, 768 bytes.
Bytes TestPalette(uint32_t seed = 1);

} // namespace gfxsamples

#endif

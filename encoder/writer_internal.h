// Internal: the container writer and the container reader of the mixer.
// Uses the vexutil interface.
#ifndef ZORB_ENCODER_WRITER_INTERNAL_H
#define ZORB_ENCODER_WRITER_INTERNAL_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "codec/format.h"
#include "encoder/encoder.h"
#include "encoder/encoder_internal.h"
#include "platform/platform.h"
#include "vexutil/vexutil.h"

namespace zenc {

// The header as the codec lays it out, plus what the writer learns.
struct ContainerHeader : ZbxHeader {
    ContainerHeader() : ZbxHeader{} {}
    uint64_t fileBytes = 0; // set by the writer
};

void SerializeHeader(const ContainerHeader &h, uint8_t out[104]);

// Writes a whole file into f (positioned at 0). sound[i][t] is frame i's
// chunk for track t (empty: none). frameSizes receives the table.
// effort 0 builds the trees with the Huff family as the symbols come; above
// 0 the tuned tree writer plans them from the choices (see tree_code.cpp).
// flatten > 0 builds every tree from counts flattened that many times, as is
// done by itself for a tree whose codes would grow too long.
bool WriteZorblax(VEXFILE *f, ContainerHeader &header, const std::vector<FrameOut> &frames,
                  const std::vector<std::array<std::vector<uint8_t>, ZBX_MAX_TRACKS>> &sound,
                  std::vector<uint32_t> &frameSizes, ProgressFn progress, std::string &error, int flatten = 0,
                  const BlobStore *spill = nullptr, int effort = 0);

// A Zorblax file read whole for rewriting (the mixer).
struct ContainerFile {
    ContainerHeader header;
    std::vector<uint32_t> frameSizes;
    std::vector<uint8_t> frameTypes;
    std::vector<uint8_t> treeData;
    std::vector<std::vector<uint8_t>> frames; // every frame's bytes
    uint32_t wholeFrames = 0;                 // frames lying whole in the file (fewer when it was cut short)
};
bool ReadContainer(const std::string &name, ContainerFile &file, std::string &error);

// A Zorblax file read frame by frame: Open reads the header, the tables and
// the tree data (Head().frames stays empty); NextFrame the frames in order.
// A file cut short opens with the frames that lie whole in it
// (Head().wholeFrames, by the decoder's rule ZbxWholeFrames).
class ContainerStream {
public:
    ContainerStream() = default;
    ContainerStream(const ContainerStream &) = delete;
    ContainerStream &operator=(const ContainerStream &) = delete;
    ~ContainerStream();
    bool Open(const std::string &name, std::string &error);
    const ContainerFile &Head() const { return head_; }
    bool NextFrame(std::vector<uint8_t> &frame, std::string &error);

private:
    std::FILE *file_ = nullptr;
    ContainerFile head_;
    size_t next_ = 0;
    std::string name_;
};
// The same from bytes in memory (name only for messages).
bool ParseContainer(const uint8_t *data, size_t size, const std::string &name, ContainerFile &file, std::string &error);

// Chunks of one frame: palette, sound per track (empty = absent), video.
struct FrameChunks {
    std::vector<uint8_t> palette;
    std::array<std::vector<uint8_t>, ZBX_MAX_TRACKS> sound;
    std::vector<uint8_t> video;
};
bool SplitFrame(const std::vector<uint8_t> &frame, uint8_t type, FrameChunks &chunks);

// ---- sound tracks ------------------------------------------------------------

struct TrackFormat {
    uint32_t rate = 0, bits = 0, channels = 0, frameSize = 0;
    bool compressed = true;
};
TrackFormat CSFileFormat(const CSFILE *cs);

// Sample frames that lie before frame `frame` at `period` (1/100 ms).
uint64_t SoundFramesBefore(uint64_t frame, uint32_t period, uint32_t rate);
// Bytes of frame `frame`'s chunk: its share of the sound, the fraction carried.
uint32_t SoundChunkBytes(uint64_t frame, uint32_t period, uint32_t rate, uint32_t frameSize);
// Decoded bytes a chunk holds.
uint32_t ChunkDecodedBytes(const std::vector<uint8_t> &chunk, bool compressed);

void CloseTrack(CSFILE *cs);

// Cuts a track into one chunk per frame (empty when the sound has ended).
// With keepTail the last frame's chunk also takes whatever sound is left
// after its share, so no sample of the source is dropped.
bool SpoolTrack(CSFILE *cs, uint32_t frames, uint32_t period, const std::string &outputName,
                std::vector<std::vector<uint8_t>> &chunks, uint32_t &audioFormat, uint32_t &maxSize,
                ProgressFn progress, std::string &error, bool keepTail = false);

// ---- wave files ----------------------------------------------------------------

// A PCM wave file written under a temporary name beside its target
// (platform safe writing): Commit renames it into place; a scratch file is
// read through Path() and simply dropped.
class WaveOutput {
public:
    bool Begin(const std::string &target, uint32_t rate, uint32_t bits, uint32_t channels, std::string &error);
    bool Write(const void *data, size_t size) { return PlatformRiffWrite(&riff_, data, size) != 0; }
    // Completes the header; false (with the reason) after any failed write.
    bool End(std::string &error);
    bool Commit(std::string &error) { return file_.Commit(riff_.position, error); }
    std::string Path() const { return file_.Path(); }
    uint64_t DataBytes() const { return data_; }

private:
    zorb::platform::SafeFile file_;
    PlatformRiffWriter riff_{};
    uint64_t data_ = 0;
    std::string target_;
};

// ---- rate conversion -------------------------------------------------------------

// Band-limited rate conversion of interleaved 16-bit samples (libsoxr, high
// quality, no dither): feed blocks with Process, then Flush for the tail.
class Resampler {
public:
    Resampler() = default;
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;
    ~Resampler();
    bool Open(uint32_t inRate, uint32_t outRate, uint32_t channels, std::string &error);
    // Appends the output that the input frames complete to out.
    bool Process(const int16_t *in, size_t frames, std::vector<int16_t> &out);
    bool Flush(std::vector<int16_t> &out);

private:
    struct State;
    State *state_ = nullptr;
    uint32_t channels_ = 0;
};

// ---- new frame rates ---------------------------------------------------------------

// Frames of the new period that fill the running time of `frames` frames of
// the old one most closely (at least 1).
uint32_t RetimedFrameCount(uint32_t frames, uint32_t oldPeriod, uint32_t newPeriod);
// The old frame on screen when new frame `frame` starts.
uint32_t SourceFrameAt(uint32_t frame, uint32_t oldPeriod, uint32_t newPeriod);

} // namespace zenc

#endif

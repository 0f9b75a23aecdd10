// Our AVI (RIFF) writer: one stream of uncompressed DIB video, 8 bits with its
// colour table (later palettes as palette-change chunks) or 24 bits, every
// frame a key frame, with an "idx1" index. Past a part size of 1 GB the file
// goes on in "AVIX" parts with OpenDML indexes (a super index in the stream
// header, a standard index per part, the total frame count in "dmlh"), so
// long outputs stay valid. Internal to vexutil; graphics output uses it.
#ifndef ZORB_VEXUTIL_GRAPHICS_AVI_WRITER_H
#define ZORB_VEXUTIL_GRAPHICS_AVI_WRITER_H

#include <cstdint>
#include <memory>
#include <string>

namespace vex {

struct AviWriterSettings {
    uint32_t width = 0, height = 0;
    uint32_t bits = 8;                      // 8 or 24
    uint32_t scale = 1, rate = 15;          // frames per second = rate / scale
    uint64_t partLimit = uint64_t(1) << 30; // largest RIFF part (tests use small ones)
};

class AviWriter {
public:
    // Writes the file on fd (an empty file, written with positioned writes
    // from its start). Null with a reason when it cannot.
    static std::unique_ptr<AviWriter> Create(int fd, const AviWriterSettings &settings, std::string &error);
    virtual ~AviWriter() = default;
    // One frame: rows bottom-up, RowBytes() apart (a DIB). palette (8-bit
    // streams, 768 bytes red, green, blue): the frame's colours, or null for
    // unchanged. False once any write failed.
    virtual bool PutFrame(const uint8_t *dib, const uint8_t *palette) = 0;
    // Writes the indexes and the final headers; false when anything failed
    // (the descriptor stays open: it is the caller's).
    virtual bool Close() = 0;
    virtual uint64_t Size() const = 0;
    virtual uint32_t RowBytes() const = 0;
    virtual uint32_t Parts() const = 0; // RIFF parts so far
};

} // namespace vex

#endif

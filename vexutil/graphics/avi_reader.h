// Our own reader of AVI (RIFF) files: uncompressed DIB video of 8, 16, 24 or
// 32 bits per pixel with its palette changes, and PCM sound streams. Files with
// other video codecs are refused. Internal to vexutil: graphics input uses the
// video stream, sound input uses the sound streams.
//
// The reader walks the RIFF tree once at open (the "movi" lists of the first
// RIFF and of any following extension RIFFs, "rec " lists included) and keeps
// the place and size of every chunk of the streams it serves, so no index chunk
// is needed and every length is checked against its parent before use.
#ifndef ZORB_VEXUTIL_GRAPHICS_AVI_READER_H
#define ZORB_VEXUTIL_GRAPHICS_AVI_READER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vex {

// Where the bytes come from: a file or a block of memory (fuzzing, tests).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to n bytes at offset; returns the count read (short at the end).
    virtual size_t ReadAt(uint64_t offset, void *dst, size_t n) = 0;
};

std::unique_ptr<ByteSource> OpenFileSource(const char *path);
std::unique_ptr<ByteSource> MemorySource(const uint8_t *data, size_t size);

struct AviChunk {
    uint64_t offset; // of the chunk's data
    uint32_t size;
};

struct AviVideoStream {
    uint32_t handler = 0; // four-character code of the stream header
    uint32_t rate = 0, scale = 0, start = 0, length = 0;
    int32_t width = 0, height = 0; // height positive; see topDown
    bool topDown = false;          // the format gave a negative height
    uint32_t bitCount = 0;         // 8, 16, 24 or 32
    uint8_t palette[768] = {};     // the format's colour table, red, green, blue
    uint32_t paletteColours = 0;   // entries the format's colour table holds
};

struct AviSoundStream {
    uint32_t rate = 0, scale = 0, start = 0, length = 0; // stream header
    uint32_t formatSize = 0;                             // bytes of the stream format record
    uint16_t formatTag = 0;                              // 1 = PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint64_t dataBytes = 0; // sum of the stream's chunk sizes
    std::vector<AviChunk> chunks;
    std::vector<uint64_t> chunkStart; // byte position of each chunk in the stream
};

class AviReader {
public:
    // Opens and indexes an AVI file. On failure returns null and, when error
    // is given, stores a short reason (for the debug log).
    static std::unique_ptr<AviReader> Open(std::unique_ptr<ByteSource> src, std::string &error);
    static std::unique_ptr<AviReader> OpenFile(const char *path, std::string &error);

    // The first video stream. Null when the file has none; the stream is
    // absent too when its codec is not uncompressed DIB (see VideoRefused).
    const AviVideoStream *Video() const { return hasVideo_ ? &video_ : nullptr; }
    // True when the file has a video stream that this reader cannot decode.
    bool VideoRefused() const { return videoRefused_; }
    // Number of video frames (data chunks of the video stream, palette
    // changes excluded).
    uint32_t FrameCount() const { return static_cast<uint32_t>(frames_.size()); }
    // Stored size of frame n's chunk (0 for a dropped frame or n out of range).
    uint32_t FrameStoredSize(uint32_t n) const;
    // Decodes frame n (0-based). The pixels stay valid until the next call.
    // Returns false when n is out of range or the file cannot be read; a frame
    // shorter than the picture is completed with zero bytes.
    bool ReadFrame(uint32_t n);
    // The frame read last: the topmost row and the distance between rows
    // (negative for the usual bottom-up frames).
    const uint8_t *FrameTopRow() const { return top_; }
    ptrdiff_t FramePitch() const { return pitch_; }
    // Row length of a stored frame (DIB rows, a multiple of 4 bytes).
    uint32_t StoredRowBytes() const { return rowBytes_; }
    // The palette in effect for the frame read last (8-bit streams).
    const uint8_t *FramePalette() const { return curPalette_; }

    // Sound streams in file order (PCM or not; callers check the format).
    size_t SoundCount() const { return sound_.size(); }
    const AviSoundStream *Sound(size_t i) const { return i < sound_.size() ? &sound_[i] : nullptr; }
    // Reads n bytes of sound stream i starting at byte position pos of the
    // stream's data; returns the count read (short at the end of the stream).
    size_t ReadSound(size_t i, uint64_t pos, void *dst, size_t n);

private:
    AviReader() = default;
    bool Parse(std::string &error);
    // Walks the chunks of [begin, end): stream lists, the nested lists and,
    // inside the movie list, the stream data chunks.
    void WalkList(uint64_t begin, uint64_t end, int depth, bool inMovi);
    // One stream list: its header and format become a stream.
    void ReadStreamList(uint64_t begin, uint64_t end);
    // The first stream header and stream format chunks of a stream list.
    void ReadStreamChunks(uint64_t begin, uint64_t end, std::vector<uint8_t> &strh, std::vector<uint8_t> &strf);
    void OnStreamChunk(uint32_t id, uint64_t offset, uint32_t size);
    bool ApplyPaletteChange(const AviChunk &c);

    struct StreamInfo {
        uint32_t type;  // 'vids', 'auds' or other
        int soundIndex; // index into sound_ or -1
        bool video;     // the first video stream
    };

    std::unique_ptr<ByteSource> src_;
    std::vector<StreamInfo> streams_;
    bool hasVideo_ = false, videoRefused_ = false;
    int videoNumber_ = -1;
    AviVideoStream video_;
    std::vector<AviSoundStream> sound_;

    struct Frame {
        AviChunk chunk;
        uint32_t paletteChanges; // palette change chunks before this frame
    };
    std::vector<Frame> frames_;
    std::vector<AviChunk> paletteChanges_;

    uint32_t rowBytes_ = 0;
    std::vector<uint8_t> pixels_;
    const uint8_t *top_ = nullptr;
    ptrdiff_t pitch_ = 0;
    uint8_t curPalette_[768] = {};
    uint32_t appliedChanges_ = 0; // palette changes applied to curPalette_
    int64_t lastFrame_ = -1;      // frame whose pixels are in pixels_
};

} // namespace vex

#endif

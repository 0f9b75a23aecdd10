// Hand-built .zbx files for the container tests: header fields, frames made
// of chunks, tree data, written to a temporary file.
#ifndef ZORB_TESTS_CODEC_CONTAINER_ZBXBUILD_H
#define ZORB_TESTS_CODEC_CONTAINER_ZBXBUILD_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zbxtest {

struct BuiltFrame {
    uint8_t type = 0;
    std::vector<uint8_t> bytes;
};

// A frame from its parts: palette commands (the length byte and padding are
// added), sound chunk contents per track (the length word is added), video bytes.
BuiltFrame MakeFrame(const std::optional<std::vector<uint8_t>> &paletteCommands,
                     const std::array<std::optional<std::vector<uint8_t>>, 7> &sound,
                     const std::vector<uint8_t> &video);
// A frame of video bytes only.
BuiltFrame VideoFrame(const std::vector<uint8_t> &video);
// A frame of n bytes of a counting pattern starting at seed.
BuiltFrame PatternFrame(uint32_t n, uint8_t seed);

struct ZbxBuild {
    char magic[4] = {'Z', 'B', 'X', '2'};
    uint32_t width = 64, height = 32;
    int32_t frameRate = 100;
    uint32_t headerFlags = 0;
    std::array<uint32_t, 7> audioMax{};
    std::array<uint32_t, 7> audioFormat{};
    uint32_t reserved = 0;
    std::vector<uint8_t> treeData{0x00}; // four absent trees
    std::array<uint32_t, 4> treeSizes{};
    std::vector<BuiltFrame> frames;       // the ring frame last when headerFlags has bit 0
    std::optional<uint32_t> frameCount;   // default: frames.size() minus the ring frame
    std::optional<uint32_t> treeDataSize; // default: treeData.size()

    std::vector<uint8_t> Bytes() const;
};

// Writes bytes to a fresh temporary file and returns its path; the file is
// removed when the test program ends.
std::string WriteTemp(const std::vector<uint8_t> &bytes, const std::string &stem = "t");

// Captures what is written to standard error (the debug log) while alive.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    std::string Text(); // stops capturing on first call
private:
    int saved_ = -1;
    std::string path_;
    bool done_ = false;
    std::string text_;
};

// Switches the debug log on or off for this process.
void SetDebugLog(bool on);

} // namespace zbxtest

#endif

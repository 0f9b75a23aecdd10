// Shared pieces of the sound tool tests: files in and out, and reading the
// wave files the tools write.
#ifndef ZORB_TESTS_SNDTOOLS_TOOL_RUN_H
#define ZORB_TESTS_SNDTOOLS_TOOL_RUN_H

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/run_tool.h"

namespace sndtest {

using Result = zorb::test::ToolResult;
using zorb::test::RunTool;

inline std::vector<uint8_t> ReadAll(const std::string &name)
{
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string &name, const std::vector<uint8_t> &bytes)
{
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A PCM wave file as our writer lays it out: the 44-byte header, then data.
struct Wave {
    uint32_t rate = 0, bits = 0, channels = 0;
    std::vector<uint8_t> data;
};

inline uint32_t Get(const std::vector<uint8_t> &b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

inline bool ReadWave(const std::string &name, Wave &w)
{
    const std::vector<uint8_t> b = ReadAll(name);
    if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " ||
        std::string(b.begin() + 36, b.begin() + 40) != "data")
        return false;
    w.channels = Get(b, 22, 2);
    w.rate = Get(b, 24, 4);
    w.bits = Get(b, 34, 2);
    const uint32_t size = Get(b, 40, 4);
    // The pad byte after odd-sized data may be left out at the end of the file.
    if (Get(b, 4, 4) != b.size() - 8 || (44 + size != b.size() && 44 + size + (size & 1) != b.size()))
        return false;
    w.data.assign(b.begin() + 44, b.begin() + 44 + size);
    return true;
}

inline std::vector<int16_t> Samples16(const std::vector<uint8_t> &data)
{
    std::vector<int16_t> s(data.size() / 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(Get(data, 2 * i, 2));
    return s;
}

inline std::vector<uint8_t> Bytes16(const std::vector<int16_t> &s)
{
    std::vector<uint8_t> b;
    for (int16_t v : s) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return b;
}

// A PCM wave file of the given bytes.
inline void WriteWaveBytes(const std::string &name, uint32_t rate, uint32_t bits, uint32_t channels,
                           const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> b;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(static_cast<uint32_t>(36 + data.size() + (data.size() & 1)), 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4);
    put(1, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * bits / 8, 4);
    put(channels * bits / 8, 2);
    put(bits, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(static_cast<uint32_t>(data.size()), 4);
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1)
        b.push_back(0); // the pad byte (some writers leave it out)
    WriteAll(name, b);
}

} // namespace sndtest

#endif

// Small sound files for the sound input and chunk encoder tests: wave files
// with chosen samples (and optional extra chunks of odd size), headerless
// files, list files; a temporary directory that is removed afterwards.
#ifndef ZORB_TESTS_SOUND_INPUT_SOUND_FILES_H
#define ZORB_TESTS_SOUND_INPUT_SOUND_FILES_H

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace soundtest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes &b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes &b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutTag(Bytes &b, const char *t)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(t[i]));
}

// A RIFF wave file; with oddChunks, a "LIST" chunk of odd size stands before
// "fmt " and a "junk" chunk of odd size between "fmt " and "data".
inline Bytes Wave(int channels, uint32_t rate, int bits, const Bytes &pcm, bool oddChunks = false, uint16_t tag = 1)
{
    Bytes body;
    PutTag(body, "WAVE");
    if (oddChunks) {
        PutTag(body, "LIST");
        Put32(body, 5);
        body.insert(body.end(), {'a', 'b', 'c', 'd', 'e', 0});
    }
    PutTag(body, "fmt ");
    Put32(body, 16);
    Put16(body, tag);
    Put16(body, static_cast<uint32_t>(channels));
    Put32(body, rate);
    Put32(body, rate * static_cast<uint32_t>(channels * bits / 8));
    Put16(body, static_cast<uint32_t>(channels * bits / 8));
    Put16(body, static_cast<uint32_t>(bits));
    if (oddChunks) {
        PutTag(body, "junk");
        Put32(body, 3);
        body.insert(body.end(), {1, 2, 3, 0});
    }
    PutTag(body, "data");
    Put32(body, static_cast<uint32_t>(pcm.size()));
    body.insert(body.end(), pcm.begin(), pcm.end());
    Bytes file;
    PutTag(file, "RIFF");
    Put32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline Bytes Samples16(const std::vector<int16_t> &v)
{
    Bytes b;
    for (int16_t s : v)
        Put16(b, static_cast<uint16_t>(s));
    return b;
}

class TempDir {
public:
    TempDir()
    {
        static int n = 0;
        path_ = std::filesystem::path(::testing::TempDir()) /
                ("sound_" + std::to_string(::getpid()) + "_" + std::to_string(n++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string &name) const { return (path_ / name).string(); }
    std::string Write(const std::string &name, const Bytes &b) const
    {
        const std::string p = File(name);
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
        return p;
    }
    std::string WriteText(const std::string &name, const std::string &text) const
    {
        const std::string p = File(name);
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }

private:
    std::filesystem::path path_;
};

} // namespace soundtest

#endif

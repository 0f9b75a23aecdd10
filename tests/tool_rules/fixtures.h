// Shared pieces of the tool-rule tests: a private directory, the inputs the
// tools work on (a Zorblax file with sound, a wave file), and a listing of
// what a directory holds.
#ifndef ZORB_TESTS_TOOL_RULES_FIXTURES_H
#define ZORB_TESTS_TOOL_RULES_FIXTURES_H

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/support/zbxgen.h"

namespace rules {

struct TempDir {
    std::string path;
    TempDir()
    {
        char t[] = "/tmp/zrulesXXXXXX";
        path = mkdtemp(t) ? t : "";
    }
    ~TempDir()
    {
        if (!path.empty())
            std::system(("chmod -R u+w '" + path + "' 2>/dev/null; rm -rf '" + path + "'").c_str());
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
};

inline std::set<std::string> Listing(const std::string &dir)
{
    std::set<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

// Every entry under dir, subdirectories included ("sub/name").
inline std::set<std::string> Tree(const std::string &dir, const std::string &prefix = "")
{
    std::set<std::string> all;
    for (const std::string &n : Listing(dir)) {
        all.insert(prefix + n);
        struct stat st {};
        if (lstat((dir + "/" + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            for (const std::string &m : Tree(dir + "/" + n, prefix + n + "/"))
                all.insert(m);
    }
    return all;
}

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

// A Zorblax file of random pictures with one 16-bit sound track.
inline bool WriteClip(const std::string &path, int frames, uint32_t width = 160, uint32_t height = 120)
{
    zbxgen::Description d;
    d.width = width;
    d.height = height;
    d.frameRate = 40;
    zbxgen::SoundFormat sound;
    sound.rate = 22050;
    sound.sixteenBit = true;
    d.tracks[0] = sound;
    zbxgen::Rng rng(5);
    for (int i = 0; i < frames; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Random, rng);
        if (i % 20 == 0)
            f.palette = zbxgen::RandomPalette(rng);
        f.sound[0] = zbxgen::SoundChunk{zbxgen::RandomSound(sound, 1764, rng), false, std::nullopt};
        d.frames.push_back(f);
    }
    return zbxgen::WriteFile(d, path);
}

// A 16-bit stereo wave file of the given length at 44100 Hz.
inline void WriteWave(const std::string &path, uint32_t seconds)
{
    const uint32_t bytes = 44100 * 4 * seconds;
    std::vector<uint8_t> wave(44 + bytes);
    auto put = [&wave](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            wave[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::memcpy(wave.data(), "RIFF", 4);
    put(4, 36 + bytes, 4);
    std::memcpy(wave.data() + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, 44100, 4);
    put(28, 44100 * 4, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    std::memcpy(wave.data() + 36, "data", 4);
    put(40, bytes, 4);
    for (uint32_t i = 0; i < bytes; ++i)
        wave[44 + i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    WriteAll(path, wave);
}

inline std::string Bin(const std::string &program)
{
    return std::string(ZORB_BINARY_DIR) + "/bin/" + program;
}

} // namespace rules

#endif

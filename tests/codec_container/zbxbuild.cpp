#include "zbxbuild.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

#include "platform/platform.h"

namespace zbxtest {

namespace {

void Put32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

} // namespace

BuiltFrame MakeFrame(const std::optional<std::vector<uint8_t>> &paletteCommands,
                     const std::array<std::optional<std::vector<uint8_t>>, 7> &sound, const std::vector<uint8_t> &video)
{
    BuiltFrame f;
    if (paletteCommands) {
        f.type |= 1;
        size_t len = (paletteCommands->size() + 1 + 3) / 4 * 4;
        f.bytes.push_back(static_cast<uint8_t>(len / 4));
        f.bytes.insert(f.bytes.end(), paletteCommands->begin(), paletteCommands->end());
        f.bytes.resize(len, 0);
    }
    for (int t = 0; t < 7; ++t) {
        if (!sound[t])
            continue;
        f.type = static_cast<uint8_t>(f.type | 2u << t);
        Put32(f.bytes, static_cast<uint32_t>(sound[t]->size() + 4));
        f.bytes.insert(f.bytes.end(), sound[t]->begin(), sound[t]->end());
    }
    f.bytes.insert(f.bytes.end(), video.begin(), video.end());
    return f;
}

BuiltFrame VideoFrame(const std::vector<uint8_t> &video)
{
    return MakeFrame(std::nullopt, {}, video);
}

BuiltFrame PatternFrame(uint32_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (uint32_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return VideoFrame(v);
}

std::vector<uint8_t> ZbxBuild::Bytes() const
{
    std::vector<uint8_t> out(magic, magic + 4);
    const uint32_t ring = headerFlags & 1;
    Put32(out, width);
    Put32(out, height);
    Put32(out, frameCount ? *frameCount : static_cast<uint32_t>(frames.size() - (ring && !frames.empty() ? 1 : 0)));
    Put32(out, static_cast<uint32_t>(frameRate));
    Put32(out, headerFlags);
    for (uint32_t v : audioMax)
        Put32(out, v);
    Put32(out, treeDataSize ? *treeDataSize : static_cast<uint32_t>(treeData.size()));
    for (uint32_t v : treeSizes)
        Put32(out, v);
    for (uint32_t v : audioFormat)
        Put32(out, v);
    Put32(out, reserved);
    for (const BuiltFrame &f : frames)
        Put32(out, static_cast<uint32_t>(f.bytes.size()));
    for (const BuiltFrame &f : frames)
        out.push_back(f.type);
    out.insert(out.end(), treeData.begin(), treeData.end());
    for (const BuiltFrame &f : frames)
        out.insert(out.end(), f.bytes.begin(), f.bytes.end());
    return out;
}

namespace {

// Temporary files of this process, removed when it ends.
struct TempFiles {
    std::vector<std::string> paths;
    ~TempFiles()
    {
        for (const std::string &p : paths)
            std::remove(p.c_str());
    }
};
TempFiles g_temp;

} // namespace

std::string WriteTemp(const std::vector<uint8_t> &bytes, const std::string &stem)
{
    static int counter = 0;
    std::ostringstream name;
    name << ::testing::TempDir() << "zbx_" << stem << "_" << ::getpid() << "_" << counter++ << ".zbx";
    std::ofstream f(name.str(), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    g_temp.paths.push_back(name.str());
    return name.str();
}

StderrCapture::StderrCapture()
{
    static int counter = 0;
    path_ = ::testing::TempDir() + "zbx_stderr_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    saved_ = ::dup(2);
    ::dup2(fd, 2);
    ::close(fd);
}

std::string StderrCapture::Text()
{
    if (!done_) {
        ::dup2(saved_, 2);
        ::close(saved_);
        done_ = true;
        std::ifstream f(path_, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        text_ = s.str();
        std::remove(path_.c_str());
    }
    return text_;
}

StderrCapture::~StderrCapture()
{
    Text();
}

void SetDebugLog(bool on)
{
    ::setenv("ZORBLAX_DEBUG", on ? "1" : "0", 1);
    PlatformDebugReload();
}

} // namespace zbxtest

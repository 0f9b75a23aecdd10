// Shared by the zorbscw tests: a private directory, scripts written into it
// and zorbscw run there headless, with its output, status and captures.
#ifndef ZORB_TESTS_SCRIPT_SCRIPT_FIXTURE_H
#define ZORB_TESTS_SCRIPT_SCRIPT_FIXTURE_H

#include <gtest/gtest.h>

#include "script/core/host.h"

#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace script_test {

const std::string kZorbscw = std::string(ZORB_BINARY_DIR) + "/bin/zorbscw";

inline std::string Slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Result {
    int status = -1;
    std::string out, err;
    std::vector<std::string> frames; // captured pictures (ZORB_CAPTURE), in order
};

// A captured picture.
struct Picture {
    int width = 0, height = 0;
    const std::string *data = nullptr;
    int At(int x, int y) const { return static_cast<uint8_t>((*data)[static_cast<size_t>(y * width + x)]); }
    int Palette(int entry, int component) const
    {
        return static_cast<uint8_t>((*data)[static_cast<size_t>(width * height + entry * 3 + component)]);
    }
};

// The one picture captured in a run (width x height indices, then the palette).
inline Picture Frame(const Result &r, int width, int height)
{
    EXPECT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames.empty() ? 0u : r.frames[0].size(), static_cast<size_t>(width * height + 768));
    return Picture{width, height, r.frames.empty() ? nullptr : &r.frames[0]};
}

// A picture a window must show, drawn by the test: width x height indices.
struct Expected {
    int w, h;
    std::string px;
    Expected(int width, int height, uint8_t colour = 0)
        : w(width), h(height), px(static_cast<size_t>(width * height), static_cast<char>(colour))
    {}
    zscript::ScreenSurface Surface() { return {reinterpret_cast<uint8_t *>(px.data()), w, w, h, false}; }
    void Fill(int x, int y, int fw, int fh, uint8_t colour)
    {
        for (int yy = y; yy < y + fh; ++yy)
            px.replace(static_cast<size_t>(yy * w + x), static_cast<size_t>(fw), static_cast<size_t>(fw),
                       static_cast<char>(colour));
    }
    void Set(int x, int y, uint8_t colour) { Fill(x, y, 1, 1, colour); }
};

// The first row where a captured frame differs from the expected picture;
// -1 when none does, -2 when the frame is missing or has another size.
inline int FirstBadRow(const Result &r, const Expected &e, size_t frame = 0)
{
    if (frame >= r.frames.size() || r.frames[frame].size() != e.px.size() + 768)
        return -2;
    for (int y = 0; y < e.h; ++y)
        if (r.frames[frame].compare(static_cast<size_t>(y * e.w), static_cast<size_t>(e.w), e.px,
                                    static_cast<size_t>(y * e.w), static_cast<size_t>(e.w)) != 0)
            return y;
    return -1;
}

class ScriptRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("zorbscw_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string &name, const std::string &text)
    {
        fs::create_directories((dir_ / name).parent_path());
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    std::string Read(const std::string &name) { return Slurp(dir_ / name); }

    // Runs zorbscw in the directory with the given arguments.
    Result Run(const std::string &args, const std::string &env = "")
    {
        const fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
        const fs::path capture = dir_ / ".capture";
        fs::remove_all(capture);
        fs::create_directories(capture);
        const std::string cmd = "cd '" + dir_.string() + "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy " +
                                "ZORB_CAPTURE='" + capture.string() + "' " + env + " timeout 60 " + kZorbscw + " " +
                                args + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
        const int raw = std::system(cmd.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        std::vector<fs::path> files;
        for (const auto &e : fs::directory_iterator(capture))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto &f : files)
            r.frames.push_back(Slurp(f));
        return r;
    }
    // Writes t.zs and runs it.
    Result Script(const std::string &text, const std::string &args = "")
    {
        Write("t.zs", text);
        return Run("t.zs " + args);
    }

    fs::path dir_;
};

} // namespace script_test

#endif

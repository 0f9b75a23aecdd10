// The web build in a real browser (headless Chromium): the pages decode the
// demo and generated files exactly as `zbxinfo --dump` does, the player plays
// with sound and shows the reason for damaged files, and the .wasm stays
// small. The browser half lives in tests/web/browser.py; the web build is
// made with scripts/web-build.sh (in build-web/, or ZORB_WEB_BUILD).
// Skipped with a message when emscripten or Chromium is missing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/run_tool.h"
#include "tests/support/zbxgen.h"

namespace {

namespace fs = std::filesystem;

const std::string kSource = ZORB_SOURCE_DIR;
const std::string kBinary = ZORB_BINARY_DIR;

std::string WebBuild()
{
    const char *dir = std::getenv("ZORB_WEB_BUILD");
    return dir && *dir ? dir : kSource + "/build-web";
}

bool OnPath(const std::string &program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command line, collecting its output; the exit status.
int Shell(const std::string &line, std::string &output)
{
    output.clear();
    FILE *p = ::popen((line + " 2>&1 </dev/null").c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        output.append(buf, n);
    const int st = ::pclose(p);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Holds an exclusive lock on a file while it lives: the test programs of
// this folder run at the same time and share the web build and the demo.
class Lock {
public:
    explicit Lock(const std::string &path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (fd_ >= 0)
            ::flock(fd_, LOCK_EX);
    }
    ~Lock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    int fd_;
};

uint32_t Get32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A file whose third frame's compressed sound chunk claims 2 GB of sound: it
// opens, and fails at that frame.
std::vector<uint8_t> FileDamagedAtFrame3()
{
    zbxgen::Description d;
    zbxgen::SoundFormat sound;
    sound.rate = 22050;
    sound.compressed = true;
    sound.sixteenBit = true;
    d.tracks[0] = sound;
    zbxgen::Rng rng(11);
    for (int i = 0; i < 6; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Random, rng);
        f.palette = zbxgen::RandomPalette(rng);
        f.sound[0] = zbxgen::SoundChunk{zbxgen::RandomSound(sound, 400, rng), false, std::nullopt};
        d.frames.push_back(f);
    }
    std::vector<uint8_t> b = zbxgen::Build(d);
    const uint32_t n = Get32(b, 12);
    size_t at = 104 + 5 * size_t{n} + Get32(b, 52); // frame 1
    for (uint32_t i = 0; i < 2; ++i)
        at += Get32(b, 104 + 4 * i);
    EXPECT_EQ(b[104 + 4 * n + 2], 3) << "frame 3: a palette and a sound chunk";
    at += 4 * size_t{b[at]}; // past the palette chunk
    b[at + 4 + 3] = 0x7F;    // the decoded size of the sound chunk
    return b;
}

class Web : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!OnPath("emcmake"))
            GTEST_SKIP() << "skipped: emscripten (emcmake) is not installed; scripts/setup.sh installs it";
        if (!OnPath("chromium"))
            GTEST_SKIP() << "skipped: chromium is not installed; scripts/setup.sh installs it";
        if (::access((kBinary + "/bin/zbxinfo").c_str(), X_OK) != 0)
            GTEST_SKIP() << "skipped: zbxinfo is not built";
        std::string out;
        {
            const Lock lock(kBinary + "/web-build.lock");
            ASSERT_EQ(Shell(kSource + "/scripts/web-build.sh " + WebBuild(), out), 0) << out;
        }
        char tmpl[] = "/tmp/zorb-web-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        work_ = tmpl;
    }
    void TearDown() override
    {
        if (!work_.empty()) {
            std::error_code ec;
            fs::remove_all(work_, ec);
        }
    }

    std::string Site() const { return WebBuild() + "/site"; }

    // The demo, made once with the toolkit's own programs (as
    // scripts/make-demo.sh does) and copied into the work directory.
    std::string Demo()
    {
        const std::string dir = kBinary + "/web-test-demo";
        const std::string demo = dir + "/demo.zbx";
        {
            const Lock lock(kBinary + "/web-demo.lock");
            if (!fs::exists(demo)) {
                fs::create_directories(dir);
                const std::string bin = kBinary + "/bin/";
                std::string out;
                const std::string line = bin + "zbxdemo " + dir + "/demo.raw " + dir + "/demo.wav && " + bin +
                                         "zorbc " + dir + "/demo.raw " + dir + "/video.zbx /G /L-1 /O && " + bin +
                                         "zorbmix " + dir + "/video.zbx " + dir + "/demo.wav " + dir +
                                         "/demo.part /M1 /O && mv " + dir + "/demo.part " + demo;
                EXPECT_EQ(Shell(line, out), 0) << out;
            }
        }
        const std::string copy = work_ + "/demo.zbx";
        std::error_code ec;
        fs::copy_file(demo, copy, fs::copy_options::overwrite_existing, ec);
        EXPECT_FALSE(ec) << ec.message();
        return copy;
    }

    std::string Write(const std::string &name, const std::vector<uint8_t> &bytes)
    {
        const std::string path = work_ + "/" + name;
        EXPECT_TRUE(zbxgen::WriteBytes(bytes, path));
        return path;
    }

    // Runs browser.py; the test is skipped when it says the browser is missing.
    void Browser(const std::string &args)
    {
        std::string out;
        const int status = Shell("python3 " + kSource + "/tests/web/browser.py " + args, out);
        std::printf("%s", out.c_str());
        if (status == 77)
            GTEST_SKIP() << out;
        EXPECT_EQ(status, 0) << out;
    }

    std::string work_;
};

TEST_F(Web, EveryFrameAndTrackDecodedInThePageEqualsTheDump)
{
    std::string files = Demo();
    // Generated files of every kind: palettes, sound of every variant, ring
    // frames, interlaced and doubled heights.
    for (uint32_t seed = 1; seed <= 12; ++seed)
        files +=
            " " + Write("generated_" + std::to_string(seed) + ".zbx", zbxgen::Build(zbxgen::RandomDescription(seed)));
    // A larger picture with many frames.
    zbxgen::Description big;
    big.width = 320;
    big.height = 240;
    big.frameRate = 40;
    zbxgen::Rng rng(7);
    std::vector<uint8_t> previous;
    for (int i = 0; i < 24; ++i) {
        zbxgen::Frame f;
        const auto kind = static_cast<zbxgen::Content>(i % 5);
        f.picture = zbxgen::MakePicture(big.width, big.height, kind, rng, previous.empty() ? nullptr : &previous);
        previous = f.picture;
        if (i % 8 == 0)
            f.palette = zbxgen::RandomPalette(rng);
        big.frames.push_back(f);
    }
    files += " " + Write("large.zbx", zbxgen::Build(big));
    // Damaged and foreign files: the page reports the decoder's reason, as zbxinfo refuses them.
    const std::vector<uint8_t> good = zbxgen::Build(zbxgen::RandomDescription(3));
    files += " " + Write("cut_short.zbx", std::vector<uint8_t>(good.begin(), good.begin() + good.size() * 2 / 3));
    files += " " + Write("foreign.zbx", std::vector<uint8_t>(500, 'x'));
    std::vector<uint8_t> magic = good;
    magic[3] = '3';
    files += " " + Write("wrong_magic.zbx", magic);
    files += " " + Write("damaged_frame_3.zbx", FileDamagedAtFrame3());
    // Scrambled coded data: the page and zbxinfo agree (the same pictures, or both refuse).
    std::vector<uint8_t> scrambled = zbxgen::Build(big);
    for (size_t i = scrambled.size() / 2; i < scrambled.size(); i += 7)
        scrambled[i] ^= 0x5A;
    files += " " + Write("scrambled.zbx", scrambled);
    Browser("decode " + Site() + " " + kBinary + "/bin/zbxinfo " + work_ + " " + files);
}

TEST_F(Web, PlayerPlaysTwoSecondsAndItsAudioGraphReceivesTheTrack)
{
    Browser("player " + Site() + " " + kBinary + "/bin/zbxinfo " + work_ + " " + Demo());
}

TEST_F(Web, PlayerShowsTheReasonForADamagedFile)
{
    std::vector<uint8_t> bytes = zbxgen::Build(zbxgen::RandomDescription(5));
    bytes[1] = 'Q';
    Browser("damaged " + Site() + " " + work_ + " " + Write("foreign.zbx", bytes));
    Browser("damaged " + Site() + " " + work_ + " " + Write("damaged.zbx", FileDamagedAtFrame3()));
}

TEST_F(Web, PlayerWorksFromAFileUrl)
{
    Browser("file " + Site());
}

TEST_F(Web, PlayerScreenshot)
{
    // The picture docs/web.md shows (ZORB_WEB_SCREENSHOT names where it goes;
    // by default the build directory).
    const char *target = std::getenv("ZORB_WEB_SCREENSHOT");
    const std::string out = target && *target ? target : kBinary + "/web-player.png";
    std::remove(out.c_str());
    Browser("shot " + Site() + " " + work_ + " " + Demo() + " " + out);
    std::ifstream png(out, std::ios::binary);
    char sig[8] = {};
    png.read(sig, 8);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG");
    EXPECT_GT(fs::file_size(out), 2000u) << "an empty page?";
}

TEST_F(Web, WasmModuleStaysUnder300KB)
{
    const std::string wasm = WebBuild() + "/zorblax_core.wasm";
    ASSERT_TRUE(fs::exists(wasm));
    EXPECT_LT(fs::file_size(wasm), 300u * 1024u);
    for (const char *name : {"zorblax.js", "zorblax-classic.js", "player.html", "player.js", "bench.html"})
        EXPECT_TRUE(fs::exists(Site() + "/" + name)) << name;
}

} // namespace

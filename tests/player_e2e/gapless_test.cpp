// End-to-end, in real time: zorbplw plays through SDL's disk audio driver
// (which takes sound at the device's own pace, as hardware does) with each
// back end; every track's device file must hold the track's decoded sound
// (from zbxinfo --dump) whole and in order, with silence only before and
// after it; the summary must say "Sound skips: 0"; and the pictures must keep
// the sound's pace: the playing time the summary gives matches the time the
// device took to play the frames' sound (watched as the device file grows).
// Once on an idle machine, once with a CPU burner on both cores.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/zbxgen.h"

namespace fs = std::filesystem;

namespace {

const std::string kBin = std::string(ZORB_BINARY_DIR) + "/bin/";

#if defined(__SANITIZE_ADDRESS__)
constexpr int kLongSeconds = 15; // the sanitizer pass plays a shorter generated file
#else
constexpr int kLongSeconds = 60;
#endif

std::vector<uint8_t> ReadAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Keeps both cores busy while it lives, as background work does (a little
// below normal priority, as a desktop's indexers and builds run).
class CpuBurner {
public:
    CpuBurner()
    {
        for (int i = 0; i < 2; ++i)
            threads_.emplace_back([this] {
                ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
                volatile uint64_t x = 0;
                while (!stop_.load(std::memory_order_relaxed))
                    x = x * 6364136223846793005ull + 1;
            });
    }
    ~CpuBurner()
    {
        stop_ = true;
        for (auto &t : threads_)
            t.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// When the primary track's device file reached each size (seconds since
// the player started): the device's own clock, as the disk driver writes
// what it plays.
struct Growth {
    std::vector<double> time;
    std::vector<uint64_t> size;
    // The time the file reached `bytes` (interpolated between the moments it
    // was seen to grow); -1 when it never did.
    double TimeAt(uint64_t bytes) const
    {
        for (size_t i = 0; i < size.size(); ++i) {
            if (size[i] < bytes)
                continue;
            if (i == 0)
                return time[0];
            return time[i - 1] + (time[i] - time[i - 1]) * double(bytes - size[i - 1]) / double(size[i] - size[i - 1]);
        }
        return -1;
    }
};

struct Play {
    int status = -1;
    std::string summary;
    double obtained = 0;
    long frames = 0, skips = -1;
    Growth device;
};

double Figure(const std::string &text, const std::string &label)
{
    size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atof(text.c_str() + at + label.size());
}

class Gapless : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        // Real-time playing says nothing about the player when the machine is
        // already swamped by other work (a shared build host): the player's
        // wake-ups then come later than any sound device can wait.
        double load[1] = {0};
        const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
        if (::getloadavg(load, 1) == 1 && load[0] > 3.0 * double(cores > 0 ? cores : 1))
            GTEST_SKIP() << "load average " << load[0] << " on " << cores << " cores";
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char &c : name)
            if (c == '/')
                c = '_';
        dir_ = fs::temp_directory_path() / ("zorb_gapless_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Play Run(const std::string &file)
    {
        const fs::path out = dir_ / "summary.txt", device = dir_ / "device_1.raw";
        std::string cmd = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk ZORB_SOUND_DEVICE='" +
                          (dir_ / "device_%u.raw").string() + "' exec timeout 180 " + kBin + "zorbplw '" + file +
                          "' /S" + (GetParam() ? " /Z" : "") + " >'" + out.string() + "' 2>/dev/null </dev/null";
        Play p;
        const char *argv[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
        pid_t pid = -1;
        const auto start = std::chrono::steady_clock::now();
        if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char **>(argv), environ) != 0)
            return p;
        // Watch the device file grow until the player ends.
        int raw = 0;
        for (;;) {
            const pid_t done = ::waitpid(pid, &raw, WNOHANG);
            struct stat st;
            if (::stat(device.c_str(), &st) == 0 &&
                (p.device.size.empty() || uint64_t(st.st_size) != p.device.size.back())) {
                p.device.time.push_back(
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                p.device.size.push_back(uint64_t(st.st_size));
            }
            if (done == pid)
                break;
            ::usleep(2000);
        }
        p.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(out);
        p.summary.assign(std::istreambuf_iterator<char>(in), {});
        p.obtained = Figure(p.summary, "Frame rate obtained: ");
        p.frames = static_cast<long>(Figure(p.summary, "Total frames played: "));
        p.skips = static_cast<long>(Figure(p.summary, "Sound skips: "));
        return p;
    }

    // The decoded track (1 to 7) of the file, as zbxinfo writes it.
    std::vector<uint8_t> Decoded(const std::string &file, int track)
    {
        const fs::path dump = dir_ / ("dump_" + std::to_string(track));
        std::string cmd = kBin + "zbxinfo --dump '" + dump.string() + "' '" + file + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        return ReadAll(dump / ("track_" + std::to_string(track) + ".pcm"));
    }

    // The device heard `expected` (all of it, or all but the last `spare`
    // bytes) in order, with the silence byte only before and after it.
    // Returns where the sound starts in the device file when it was heard
    // whole (a gap would make the device's timing meaningless).
    std::optional<size_t> ExpectHeard(int track, const std::vector<uint8_t> &expected, uint8_t silence, size_t spare)
    {
        std::vector<uint8_t> heard = ReadAll(dir_ / ("device_" + std::to_string(track) + ".raw"));
        const size_t probe = std::min<size_t>(expected.size(), 256);
        auto start = std::search(heard.begin(), heard.end(), expected.begin(), expected.begin() + probe);
        EXPECT_NE(start, heard.end()) << "track " << track << ": the sound's start was never heard";
        if (start == heard.end())
            return std::nullopt;
        const size_t lead = static_cast<size_t>(start - heard.begin());
        EXPECT_TRUE(std::all_of(heard.begin(), start, [&](uint8_t v) { return v == silence; }))
            << "track " << track << ": something before the start";
        size_t same = 0;
        while (same < expected.size() && lead + same < heard.size() && heard[lead + same] == expected[same])
            ++same;
        EXPECT_GE(same + spare, expected.size()) << "track " << track << ": " << same << " of " << expected.size()
                                                 << " bytes in order, then a gap or a loss";
        size_t after = lead + same;
        while (after < heard.size() && heard[after] == silence)
            ++after;
        EXPECT_EQ(after, heard.size()) << "track " << track << ": sound after the end";
        if (same + spare < expected.size() || after != heard.size())
            return std::nullopt;
        return lead;
    }

    // The player ended well, its device never ran dry, and the frame rate
    // it reports is within 2 % of the file's (15 frames per second here).
    static void ExpectClean(const Play &p)
    {
        constexpr double kFileRate = 100000.0 / 6667;
        EXPECT_EQ(p.status, 0) << p.summary;
        EXPECT_EQ(p.skips, 0) << p.summary;
        EXPECT_NEAR(p.obtained, kFileRate, kFileRate * 0.02) << p.summary;
    }

    // The pictures kept the sound's pace. The device took D
    // seconds to play the frames' sound (from `soundStart`, `soundBytes`
    // long, in the primary track's device file). The player shows a frame
    // when the device has played up to it less the back end's lead (at most
    // a quarter of a second), so its playing time T (first frame to the last
    // one's end) is D less up to that lead, plus the moment the device took
    // to start on the first frame's sound. The summary gives T only through
    // the obtained rate, cut to a tenth of a frame per second: T lies between
    // frames / (obtained + 0.1) and frames / obtained. kSlack covers the
    // start, the device file's write steps and the watcher's own wake-ups.
    void ExpectPaced(const Play &p, size_t soundStart, size_t soundBytes)
    {
        constexpr double kMaxLead = 0.25, kSlack = 0.2;
        ASSERT_GT(p.obtained, 0) << p.summary;
        ASSERT_GT(p.frames, 0) << p.summary;
        const double began = p.device.TimeAt(soundStart), ended = p.device.TimeAt(soundStart + soundBytes);
        ASSERT_GE(began, 0);
        ASSERT_GT(ended, began) << "the device never played the frames' sound";
        const double d = ended - began;
        const double shortest = double(p.frames) / (p.obtained + 0.1), longest = double(p.frames) / p.obtained;
        EXPECT_GE(longest, d - kMaxLead - kSlack) << "pictures ran ahead of the sound (device " << d << " s)\n"
                                                  << p.summary;
        EXPECT_LE(shortest, d + kSlack) << "pictures fell behind the sound (device " << d << " s)\n" << p.summary;
    }

    // The demo: one 16-bit stereo compressed track; the ring frame (whose
    // sound the dump holds too) is not played by a single pass.
    void PlayDemo()
    {
        const std::string demo = std::string(ZORB_BINARY_DIR) + "/demo/demo.zbx";
        std::vector<uint8_t> expected = Decoded(demo, 1);
        constexpr size_t kRingFrameSound = 5884;
        ASSERT_GT(expected.size(), kRingFrameSound);
        Play p = Run(demo);
        ExpectClean(p);
        if (const auto start = ExpectHeard(1, expected, 0x00, kRingFrameSound))
            ExpectPaced(p, *start, expected.size() - kRingFrameSound);
    }

    fs::path dir_;
};

TEST_P(Gapless, Demo)
{
    PlayDemo();
}

TEST_P(Gapless, DemoOnABusyMachine)
{
    CpuBurner burner;
    PlayDemo();
}

// A minute of two tracks while the machine is busy (the idle case is the
// demo's).
TEST_P(Gapless, LongFileWithTwoTracksOnABusyMachine)
{
    zbxgen::Description d;
    d.width = 32;
    d.height = 16;
    d.frameRate = -6667;   // 15 frames per second
    zbxgen::SoundFormat a; // 8-bit mono, raw
    a.rate = 22050;
    zbxgen::SoundFormat b; // 16-bit stereo, compressed
    b.rate = 11025;
    b.stereo = b.sixteenBit = b.compressed = true;
    d.tracks[0] = a;
    d.tracks[2] = b;
    zbxgen::Rng rng(11);
    std::vector<uint8_t> still = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Random, rng);
    const int frames = kLongSeconds * 15;
    uint64_t bytesA = 0, bytesB = 0; // sample frames handed out so far, so each frame carries its share exactly
    for (int i = 0; i < frames; ++i) {
        zbxgen::Frame f;
        if (i % 15 == 0)
            f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::MostlySkipped, rng, &still);
        uint64_t endA = uint64_t(i + 1) * 22050 / 15, endB = uint64_t(i + 1) * 11025 / 15;
        zbxgen::SoundChunk ca, cb;
        ca.pcm = zbxgen::RandomSound(a, static_cast<uint32_t>(endA - bytesA), rng);
        cb.pcm = zbxgen::RandomSound(b, static_cast<uint32_t>(endB - bytesB) * 4, rng);
        bytesA = endA;
        bytesB = endB;
        f.sound[0] = ca;
        f.sound[2] = cb;
        d.frames.push_back(std::move(f));
    }
    const std::string file = (dir_ / "long.zbx").string();
    ASSERT_TRUE(zbxgen::WriteFile(d, file));
    std::vector<uint8_t> expectA = Decoded(file, 1), expectB = Decoded(file, 3);
    ASSERT_FALSE(expectA.empty());
    ASSERT_FALSE(expectB.empty());
    CpuBurner burner;
    Play p = Run(file);
    ExpectClean(p);
    ExpectHeard(3, expectB, 0x00, 0);
    if (const auto start = ExpectHeard(1, expectA, 0x80, 0))
        ExpectPaced(p, *start, expectA.size());
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, Gapless, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Pull" : "Queue"; });

} // namespace

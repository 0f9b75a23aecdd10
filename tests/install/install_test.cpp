// `cmake --install` into a temporary prefix, once for the whole suite: the
// programs, both libraries with their versioned sonames, exactly the public
// headers, pkg-config files with plain paths, the man pages, the desktop
// files and the MIME type land where they belong; the programs find the
// libraries through their relative RUNPATH; the installed player plays the
// demo; and the examples build against the installed tree through pkg-config
// alone, the C one decoding the demo to the same pictures as zbxinfo --dump.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/instrumented.h"
#include "tests/support/run_tool.h"

namespace fs = std::filesystem;

namespace {

using zorb::test::Shell;
using zorb::test::ShellOutput;

std::string Quote(const fs::path &p)
{
    return "'" + p.string() + "'";
}

std::string ReadFile(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh directory under the temporary directory.
fs::path MakeTempDir(const std::string &stem)
{
    std::string pattern = (fs::temp_directory_path() / (stem + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

const std::string kDemo = std::string(ZORB_BINARY_DIR) + "/demo/demo.zbx";

class Install : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix_ = MakeTempDir("zorb_install_");
        installed_ = !prefix_.empty() && Shell("cmake --install '" + std::string(ZORB_BINARY_DIR) + "' --prefix " +
                                               Quote(prefix_) + " >/dev/null") == 0;
    }
    static void TearDownTestSuite()
    {
        if (!prefix_.empty())
            fs::remove_all(prefix_);
    }
    void SetUp() override { ASSERT_TRUE(installed_) << "cmake --install failed"; }

    // The prefix's library directory (lib, or lib/<multiarch>).
    static fs::path LibDir()
    {
        for (auto &e : fs::recursive_directory_iterator(prefix_))
            if (e.path().filename() == "libzorblax.so")
                return e.path().parent_path();
        return prefix_ / "lib";
    }
    // pkg-config seeing only the installed tree.
    static std::string PkgConfig(const std::string &args)
    {
        return ShellOutput("PKG_CONFIG_LIBDIR=" + Quote(LibDir() / "pkgconfig") + " pkg-config " + args + " 2>&1");
    }

    static fs::path prefix_;
    static bool installed_;
};

fs::path Install::prefix_;
bool Install::installed_ = false;

TEST_F(Install, ProgramsLibrariesHeadersAndPkgConfig)
{
    for (const char *program : {"zorbplw", "zorbc", "zorbmix", "zbxinfo", "zbxcompi"})
        EXPECT_TRUE(fs::exists(prefix_ / "bin" / program)) << program;

    // Exactly the public headers of the installed libraries.
    std::set<std::string> headers;
    for (auto &e : fs::recursive_directory_iterator(prefix_ / "include"))
        if (e.is_regular_file())
            headers.insert(fs::relative(e.path(), prefix_ / "include").string());
    EXPECT_EQ(headers, (std::set<std::string>{"zorblax/vexutil/vexutil.h", "zorblax/codec/zorb.h",
                                              "zorblax/codec/examine.h", "zorblax/runtime/blit.h"}));

    // They compile as strict C99, all together.
    const fs::path work = MakeTempDir("zorb_headers_");
    ASSERT_FALSE(work.empty());
    std::ofstream(work / "all.c") << "#include <codec/zorb.h>\n#include <codec/examine.h>\n#include <runtime/blit.h>\n"
                                     "#include <vexutil/vexutil.h>\nint main(void) { return 0; }\n";
    std::string cflags = PkgConfig("--cflags zorblax");
    cflags = cflags.substr(0, cflags.find('\n'));
    EXPECT_EQ(Shell("cc -std=c99 -pedantic-errors -Wall -Wextra -Werror -fsyntax-only " + cflags + " " +
                    Quote(work / "all.c")),
              0);
    fs::remove_all(work);

    // Both libraries with their sonames; the file names carry the toolkit's version.
    const fs::path lib = LibDir();
    for (const std::string name : {"zorblax", "vexutil"}) {
        const fs::path file = lib / ("lib" + name + ".so.0." + PlatformVersion());
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_TRUE(fs::is_symlink(lib / ("lib" + name + ".so.0"))) << name;
        EXPECT_NE(ShellOutput("readelf -d " + Quote(file)).find("[lib" + name + ".so.0]"), std::string::npos) << name;
    }

    // pkg-config finds both in the installed tree alone (no private
    // requirements on development files the headers do not need), with plain paths.
    const std::string root = prefix_.string();
    for (const std::string name : {"zorblax", "vexutil"}) {
        const std::string flags = PkgConfig("--cflags --libs " + name);
        EXPECT_EQ(flags, "-I" + root + "/include/zorblax -L" + lib.string() + " -l" + name + " \n") << name;
        EXPECT_EQ(PkgConfig("--modversion " + name), std::string(PlatformVersion()) + "\n");
    }

    // A tool on the shared library finds the installed one through its RUNPATH.
    const std::string zorbc = (prefix_ / "bin/zorbc").string();
    EXPECT_NE(ShellOutput("readelf -d '" + zorbc + "'").find("$ORIGIN/../"), std::string::npos);
    EXPECT_EQ(ShellOutput("'" + zorbc + "' --version"),
              std::string("zorbc (Zorblax toolkit) ") + PlatformVersion() + "\nfile format ZBX2\n");
    const std::string libs = ShellOutput("ldd '" + zorbc + "'");
    const size_t at = libs.find("libvexutil.so.0 => ");
    ASSERT_NE(at, std::string::npos) << libs;
    EXPECT_EQ(libs.compare(at + 19, prefix_.string().size(), prefix_.string()), 0) << libs;
}

TEST_F(Install, TheInstalledPlayerPlaysTheDemo)
{
    EXPECT_EQ(Shell("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 120 " + Quote(prefix_ / "bin/zorbplw") +
                    " '" + kDemo + "' /S >/dev/null 2>&1 </dev/null"),
              0);
}

// The picture of a binary PPM ("P6", width, height, 255, RGB rows).
bool ReadPpm(const fs::path &p, uint32_t &w, uint32_t &h, std::string &rgb)
{
    const std::string text = ReadFile(p);
    std::istringstream in(text);
    std::string magic;
    unsigned maxval = 0;
    if (!(in >> magic >> w >> h >> maxval) || magic != "P6" || maxval != 255)
        return false;
    const size_t start = static_cast<size_t>(in.tellg()) + 1;
    if (text.size() != start + size_t(w) * h * 3)
        return false;
    rgb = text.substr(start);
    return true;
}

TEST_F(Install, ExamplesBuildThroughPkgConfigAndDecodeTheDemo)
{
    if (zorb::test::InstrumentedBuild())
        GTEST_SKIP() << "an instrumented libzorblax loads only into programs of its own build";
    const fs::path examples = prefix_ / "share/doc/zorblax/examples";
    const fs::path work = MakeTempDir("zorb_examples_");
    ASSERT_FALSE(work.empty());
    // The installed tree's pkg-config file, and the system's for SDL.
    const std::string env = "export PKG_CONFIG_PATH=" + Quote(LibDir() / "pkgconfig") + "; ";
    ASSERT_EQ(Shell(env + "cc -std=c99 -Wall -Wextra -Werror " + Quote(examples / "decode_to_files.c") +
                    " $(pkg-config --cflags --libs zorblax) -o " + Quote(work / "decode_to_files")),
              0);
    ASSERT_EQ(Shell(env + "c++ -std=c++17 -Wall -Wextra -Werror " + Quote(examples / "sdl_player.cpp") +
                    " $(pkg-config --cflags --libs zorblax sdl2) -o " + Quote(work / "sdl_player")),
              0);

    const fs::path mine = work / "pictures", dump = work / "dump";
    fs::create_directories(mine);
    ASSERT_EQ(Shell("LD_LIBRARY_PATH=" + Quote(LibDir()) + " " + Quote(work / "decode_to_files") + " '" + kDemo + "' " +
                    Quote(mine)),
              0);
    ASSERT_EQ(Shell(Quote(prefix_ / "bin/zbxinfo") + " --dump " + Quote(dump) + " '" + kDemo + "'"), 0);

    // Every dumped frame (indices, then the palette) against the example's picture.
    std::vector<fs::path> raws;
    for (auto &e : fs::directory_iterator(dump))
        if (e.path().extension() == ".raw")
            raws.push_back(e.path());
    std::sort(raws.begin(), raws.end());
    ASSERT_GT(raws.size(), 10u);
    size_t ppms = 0;
    for (auto &e : fs::directory_iterator(mine))
        ppms += e.path().extension() == ".ppm";
    EXPECT_EQ(ppms, raws.size());
    for (const fs::path &raw : raws) {
        const fs::path ppm = mine / raw.filename().replace_extension(".ppm");
        uint32_t w = 0, h = 0;
        std::string rgb;
        ASSERT_TRUE(ReadPpm(ppm, w, h, rgb)) << ppm;
        const std::string data = ReadFile(raw);
        ASSERT_EQ(data.size(), size_t(w) * h + 768) << raw;
        const unsigned char *palette = reinterpret_cast<const unsigned char *>(data.data()) + size_t(w) * h;
        std::string expected(size_t(w) * h * 3, '\0');
        for (size_t i = 0; i < size_t(w) * h; ++i)
            for (int c = 0; c < 3; ++c)
                expected[i * 3 + c] = static_cast<char>(palette[static_cast<unsigned char>(data[i]) * 3 + c]);
        ASSERT_TRUE(rgb == expected) << ppm << " differs from " << raw;
    }
    // The sound of the demo's track 1, as zbxinfo decodes it.
    EXPECT_TRUE(ReadFile(mine / "sound.wav") == ReadFile(dump / "track_1.wav"));
    fs::remove_all(work);
}

// The sections every page has, in this order.
const char *const kSections[] = {".SH NAME\n",        ".SH \"SYNOPSIS\"\n",    ".SH \"DESCRIPTION\"\n",
                                 ".SH \"OPTIONS\"\n", ".SH \"EXIT STATUS\"\n", ".SH \"EXAMPLES\"\n",
                                 ".SH \"SEE ALSO\"\n"};

TEST_F(Install, AManPageWithoutWarningsForEveryProgram)
{
    int programs = 0;
    for (auto &e : fs::directory_iterator(prefix_ / "bin")) {
        const std::string program = e.path().filename().string();
        const fs::path page = prefix_ / "share/man/man1" / (program + ".1");
        ASSERT_TRUE(fs::exists(page)) << program;
        ++programs;
        const std::string text = ReadFile(page);
        size_t at = 0;
        for (const char *section : kSections) {
            const size_t next = text.find(section, at);
            EXPECT_NE(next, std::string::npos) << program << ": " << section;
            at = next == std::string::npos ? at : next;
        }
        // NAME: "program \- a description", not the name again.
        const size_t name = text.find(".SH NAME\n" + program + " \\- ");
        ASSERT_NE(name, std::string::npos) << program;
        const std::string line = text.substr(name, text.find('\n', name + 9) - name);
        EXPECT_GT(line.size(), 9 + program.size() + 4 + 15) << line;
        EXPECT_EQ(line.find("\\- " + program + "\n"), std::string::npos) << line;
        // One tagged entry per switch, --help and --version among them.
        const size_t options = text.find(".SH \"OPTIONS\"\n"), status = text.find(".SH \"EXIT STATUS\"\n");
        const std::string optionText = text.substr(options, status - options);
        EXPECT_NE(optionText.find(".TP\n\\fB\\-\\-version\\fR"), std::string::npos) << program;
        EXPECT_EQ(text.find("docs/"), std::string::npos) << program << " points into the source tree";
        // man itself has nothing to complain about.
        EXPECT_EQ(ShellOutput("MANWIDTH=80 man --warnings -E UTF-8 -l " + Quote(page) + " 2>&1 >/dev/null"), "")
            << program;
    }
    EXPECT_GE(programs, 5);
}

TEST_F(Install, DesktopFilesAndTheMimeType)
{
    const fs::path share = prefix_ / "share";
    for (const char *program : {"zorbplw", "zorbscw", "zorblaxw"}) {
        const fs::path desktop = share / "applications" / ("zorblax-" + std::string(program) + ".desktop");
        if (!fs::exists(prefix_ / "bin" / program))
            continue; // a build without that program
        ASSERT_TRUE(fs::exists(desktop)) << desktop;
        EXPECT_EQ(ShellOutput("desktop-file-validate " + Quote(desktop) + " 2>&1"), "") << desktop;
        const std::string text = ReadFile(desktop);
        EXPECT_NE(text.find("\nExec=" + std::string(program)), std::string::npos) << desktop;
        EXPECT_NE(text.find("\nIcon=zorblax\n"), std::string::npos) << desktop;
    }
    EXPECT_NE(ReadFile(share / "applications/zorblax-zorbplw.desktop").find("MimeType=application/x-zorblax;"),
              std::string::npos);
    EXPECT_NE(ReadFile(share / "applications/zorblax-zorbscw.desktop").find("MimeType=text/x-zorbscript;"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(share / "icons/hicolor/scalable/apps/zorblax.svg"));

    // The MIME database built from the installed type knows *.zbx and "ZBX2".
    const fs::path mime = share / "mime";
    ASSERT_TRUE(fs::exists(mime / "packages/zorblax.xml"));
    EXPECT_EQ(ShellOutput("XDG_DATA_DIRS=" + Quote(share) + " update-mime-database " + Quote(mime) + " 2>&1"), "");
    const std::string globs = ReadFile(mime / "globs2");
    EXPECT_NE(globs.find(":application/x-zorblax:*.zbx"), std::string::npos) << globs;
    EXPECT_NE(globs.find(":text/x-zorbscript:*.zs"), std::string::npos) << globs;
    const std::string magic = ReadFile(mime / "magic");
    const size_t type = magic.find("[60:application/x-zorblax]\n");
    ASSERT_NE(type, std::string::npos);
    EXPECT_NE(magic.find(std::string(">0=\0\x04ZBX2", 9), type), std::string::npos);
}

} // namespace

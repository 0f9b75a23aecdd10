// `cmake --install` into a temporary prefix: the programs, the library with
// its versioned soname, the headers, the pkg-config file and the man pages
// land where they belong, the programs find the library through their
// relative RUNPATH, and the installed player plays the demo.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

int Shell(const std::string &cmd)
{
    int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Output(const std::string &cmd)
{
    std::string text;
    if (FILE *p = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            text.append(buf, n);
        ::pclose(p);
    }
    return text;
}

TEST(Install, IntoATemporaryPrefixAndPlayTheDemo)
{
    const fs::path prefix = fs::temp_directory_path() / ("zorb_install_" + std::to_string(::getpid()));
    fs::remove_all(prefix);
    ASSERT_EQ(
        Shell("cmake --install '" + std::string(ZORB_BINARY_DIR) + "' --prefix '" + prefix.string() + "' >/dev/null"),
        0);

    for (const char *program : {"zorbplw", "zorbc", "zorbmix", "zbxinfo", "zbxcompi"}) {
        EXPECT_TRUE(fs::exists(prefix / "bin" / program)) << program;
        EXPECT_TRUE(fs::exists(prefix / "share/man/man1" / (std::string(program) + ".1"))) << program;
    }
    EXPECT_TRUE(fs::exists(prefix / "include/zorblax/vexutil/vexutil.h"));
    EXPECT_TRUE(fs::exists(prefix / "include/zorblax/codec/zorb.h"));

    // The library and its soname; the pkg-config file points at them.
    fs::path lib, pc;
    for (auto &e : fs::recursive_directory_iterator(prefix)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("libvexutil.so.", 0) == 0 && !e.is_symlink() && name.size() > 16)
            lib = e.path();
        if (name == "vexutil.pc")
            pc = e.path();
    }
    ASSERT_FALSE(lib.empty());
    EXPECT_EQ(lib.filename().string(), std::string("libvexutil.so.") + PlatformVersion());
    EXPECT_NE(Output("readelf -d '" + lib.string() + "'").find("libvexutil.so.0]"), std::string::npos);
    ASSERT_FALSE(pc.empty());
    EXPECT_NE(Output("PKG_CONFIG_PATH='" + pc.parent_path().string() + "' pkg-config --libs --cflags vexutil")
                  .find("-lvexutil"),
              std::string::npos);

    // A tool on the shared library finds the installed one through its RUNPATH.
    const std::string zorbc = (prefix / "bin/zorbc").string();
    EXPECT_NE(Output("readelf -d '" + zorbc + "'").find("$ORIGIN/../"), std::string::npos);
    EXPECT_EQ(Output("'" + zorbc + "' --version"), std::string("zorbc (Zorblax toolkit) ") + PlatformVersion() + "\n");
    const std::string libs = Output("ldd '" + zorbc + "'");
    const size_t at = libs.find("libvexutil.so.0 => ");
    ASSERT_NE(at, std::string::npos) << libs;
    EXPECT_EQ(libs.compare(at + 19, prefix.string().size(), prefix.string()), 0) << libs;

    const std::string demo = std::string(ZORB_BINARY_DIR) + "/demo/demo.zbx";
    EXPECT_EQ(Shell("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 120 '" +
                    (prefix / "bin/zorbplw").string() + "' '" + demo + "' /S >/dev/null 2>&1 </dev/null"),
              0);
    fs::remove_all(prefix);
}

} // namespace

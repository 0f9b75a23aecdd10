// The Debian package: `cpack -G DEB` builds zorblax_VERSION_ARCH.deb, whose
// file list holds the programs, the libraries, the development files, the man
// pages and the desktop files under /usr, and whose Depends name the system
// libraries the programs need (from dpkg-shlibdeps), not the package itself.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/instrumented.h"
#include "tests/support/run_tool.h"

namespace fs = std::filesystem;

namespace {

using zorb::test::Shell;
using zorb::test::ShellOutput;

TEST(Package, DebianPackageWithItsFilesAndDependencies)
{
    if (Shell("command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null") != 0)
        GTEST_SKIP() << "no dpkg-deb or dpkg-shlibdeps";
    if (zorb::test::InstrumentedBuild())
        GTEST_SKIP() << "a package of an instrumented build is of no use";
    std::string dir = (fs::temp_directory_path() / "zorb_package_XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string build = ZORB_BINARY_DIR;
    ASSERT_EQ(Shell("cd '" + dir + "' && cpack -G DEB --config '" + build + "/CPackConfig.cmake' -B '" + dir +
                    "' >cpack.log 2>&1"),
              0)
        << ShellOutput("cat '" + dir + "/cpack.log'");

    const std::string arch = ShellOutput("dpkg --print-architecture");
    const std::string deb = dir + "/zorblax_" + PlatformVersion() + "_" + arch.substr(0, arch.find('\n')) + ".deb";
    ASSERT_TRUE(fs::exists(deb)) << ShellOutput("ls '" + dir + "'");

    EXPECT_EQ(ShellOutput("dpkg-deb -f '" + deb + "' Package"), "zorblax\n");
    EXPECT_EQ(ShellOutput("dpkg-deb -f '" + deb + "' Version"), std::string(PlatformVersion()) + "\n");
    const std::string depends = ShellOutput("dpkg-deb -f '" + deb + "' Depends");
    for (const char *lib : {"libc6", "libstdc++6", "libsdl2-2.0-0", "libgraphicsmagick"})
        EXPECT_NE(depends.find(lib), std::string::npos) << lib << " not in: " << depends;
    EXPECT_EQ(depends.find("zorblax"), std::string::npos) << depends;

    const std::string files = ShellOutput("dpkg-deb -c '" + deb + "'");
    const std::string version = PlatformVersion();
    for (const std::string &path : std::vector<std::string>{
             "./usr/bin/zorbplw", "./usr/bin/zorbc", "./usr/bin/zbxinfo", "./usr/lib/libzorblax.so.0." + version,
             "./usr/lib/libzorblax.so.0 -> ", "./usr/lib/libvexutil.so.0." + version, "./usr/lib/pkgconfig/zorblax.pc",
             "./usr/include/zorblax/codec/zorb.h", "./usr/share/man/man1/zorbplw.1", "./usr/share/man/man1/zbxinfo.1",
             "./usr/share/applications/zorblax-zorbplw.desktop", "./usr/share/mime/packages/zorblax.xml",
             "./usr/share/icons/hicolor/scalable/apps/zorblax.svg",
             "./usr/share/doc/zorblax/examples/decode_to_files.c"})
        EXPECT_NE(files.find(path), std::string::npos) << path << " not in:\n" << files;
    EXPECT_EQ(files.find("test_"), std::string::npos) << "test programs packaged";
    EXPECT_EQ(files.find(build), std::string::npos) << "build paths packaged";

    // The pkg-config file of the package points at /usr.
    ASSERT_EQ(Shell("dpkg-deb -x '" + deb + "' '" + dir + "/root'"), 0);
    const std::string pc = ShellOutput("cat '" + dir + "/root/usr/lib/pkgconfig/zorblax.pc'");
    EXPECT_NE(pc.find("prefix=/usr\n"), std::string::npos) << pc;
    EXPECT_NE(pc.find("includedir=/usr/include/zorblax\n"), std::string::npos) << pc;
    fs::remove_all(dir);
}

} // namespace

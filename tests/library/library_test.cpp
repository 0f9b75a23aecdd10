// libzorblax.so as built: its soname, the names it exports (exactly those of
// lib/zorblax.symbols, the public C interface) and the libraries it needs
// (no sound device layer, no window system).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/run_tool.h"

namespace {

using zorb::test::ShellOutput;

const std::string kLibrary = std::string(ZORB_BINARY_DIR) + "/lib/libzorblax.so";

std::set<std::string> Words(std::istream &in)
{
    std::set<std::string> words;
    std::string w;
    while (in >> w)
        words.insert(w);
    return words;
}

class Library : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::ifstream(kLibrary))
            GTEST_SKIP() << "libzorblax.so is not built";
    }
};

TEST_F(Library, ExportsExactlyThePublicNames)
{
    std::ifstream listFile(std::string(ZORB_SOURCE_DIR) + "/lib/zorblax.symbols");
    ASSERT_TRUE(listFile);
    const std::set<std::string> expected = Words(listFile);
    ASSERT_GT(expected.size(), 30u);

    // "ADDRESS TYPE NAME" per line; every defined dynamic symbol counts.
    std::istringstream nm(ShellOutput("nm -D --defined-only '" + kLibrary + "'"));
    std::set<std::string> exported;
    std::string line;
    while (std::getline(nm, line)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            exported.insert(name);
    }
    for (const std::string &name : expected)
        EXPECT_TRUE(exported.count(name)) << "not exported: " << name;
    for (const std::string &name : exported)
        EXPECT_TRUE(expected.count(name)) << "exported but not public: " << name;
}

// libvexutil.so carries a copy of the decoder but exports only its own
// interface: the names declared with VEXAPI in vexutil/vexutil.h.
TEST_F(Library, VexutilExportsOnlyItsOwnInterface)
{
    std::ifstream header(std::string(ZORB_SOURCE_DIR) + "/vexutil/vexutil.h");
    ASSERT_TRUE(header);
    std::set<std::string> declared;
    std::string line;
    while (std::getline(header, line)) {
        if (line.rfind("VEXAPI ", 0) != 0)
            continue;
        const size_t paren = line.find('(');
        size_t start = line.find_last_of(" *", paren);
        if (paren != std::string::npos && start != std::string::npos)
            declared.insert(line.substr(start + 1, paren - start - 1));
    }
    ASSERT_GT(declared.size(), 50u);
    // The interrupt rule's list of partial outputs, shared with the programs
    // (one list per process).
    for (const char *shared :
         {"PlatformInterruptInstall", "PlatformCleanupAdd", "PlatformCleanupRemove", "PlatformInterruptExit"})
        declared.insert(shared);
    std::istringstream nm(
        ShellOutput("nm -D --defined-only '" + std::string(ZORB_BINARY_DIR) + "/vexutil/libvexutil.so'"));
    int exported = 0;
    while (std::getline(nm, line)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (!(fields >> address >> type >> name))
            continue;
        ++exported;
        EXPECT_TRUE(declared.count(name)) << "exported but not declared with VEXAPI: " << name;
    }
    EXPECT_GT(exported, 50);
}

TEST_F(Library, VersionedSonameAndNoDeviceLibraries)
{
    const std::string dynamic = ShellOutput("readelf -d '" + kLibrary + "'");
    EXPECT_NE(dynamic.find("Library soname: [libzorblax.so.0]"), std::string::npos) << dynamic;
    for (const char *unwanted : {"SDL", "Qt", "GraphicsMagick", "vexutil", "X11", "asound"})
        EXPECT_EQ(dynamic.find(unwanted), std::string::npos) << unwanted << " in\n" << dynamic;
}

} // namespace

// Checks of the source layout that anyone can run: every public header
// compiles alone as C (the c_*.c files of this folder, built as C99), and
// the codec's internal header stays inside the codec and the runtime.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
size_t zorb_c_header_zorb(void);
size_t zorb_c_header_format(void);
size_t zorb_c_header_examine(void);
size_t zorb_c_header_blit(void);
size_t zorb_c_header_display(void);
size_t zorb_c_header_sound(void);
size_t zorb_c_header_vexutil(void);
size_t zorb_c_header_platform(void);
size_t zorb_c_header_encoder(void);
}

namespace fs = std::filesystem;

TEST(Layout, PublicHeadersCompileAsC)
{
    // Linking these proves the C files were built; each returns a size the
    // header's types give.
    for (size_t size : {zorb_c_header_zorb(), zorb_c_header_format(), zorb_c_header_examine(), zorb_c_header_blit(),
                        zorb_c_header_display(), zorb_c_header_sound(), zorb_c_header_vexutil(),
                        zorb_c_header_platform(), zorb_c_header_encoder()})
        EXPECT_GT(size, 0u);
}

// Every library's public header has its C check here.
TEST(Layout, EveryPublicHeaderHasACCheck)
{
    const fs::path root = ZORB_SOURCE_DIR;
    for (const char *header :
         {"codec/zorb.h", "codec/format.h", "codec/examine.h", "runtime/blit.h", "runtime/display.h", "runtime/sound.h",
          "vexutil/vexutil.h", "platform/platform.h", "encoder/encoder.h"}) {
        bool found = false;
        for (const auto &e : fs::directory_iterator(root / "tests/layout")) {
            if (e.path().extension() != ".c")
                continue;
            std::ifstream in(e.path());
            std::stringstream text;
            text << in.rdbuf();
            if (text.str().find(std::string("#include \"") + header + "\"") != std::string::npos)
                found = true;
        }
        EXPECT_TRUE(found) << header;
    }
}

// codec/handle.h is the codec's inside: only the codec, the runtime (which
// implements the sound back ends) and the codec's own white-box tests and
// fuzzers may include it. Tools use codec/zorb.h and codec/examine.h.
TEST(Layout, HandleHeaderStaysInsideTheCodec)
{
    const fs::path root = ZORB_SOURCE_DIR;
    const std::vector<std::string> allowed = {"codec/", "runtime/", "tests/codec_", "fuzz/"};
    std::vector<std::string> offenders;
    for (const char *top : {"codec", "runtime", "player", "script", "vexutil", "encoder", "tools", "frontend",
                            "platform", "tests", "bench", "fuzz"}) {
        if (!fs::exists(root / top))
            continue;
        for (const auto &e : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = e.path().extension().string();
            if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h" && ext != ".c"))
                continue;
            const std::string rel = fs::relative(e.path(), root).generic_string();
            bool ok = false;
            for (const std::string &a : allowed)
                ok = ok || rel.rfind(a, 0) == 0;
            if (ok || rel == "tests/layout/layout_test.cpp")
                continue;
            std::ifstream in(e.path());
            std::string line;
            while (std::getline(in, line))
                if (line.find("#include") != std::string::npos && line.find("codec/handle.h") != std::string::npos)
                    offenders.push_back(rel);
        }
    }
    EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

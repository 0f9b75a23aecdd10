// Batch conversion with GNU parallel, as docs/batch.md shows it: eight
// conversions at once into one directory give eight whole outputs and
// nothing else (temporary names never collide).
#include <gtest/gtest.h>

#include <string>

#include "codec/zorb.h"
#include "tests/tool_rules/fixtures.h"

namespace {

TEST(Batch, EightConversionsAtOnceWithGnuParallel)
{
    if (std::system("parallel --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed";
    rules::TempDir in, out;
    for (int i = 1; i <= 8; ++i)
        ASSERT_TRUE(rules::WriteClip(in.path + "/clip" + std::to_string(i) + ".zbx", 10 + i, 64, 32));
    // Every output lands in the same directory, all eight runs at once.
    const std::string cmd = "cd '" + in.path + "' && parallel --will-cite -j8 --halt now,fail=1 " +
                            rules::Bin("zorbc") + " {} '" + out.path + "'/{.}.zbx /O /Q ::: clip*.zbx";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const auto names = rules::Listing(out.path);
    EXPECT_EQ(names.size(), 8u); // no temporary left
    for (int i = 1; i <= 8; ++i) {
        const std::string name = out.path + "/clip" + std::to_string(i) + ".zbx";
        ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), 0, -1);
        ASSERT_NE(h, nullptr) << name;
        EXPECT_EQ(h->FrameCount, 10u + i);
        EXPECT_EQ(h->IntactFrames, 10u + i);
        ZorbClose(h);
    }
}

} // namespace

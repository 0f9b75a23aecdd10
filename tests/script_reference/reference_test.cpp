// The command reference: the page in docs/ is what the keyword table writes,
// every keyword has its parameters, description and example, and every
// example runs headless as a whole script without an error.
#include <gtest/gtest.h>

#include "script/core/interp.h"
#include "script/core/reference.h"
#include "tests/script/script_fixture.h"
#include "tests/support/zbxgen.h"

#include <cstring>
#include <regex>

namespace {

using script_test::Slurp;

TEST(ScriptReference, PageIsCurrent)
{
    const std::string page = Slurp(fs::path(ZORB_SOURCE_DIR) / "docs" / "script-reference.md");
    EXPECT_TRUE(page == zscript::ScriptReferenceMarkdown())
        << "docs/script-reference.md is stale: run build/bin/zorb_refgen > docs/script-reference.md";
}

TEST(ScriptReference, EveryKeywordHasAnEntry)
{
    const auto &docs = zscript::KeywordDocs();
    ASSERT_EQ(docs.size(), static_cast<size_t>(zscript::kKeywordCount));
    for (size_t k = 0; k < docs.size(); ++k) {
        const zscript::KeywordDoc &d = docs[k];
        SCOPED_TRACE(d.name);
        EXPECT_STREQ(d.name, zscript::kKeywords[k].name);
        EXPECT_GT(std::strlen(d.does), 10u);
        // The example uses its keyword as a command word.
        const std::regex use("(^|\\n|; |[A-Z]+ [^\\n]* )" + std::string(d.name) + "( |\\n|$)");
        EXPECT_TRUE(std::regex_search(d.example, use)) << d.example;
        // Parameters in the form the page explains.
        std::istringstream words(d.parameters);
        for (std::string w; words >> w;) {
            if (w.find(':') == std::string::npos)
                continue;
            EXPECT_TRUE(std::regex_match(w, std::regex("(name|number|value|text):[a-z0-9-]+(\\.\\.\\.)?"))) << w;
        }
    }
}

// The sample files every example finds in its directory.
void WriteSamples(const fs::path &dir)
{
    zbxgen::Description d;
    d.width = 64;
    d.height = 32;
    d.frameRate = 40;
    zbxgen::Rng rng(7);
    d.tracks[0] = zbxgen::SoundFormat{};
    for (int i = 0; i < 6; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::TwoColour, rng);
        if (i == 0 || i == 3)
            f.palette = zbxgen::RandomPalette(rng);
        zbxgen::SoundChunk chunk;
        chunk.pcm = zbxgen::RandomSound(*d.tracks[0], 441, rng);
        f.sound[0] = chunk;
        d.frames.push_back(std::move(f));
    }
    ASSERT_TRUE(zbxgen::WriteFile(d, (dir / "demo.zbx").string()));
    std::ofstream(dir / "notes.txt", std::ios::binary) << "first line\r\nsecond line\r\nthird line\r\n";
    std::ofstream(dir / "sub.zs", std::ios::binary)
        << "VARSET greeting 'hello'\nRETURN\n:SHOW\nVARSET shown 1\nRETURN\n";
    // A tenth of a second of 8-bit mono sound.
    std::string wav = "RIFF....WAVEfmt ";
    auto le = [&wav](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    le(16, 4), le(1, 2), le(1, 2), le(11025, 4), le(11025, 4), le(1, 2), le(8, 2);
    wav += "data";
    le(1102, 4);
    for (int i = 0; i < 1102; ++i)
        wav += static_cast<char>(i % 25 < 12 ? 0x60 : 0xA0);
    const uint32_t riff = static_cast<uint32_t>(wav.size() - 8);
    for (int i = 0; i < 4; ++i)
        wav[4 + i] = static_cast<char>((riff >> (8 * i)) & 0xFF);
    std::ofstream(dir / "ding.wav", std::ios::binary) << wav;
}

class ReferenceExample : public script_test::ScriptRun, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("zorbscw_ref_" + std::to_string(::getpid()) + "_" + std::to_string(GetParam()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
};

TEST_P(ReferenceExample, Runs)
{
    const zscript::KeywordDoc &d = zscript::KeywordDocs()[static_cast<size_t>(GetParam())];
    WriteSamples(dir_);
    Write("example.zs", std::string(d.example) + "\n");
    // Enter at every wait, so the input commands end; no box ever waits.
    const script_test::Result r =
        Run("example.zs", "ZORBLAX_NO_BOX=1 ZORBSCW_TEST_INPUT=1:key=Return,2:key=Return,3:key=Return");
    EXPECT_EQ(r.status, 0) << d.name << ":\n" << d.example << "\n" << r.err;
    EXPECT_EQ(r.err.find("Error"), std::string::npos) << d.name << ":\n" << r.err;
}

std::string KeywordName(const ::testing::TestParamInfo<int> &info)
{
    return zscript::KeywordDocs()[static_cast<size_t>(info.param)].name;
}

INSTANTIATE_TEST_SUITE_P(Keywords, ReferenceExample, ::testing::Range(0, zscript::kKeywordCount), KeywordName);

} // namespace

// Every public C interface reports a failure by its return value and keeps
// the reason as its last-error text: one failing call per interface, its
// text, and a call that succeeds clearing the text again.
#include "codec/zorb.h"
#include "encoder/encoder.h"
#include "platform/platform.h"
#include "runtime/display.h"
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

// A private directory for the files of one test, removed with what it holds.
class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/zlasterrXXXXXX";
        const char *made = ::mkdtemp(pattern);
        path_ = made ? made : "";
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string &Path() const { return path_; }

private:
    std::string path_;
};

struct Case {
    const char *name;
    std::function<bool()> fails;        // the failing call: true when it failed
    std::function<const char *()> text; // the interface's last-error text
    std::string expected;               // a part of the text
    std::function<bool()> succeeds;     // a call that succeeds (null: none)
};

int Quiet(const char *, int)
{
    return 0;
}

TEST(LastError, EveryInterfaceKeepsTheReasonOfAFailedCall)
{
    ScratchDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string missing = dir.Path() + "/missing";
    const std::string inMissingDir = dir.Path() + "/no/such/out.zbx";
    ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    const uint32_t frontEnd = 3000000000u + static_cast<uint32_t>(::getpid() % 1000000);
    PlatformLinkServer *server = PlatformLinkServerOpen(frontEnd, nullptr, nullptr);
    ASSERT_NE(server, nullptr) << PlatformLastError();

    const ZencParams tooSmall{};
    ZencParams usable{};
    usable.width = 16;
    usable.height = 16;
    usable.frameRate = 100;
    const Case cases[] = {
        {"PlatformSafeCreate", [&] { return PlatformSafeCreate(inMissingDir.c_str()) == nullptr; }, PlatformLastError,
         "Error creating " + inMissingDir + ": no such file or directory",
         [&] {
             PlatformSafeFile *f = PlatformSafeCreate((dir.Path() + "/made").c_str());
             PlatformSafeDiscard(f);
             return f != nullptr;
         }},
        {"PlatformSafeCommit",
         [&] {
             PlatformSafeFile *f = PlatformSafeCreate((dir.Path() + "/short").c_str());
             return f && PlatformSafeWrite(f, "abc", 3) && !PlatformSafeCommit(f, 4);
         },
         PlatformLastError, "Error writing " + dir.Path() + "/short: no space left on device",
         [&] {
             PlatformSafeFile *f = PlatformSafeCreate((dir.Path() + "/whole").c_str());
             return f && PlatformSafeWrite(f, "abc", 3) && PlatformSafeCommit(f, 3);
         }},
        {"PlatformLinkServerOpen", [&] { return PlatformLinkServerOpen(frontEnd, nullptr, nullptr) == nullptr; },
         PlatformLastError, "address already in use", nullptr},
        {"ZorbOpen", [&] { return ZorbOpen(const_cast<char *>(missing.c_str()), 0, -1) == nullptr; }, ZorbLastOpenError,
         "cannot open the file", nullptr},
        {"WindowOpen", [] { return WindowOpen(320, 240, 0, 0, 23 | WINDOW_DOUBLE_BUFFER) == nullptr; }, WindowLastError,
         "at most 320 x 200", nullptr},
        {"VEXFileOpen", [&] { return VEXFileOpen(4096, missing.c_str(), VEXFILE_READ) == nullptr; }, VEXLastError,
         "Error opening " + missing + ": no such file or directory",
         [&] {
             VEXFILE *f = VEXFileCreate(4096, (dir.Path() + "/bits").c_str());
             VEXFileClose(f);
             return f != nullptr;
         }},
        {"VEXFileCreate", [&] { return VEXFileCreate(4096, dir.Path().c_str()) == nullptr; }, VEXLastError,
         "Error opening " + dir.Path() + ": is a directory", nullptr},
        {"SFileOpen", [&] { return SFileOpen(missing.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, Quiet) == nullptr; },
         VEXLastError, "Error opening the input file.", nullptr},
        {"ZencOpen", [&] { return ZencOpen(&tooSmall) == nullptr; }, ZencLastError,
         "Error: the pictures must be 4 to 65536 pixels wide and high.",
         [&] {
             ZENC *enc = ZencOpen(&usable);
             ZencClose(enc);
             return enc != nullptr;
         }},
        {"ZencWrite",
         [&] {
             ZENC *enc = ZencOpen(&usable);
             const bool failed = enc && !ZencWrite(enc, (dir.Path() + "/none.zbx").c_str(), Quiet);
             ZencClose(enc);
             return failed;
         },
         ZencLastError, "Error: there are no frames to compress.", nullptr},
        {"ZencReadInfo",
         [&] {
             ZencFileInfo info;
             return !ZencReadInfo(missing.c_str(), &info);
         },
         ZencLastError, missing, nullptr},
        // An error met by a reader underneath is the encoder's text too.
        {"ZencConvertSound",
         [&] {
             ZencSoundRequest request{};
             return !ZencConvertSound(missing.c_str(), (dir.Path() + "/out.wav").c_str(), &request, nullptr, nullptr);
         },
         ZencLastError, "Error opening the input file.", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.fails());
        EXPECT_NE(std::string(c.text()).find(c.expected), std::string::npos) << c.text();
        if (c.succeeds) {
            ASSERT_TRUE(c.succeeds());
            EXPECT_STREQ(c.text(), "");
        }
    }
    PlatformLinkServerClose(server);
}

// A progress function that cancels makes the encoder's text "Cancelled.";
// errors still reach the caller's progress function as before.
TEST(LastError, TheEncoderPassesErrorsOnAndNamesACancel)
{
    ScratchDir dir;
    static std::string seen;
    seen.clear();
    auto keep = [](const char *text, int level) {
        if (level == 2)
            seen = text;
        return 0;
    };
    ZencParams p{};
    p.width = 16;
    p.height = 16;
    p.frameRate = 100;
    ZENC *enc = ZencOpen(&p);
    ASSERT_NE(enc, nullptr);
    EXPECT_FALSE(ZencWrite(enc, (dir.Path() + "/none.zbx").c_str(), keep));
    EXPECT_EQ(seen, "Error: there are no frames to compress.");
    EXPECT_EQ(std::string(ZencLastError()), seen);

    uint8_t pixels[16 * 16] = {}, palette[768] = {};
    ASSERT_TRUE(ZencAddFrame(enc, pixels, 16, palette));
    EXPECT_STREQ(ZencLastError(), "");
    auto cancel = [](const char *, int level) { return level == 2 ? 0 : 1; };
    EXPECT_FALSE(ZencWrite(enc, (dir.Path() + "/cancelled.zbx").c_str(), cancel));
    EXPECT_STREQ(ZencLastError(), "Cancelled.");
    EXPECT_NE(::access((dir.Path() + "/cancelled.zbx").c_str(), F_OK), 0);
    ZencClose(enc);
}

} // namespace

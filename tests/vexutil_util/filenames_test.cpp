// File names: separators, expansion, directories, pieces, temporary names.
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = "/tmp/zvexnXXXXXX";
        dir_ = mkdtemp(t.data());
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldCwd_ = cwd;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        char real[4096];
        ASSERT_NE(getcwd(real, sizeof real), nullptr);
        dir_ = real;
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(oldCwd_.c_str()), 0);
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    std::string dir_, oldCwd_;
};

struct Buf {
    explicit Buf(const std::string &s) { std::strncpy(b, s.c_str(), sizeof b - 1); }
    char b[256] = {};
};

TEST_F(FileNames, Extension)
{
    const char *a = "dir.x\\name.zbx";
    EXPECT_EQ(HasExtension(a), a + 10);
    EXPECT_EQ(HasExtension("dir.x\\name"), nullptr);
    EXPECT_EQ(HasExtension("dir.x/name"), nullptr);
    EXPECT_EQ(HasExtension("C:name"), nullptr);
    EXPECT_EQ(HasExtension(""), nullptr);
    const char *b = "archive.tar.gz";
    EXPECT_EQ(HasExtension(b), b + 11);
}

TEST_F(FileNames, ExpandAcceptsBothSeparatorsAndDrivePrefixes)
{
    Buf a("sub\\x\\..\\file.zbx");
    EXPECT_EQ(ExpandFileName(a.b), dir_.size() + 14);
    EXPECT_EQ(std::string(a.b), dir_ + "/sub/file.zbx");
    Buf b("C:\\usr\\.\\share/");
    ExpandFileName(b.b);
    EXPECT_STREQ(b.b, "/usr/share/");
    Buf c("/a/../../b");
    ExpandFileName(c.b);
    EXPECT_STREQ(c.b, "/b");
    Buf d("\\");
    ExpandFileName(d.b);
    EXPECT_STREQ(d.b, "/");
    // Too long for the 256-byte buffer: left alone, 0 returned.
    std::string longName(200, 'y');
    ASSERT_EQ(chdir("/tmp"), 0);
    Buf f(longName);
    EXPECT_EQ(ExpandFileName(f.b), longName.size() + 6);
    Buf g(longName + "/" + std::string(50, 'z'));
    EXPECT_EQ(ExpandFileName(g.b), 0u);
    EXPECT_EQ(std::string(g.b), longName + "/" + std::string(50, 'z'));
}

TEST_F(FileNames, Directories)
{
    mkdir("sub", 0755);
    Buf a("sub\\");
    EXPECT_TRUE(IsDirectory(a.b, 0));
    EXPECT_EQ(std::string(a.b), dir_ + "/sub");
    char cwd[4096];
    EXPECT_EQ(std::string(getcwd(cwd, sizeof cwd)), dir_);
    Buf b("sub");
    EXPECT_TRUE(IsDirectory(b.b, 1));
    EXPECT_EQ(std::string(getcwd(cwd, sizeof cwd)), dir_ + "/sub");
    Buf root("/");
    EXPECT_TRUE(IsDirectory(root.b, 0));
    EXPECT_STREQ(root.b, "/");
    std::ofstream(dir_ + "/file.txt") << "x";
    Buf f(dir_ + "/file.txt");
    EXPECT_FALSE(IsDirectory(f.b, 1));
    Buf m("missing");
    EXPECT_FALSE(IsDirectory(m.b, 1));
    EXPECT_EQ(std::string(getcwd(cwd, sizeof cwd)), dir_ + "/sub");
}

TEST_F(FileNames, Pieces)
{
    mkdir("sub", 0755);
    Buf a("  sub\\name.ext ");
    EXPECT_EQ(std::string(GetFilePieces(a.b, 1, 1, 1, 1)), dir_ + "/sub/name.ext");
    Buf b("sub\\name.ext");
    EXPECT_STREQ(GetFilePieces(b.b, 1, 0, 1, 0), "name");
    Buf c("sub\\name.ext");
    EXPECT_STREQ(GetFilePieces(c.b, 0, 0, 0, 1), ".ext");
    Buf d("sub\\name.ext");
    EXPECT_EQ(std::string(GetFilePieces(d.b, 0, 1, 0, 0)), dir_ + "/sub/");
    // A directory keeps only its drive and directory pieces, with a separator.
    Buf e("sub");
    EXPECT_EQ(std::string(GetFilePieces(e.b, 1, 1, 1, 1)), dir_ + "/sub/");
    Buf f("sub");
    EXPECT_STREQ(GetFilePieces(f.b, 1, 0, 1, 1), "");
    EXPECT_EQ(GetDrive("D:\\anything"), 'C');
}

TEST_F(FileNames, TempNamesAndBackslashes)
{
    char t[300];
    EXPECT_STREQ(GetTempName(t, "dir\\", "ZB", 0x1234), "dir/ZBCBAAAA.AAA");
    EXPECT_STREQ(GetTempName(t, "", "", 0xFEDCBA98), "IJKLMNOP.AAA");
    EXPECT_STREQ(GetTempName(t, "/tmp/", "LONGPREFIXNAME", 1), "/tmp/LONGPREF.XNA");

    Buf a(" some\\dir ");
    EXPECT_STREQ(AddBackslash(a.b), "some\\dir/");
    Buf b("C:");
    EXPECT_STREQ(AddBackslash(b.b), "C:");
    Buf c("x/");
    EXPECT_STREQ(AddBackslash(c.b), "x/");
    Buf d("x\\");
    EXPECT_STREQ(AddBackslash(d.b), "x\\");
    Buf e("  ");
    EXPECT_STREQ(AddBackslash(e.b), "");
}

TEST_F(FileNames, SizesAndDuplicates)
{
    std::ofstream("data.bin") << std::string(1234, 'd');
    EXPECT_EQ(vexfilesize("data.bin"), 1234u);
    EXPECT_EQ(vexfilesize(".\\data.bin"), 1234u);
    EXPECT_EQ(vexfilesize("none.bin"), 0u);
    EXPECT_EQ(vexfilesize(nullptr), 0u);

    EXPECT_TRUE(CheckForDup("data.bin", "out.zbx"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CheckForDup("data.bin", (dir_ + "\\DATA.BIN").c_str()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Output filename must be different than the input filename."),
              std::string::npos);
}

} // namespace

// The settings file: defaults, round trips, recent lists, unknown content,
// the command-line rules for choosing the file, and write failures.
#include "frontend/core/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zfront;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        path = dir.filePath("Zorblax.INI");
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(SettingsTest, FirstStartDefaultsRoundTrip)
{
    Settings s;
    s.load(path); // no file yet
    EXPECT_EQ(s, Settings());
    EXPECT_EQ(s.zorb.KeyCompressType, 3);
    EXPECT_EQ(s.zorb.NormalRate, "240000");
    EXPECT_EQ(s.zorb.KeyRate, "300000");
    EXPECT_EQ(s.zorb.AutoKeyFrame, "95");
    EXPECT_EQ(s.play.Tracks, 127);
    EXPECT_EQ(s.mix.Track, 1);
    EXPECT_TRUE(s.main.ShowHints);
    EXPECT_EQ(s.main.X, Settings::Centred);
    EXPECT_EQ(s.command.Directory, QDir::currentPath());

    ASSERT_EQ(s.save(path), QString());
    const QByteArray text = readAll(path);
    for (const char *line : {"[ZorbMain]", "[Zorb]", "KeyCompressType=3", "KeyFrames=0", "[ZorbMix]", "Track=1",
                             "[ZorbPlay]", "Tracks=127", "[ZorbScript]", "[GraphicsProcessor]", "[SoundProcessor]",
                             "[ZorbCommand]", "NormalErrorPerc=30", "KeyErrorPerc=20"})
        EXPECT_TRUE(text.contains(line)) << line;
    Settings again;
    again.load(path);
    EXPECT_EQ(again, s);
}

TEST_F(SettingsTest, EveryKeyIsReadBackAsWritten)
{
    // Every key set to "1": texts become "1", numbers 1, flags on. Saving that
    // must give back the same file, so no key is lost or renamed on the way.
    Settings s;
    ASSERT_EQ(s.save(path), QString());
    QByteArray text = readAll(path);
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray &line : lines)
        if (const qsizetype eq = line.indexOf('='); eq > 0)
            line = line.left(eq + 1) + "1";
    text = lines.join('\n');
    writeAll(path, text);

    Settings ones;
    ones.load(path);
    EXPECT_EQ(ones.zorb.NormalRate, "1");
    EXPECT_EQ(ones.zorb.KeyCompressType, 1);
    EXPECT_TRUE(ones.play.DeltasOnly);
    EXPECT_EQ(ones.command.Directory, "1");
    ASSERT_EQ(ones.save(path), QString());
    EXPECT_EQ(readAll(path), text);
}

TEST_F(SettingsTest, RecentListsDropGapsAndRenumber)
{
    writeAll(path, "[ZorbRecentFiles]\r\nFile0=a.zbx\r\nFile2=b.zbx\r\nFile5=   \r\nFile7=  c.zbx  \r\n"
                   "File30=last.zbx\r\nFile31=beyond.zbx\r\n"
                   "[ZorbFrameSpecific]\nFrame1=50 60 300000 0\nFrame300=1 2 3 4\n"
                   "[ZorbRecentCommands]\nRecall3=dir\n");
    Settings s;
    s.load(path);
    EXPECT_EQ(s.recentFiles, QStringList({"a.zbx", "b.zbx", "c.zbx", "last.zbx"}));
    EXPECT_EQ(s.recentCommands, QStringList({"dir"}));
    // Memo lines beyond the usual range are kept rather than dropped.
    EXPECT_EQ(s.frameSpecific, QStringList({"50 60 300000 0", "1 2 3 4"}));

    s.recentDirs = {"/tmp", "", "/home"};
    ASSERT_EQ(s.save(path), QString());
    const QByteArray text = readAll(path);
    EXPECT_TRUE(text.contains("File0=a.zbx\nFile1=b.zbx\nFile2=c.zbx\nFile3=last.zbx\n"));
    EXPECT_FALSE(text.contains("File7") || text.contains("File31") || text.contains("beyond"));
    EXPECT_TRUE(text.contains("Dir0=/tmp\nDir1=/home\n"));
    EXPECT_TRUE(text.contains("Frame0=50 60 300000 0\nFrame1=1 2 3 4\n"));
}

TEST_F(SettingsTest, UnknownSectionsKeysAndCommentsSurvive)
{
    writeAll(path, "; my notes\n[Elsewhere]\nColour=blue\n\n[Zorb]\nNormalRate= 123456789012 \nFuture=yes\n"
                   "StartNum=123456789\nNormalFilePerc=12345\n[zorbplay]\ntracks=3abc\nLoop=x\n");
    Settings s;
    s.load(path);
    // Number fields are held to what their edits take: eight digits for rates
    // and frame numbers, three for percentages, each within its range.
    EXPECT_EQ(s.zorb.NormalRate, "99999999");
    EXPECT_EQ(s.zorb.StartNum, "99999999");
    EXPECT_EQ(s.zorb.NormalFilePerc, "999");
    EXPECT_EQ(s.play.Tracks, 3); // names ignore case; numbers take the leading digits
    EXPECT_FALSE(s.play.Loop);

    s.zorb.Filename = "line\r\n[Injected]\r\nkey=1";
    ASSERT_EQ(s.save(path), QString());
    const QByteArray text = readAll(path);
    EXPECT_TRUE(text.startsWith("; my notes\n[Elsewhere]\nColour=blue\n"));
    EXPECT_TRUE(text.contains("Future=yes"));
    EXPECT_FALSE(text.contains("\n[Injected]"));
    EXPECT_EQ(text.count("[Zorb]"), 1);
    EXPECT_EQ(text.count("[zorbplay]") + text.count("[ZorbPlay]"), 1);
}

TEST_F(SettingsTest, StartArguments)
{
    const QString config = dir.filePath("zorblax/");
    writeAll(config + "mine.INI", "[ZorbMain]\nCurrentTab=2\n");
    writeAll(config + "nokey.INI", "[ZorbMain]\nX=2\n");
    writeAll(config + "probe.ini", "[ZorbMain]\nCurrentTab=8888\n");
    writeAll(dir.filePath("here.cfg"), "[ZorbMain]\nCurrentTab=0\n");
    const QString fallback = config + "Zorblax.INI";

    struct Case {
        QStringList args;
        QString settings, batch;
    } cases[] = {
        {{}, fallback, ""},
        {{"mine"}, config + "mine.INI", ""}, // ".INI" added, looked for in the configuration directory
        {{"nokey"}, fallback, ""},           // no CurrentTab: the default stays
        {{"probe.ini"}, fallback, ""},       // the probe value counts as absent
        {{dir.filePath("here.cfg")}, dir.filePath("here.cfg"), ""}, // a name with a directory as given
        {{"a.zbt", "B.ZBT"}, fallback, "B.ZBT"},
        {{"a.zbt", "mine", "b.zbt", "nokey"}, config + "mine.INI", "a.zbt"}, // later arguments ignored
        {{"nokey", "mine"}, fallback, ""},
    };
    for (const Case &c : cases) {
        const StartArguments a = parseStartArguments(c.args);
        EXPECT_EQ(a.settingsPath, c.settings) << c.args.join(' ').toStdString();
        EXPECT_EQ(a.batchFile, c.batch) << c.args.join(' ').toStdString();
    }
}

TEST_F(SettingsTest, UnwritableFileIsReportedAndOldFileKept)
{
    writeAll(dir.filePath("blocker"), "not a directory");
    Settings s;
    const QString error = s.save(dir.filePath("blocker/Zorblax.INI"));
    EXPECT_TRUE(error.contains("blocker/Zorblax.INI")) << error.toStdString();

    // A failed write never replaces what was there.
    writeAll(path, "[ZorbMain]\nCurrentTab=5\n");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool blocked = !QFile(dir.filePath("probe")).open(QIODevice::WriteOnly); // root writes anyway
    const QString error2 = s.save(path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (blocked) {
        EXPECT_FALSE(error2.isEmpty());
        EXPECT_EQ(readAll(path), "[ZorbMain]\nCurrentTab=5\n");
    }
}

TEST(SettingsHelpers, RecentListAndDigits)
{
    QStringList list;
    for (int i = 0; i < 40; ++i)
        Settings::addRecent(list, QString("cmd%1").arg(i));
    EXPECT_EQ(list.size(), Settings::RecentMax);
    EXPECT_EQ(list.front(), "cmd39");
    Settings::addRecent(list, "  CMD20 ");
    EXPECT_EQ(list.front(), "CMD20");
    EXPECT_EQ(list.count("cmd20"), 0);
    EXPECT_EQ(list.size(), Settings::RecentMax);

    EXPECT_EQ(groupDigits(0, "."), "0");
    EXPECT_EQ(groupDigits(999, "."), "999");
    EXPECT_EQ(groupDigits(1234567, "."), "1.234.567");
    EXPECT_EQ(groupDigits(-1000, "'"), "-1'000");
    EXPECT_FALSE(thousandsSeparator().isEmpty());
}

} // namespace

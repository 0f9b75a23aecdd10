// The command tab's interpreter on a temporary directory: every command's
// messages, wildcards, totals and the hooks it hands to the windows.
#include "frontend/core/interpreter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct RecordingHost : zfront::InterpreterHost {
    QStringList lines, questions;
    std::function<bool(const QString &)> answer = [](const QString &) { return true; };
    int cancelAfter = -1; // copy progress calls before cancelling
    int progressCalls = 0;
    QString batchPath, batchArgs, analyzed;
    bool cleared = false;
    void print(const QString &line) override { lines << line; }
    bool confirm(const QString &q) override
    {
        questions << q;
        return answer(q);
    }
    bool copyProgress(const QString &, qint64, qint64) override
    {
        return cancelAfter >= 0 && ++progressCalls > cancelAfter;
    }
    void clearHistory() override { cleared = true; }
    QString historyText() const override { return lines.join(u'\n'); }
    void analyze(const QString &p) override { analyzed = p; }
    void runBatch(const QString &p, const QString &a) override
    {
        batchPath = p;
        batchArgs = a;
    }
};

class InterpreterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        interp.setThousandsSeparator(QStringLiteral(","));
        ASSERT_TRUE(interp.setDirectory(tmp.path()));
    }
    void write(const QString &name, qint64 size)
    {
        QFile f(tmp.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
    }
    QStringList run(const QString &line)
    {
        host.lines.clear();
        EXPECT_TRUE(interp.interpret(line)) << line.toStdString();
        return host.lines;
    }
    bool exists(const QString &name) const { return QFile::exists(tmp.filePath(name)); }
    QStringList entries() const
    {
        return QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir tmp;
    RecordingHost host;
    zfront::CommandInterpreter interp{host};
};

TEST_F(InterpreterTest, DirectoryCommands)
{
    EXPECT_EQ(run("dir"), QStringList{"No files found."});
    EXPECT_EQ(run("md"), QStringList{"MD - error, no directory name given."});
    EXPECT_EQ(run("MD sub"), QStringList{"sub was made."});
    EXPECT_EQ(run("mkdir sub"), QStringList{"Error, could not make sub"});
    EXPECT_EQ(run("cd nowhere"), QStringList{"Directory not found."});
    EXPECT_TRUE(run("cd sub").isEmpty());
    EXPECT_EQ(interp.directory(), QDir(tmp.path()).filePath("sub"));
    EXPECT_TRUE(run("cd..").isEmpty());
    EXPECT_EQ(interp.directory(), QDir::cleanPath(tmp.path()));
    EXPECT_TRUE(run("cd\\").isEmpty());
    EXPECT_EQ(interp.directory(), "/");
    ASSERT_TRUE(interp.setDirectory(tmp.path()));
    EXPECT_TRUE(run("c:").isEmpty()); // the only drive is the root
    EXPECT_EQ(interp.directory(), "/");
    ASSERT_TRUE(interp.setDirectory(tmp.path()));
    EXPECT_EQ(run("rd"), QStringList{"RD - error, no directory name given."});
    EXPECT_EQ(run("rd sub"), QStringList{"sub was removed."});
    EXPECT_EQ(run("rmdir sub"), QStringList{"Error, could not remove sub"});
}

TEST_F(InterpreterTest, DirListsEntriesWithTotals)
{
    write("a.zbx", 1500);
    write("b.txt", 20);
    run("md sub");
    const QStringList out = run("dir");
    ASSERT_EQ(out.size(), 5);
    EXPECT_TRUE(out[0].startsWith("sub") && out[0].contains("<DIR>")) << out[0].toStdString();
    EXPECT_TRUE(out[1].startsWith("a.zbx") && out[1].contains("1,500"));
    EXPECT_EQ(out[3], "1,520 bytes in 3 file(s).");
    EXPECT_TRUE(out[4].endsWith(" bytes free."));
    EXPECT_EQ(run("dir *.zbx").size(), 3);
    EXPECT_EQ(run("dir *.none"), QStringList{"No files found."});
}

TEST_F(InterpreterTest, WildcardRenameAndDelete)
{
    write("a.txt", 10);
    write("b.txt", 30);
    write("keep.dat", 5);
    EXPECT_EQ(run("ren a.txt"), QStringList{"Ren - error, must give input and output names."});
    EXPECT_EQ(run("ren *.txt *.bak"),
              (QStringList{"Renamed a.txt to a.bak", "Renamed b.txt to b.bak", "2 file(s) renamed."}));
    EXPECT_EQ(entries(), (QStringList{"a.bak", "b.bak", "keep.dat"}));
    // Renaming onto an existing name would lose that file.
    EXPECT_EQ(run("move a.bak keep.dat"), (QStringList{"Could not rename a.bak", "0 file(s) renamed."}));

    EXPECT_EQ(run("del"), QStringList{"Del - error, no file name given."});
    host.answer = [](const QString &q) { return q.contains("a.bak"); };
    EXPECT_EQ(run("erase *.bak"), (QStringList{"  a.bak was deleted.", "1 file(s) deleted.  10 bytes freed."}));
    EXPECT_EQ(host.questions, (QStringList{"Delete the file: a.bak ?", "Delete the file: b.bak ?"}));
    EXPECT_EQ(entries(), (QStringList{"b.bak", "keep.dat"}));
    EXPECT_EQ(run("del *.none"), QStringList{"No files found."});
}

TEST_F(InterpreterTest, CopyTotalsAndCancel)
{
    write("one.dat", 1200);
    write("two.dat", 300000);
    run("md out");
    const QStringList out = run("copy *.dat out");
    ASSERT_EQ(out.size(), 4);
    EXPECT_TRUE(out[0].startsWith("Copied one.dat to ") && out[0].endsWith("out/one.dat"));
    EXPECT_EQ(out[2], "2 file(s) copied.");
    EXPECT_EQ(out[3], "301,200 bytes copied.");
    EXPECT_EQ(QFileInfo(tmp.filePath("out/two.dat")).size(), 300000);
    EXPECT_EQ(run("copy"), QStringList{"Copy - error, must give an input name."});
    EXPECT_EQ(run("copy one.dat one.dat"),
              (QStringList{"Could not copy one.dat", "0 file(s) copied.", "0 bytes copied."}));

    // Cancelled in the middle of the big file: nothing half-written is left.
    host.cancelAfter = 0;
    EXPECT_EQ(run("copy two.dat three.dat"),
              (QStringList{"Copy was cancelled.", "0 file(s) copied.", "0 bytes copied."}));
    EXPECT_EQ(entries(), (QStringList{"one.dat", "out", "two.dat"}));
}

TEST_F(InterpreterTest, Attributes)
{
    write("f.dat", 1);
    EXPECT_EQ(run("attrib"), QStringList{"Attribute command error."});
    EXPECT_EQ(run("attrib +Q f.dat"), QStringList{"Attribute command error."});
    EXPECT_EQ(run("attrib +r none.dat"), QStringList{"No files found."});
    EXPECT_EQ(run("attrib +r f.dat"), QStringList{"Attributes from '' to 'R' on f.dat"});
    EXPECT_FALSE(QFileInfo(tmp.filePath("f.dat")).permissions() & QFile::WriteOwner);
    EXPECT_EQ(run("attr -R f.dat"), QStringList{"Attributes from 'R' to '' on f.dat"});
    EXPECT_EQ(run("attrib +s f.dat"), QStringList{"Error changing attributes of f.dat"});
}

TEST_F(InterpreterTest, HistoryEchoAndHooks)
{
    EXPECT_EQ(run("@echo  hello there"), QStringList{"hello there"});
    EXPECT_TRUE(run("rem anything at all").isEmpty());
    EXPECT_TRUE(run("cls").isEmpty());
    EXPECT_TRUE(host.cleared);
    host.lines = QStringList{"line one", "line two"};
    EXPECT_TRUE(interp.interpret("savehist hist"));
    EXPECT_EQ(host.lines.last(), "  History saved to hist.txt");
    QFile f(tmp.filePath("hist.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("line one\nline two\n"));
    EXPECT_EQ(run("savehist nodir/h.log"), QStringList{"Error saving to nodir/h.log"});
    EXPECT_EQ(run("type missing.txt"), QStringList{"Error displaying the file missing.txt"});
    run("zbxtune \"my movie\"");
    EXPECT_EQ(host.analyzed, QDir(tmp.path()).filePath("my movie.zbx"));

    write("job.zbt", 3);
    EXPECT_TRUE(run("job first second").isEmpty());
    EXPECT_EQ(host.batchPath, tmp.filePath("job.zbt"));
    EXPECT_EQ(host.batchArgs, "first second");
    EXPECT_FALSE(interp.interpret("zorbplw movie.zbx")); // not built in: started as a program
    EXPECT_FALSE(interp.interpret("nojob"));
}

TEST(WildcardTarget, DosRules)
{
    struct Case {
        const char *source, *pattern, *expected;
    } cases[] = {
        {"a.txt", "*.bak", "a.bak"},
        {"f1.txt", "??_old.*", "f1_old.txt"},
        {"a.b.txt", "*.x", "a.b.x"},
        {"readme", "*.txt", "readme.txt"},
        {"movie.zbx", "new_*", "new_movie.zbx"},
        {"movie.zbx", "plain.name", "plain.name"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(zfront::WildcardTarget(c.source, c.pattern), c.expected) << c.source << " " << c.pattern;
}

} // namespace

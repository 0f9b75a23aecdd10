// The real zorblaxw end to end, headless: batch files collecting the tools'
// reports in order, exit statuses, a tool started from the command tab
// reporting through the socket, and a screenshot under Xvfb.
#include "frontend/core/commandrunner.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/commandtab.h"
#include "frontend/ui/mainwindow.h"
#include "frontend/ui/playform.h"
#include "tests/support/frontend_testing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using namespace zfront;

namespace {

using namespace zorb::test;

const QString kBin = QStringLiteral(ZORB_BINARY_DIR "/bin");
const QString kDemo = QStringLiteral(ZORB_BINARY_DIR "/demo/demo.zbx");

struct RunOutput {
    int status = -1;
    QString out, err;
};

// Runs zorblaxw with private runtime and configuration directories.
RunOutput RunFrontEnd(const QStringList &args, const QString &dir, int timeoutMs = 120000, bool runtimeDir = true)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    if (runtimeDir)
        env.insert("XDG_RUNTIME_DIR", dir + "/run");
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("SDL_VIDEODRIVER", "offscreen");
    env.insert("SDL_AUDIODRIVER", "dummy");
    QDir().mkpath(dir + "/run");
    QFile::setPermissions(dir + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(kBin + "/zorblaxw", args);
    RunOutput r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.out = "timed out\n" + QString::fromUtf8(p.readAllStandardOutput());
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void WriteFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(FrontEndBatch, CollectsReportsInOrder)
{
    ASSERT_TRUE(QFile::exists(kDemo));
    QTemporaryDir dir;
    WriteFile(dir.filePath("play.zbt"),
              QStringLiteral("zorbplw %1 /S /F /T0\r\nzbxinfo %1\r\necho done %2\r\n").arg(kDemo).toUtf8());
    const RunOutput r = RunFrontEnd({"--exit-after-batch", "play.zbt", "x", "y"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    const qsizetype banner = r.out.indexOf("\n  ZorbPlay - V");
    const qsizetype info = r.out.indexOf("\n  " + kDemo + ": 150 frames");
    const qsizetype done = r.out.indexOf("\ndone y\n");
    EXPECT_GT(banner, 0) << r.out.toStdString();
    EXPECT_GT(info, banner) << r.out.toStdString();
    EXPECT_GT(done, info) << r.out.toStdString();
    // The batch's commands went into the recent list of the settings file.
    QFile ini(dir.filePath("config/zorblax/Zorblax.INI"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("Recall0=echo done y"));
}

TEST(FrontEndBatch, ExitStatus)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("bad.zbt"), "echo before\nno-such-program-anywhere\n");
    RunOutput r = RunFrontEnd({"--exit-after-batch", "bad.zbt"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("no-such-program-anywhere\n  Command not found.")) << r.out.toStdString();
    WriteFile(dir.filePath("exit.zbt"), "echo one\nexit\necho two\n");
    r = RunFrontEnd({"--exit-after-batch", "exit.zbt"}, dir.path());
    EXPECT_EQ(r.status, 0); // "exit" ends the batch normally
    EXPECT_TRUE(r.out.contains("\none\n") && !r.out.contains("\ntwo\n")) << r.out.toStdString();
    r = RunFrontEnd({"--exit-after-batch", "missing.zbt"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(RunFrontEnd({"--help"}, dir.path()).status, 0);
    EXPECT_EQ(RunFrontEnd({"--no-such-option"}, dir.path()).status, 2);
    EXPECT_EQ(RunFrontEnd({"--exit-after-batch"}, dir.path()).status, 2);
}

// A tool that fails: its error text, its status and the line that started it
// are in the history, and the batch's exit status says a line failed.
TEST(FrontEndBatch, FailingToolsSayWhyInTheHistory)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("fail.zbt"), "zorbplw nosuch.zbx /T0\nsndproc only-one-name.wav\necho still here\n");
    const RunOutput r = RunFrontEnd({"--exit-after-batch", "fail.zbt"}, dir.path());
    EXPECT_EQ(r.status, 1) << r.out.toStdString();
    const qsizetype play = r.out.indexOf("zorbplw nosuch.zbx /T0\n");
    const qsizetype why = r.out.indexOf("nosuch.zbx", play + 10);
    const qsizetype ended = r.out.indexOf("zorbplw: ended with status 1\n");
    EXPECT_GE(play, 0) << r.out.toStdString();
    EXPECT_GT(why, play) << r.out.toStdString();
    EXPECT_GT(ended, why) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("sndproc: ended with status 2")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\nstill here")) << r.out.toStdString();
    // A normal run says nothing of Qt's own, even without a runtime directory.
    const RunOutput quiet = RunFrontEnd({"--exit-after-batch", "echo.zbt"}, dir.path(), 120000, false);
    for (const RunOutput *o : {&r, &quiet}) {
        EXPECT_FALSE(o->err.contains("QStandardPaths")) << o->err.toStdString();
        EXPECT_FALSE(o->err.contains("propagateSizeHints")) << o->err.toStdString();
    }
}

// "--exit-after-batch" runs where the shell stands (not in the directory the
// settings remember); a line naming a batch file runs it with its own
// arguments; too deep a nesting stops with a clear error; a line that fails
// makes the exit status 1.
TEST(FrontEndBatch, RunsHereNestsAndCountsFailures)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    QDir().mkpath(d + "/config/zorblax");
    WriteFile(d + "/config/zorblax/Zorblax.INI", "[ZorbCommand]\nDirectory=/\n");
    WriteFile(d + "/marker-here.txt", "x");
    WriteFile(d + "/outer.zbt", "dir marker-here.txt\ninner first %1\necho back in outer %1\n");
    WriteFile(d + "/inner.zbt", "echo inner got %2 and %1\n");
    RunOutput r = RunFrontEnd({"--exit-after-batch", "outer.zbt", "X"}, d);
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("marker-here.txt")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("No files found.")) << r.out.toStdString();
    const qsizetype inner = r.out.indexOf("\ninner got X and first\n");
    EXPECT_GT(inner, 0) << r.out.toStdString();
    EXPECT_GT(r.out.indexOf("\nback in outer X\n"), inner) << r.out.toStdString();

    WriteFile(d + "/loop.zbt", "echo level %1\nloop.zbt deeper\n");
    r = RunFrontEnd({"--exit-after-batch", "loop.zbt", "top"}, d);
    EXPECT_EQ(r.status, 1) << r.out.toStdString();
    EXPECT_EQ(r.out.count("\nlevel "), 8) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Batch files nested more than 8 deep: loop.zbt was not run.")) << r.out.toStdString();

    for (const char *failing : {"dir nosuch*.xyz", "cd /no/such/directory", "ren nothing-here.txt b.txt"}) {
        WriteFile(d + "/one.zbt", QByteArray("echo before\n") + failing + "\necho after\n");
        r = RunFrontEnd({"--exit-after-batch", "one.zbt"}, d);
        EXPECT_EQ(r.status, 1) << failing << "\n" << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("\nafter")) << r.out.toStdString();
    }
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
        FrontEndApp();
    }
    QTemporaryDir dir;
};

TEST_F(WindowTest, ToolStartedFromTheCommandTabReportsBack)
{
    Settings settings;
    zfront::MainWindow w(settings, QString());
    EXPECT_EQ(w.windowTitle(), "Zorblax for Windows");
    ASSERT_EQ(w.tabs()->count(), 8);
    const char *tabs[] = {"Main",   "Zorb", "Mixer", "Player", "Scriptor", "Graphics Processor", "Sound Processor",
                          "Command"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(w.tabs()->tabText(i), tabs[i]);
    w.runner().setOwnDirectory(kBin);
    w.runCommand(QString(), "zbxinfo " + kDemo);
    const QString expected = "  " + kDemo + ": 150 frames";
    EXPECT_TRUE(WaitFor([&] { return w.historyText().contains(expected); })) << w.historyText().toStdString();
    EXPECT_EQ(settings.recentCommands.value(0), "zbxinfo " + kDemo);
}

// "&Play" on the player tab: only a file that starts with "ZBX2" goes to the
// player, which gets the tab's switches and the link number and reports back
// through the socket into the history.
TEST_F(WindowTest, PlayButtonPlaysTheDemoAndThePlayerReportsBack)
{
    qputenv("SDL_VIDEODRIVER", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    WriteFile(dir.filePath("fake.zbx"), "not a Zorblax file");
    Settings settings;
    settings.play.Directory = QFileInfo(kDemo).absolutePath();
    settings.play.Filename = "demo.zbx";
    settings.play.FrameRate = true; // as fast as possible
    settings.play.Tracks = 0;
    zfront::MainWindow w(settings, QString());
    w.runner().setOwnDirectory(kBin);
    w.tabs()->setCurrentIndex(3);
    w.show(); // the tab fills its controls from the settings when shown
    auto *tab = qobject_cast<PlayForm *>(w.tabs()->currentWidget());
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(WaitFor([&] { return tab->isVisible(); }));
    // (else "&Play" would ask for a file)
    ASSERT_EQ(tab->browser()->currentPath().toStdString(), kDemo.toStdString());
    auto *play = tab->findChild<QPushButton *>("run");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->text(), "&Play");
    play->click();
    EXPECT_TRUE(WaitFor([&] { return w.historyText().contains("\n  ZorbPlay - V"); })) << w.historyText().toStdString();
    EXPECT_TRUE(w.historyText().contains("zorbplw demo.zbx /F/T0\n")) << w.historyText().toStdString();
    EXPECT_EQ(settings.recentFiles.value(0), kDemo);
    w.hide();

    // Only the first four bytes decide.
    EXPECT_TRUE(toolcmd::isZorblaxFile(kDemo));
    EXPECT_FALSE(toolcmd::isZorblaxFile(dir.filePath("fake.zbx")));
}

TEST(Screenshot, UnderXvfb)
{
    QTemporaryDir dir;
    ExpectPassesUnderXvfb("Screenshot.InXvfb", "ZORB_SHOT_DIR='" + dir.path().toStdString() + "'");
}

TEST(Screenshot, InXvfb)
{
    if (!InsideXvfb())
        GTEST_SKIP() << "runs under Xvfb only";
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    // Its own application, gone before the X connection's statics are.
    int argc = 1;
    char name[] = "test_frontend_e2e";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    Settings settings;
    settings.main.X = 10;
    settings.main.Y = 10;
    zfront::MainWindow w(settings, QString());
    w.runCommand(QString(), "echo The history shows this line");
    w.runCommand(QString(), "echo and this one");
    w.tabs()->setCurrentWidget(w.commandTab());
    w.show();
    ASSERT_TRUE(WaitFor([&] { return w.isVisible() && w.windowHandle() && w.windowHandle()->isExposed(); }));
    WaitFor([] { return false; }, 500); // let the window manager-less server settle
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    ASSERT_FALSE(shot.isNull());
    shot.save(qEnvironmentVariable("ZORB_SHOT_DIR") + "/main.png");
    // The history control on the screen: its white page holds dark text.
    QPlainTextEdit *h = w.commandTab()->history();
    const QRect r(h->viewport()->mapToGlobal(QPoint(0, 0)), h->viewport()->size());
    int light = 0, dark = 0;
    for (int y = r.top(); y < r.top() + 40 && y < shot.height(); ++y)
        for (int x = r.left(); x < r.right() && x < shot.width(); ++x) {
            const int g = qGray(shot.pixel(x, y));
            light += g > 200;
            dark += g < 100;
        }
    EXPECT_GT(light, 1000);
    EXPECT_GT(dark, 50); // the two lines of text
}

} // namespace

// The main window as a user meets it: Enter runs the line as typed, the
// window keeps its place over restarts and stays on the screen whatever the
// settings and the recent commands hold, and under a real X server with a
// window manager the main window and every tab fit 1024 x 768.
#include "frontend/core/commandrunner.h"
#include "frontend/core/settings.h"
#include "frontend/ui/commandtab.h"
#include "frontend/ui/mainwindow.h"
#include "tests/support/frontend_testing.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <string>

using namespace zfront;

namespace {

using namespace zorb::test;

class MainWindowTest : public ::testing::Test {
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

TEST_F(MainWindowTest, EnterRunsTheLineAsTypedAndTabCompletes)
{
    zfront::CommandTab tab;
    tab.setRecall({"echo hello  world", "cd /tmp", "dir *.zbx", "ren a.txt b.txt"});
    QStringList run;
    QObject::connect(&tab, &zfront::CommandTab::commandEntered, [&](const QString &c) { run << c; });
    tab.show();
    QLineEdit *line = tab.commandLine()->lineEdit();
    line->setFocus();
    for (const char *prefix : {"ec", "cd", "di", "re"}) {
        QTest::keyClicks(line, prefix);
        QTest::keyClick(line, Qt::Key_Return);
    }
    EXPECT_EQ(run, (QStringList{"ec", "cd", "di", "re"}));
    EXPECT_EQ(line->text(), "");

    // Tab completes from the recent commands, and Tab again goes on.
    tab.setRecall({"echo one", "dir", "echo two"});
    QTest::keyClicks(line, "EC");
    QTest::keyClick(line, Qt::Key_Tab);
    EXPECT_EQ(line->text(), "echo one");
    QTest::keyClick(line, Qt::Key_Tab);
    EXPECT_EQ(line->text(), "echo two");
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_EQ(run.last(), "echo two");
    // The drop-down puts a recent command in the line.
    tab.commandLine()->setCurrentIndex(1);
    EXPECT_EQ(line->text(), "dir");
}

TEST(WindowPlace, SavedPlaceKeptOnlyWhenOnTheScreen)
{
    const QRect screen(0, 0, 1024, 768);
    const QSize size(760, 540);
    const QRect centred(132, 114, 760, 540);
    struct Case {
        int x, y;
        QRect expected;
    };
    const Case cases[] = {
        {Settings::Centred, Settings::Centred, centred},
        {18, 75, QRect(18, 75, 760, 540)},
        {500, 400, QRect(500, 400, 760, 540)}, // partly off, most of it still shows
        {14, -5, centred},                     // the title bar would be off the top
        {-5000, 100, centred},
        {3000, 3000, centred},
        {900, 700, centred}, // a corner only
    };
    for (const Case &c : cases)
        EXPECT_EQ(zfront::WindowPlace(c.x, c.y, size, screen), c.expected) << c.x << "," << c.y;
    // A screen smaller than the window: the window is cut to it.
    EXPECT_EQ(zfront::WindowPlace(0, 0, size, QRect(0, 0, 640, 480)), QRect(0, 0, 640, 480));
}

// Opens the window on the settings file, shows it and closes it (which saves).
QRect OpenAndClose(const QString &path, std::function<void(zfront::MainWindow &)> also = {})
{
    Settings s;
    s.load(path);
    zfront::MainWindow w(s, path);
    w.show();
    WaitFor([&] { return w.windowHandle() && w.windowHandle()->isExposed(); }, 5000);
    if (also)
        also(w);
    const QRect g = w.geometry();
    w.close();
    return g;
}

TEST_F(MainWindowTest, PlaceStableOverRestartsAndKeptOnTheScreen)
{
    const QString path = dir.filePath("Zorblax.INI");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[ZorbMain]\nX=18\nY=75\nCurrentTab=7\n");
    f.close();
    const QRect first = OpenAndClose(path);
    EXPECT_EQ(first.topLeft(), QPoint(18, 75));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(OpenAndClose(path), first) << "restart " << i;
    Settings saved;
    saved.load(path);
    EXPECT_EQ(QPoint(saved.main.X, saved.main.Y), QPoint(18, 75));

    // Far outside the screen: centred on it instead.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[ZorbMain]\nX=-20000\nY=50000\nCurrentTab=0\n");
    f.close();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed = OpenAndClose(path);
    EXPECT_TRUE(available.contains(placed.topLeft())) << placed.x() << "," << placed.y();
}

// The smallest size of the window on each tab.
QList<QSize> MinimumSizes(Settings &s, const std::function<void(zfront::MainWindow &)> &before = {})
{
    zfront::MainWindow w(s, QString());
    if (before)
        before(w);
    w.show();
    QList<QSize> sizes;
    for (int i = 0; i < w.tabs()->count(); ++i) {
        w.tabs()->setCurrentIndex(i);
        QApplication::processEvents();
        sizes << w.minimumSizeHint();
    }
    return sizes;
}

TEST_F(MainWindowTest, LongEntriesNeverWidenTheWindow)
{
    Settings plain;
    plain.command.Directory = dir.path();
    const QList<QSize> usual = MinimumSizes(plain);

    // A 3,000-character recent command and a very deep directory.
    QString deep = dir.path();
    for (int i = 0; i < 12; ++i)
        deep += u'/' + QString(60, QLatin1Char('a' + i));
    ASSERT_TRUE(QDir().mkpath(deep));
    Settings s;
    s.recentCommands = {"echo " + QString(3000, u'x'), "dir"};
    s.command.Directory = deep;
    s.recentDirs = {deep};
    s.zorb.Directory = s.play.Directory = s.graphics.Directory = deep;
    QString tooltip;
    const QList<QSize> sizes = MinimumSizes(s, [&](zfront::MainWindow &w) {
        w.runCommand(QString(), "echo " + QString(3000, u'y'));
        tooltip = w.commandTab()->commandLine()->itemData(0, Qt::ToolTipRole).toString();
    });
    ASSERT_EQ(sizes.size(), 8);
    for (int i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(sizes[i], usual[i]) << "tab " << i;
        EXPECT_LE(sizes[i].width(), 1024) << "tab " << i;
        EXPECT_LE(sizes[i].height(), 768) << "tab " << i;
    }
    // The whole command is still there to be read.
    EXPECT_EQ(tooltip.size(), 3005);
}

// Under Xvfb with openbox managing the windows: the main window on every tab
// fits the 1024 x 768 screen, and its place does not creep over restarts.
TEST(WindowManager, UnderXvfb)
{
    QTemporaryDir dir;
    ExpectPassesUnderXvfb("WindowManager.InXvfb", "ZORB_SHOT_DIR='" + dir.path().toStdString() + "'");
}

TEST(WindowManager, InXvfb)
{
    if (!InsideXvfb())
        GTEST_SKIP() << "runs under Xvfb only";
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    int argc = 1;
    char name[] = "test_frontend_e2e";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QProcess wm;
    const bool haveWm = !QStandardPaths::findExecutable("openbox").isEmpty();
    if (haveWm) {
        wm.start("openbox", {"--sm-disable"});
        ASSERT_TRUE(wm.waitForStarted());
        WaitFor([] { return false; }, 1000);
    }
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_EQ(screen.size(), QSize(1024, 768));
    const QString shots = qEnvironmentVariable("ZORB_SHOT_DIR");

    const QString path = dir.filePath("Zorblax.INI");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[ZorbMain]\nX=18\nY=75\nCurrentTab=0\n");
    f.close();
    QList<QRect> places;
    for (int run = 0; run < 6; ++run) {
        Settings s;
        s.load(path);
        zfront::MainWindow w(s, path);
        w.show();
        ASSERT_TRUE(WaitFor([&] { return w.windowHandle() && w.windowHandle()->isExposed(); }));
        WaitFor([] { return false; }, 400); // the window manager's frame
        if (run == 0) {
            for (int i = 0; i < w.tabs()->count(); ++i) {
                w.tabs()->setCurrentIndex(i);
                WaitFor([] { return false; }, 200);
                EXPECT_TRUE(screen.contains(w.frameGeometry()))
                    << "tab " << i << ": " << w.frameGeometry().width() << "x" << w.frameGeometry().height() << "+"
                    << w.frameGeometry().x() << "+" << w.frameGeometry().y();
                EXPECT_LE(w.minimumSizeHint().width(), screen.width()) << "tab " << i;
                EXPECT_LE(w.minimumSizeHint().height(), screen.height()) << "tab " << i;
                if (!shots.isEmpty())
                    QGuiApplication::primaryScreen()->grabWindow(0).save(
                        QStringLiteral("%1/tab%2.png").arg(shots).arg(i));
            }
        }
        places << w.geometry();
        w.close();
    }
    for (int run = 1; run < places.size(); ++run)
        EXPECT_EQ(places[run].topLeft(), places[0].topLeft()) << "restart " << run;
    if (haveWm) {
        wm.terminate();
        if (!wm.waitForFinished(3000))
            wm.kill();
        wm.waitForFinished();
    }
}

} // namespace

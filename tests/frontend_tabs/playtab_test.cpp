// The player tab: "&Play" on the demo really plays it and the player reports
// back; other files are viewed by kind; "Play &Last"; the video switch.
#include "tabs_support.h"

#include "frontend/ui/filepane.h"
#include "frontend/ui/playform.h"
#include "tests/support/link_server.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zfront;

namespace {

TEST(PlayForm, PlaysTheDemoWithTheTabsSwitches)
{
    const QString demo = ZORB_BINARY_DIR "/demo/demo.zbx";
    ASSERT_TRUE(QFile::exists(demo));
    zorb::test::LinkServer frontEnd;
    FakeHost host;
    host.execute = true;
    host.link = frontEnd.frontEnd();
    host.settings_.play.Directory = ZORB_BINARY_DIR "/demo";
    host.settings_.play.Filename = "demo.zbx";
    host.settings_.play.FrameRate = true; // as fast as possible
    host.settings_.play.Tracks = 1;
    PlayForm tab(host);
    tab.show();
    tab.play();
    ASSERT_EQ(host.commands, QStringList{ZORB_BINARY_DIR "/demo: zorbplw demo.zbx /F/T1"});
    EXPECT_EQ(host.statuses, QList<int>{0});
    ASSERT_TRUE(frontEnd.waitForMessages(3, 5000));
    EXPECT_EQ(frontEnd.messages().back().code, 4660u);
    EXPECT_EQ(frontEnd.messages().back().text().rfind("ZorbPlay", 0), 0u) << frontEnd.messages().back().text();
    EXPECT_EQ(host.settings_.recentFiles.front(), demo);
}

TEST(PlayForm, ViewsPlaysLastAndBuildsTheVideoSwitch)
{
    QTemporaryDir dir;
    {
        QFile f(dir.filePath("clips.lst"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a.zbx\n");
        QFile z(dir.filePath("fake.zbx"));
        ASSERT_TRUE(z.open(QIODevice::WriteOnly));
        z.write("ZBX2 and more");
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(dir.filePath("pic.png")));
    }
    FakeHost host;
    host.settings_.play.Directory = dir.path();
    host.settings_.play.Filter = 1; // all files
    PlayForm tab(host);
    tab.show();
    {
        Answers a({});
        tab.playLast();
        EXPECT_EQ(a.told, QStringList{"Sorry, no recent Zorblax file found."});
    }
    Answers none({});
    ASSERT_TRUE(tab.browser()->selectFile("clips.lst"));
    tab.play();
    tab.view(dir.filePath("pic.png"));
    tab.view(dir.filePath("my clip.ZBX"));
    host.settings_.recentFiles = {dir.filePath("x.avi"), dir.filePath("fake.zbx"), dir.filePath("old.zbx")};
    tab.playLast();
    const QString d = dir.path() + ": ";
    EXPECT_EQ(host.commands,
              QStringList({d + "DazuZoza clips.lst", d + "zorbplw \"my clip.ZBX\"", d + "zorbplw fake.zbx"}));
    EXPECT_EQ(host.images, QStringList{dir.filePath("pic.png")});
    EXPECT_TRUE(none.told.isEmpty());

    auto combos = tab.findChildren<QComboBox *>();
    auto find = [&](const QString &first) {
        for (QComboBox *c : combos)
            if (c->itemText(0) == first)
                return c;
        return static_cast<QComboBox *>(nullptr);
    };
    find("Automatic")->setCurrentIndex(2);
    find("Doubled pixels.")->setCurrentIndex(1);
    tab.browser()->selectFile("fake.zbx");
    tab.copyCommand();
    EXPECT_EQ(QApplication::clipboard()->text(), "zorbplw fake.zbx /V130");
    for (QCheckBox *c : tab.findChildren<QCheckBox *>())
        if (c->text() == "No blit acceleration (No DirectDraw)." || c->text() == "Play track 1.")
            c->toggle();
    tab.copyCommand();
    EXPECT_EQ(QApplication::clipboard()->text(), "zorbplw fake.zbx /V386/T126");
    tab.hide();
    EXPECT_EQ(host.settings_.play.Stretch, 1);
    EXPECT_TRUE(host.settings_.play.DirectDrawOff);
}

} // namespace

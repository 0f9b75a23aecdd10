// The mixer, graphics processor, sound processor and scriptor tabs, and a
// show/hide round of every tab that must leave the settings as they were.
#include "tabs_support.h"

#include "frontend/ui/filepane.h"
#include "frontend/ui/graphicsform.h"
#include "frontend/ui/mixform.h"
#include "frontend/ui/playform.h"
#include "frontend/ui/scriptform.h"
#include "frontend/ui/soundform.h"
#include "frontend/ui/zorbform.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>

using namespace zfront;

namespace {

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString copied(ToolForm &tab)
{
    tab.copyCommand();
    return QApplication::clipboard()->text();
}

TEST(OtherTabs, ShowingAndHidingKeepsEverySetting)
{
    QTemporaryDir dir;
    const QString d = QDir::cleanPath(dir.path());
    FakeHost host;
    Settings &s = host.settings_;
    s.zorb.Directory = s.mix.ZorbDirectory = s.mix.WaveDirectory = s.play.Directory = d;
    s.script.Directory = s.graphics.Directory = s.sound.Directory = d;
    // A few values away from their defaults on every tab.
    s.zorb.KeyCompressType = 2, s.zorb.KeyFramePerc = "85", s.zorb.PaletteStart = true, s.zorb.PaletteStartNum = "16";
    s.frameSpecific = {"1 5 0 0"};
    s.play.Tracks = 5, s.play.Stretch = 2, s.play.Simulate = true, s.play.SimulateNum = "150000";
    s.mix.Track = 4, s.mix.Format = 5, s.mix.ForceRate = "8000", s.mix.Rate = 4, s.mix.RateNum = "16000";
    s.graphics.PaletteType = 2, s.graphics.PaletteColors = true, s.graphics.OutputType = 3;
    s.sound.Quality = 1, s.sound.End = true, s.sound.EndNum = "900";
    s.script.FindText = "label", s.script.GotoLine = "12";
    const Settings before = s;
    std::unique_ptr<ToolForm> tabs[] = {std::make_unique<ZorbForm>(host),  std::make_unique<PlayForm>(host),
                                        std::make_unique<MixForm>(host),   std::make_unique<GraphicsForm>(host),
                                        std::make_unique<SoundForm>(host), std::make_unique<ScriptForm>(host)};
    for (auto &tab : tabs) {
        tab->show();
        tab->hide();
    }
    EXPECT_TRUE(s == before);
    EXPECT_EQ(s.zorb, before.zorb);
    EXPECT_EQ(s.play, before.play);
    EXPECT_EQ(s.mix, before.mix);
    EXPECT_EQ(s.graphics, before.graphics);
    EXPECT_EQ(s.sound, before.sound);
    EXPECT_EQ(s.script, before.script);
}

TEST(OtherTabs, MixerGraphicsAndSoundCommands)
{
    QTemporaryDir dir;
    for (const char *n : {"a.zbx", "b.wav", "p.bmp", "s.raw"})
        touch(dir.filePath(n));
    FakeHost host;
    Settings &s = host.settings_;
    s.mix.ZorbDirectory = s.mix.WaveDirectory = s.graphics.Directory = s.sound.Directory = dir.path();
    s.mix.ZorbFilename = "a.zbx", s.mix.WaveFilename = "b.wav";
    s.mix.Track = 3, s.mix.Lossy = 4;
    s.graphics.Filename = "p.bmp", s.graphics.OutputType = 1;
    s.graphics.PaletteColors = true, s.graphics.PaletteColorsNum = "200";
    s.sound.Filename = "s.raw", s.sound.Quality = 2, s.sound.Channels = 1;

    MixForm mix(host);
    mix.show();
    EXPECT_EQ(mix.outputEdit()->text(), "New_a.zbx");
    mix.mix();
    EXPECT_EQ(host.commands.back(), dir.path() + ": zorbmix a.zbx b.wav New_a.zbx /L4/M3");

    GraphicsForm graphics(host);
    graphics.show();
    EXPECT_EQ(copied(graphics), "pictproc p.bmp p.flc /Q200");
    graphics.setPaletteSource(2); // true colour: the palette controls are off
    EXPECT_EQ(copied(graphics), "pictproc p.bmp p.flc /A");
    for (QCheckBox *c : graphics.findChildren<QCheckBox *>()) {
        if (c->text() == "Total palette colors to use:") {
            EXPECT_FALSE(c->isEnabled());
        }
    }
    graphics.convert();
    EXPECT_EQ(host.commands.back(), dir.path() + ": pictproc p.bmp p.flc /A");

    SoundForm sound(host);
    sound.show();
    EXPECT_EQ(sound.outputEdit()->text(), "s.wav");
    sound.convert();
    EXPECT_EQ(host.commands.back(), dir.path() + ": sndproc s.raw s.wav /B16/C1");
}

TEST(OtherTabs, ScriptorRunsEditsAndSaves)
{
    QTemporaryDir dir;
    touch(dir.filePath("show.zs"), "; a show\nprint \"one\"\nlabel end\n");
    FakeHost host;
    host.settings_.script.Directory = dir.path();
    host.settings_.script.Filename = "show.zs";
    ScriptForm tab(host);
    tab.show();
    tab.runHighlighted();
    EXPECT_EQ(host.commands.back(), dir.path() + ": zorbscw show.zs");

    tab.newScript();
    {
        Answers a({});
        tab.runEdited();
        EXPECT_EQ(a.told, QStringList{"Error: this script hasn't been saved yet."});
    }
    tab.editHighlighted();
    EXPECT_EQ(tab.editedPath(), dir.filePath("show.zs"));
    tab.findChildren<QLineEdit *>().at(1)->setText("label");
    EXPECT_TRUE(tab.findNext());
    EXPECT_EQ(tab.editor()->textCursor().blockNumber(), 2);
    tab.findChildren<QLineEdit *>().at(2)->setText("2");
    EXPECT_TRUE(tab.goToLine());
    EXPECT_EQ(tab.editor()->textCursor().blockNumber(), 1);

    tab.editor()->appendPlainText("goto end");
    {
        Answers yes({0});
        tab.runEdited();
        EXPECT_EQ(yes.asked.size(), 1);
    }
    QFile f(dir.filePath("show.zs"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().endsWith("goto end"));
    EXPECT_EQ(host.commands.size(), 2);
    EXPECT_EQ(host.settings_.recentFiles.front(), dir.filePath("show.zs"));
}

} // namespace

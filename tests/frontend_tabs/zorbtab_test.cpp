// The compressor tab: its compression lists, its settings across a restart,
// selection processing, and a real compression of a generated BMP sequence.
#include "tabs_support.h"

#include "frontend/core/toolcommands.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/zorbform.h"
#include "tests/support/gfx_images.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace zfront;

namespace {

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(ZorbForm, CompressionListKeepsEachIndexValue)
{
    FakeHost host;
    ZorbForm tab(host);
    tab.show();
    QComboBox *list = tab.regularList();
    QLineEdit *edit = tab.regularEdit();
    EXPECT_EQ(edit->text(), "240000");
    list->setCurrentIndex(1);
    EXPECT_EQ(edit->text(), "80");
    edit->selectAll();
    QTest::keyClicks(edit, "65");
    list->setCurrentIndex(3);
    EXPECT_EQ(edit->text(), "30");
    list->setCurrentIndex(4);
    EXPECT_FALSE(edit->isVisible());
    list->setCurrentIndex(0);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->text(), "240000");
    list->setCurrentIndex(1);
    EXPECT_EQ(edit->text(), "65");
    tab.hide(); // written back
    EXPECT_EQ(host.settings_.zorb.NormalFilePerc, "65");
    EXPECT_EQ(host.settings_.zorb.RegularCompressType, 1);
    EXPECT_EQ(host.settings_.zorb.NormalRate, "240000");
}

TEST(ZorbForm, SettingsSurviveARestartAndDefaultsAsk)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Zorblax.INI");
    {
        FakeHost host;
        host.settings_.frameSpecific = {"1 2 3 4"};
        host.settings_.zorb.Ring = true;
        ZorbForm tab(host);
        tab.show();
        tab.keyList()->setCurrentIndex(4);
        tab.hide();
        ASSERT_EQ(host.settings_.save(ini), QString());
    }
    FakeHost host;
    host.settings_.load(ini);
    ZorbForm tab(host);
    tab.show();
    EXPECT_EQ(tab.keyList()->currentIndex(), 4);
    tab.hide();
    EXPECT_TRUE(host.settings_.zorb.Ring);
    EXPECT_EQ(host.settings_.frameSpecific, QStringList{"1 2 3 4"});

    tab.show();
    {
        Answers no({1});
        tab.findChild<QPushButton *>("defaults")->click();
        EXPECT_EQ(no.asked, QStringList{"Reset all options to their default values?"});
    }
    EXPECT_EQ(tab.keyList()->currentIndex(), 4);
    {
        Answers yes({0});
        tab.findChild<QPushButton *>("defaults")->click();
    }
    EXPECT_EQ(tab.keyList()->currentIndex(), 3);
    tab.hide();
    EXPECT_FALSE(host.settings_.zorb.Ring);
    EXPECT_TRUE(host.settings_.frameSpecific.isEmpty());
}

TEST(ZorbForm, SelectionQuestionsAndCommands)
{
    QTemporaryDir dir;
    for (const char *n : {"a.flc", "b c.flc", "z.flc"})
        touch(dir.filePath(n));
    FakeHost host;
    host.settings_.zorb.Directory = dir.path();
    host.settings_.zorb.Filename = "b c.flc";
    host.settings_.zorb.KeyCompressType = 4;
    ZorbForm tab(host);
    tab.show();
    EXPECT_EQ(tab.outputEdit()->text(), "b c.zbx");
    tab.browser()->selectFile("a.flc");
    EXPECT_EQ(tab.outputEdit()->text(), "a.zbx");
    tab.browser()->selectFile("b c.flc");
    EXPECT_EQ(tab.outputEdit()->text(), "b c.zbx"); // follows while not typed over

    tab.copyCommand();
    EXPECT_EQ(QApplication::clipboard()->text(), "zorbc \"b c.flc\" \"b c.zbx\" /N240000/K0/A95/L0");
    {
        Answers none({});
        tab.run();
        EXPECT_TRUE(none.asked.isEmpty());
    }
    ASSERT_EQ(host.commands.size(), 1);
    EXPECT_EQ(host.commands[0], dir.path() + ": zorbc \"b c.flc\" \"b c.zbx\" /N240000/K0/A95/L0");
    EXPECT_EQ(host.settings_.recentFiles.front(), dir.filePath("b c.zbx"));

    // Same input and output name: "New_" in front of the output.
    tab.outputEdit()->setText("b c.flc");
    tab.run();
    EXPECT_TRUE(host.commands.back().endsWith("zorbc \"b c.flc\" \"New_b c.flc\" /N240000/K0/A95/L0"));

    // Several files, one by one: the batch file, then run and deleted.
    tab.browser()->findChildren<QListWidget *>().last()->selectAll();
    {
        Answers a({1, 0, 0}); // one by one, start now, delete afterwards
        tab.run();
        ASSERT_EQ(a.asked.size(), 3);
        EXPECT_TRUE(a.asked[0].startsWith("You have highlighted more than one file to process.  You can either"));
        EXPECT_TRUE(a.told.contains("Note that you can view the results of the one by one processing in the command "
                                    "history on the command tab."));
    }
    ASSERT_EQ(host.batches.size(), 1);
    QFile batch(host.batches[0]);
    ASSERT_TRUE(batch.open(QIODevice::ReadOnly));
    EXPECT_EQ(batch.readAll(), "CD " + dir.path().toUtf8() +
                                   "\nzorbc a.flc a.zbx /N240000/K0/A95/L0\n"
                                   "zorbc \"b c.flc\" \"b c.zbx\" /N240000/K0/A95/L0\n"
                                   "zorbc z.flc z.zbx /N240000/K0/A95/L0\n");
    EXPECT_EQ(host.commands.back(), dir.path() + ": Delete OneByOne.zbt");

    // Not started now: how to run it later.
    {
        Answers a({1, 1});
        tab.run();
        ASSERT_EQ(a.told.size(), 2);
        EXPECT_TRUE(a.told[1].contains("OneByOne2.zbt <Enter>"));
    }
}

TEST(ZorbForm, CompressesABmpSequenceEndToEnd)
{
    QTemporaryDir dir;
    std::vector<uint8_t> palette(768), pixels(32 * 24);
    for (int i = 0; i < 256; ++i)
        palette[3 * i] = static_cast<uint8_t>(i), palette[3 * i + 1] = static_cast<uint8_t>(255 - i),
                    palette[3 * i + 2] = static_cast<uint8_t>(i * 7);
    for (int f = 1; f <= 6; ++f) {
        for (size_t p = 0; p < pixels.size(); ++p)
            pixels[p] = static_cast<uint8_t>((p % 32 + p / 32 + static_cast<size_t>(f) * 3) & 63);
        const QString name = dir.filePath(QString("shot%1.bmp").arg(f, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(gfxsamples::WritePalettedImage("BMP3", name.toStdString(), 32, 24, pixels, palette));
    }
    FakeHost host;
    host.execute = true;
    host.settings_.zorb.Directory = dir.path();
    host.settings_.zorb.Filename = "shot0003.bmp";
    host.settings_.zorb.Overwrite = true;
    ZorbForm tab(host);
    tab.show();
    {
        Answers yes({0});
        tab.run();
        ASSERT_EQ(yes.asked.size(), 1);
        EXPECT_EQ(yes.asked[0], "This file appears to be part of a sequence of files (shot0001.bmp to shot0006.bmp)."
                                "\r\nDo you want to treat the sequence as a single animation?");
    }
    ASSERT_EQ(host.commands.size(), 1);
    EXPECT_EQ(host.commands[0], dir.path() + ": zorbc shot????.bmp*1-6 shot.zbx /N240000/K20/A95/L0 /O");
    ASSERT_EQ(host.statuses, QList<int>{0});

    QProcess info;
    info.start(ZORB_BINARY_DIR "/bin/zbxinfo", {dir.filePath("shot.zbx")});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_EQ(info.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("32 x 24")) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("frames\\W+6"))) << out.toStdString();
}

} // namespace

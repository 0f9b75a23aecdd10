// What the tool tabs take and what they run: every number field refuses what
// its rule does not take as it is typed; on settings files full of odd values
// the tab's "Copy command", the command its run button starts and
// "--print-command" are one and the same string; every control has a hint;
// nothing is left in the temporary directory.
#include "tabs_support.h"

#include "frontend/core/fieldrules.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/fieldvalidator.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/graphicsform.h"
#include "frontend/ui/mixform.h"
#include "frontend/ui/playform.h"
#include "frontend/ui/scriptform.h"
#include "frontend/ui/soundform.h"
#include "frontend/ui/zorbform.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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

std::vector<std::unique_ptr<ToolForm>> allTabs(FakeHost &host)
{
    std::vector<std::unique_ptr<ToolForm>> tabs;
    tabs.push_back(std::make_unique<ZorbForm>(host));
    tabs.push_back(std::make_unique<MixForm>(host));
    tabs.push_back(std::make_unique<PlayForm>(host));
    tabs.push_back(std::make_unique<ScriptForm>(host));
    tabs.push_back(std::make_unique<GraphicsForm>(host));
    tabs.push_back(std::make_unique<SoundForm>(host));
    return tabs;
}

// Types text into an emptied edit, key by key, as a user would.
QString typed(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    return edit->text();
}

TEST(FieldRules, CheckAndClampAgree)
{
    struct Case {
        FieldRule rule;
        const char *text, *state, *clamped;
    };
    const Case cases[] = {
        {rules::Number, "", "ok", ""},
        {rules::Number, "12345678", "ok", "12345678"},
        {rules::Number, "123456789", "bad", "99999999"},
        {rules::Number, "-5", "bad", ""},
        {rules::Number, "-12x 34", "bad", ""},
        {rules::Number, "12abc", "bad", "12"},
        {rules::Number, "  0042 ", "bad", "42"},
        {rules::Number, "\"", "bad", ""},
        {rules::Percent, "100", "ok", "100"},
        {rules::Percent, "999", "bad", "100"},
        {rules::Percent, "150", "bad", "100"},
        {rules::PercentOfAverage, "999", "ok", "999"},
        {rules::Track, "0", "part", "1"},
        {rules::Track, "8", "bad", "7"},
        {rules::PaletteColors, "300", "bad", "256"},
        {rules::FrameRate, "0", "part", "1"},
        {rules::Text, "any \"thing\"", "ok", "any \"thing\""},
    };
    for (const Case &c : cases) {
        const FieldState st = checkField(c.rule, QString::fromLatin1(c.text));
        const char *name = st == FieldState::Acceptable ? "ok" : st == FieldState::Intermediate ? "part" : "bad";
        EXPECT_STREQ(name, c.state) << c.text;
        const QString clamped = clampField(c.rule, QString::fromLatin1(c.text));
        EXPECT_EQ(clamped, QString::fromLatin1(c.clamped)) << c.text;
        // What the clamp gives is always what the field takes.
        EXPECT_EQ(checkField(c.rule, clamped), FieldState::Acceptable) << c.text;
    }
    EXPECT_EQ(clampInt(Index(3), 7), 2);
    EXPECT_EQ(clampInt(Index(3), -1), 0);
    EXPECT_EQ(clampInt(IntRule{1, 7}, 0), 1);
}

TEST(Fields, EveryNumberFieldRefusesWhatItsRuleDoesNot)
{
    FakeHost host;
    auto tabs = allTabs(host);
    int checked = 0;
    for (auto &tab : tabs) {
        tab->show();
        for (QLineEdit *edit : tab->findChildren<QLineEdit *>()) {
            auto *v = qobject_cast<const FieldValidator *>(edit->validator());
            if (!v)
                continue;
            ++checked;
            edit->setEnabled(true);
            const FieldRule rule = v->rule();
            for (const char *text : {"-12x 34", "999999999999", "\"7\"", "150", " 5"}) {
                const QString got = typed(edit, QString::fromLatin1(text));
                EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]*$")).match(got).hasMatch())
                    << text << " gave " << got.toStdString();
                EXPECT_LE(got.size(), rule.digits);
                if (!got.isEmpty()) {
                    EXPECT_LE(got.toLongLong(), rule.max) << text;
                }
            }
        }
        tab->hide();
    }
    // Rates, percentages, frames, sizes, tracks, times on the six tabs.
    EXPECT_GE(checked, 45);
}

TEST(Fields, TheCompressorsFieldsAsTheIssueTypedThem)
{
    FakeHost host;
    ZorbForm zorb(host);
    zorb.show();
    QComboBox *list = zorb.regularList();
    QLineEdit *value = zorb.regularEdit();
    EXPECT_EQ(typed(value, "-12x 34"), "1234"); // a data rate: digits only
    list->setCurrentIndex(3);                   // under a total error %.
    EXPECT_EQ(typed(value, "999"), "99");
    zorb.hide();
    EXPECT_EQ(host.settings_.zorb.NormalRate, "1234");
    EXPECT_EQ(host.settings_.zorb.NormalErrorPerc, "99");
    EXPECT_EQ(host.settings_.zorb.RegularCompressType, 3);

    PlayForm play(host);
    play.show();
    for (QLineEdit *e : play.findChildren<QLineEdit *>())
        if (qobject_cast<const FieldValidator *>(e->validator())) {
            EXPECT_EQ(typed(e, "\""), "");
        }
    play.hide();
}

// The odd values a settings file may hold, for every kind of key.
QString oddValue(QRandomGenerator &rng)
{
    static const char *const pool[] = {"",  "-12x 34", "999",  "150", "123456789", "\"",  "7",
                                       "0", "abc",     " 42 ", "-5",  "1",         "2",   "3",
                                       "4", "65535",   "12a",  "256", "300",       "8 9", "100"};
    if (rng.bounded(3) == 0)
        return QString::number(int(rng.bounded(400)) - 50);
    return QString::fromLatin1(pool[rng.bounded(int(std::size(pool)))]);
}

TEST(Commands, CopyRunAndPrintAreOneString)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = QDir::cleanPath(dir.path());
    touch(d + "/clip.flc");
    touch(d + "/movie.zbx", "ZBX2 and more");
    touch(d + "/tune.wav");
    touch(d + "/picture.bmp");
    touch(d + "/prog.zs");
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(d)); // --print-command writes names here bare

    // Every key of every section, from the file the defaults make.
    Settings defaults;
    ASSERT_EQ(defaults.save(d + "/keys.ini"), QString());
    QFile keysFile(d + "/keys.ini");
    ASSERT_TRUE(keysFile.open(QIODevice::ReadOnly));
    const QStringList keyLines = QString::fromUtf8(keysFile.readAll()).split(u'\n');

    QRandomGenerator rng(20261210);
    for (int round = 0; round < 25; ++round) {
        QString ini;
        for (const QString &line : keyLines) {
            const qsizetype eq = line.indexOf(u'=');
            const QString key = line.left(eq);
            // Places and names stay where the files are; everything else is odd.
            if (eq < 0 || key.contains(QLatin1String("Directory")) || key.contains(QLatin1String("Filter")) ||
                key.contains(QLatin1String("Filename")) || key.startsWith(QLatin1String("Output")) ||
                key == QLatin1String("PaletteFile") || line.startsWith(QLatin1String("Recall")) ||
                line.startsWith(QLatin1String("File")) || line.startsWith(QLatin1String("Dir")) ||
                line.startsWith(QLatin1String("Frame"))) {
                ini += line + u'\n';
                continue;
            }
            ini += key + u'=' + oddValue(rng) + u'\n';
        }
        if (round % 2)
            ini += QStringLiteral("[ZorbFrameSpecific]\nFrame0=50 60 300000 0\n");
        QFile f(d + "/odd.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ini.toUtf8());
        f.close();

        FakeHost host;
        Settings &s = host.settings_;
        s.load(d + "/odd.ini");
        s.zorb.Directory = s.mix.ZorbDirectory = s.mix.WaveDirectory = s.play.Directory = d;
        s.script.Directory = s.graphics.Directory = s.sound.Directory = d;
        s.zorb.Filename = "clip.flc", s.play.Filename = "movie.zbx", s.mix.ZorbFilename = "movie.zbx";
        s.mix.WaveFilename = "tune.wav", s.graphics.Filename = "picture.bmp", s.sound.Filename = "tune.wav";
        s.script.Filename = "prog.zs";
        const Settings loaded = s;

        struct Tab {
            std::unique_ptr<ToolForm> form;
            const char *name;
            QStringList files;
        };
        Tab tabs[] = {{std::make_unique<ZorbForm>(host), "zorb", {"clip.flc"}},
                      {std::make_unique<PlayForm>(host), "player", {"movie.zbx"}},
                      {std::make_unique<MixForm>(host), "mixer", {"movie.zbx", "tune.wav"}},
                      {std::make_unique<GraphicsForm>(host), "pictproc", {"picture.bmp"}},
                      {std::make_unique<SoundForm>(host), "sndproc", {"tune.wav"}},
                      {std::make_unique<ScriptForm>(host), "scriptor", {"prog.zs"}}};
        for (Tab &t : tabs) {
            QStringList printed;
            QString error;
            ASSERT_TRUE(toolcmd::printCommands(loaded, QLatin1String(t.name), t.files, &printed, error))
                << error.toStdString();
            ASSERT_EQ(printed.size(), 1);
            t.form->show();
            t.form->copyCommand();
            const QString copy = QApplication::clipboard()->text();
            host.commands.clear();
            auto *run = t.form->findChild<QPushButton *>(QStringLiteral("run"));
            ASSERT_NE(run, nullptr);
            run->click();
            ASSERT_EQ(host.commands.size(), 1) << t.name;
            const QString started = host.commands[0].mid(host.commands[0].indexOf(QLatin1String(": ")) + 2);
            EXPECT_EQ(copy, printed[0]) << t.name << " round " << round << "\n" << ini.toStdString();
            EXPECT_EQ(started, printed[0]) << t.name << " round " << round;
            t.form->hide();
        }
    }
    QDir::setCurrent(oldCwd);
}

TEST(Hints, EveryControlOfTheToolTabsHasOne)
{
    FakeHost host;
    auto tabs = allTabs(host);
    for (auto &tab : tabs) {
        tab->show();
        for (QWidget *w : tab->findChildren<QWidget *>())
            if (IsHintedControl(w)) {
                EXPECT_FALSE(w->toolTip().isEmpty())
                    << tab->metaObject()->className() << " " << w->metaObject()->className() << " \""
                    << w->accessibleName().toStdString() << "\" "
                    << (qobject_cast<QAbstractButton *>(w) ? qobject_cast<QAbstractButton *>(w)->text().toStdString()
                                                           : std::string());
            }
        tab->hide();
    }
}

TEST(Commands, CopyingLeavesNothingInTheTemporaryDirectory)
{
    const QStringList before = QDir(QDir::tempPath()).entryList(QDir::Files);
    QTemporaryDir dir;
    touch(dir.filePath("clip.flc"));
    FakeHost host;
    host.settings_.zorb.Directory = dir.path();
    host.settings_.zorb.Filename = "clip.flc";
    host.settings_.frameSpecific = {"50 60 300000 0"};
    ZorbForm tab(host);
    tab.show();
    for (int i = 0; i < 3; ++i)
        tab.copyCommand();
    const QString copy = QApplication::clipboard()->text();
    EXPECT_TRUE(copy.contains(QLatin1String("/@*"))) << copy.toStdString();
    tab.hide();
    QStringList added = QDir(QDir::tempPath()).entryList(QDir::Files);
    for (const QString &f : before)
        added.removeAll(f);
    added = added.filter(QRegularExpression(QStringLiteral("^zorb.*\\.txt$")));
    EXPECT_TRUE(added.isEmpty()) << added.join(u' ').toStdString();
}

} // namespace

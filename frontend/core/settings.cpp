#include "frontend/core/settings.h"

#include "frontend/core/fieldrules.h"
#include "frontend/core/inifile.h"
#include "frontend/core/safewrite.h"
#include "frontend/core/selection.h"
#include "frontend/core/toolcommands.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <iterator>
#include <type_traits>

namespace zfront {

namespace {

using selection::trimLow;

QString ownDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    char path[4096];
    if (PlatformSelfPath(path, sizeof path))
        return QFileInfo(QString::fromLocal8Bit(path)).absolutePath();
    return QDir::currentPath();
}

// What a setting without a rule of its own takes: texts any text, flags 0/1.
struct NoRuleT {};
constexpr NoRuleT NoRule{};

// The scalar settings of each section: f(section, key, member, rule).
template <class C, class F>
void forMainFields(C &c, F &f)
{
    const char *sec = "ZorbMain";
    f(sec, "Directory", c.Directory, NoRule);
    f(sec, "X", c.X, NoRule);
    f(sec, "Y", c.Y, NoRule);
    f(sec, "CurrentTab", c.CurrentTab, Index(8));
    f(sec, "ShowHints", c.ShowHints, NoRule);
}

template <class C, class F>
void forCompressorFields(C &z, F &f)
{
    const char *sec = "Zorb";
    f(sec, "Filename", z.Filename, NoRule);
    f(sec, "Directory", z.Directory, NoRule);
    f(sec, "OutputName", z.OutputName, NoRule);
    f(sec, "OutputBasedOn", z.OutputBasedOn, NoRule);
    f(sec, "Filter", z.Filter, NoRule);
    f(sec, "CurrentTab", z.CurrentTab, Index(5));
    f(sec, "RegularCompressType", z.RegularCompressType, Index(5));
    f(sec, "KeyCompressType", z.KeyCompressType, Index(5));
    f(sec, "NormalRate", z.NormalRate, rules::DataRate);
    f(sec, "KeyRate", z.KeyRate, rules::DataRate);
    f(sec, "NormalFilePerc", z.NormalFilePerc, rules::PercentOfAverage);
    f(sec, "KeyFilePerc", z.KeyFilePerc, rules::PercentOfAverage);
    f(sec, "NormalFramePerc", z.NormalFramePerc, rules::Percent);
    f(sec, "KeyFramePerc", z.KeyFramePerc, rules::Percent);
    f(sec, "NormalErrorPerc", z.NormalErrorPerc, rules::Percent);
    f(sec, "KeyErrorPerc", z.KeyErrorPerc, rules::Percent);
    f(sec, "AutoKeyFrame", z.AutoKeyFrame, rules::Percent);
    f(sec, "Effort", z.Effort, Index(11));
    f(sec, "YScale", z.YScale, Index(3));
    f(sec, "OutputType", z.OutputType, Index(int(std::size(toolcmd::ZorbOutputTypes))));
    f(sec, "KeyFrames", z.KeyFrames, NoRule);
    f(sec, "KeyFramesNum", z.KeyFramesNum, rules::Number);
    f(sec, "Start", z.Start, NoRule);
    f(sec, "End", z.End, NoRule);
    f(sec, "StartNum", z.StartNum, rules::Number);
    f(sec, "EndNum", z.EndNum, rules::Number);
    f(sec, "FrameRate", z.FrameRate, NoRule);
    f(sec, "FrameRateNum", z.FrameRateNum, rules::Number);
    f(sec, "Ring", z.Ring, NoRule);
    f(sec, "EveryOther", z.EveryOther, NoRule);
    f(sec, "Overwrite", z.Overwrite, NoRule);
    f(sec, "MixOriginal", z.MixOriginal, NoRule);
    f(sec, "X", z.X, NoRule);
    f(sec, "Y", z.Y, NoRule);
    f(sec, "W", z.W, NoRule);
    f(sec, "H", z.H, NoRule);
    f(sec, "XNum", z.XNum, rules::Number);
    f(sec, "YNum", z.YNum, rules::Number);
    f(sec, "WNum", z.WNum, rules::Number);
    f(sec, "HNum", z.HNum, rules::Number);
    f(sec, "PaletteEvery", z.PaletteEvery, NoRule);
    f(sec, "PaletteColors", z.PaletteColors, NoRule);
    f(sec, "PaletteStart", z.PaletteStart, NoRule);
    f(sec, "PaletteEveryNum", z.PaletteEveryNum, rules::Number);
    f(sec, "PaletteColorsNum", z.PaletteColorsNum, rules::PaletteColors);
    f(sec, "PaletteStartNum", z.PaletteStartNum, rules::PaletteIndex);
    f(sec, "Halftone", z.Halftone, Index(3));
    f(sec, "PaletteControl", z.PaletteControl, Index(3));
    f(sec, "WindowsColors", z.WindowsColors, Index(3));
    f(sec, "NoSound", z.NoSound, NoRule);
    f(sec, "LossySound", z.LossySound, Index(10));
    f(sec, "Rate", z.Rate, Index(5));
    f(sec, "Quality", z.Quality, Index(3));
    f(sec, "Channels", z.Channels, Index(3));
    f(sec, "PaletteFile", z.PaletteFile, NoRule);
    f(sec, "RateNum", z.RateNum, rules::SoundRate);
}

template <class C, class F>
void forMixerFields(C &m, F &f)
{
    const char *sec = "ZorbMix";
    f(sec, "ZorbFilename", m.ZorbFilename, NoRule);
    f(sec, "ZorbDirectory", m.ZorbDirectory, NoRule);
    f(sec, "OutputName", m.OutputName, NoRule);
    f(sec, "OutputBasedOn", m.OutputBasedOn, NoRule);
    f(sec, "WaveFilename", m.WaveFilename, NoRule);
    f(sec, "WaveDirectory", m.WaveDirectory, NoRule);
    f(sec, "FrameRateNum", m.FrameRateNum, rules::Number);
    f(sec, "StartNum", m.StartNum, rules::Number);
    f(sec, "SkipIntoNum", m.SkipIntoNum, rules::Bytes);
    f(sec, "InputStartNum", m.InputStartNum, rules::Number);
    f(sec, "InputEndNum", m.InputEndNum, rules::Number);
    f(sec, "InputTrackNum", m.InputTrackNum, rules::Track);
    f(sec, "ForceRate", m.ForceRate, rules::Bytes);
    f(sec, "ZorbFilter", m.ZorbFilter, NoRule);
    f(sec, "WaveFilter", m.WaveFilter, NoRule);
    f(sec, "Lossy", m.Lossy, Index(10));
    f(sec, "Format", m.Format, Index(6));
    f(sec, "CurrentTab", m.CurrentTab, Index(3));
    f(sec, "Rate", m.Rate, Index(5));
    f(sec, "Quality", m.Quality, Index(3));
    f(sec, "Channels", m.Channels, Index(3));
    f(sec, "Track", m.Track, IntRule{1, 7});
    f(sec, "RateNum", m.RateNum, rules::SoundRate);
    f(sec, "FrameRate", m.FrameRate, NoRule);
    f(sec, "Start", m.Start, NoRule);
    f(sec, "Loop", m.Loop, NoRule);
    f(sec, "Overwrite", m.Overwrite, NoRule);
    f(sec, "InputStart", m.InputStart, NoRule);
    f(sec, "InputEnd", m.InputEnd, NoRule);
    f(sec, "InputTrack", m.InputTrack, NoRule);
}

template <class C, class F>
void forPlayerFields(C &p, F &f)
{
    const char *sec = "ZorbPlay";
    f(sec, "Filename", p.Filename, NoRule);
    f(sec, "Directory", p.Directory, NoRule);
    f(sec, "LoopNum", p.LoopNum, rules::Number);
    f(sec, "FrameRateNum", p.FrameRateNum, rules::Number);
    f(sec, "XNum", p.XNum, rules::Number);
    f(sec, "YNum", p.YNum, rules::Number);
    f(sec, "WNum", p.WNum, rules::Number);
    f(sec, "HNum", p.HNum, rules::Number);
    f(sec, "SimulateNum", p.SimulateNum, rules::Number);
    f(sec, "ExtraMemNum", p.ExtraMemNum, rules::Number);
    f(sec, "Filter", p.Filter, NoRule);
    f(sec, "Display", p.Display, Index(5));
    f(sec, "Use", p.Use, Index(5));
    f(sec, "DisabledControls", p.DisabledControls, Index(8));
    f(sec, "YScale", p.YScale, Index(4));
    f(sec, "CurrentTab", p.CurrentTab, Index(4));
    f(sec, "Style", p.Style, Index(5));
    f(sec, "NoRemap", p.NoRemap, Index(3));
    f(sec, "Tracks", p.Tracks, IntRule{0, 127});
    f(sec, "Stretch", p.Stretch, Index(3));
    f(sec, "Loop", p.Loop, NoRule);
    f(sec, "FrameRate", p.FrameRate, NoRule);
    f(sec, "Preload", p.Preload, NoRule);
    f(sec, "ShowSummary", p.ShowSummary, NoRule);
    f(sec, "NoFrameDrop", p.NoFrameDrop, NoRule);
    f(sec, "X", p.X, NoRule);
    f(sec, "Y", p.Y, NoRule);
    f(sec, "W", p.W, NoRule);
    f(sec, "H", p.H, NoRule);
    f(sec, "ShowFrames", p.ShowFrames, NoRule);
    f(sec, "DirectSound", p.DirectSound, NoRule);
    f(sec, "DirectDrawOff", p.DirectDrawOff, NoRule);
    f(sec, "MMXOff", p.MMXOff, NoRule);
    f(sec, "SoundOnly", p.SoundOnly, NoRule);
    f(sec, "DoubleBuffer", p.DoubleBuffer, NoRule);
    f(sec, "NoClear", p.NoClear, NoRule);
    f(sec, "LoadExtra", p.LoadExtra, NoRule);
    f(sec, "NoPause", p.NoPause, NoRule);
    f(sec, "DeltasOnly", p.DeltasOnly, NoRule);
    f(sec, "Simulate", p.Simulate, NoRule);
    f(sec, "ExtraMem", p.ExtraMem, NoRule);
}

template <class C, class F>
void forScriptFields(C &c, F &f)
{
    const char *sec = "ZorbScript";
    f(sec, "Filename", c.Filename, NoRule);
    f(sec, "Directory", c.Directory, NoRule);
    f(sec, "GotoLine", c.GotoLine, rules::Number);
    f(sec, "FindText", c.FindText, NoRule);
    f(sec, "Filter", c.Filter, NoRule);
}

template <class C, class F>
void forGraphicsFields(C &g, F &f)
{
    const char *sec = "GraphicsProcessor";
    f(sec, "Filename", g.Filename, NoRule);
    f(sec, "Directory", g.Directory, NoRule);
    f(sec, "OutputName", g.OutputName, NoRule);
    f(sec, "OutputBasedOn", g.OutputBasedOn, NoRule);
    f(sec, "XOffsetNum", g.XOffsetNum, rules::Number);
    f(sec, "YOffsetNum", g.YOffsetNum, rules::Number);
    f(sec, "WidthNum", g.WidthNum, rules::Number);
    f(sec, "HeightNum", g.HeightNum, rules::Number);
    f(sec, "StartNum", g.StartNum, rules::Number);
    f(sec, "EndNum", g.EndNum, rules::Number);
    f(sec, "FrameRateNum", g.FrameRateNum, rules::Number);
    f(sec, "PaletteEveryNum", g.PaletteEveryNum, rules::Number);
    f(sec, "PaletteColorsNum", g.PaletteColorsNum, rules::PaletteColors);
    f(sec, "PaletteStartNum", g.PaletteStartNum, rules::PaletteIndex);
    f(sec, "Filter", g.Filter, NoRule);
    f(sec, "CurrentTab", g.CurrentTab, Index(2));
    f(sec, "OutputType", g.OutputType, Index(int(std::size(toolcmd::GraphicsOutputTypes))));
    f(sec, "PaletteType", g.PaletteType, Index(3));
    f(sec, "Halftone", g.Halftone, Index(3));
    f(sec, "PaletteControl", g.PaletteControl, Index(3));
    f(sec, "WindowsColors", g.WindowsColors, Index(3));
    f(sec, "XOffset", g.XOffset, NoRule);
    f(sec, "YOffset", g.YOffset, NoRule);
    f(sec, "Width", g.Width, NoRule);
    f(sec, "Height", g.Height, NoRule);
    f(sec, "Start", g.Start, NoRule);
    f(sec, "End", g.End, NoRule);
    f(sec, "Overwrite", g.Overwrite, NoRule);
    f(sec, "FrameRate", g.FrameRate, NoRule);
    f(sec, "PaletteEvery", g.PaletteEvery, NoRule);
    f(sec, "PaletteColors", g.PaletteColors, NoRule);
    f(sec, "PaletteStart", g.PaletteStart, NoRule);
    f(sec, "PaletteFile", g.PaletteFile, NoRule);
}

template <class C, class F>
void forSoundFields(C &d, F &f)
{
    const char *sec = "SoundProcessor";
    f(sec, "Filename", d.Filename, NoRule);
    f(sec, "Directory", d.Directory, NoRule);
    f(sec, "OutputName", d.OutputName, NoRule);
    f(sec, "OutputBasedOn", d.OutputBasedOn, NoRule);
    f(sec, "TrackNum", d.TrackNum, rules::Track);
    f(sec, "StartNum", d.StartNum, rules::Number);
    f(sec, "EndNum", d.EndNum, rules::Number);
    f(sec, "ForceRate", d.ForceRate, rules::Bytes);
    f(sec, "SkipBytes", d.SkipBytes, rules::Bytes);
    f(sec, "Filter", d.Filter, NoRule);
    f(sec, "Rate", d.Rate, Index(5));
    f(sec, "Quality", d.Quality, Index(3));
    f(sec, "Channels", d.Channels, Index(3));
    f(sec, "CurrentTab", d.CurrentTab, Index(2));
    f(sec, "InputType", d.InputType, Index(5));
    f(sec, "Overwrite", d.Overwrite, NoRule);
    f(sec, "Track", d.Track, NoRule);
    f(sec, "Start", d.Start, NoRule);
    f(sec, "End", d.End, NoRule);
    f(sec, "RateNum", d.RateNum, rules::SoundRate);
}

template <class C, class F>
void forCommandFields(C &c, F &f)
{
    const char *sec = "ZorbCommand";
    f(sec, "Directory", c.Directory, NoRule);
}

// Calls f(section, key, member, rule) for every scalar setting; rule is the
// number field's FieldRule, a list index's IntRule, or NoRule.
template <class S, class F>
void forEachField(S &s, F &&f)
{
    forMainFields(s.main, f);
    forCompressorFields(s.zorb, f);
    forMixerFields(s.mix, f);
    forPlayerFields(s.play, f);
    forScriptFields(s.script, f);
    forGraphicsFields(s.graphics, f);
    forSoundFields(s.sound, f);
    forCommandFields(s.command, f);
}

// Calls f(section, prefix, list, last index read) for every list section.
template <class S, class F>
void forEachList(S &s, F &&f)
{
    f("ZorbFrameSpecific", "Frame", s.frameSpecific, 256);
    f("ZorbRecentCommands", "Recall", s.recentCommands, 30);
    f("ZorbRecentFiles", "File", s.recentFiles, 30);
    f("ZorbRecentDirs", "Dir", s.recentDirs, 30);
}

} // namespace

Settings::Settings()
{
    main.Directory = ownDirectory();
    command.Directory = QDir::currentPath();
}

QString Settings::defaultFileName()
{
    return QStringLiteral("Zorblax.INI");
}

QString Settings::resolvePath(const QString &name)
{
    if (name.contains(QLatin1Char('/')))
        return name;
    char dir[4096];
    if (!PlatformConfigPath(nullptr, dir, sizeof dir))
        return name; // no home known: the current directory
    return QString::fromLocal8Bit(dir) + QLatin1Char('/') + name;
}

void Settings::load(const QString &path)
{
    *this = Settings();
    IniFile ini;
    ini.read(path);
    forEachField(*this, [&](const char *sec, const char *key, auto &member, const auto &rule) {
        using T = std::decay_t<decltype(member)>;
        using R = std::decay_t<decltype(rule)>;
        const QString section = QLatin1String(sec), name = QLatin1String(key);
        if constexpr (std::is_same_v<T, QString>) {
            // Number fields hold what their edit would accept: the same rule
            // checks what is typed.
            if (const std::optional<QString> v = ini.value(section, name)) {
                if constexpr (std::is_same_v<R, FieldRule>)
                    member = clampField(rule, *v);
                else
                    member = trimLow(*v);
            }
        } else if constexpr (std::is_same_v<T, bool>) {
            member = ini.intValue(section, name, member ? 1 : 0) != 0;
        } else {
            member = ini.intValue(section, name, member);
            if constexpr (std::is_same_v<R, IntRule>)
                member = clampInt(rule, member);
        }
    });
    forEachList(*this, [&](const char *sec, const char *prefix, QStringList &list, int last) {
        const QString section = QLatin1String(sec);
        if (qstrcmp(prefix, "Frame") == 0) {
            // The memo may have been saved with more lines than the usual
            // range; read on to the highest index present so none is lost.
            for (const QString &key : ini.keys(section))
                if (key.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) {
                    bool ok = false;
                    const int n = key.mid(qstrlen(prefix)).toInt(&ok);
                    if (ok && n > last && n < 1000000)
                        last = n;
                }
        }
        for (int i = 0; i <= last; ++i) {
            const QString v =
                trimLow(ini.value(section, QLatin1String(prefix) + QString::number(i)).value_or(QString()));
            if (!v.isEmpty())
                list << v;
        }
    });
}

FieldRule Settings::ruleOf(const QString *field) const
{
    FieldRule found;
    forEachField(*this, [&](const char *, const char *, const auto &member, const auto &rule) {
        if constexpr (std::is_same_v<std::decay_t<decltype(rule)>, FieldRule>)
            if (static_cast<const void *>(&member) == static_cast<const void *>(field))
                found = rule;
    });
    return found;
}

QString Settings::save(const QString &path) const
{
    IniFile ini;
    ini.read(path);
    forEachField(*this, [&](const char *sec, const char *key, const auto &member, const auto &) {
        using T = std::decay_t<decltype(member)>;
        QString text;
        if constexpr (std::is_same_v<T, QString>)
            text = member;
        else if constexpr (std::is_same_v<T, bool>)
            text = member ? QStringLiteral("1") : QStringLiteral("0");
        else
            text = QString::number(member);
        ini.setValue(QLatin1String(sec), QLatin1String(key), text);
    });
    forEachList(*this, [&](const char *sec, const char *prefix, const QStringList &list, int) {
        const QString section = QLatin1String(sec);
        ini.removeSection(section);
        int i = 0;
        for (const QString &entry : list)
            if (!trimLow(entry).isEmpty())
                ini.setValue(section, QLatin1String(prefix) + QString::number(i++), entry);
    });

    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString reason = writeWholeFile(path, ini.text());
    if (reason.isEmpty())
        return QString();
    return QStringLiteral("Error: the settings could not be saved to %1 (%2).").arg(path, reason);
}

void Settings::addRecent(QStringList &list, const QString &entry)
{
    const QString e = trimLow(entry);
    if (e.isEmpty())
        return;
    for (qsizetype i = list.size() - 1; i >= 0; --i)
        if (list[i].compare(e, Qt::CaseInsensitive) == 0)
            list.removeAt(i);
    list.prepend(e);
    while (list.size() > RecentMax)
        list.removeLast();
}

bool Settings::enterCommandDirectory()
{
    if (!command.Directory.isEmpty() && QDir::setCurrent(command.Directory))
        return true;
    command.Directory = QDir::currentPath();
    return false;
}

StartArguments parseStartArguments(const QStringList &arguments)
{
    StartArguments out;
    out.settingsPath = Settings::resolvePath(Settings::defaultFileName());
    for (const QString &arg : arguments) {
        if (arg.endsWith(QLatin1String(".zbt"), Qt::CaseInsensitive)) {
            out.batchFile = arg;
            continue;
        }
        QString name = arg;
        if (QFileInfo(name).suffix().isEmpty())
            name += QLatin1String(".INI");
        const QString path = Settings::resolvePath(name);
        IniFile ini;
        ini.read(path);
        if (ini.intValue(QStringLiteral("ZorbMain"), QStringLiteral("CurrentTab"), 8888) != 8888)
            out.settingsPath = path;
        break;
    }
    return out;
}

QString thousandsSeparator()
{
    QString sep = QLocale::system().groupSeparator();
    if (sep.isEmpty())
        sep = QStringLiteral(",");
    return sep.left(16);
}

QString groupDigits(qint64 value, const QString &separator)
{
    QString digits = QString::number(value < 0 ? -static_cast<quint64>(value) : static_cast<quint64>(value));
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, separator);
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace zfront

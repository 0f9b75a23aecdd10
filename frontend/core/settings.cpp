#include "frontend/core/settings.h"

#include "frontend/core/inifile.h"
#include "frontend/core/safewrite.h"
#include "frontend/core/selection.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <type_traits>

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

// Calls f(section, key, member, maxLength) for every scalar setting; maxLength
// is the length a numeric text field is cut to when read (0: no limit).
template <class S, class F>
void forEachField(S &s, F &&f)
{
    const char *sec = "ZorbMain";
    f(sec, "Directory", s.main.Directory, 0);
    f(sec, "X", s.main.X, 0);
    f(sec, "Y", s.main.Y, 0);
    f(sec, "CurrentTab", s.main.CurrentTab, 0);
    f(sec, "ShowHints", s.main.ShowHints, 0);

    auto &z = s.zorb;
    sec = "Zorb";
    f(sec, "Filename", z.Filename, 0);
    f(sec, "Directory", z.Directory, 0);
    f(sec, "OutputName", z.OutputName, 0);
    f(sec, "OutputBasedOn", z.OutputBasedOn, 0);
    f(sec, "Filter", z.Filter, 0);
    f(sec, "CurrentTab", z.CurrentTab, 0);
    f(sec, "RegularCompressType", z.RegularCompressType, 0);
    f(sec, "KeyCompressType", z.KeyCompressType, 0);
    f(sec, "NormalRate", z.NormalRate, 9);
    f(sec, "KeyRate", z.KeyRate, 9);
    f(sec, "NormalFilePerc", z.NormalFilePerc, 4);
    f(sec, "KeyFilePerc", z.KeyFilePerc, 4);
    f(sec, "NormalFramePerc", z.NormalFramePerc, 4);
    f(sec, "KeyFramePerc", z.KeyFramePerc, 4);
    f(sec, "NormalErrorPerc", z.NormalErrorPerc, 4);
    f(sec, "KeyErrorPerc", z.KeyErrorPerc, 4);
    f(sec, "AutoKeyFrame", z.AutoKeyFrame, 4);
    f(sec, "YScale", z.YScale, 0);
    f(sec, "Effort", z.Effort, 0);
    f(sec, "OutputType", z.OutputType, 0);
    f(sec, "KeyFrames", z.KeyFrames, 0);
    f(sec, "KeyFramesNum", z.KeyFramesNum, 8);
    f(sec, "Start", z.Start, 0);
    f(sec, "End", z.End, 0);
    f(sec, "StartNum", z.StartNum, 8);
    f(sec, "EndNum", z.EndNum, 8);
    f(sec, "FrameRate", z.FrameRate, 0);
    f(sec, "FrameRateNum", z.FrameRateNum, 8);
    f(sec, "Ring", z.Ring, 0);
    f(sec, "EveryOther", z.EveryOther, 0);
    f(sec, "Overwrite", z.Overwrite, 0);
    f(sec, "MixOriginal", z.MixOriginal, 0);
    f(sec, "X", z.X, 0);
    f(sec, "Y", z.Y, 0);
    f(sec, "W", z.W, 0);
    f(sec, "H", z.H, 0);
    f(sec, "XNum", z.XNum, 8);
    f(sec, "YNum", z.YNum, 8);
    f(sec, "WNum", z.WNum, 8);
    f(sec, "HNum", z.HNum, 8);
    f(sec, "PaletteEvery", z.PaletteEvery, 0);
    f(sec, "PaletteColors", z.PaletteColors, 0);
    f(sec, "PaletteStart", z.PaletteStart, 0);
    f(sec, "PaletteEveryNum", z.PaletteEveryNum, 8);
    f(sec, "PaletteColorsNum", z.PaletteColorsNum, 8);
    f(sec, "PaletteStartNum", z.PaletteStartNum, 8);
    f(sec, "Halftone", z.Halftone, 0);
    f(sec, "PaletteControl", z.PaletteControl, 0);
    f(sec, "WindowsColors", z.WindowsColors, 0);
    f(sec, "NoSound", z.NoSound, 0);
    f(sec, "LossySound", z.LossySound, 0);
    f(sec, "Rate", z.Rate, 0);
    f(sec, "Quality", z.Quality, 0);
    f(sec, "Channels", z.Channels, 0);
    f(sec, "PaletteFile", z.PaletteFile, 0);
    f(sec, "RateNum", z.RateNum, 8);

    auto &m = s.mix;
    sec = "ZorbMix";
    f(sec, "ZorbFilename", m.ZorbFilename, 0);
    f(sec, "ZorbDirectory", m.ZorbDirectory, 0);
    f(sec, "OutputName", m.OutputName, 0);
    f(sec, "OutputBasedOn", m.OutputBasedOn, 0);
    f(sec, "WaveFilename", m.WaveFilename, 0);
    f(sec, "WaveDirectory", m.WaveDirectory, 0);
    f(sec, "FrameRateNum", m.FrameRateNum, 8);
    f(sec, "StartNum", m.StartNum, 8);
    f(sec, "SkipIntoNum", m.SkipIntoNum, 8);
    f(sec, "InputStartNum", m.InputStartNum, 8);
    f(sec, "InputEndNum", m.InputEndNum, 8);
    f(sec, "InputTrackNum", m.InputTrackNum, 8);
    f(sec, "ForceRate", m.ForceRate, 0);
    f(sec, "ZorbFilter", m.ZorbFilter, 0);
    f(sec, "WaveFilter", m.WaveFilter, 0);
    f(sec, "Lossy", m.Lossy, 0);
    f(sec, "Format", m.Format, 0);
    f(sec, "CurrentTab", m.CurrentTab, 0);
    f(sec, "Rate", m.Rate, 0);
    f(sec, "Quality", m.Quality, 0);
    f(sec, "Channels", m.Channels, 0);
    f(sec, "Track", m.Track, 0);
    f(sec, "RateNum", m.RateNum, 8);
    f(sec, "FrameRate", m.FrameRate, 0);
    f(sec, "Start", m.Start, 0);
    f(sec, "Loop", m.Loop, 0);
    f(sec, "Overwrite", m.Overwrite, 0);
    f(sec, "InputStart", m.InputStart, 0);
    f(sec, "InputEnd", m.InputEnd, 0);
    f(sec, "InputTrack", m.InputTrack, 0);

    auto &p = s.play;
    sec = "ZorbPlay";
    f(sec, "Filename", p.Filename, 0);
    f(sec, "Directory", p.Directory, 0);
    f(sec, "LoopNum", p.LoopNum, 8);
    f(sec, "FrameRateNum", p.FrameRateNum, 8);
    f(sec, "XNum", p.XNum, 8);
    f(sec, "YNum", p.YNum, 8);
    f(sec, "WNum", p.WNum, 8);
    f(sec, "HNum", p.HNum, 8);
    f(sec, "SimulateNum", p.SimulateNum, 8);
    f(sec, "ExtraMemNum", p.ExtraMemNum, 8);
    f(sec, "Filter", p.Filter, 0);
    f(sec, "Display", p.Display, 0);
    f(sec, "Use", p.Use, 0);
    f(sec, "DisabledControls", p.DisabledControls, 0);
    f(sec, "YScale", p.YScale, 0);
    f(sec, "CurrentTab", p.CurrentTab, 0);
    f(sec, "Style", p.Style, 0);
    f(sec, "NoRemap", p.NoRemap, 0);
    f(sec, "Tracks", p.Tracks, 0);
    f(sec, "Stretch", p.Stretch, 0);
    f(sec, "Loop", p.Loop, 0);
    f(sec, "FrameRate", p.FrameRate, 0);
    f(sec, "Preload", p.Preload, 0);
    f(sec, "ShowSummary", p.ShowSummary, 0);
    f(sec, "NoFrameDrop", p.NoFrameDrop, 0);
    f(sec, "X", p.X, 0);
    f(sec, "Y", p.Y, 0);
    f(sec, "W", p.W, 0);
    f(sec, "H", p.H, 0);
    f(sec, "ShowFrames", p.ShowFrames, 0);
    f(sec, "DirectSound", p.DirectSound, 0);
    f(sec, "DirectDrawOff", p.DirectDrawOff, 0);
    f(sec, "MMXOff", p.MMXOff, 0);
    f(sec, "SoundOnly", p.SoundOnly, 0);
    f(sec, "DoubleBuffer", p.DoubleBuffer, 0);
    f(sec, "NoClear", p.NoClear, 0);
    f(sec, "LoadExtra", p.LoadExtra, 0);
    f(sec, "NoPause", p.NoPause, 0);
    f(sec, "DeltasOnly", p.DeltasOnly, 0);
    f(sec, "Simulate", p.Simulate, 0);
    f(sec, "ExtraMem", p.ExtraMem, 0);

    sec = "ZorbScript";
    f(sec, "Filename", s.script.Filename, 0);
    f(sec, "Directory", s.script.Directory, 0);
    f(sec, "GotoLine", s.script.GotoLine, 0);
    f(sec, "FindText", s.script.FindText, 0);
    f(sec, "Filter", s.script.Filter, 0);

    auto &g = s.graphics;
    sec = "GraphicsProcessor";
    f(sec, "Filename", g.Filename, 0);
    f(sec, "Directory", g.Directory, 0);
    f(sec, "OutputName", g.OutputName, 0);
    f(sec, "OutputBasedOn", g.OutputBasedOn, 0);
    f(sec, "XOffsetNum", g.XOffsetNum, 8);
    f(sec, "YOffsetNum", g.YOffsetNum, 8);
    f(sec, "WidthNum", g.WidthNum, 8);
    f(sec, "HeightNum", g.HeightNum, 8);
    f(sec, "StartNum", g.StartNum, 8);
    f(sec, "EndNum", g.EndNum, 8);
    f(sec, "FrameRateNum", g.FrameRateNum, 8);
    f(sec, "PaletteEveryNum", g.PaletteEveryNum, 8);
    f(sec, "PaletteColorsNum", g.PaletteColorsNum, 8);
    f(sec, "PaletteStartNum", g.PaletteStartNum, 8);
    f(sec, "Filter", g.Filter, 0);
    f(sec, "CurrentTab", g.CurrentTab, 0);
    f(sec, "OutputType", g.OutputType, 0);
    f(sec, "PaletteType", g.PaletteType, 0);
    f(sec, "Halftone", g.Halftone, 0);
    f(sec, "PaletteControl", g.PaletteControl, 0);
    f(sec, "WindowsColors", g.WindowsColors, 0);
    f(sec, "XOffset", g.XOffset, 0);
    f(sec, "YOffset", g.YOffset, 0);
    f(sec, "Width", g.Width, 0);
    f(sec, "Height", g.Height, 0);
    f(sec, "Start", g.Start, 0);
    f(sec, "End", g.End, 0);
    f(sec, "Overwrite", g.Overwrite, 0);
    f(sec, "FrameRate", g.FrameRate, 0);
    f(sec, "PaletteEvery", g.PaletteEvery, 0);
    f(sec, "PaletteColors", g.PaletteColors, 0);
    f(sec, "PaletteStart", g.PaletteStart, 0);
    f(sec, "PaletteFile", g.PaletteFile, 0);

    auto &d = s.sound;
    sec = "SoundProcessor";
    f(sec, "Filename", d.Filename, 0);
    f(sec, "Directory", d.Directory, 0);
    f(sec, "OutputName", d.OutputName, 0);
    f(sec, "OutputBasedOn", d.OutputBasedOn, 0);
    f(sec, "TrackNum", d.TrackNum, 8);
    f(sec, "StartNum", d.StartNum, 8);
    f(sec, "EndNum", d.EndNum, 8);
    f(sec, "ForceRate", d.ForceRate, 0);
    f(sec, "SkipBytes", d.SkipBytes, 0);
    f(sec, "Filter", d.Filter, 0);
    f(sec, "Rate", d.Rate, 0);
    f(sec, "Quality", d.Quality, 0);
    f(sec, "Channels", d.Channels, 0);
    f(sec, "CurrentTab", d.CurrentTab, 0);
    f(sec, "InputType", d.InputType, 0);
    f(sec, "Overwrite", d.Overwrite, 0);
    f(sec, "Track", d.Track, 0);
    f(sec, "Start", d.Start, 0);
    f(sec, "End", d.End, 0);
    f(sec, "RateNum", d.RateNum, 8);

    f("ZorbCommand", "Directory", s.command.Directory, 0);
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
    forEachField(*this, [&](const char *sec, const char *key, auto &member, int maxLength) {
        using T = std::decay_t<decltype(member)>;
        const QString section = QLatin1String(sec), name = QLatin1String(key);
        if constexpr (std::is_same_v<T, QString>) {
            if (const std::optional<QString> v = ini.value(section, name)) {
                member = trimLow(*v);
                if (maxLength > 0)
                    member.truncate(maxLength);
            }
        } else if constexpr (std::is_same_v<T, bool>) {
            member = ini.intValue(section, name, member ? 1 : 0) != 0;
        } else {
            member = ini.intValue(section, name, member);
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

QString Settings::save(const QString &path) const
{
    IniFile ini;
    ini.read(path);
    forEachField(*this, [&](const char *sec, const char *key, const auto &member, int) {
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

#include "frontend/core/toolcommands.h"

#include "frontend/core/selection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zfront {

namespace toolcmd {

using selection::commandLine;
using selection::commandName;
using selection::trimLow;

namespace {

// Builds a switch string one switch at a time, in call order.
class Switches {
public:
    void text(char letter, bool condition, const QString &value)
    {
        const QString v = trimLow(value);
        if (condition && !v.isEmpty())
            out_ += head(letter) + v;
    }
    void number(char letter, bool condition, long long value)
    {
        if (condition)
            out_ += head(letter) + QString::number(value);
    }
    void flag(char letter, bool condition)
    {
        if (condition)
            out_ += head(letter);
    }
    // "/L" and the text, or "/L" alone when the text is empty.
    void optional(char letter, bool condition, const QString &value)
    {
        if (condition)
            out_ += head(letter) + trimLow(value);
    }
    void raw(const QString &text) { out_ += text; }
    QString result() const { return out_; }

private:
    static QString head(char letter) { return QLatin1String("/") + QLatin1Char(letter); }
    QString out_;
};

QString leadingDigits(const QString &text)
{
    const QString t = trimLow(text);
    qsizetype n = 0;
    while (n < t.size() && t.at(n) >= QLatin1Char('0') && t.at(n) <= QLatin1Char('9'))
        ++n;
    return t.left(n);
}

const char *const Extensions[] = {"zbx", "flc", "avi", "bmp", "jpg", "tga", "tif", "pcx", "gif", "webp", "y4m"};

} // namespace

QString zorbOutputExtension(int type)
{
    return QLatin1String(Extensions[type >= 0 && type < OutputTypeCount ? type : 0]);
}

QString graphicsOutputExtension(int type)
{
    return type >= 1 && type < OutputTypeCount ? QLatin1String(Extensions[type]) : QString();
}

QString graphicsOutputFor(const QString &input, const QString &extension)
{
    if (!extension.isEmpty())
        return extension;
    // "Output as Input Format": the input's own kind when the graphics
    // processor writes it, else a flic (a Zorblax, raw, wave or list input).
    static const char *const Writable[] = {"flc", "fli",  "avi", "bmp", "jpg", "jpeg", "tga",
                                           "tif", "tiff", "pcx", "gif", "png", "webp", "y4m"};
    const QString suffix = QFileInfo(input).suffix().toLower();
    for (const char *w : Writable)
        if (suffix == QLatin1String(w))
            return QString();
    return QStringLiteral("flc");
}

QString compressionValue(int index, const QString &text)
{
    switch (index) {
    case 0:
    case 3:
        return trimLow(text);
    case 1:
        return leadingDigits(text).isEmpty() ? QString() : QLatin1Char('-') + leadingDigits(text);
    case 2:
        // The mask allows three digits; more are cut so the sum cannot overflow.
        return leadingDigits(text).isEmpty()
                   ? QString()
                   : QLatin1Char('-') + QString::number(leadingDigits(text).left(9).toLongLong() + 400);
    case 4:
        return QStringLiteral("0");
    default:
        return QString();
    }
}

QString compressionText(const Settings::Zorb &z, bool key, int index)
{
    switch (index) {
    case 0:
        return key ? z.KeyRate : z.NormalRate;
    case 1:
        return key ? z.KeyFilePerc : z.NormalFilePerc;
    case 2:
        return key ? z.KeyFramePerc : z.NormalFramePerc;
    case 3:
        return key ? z.KeyErrorPerc : z.NormalErrorPerc;
    default:
        return QString();
    }
}

QString rateValue(int index, const QString &typed)
{
    switch (index) {
    case 1:
        return QStringLiteral("11025");
    case 2:
        return QStringLiteral("22050");
    case 3:
        return QStringLiteral("44100");
    case 4:
        return trimLow(typed);
    default:
        return QString();
    }
}

QString zorbSwitches(const Settings::Zorb &z, const QString &directory)
{
    Switches s;
    s.text('N', true, compressionValue(z.RegularCompressType, compressionText(z, false, z.RegularCompressType)));
    s.text('K', true, compressionValue(z.KeyCompressType, compressionText(z, true, z.KeyCompressType)));
    s.text('A', true, leadingDigits(z.AutoKeyFrame));
    s.text('J', z.KeyFrames, z.KeyFramesNum);
    s.number('Z', z.YScale >= 1, z.YScale);
    s.flag('M', z.MixOriginal);
    s.flag('V', z.EveryOther);
    s.flag('G', z.Ring);
    s.text('S', z.Start, z.StartNum);
    s.text('E', z.End, z.EndNum);
    s.text('F', z.FrameRate, z.FrameRateNum);
    s.text('X', z.X, z.XNum);
    s.text('Y', z.Y, z.YNum);
    s.text('W', z.W, z.WNum);
    s.text('H', z.H, z.HNum);
    s.raw(QStringLiteral("/L%1 ").arg(z.NoSound ? -1 : z.LossySound));
    const bool sound = !z.NoSound;
    s.text('R', sound && z.Rate != 0, rateValue(z.Rate, z.RateNum));
    s.number('B', sound && z.Quality > 0, z.Quality * 8LL);
    s.number('C', sound && z.Channels > 0, z.Channels);
    s.text('Q', z.PaletteColors, z.PaletteColorsNum);
    s.text('I', z.PaletteStart, z.PaletteStartNum);
    s.number('T', z.Halftone >= 1, z.Halftone);
    s.number('P', z.PaletteControl >= 1, z.PaletteControl);
    s.number('D', z.WindowsColors >= 1, z.WindowsColors);
    s.text('U', z.PaletteEvery, z.PaletteEveryNum);
    const QString palette = trimLow(z.PaletteFile);
    if (!palette.isEmpty() && !palette.toLower().contains(QLatin1String("input file")))
        s.raw(QStringLiteral("/&") + commandName(palette, directory));
    s.flag('O', z.Overwrite);
    s.number('+', z.Effort >= 1 && z.Effort <= 10, z.Effort - 1LL);
    return s.result();
}

QString playSwitches(const Settings::Play &p)
{
    Switches s;
    s.optional('L', p.Loop, p.LoopNum);
    s.optional('F', p.FrameRate, p.FrameRateNum);
    s.flag('P', p.Preload);
    s.flag('S', p.ShowSummary);
    s.flag('N', p.NoFrameDrop);
    s.text('X', p.X, p.XNum);
    s.text('Y', p.Y, p.YNum);
    s.text('W', p.W, p.WNum);
    s.text('H', p.H, p.HNum);
    s.flag('O', p.SoundOnly);
    s.flag('B', p.DoubleBuffer);
    s.number('I', p.Style >= 1, p.Style);
    s.flag('C', p.NoClear);
    s.number('R', p.NoRemap >= 1, p.NoRemap);
    s.flag('G', p.LoadExtra);
    s.flag('K', p.DeltasOnly);
    s.flag('J', p.NoPause);
    s.flag('Z', p.DirectSound);
    s.flag('Q', p.ShowFrames);
    s.flag('@', p.MMXOff);
    const long long video =
        static_cast<long long>(p.Display) | (static_cast<long long>(p.Stretch) << 7) | (p.DirectDrawOff ? 0x180 : 0);
    s.number('V', video > 0, video);
    s.number('D', p.Use >= 1, p.Use);
    s.number('T', p.Tracks != 127, p.Tracks);
    s.number('U', p.DisabledControls >= 1, p.DisabledControls);
    s.number('A', p.YScale >= 1, p.YScale);
    s.text('M', p.Simulate, p.SimulateNum);
    s.text('E', p.ExtraMem, p.ExtraMemNum);
    return s.result();
}

QString mixSwitches(const Settings::Mix &m)
{
    Switches s;
    s.number('L', m.Lossy != 0, m.Lossy);
    s.number('M', m.Track >= 2, m.Track); // list index = track - 1
    s.text('F', m.FrameRate, m.FrameRateNum);
    s.text('G', m.Start, m.StartNum);
    s.flag('P', m.Loop);
    s.flag('O', m.Overwrite);
    s.text('R', m.Rate != 0, rateValue(m.Rate, m.RateNum));
    s.number('B', m.Quality >= 1, m.Quality * 8LL);
    s.number('C', m.Channels >= 1, m.Channels);
    s.text('T', m.InputTrack, m.InputTrackNum);
    s.text('S', m.InputStart, m.InputStartNum);
    s.text('E', m.InputEnd, m.InputEndNum);
    s.number('Y', m.Format >= 1, m.Format);
    s.text('D', m.Format >= 1, m.ForceRate);
    s.text('K', m.Format >= 1, m.SkipIntoNum);
    return s.result();
}

QString graphicsSwitches(const Settings::Graphics &g, const QString &directory)
{
    Switches s;
    const bool palette = g.PaletteType != 2; // true colour disables the palette controls
    s.text('Q', g.PaletteColors && palette, g.PaletteColorsNum);
    s.text('I', g.PaletteStart && palette, g.PaletteStartNum);
    s.number('T', g.Halftone > 0 && palette, g.Halftone);
    s.number('P', g.PaletteControl > 0 && palette, g.PaletteControl);
    s.number('D', g.WindowsColors > 0 && palette, g.WindowsColors);
    s.text('U', g.PaletteEvery && palette, g.PaletteEveryNum);
    const QString file = trimLow(g.PaletteFile);
    if (g.PaletteType == 1 && !file.isEmpty() && !file.toLower().contains(QLatin1String("input file")))
        s.raw(QStringLiteral("/&") + commandName(file, directory));
    s.flag('A', g.PaletteType == 2);
    s.flag('O', g.Overwrite);
    s.text('F', g.FrameRate, g.FrameRateNum);
    s.text('S', g.Start, g.StartNum);
    s.text('E', g.End, g.EndNum);
    s.text('X', g.XOffset, g.XOffsetNum);
    s.text('Y', g.YOffset, g.YOffsetNum);
    s.text('W', g.Width, g.WidthNum);
    s.text('H', g.Height, g.HeightNum);
    return s.result();
}

QString soundSwitches(const Settings::Sound &d)
{
    Switches s;
    s.flag('O', d.Overwrite);
    s.text('R', d.Rate >= 1, rateValue(d.Rate, d.RateNum));
    s.number('B', d.Quality >= 1, d.Quality * 8LL);
    s.number('C', d.Channels >= 1, d.Channels);
    s.text('T', d.Track, d.TrackNum);
    s.text('S', d.Start, d.StartNum);
    s.text('E', d.End, d.EndNum);
    s.number('Y', d.InputType >= 1, d.InputType);
    s.text('D', d.InputType >= 1, d.ForceRate);
    s.text('K', d.InputType >= 1, d.SkipBytes);
    return s.result();
}

QString withMemo(const QString &switches, const QString &memoFile)
{
    QString sw = switches;
    if (!memoFile.isEmpty()) {
        // A word of its own, so the file's slashes are never read as switches.
        QString memo = QStringLiteral("/@*") + memoFile;
        if (memo.contains(QLatin1Char(' ')))
            memo = QLatin1Char('"') + memo + QLatin1Char('"');
        if (!sw.isEmpty() && !sw.endsWith(QLatin1Char(' ')))
            sw += QLatin1Char(' ');
        sw += memo;
    }
    return sw;
}

QString zorbCommand(const QString &input, const QString &output, const QString &switches, const QString &memoFile)
{
    return commandLine(QLatin1String(Compressor), {input, output}, withMemo(switches, memoFile));
}

QString playCommand(const QString &input, const QString &switches)
{
    return commandLine(QLatin1String(Player), {input}, switches);
}

QString mixCommand(const QString &zorbFile, const QString &soundFile, const QString &output, const QString &switches)
{
    return commandLine(QLatin1String(Mixer), {zorbFile, soundFile, output}, switches);
}

QString scriptCommand(const QString &script)
{
    return commandLine(QLatin1String(ScriptPlayer), {script}, QString());
}

QString compileCommand(const QString &player, const QString &output, const QString &input, const QString &switches)
{
    QStringList parts;
    if (!trimLow(switches).isEmpty())
        parts << QStringLiteral("-s") << QLatin1Char('"') + trimLow(switches) + QLatin1Char('"');
    QString out = output;
    if (!out.startsWith(QLatin1Char('"')))
        out = QLatin1Char('"') + out + QLatin1Char('"');
    parts << player << out << input;
    return commandLine(QLatin1String(ExeCompiler), parts, QString());
}

QString frameRateCommand(const QString &input, const QString &output, const QString &rate, bool overwrite)
{
    QString sw = QStringLiteral("/F") + clampField(rules::FrameRate, rate);
    if (overwrite)
        sw += QStringLiteral("/O");
    return commandLine(QLatin1String(FrameRateChanger), {input, output}, sw);
}

QString viewCommand(const QString &path, const QString &directory)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    const QString name = commandName(path, directory);
    if (suffix == QLatin1String("lst"))
        return QStringLiteral("DazuZoza ") + name;
    if (suffix == QLatin1String("zbx"))
        return playCommand(name, QString());
    return QString();
}

bool isZorblaxFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(4) == "ZBX2";
}

bool printCommands(const Settings &settings, const QString &tab, const QStringList &files, QStringList *lines,
                   QString &error)
{
    const QString here = QDir::currentPath();
    QStringList paths;
    for (const QString &f : files)
        paths << QFileInfo(f).absoluteFilePath();
    auto name = [&](const QString &path) { return commandName(path, here); };
    auto fail = [&](const QString &text) {
        error = text;
        return false;
    };
    if (paths.isEmpty())
        return fail(QStringLiteral("no files named"));
    lines->clear();

    const QString t = tab.toLower();
    if (t == QLatin1String("zorb")) {
        QString memoError;
        const QString memo = selection::writeMemoFile(settings.frameSpecific, memoError);
        if (!memoError.isEmpty())
            return fail(memoError);
        const QString sw = zorbSwitches(settings.zorb, here);
        const QString ext = zorbOutputExtension(settings.zorb.OutputType);
        for (const QString &p : paths)
            *lines << zorbCommand(name(p), name(selection::outputFor(p, ext, QLatin1String(OutputPrefix))), sw, memo);
    } else if (t == QLatin1String("player")) {
        for (const QString &p : paths)
            *lines << playCommand(name(p), playSwitches(settings.play));
    } else if (t == QLatin1String("mixer")) {
        if (paths.size() < 2 || paths.size() > 3)
            return fail(QStringLiteral("the mixer takes a Zorblax file, a sound file and optionally the output"));
        const QString output = paths.size() == 3
                                   ? paths[2]
                                   : selection::outputFor(paths[0], QStringLiteral("zbx"), QLatin1String(OutputPrefix));
        *lines << mixCommand(name(paths[0]), name(paths[1]), name(output), mixSwitches(settings.mix));
    } else if (t == QLatin1String("pictproc")) {
        const QString sw = graphicsSwitches(settings.graphics, here);
        const QString ext = graphicsOutputExtension(settings.graphics.OutputType);
        for (const QString &p : paths)
            *lines << commandLine(
                QLatin1String(GraphicsProcessor),
                {name(p), name(selection::outputFor(p, graphicsOutputFor(p, ext), QLatin1String(OutputPrefix)))}, sw);
    } else if (t == QLatin1String("sndproc")) {
        const QString sw = soundSwitches(settings.sound);
        for (const QString &p : paths)
            *lines << commandLine(
                QLatin1String(SoundProcessor),
                {name(p), name(selection::outputFor(p, QStringLiteral("wav"), QLatin1String(OutputPrefix)))}, sw);
    } else if (t == QLatin1String("scriptor")) {
        for (const QString &p : paths)
            *lines << scriptCommand(name(p));
    } else {
        return fail(QStringLiteral("unknown tab %1 (zorb, player, mixer, pictproc, sndproc or scriptor)").arg(tab));
    }
    return true;
}

} // namespace toolcmd

} // namespace zfront

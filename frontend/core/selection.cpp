#include "frontend/core/selection.h"

#include "frontend/core/safewrite.h"
#include "frontend/core/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace zfront {

namespace selection {

QString trimLow(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() < 33)
        ++b;
    while (e > b && s.at(e - 1).unicode() < 33)
        --e;
    return s.mid(b, e - b);
}

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

Sequence findSequence(const QString &name, const QStringList &names)
{
    Sequence out;
    qsizetype start = 0;
    while (start < name.size() && !isDigit(name.at(start)))
        ++start;
    qsizetype end = start;
    while (end < name.size() && isDigit(name.at(end)))
        ++end;
    const qsizetype width = end - start;
    if (width == 0 || width > 18)
        return out; // no number, or one too long to count with
    const QString prefix = name.left(start), suffix = name.mid(end);
    const qint64 number = name.mid(start, width).toLongLong();
    const QSet<QString> present(names.begin(), names.end());
    auto nameOf = [&](qint64 n) {
        return prefix + QStringLiteral("%1").arg(n, static_cast<int>(width), 10, QLatin1Char('0')) + suffix;
    };
    // A number wider than the run would no longer fit its question marks.
    qint64 limit = 1;
    for (qsizetype i = 0; i < width; ++i)
        limit *= 10;
    qint64 first = number, last = number;
    while (first > 0 && present.contains(nameOf(first - 1)))
        --first;
    while (last + 1 < limit && present.contains(nameOf(last + 1)))
        ++last;
    if (first == last)
        return out;
    out.found = true;
    out.firstName = nameOf(first);
    out.lastName = nameOf(last);
    out.pattern = prefix + QString(width, QLatin1Char('?')) + suffix + QLatin1Char('*') + QString::number(first) +
                  QLatin1Char('-') + QString::number(last);
    return out;
}

QString distinctOutput(const QString &input, const QString &output, const QString &prefix)
{
    if (trimLow(output).compare(trimLow(input), Qt::CaseInsensitive) != 0)
        return output;
    const QString o = trimLow(output);
    const qsizetype slash = o.lastIndexOf(QLatin1Char('/'));
    return o.left(slash + 1) + prefix + o.mid(slash + 1);
}

QString commandName(const QString &path, const QString &directory)
{
    const QFileInfo info(path);
    QString name = path;
    if (!directory.isEmpty() && info.isAbsolute() &&
        QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(QDir(directory).absolutePath()))
        name = info.fileName();
    if (name.contains(QLatin1Char(' ')))
        name = QLatin1Char('"') + name + QLatin1Char('"');
    return name;
}

QString commandLine(const QString &program, const QStringList &parts, const QString &switches)
{
    QString line = program;
    for (const QString &p : parts)
        line += QLatin1Char(' ') + p;
    line += QLatin1Char(' ') + switches;
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}

QString outputFor(const QString &input, const QString &outputExtension, const QString &prefix)
{
    if (outputExtension.isEmpty())
        return distinctOutput(input, input, prefix);
    const QFileInfo info(input);
    const qsizetype slash = input.lastIndexOf(QLatin1Char('/'));
    const QString output = input.left(slash + 1) + info.completeBaseName() + QLatin1Char('.') + outputExtension;
    return distinctOutput(input, output, prefix);
}

QString oneByOneBatch(const QString &directory, const QString &program, const QStringList &inputs,
                      const QString &outputExtension, const QString &prefix, const QString &switches)
{
    QString text = QStringLiteral("CD ") + directory + QLatin1Char('\n');
    for (const QString &input : inputs)
        text += commandLine(
                    program,
                    {commandName(input, directory), commandName(outputFor(input, outputExtension, prefix), directory)},
                    switches) +
                QLatin1Char('\n');
    return text;
}

QString listFileText(const QStringList &names)
{
    QString text;
    for (const QString &n : names)
        text += n + QLatin1Char('\n');
    return text;
}

QString writeMemoFile(const QStringList &lines, QString &error)
{
    bool any = false;
    for (const QString &l : lines)
        for (QChar c : l)
            any = any || c.unicode() > 32;
    if (!any)
        return QString();
    // One file beside the settings, rewritten each time: the compressor
    // reads it when it starts, a copied command keeps working, and nothing
    // piles up in the temporary directory.
    const QString path = Settings::resolvePath(QStringLiteral("ZorbFrames.txt"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString reason = writeWholeFile(path, listFileText(lines).toUtf8());
    if (!reason.isEmpty()) {
        error = QStringLiteral("Error: could not write the frame settings (%1).").arg(reason);
        return QString();
    }
    return path;
}

} // namespace selection

} // namespace zfront

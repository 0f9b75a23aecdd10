#include "frontend/core/interpreter.h"

#include "frontend/core/commandtext.h"
#include "frontend/core/selection.h"
#include "frontend/core/settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStorageInfo>

namespace zfront {

bool InterpreterHost::showFile(const QString &path)
{
    QFileInfo fi(path);
    return fi.isFile() && fi.isReadable();
}

namespace {

bool IsWord(const QString &word, std::initializer_list<const char *> names)
{
    for (const char *n : names)
        if (word.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Maps one part (base or extension) of a name through a wildcard pattern:
// '?' takes the source's next character, '*' the rest of it, other
// characters stand for themselves ("new_*" puts "new_" in front).
QString MapPart(const QString &source, const QString &pattern)
{
    QString out;
    qsizetype s = 0;
    for (const QChar c : pattern) {
        if (c == u'*') {
            out += source.mid(s);
            s = source.size();
        } else if (c == u'?') {
            if (s < source.size())
                out += source[s];
            ++s;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString WildcardTarget(const QString &sourceName, const QString &pattern)
{
    if (!HasWildcards(pattern))
        return pattern;
    auto split = [](const QString &name, QString &base, QString &ext, bool &dot) {
        const qsizetype d = name.lastIndexOf(u'.');
        dot = d > 0;
        base = dot ? name.left(d) : name;
        ext = dot ? name.mid(d + 1) : QString();
    };
    QString sb, se, pb, pe;
    bool sd, pd;
    split(sourceName, sb, se, sd);
    split(pattern, pb, pe, pd);
    if (!pd) // "*" alone or a pattern without a dot covers the whole name
        return MapPart(sourceName, pattern);
    const QString ext = MapPart(se, pe);
    const QString base = MapPart(sb, pb);
    return ext.isEmpty() ? base : base + u'.' + ext;
}

QString FileAttributes(const QString &path)
{
    const QFileInfo fi(path);
    QString a;
    if (!(fi.permissions() & QFile::WriteOwner))
        a += u'R';
    if (fi.fileName().startsWith(u'.'))
        a += u'H';
    if (fi.isDir())
        a += u'D';
    return a;
}

CommandInterpreter::CommandInterpreter(InterpreterHost &host)
    : host_(host), dir_(QDir::currentPath()), thousands_(thousandsSeparator())
{}

bool CommandInterpreter::setDirectory(const QString &path)
{
    const QFileInfo fi(resolve(path));
    if (!fi.isDir())
        return false;
    dir_ = QDir::cleanPath(fi.absoluteFilePath());
    return true;
}

QString CommandInterpreter::formatCount(qint64 n) const
{
    return groupDigits(n, thousands_);
}

QString CommandInterpreter::resolve(const QString &name) const
{
    QString n = NormalizeSeparators(name);
    if (n.size() >= 2 && n[1] == u':' && n[0].isLetter()) // a drive letter: our only drive is the root
        n = u'/' + n.mid(2);
    if (n.startsWith(QLatin1String("~/")))
        n = QDir::homePath() + n.mid(1);
    return QDir::cleanPath(QDir(dir_).absoluteFilePath(n));
}

QString CommandInterpreter::shown(const QString &path) const
{
    return selection::commandName(path, dir_);
}

QStringList CommandInterpreter::expand(const QString &pattern) const
{
    const QString full = resolve(pattern);
    const QFileInfo fi(full);
    if (!HasWildcards(fi.fileName()))
        return fi.exists() || fi.isSymLink() ? QStringList{full} : QStringList{};
    QDir d(fi.absolutePath());
    d.setNameFilters({fi.fileName()});
    d.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    d.setSorting(QDir::Name | QDir::IgnoreCase);
    QStringList out;
    for (const QString &n : d.entryList())
        out << d.filePath(n);
    return out;
}

QString CommandInterpreter::batchFileFor(const QString &word) const
{
    if (word.isEmpty())
        return {};
    QString name = word;
    if (!HasExtension(name))
        name += QLatin1String(".zbt");
    if (!name.endsWith(QLatin1String(".zbt"), Qt::CaseInsensitive))
        return {};
    const QString path = resolve(name);
    return QFileInfo(path).isFile() ? path : QString();
}

void CommandInterpreter::fail(const QString &message)
{
    failed_ = true;
    host_.print(message);
}

bool CommandInterpreter::interpret(const QString &line)
{
    failed_ = false;
    QString text = selection::trimLow(line);
    while (text.startsWith(u'@'))
        text = selection::trimLow(text.mid(1));
    if (text.isEmpty())
        return true;

    // "cd\", "cd.." and "cd." run together with their argument.
    for (const char *cdWord : {"cd", "chdir"}) {
        const qsizetype n = static_cast<qsizetype>(qstrlen(cdWord));
        if (text.size() > n && text.left(n).compare(QLatin1String(cdWord), Qt::CaseInsensitive) == 0 &&
            (text[n] == u'\\' || text[n] == u'/' || text[n] == u'.')) {
            changeDirectory(selection::trimLow(text.mid(n)));
            return true;
        }
    }

    QString word, rest;
    SplitFirstWord(text, word, rest);
    if (word.size() == 2 && word[1] == u':' && word[0].isLetter() && rest.isEmpty()) {
        changeDirectory(QStringLiteral("/"));
        return true;
    }
    if (IsWord(word, {"cd", "chdir"}))
        changeDirectory(rest);
    else if (IsWord(word, {"md", "mkdir"}))
        makeDirectory(rest);
    else if (IsWord(word, {"rd", "rmdir"}))
        removeDirectory(rest);
    else if (IsWord(word, {"dir"}))
        listDirectory(rest);
    else if (IsWord(word, {"del", "erase", "delete"}))
        deleteFiles(rest);
    else if (IsWord(word, {"ren", "rename", "move", "rendir"}))
        renameFiles(rest);
    else if (IsWord(word, {"copy"}))
        copyFiles(rest);
    else if (IsWord(word, {"attr", "attrib"}))
        changeAttributes(rest);
    else if (IsWord(word, {"type", "display"})) {
        const QStringList w = SplitWords(rest);
        const QString path = w.isEmpty() ? QString() : resolve(w[0]);
        if (path.isEmpty() || !host_.showFile(path))
            fail(QStringLiteral("Error displaying the file ") + (w.isEmpty() ? QString() : w[0]));
    } else if (IsWord(word, {"edit"})) {
        const QStringList w = SplitWords(rest);
        host_.editFile(w.isEmpty() ? QString() : resolve(w[0]));
    } else if (IsWord(word, {"dazuzoza"})) {
        const QStringList w = SplitWords(rest);
        host_.editList(w.isEmpty() ? QString() : resolve(w[0]));
    } else if (IsWord(word, {"find", "ff", "wh", "filefind", "whereis"}))
        findFiles(rest);
    else if (IsWord(word, {"zbxtune"})) {
        QString name = rest;
        name.remove(u'"');
        name = selection::trimLow(name);
        if (!name.isEmpty() && !HasExtension(name))
            name += QLatin1String(".zbx");
        host_.analyze(name.isEmpty() ? QString() : resolve(name));
    } else if (IsWord(word, {"help"}))
        host_.showHelp();
    else if (IsWord(word, {"cls", "clear"}))
        host_.clearHistory();
    else if (IsWord(word, {"savehist"}))
        saveHistory(rest);
    else if (IsWord(word, {"echo"}))
        host_.print(rest);
    else if (IsWord(word, {"rem"}))
        ;
    else if (IsWord(word, {"exit"}))
        host_.exitRequested();
    else {
        const QString batch = batchFileFor(word);
        if (batch.isEmpty())
            return false;
        host_.runBatch(batch, rest);
    }
    return true;
}

void CommandInterpreter::changeDirectory(const QString &arg)
{
    QStringList w = SplitWords(arg);
    if (w.isEmpty()) {
        host_.print(dir_);
        return;
    }
    QString target = w[0];
    if (target == QLatin1String("\\") || target == QLatin1String("/"))
        target = QStringLiteral("/");
    if (!setDirectory(target))
        fail(QStringLiteral("Directory not found."));
}

void CommandInterpreter::makeDirectory(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    if (w.isEmpty()) {
        fail(QStringLiteral("MD - error, no directory name given."));
        return;
    }
    const QString path = resolve(w[0]);
    if (QFileInfo::exists(path) || !QDir().mkdir(path))
        fail(QStringLiteral("Error, could not make ") + w[0]);
    else
        host_.print(w[0] + QStringLiteral(" was made."));
}

void CommandInterpreter::removeDirectory(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    if (w.isEmpty()) {
        fail(QStringLiteral("RD - error, no directory name given."));
        return;
    }
    const QString path = resolve(w[0]);
    if (!QFileInfo(path).isDir() || !QDir().rmdir(path))
        fail(QStringLiteral("Error, could not remove ") + w[0]);
    else
        host_.print(w[0] + QStringLiteral(" was removed."));
}

void CommandInterpreter::listDirectory(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    QString path = resolve(w.isEmpty() ? QStringLiteral(".") : w[0]);
    QString filter = QStringLiteral("*");
    const QFileInfo fi(path);
    if (!fi.isDir()) {
        filter = fi.fileName();
        path = fi.absolutePath();
    }
    QDir d(path);
    d.setNameFilters({filter});
    d.setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    d.setSorting(QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    const QFileInfoList entries = d.entryInfoList();
    if (entries.isEmpty() || !QFileInfo(path).isDir()) {
        fail(QStringLiteral("No files found."));
        return;
    }
    qint64 bytes = 0, files = 0;
    for (const QFileInfo &e : entries) {
        const QString when = e.lastModified().toString(QStringLiteral("yyyy-MM-dd  HH:mm"));
        QString sizeText;
        if (e.isDir()) {
            sizeText = QStringLiteral("<DIR>");
        } else {
            sizeText = formatCount(e.size());
            bytes += e.size();
        }
        ++files;
        host_.print(QStringLiteral("%1 %2  %3").arg(e.fileName(), -32).arg(sizeText, 15).arg(when));
    }
    host_.print(QStringLiteral("%1 bytes in %2 file(s).").arg(formatCount(bytes)).arg(files));
    const QStorageInfo storage(path);
    host_.print(QStringLiteral("%1 bytes free.").arg(formatCount(storage.isValid() ? storage.bytesAvailable() : 0)));
}

void CommandInterpreter::deleteFiles(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    if (w.isEmpty()) {
        fail(QStringLiteral("Del - error, no file name given."));
        return;
    }
    qint64 count = 0, bytes = 0;
    bool any = false;
    for (const QString &pattern : w) {
        for (const QString &path : expand(pattern)) {
            const QFileInfo fi(path);
            if (fi.isDir())
                continue;
            any = true;
            const QString name = shown(path);
            if (!host_.confirm(QStringLiteral("Delete the file: %1 ?").arg(name)))
                continue;
            const qint64 size = fi.size();
            if (QFile::remove(path)) {
                host_.print(QStringLiteral("  %1 was deleted.").arg(name));
                ++count;
                bytes += size;
            } else {
                fail(QStringLiteral("Could not delete ") + name);
            }
        }
    }
    if (!any) {
        fail(QStringLiteral("No files found."));
        return;
    }
    host_.print(QStringLiteral("%1 file(s) deleted.  %2 bytes freed.").arg(count).arg(formatCount(bytes)));
}

void CommandInterpreter::renameFiles(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    if (w.size() < 2) {
        fail(QStringLiteral("Ren - error, must give input and output names."));
        return;
    }
    const QStringList sources = expand(w[0]);
    const QString target = resolve(w[1]);
    const bool intoDir = QFileInfo(target).isDir();
    if (sources.isEmpty()) {
        fail(QStringLiteral("Could not rename ") + w[0]);
        return;
    }
    int count = 0;
    for (const QString &src : sources) {
        const QFileInfo sfi(src);
        QString dst;
        if (intoDir)
            dst = QDir(target).filePath(sfi.fileName());
        else
            dst =
                QFileInfo(target).absolutePath() + u'/' + WildcardTarget(sfi.fileName(), QFileInfo(target).fileName());
        dst = QDir::cleanPath(dst);
        // Never rename over an existing file: that would lose it.
        if (dst == src || QFileInfo::exists(dst) || !QDir().rename(src, dst)) {
            fail(QStringLiteral("Could not rename ") + shown(src));
            continue;
        }
        host_.print(QStringLiteral("Renamed %1 to %2").arg(shown(src), shown(dst)));
        ++count;
    }
    host_.print(QStringLiteral("%1 file(s) renamed.").arg(count));
}

void CommandInterpreter::copyFiles(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    if (w.isEmpty()) {
        fail(QStringLiteral("Copy - error, must give an input name."));
        return;
    }
    QStringList sources;
    for (const QString &s : expand(w[0]))
        if (QFileInfo(s).isFile())
            sources << s;
    if (sources.isEmpty()) {
        fail(QStringLiteral("No files found."));
        return;
    }
    const QString target = resolve(w.size() > 1 ? w[1] : QStringLiteral("."));
    const bool intoDir = QFileInfo(target).isDir();
    qint64 total = 0;
    for (const QString &s : sources)
        total += QFileInfo(s).size();

    qint64 done = 0, copiedBytes = 0;
    int copied = 0;
    bool cancelled = false;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (const QString &src : sources) {
        const QFileInfo sfi(src);
        QString dst = intoDir ? QDir(target).filePath(sfi.fileName())
                              : QFileInfo(target).absolutePath() + u'/' +
                                    WildcardTarget(sfi.fileName(), QFileInfo(target).fileName());
        dst = QDir::cleanPath(dst);
        if (sources.size() > 1 && !intoDir && !HasWildcards(QFileInfo(target).fileName())) {
            fail(QStringLiteral("Could not copy ") + shown(src)); // many files into one name
            continue;
        }
        if (QFileInfo(dst).canonicalFilePath() == sfi.canonicalFilePath()) {
            fail(QStringLiteral("Could not copy ") + shown(src));
            continue;
        }
        // Written beside the target and renamed into place when complete, so
        // a failed or cancelled copy leaves no half-written file.
        QFile in(src);
        const QString temp = dst + QStringLiteral(".zcopy-%1").arg(QCoreApplication::applicationPid());
        QFile out(temp);
        bool ok = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        qint64 n = 0;
        while (ok && (n = in.read(buffer.data(), buffer.size())) > 0) {
            ok = out.write(buffer.constData(), n) == n;
            done += n;
            if (host_.copyProgress(sfi.fileName(), done, total)) {
                cancelled = true;
                break;
            }
        }
        ok = ok && !cancelled && n >= 0 && out.flush();
        out.close();
        if (ok) {
            out.setPermissions(in.permissions());
            QFile::remove(dst);
            ok = QFile::rename(temp, dst);
        }
        if (!ok)
            QFile::remove(temp);
        if (cancelled)
            break;
        if (!ok) {
            fail(QStringLiteral("Could not copy ") + shown(src));
            continue;
        }
        host_.print(QStringLiteral("Copied %1 to %2").arg(shown(src), shown(dst)));
        ++copied;
        copiedBytes += sfi.size();
    }
    host_.copyFinished();
    if (cancelled)
        fail(QStringLiteral("Copy was cancelled."));
    host_.print(QStringLiteral("%1 file(s) copied.").arg(copied));
    host_.print(QStringLiteral("%1 bytes copied.").arg(formatCount(copiedBytes)));
}

void CommandInterpreter::changeAttributes(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    QString set, clear;
    QStringList names;
    for (const QString &word : w) {
        if ((word.startsWith(u'+') || word.startsWith(u'-')) && word.size() >= 2) {
            for (qsizetype i = 1; i < word.size(); ++i) {
                const QChar c = word[i].toUpper();
                if (!QStringLiteral("RHSA").contains(c)) {
                    fail(QStringLiteral("Attribute command error."));
                    return;
                }
                (word[0] == u'+' ? set : clear) += c;
            }
        } else {
            names << word;
        }
    }
    if (names.isEmpty()) {
        fail(QStringLiteral("Attribute command error."));
        return;
    }
    QStringList files;
    for (const QString &n : names)
        files += expand(n);
    if (files.isEmpty()) {
        fail(QStringLiteral("No files found."));
        return;
    }
    for (const QString &path : files) {
        const QString before = FileAttributes(path);
        if (set.isEmpty() && clear.isEmpty()) {
            host_.print(QStringLiteral("%1  %2").arg(before, -4).arg(shown(path)));
            continue;
        }
        // Read-only maps to the owner's write permission; hidden follows the
        // name and system and archive do not exist here, so they cannot change.
        bool ok = true;
        for (const QChar c : set + clear) {
            if (c == u'R')
                continue;
            const bool has = before.contains(c);
            if (has != set.contains(c))
                ok = false;
        }
        QFile::Permissions p = QFile(path).permissions();
        if (ok && set.contains(u'R'))
            p &= ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther);
        if (ok && clear.contains(u'R'))
            p |= QFile::WriteOwner | QFile::WriteUser;
        if (!ok || !QFile::setPermissions(path, p)) {
            fail(QStringLiteral("Error changing attributes of ") + shown(path));
            continue;
        }
        host_.print(
            QStringLiteral("Attributes from '%1' to '%2' on %3").arg(before, FileAttributes(path), shown(path)));
    }
}

void CommandInterpreter::findFiles(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    if (w.isEmpty()) {
        fail(QStringLiteral("No files found."));
        return;
    }
    const QString start = w.size() > 1 ? resolve(w[1]) : dir_;
    const QString pattern = QFileInfo(NormalizeSeparators(w[0])).fileName();
    QDirIterator it(start, {pattern}, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    int found = 0;
    while (it.hasNext()) {
        host_.print(it.next());
        ++found;
    }
    if (found == 0)
        fail(QStringLiteral("No files found."));
    else
        host_.print(QStringLiteral("%1 file(s) found.").arg(found));
}

void CommandInterpreter::saveHistory(const QString &arg)
{
    const QStringList w = SplitWords(arg);
    QString name = w.isEmpty() ? QStringLiteral("history.txt") : w[0];
    if (!HasExtension(name))
        name += QLatin1String(".txt");
    QSaveFile f(resolve(name));
    QByteArray text = host_.historyText().toUtf8();
    if (!text.endsWith('\n'))
        text += '\n';
    if (f.open(QIODevice::WriteOnly) && f.write(text) == text.size() && f.commit())
        host_.print(QStringLiteral("  History saved to ") + name);
    else
        fail(QStringLiteral("Error saving to ") + name);
}

} // namespace zfront

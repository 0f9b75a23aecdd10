#include "frontend/core/commandtext.h"

#include "frontend/core/selection.h"

namespace zfront {

QStringList SplitWords(const QString &text)
{
    QStringList words;
    QString word;
    bool inWord = false, quoted = false;
    for (const QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && c.unicode() < 33) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QString SubstituteArguments(const QString &command, const QString &argumentLine)
{
    if (!command.contains(u'%'))
        return command;
    const QStringList words = SplitWords(argumentLine);
    QString out;
    out.reserve(command.size());
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (c == u'%' && i + 1 < command.size() && command[i + 1] >= u'1' && command[i + 1] <= u'9') {
            const int n = command[i + 1].unicode() - u'1';
            if (n < words.size())
                out += words[n];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

void SplitFirstWord(const QString &command, QString &word, QString &rest)
{
    const QString text = selection::trimLow(command);
    word.clear();
    rest.clear();
    qsizetype i = 0;
    if (text.startsWith(u'"')) {
        const qsizetype close = text.indexOf(u'"', 1);
        if (close < 0) {
            word = text.mid(1);
            return;
        }
        word = text.mid(1, close - 1);
        i = close + 1;
    } else {
        while (i < text.size() && text[i].unicode() >= 33)
            ++i;
        word = text.left(i);
    }
    rest = selection::trimLow(text.mid(i));
}

QString QuoteName(const QString &name)
{
    return name.contains(u' ') ? u'"' + name + u'"' : name;
}

bool HasExtension(const QString &name)
{
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > slash + 1;
}

bool HasWildcards(const QString &name)
{
    return name.contains(u'*') || name.contains(u'?');
}

QString NormalizeSeparators(const QString &path)
{
    QString p = path;
    p.replace(u'\\', u'/');
    return p;
}

} // namespace zfront

#include "frontend/core/inifile.h"

#include <QFile>

#include <iterator>

namespace zfront {

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void IniFile::read(const QString &path)
{
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        parse(f.readAll());
    else
        sections_.clear();
}

void IniFile::parse(const QByteArray &bytes)
{
    sections_.clear();
    sections_.push_back(Section{});
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (i == lines.size() - 1 && raw.isEmpty())
            break; // the newline that ends the last line
        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.indexOf(QLatin1Char(']')) > 0) {
            sections_.push_back(Section{t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed(), {}});
            sections_.back().lines.push_back(Line{raw, {}, {}});
            continue;
        }
        Line line{raw, {}, {}};
        const qsizetype eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !t.startsWith(QLatin1Char(';')) && !t.startsWith(QLatin1Char('#'))) {
            line.key = raw.left(eq).trimmed();
            line.value = raw.mid(eq + 1).trimmed();
        }
        sections_.back().lines.push_back(line);
    }
}

QByteArray IniFile::text() const
{
    QString out;
    for (const Section &s : sections_)
        for (const Line &l : s.lines) {
            out += l.raw;
            out += QLatin1Char('\n');
        }
    return out.toUtf8();
}

IniFile::Section *IniFile::find(const QString &section)
{
    for (Section &s : sections_)
        if (!s.lines.empty() && !s.name.isEmpty() && sameName(s.name, section))
            return &s;
    return nullptr;
}

const IniFile::Section *IniFile::find(const QString &section) const
{
    return const_cast<IniFile *>(this)->find(section);
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.key.isEmpty() && sameName(l.key, key))
                return l.value;
    return std::nullopt;
}

int IniFile::intValue(const QString &section, const QString &key, int defaultValue) const
{
    const std::optional<QString> v = value(section, key);
    if (!v || v->isEmpty())
        return defaultValue;
    qsizetype i = 0;
    bool negative = false;
    if (i < v->size() && (v->at(i) == QLatin1Char('-') || v->at(i) == QLatin1Char('+')))
        negative = v->at(i++) == QLatin1Char('-');
    long long n = 0;
    for (; i < v->size() && v->at(i).isDigit() && v->at(i).unicode() < 128; ++i) {
        n = n * 10 + (v->at(i).unicode() - '0');
        if (n > 0x7fffffffLL)
            n = 0x7fffffffLL; // saturate instead of overflowing
    }
    return static_cast<int>(negative ? -n : n);
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Section *s = find(section);
    if (!s) {
        if (sections_.empty())
            sections_.push_back(Section{});
        sections_.push_back(Section{section, {Line{QLatin1Char('[') + section + QLatin1Char(']'), {}, {}}}});
        s = &sections_.back();
    }
    for (Line &l : s->lines)
        if (!l.key.isEmpty() && sameName(l.key, key)) {
            l.value = clean;
            l.raw = l.key + QLatin1Char('=') + clean;
            return;
        }
    // Append after the last key, so blank lines that separate sections stay last.
    auto at = s->lines.end();
    while (at != s->lines.begin() + 1 && std::prev(at)->raw.trimmed().isEmpty())
        --at;
    s->lines.insert(at, Line{key + QLatin1Char('=') + clean, key, clean});
}

void IniFile::removeSection(const QString &section)
{
    for (auto it = sections_.begin(); it != sections_.end();)
        if (!it->name.isEmpty() && sameName(it->name, section))
            it = sections_.erase(it);
        else
            ++it;
}

bool IniFile::hasSection(const QString &section) const
{
    return find(section) != nullptr;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList out;
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.key.isEmpty())
                out << l.key;
    return out;
}

} // namespace zfront

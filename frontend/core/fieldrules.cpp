#include "frontend/core/fieldrules.h"

#include "frontend/core/selection.h"

#include <algorithm>

namespace zfront {

FieldState checkField(const FieldRule &rule, const QString &text)
{
    if (!rule.isNumber() || text.isEmpty())
        return FieldState::Acceptable;
    if (text.size() > rule.digits)
        return FieldState::Invalid;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return FieldState::Invalid;
    const qint64 v = text.toLongLong();
    if (v > rule.max)
        return FieldState::Invalid;
    // Below the least value: typing may still reach it ("1" on the way to "16").
    return v < rule.min ? FieldState::Intermediate : FieldState::Acceptable;
}

QString clampField(const FieldRule &rule, const QString &text)
{
    const QString t = selection::trimLow(text);
    if (!rule.isNumber())
        return t;
    QString d;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        d += c;
    }
    if (d.isEmpty())
        return d;
    // Leading zeros do not count against the length.
    while (d.size() > 1 && d.front() == QLatin1Char('0'))
        d.remove(0, 1);
    if (d.size() > rule.digits)
        return QString::number(rule.max);
    return QString::number(std::clamp(d.toLongLong(), rule.min, rule.max));
}

int clampInt(const IntRule &rule, int value)
{
    return std::clamp(value, rule.min, rule.max);
}

} // namespace zfront

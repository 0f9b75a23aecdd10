// Plain text handling of command lines: batch argument substitution, the
// trimming rule, the first word (double quotes group) and file-name tests.
#ifndef ZORB_FRONTEND_CORE_COMMANDTEXT_H
#define ZORB_FRONTEND_CORE_COMMANDTEXT_H

#include <QString>
#include <QStringList>

namespace zfront {

// Replaces %1 .. %9 by the words of the batch argument line (nothing when the
// line has fewer words).
QString SubstituteArguments(const QString &command, const QString &argumentLine);

// Splits a command into its first word and the rest (trimmed). A first word
// in double quotes may contain spaces; the quotes are dropped.
void SplitFirstWord(const QString &command, QString &word, QString &rest);

// Splits an argument text into words; double quotes group and are dropped.
QStringList SplitWords(const QString &text);

// Quotes a name that contains a space.
QString QuoteName(const QString &name);

// True when the name has an extension (a dot after the last separator).
bool HasExtension(const QString &name);

// True when the name has one of the wildcard characters * and ?.
bool HasWildcards(const QString &name);

// Paths typed by the user accept '\' as a separator; this turns it into '/'.
QString NormalizeSeparators(const QString &path);

} // namespace zfront

#endif

// Writing a whole file so it appears only when complete: never half written,
// an older file kept when writing fails.
#ifndef ZFRONT_SAFEWRITE_H
#define ZFRONT_SAFEWRITE_H

#include <QByteArray>
#include <QString>

namespace zfront {

// Returns an empty text on success, else the reason (naming the file).
QString writeWholeFile(const QString &path, const QByteArray &bytes);

} // namespace zfront

#endif

// Writing a whole file so it appears only when complete: never half written,
// an older file kept when writing fails.
#ifndef ZORB_FRONTEND_CORE_SAFEWRITE_H
#define ZORB_FRONTEND_CORE_SAFEWRITE_H

#include <QByteArray>
#include <QString>

namespace zfront {

// Returns an empty text on success, else the reason (naming the file).
QString writeWholeFile(const QString &path, const QByteArray &bytes);

} // namespace zfront

#endif

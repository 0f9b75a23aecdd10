// The places a file pane offers in its places box: the root, the home
// directory and the mounted volumes that hold real file systems.
#ifndef ZORB_FRONTEND_UI_PLACES_H
#define ZORB_FRONTEND_UI_PLACES_H

#include <QString>
#include <QStringList>

namespace zfront {

// A mount is worth offering when it is a directory-backed volume of a real
// file system, not a kernel or memory file system nor a mount under the
// system's own trees (/proc, /sys, /dev, /run).
bool isRealVolume(const QString &root, const QByteArray &fileSystemType);

// "/", then home, then the mounted real volumes; no duplicates.
QStringList browsePlaces();

// The place of places holding directory (the longest one), or -1.
int placeOf(const QStringList &places, const QString &directory);

} // namespace zfront

#endif

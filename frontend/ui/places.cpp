#include "frontend/ui/places.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace zfront {

bool isRealVolume(const QString &root, const QByteArray &fileSystemType)
{
    static const char *const pseudo[] = {"tmpfs",       "devtmpfs",   "proc",     "sysfs",      "devpts",    "cgroup",
                                         "cgroup2",     "securityfs", "debugfs",  "tracefs",    "mqueue",    "pstore",
                                         "bpf",         "autofs",     "fusectl",  "configfs",   "hugetlbfs", "ramfs",
                                         "binfmt_misc", "nsfs",       "efivarfs", "rpc_pipefs", "squashfs"};
    for (const char *type : pseudo)
        if (fileSystemType == type)
            return false;
    for (const char *tree : {"/proc", "/sys", "/dev", "/run"})
        if (root == QLatin1String(tree) || root.startsWith(QLatin1String(tree) + QLatin1Char('/')))
            return false;
    return QFileInfo(root).isDir();
}

QStringList browsePlaces()
{
    QStringList places{QStringLiteral("/")};
    if (const QString home = QDir::cleanPath(QDir::homePath()); !places.contains(home))
        places << home;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = QDir::cleanPath(volume.rootPath());
        if (volume.isValid() && volume.isReady() && isRealVolume(root, volume.fileSystemType()) &&
            !places.contains(root))
            places << root;
    }
    return places;
}

int placeOf(const QStringList &places, const QString &directory)
{
    int best = -1;
    for (int i = 0; i < places.size(); ++i) {
        const QString &p = places[i];
        const bool inside = directory == p || p == QLatin1String("/") || directory.startsWith(p + QLatin1Char('/'));
        if (inside && (best < 0 || p.size() > places[best].size()))
            best = i;
    }
    return best;
}

} // namespace zfront

#include "frontend/core/recentlist.h"

namespace zfront {

void AddRecent(QStringList &list, const QString &item, int max)
{
    const QString entry = item.trimmed();
    if (entry.isEmpty())
        return;
    for (qsizetype i = list.size() - 1; i >= 0; --i)
        if (list[i].compare(entry, Qt::CaseInsensitive) == 0)
            list.removeAt(i);
    list.prepend(entry);
    while (list.size() > max)
        list.removeLast();
}

} // namespace zfront

// The recent-item lists of the shell (commands, files, directories): newest
// first, no two entries equal ignoring case, at most 30 entries.
#ifndef ZORB_FRONTEND_RECENTLIST_H
#define ZORB_FRONTEND_RECENTLIST_H

#include <QStringList>

namespace zfront {

constexpr int kRecentMax = 30;

// Puts the trimmed item at the front of the list, removing an entry equal to
// it ignoring case first and dropping entries past max. Empty items are
// ignored.
void AddRecent(QStringList &list, const QString &item, int max = kRecentMax);

} // namespace zfront

#endif

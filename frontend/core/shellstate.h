// What the shell keeps between runs: the recent lists, the command tab's
// directory and the window's place. Held by the main window; loaded from and
// saved to the settings file by the front end's settings.
#ifndef ZORB_FRONTEND_SHELLSTATE_H
#define ZORB_FRONTEND_SHELLSTATE_H

#include <QString>
#include <QStringList>

namespace zfront {

struct ShellState {
    QStringList recentCommands, recentFiles, recentDirs;
    QString commandDirectory; // empty: the current directory at start
    QString helpDirectory;    // where the documentation is looked for
    int x = -1, y = -1;       // -1: centred on the screen
    int currentTab = 0;
};

} // namespace zfront

#endif

// "zorblaxw --print-command TAB FILE...": the command lines a tab would run
// for those files with the saved settings, printed instead of run.
#include "frontend/core/toolcommands.h"

#include <cstdio>

namespace zfront {

namespace toolcmd {

int printCommandMain(const QStringList &arguments, const QString &settingsPath)
{
    if (arguments.size() < 2) {
        std::fputs("usage: zorblaxw --print-command TAB FILE...\n"
                   "  TAB is zorb, player, mixer, pictproc, sndproc or scriptor;\n"
                   "  the mixer takes a Zorblax file, a sound file and optionally the output.\n",
                   stderr);
        return 2;
    }
    Settings settings;
    settings.load(settingsPath);
    QStringList lines;
    QString error;
    if (!printCommands(settings, arguments.front(), arguments.mid(1), &lines, error)) {
        std::fprintf(stderr, "zorblaxw: %s\n", qPrintable(error));
        return error.startsWith(QLatin1String("unknown tab")) || error.startsWith(QLatin1String("the mixer")) ? 2 : 1;
    }
    for (const QString &line : lines)
        std::printf("%s\n", line.toLocal8Bit().constData());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace toolcmd

} // namespace zfront

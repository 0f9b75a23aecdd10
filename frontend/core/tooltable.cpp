#include "frontend/core/tooltable.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zfront {

namespace {

struct ToolEntry {
    const char *words; // command words, separated by spaces
    const char *program;
};

constexpr ToolEntry kTools[] = {
    {"zorbc zorbcw", "zorbc"},
    {"zorbmix zorbmiw", "zorbmix"},
    {"zorbply zorbplw", "zorbplw"},
    {"zorbscr zorbscw", "zorbscw"},
    {"pictconv pictconvw pictconvw6 pictprocw pictproc", "pictproc"},
    {"sndconv sndconvw sndprocw sndproc", "sndproc"},
    {"zbxinfo zbxinfow avinfo avinfow", "zbxinfo"},
    {"vexsi vexsiw", "vexsiw"},
    {"zorbfr zorbfrw", "zorbfr"},
    {"zbxcompi", "zbxcompi"},
};

} // namespace

QString ToolProgram(const QString &word)
{
    QString w = word.toLower();
    if (w.endsWith(QLatin1String(".exe")))
        w.chop(4);
    if (w.isEmpty())
        return {};
    for (const ToolEntry &e : kTools) {
        const QStringList words = QString::fromLatin1(e.words).split(u' ');
        if (words.contains(w))
            return QString::fromLatin1(e.program);
    }
    return {};
}

QString FindProgram(const QString &program, const QString &ownDirectory)
{
    if (program.isEmpty())
        return {};
    if (!ownDirectory.isEmpty()) {
        const QFileInfo beside(QDir(ownDirectory).filePath(program));
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(program);
}

} // namespace zfront

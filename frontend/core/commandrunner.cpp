#include "frontend/core/commandrunner.h"

#include "frontend/core/commandtext.h"
#include "frontend/core/interpreter.h"
#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolprocess.h"
#include "frontend/core/tooltable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>

namespace zfront {

bool ProcessAlive(qint64 pid)
{
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
        return false;
    // An ended program nobody has reaped yet still has an entry: "Z" (zombie)
    // or "X" (dead) in its status line.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.read(1024);
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return true;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

CommandRunner::CommandRunner(CommandInterpreter &interpreter, InterpreterHost &host, QObject *parent)
    : QObject(parent), interp_(interpreter), host_(host)
{}

Launch CommandRunner::prepare(const QString &command) const
{
    Launch l;
    QString rest;
    SplitFirstWord(command, l.word, rest);
    l.arguments = SplitWords(rest);
    const QString tool = ToolProgram(l.word);
    if (!tool.isEmpty()) {
        l.knownTool = true;
        l.program = FindProgram(tool, ownDir_);
        l.arguments << QStringLiteral("/#%1").arg(link_);
    } else if (l.word.contains(u'/') || l.word.contains(u'\\')) {
        l.program = interp_.resolve(l.word);
    } else {
        l.program = FindProgram(l.word, QString());
    }
    return l;
}

RunResult CommandRunner::run(const QString &directory, const QString &command)
{
    RunResult result;
    QString text = selection::trimLow(SubstituteArguments(command, batchArgs_));
    if (text.isEmpty())
        return result;
    if (shift_ && shift_())
        text = QStringLiteral("Rem ") + text;
    if (!directory.isEmpty() && QDir::cleanPath(directory).compare(interp_.directory(), Qt::CaseInsensitive) != 0)
        interp_.interpret(QStringLiteral("CD ") + QuoteName(directory));
    if (recent_)
        Settings::addRecent(*recent_, text);

    host_.print(text);
    if (interp_.interpret(text)) {
        result.builtin = true;
        result.failed = interp_.lastFailed();
        return result;
    }

    QString line = text;
    while (line.startsWith(u'@'))
        line = selection::trimLow(line.mid(1));
    const Launch l = prepare(line);
    // Started without a shell and independent of the front end. A tool's
    // results come back through the link; its standard error is watched for
    // progress and, when it fails, for the reason, which goes into the history
    // with its exit status.
    QString why; // the history's wording stays "Command not found."
    ToolProcess *tool = ToolProcess::start(l.program, l.arguments, interp_.directory(), this, why);
    if (!tool) {
        host_.print(QStringLiteral("  Command not found."));
        result.failed = true;
        return result;
    }
    const qint64 pid = tool->pid();
    const QString name = l.knownTool ? QFileInfo(l.program).fileName() : l.word;
    ++running_;
    connect(tool, &ToolProcess::lineRead, this, [this, name](const QString &line) { emit toolLine(name, line); });
    connect(tool, &ToolProcess::finished, this, [this, tool, name, pid] {
        --running_;
        for (const QString &line : EndOfToolLines(name, tool->exitStatus(), tool->signalNumber(), tool->lines()))
            host_.print(line);
        const int status = tool->signalNumber() ? 128 + tool->signalNumber() : tool->exitStatus();
        tool->deleteLater();
        emit toolEnded(pid, name, status);
    });
    result.pid = pid;
    result.knownTool = l.knownTool;
    return result;
}

} // namespace zfront

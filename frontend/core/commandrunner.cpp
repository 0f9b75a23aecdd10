#include "frontend/core/commandrunner.h"

#include "frontend/core/commandtext.h"
#include "frontend/core/selection.h"
#include "frontend/core/interpreter.h"
#include "frontend/core/settings.h"
#include "frontend/core/tooltable.h"

#include <QDir>
#include <QFileInfo>

namespace zfront {

CommandRunner::CommandRunner(CommandInterpreter &interpreter, InterpreterHost &host, QObject *parent)
    : QObject(parent), interp_(interpreter), host_(host)
{
}

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
        return result;
    }

    QString line = text;
    while (line.startsWith(u'@'))
        line = selection::trimLow(line.mid(1));
    const Launch l = prepare(line);
    auto *p = new QProcess(this);
    p->setWorkingDirectory(interp_.directory());
    // A tool's results come back through the link; its error messages go to
    // our standard error, its other output is not kept.
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->setStandardInputFile(QProcess::nullDevice());
    bool started = false;
    if (!l.program.isEmpty()) {
        p->start(l.program, l.arguments);
        started = p->waitForStarted(10000);
    }
    if (!started) {
        delete p;
        host_.print(QStringLiteral("  Command not found."));
        result.failed = true;
        return result;
    }
    connect(p, &QProcess::finished, this, [this, p] {
        emit processFinished(p);
        p->deleteLater();
    });
    result.process = p;
    result.knownTool = l.knownTool;
    return result;
}

} // namespace zfront

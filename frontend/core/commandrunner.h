// Running a command line: batch argument substitution, the Shift rule, the
// directory change, the recent-commands list, the built-in interpreter, and
// for everything else the tool table and a started program (no shell; known
// tools get "/#N" so they report back through the link).
#ifndef ZORB_FRONTEND_CORE_COMMANDRUNNER_H
#define ZORB_FRONTEND_CORE_COMMANDRUNNER_H

#include <QObject>
#include <QStringList>

#include <functional>

namespace zfront {

class CommandInterpreter;
class InterpreterHost;

struct Launch {
    QString program; // the executable to start (empty: not found)
    QStringList arguments;
    bool knownTool = false;
    QString word; // the command word as typed
};

struct RunResult {
    bool builtin = false;   // handled by the interpreter
    bool knownTool = false; // a tool of the table was started
    bool failed = false;    // "Command not found.", or a built-in command that failed
    qint64 pid = 0;         // the started program (0: none)
};

// True while the program with that process id runs. Started programs are
// independent of the front end (closing it leaves them running), so this
// looks at the process itself.
bool ProcessAlive(qint64 pid);

class CommandRunner : public QObject {
    Q_OBJECT
public:
    CommandRunner(CommandInterpreter &interpreter, InterpreterHost &host, QObject *parent = nullptr);

    void setOwnDirectory(const QString &dir) { ownDir_ = dir; }
    QString ownDirectory() const { return ownDir_; }
    void setLinkNumber(quint32 n) { link_ = n; }
    void setBatchArguments(const QString &line) { batchArgs_ = line; }
    QString batchArguments() const { return batchArgs_; }
    // Asked at each command: true while Shift is held down.
    void setShiftQuery(std::function<bool()> query) { shift_ = std::move(query); }
    void setRecentCommands(QStringList *list) { recent_ = list; }

    // Runs one command, from directory when it is given.
    RunResult run(const QString &directory, const QString &command);

    // What an external command starts (without starting it).
    Launch prepare(const QString &command) const;

    // Tools started and not yet ended.
    int runningTools() const { return running_; }

signals:
    // A line of a running tool's progress, status or error text.
    void toolLine(const QString &name, const QString &line);
    // A started program ended: its exit status, or 128 + the signal that
    // ended it. Its error and status texts are in the history by then.
    void toolEnded(qint64 pid, const QString &name, int status);

private:
    CommandInterpreter &interp_;
    InterpreterHost &host_;
    QString ownDir_;
    quint32 link_ = 0;
    QString batchArgs_;
    std::function<bool()> shift_;
    QStringList *recent_ = nullptr;
    int running_ = 0;
};

} // namespace zfront

#endif

// A program started by the front end and watched until it ends: its standard
// error is collected (and still passed on to ours) as lines of progress,
// status and error text, and its exit status is kept. The program does not
// depend on the front end: it runs in a session of its own, and its standard
// error goes to an anonymous in-memory file rather than a pipe, so closing
// the front end neither stops it nor breaks its output.
#ifndef ZORB_FRONTEND_CORE_TOOLPROCESS_H
#define ZORB_FRONTEND_CORE_TOOLPROCESS_H

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace zfront {

class ToolProcess : public QObject {
    Q_OBJECT
public:
    // Starts program with arguments in directory (standard input and output on
    // /dev/null). Null when it cannot be started; error then says why.
    static ToolProcess *start(const QString &program, const QStringList &arguments, const QString &directory,
                              QObject *parent, QString &error);
    ~ToolProcess() override;

    qint64 pid() const { return pid_; }
    QString name() const { return name_; }
    bool running() const { return pid_ > 0 && !ended_; }
    // The lines read so far from its standard error.
    const QStringList &lines() const { return lines_; }
    // After finished(): the exit status, or the signal that ended it (0: none).
    int exitStatus() const { return status_; }
    int signalNumber() const { return signal_; }
    // Whether what it wrote is passed on to the front end's standard error
    // (default on).
    void setEcho(bool on) { echo_ = on; }

signals:
    void lineRead(const QString &line);
    void finished();

private:
    ToolProcess(qint64 pid, int fd, const QString &name, QObject *parent);
    void poll();
    void readOutput();

    qint64 pid_ = 0;
    int fd_ = -1;
    qint64 offset_ = 0;
    QByteArray partial_;
    QString name_;
    QStringList lines_;
    int status_ = 0, signal_ = 0;
    bool ended_ = false, echo_ = true;
    QTimer timer_;
};

// The progress a status line tells, 0 to 100, or -1 when it tells none: "N%"
// or "N of M" (the last such figure in the line).
int ProgressPercent(const QString &line);

// What the history gets when a tool has ended: nothing when it succeeded;
// otherwise its error and status texts (the lines it wrote, without repeats
// and without the progress lines before the last, at most the last 12), then
// "NAME: ended with status N" (or "NAME: ended by signal N").
QStringList EndOfToolLines(const QString &name, int exitStatus, int signalNumber, const QStringList &lines);

} // namespace zfront

#endif

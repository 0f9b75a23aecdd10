// The batch player's logic: runs the lines of a ".zbt" file in order through
// the command runner; after a line that started a known tool it waits for
// that tool's report (checking every 100 ms), or for the tool to end without
// one, before the next line. A line naming another batch file runs that one
// in place, with its own argument line, up to kMaxBatchDepth files deep.
#ifndef ZORB_FRONTEND_CORE_BATCHRUNNER_H
#define ZORB_FRONTEND_CORE_BATCHRUNNER_H

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace zfront {

class CommandRunner;
class InterpreterHost;

inline constexpr int kMaxBatchDepth = 8;

class BatchRunner : public QObject {
    Q_OBJECT
public:
    BatchRunner(CommandRunner &runner, InterpreterHost &host, QObject *parent = nullptr);

    // Reads the batch file (one command a line). False when it cannot be read.
    bool load(const QString &path, const QString &arguments);
    // While running: a batch file named by the current line, run next with
    // its own arguments, then the rest of this one. False (and a message in
    // the history) when it cannot be read or files are nested too deeply.
    bool runNested(const QString &path, const QString &arguments);
    // The file being run (the innermost), its lines and the line being run.
    QString path() const { return frames_.isEmpty() ? QString() : frames_.back().path; }
    QStringList lines() const { return frames_.isEmpty() ? QStringList() : frames_.back().lines; }
    int current() const { return frames_.isEmpty() ? -1 : frames_.back().current; }
    int depth() const { return int(frames_.size()); }
    bool running() const { return running_; }
    // True when every line ran: none failed to start, no tool ended without a
    // report, and the batch was not cancelled.
    bool allRan() const { return allRan_; }
    bool cancelled() const { return cancelled_; }

    void start();
    // Stops after the current line (the batch did not run whole).
    void cancel();
    // Ends the batch on an "exit" line: not a failure.
    void stop();

public slots:
    // A tool report arrived through the link.
    void noteReport();
    // A program started by a line ended with this status (not 0: a failure).
    void noteToolEnded(qint64 pid, int status);

signals:
    void lineStarted(int index);
    // Another file's lines are shown (a nested batch began or ended).
    void fileChanged();
    void finished(bool allRan);

private:
    void next();
    void poll();
    void finish();

    struct Frame {
        QString path, arguments;
        QStringList lines;
        int current = -1;
    };
    static bool read(const QString &path, QStringList &lines);

    CommandRunner &runner_;
    InterpreterHost &host_;
    QString savedArguments_;
    QList<Frame> frames_;
    QList<qint64> started_; // programs started by the batch
    bool running_ = false, cancelled_ = false, allRan_ = true;
    bool waiting_ = false, reported_ = false;
    qint64 pid_ = 0;
    QString word_;
    QTimer timer_;
};

} // namespace zfront

#endif
